#include "panelsocketserver.h"

#include "commandnames.h"
#include "controlpanel.h"
#include "outcomejson.h"
#include "requestqueue.h"
#include "serialport.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <algorithm>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// A directory nobody but this user can list or enter: owned by the user, mode 0700.
bool isPrivate(const QString &directory)
{
    struct stat status {
    };
    return ::lstat(QFile::encodeName(directory).constData(), &status) == 0 &&
           S_ISDIR(status.st_mode) && status.st_uid == ::getuid() &&
           (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

// The session's runtime directory; a cron job has no XDG_RUNTIME_DIR, but the directory the
// login session made for the user is still there.
QString runtimeDirectory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.isEmpty() ? QStringLiteral("/run/user/%1").arg(::getuid()) : runtime;
}

QString privateDirectory()
{
    const QString runtime = runtimeDirectory();
    if (!isPrivate(runtime))
        return {};
    const QString directory = runtime + QStringLiteral("/orva-control");
    ::mkdir(QFile::encodeName(directory).constData(), S_IRWXU);
    return isPrivate(directory) ? directory : QString();
}

bool fromThisUser(const QLocalSocket *socket)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) ==
               0 &&
           peer.uid == ::getuid();
}

bool someoneListens(const QString &path)
{
    QLocalSocket probe;
    probe.connectToServer(path);
    return probe.waitForConnected(100);
}

QJsonObject badRequest(const QString &error)
{
    return {{QStringLiteral("outcome"), QStringLiteral("bad-request")},
            {QStringLiteral("error"), error}};
}

} // namespace

QString PanelSocketServer::socketPath(const QString &device)
{
    const QString directory = privateDirectory();
    if (directory.isEmpty() || device.isEmpty())
        return {};
    const QByteArray name = QUrl::toPercentEncoding(systemDeviceName(device));
    return directory + QLatin1Char('/') + QString::fromLatin1(name);
}

PanelSocketServer::PanelSocketServer(ControlPanel &panel, const SerialPort &port,
                                     const DeviceMap &devices, QObject *parent)
    : QObject(parent), m_panel(panel), m_port(port), m_devices(devices)
{
}

void PanelSocketServer::listen()
{
    for (int port = 1; port <= DeviceMap::kPortCount; ++port)
        listenFor(port);
}

void PanelSocketServer::listenFor(int port)
{
    const QString path = socketPath(m_devices.device(port));
    if (path.isEmpty())
        return;
    if (someoneListens(path))
        return; // another panel serves this device, and holds it if anyone does
    QLocalServer::removeServer(path); // left by a panel that ended without removing it
    auto *server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    server->listen(path);
    connect(server, &QLocalServer::newConnection, this,
            [this, server, port] { accept(server, port); });
}

void PanelSocketServer::accept(QLocalServer *server, int port)
{
    while (QLocalSocket *socket = server->nextPendingConnection()) {
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
                [this, socket, port] { readRequest(socket, port); });
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
    if (!m_port.isOpen() || m_port.commPort() != port) {
        answer(socket, {{QStringLiteral("outcome"), QStringLiteral("not-held")}});
        return;
    }
    QPointer<QLocalSocket> client(socket);
    // A command line that gave up waiting must not have its command sent after all.
    request->stillWanted = [client] {
        return client && client->state() == QLocalSocket::ConnectedState;
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
