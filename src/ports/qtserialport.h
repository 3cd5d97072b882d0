#pragma once

#include "devicemap.h"
#include "portconnection.h"
#include "porterror.h"
#include "serialport.h"

#include <QObject>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

// The panel's serial port, used on the UI thread only. What it opens is a PortConnection chosen
// by the name the port number is mapped to: a local device, or a serial server on the network
// (tcp://HOST:PORT, rfc2217://HOST:PORT). The rest of the program cannot tell them apart.
//
// Arriving bytes raise the receive event (code 2) at once. Text is bytes both ways. Every
// failing operation throws PortError with the connection's error number and its text, prefixed
// with the port's name. Any error on an open port closes the port: "Connection lost (...)"
// when the line has gone. A speed set on an open port that then fails stays chosen for the
// next open.
//
// output() hands over what the line takes at once; the rest waits and follows from the event
// loop, in order: a full queue is no error. close() first lets the waiting bytes go out, for as
// long as they need at the line's speed but at most kLongestDrain, with the event loop running
// but holding back user input; it closes the port in any case, then throws WriteError "N bytes
// not sent" if some could not go.
//
// A line lost while open (an adapter unplugged, a pseudo-terminal hung up, a server gone) closes
// the port at the first sign, and the loss is reported once, through the connection-lost
// handler, from the event loop (never from inside another operation).
//
// What the operator should know while the port stays open (another program reads the same
// device; the speed of a raw TCP port is the server's) goes to the connection-lost handler as
// a PortError too, each once for each open: a notice, not a loss.
//
// The receive and connection-lost handlers run inside Qt's event delivery: they must not
// throw.
class QtSerialPort : public SerialPort
{
public:
    static constexpr std::chrono::seconds kLongestDrain{3};

    explicit QtSerialPort(DeviceMap devices);
    ~QtSerialPort() override;

    void setCommPort(int port) override;
    int commPort() const override { return m_port; }
    void setSettings(const std::string &settings) override;
    bool isOpen() const override;
    void open() override;
    void close() override;
    void output(const std::string &bytes) override;
    int commEvent() const override { return m_event; }
    std::string input() override;

    void setOnConnectionLost(std::function<void(const PortError &)> handler);

    const std::string &settings() const { return m_settings; }
    QString devicePath() const { return m_devices.device(m_port); }

private:
    PortConnection::Handlers handlers();
    int baudRate() const;
    void noteLoss(const PortError &error);
    void tellOnce(const PortError &notice);
    void closeNow();
    std::chrono::milliseconds drainTime() const;
    void reportLostConnection();
    void throwIfLost();
    [[noreturn]] void closeAndThrow(const PortError &error);
    PortError portError(const PortConnection::Fault &fault) const;
    PortError ownError(int number, const QString &text) const;

    DeviceMap m_devices;
    QObject m_deliveries; // the context of the reports queued for the event loop
    std::unique_ptr<PortConnection> m_connection;
    int m_port = 1;
    std::string m_settings = "9600,N,8,1";
    int m_event = 0;
    std::optional<PortError> m_lostError; // a loss seen, its report queued
    QStringList m_told;                   // the notices given since the port opened
    std::function<void(const PortError &)> m_onConnectionLost;
};
