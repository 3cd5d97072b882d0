#pragma once

#include "observable.h"

#include <functional>
#include <string>

class PortError;
class SerialPort;
class Timer;
struct PanelDisplay;
struct PanelState;

// Start-up of the port and the operator's port and speed choices in the port group Frame8.
// Errors that the choices trap, and those of start-up, go to the reporter, which shows them
// to the operator (modally) and returns; the program runs on.
class PortSetup
{
public:
    using ErrorReporter = std::function<void(const PortError &)>;

    PortSetup(PanelState &state, PanelDisplay &display, SerialPort &port, Timer &timer3,
              ErrorReporter reportError);

    void load();                       // the port part of start-up: port 1, 19200, open, COM1
    void chooseComPort(int port);      // Option1 (1) and Option2 (2)
    void chooseSpeed(int baud);        // Option9 (19200) and Option10 (9600)
    void showPortGroup();              // Command33 "COM"

    Observable<int> markedPort{0};     // 0 = neither COM1 nor COM2 marked
    Observable<int> markedSpeed{19200};
};
