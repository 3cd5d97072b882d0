#pragma once

#include "serialport.h"

class TrafficLog;

// The panel's port, telling the traffic log what it did: TX and RX with the bytes as the
// monitor renders them, OPEN, CLOSE, and SPEED with the line settings. An operation that fails
// is not told here: it throws on to the panel, which reports it, and the log has it as ERROR.
class LoggedPort : public SerialPort
{
public:
    LoggedPort(SerialPort &port, TrafficLog &log);
    ~LoggedPort() override;

    void setCommPort(int port) override { m_port.setCommPort(port); }
    int commPort() const override { return m_port.commPort(); }
    void setSettings(const std::string &settings) override;
    bool isOpen() const override { return m_port.isOpen(); }
    void open() override;
    void close() override;
    void output(const std::string &bytes) override;
    int commEvent() const override { return m_port.commEvent(); }
    std::string input() override;

private:
    SerialPort &m_port;
    TrafficLog &m_log;
};
