#pragma once

#include "devicemap.h"

#include <QDateTime>

#include <functional>
#include <string_view>

class ControlPanel;
class QIODevice;
class SerialPort;

// The traffic log of --log: one line per event on the line, for a technician to read after
// the fact, or to follow with `tail -f`:
//
//   2026-12-07T09:00:00.250+01:00 COM1 /dev/ttyUSB0 TX C R 0 CR
//
// The local time with its offset from UTC, to the millisecond; the port and its device; the
// event (TX, RX, STATUS, NO REPLY, ERROR, OPEN, CLOSE, SPEED) and its text: traffic as the
// monitor renders it, the status line, the warning, the line settings, without the blanks
// around it.
//
// Each line is handed on as written (see LogFile). The first that cannot be written (a full disk) is told on
// standard error, once; the log stops there, and the panel runs on without it.
class TrafficLog
{
public:
    using Clock = std::function<QDateTime()>;

    // `out` is open for writing, unbuffered, and outlives the log.
    TrafficLog(QIODevice &out, DeviceMap devices, Clock clock = &QDateTime::currentDateTime);

    void write(int port, std::string_view event, std::string_view text = {});

    // STATUS and NO REPLY as `panel` shows them, ERROR as it reports them; each on the port
    // that `port` has selected at the time.
    void watch(ControlPanel &panel, const SerialPort &port);

private:
    QIODevice &m_out;
    DeviceMap m_devices;
    Clock m_clock;
    bool m_stopped = false;
};
