#include "loggedport.h"

#include "monitorrendering.h"
#include "trafficlog.h"

namespace
{

// An RX line holds at most this much of one read: a server that streams without a carriage
// return makes a line of this length and a count, not a line of all it sent.
constexpr std::size_t kLoggedBytes = 256;

} // namespace

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
    if (bytes.size() <= kLoggedBytes) {
        if (!bytes.empty())
            m_log.write(commPort(), "RX", renderForMonitor(bytes));
        return bytes;
    }
    std::string shown = renderForMonitor(bytes.substr(0, kLoggedBytes));
    shown.erase(shown.find_last_not_of(' ') + 1);
    m_log.write(commPort(), "RX",
                shown + " [" + std::to_string(bytes.size() - kLoggedBytes) +
                    " more bytes not logged]");
    return bytes;
}
