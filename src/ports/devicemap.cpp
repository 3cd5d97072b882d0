#include "devicemap.h"

#include "networkconnection.h"
#include "settingsfile.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString kSection = QStringLiteral("ports");

QString settingsKey(int port)
{
    return QStringLiteral("com%1").arg(port);
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
    SettingsFile file(settingsPath());
    if (const QString problem = file.read(); !problem.isEmpty())
        return QStringLiteral("the settings file %1 %2; it is ignored").arg(file.path(), problem);
    readSettings(file);
    return {};
}

void DeviceMap::readSettings(const SettingsFile &file)
{
    for (int port = 1; port <= kPortCount; ++port)
        if (const auto device = file.value(kSection, settingsKey(port)); device && !device->isEmpty())
            setDevice(port, *device);
}

void DeviceMap::writeSettings(SettingsFile &file, const QList<int> &ports) const
{
    for (const int port : ports)
        file.setValue(kSection, settingsKey(port), device(port));
}

QString systemDeviceName(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

QString savedDeviceProblem(const QString &device)
{
    if (device.isEmpty())
        return QStringLiteral("an empty device cannot be saved");
    if (NetworkConnection::isNetworkName(device))
        return NetworkConnection::addressProblem(device);
    if (QFileInfo(device).isRelative())
        return QStringLiteral("%1 depends on the folder it is given in: save a full path")
            .arg(device);
    return {};
}
