#include "devicemap.h"

#include <QFileInfo>

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

QString systemDeviceName(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}
