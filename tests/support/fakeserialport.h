#pragma once

#include "porterror.h"
#include "serialport.h"

#include <optional>
#include <string>
#include <utility>

// A serial port for headless tests: records what is written, delivers what the test says
// arrived, and fails the operations a test arms to fail.
class FakeSerialPort : public SerialPort
{
public:
    void setCommPort(int port) override
    {
        m_port = m_open ? throw PortError(8005, "Port already open") : port;
    }
    int commPort() const override { return m_port; }
    void setSettings(const std::string &settings) override
    {
        m_settings = failSettings ? throw PortError(380, "Invalid property value") : settings;
    }
    const std::string &settings() const { return m_settings; }
    bool isOpen() const override { return m_open; }
    void open() override
    {
        if (m_open || failOpenOfPort == m_port)
            throw PortError(8002, "Device unavailable: COM" + std::to_string(m_port));
        m_open = true;
    }
    void close() override { m_open = failClose ? throw PortError(8012, kNotOpen) : false; }
    void output(const std::string &bytes) override
    {
        if (!m_open || failWrites)
            throw PortError(8012, kNotOpen);
        m_written += bytes;
    }
    int commEvent() const override { return m_event; }
    std::string input() override { return std::exchange(m_pending, {}); }

    std::string takeWritten() { return std::exchange(m_written, {}); } // what went out since
    void receive(const std::string &bytes) // arrives: the receive event, code 2
    {
        m_pending += bytes;
        raiseEvent(kReceiveEvent);
    }
    void raiseEvent(int code)
    {
        m_event = code;
        raiseOnComm();
    }

    bool failWrites = false;
    bool failSettings = false;
    bool failClose = false;
    std::optional<int> failOpenOfPort;

private:
    static constexpr const char *kNotOpen = "Operation valid only when the port is open";
    int m_port = 1;
    std::string m_settings = "9600,N,8,1";
    bool m_open = false;
    int m_event = 0;
    std::string m_written;
    std::string m_pending;
};
