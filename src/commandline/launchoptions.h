#pragma once

#include "devicemap.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QIODevice;

// What orva-control's command line asks for, over the device mapping of the settings file.
struct LaunchOptions {
    DeviceMap devices;      // the settings file's, then --com1 DEVICE, --com2 DEVICE
    bool simulate = false;  // --simulate: port 1 is a simulated projector
    bool listPorts = false; // --list-ports: print the system's serial ports and exit
    QString output;         // --help or --version: print this and exit
    QString error;          // a bad command line: print this and the usage, exit with kUsageError

    QString settingsProblem;        // the settings file could not be read; it is ignored
    QString notice;                 // told once on standard error, before the command runs
    QList<int> savePorts;           // --save-ports: the ports --com1/--com2 name; saved, exit
    std::shared_ptr<QIODevice> log; // --log FILE, open for appending, or standard output

    // The command line's own face: one command, its outcome printed, no window.
    std::optional<QString> send;  // --send TEXT: a command name, or text sent as it stands
    bool raw = false;             // --raw: TEXT is text even when it is a command name
    bool json = false;            // --json: the outcome as one JSON object
    bool listCommands = false;    // --list-commands: print the command names and exit
    std::optional<bool> power;    // --power on|off: true for on
    int port = 1;                 // --port COM1|COM2
    int speed = 19200;            // --speed 19200|9600
};

// The exit status of a bad command line, as for most command-line programs.
inline constexpr int kUsageError = 2;
