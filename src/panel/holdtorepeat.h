#pragma once

#include <string_view>

class LinkCore;
class Timer;
struct PanelDisplay;
struct PanelState;

// The thirteen adjusters that act while held: VOL, Brightness, D.Zoom and Keystone "+"/"-",
// and the cursor pad. A press sends at once and starts Timer1; every tick sends the held
// button's command again; the release stops the repeat and puts the monitor to rest.
//
// press() and tick() transmit, so they may throw PortError. A tick whose transmit fails
// stops the repeat before the error leaves, so a broken line is reported once.
// The owner wires Timer1's expiry to tick() through its error guard.
class HoldToRepeat
{
public:
    HoldToRepeat(PanelState &state, PanelDisplay &display, LinkCore &link, Timer &timer1,
                 Timer &timer2, Timer &timer4);

    static bool isAdjuster(std::string_view controlName);

    void press(std::string_view controlName);
    void release(std::string_view controlName);
    void tick();
    // Ends a hold whose release can no longer arrive, exactly as its release would.
    void stop();

private:

    PanelState &m_state;
    PanelDisplay &m_display;
    LinkCore &m_link;
    Timer &m_timer1;
    Timer &m_timer2;
    Timer &m_timer4;
};
