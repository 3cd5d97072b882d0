#include "networkconnection.h"

#include "inputhold.h"

#include <QSerialPort>
#include <QUrl>

#include <utility>

namespace {

const QString kRawScheme = QStringLiteral("tcp");
const QString kTelnetScheme = QStringLiteral("rfc2217");

} // namespace

bool NetworkConnection::isNetworkName(const QString &name)
{
    const QString scheme = QUrl(name).scheme();
    return scheme == kRawScheme || scheme == kTelnetScheme;
}

NetworkConnection::NetworkConnection(Handlers handlers) : PortConnection(std::move(handlers))
{
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
    if (const std::optional<Fault> fault = connectTo(url.host(), quint16(port)))
        return fault;
    m_open = true;
    if (url.scheme() != kTelnetScheme) {
        m_telnet.reset();
        return std::nullopt;
    }
    m_telnet.emplace();
    return send(m_telnet->start(baudRate));
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

std::optional<PortConnection::Fault> NetworkConnection::setBaudRate(int baudRate)
{
    if (m_telnet && !m_telnet->lineRefused())
        return send(m_telnet->setBaudRate(baudRate));
    m_handlers.notice(speedNotice());
    return std::nullopt;
}

std::optional<PortConnection::Fault> NetworkConnection::write(const QByteArray &data)
{
    return send(m_telnet ? Rfc2217Codec::encode(data.toStdString()) : data.toStdString());
}

std::optional<PortConnection::Fault> NetworkConnection::send(const std::string &wire)
{
    // Flushed now rather than from the event loop's next turn, as a write to a device is.
    if (m_socket.write(wire.data(), qint64(wire.size())) == qint64(wire.size())) {
        m_socket.flush();
        return std::nullopt;
    }
    return Fault{QSerialPort::ResourceError, m_socket.errorString(), true};
}

QByteArray NetworkConnection::readAll() { return std::exchange(m_received, {}); }

void NetworkConnection::drain(std::chrono::milliseconds longest)
{
    runWithInputHeld(
        [this] {
            return m_socket.state() != QAbstractSocket::ConnectedState ||
                   m_socket.bytesToWrite() == 0;
        },
        longest);
}

void NetworkConnection::close()
{
    m_open = false;
    m_received.clear();
    m_socket.abort();
}

void NetworkConnection::onReadyRead()
{
    const QByteArray wire = m_socket.readAll();
    if (!m_open)
        return;
    QByteArray data = wire;
    if (m_telnet) {
        const Rfc2217Codec::Decoded decoded = m_telnet->decode(wire.toStdString());
        data = QByteArray::fromStdString(decoded.data);
        if (!decoded.replies.empty() && send(decoded.replies))
            return; // the socket's own error reports the loss
    }
    m_received += data;
    if (!data.isEmpty())
        m_handlers.received();
}

void NetworkConnection::onSocketError()
{
    // While connecting, open() takes the error as its own.
    if (m_open)
        m_handlers.lost({QSerialPort::ResourceError, m_socket.errorString(), true});
}
