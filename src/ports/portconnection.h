#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

// What QtSerialPort opens under a port number: a local device or a serial server on the
// network, chosen by the name the port is mapped to. One connection object serves one kind
// of name through any number of opens. Used on the UI thread only.
//
// Operations return the fault that stopped them; a fault with `lost` set means the line has
// gone. The handlers run inside Qt's event delivery: the port's own, not an operation's.
class PortConnection
{
public:
    struct Fault {
        int number; // QSerialPort's error numbering, for devices and servers alike
        QString text;
        bool lost = false;
    };
    struct Handlers {
        std::function<void()> received;
        std::function<void(const Fault &)> lost;   // the open line has gone
        std::function<void(const Fault &)> notice; // something the operator should know
    };

    virtual ~PortConnection() = default;

    virtual bool serves(const QString &name) const = 0;
    [[nodiscard]] virtual std::optional<Fault> open(const QString &name, int baudRate) = 0;
    virtual bool isOpen() const = 0;
    [[nodiscard]] virtual std::optional<Fault> setBaudRate(int baudRate) = 0;
    // Hands over what the line takes now; the rest follows from the event loop, in order.
    [[nodiscard]] virtual std::optional<Fault> write(const QByteArray &bytes) = 0;
    virtual QByteArray readAll() = 0;
    virtual qsizetype waiting() const = 0; // bytes written but not yet handed over
    // Lets the waiting bytes go, for at most `longest`, the event loop running without user
    // input (see runWithInputHeld).
    virtual void drain(std::chrono::milliseconds longest) = 0;
    virtual void close() = 0; // at once; what still waits is dropped

protected:
    explicit PortConnection(Handlers handlers) : m_handlers(std::move(handlers)) {}

    Handlers m_handlers;
};
