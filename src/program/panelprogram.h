#pragma once

#include <QString>

class DeviceMap;
class QIODevice;
class QtSerialPort;
struct LaunchOptions;

// The panel as the program runs it: the window on `port`, loaded and shown, with the loss of
// the device reported in it and the port shared with command lines of the same user, until the
// window closes or a termination signal ends the program. Every event of the line goes to
// `log` when there is one. A `startNotice` (a settings file that could not be read) is shown
// first, before the port opens: an operator who starts the panel from the menu sees no
// standard error. Returns the program's exit status.
int runPanel(QtSerialPort &port, const DeviceMap &devices, QIODevice *log = nullptr,
             const QString &startNotice = {});

// The whole of the panel's run as main() hands it over: the application of the window system,
// the simulated projector when asked for, the port, and runPanel(). The program's name and
// version are set already.
int runPanelProgram(int &argc, char **argv, const LaunchOptions &options);
