#pragma once

#include "loggedport.h"
#include "trafficlog.h"

#include <optional>

class ControlPanel;
class DeviceMap;
class QIODevice;

// The traffic log of --log where the command line asked for one: the port a panel is to work
// on (the logged one, or the port itself without a log), and the panel's events watched.
class TrafficLogging
{
public:
    // `log`, when there is one, and `port` outlive this.
    TrafficLogging(SerialPort &port, QIODevice *log, const DeviceMap &devices);

    SerialPort &port();
    void watch(ControlPanel &panel);

private:
    SerialPort &m_port;
    std::optional<TrafficLog> m_log;
    std::optional<LoggedPort> m_loggedPort;
};
