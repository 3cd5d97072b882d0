#pragma once

#include <functional>
#include <string_view>

class LinkCore;
class SerialPort;
class Timer;
struct PanelState;

// The one-shot buttons of the catalogue: each click sends its code once, with the wait
// profile and the after-send action of its row. END closes the port and ends the program.
//
// click() transmits, so it may throw PortError; the steps after a failed send do not run.
class CommandButtons
{
public:
    CommandButtons(PanelState &state, LinkCore &link, SerialPort &port, Timer &timer1,
                   Timer &timer2, Timer &timer4, std::function<void()> endProgram);

    static constexpr int kMenuArrowRepeat = 200; // Timer1 after MENU ON and A-IMAGE
    static constexpr int kMenuArrowStepMode = 1;

    void click(std::string_view controlName); // controls outside the catalogue are ignored

private:
    void end();

    PanelState &m_state;
    LinkCore &m_link;
    SerialPort &m_port;
    Timer &m_timer1;
    Timer &m_timer2;
    Timer &m_timer4;
    std::function<void()> m_endProgram;
};
