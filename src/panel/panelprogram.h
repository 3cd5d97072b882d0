#pragma once

class DeviceMap;
class QIODevice;
class QtSerialPort;

// The panel as the program runs it: the window on `port`, loaded and shown, with the loss of
// the device reported in it and the port shared with command lines of the same user, until the
// window closes or a termination signal ends the program. Every event of the line goes to
// `log` when there is one. Returns the program's exit status.
int runPanel(QtSerialPort &port, const DeviceMap &devices, QIODevice *log = nullptr);
