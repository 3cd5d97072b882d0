#include "fakeserialport.h"

#include "porterror.h"

#include <utility>

namespace {
constexpr int kPortAlreadyOpen = 8005;
constexpr int kPortNotOpen = 8012;
constexpr int kPortUnavailable = 8002;
constexpr int kBadSettings = 380;
} // namespace

void FakeSerialPort::setCommPort(int port)
{
    if (m_open)
        throw PortError(kPortAlreadyOpen, "Port already open");
    m_port = port;
}

void FakeSerialPort::setSettings(const std::string &settings)
{
    if (failSettings)
        throw PortError(kBadSettings, "Invalid property value");
    m_settings = settings;
}

void FakeSerialPort::open()
{
    if (m_open)
        throw PortError(kPortAlreadyOpen, "Port already open");
    if (failOpenOfPort == m_port)
        throw PortError(kPortUnavailable, "Device unavailable: COM" + std::to_string(m_port));
    m_open = true;
    ++openCount;
}

void FakeSerialPort::close()
{
    if (failClose)
        throw PortError(kPortNotOpen, "Operation valid only when the port is open");
    m_open = false;
}

void FakeSerialPort::output(const std::string &bytes)
{
    if (!m_open || failWrites)
        throw PortError(kPortNotOpen, "Operation valid only when the port is open");
    m_written += bytes;
}

std::string FakeSerialPort::input() { return std::exchange(m_pending, {}); }

std::string FakeSerialPort::takeWritten() { return std::exchange(m_written, {}); }

void FakeSerialPort::receive(const std::string &bytes)
{
    m_pending += bytes;
    m_event = kReceiveEvent;
    raiseOnComm();
}

void FakeSerialPort::raiseEvent(int code)
{
    m_event = code;
    raiseOnComm();
}
