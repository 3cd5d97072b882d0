#include "qtserialport.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPort>

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace {

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

// Why a device refused to open, where QSerialPort's text alone misleads the operator: its lock
// or the terminal's exclusive mode come out as a permission error, and a file that is no
// terminal as an unsupported ioctl. Tells by opening the device as QSerialPort does; done
// only after QSerialPort has failed, when another program holds the device or none uses it
// as a serial line.
std::optional<QString> openRefusal(const QString &path, int error)
{
    if (error != QSerialPort::PermissionError && error != QSerialPort::UnsupportedOperationError)
        return std::nullopt;
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == EBUSY)
        return QStringLiteral("In use by another program");
    if (fd < 0)
        return std::nullopt; // QSerialPort's text says it, "Permission denied" for one
    const bool terminal = ::isatty(fd);
    ::close(fd);
    if (!terminal)
        return QStringLiteral("Not a serial device");
    if (error == QSerialPort::PermissionError)
        return QStringLiteral("In use by another program");
    return std::nullopt;
}

} // namespace

// Marks a call during which QSerialPort's errors belong to the caller: the operation throws
// them instead of taking them for a lost connection.
class QtSerialPort::SynchronousCall
{
public:
    explicit SynchronousCall(QtSerialPort &port) : m_port(port)
    {
        m_port.m_inCall = true;
        m_port.m_serial->clearError();
    }
    ~SynchronousCall() { m_port.m_inCall = false; }
    SynchronousCall(const SynchronousCall &) = delete;
    SynchronousCall &operator=(const SynchronousCall &) = delete;

private:
    QtSerialPort &m_port;
};

QtSerialPort::QtSerialPort(DeviceMap devices)
    : m_devices(std::move(devices)), m_serial(std::make_unique<QSerialPort>()),
      m_output([this](int error) {
          noteLoss(lostConnection(QSerialPort::ResourceError, qt_error_string(error)));
      })
{
    m_serial->setParity(QSerialPort::NoParity);
    m_serial->setDataBits(QSerialPort::Data8);
    m_serial->setStopBits(QSerialPort::OneStop);
    m_serial->setFlowControl(QSerialPort::NoFlowControl);

    QObject::connect(m_serial.get(), &QSerialPort::readyRead, m_serial.get(), [this] {
        m_event = kReceiveEvent;
        raiseOnComm();
    });
    QObject::connect(m_serial.get(), &QSerialPort::errorOccurred, m_serial.get(),
                     [this](QSerialPort::SerialPortError error) { onFacilityError(error); });
}

QtSerialPort::~QtSerialPort()
{
    // QSerialPort closes itself as it goes; nothing of that may reach this half-destroyed port.
    m_serial->disconnect();
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
    const LineSettings *line = findLineSettings(settings);
    if (!line)
        throw PortError(QSerialPort::UnsupportedOperationError,
                        "Unsupported settings \"" + settings + "\"");
    // Taken before the open port changes: when it fails to, the failure closes the port,
    // and the next open (a device that came back) runs at the operator's choice.
    m_settings = settings;
    if (!isOpen())
        return;
    throwIfLost();
    const SynchronousCall call(*this);
    if (!m_serial->setBaudRate(line->baudRate))
        failOperation();
}

bool QtSerialPort::isOpen() const { return m_serial->isOpen(); }

void QtSerialPort::open()
{
    if (isOpen())
        throw ownError(QSerialPort::OpenError, QStringLiteral("Device is already open"));
    m_lostError.reset();
    m_toldOtherReader = false;
    const QString device = systemDeviceName(devicePath());
    // Said before QSerialPort tries a lock file named after a path that may be too long for one.
    if (!QFileInfo::exists(device))
        throw ownError(QSerialPort::DeviceNotFoundError, qt_error_string(ENOENT));
    m_serial->setPortName(device);
    m_serial->setBaudRate(findLineSettings(m_settings)->baudRate);
    const SynchronousCall call(*this);
    if (m_serial->open(QIODevice::ReadWrite)) {
        m_output.attach(m_serial->handle());
        return;
    }
    const int number = m_serial->error();
    if (const std::optional<QString> refusal = openRefusal(devicePath(), number))
        closeAndThrow(
            ownError(number, QStringLiteral("%1 (%2)").arg(*refusal, m_serial->errorString())));
    failOperation();
}

void QtSerialPort::close()
{
    if (isOpen() && !m_lostError)
        m_output.drain(drainTime());
    const qsizetype unsent = m_output.waiting();
    closeNow();
    if (unsent > 0)
        throw ownError(QSerialPort::WriteError, QStringLiteral("%1 bytes not sent").arg(unsent));
}

// Without waiting for the bytes still queued: the port is closing on an error.
void QtSerialPort::closeNow()
{
    m_lostError.reset(); // a loss not yet reported needs no report once the port is closed
    m_output.detach();
    if (isOpen())
        m_serial->close();
    m_serial->clearError();
}

// Ten bits a byte on the line, and half a second for a far end that takes its time. The
// window takes no input meanwhile, so never more than a few seconds.
std::chrono::milliseconds QtSerialPort::drainTime() const
{
    const qsizetype bitsPerSecond = findLineSettings(m_settings)->baudRate;
    const std::chrono::milliseconds needed(m_output.waiting() * 10 * 1000 / bitsPerSecond + 500);
    return std::min<std::chrono::milliseconds>(needed, kLongestDrain);
}

void QtSerialPort::output(const std::string &bytes)
{
    if (!isOpen())
        throw ownError(QSerialPort::NotOpenError, QStringLiteral("Device is not open"));
    throwIfLost();
    // Not through QSerialPort, which takes a full driver queue for a lost device.
    if (const int error = m_output.write(QByteArray::fromStdString(bytes)))
        closeAndThrow(lostConnection(QSerialPort::ResourceError, qt_error_string(error)));
}

std::string QtSerialPort::input()
{
    if (!isOpen())
        throw ownError(QSerialPort::NotOpenError, QStringLiteral("Device is not open"));
    const QByteArray pending = m_serial->readAll();
    return {pending.constData(), static_cast<std::size_t>(pending.size())};
}

void QtSerialPort::setOnConnectionLost(std::function<void(const PortError &)> handler)
{
    m_onConnectionLost = std::move(handler);
}

void QtSerialPort::onFacilityError(int error)
{
    if (m_inCall || error == QSerialPort::NoError || error == QSerialPort::TimeoutError)
        return;
    if (error == QSerialPort::ReadError && deviceAnswers()) {
        tellOtherReader();
        return;
    }
    // QSerialPort's text here can be a leftover of an earlier system call; the path and the
    // word "lost" tell the operator what happened.
    noteLoss(lostConnection(error, m_serial->errorString()));
}

void QtSerialPort::noteLoss(const PortError &error)
{
    if (!isOpen() || m_lostError)
        return;
    m_lostError = error;
    // Closed from the event loop, not from inside QSerialPort's own notification handler.
    QMetaObject::invokeMethod(
        m_serial.get(), [this] { reportLostConnection(); }, Qt::QueuedConnection);
}

// QSerialPort takes a read that finds nothing for a read error, and so would a hang-up. A
// hung-up terminal fails the line's own requests; one that still answers them is there, and
// another program (a forgotten cat, a modem prober) took the bytes first.
bool QtSerialPort::deviceAnswers() const
{
    termios settings{};
    return isOpen() && ::tcgetattr(m_serial->handle(), &settings) == 0;
}

void QtSerialPort::tellOtherReader()
{
    if (std::exchange(m_toldOtherReader, true))
        return;
    const PortError notice = ownError(
        QSerialPort::ReadError,
        QStringLiteral("Another program is reading this device; replies may go to it"));
    QMetaObject::invokeMethod(
        m_serial.get(),
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

void QtSerialPort::failOperation()
{
    // A device that has gone fails a speed change with a resource error before the loss is
    // seen: it is reported as the loss it is.
    const int number = m_serial->error();
    const QString text = m_serial->errorString();
    closeAndThrow(number == QSerialPort::ResourceError ? lostConnection(number, text)
                                                       : ownError(number, text));
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

PortError QtSerialPort::lostConnection(int number, const QString &why) const
{
    return ownError(number, QStringLiteral("Connection lost (%1)").arg(why));
}

PortError QtSerialPort::ownError(int number, const QString &text) const
{
    return PortError(number, (devicePath() + QStringLiteral(": ") + text).toStdString());
}
