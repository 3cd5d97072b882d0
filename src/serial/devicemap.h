#pragma once

#include <QString>

#include <array>

// Which device each of the panel's two port numbers opens. Port 1 and port 2 are the first
// two serial ports of the system unless the command line maps them elsewhere (a USB adapter,
// a udev symlink, a pseudo-terminal, a serial server at tcp://HOST:PORT or rfc2217://HOST:PORT).
class DeviceMap
{
public:
    static constexpr int kPortCount = 2;

    DeviceMap();

    // The device path of `port` (1 or 2); empty for any other number.
    QString device(int port) const;
    void setDevice(int port, const QString &path);

private:
    std::array<QString, kPortCount> m_devices;
};
