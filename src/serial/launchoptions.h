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
};

// The exit status of a bad command line, as for most command-line programs.
inline constexpr int kUsageError = 2;

// `arguments` as QCoreApplication::arguments() gives them, the program's name first.
LaunchOptions parseLaunchOptions(const QStringList &arguments);

// Does what the options ask for instead of running the panel (help, version, the port list,
// a usage error) and returns the exit code; nothing when the panel should run.
std::optional<int> runWithoutPanel(const LaunchOptions &options);

// The system's serial ports, one a line: the device and its description.
void printSerialPorts(QTextStream &out);
