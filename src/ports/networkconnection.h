#pragma once

#include "portconnection.h"
#include "rfc2217codec.h"

#include <QTcpSocket>

#include <optional>

// A serial device server on the network: tcp://HOST:PORT carries the bytes unchanged both
// ways; rfc2217://HOST:PORT speaks telnet with RFC 2217's COM-PORT-OPTION, so that the speed
// chosen here (and 8N1) is set on the far port.
//
// open() waits for the connection for at most kLongestConnect, the window live but taking no
// input; an unreachable, refusing or silent host fails the open as a device that is missing
// does. A connection the server or the network ends is the loss of the line.
//
// Over raw TCP, or when the server refuses RFC 2217, the speed cannot reach the far port: it is
// the server's. A speed set on an open connection is kept for later and the operator is told
// so, as a notice.
class NetworkConnection : public PortConnection
{
public:
    static constexpr std::chrono::seconds kLongestConnect{5};

    static bool isNetworkName(const QString &name);
    // Why the network name `name` reaches no server (no host, no port or one out of range);
    // empty when it is well formed.
    static QString addressProblem(const QString &name);
    // A raw TCP port (tcp://) carries bytes only, no line settings.
    static bool isRawName(const QString &name);
    // What the operator is told of a speed chosen for a port that cannot set it on the far end.
    static Fault speedNotice();

    explicit NetworkConnection(Handlers handlers);
    ~NetworkConnection() override;

    bool serves(const QString &name) const override { return isNetworkName(name); }
    std::optional<Fault> open(const QString &name, int baudRate) override;
    bool isOpen() const override { return m_open; }
    std::optional<Fault> setBaudRate(int baudRate) override;
    std::optional<Fault> write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    qsizetype waiting() const override { return m_socket.bytesToWrite(); }
    void drain(std::chrono::milliseconds longest) override;
    void close() override;

private:
    std::optional<Fault> connectTo(const QString &host, quint16 port);
    void onReadyRead();
    void onSocketError();
    std::optional<Fault> send(const std::string &wire);

    QTcpSocket m_socket;
    std::optional<Rfc2217Codec> m_telnet; // for rfc2217:// names
    QByteArray m_received;                // data bytes not yet read by the port
    bool m_open = false;
};
