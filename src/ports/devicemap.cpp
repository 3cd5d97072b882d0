#include "devicemap.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

QString settingsKey(int port)
{
    return QStringLiteral("ports/com%1").arg(port);
}

} // namespace

DeviceMap::DeviceMap()
#ifdef Q_OS_WIN
    : m_devices{QStringLiteral("COM1"), QStringLiteral("COM2")}
#else
    : m_devices{QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyS1")}
#endif
{
}

QString DeviceMap::device(int port) const
{
    if (port < 1 || port > kPortCount)
        return {};
    return m_devices[static_cast<std::size_t>(port - 1)];
}

void DeviceMap::setDevice(int port, const QString &path)
{
    if (port >= 1 && port <= kPortCount)
        m_devices[static_cast<std::size_t>(port - 1)] = path;
}

QString DeviceMap::settingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/orva-control/orva-control.conf");
}

QString DeviceMap::readSettings()
{
    const QSettings settings(settingsPath(), QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return QStringLiteral("the settings file %1 could not be %2; it is ignored")
            .arg(settingsPath(), settings.status() == QSettings::AccessError
                                     ? QStringLiteral("read")
                                     : QStringLiteral("parsed"));
    for (int port = 1; port <= kPortCount; ++port) {
        // An unquoted comma makes the value a list in the file's syntax; a path may have one.
        const QString device = settings.value(settingsKey(port)).toStringList().join(u',');
        if (!device.isEmpty())
            setDevice(port, device);
    }
    return {};
}

QString DeviceMap::writeSettings(const QList<int> &ports) const
{
    QSettings settings(settingsPath(), QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) // rewriting it would lose what it holds
        return QStringLiteral("the settings file %1 could not be read; nothing was saved")
            .arg(settingsPath());
    for (const int port : ports)
        settings.setValue(settingsKey(port), device(port));
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return {};
    return QStringLiteral("the settings file %1 could not be written").arg(settingsPath());
}

QString systemDeviceName(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}
