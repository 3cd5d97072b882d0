#pragma once

#include <functional>
#include <string>

// The one serial port of the panel. Every operation that fails throws PortError.
// Text is bytes: output() sends each char as one byte, input() returns each byte as one char.
class SerialPort
{
public:
    static constexpr int kReceiveEvent = 2; // commEvent(): received characters are pending

    virtual ~SerialPort() = default;

    virtual void setCommPort(int port) = 0; // 1 or 2; only while closed
    virtual int commPort() const = 0;
    virtual void setSettings(const std::string &settings) = 0; // "19200,N,8,1"; applies at once
    virtual bool isOpen() const = 0;
    virtual void open() = 0;
    virtual void close() = 0;
    virtual void output(const std::string &bytes) = 0;
    virtual int commEvent() const = 0;
    virtual std::string input() = 0; // everything pending, removed from the port

    // Raised on the UI thread whenever the port has something to report.
    void setOnComm(std::function<void()> handler) { m_onComm = std::move(handler); }

protected:
    void raiseOnComm();

private:
    std::function<void()> m_onComm;
};
