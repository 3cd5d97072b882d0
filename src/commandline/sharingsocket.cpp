#include "sharingsocket.h"

#include "devicemap.h"
#include "networkconnection.h"

#include <QCryptographicHash>
#include <QFile>
#include <QHostInfo>
#include <QStandardPaths>
#include <QTextStream>
#include <QUrl>

#include <algorithm>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

// Owned by this user and closed to everyone else. A link is followed only where `follow`.
bool isPrivate(const QString &directory, bool follow)
{
    struct stat status {
    };
    const QByteArray name = QFile::encodeName(directory);
    const int found =
        follow ? ::stat(name.constData(), &status) : ::lstat(name.constData(), &status);
    return found == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::getuid() &&
           (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

// Qt's runtime location, without the line Qt writes on standard error when it falls back to
// a folder of its own: that fallback is what we want, and every script's --send would print it.
QString qtRuntimeLocation()
{
    static QtMessageHandler qtHandler = nullptr;
    qtHandler = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            if (qtHandler && !text.startsWith(QLatin1String("QStandardPaths:")))
                qtHandler(type, context, text);
        });
    const QString location = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    qInstallMessageHandler(qtHandler);
    return location;
}

// The runtime directory as Qt finds it, which has a private folder of its own to offer when
// XDG_RUNTIME_DIR is unset. A cron job has no XDG_RUNTIME_DIR while the panel of the user's
// session serves from the folder the login made; that one comes first when it is there.
QString runtimeDirectory()
{
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString session = QStringLiteral("/run/user/%1").arg(::getuid());
        if (isPrivate(session, true))
            return session;
    }
    return qtRuntimeLocation();
}

void tellOnce(const QString &why)
{
    static bool told = false;
    if (!std::exchange(told, true))
        QTextStream(stderr) << "orva-control: the port is not shared between the panel and "
                               "--send: "
                            << why << '\n';
}

QString privateFolder()
{
    const QString runtime = runtimeDirectory();
    if (runtime.isEmpty()) {
        tellOnce(QStringLiteral("there is no runtime directory of this user"));
        return {};
    }
    const QString folder = runtime + QStringLiteral("/orva-control");
    ::mkdir(QFile::encodeName(folder).constData(), S_IRWXU);
    if (isPrivate(folder, false))
        return folder;
    tellOnce(QStringLiteral("%1 is not a folder of this user's alone").arg(folder));
    return {};
}

} // namespace

QString SharingSocket::reachedName(const QString &device)
{
    if (!NetworkConnection::isNetworkName(device))
        return systemDeviceName(device);
    const QUrl url(device);
    const QList<QHostAddress> addresses = QHostInfo::fromName(url.host()).addresses();
    const auto ipv4 =
        std::ranges::find(addresses, QAbstractSocket::IPv4Protocol, &QHostAddress::protocol);
    const QString host = ipv4 != addresses.end() ? ipv4->toString()
                         : addresses.isEmpty()   ? url.host()
                                                 : addresses.front().toString();
    return QStringLiteral("%1://%2:%3").arg(url.scheme(), host).arg(url.port());
}

QString SharingSocket::path(const QString &device)
{
    if (device.isEmpty())
        return {};
    const QString folder = privateFolder();
    if (folder.isEmpty())
        return {};
    const QString name = reachedName(device);
    const QString plain =
        folder + QLatin1Char('/') + QString::fromLatin1(QUrl::toPercentEncoding(name));
    if (QFile::encodeName(plain).size() <= kLongestPath)
        return plain;
    const QByteArray hash = QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha256);
    return folder + QLatin1Char('/') +
           QString::fromLatin1(
               hash.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}
