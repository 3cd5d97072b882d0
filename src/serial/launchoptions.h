#pragma once

#include "devicemap.h"

#include <QString>
#include <QStringList>

#include <optional>

class QTextStream;

// What orva-control's command line asks for. The command line is the only input the program
// reads; nothing is saved.
struct LaunchOptions {
    DeviceMap devices;      // --com1 DEVICE, --com2 DEVICE
    bool simulate = false;  // --simulate: port 1 is a simulated projector
    bool listPorts = false; // --list-ports: print the system's serial ports and exit
    QString output;         // --help or --version: print this and exit
    QString error;          // a bad command line: print this and the usage, exit with kUsageError

    // The command line's own face: one command, its outcome printed, no window.
    std::optional<QString> send;  // --send TEXT: a command name, or text sent as it stands
    bool raw = false;             // --raw: TEXT is text even when it is a command name
    bool json = false;            // --json: the outcome as one JSON object
    bool listCommands = false;    // --list-commands: print the command names and exit
    int port = 1;                 // --port COM1|COM2
    int speed = 19200;            // --speed 19200|9600
};

// The exit status of a bad command line, as for most command-line programs.
inline constexpr int kUsageError = 2;

// The command line as main() gets it, after QCoreApplication has taken its own options. An
// argument whose bytes are not UTF-8 cannot become text unharmed; when it names a file (a
// device behind a link with an 8-bit name), it becomes the name the system gives that file.
QStringList launchArguments(int argc, char **argv);

// `arguments` as launchArguments() gives them, the program's name first.
LaunchOptions parseLaunchOptions(const QStringList &arguments);

// Does what the options ask for instead of running the panel (help, version, the port list,
// a usage error) and returns the exit code; nothing when the panel, --send or
// --list-commands should run.
std::optional<int> runWithoutPanel(const LaunchOptions &options);

// The system's serial ports, one a line: the device and its description.
void printSerialPorts(QTextStream &out);
