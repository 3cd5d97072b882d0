#pragma once

#include "serialport.h"

#include <optional>
#include <string>

// A serial port for headless tests: records what is written, delivers what the test says
// arrived, and fails the operations a test arms to fail.
class FakeSerialPort : public SerialPort
{
public:
    void setCommPort(int port) override;
    int commPort() const override { return m_port; }
    void setSettings(const std::string &settings) override;
    const std::string &settings() const { return m_settings; }
    bool isOpen() const override { return m_open; }
    void open() override;
    void close() override;
    void output(const std::string &bytes) override;
    int commEvent() const override { return m_event; }
    std::string input() override;

    std::string takeWritten(); // what went out since the last call
    void receive(const std::string &bytes); // arrives: the receive event, code 2
    void raiseEvent(int code);              // another event, nothing pending

    bool failWrites = false;
    bool failSettings = false;
    bool failClose = false;
    std::optional<int> failOpenOfPort;
    int openCount = 0;

private:
    int m_port = 1;
    std::string m_settings = "9600,N,8,1";
    bool m_open = false;
    int m_event = 0;
    std::string m_written;
    std::string m_pending;
};
