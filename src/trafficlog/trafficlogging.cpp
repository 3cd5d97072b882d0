#include "trafficlogging.h"

#include "devicemap.h"

TrafficLogging::TrafficLogging(SerialPort &port, QIODevice *log, const DeviceMap &devices)
    : m_port(port)
{
    if (log)
        m_loggedPort.emplace(port, m_log.emplace(*log, devices));
}

SerialPort &TrafficLogging::port()
{
    return m_loggedPort ? *m_loggedPort : m_port;
}

void TrafficLogging::watch(ControlPanel &panel)
{
    if (m_log)
        m_log->watch(panel, m_port);
}
