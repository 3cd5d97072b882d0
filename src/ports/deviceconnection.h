#pragma once

#include "outputqueue.h"
#include "portconnection.h"

#include <memory>

class QSerialPort;

// A local serial device (an adapter, a built-in port, a pseudo-terminal) over QSerialPort.
//
// Faults carry QSerialPort's error number and its text. Where that text would mislead the
// operator, the fault says what happened: "In use by another program" and "Not a serial device"
// for a device that does not open; a resource error is the device gone.
//
// An open device is locked both ways Linux programs lock one: QSerialPort's lock file in
// /var/lock, and flock(2) on the device, which picocom and other Debian tools take.
//
// output goes through an OutputQueue, not through QSerialPort, which takes a full driver queue
// for a lost device.
//
// A device that goes away while open (an adapter unplugged, a pseudo-terminal hung up) makes
// QSerialPort report errors in a tight loop for as long as it stays open: the first is reported
// as the loss, and QtSerialPort closes the connection from the event loop.
//
// A read that finds nothing (EAGAIN, or no bytes) on a device that is still there is no loss:
// another program reads the same device and took the bytes. That is a notice, and the port
// reads on. Only a hang-up is a loss.
class DeviceConnection : public PortConnection
{
public:
    explicit DeviceConnection(Handlers handlers);
    ~DeviceConnection() override;

    bool serves(const QString &name) const override;
    std::optional<Fault> open(const QString &name, int baudRate) override;
    bool isOpen() const override;
    std::optional<Fault> setBaudRate(int baudRate) override;
    std::optional<Fault> write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    qsizetype waiting() const override { return m_output.waiting(); }
    void drain(std::chrono::milliseconds longest) override { m_output.drain(longest); }
    void close() override;

private:
    class SynchronousCall;

    bool lock(const QString &device);
    void unlock();
    void onFacilityError(int error);
    bool deviceAnswers() const;
    Fault facilityFault() const;

    std::unique_ptr<QSerialPort> m_serial;
    OutputQueue m_output;
    int m_lock = -1;       // the descriptor that holds the flock(2) lock while open
    bool m_inCall = false; // a failure now is the operation's, not a loss
};
