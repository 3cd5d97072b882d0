#include "linkcore.h"

#include <algorithm>
#include <utility>

#include "monitorrendering.h"
#include "paneldisplay.h"
#include "panelstate.h"
#include "replydecoding.h"
#include "serialport.h"
#include "timer.h"

LinkCore::LinkCore(PanelState &state, PanelDisplay &display, SerialPort &port, Timer &timer2,
                   Timer &timer3, Timer &timer4)
    : m_state(state), m_display(display), m_port(port), m_timer2(timer2), m_timer3(timer3),
      m_timer4(timer4)
{
    m_timer2.setOnExpiry([this] { onTimer2(); });
    m_timer3.setOnExpiry([this] { onTimer3(); });
    m_timer4.setOnExpiry([this] { onTimer4(); });
}

void LinkCore::transmit(std::string_view code)
{
    m_state.lastCommand = frameCommand(m_state, code);
    hyouji(m_state.lastCommand, kTransmit);
}

void LinkCore::hyouji(const std::string &text, std::uint8_t direction)
{
    if (direction == kTransmit) {
        // The write comes first: when it fails, nothing is shown and no timer is armed.
        m_port.output(text);
        // A new exchange: its reply is decoded against this command alone, never glued to
        // what answered the one before.
        m_state.receiveBuffer.clear();
        m_display.label11.set(renderForMonitor(text));
        m_timer2.setEnabled(true);
        m_state.awaitingReply = 1;
        m_timer4.setEnabled(true);
        return;
    }
    showReceived(renderForMonitor(text));
}

void LinkCore::showReceived(const std::string &rendered)
{
    m_display.label12.set(rendered);
    const DecodedReply reply = decodeReply(m_state, m_display.label12.get());
    if (reply.pressure)
        m_state.pressureValue = *reply.pressure;
    if (reply.status)
        m_display.label22.set(*reply.status);
}

void LinkCore::onComm()
{
    if (m_port.commEvent() != SerialPort::kReceiveEvent)
        return;
    const std::string input = m_port.input();
    std::string &buffer = m_state.receiveBuffer;
    const std::size_t room = kReceiveBufferLimit - std::min(buffer.size(), kReceiveBufferLimit);
    buffer.append(input, 0, std::min(room, input.size()));
    m_state.awaitingReply = 0;
    hyouji(buffer, kReceive);
}

void LinkCore::onTimer2()
{
    if (m_state.awaitingReply == 1)
        m_display.label12.set(std::string(kNoReplyMark));
    m_timer2.setEnabled(false);
    const std::string received = std::exchange(m_state.receiveBuffer, {});
    m_state.awaitingReply = 0;
    if (m_onExchangeClosed)
        m_onExchangeClosed(received);
}

void LinkCore::onTimer3()
{
    m_display.frame8Visible.set(false);
    m_timer3.setEnabled(false);
}

void LinkCore::onTimer4()
{
    m_display.label11.set({});
    m_display.label12.set({});
    m_display.label22.set({});
    m_timer4.setEnabled(false);
}
