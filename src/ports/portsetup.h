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
//
// Errors that the choices trap, and those of start-up, go to the reporter, which shows them
// to the operator (modally) and returns; the program runs on. A speed choice traps nothing:
// its PortError propagates to the caller, like any other failing handler's.
//
// The marks are what the option buttons show. Setting them never runs a choice: the window
// calls chooseComPort() and chooseSpeed() on the operator's clicks only.
class PortSetup
{
public:
    using ErrorReporter = std::function<void(const PortError &)>;

    static constexpr int kPortGroupShownMs = 5000; // Timer3: how long "COM" shows the group
    static constexpr const char *kSettings19200 = "19200,N,8,1";
    static constexpr const char *kSettings9600 = "9600,N,8,1";

    // Sets Timer3's interval; LinkCore handles its expiry (hiding the group).
    PortSetup(PanelState &state, PanelDisplay &display, SerialPort &port, Timer &timer3,
              ErrorReporter reportError);

    // The port part of start-up (the window places itself with placeWindow() before): the
    // first values of the shared state, COM1 marked, port 1 at 19200 opened, once. A port
    // that does not open is reported once; the program runs on with it closed, port 1 set
    // and COM1 marked, and a later port choice connects.
    void load();

    // Option1 (1) and Option2 (2). The port open and chosen again stays open, at the speed
    // chosen. Otherwise closes the port, selects the chosen one and opens it, also when it was
    // closed before (or lost). On a failure: the warning, the port left closed with the chosen
    // port selected and marked, and the group left shown.
    void chooseComPort(int port);

    // Option9 (19200) and Option10 (9600): the new speed applies at once; the port stays as
    // it is. Throws PortError when the port refuses it, leaving the group shown.
    void chooseSpeed(int baud);

    // Command33 "COM": shows the group and starts its timer.
    void showPortGroup();

    Observable<int> markedPort{0}; // 0 = neither COM1 nor COM2 marked
    Observable<int> markedSpeed{19200};
    // Whether the port is open after the last choice; the panel sets it after a failure too.
    Observable<bool> portOpen{false};
    Observable<bool> connecting{false}; // while an open is under way

private:
    bool keepsOpen(int port);
    void open();

    PanelState &m_state;
    PanelDisplay &m_display;
    SerialPort &m_port;
    Timer &m_timer3;
    ErrorReporter m_reportError;
};
