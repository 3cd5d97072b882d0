#include "networkconnection.h"

#include "inputhold.h"

#include <QSerialPort>
#include <QUrl>

#include <utility>

namespace {

const QString kRawScheme = QStringLiteral("tcp");
const QString kTelnetScheme = QStringLiteral("rfc2217");
// A server that ends the connection this soon after saying something has refused it.
constexpr qint64 kRefusalMs = 1000;
constexpr qsizetype kGreetingKept = 120;

// The server's words as one line of text.
QString asLine(const QByteArray &bytes)
{
    QString text = QString::fromLatin1(bytes);
    for (QChar &character : text)
        if (!character.isPrint())
            character = QLatin1Char(' ');
    return text.simplified();
}

} // namespace

bool NetworkConnection::isNetworkName(const QString &name)
{
    const QString scheme = QUrl(name).scheme();
    return scheme == kRawScheme || scheme == kTelnetScheme;
}

NetworkConnection::NetworkConnection(Handlers handlers) : PortConnection(std::move(handlers))
{
    // A server sending faster than the panel takes is held back by TCP, not buffered here.
    m_socket.setReadBufferSize(kLongestBacklog);
    QObject::connect(&m_socket, &QTcpSocket::readyRead, &m_socket, [this] { onReadyRead(); });
    QObject::connect(&m_socket, &QTcpSocket::errorOccurred, &m_socket,
                     [this] { onSocketError(); });
}

NetworkConnection::~NetworkConnection()
{
    // The socket aborts itself as it goes; nothing of that may reach this half-destroyed port.
    m_socket.disconnect();
}

bool NetworkConnection::isRawName(const QString &name)
{
    return QUrl(name).scheme() == kRawScheme;
}

PortConnection::Fault NetworkConnection::speedNotice()
{
    return {QSerialPort::UnsupportedOperationError,
            QStringLiteral("The speed is set on the serial server: the speed chosen here does "
                           "not reach the projector")};
}

QString NetworkConnection::addressProblem(const QString &name)
{
    const QUrl url(name);
    if (url.host().isEmpty() || url.port() <= 0 || url.path().size() > 1)
        return QStringLiteral("Not a network port (tcp://HOST:PORT or rfc2217://HOST:PORT)");
    return {};
}

std::optional<PortConnection::Fault> NetworkConnection::open(const QString &name, int baudRate)
{
    if (const QString problem = addressProblem(name); !problem.isEmpty())
        return Fault{QSerialPort::DeviceNotFoundError, problem};
    const QUrl url(name);
    const int port = url.port();
    m_received.clear();
    m_held.clear();
    m_greeting.clear();
    m_asked = false;
    m_ended.reset();
    if (const std::optional<Fault> fault = connectTo(url.host(), quint16(port)))
        return fault;
    m_connected.start();
    m_open = true;
    if (url.scheme() != kTelnetScheme) {
        m_telnet.reset();
        return std::nullopt;
    }
    m_telnet.emplace();
    return settle(baudRate);
}

std::optional<PortConnection::Fault> NetworkConnection::connectTo(const QString &host, quint16 port)
{
    m_socket.abort();
    m_socket.connectToHost(host, port);
    const bool settled = runWithInputHeld(
        [this] {
            return m_socket.state() == QAbstractSocket::ConnectedState ||
                   m_socket.state() == QAbstractSocket::UnconnectedState;
        },
        kLongestConnect);
    if (m_socket.state() == QAbstractSocket::ConnectedState) {
        // A command is a few bytes that should leave at once, not wait to be joined by more.
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        return std::nullopt;
    }
    const QString why = settled ? m_socket.errorString()
                                : QStringLiteral("No answer within %1 seconds")
                                      .arg(kLongestConnect.count());
    m_socket.abort();
    return Fault{QSerialPort::DeviceNotFoundError, why};
}

// Data flows once the server has answered the options and confirmed the line settings, as
// a program on the far port expects the speed it was asked for from the first byte on.
std::optional<PortConnection::Fault> NetworkConnection::settle(int baudRate)
{
    m_settling = true;
    std::optional<Fault> fault = send(m_telnet->start(baudRate));
    if (!fault)
        runWithInputHeld([this] { return m_telnet->settled() || m_ended; }, kLongestSettling);
    m_settling = false;
    fault = fault ? fault : m_ended;
    if (fault) {
        close();
        fault->lost = false; // the port never opened
        return fault;
    }
    if (!m_telnet->settled())
        m_telnet->giveUp();
    return sendHeld();
}

bool NetworkConnection::holding() const
{
    return m_settling || (m_telnet && m_telnet->suspended());
}

std::optional<PortConnection::Fault> NetworkConnection::setBaudRate(int baudRate)
{
    if (m_telnet && !m_telnet->lineRefused())
        return send(m_telnet->setBaudRate(baudRate));
    m_handlers.notice(speedNotice());
    return std::nullopt;
}

std::optional<PortConnection::Fault> NetworkConnection::write(const QByteArray &data)
{
    m_asked = true;
    if (!m_held.isEmpty() || holding()) {
        m_held += data;
        return send({});
    }
    return send(m_telnet ? m_telnet->encode(data.toStdString()) : data.toStdString());
}

std::optional<PortConnection::Fault> NetworkConnection::sendHeld()
{
    if (m_held.isEmpty() || holding())
        return std::nullopt;
    return send(m_telnet->encode(std::exchange(m_held, {}).toStdString()));
}

// Flushed now rather than from the event loop's next turn, as a write to a device is.
std::optional<PortConnection::Fault> NetworkConnection::send(const std::string &wire)
{
    if (m_socket.write(wire.data(), qint64(wire.size())) != qint64(wire.size()))
        return Fault{QSerialPort::ResourceError, m_socket.errorString(), true};
    m_socket.flush();
    if (waiting() <= kLongestBacklog)
        return std::nullopt;
    return Fault{QSerialPort::ResourceError,
                 QStringLiteral("More than %1 KiB waiting to be sent").arg(kLongestBacklog / 1024),
                 true};
}

QByteArray NetworkConnection::readAll() { return std::exchange(m_received, {}); }

void NetworkConnection::drain(std::chrono::milliseconds longest)
{
    runWithInputHeld(
        [this] { return m_socket.state() != QAbstractSocket::ConnectedState || waiting() == 0; },
        longest);
}

void NetworkConnection::close()
{
    m_open = false;
    m_received.clear();
    m_held.clear();
    m_socket.abort();
}

void NetworkConnection::onReadyRead()
{
    const QByteArray wire = m_socket.readAll();
    if (!m_open)
        return;
    Rfc2217Codec::Decoded decoded{wire.toStdString(), {}};
    if (m_telnet)
        decoded = m_telnet->decode(decoded.data);
    const QByteArray data = QByteArray::fromStdString(decoded.data);
    // Taken before anything is answered: a server that has hung up fails the answer at once.
    if (!m_asked && m_connected.elapsed() < kRefusalMs)
        m_greeting += data.left(kGreetingKept - m_greeting.size());
    m_received += data;
    std::optional<Fault> fault = send(decoded.replies);
    if (fault || (fault = sendHeld()))
        loseLine(*fault);
    else if (!data.isEmpty())
        m_handlers.received();
}

void NetworkConnection::onSocketError()
{
    // While connecting, open() takes the error as its own.
    if (m_open)
        loseLine(endedByServer());
}

// A server that refuses a second client (ser2net without kickolduser, a single-session box)
// says why and hangs up at once.
PortConnection::Fault NetworkConnection::endedByServer() const
{
    const QString said = asLine(m_greeting);
    if (m_socket.error() == QAbstractSocket::RemoteHostClosedError &&
        m_connected.elapsed() < kRefusalMs && !said.isEmpty())
        return {QSerialPort::PermissionError,
                QStringLiteral("Refused by the server: \"%1\"").arg(said)};
    return {QSerialPort::ResourceError, m_socket.errorString(), true};
}

// Once for each connection: the socket goes, and with it anything more it would report.
void NetworkConnection::loseLine(const Fault &fault)
{
    m_socket.abort();
    if (m_settling)
        m_ended = m_ended ? m_ended : fault; // open() reports it
    else
        m_handlers.lost(fault);
}
