#include "fakeserialport.h"

#include "porterror.h"

#include <utility>

void FakeSerialPort::setCommPort(int port)
{
    if (m_open)
        throw PortError(8005, "Port already open");
    m_port = port;
}

void FakeSerialPort::setSettings(const std::string &settings)
{
    if (failSettings)
        throw PortError(380, "Invalid property value");
    m_settings = settings;
}

void FakeSerialPort::open()
{
    if (m_open || failOpenOfPort == m_port)
        throw PortError(8002, "Device unavailable: COM" + std::to_string(m_port));
    m_open = true;
    ++openCount;
}

void FakeSerialPort::close()
{
    if (failClose)
        throw PortError(8012, "Operation valid only when the port is open");
    m_open = false;
}

void FakeSerialPort::output(const std::string &bytes)
{
    if (!m_open || failWrites)
        throw PortError(8012, "Operation valid only when the port is open");
    m_written += bytes;
}

std::string FakeSerialPort::input() { return std::exchange(m_pending, {}); }

std::string FakeSerialPort::takeWritten() { return std::exchange(m_written, {}); }

void FakeSerialPort::receive(const std::string &bytes)
{
    m_pending += bytes;
    raiseEvent(kReceiveEvent);
}

void FakeSerialPort::raiseEvent(int code)
{
    m_event = code;
    raiseOnComm();
}
