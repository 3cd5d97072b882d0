#pragma once

#include <QList>
#include <QString>

#include <array>

class SettingsFile;

// Which device each of the panel's two port numbers opens. Port 1 and port 2 are the first
// two serial ports of the system unless the settings file or the command line maps them
// elsewhere (a USB adapter, a udev symlink, a pseudo-terminal, a serial server at
// tcp://HOST:PORT or rfc2217://HOST:PORT).
class DeviceMap
{
public:
    static constexpr int kPortCount = 2;

    DeviceMap();

    // The device path of `port` (1 or 2); empty for any other number.
    QString device(int port) const;
    void setDevice(int port, const QString &path);

    // The settings file, the one place the mapping lasts between runs:
    // $XDG_CONFIG_HOME/orva-control/orva-control.conf, ~/.config/ when that is not set.
    static QString settingsPath();

    // Takes the devices the settings file names; a port it does not name keeps its device.
    // A file that cannot be read or parsed is used not at all: the text returned says so, for
    // the operator (empty when the file was read or is not there).
    QString readSettings();
    void readSettings(const SettingsFile &file);

    // Sets the devices of `ports` in `file`, which keeps every other line.
    void writeSettings(SettingsFile &file, const QList<int> &ports) const;

private:
    std::array<QString, kPortCount> m_devices;
};

// The name the system gives the device at `path`, links resolved: one device has one lock and
// one sharing socket however it is reached, and a lock file's name stays short. `path` itself
// when it names nothing.
QString systemDeviceName(const QString &path);

// Why `device` cannot be saved for later runs (empty, a malformed network address, a path that
// depends on the folder it was given in); empty when it can.
QString savedDeviceProblem(const QString &device);
