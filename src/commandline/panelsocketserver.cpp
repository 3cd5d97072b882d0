#include "panelsocketserver.h"

#include "commandnames.h"
#include "controlpanel.h"
#include "outcomejson.h"
#include "requestqueue.h"
#include "sharingsocket.h"

#include <QFile>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{

bool fromThisUser(const QLocalSocket *socket)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) ==
               0 &&
           peer.uid == ::getuid();
}

// Whether a panel listens at `path`: a listening socket takes a connection into its queue at
// once, and a full queue (EAGAIN) is a live panel too. A bare socket rather than a
// QLocalSocket, which at every start of the panel brought half a megabyte of the network
// library's code into memory for this one question.
bool someoneListens(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (name.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, name.constData(), std::size_t(name.size()));
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (probe < 0)
        return false;
    const bool answered =
        ::connect(probe, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0 ||
        errno == EAGAIN;
    ::close(probe);
    return answered;
}

QJsonObject badRequest(const QString &error)
{
    return {{QStringLiteral("outcome"), QStringLiteral("bad-request")},
            {QStringLiteral("error"), error}};
}

} // namespace

PanelSocketServer::PanelSocketServer(ControlPanel &panel, const DeviceMap &devices, QObject *parent)
    : QObject(parent), m_panel(panel), m_devices(devices)
{
    panel.heldPort.observe([server = QPointer(this)](int port) {
        if (server)
            server->follow(port);
    });
    follow(panel.heldPort.get());
}

void PanelSocketServer::follow(int heldPort)
{
    if (heldPort == m_servedPort)
        return;
    delete std::exchange(m_server, nullptr); // removes its socket
    m_servedPort = heldPort;
    if (heldPort != 0)
        listenFor(heldPort);
}

void PanelSocketServer::listenFor(int port)
{
    const QString path = SharingSocket::path(m_devices.device(port));
    // Nothing is shared here, or another panel serves this device (and holds it, if anyone).
    if (path.isEmpty() || someoneListens(path))
        return;
    QLocalServer::removeServer(path); // left by a panel that ended without removing it
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &PanelSocketServer::accept);
    if (m_server->listen(path))
        return;
    if (!std::exchange(m_failureTold, true))
        QTextStream(stderr) << "orva-control: the port is not shared with --send: " << path << ": "
                            << m_server->errorString() << '\n';
    delete std::exchange(m_server, nullptr);
}

void PanelSocketServer::accept()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        socket->setParent(this); // answered even when the panel lets go of the device first
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!fromThisUser(socket)) {
            socket->abort();
            continue;
        }
        QTimer::singleShot(kRequestTimeout, socket, [socket] {
            if (!socket->property("answering").toBool())
                socket->abort();
        });
        connect(socket, &QLocalSocket::readyRead, this,
                [this, socket, port = m_servedPort] { readRequest(socket, port); });
    }
}

void PanelSocketServer::readRequest(QLocalSocket *socket, int port)
{
    if (socket->property("answering").toBool())
        return; // one request a connection; anything after it is not read
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kLongestRequest) {
            socket->setProperty("answering", true);
            answer(socket, badRequest(QStringLiteral("request too long")));
        }
        return;
    }
    socket->setProperty("answering", true);
    QString error;
    std::optional<CommandRequest> request =
        parseRequest(socket->readLine(kLongestRequest + 1), error);
    if (!request) {
        answer(socket, badRequest(error));
        return;
    }
    QPointer<QLocalSocket> client(socket);
    // Asked when its turn comes. A command line that gave up waiting must not have its
    // command sent after all; one whose device the panel let go of meanwhile (closed, or
    // another port chosen) is told so, and opens the device itself.
    request->stillWanted = [&panel = m_panel, client, port] {
        if (!client || client->state() != QLocalSocket::ConnectedState)
            return false;
        if (panel.heldPort.get() == port)
            return true;
        answer(client, {{QStringLiteral("outcome"), QStringLiteral("not-held")}});
        return false;
    };
    m_panel.request(*request, [client](const ExchangeOutcome &outcome) {
        if (client)
            answer(client, OutcomeJson::toJson(outcome));
    });
}

std::optional<CommandRequest> PanelSocketServer::parseRequest(const QByteArray &line,
                                                              QString &error) const
{
    const QJsonObject object = QJsonDocument::fromJson(line).object();
    const QJsonValue name = object.value(QStringLiteral("name"));
    const QJsonValue text = object.value(QStringLiteral("text"));
    if (line.size() > kLongestRequest || object.size() != 1 ||
        (!name.isString() && !text.isString())) {
        error = QStringLiteral("not a request");
        return std::nullopt;
    }
    if (name.isString()) {
        const CommandName *command = findCommandName(name.toString().toStdString());
        if (!command) {
            error = QStringLiteral("no command named '%1'").arg(name.toString());
            return std::nullopt;
        }
        return CommandRequest{command->name, std::string(command->controlName)};
    }
    const QString typed = text.toString();
    const bool latin1 = std::ranges::all_of(typed, [](QChar c) { return c.unicode() < 256; });
    if (typed.size() > kLongestText || !latin1) {
        error = QStringLiteral("text too long or not Latin-1");
        return std::nullopt;
    }
    return CommandRequest{typed.toLatin1().toStdString(), {}};
}

void PanelSocketServer::answer(QLocalSocket *socket, const QJsonObject &answer)
{
    socket->write(QJsonDocument(answer).toJson(QJsonDocument::Compact) + '\n');
    socket->disconnectFromServer();
}
