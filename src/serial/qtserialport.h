#pragma once

#include "devicemap.h"
#include "outputqueue.h"
#include "porterror.h"
#include "serialport.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QSerialPort;

// The panel's serial port over QSerialPort, used on the UI thread only.
//
// Arriving bytes raise the receive event (code 2) at once. Text is bytes both ways. Every
// failing operation throws PortError with QSerialPort's error number and its text, prefixed
// with the device path. Any error on an open port closes the port. Where QSerialPort's text
// would mislead the operator, the text says what happened: "Connection lost (...)" for a
// device gone, "In use by another program" and "Not a serial device" for a device that does
// not open. A speed set on an open port that then fails stays chosen for the next open.
//
// output() hands the driver what it takes at once. When the driver's queue is full (a slow
// line, a far end that reads slowly) the rest waits and follows from the event loop, in
// order: a full queue is no error. close() first lets the waiting bytes go out, for as long as
// they need at the line's speed but at most kLongestDrain, with the event loop running but
// holding back user input; it closes the port in any case, then throws WriteError "N bytes
// not sent" if some could not go.
//
// A device that goes away while open (an adapter unplugged, a pseudo-terminal hung up) makes
// QSerialPort report errors in a tight loop for as long as the port stays open. The port
// closes at the first of them and reports the loss once, through the connection-lost handler,
// from the event loop (never from inside another operation).
//
// A read that finds nothing on a device that is still there is no loss: another program reads
// the same device and took the bytes. The port stays open, and the connection-lost handler
// gets a PortError (ReadError) that says so, once for each open: a notice, not a loss.
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
    class SynchronousCall;

    void onFacilityError(int error);
    void noteLoss(const PortError &error);
    bool deviceAnswers() const;
    void tellOtherReader();
    void closeNow();
    std::chrono::milliseconds drainTime() const;
    void reportLostConnection();
    [[noreturn]] void failOperation();
    void throwIfLost();
    [[noreturn]] void closeAndThrow(const PortError &error);
    PortError lostConnection(int number, const QString &why) const;
    PortError ownError(int number, const QString &text) const;

    DeviceMap m_devices;
    std::unique_ptr<QSerialPort> m_serial;
    OutputQueue m_output;
    int m_port = 1;
    std::string m_settings = "9600,N,8,1";
    int m_event = 0;
    bool m_inCall = false;                // a failure now is thrown, not reported as a loss
    std::optional<PortError> m_lostError; // a loss seen, its report queued
    bool m_toldOtherReader = false;       // since the port opened
    std::function<void(const PortError &)> m_onConnectionLost;
};
