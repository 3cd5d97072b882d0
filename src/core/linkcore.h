#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

struct PanelDisplay;
struct PanelState;
class SerialPort;
class Timer;

// The one road every command leaves by and every reply comes back on, and the timers that
// close an exchange (Timer2), clear the monitor (Timer4) and hide the port group (Timer3).
//
// The core handles the expiry of the three timers it is given. The port's receive event is
// wired by the owner, which decides what to do with a PortError.
//
// A failing port operation throws PortError out of transmit(), hyouji() and onComm(); the
// steps after the failure do not run.
class LinkCore
{
public:
    static constexpr std::uint8_t kTransmit = 1;
    static constexpr std::uint8_t kReceive = 2;
    static constexpr std::size_t kReceiveBufferLimit = 32767;
    static constexpr std::string_view kNoReplyMark = " X X X X";

    LinkCore(PanelState &state, PanelDisplay &display, SerialPort &port, Timer &timer2,
             Timer &timer3, Timer &timer4);

    // lastCommand := frameCommand(code), then hyouji(lastCommand, kTransmit).
    void transmit(std::string_view code);

    // Direction 1 writes `text` to the port, empties the receive buffer, shows the text in TXD
    // and arms Timer2 and Timer4; any other direction shows it in RXD and decodes it into the
    // status line.
    void hyouji(const std::string &text, std::uint8_t direction);

    // The port's receive event: appends the pending input to the receive buffer (up to
    // kReceiveBufferLimit characters; the rest is dropped) and shows the whole buffer.
    void onComm();

    void onTimer2(); // end of an exchange: marks a missing reply, empties the buffer
    void onTimer3(); // hides the port group
    void onTimer4(); // clears TXD, RXD and the status line

    // Told at the end of every Timer2 event what the buffer held before it was emptied, for
    // an owner that waits for an exchange to close before starting the next one.
    void setOnExchangeClosed(std::function<void(const std::string &received)> handler)
    {
        m_onExchangeClosed = std::move(handler);
    }

private:
    void showReceived(const std::string &rendered);

    PanelState &m_state;
    PanelDisplay &m_display;
    SerialPort &m_port;
    Timer &m_timer2;
    Timer &m_timer3;
    Timer &m_timer4;
    std::function<void(const std::string &)> m_onExchangeClosed;
};
