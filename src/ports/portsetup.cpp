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
    markedPort.set(1);
    // Opened once: the COM1 choice that marking COM1 stands for would find it open and keep it.
    try {
        m_port.setCommPort(1);
        m_port.setSettings(m_state.commSettings);
        open();
    } catch (const PortError &error) {
        m_reportError(error);
    }
    portOpen.set(m_port.isOpen());
}

void PortSetup::chooseComPort(int port)
{
    markedPort.set(port);
    if (keepsOpen(port)) {
        m_display.frame8Visible.set(false);
        return;
    }

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
        attempt([this] { open(); });

    // After a failure the chosen port stays selected, as it stays marked: the next command
    // and the next error are about the port the operator sees chosen.
    portOpen.set(m_port.isOpen());
    if (failure)
        m_reportError(*failure);
    else
        m_display.frame8Visible.set(false);
}

// The port chosen is the one open: closing and opening it again would drop the line for a
// moment (the modem lines, the lock, a server's only session). The speed last chosen is set on
// it. One whose loss has been seen but not yet reported fails here, closed, and is opened again
// as a closed port is.
bool PortSetup::keepsOpen(int port)
{
    if (!m_port.isOpen() || m_port.commPort() != port)
        return false;
    try {
        m_port.setSettings(m_state.commSettings);
    } catch (const PortError &) {
        return false;
    }
    return m_port.isOpen();
}

// "Connecting" is shown while it lasts: a server on the network may take seconds to answer.
void PortSetup::open()
{
    connecting.set(true);
    try {
        m_port.open();
    } catch (const PortError &) {
        connecting.set(false);
        throw;
    }
    connecting.set(false);
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
