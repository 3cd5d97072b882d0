#include "qtserialport.h"

#include "deviceconnection.h"
#include "networkconnection.h"

#include <QSerialPort>

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

namespace {

// A serial server on the network for tcp:// and rfc2217:// names, a local device otherwise.
std::unique_ptr<PortConnection> connectionFor(const QString &name,
                                              PortConnection::Handlers handlers)
{
    if (NetworkConnection::isNetworkName(name))
        return std::make_unique<NetworkConnection>(std::move(handlers));
    return std::make_unique<DeviceConnection>(std::move(handlers));
}

struct LineSettings {
    std::string_view text;
    int baudRate;
};

// The settings texts the panel uses; the line is always no parity, 8 data bits, 1 stop bit.
constexpr std::array kLineSettings = std::to_array<LineSettings>({
    {"19200,N,8,1", 19200},
    {"9600,N,8,1", 9600},
});

const LineSettings *findLineSettings(std::string_view text)
{
    const auto line = std::ranges::find(kLineSettings, text, &LineSettings::text);
    return line == kLineSettings.end() ? nullptr : &*line;
}

} // namespace

QtSerialPort::QtSerialPort(DeviceMap devices) : m_devices(std::move(devices)) {}

QtSerialPort::~QtSerialPort() = default;

PortConnection::Handlers QtSerialPort::handlers()
{
    return {.received =
                [this] {
                    m_event = kReceiveEvent;
                    raiseOnComm();
                },
            .lost = [this](const PortConnection::Fault &fault) { noteLoss(portError(fault)); },
            .notice = [this](const PortConnection::Fault &fault) { tellOnce(portError(fault)); }};
}

void QtSerialPort::setCommPort(int port)
{
    if (isOpen())
        throw ownError(QSerialPort::OpenError, QStringLiteral("Device is already open"));
    if (m_devices.device(port).isEmpty())
        throw PortError(QSerialPort::DeviceNotFoundError,
                        "No device for port " + std::to_string(port));
    m_port = port;
}

void QtSerialPort::setSettings(const std::string &settings)
{
    if (!findLineSettings(settings))
        throw PortError(QSerialPort::UnsupportedOperationError,
                        "Unsupported settings \"" + settings + "\"");
    // Taken before the open port changes: when it fails to, the failure closes the port,
    // and the next open (a device that came back) runs at the operator's choice. The speed in
    // force is not asked for again: a raw TCP port would tell its notice for nothing.
    const bool changed = std::exchange(m_settings, settings) != settings;
    if (!isOpen())
        return;
    throwIfLost();
    if (!changed)
        return;
    if (const std::optional<PortConnection::Fault> fault = m_connection->setBaudRate(baudRate()))
        closeAndThrow(portError(*fault));
}

int QtSerialPort::baudRate() const { return findLineSettings(m_settings)->baudRate; }

bool QtSerialPort::isOpen() const { return m_connection && m_connection->isOpen(); }

void QtSerialPort::open()
{
    if (isOpen())
        throw ownError(QSerialPort::OpenError, QStringLiteral("Device is already open"));
    m_lostError.reset();
    m_told.clear();
    const QString name = devicePath();
    if (!m_connection || !m_connection->serves(name))
        m_connection = connectionFor(name, handlers());
    if (const std::optional<PortConnection::Fault> fault = m_connection->open(name, baudRate()))
        closeAndThrow(portError(*fault));
}

void QtSerialPort::close()
{
    if (isOpen() && !m_lostError)
        m_connection->drain(drainTime());
    const qsizetype unsent = m_connection ? m_connection->waiting() : 0;
    closeNow();
    if (unsent > 0)
        throw ownError(QSerialPort::WriteError, QStringLiteral("%1 bytes not sent").arg(unsent));
}

// Without waiting for the bytes still queued: the port is closing on an error.
void QtSerialPort::closeNow()
{
    m_lostError.reset(); // a loss not yet reported needs no report once the port is closed
    if (m_connection)
        m_connection->close();
}

// Ten bits a byte on the line, and half a second for a far end that takes its time. The
// window takes no input meanwhile, so never more than a few seconds.
std::chrono::milliseconds QtSerialPort::drainTime() const
{
    const std::chrono::milliseconds needed(m_connection->waiting() * 10 * 1000 / baudRate() + 500);
    return std::min<std::chrono::milliseconds>(needed, kLongestDrain);
}

void QtSerialPort::output(const std::string &bytes)
{
    if (!isOpen())
        throw ownError(QSerialPort::NotOpenError, QStringLiteral("Device is not open"));
    throwIfLost();
    if (const std::optional<PortConnection::Fault> fault =
            m_connection->write(QByteArray::fromStdString(bytes)))
        closeAndThrow(portError(*fault));
}

std::string QtSerialPort::input()
{
    if (!isOpen())
        throw ownError(QSerialPort::NotOpenError, QStringLiteral("Device is not open"));
    const QByteArray pending = m_connection->readAll();
    return {pending.constData(), static_cast<std::size_t>(pending.size())};
}

void QtSerialPort::setOnConnectionLost(std::function<void(const PortError &)> handler)
{
    m_onConnectionLost = std::move(handler);
}

void QtSerialPort::noteLoss(const PortError &error)
{
    if (!isOpen() || m_lostError)
        return;
    m_lostError = error;
    // Closed from the event loop, not from inside the connection's own notification.
    QMetaObject::invokeMethod(
        &m_deliveries, [this] { reportLostConnection(); }, Qt::QueuedConnection);
}

void QtSerialPort::tellOnce(const PortError &notice)
{
    const QString text = QString::fromStdString(notice.what());
    if (m_told.contains(text))
        return;
    m_told << text;
    QMetaObject::invokeMethod(
        &m_deliveries,
        [this, notice] {
            if (isOpen() && m_onConnectionLost)
                m_onConnectionLost(notice);
        },
        Qt::QueuedConnection);
}

void QtSerialPort::reportLostConnection()
{
    if (!m_lostError)
        return; // closed, or reported by a failing operation, in the meantime
    const PortError error = *std::exchange(m_lostError, std::nullopt);
    closeNow();
    if (m_onConnectionLost)
        m_onConnectionLost(error);
}

// A loss seen but not yet reported is reported by the operation that runs into it.
void QtSerialPort::throwIfLost()
{
    if (m_lostError)
        closeAndThrow(*m_lostError);
}

void QtSerialPort::closeAndThrow(const PortError &error)
{
    const PortError thrown = error; // closing forgets a loss that is being thrown here
    closeNow();
    throw thrown;
}

// The path and the word "lost" tell the operator what happened, whatever the system's text.
PortError QtSerialPort::portError(const PortConnection::Fault &fault) const
{
    const QString text =
        fault.lost ? QStringLiteral("Connection lost (%1)").arg(fault.text) : fault.text;
    return ownError(fault.number, text);
}

PortError QtSerialPort::ownError(int number, const QString &text) const
{
    return PortError(number, (devicePath() + QStringLiteral(": ") + text).toStdString());
}
