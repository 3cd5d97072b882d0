#pragma once

#include "portconnection.h"
#include "rfc2217codec.h"

#include <QElapsedTimer>
#include <QTcpSocket>

#include <optional>

// A serial device server on the network: tcp://HOST:PORT carries the bytes unchanged both
// ways; rfc2217://HOST:PORT speaks telnet with RFC 2217's COM-PORT-OPTION, so that the speed
// chosen here (and 8N1) is set on the far port.
//
// open() waits for the connection for at most kLongestConnect, and on rfc2217:// then for the
// server to agree to the options and confirm the line settings, for at most kLongestSettling
// more; the window stays live but takes no input. An unreachable, refusing or silent host fails
// the open as a device that is missing does. A server that does not settle in time counts as
// one without RFC 2217. Bytes written before the server settles, or while it has suspended the
// flow, wait and follow in order. A connection the server or the network ends is the loss of
// the line; one that the server ends at once after saying something unasked is a refusal, in
// its words ("Port already in use").
//
// Over raw TCP, or when the server refuses RFC 2217, the speed cannot reach the far port: it is
// the server's. A speed set on an open connection is kept for later and the operator is told
// so, as a notice.
//
// Memory stays small whatever the peer does: at most kLongestBacklog bytes are read from the
// socket at a time (the port takes them at once), and more than that waiting to go out (a
// server that reads nothing) is the loss of the line.
class NetworkConnection : public PortConnection
{
public:
    static constexpr std::chrono::seconds kLongestConnect{5};
    static constexpr std::chrono::seconds kLongestSettling{3};
    static constexpr qsizetype kLongestBacklog = 32 * 1024;

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
    qsizetype waiting() const override { return m_held.size() + m_socket.bytesToWrite(); }
    void drain(std::chrono::milliseconds longest) override;
    void close() override;

private:
    std::optional<Fault> connectTo(const QString &host, quint16 port);
    std::optional<Fault> settle(int baudRate);
    bool holding() const;
    void onReadyRead();
    void onSocketError();
    Fault endedByServer() const;
    std::optional<Fault> send(const std::string &wire);
    std::optional<Fault> sendHeld();
    void loseLine(const Fault &fault);

    QTcpSocket m_socket;
    std::optional<Rfc2217Codec> m_telnet; // for rfc2217:// names
    QByteArray m_received;                // data bytes not yet read by the port
    QByteArray m_held;                    // data bytes waiting for the server to settle or resume
    QByteArray m_greeting;                // what the server said unasked in its first second
    QElapsedTimer m_connected;
    std::optional<Fault> m_ended; // how the connection ended while the server was settling
    bool m_open = false;
    bool m_settling = false;
    bool m_asked = false; // data has been written
};
