#include "portsetup.h"

#include "paneldisplay.h"
#include "panelstate.h"
#include "porterror.h"
#include "serialport.h"
#include "timer.h"

#include <optional>
#include <utility>

PortSetup::PortSetup(PanelState &state, PanelDisplay &display, SerialPort &port, Timer &timer3,
                     ErrorReporter reportError)
    : m_state(state), m_display(display), m_port(port), m_timer3(timer3),
      m_reportError(std::move(reportError))
{
    m_timer3.setInterval(kPortGroupShownMs);
}

void PortSetup::load()
{
    m_state.commSettings = kSettings19200;
    m_state.commandPrefix.clear();
    m_state.heldAdjuster = 0;
    m_state.awaitingReply = 0;
    m_state.receiveBuffer.clear();
    try {
        m_port.setCommPort(1);
        m_port.setSettings(m_state.commSettings);
        m_port.open();
    } catch (const PortError &error) {
        // Reported here, once: the COM1 choice would only run into the same failure.
        m_reportError(error);
        markedPort.set(1);
        return;
    }
    markedPort.set(1);
    chooseComPort(1);
}

void PortSetup::chooseComPort(int port)
{
    markedPort.set(port);

    // Each step runs even when an earlier one failed; the last failure is the one shown.
    std::optional<PortError> failure;
    const auto attempt = [&failure](auto &&step) {
        try {
            step();
        } catch (const PortError &error) {
            failure = error;
        }
    };
    if (m_port.isOpen())
        attempt([this] { m_port.close(); });
    attempt([this, port] { m_port.setCommPort(port); });
    if (!failure)
        attempt([this] { m_port.open(); });

    // After a failure the chosen port stays selected, as it stays marked: the next command
    // and the next error are about the port the operator sees chosen.
    portOpen.set(m_port.isOpen());
    if (failure)
        m_reportError(*failure);
    else
        m_display.frame8Visible.set(false);
}

void PortSetup::chooseSpeed(int baud)
{
    m_state.commSettings = baud == 9600 ? kSettings9600 : kSettings19200;
    markedSpeed.set(baud);
    m_port.setSettings(m_state.commSettings);
    m_display.frame8Visible.set(false);
}

void PortSetup::showPortGroup()
{
    m_display.frame8Visible.set(true);
    m_timer3.setEnabled(true);
}
