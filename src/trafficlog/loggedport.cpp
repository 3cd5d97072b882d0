#include "loggedport.h"

#include "monitorrendering.h"
#include "trafficlog.h"

LoggedPort::LoggedPort(SerialPort &port, TrafficLog &log) : m_port(port), m_log(log)
{
    m_port.setOnComm([this] { raiseOnComm(); });
}

LoggedPort::~LoggedPort()
{
    m_port.setOnComm({});
}

void LoggedPort::setSettings(const std::string &settings)
{
    m_port.setSettings(settings);
    m_log.write(commPort(), "SPEED", settings);
}

void LoggedPort::open()
{
    m_port.open();
    m_log.write(commPort(), "OPEN");
}

void LoggedPort::close()
{
    m_port.close();
    m_log.write(commPort(), "CLOSE");
}

void LoggedPort::output(const std::string &bytes)
{
    m_port.output(bytes);
    m_log.write(commPort(), "TX", renderForMonitor(bytes));
}

std::string LoggedPort::input()
{
    std::string bytes = m_port.input();
    if (!bytes.empty())
        m_log.write(commPort(), "RX", renderForMonitor(bytes));
    return bytes;
}
