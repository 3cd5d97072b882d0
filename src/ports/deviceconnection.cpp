#include "deviceconnection.h"

#include "devicemap.h"
#include "networkconnection.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPort>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

namespace {

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

// Marks a call during which QSerialPort's errors belong to the caller: the operation returns
// them instead of taking them for a lost device.
class DeviceConnection::SynchronousCall
{
public:
    explicit SynchronousCall(DeviceConnection &connection) : m_connection(connection)
    {
        m_connection.m_inCall = true;
        m_connection.m_serial->clearError();
    }
    ~SynchronousCall() { m_connection.m_inCall = false; }
    SynchronousCall(const SynchronousCall &) = delete;
    SynchronousCall &operator=(const SynchronousCall &) = delete;

private:
    DeviceConnection &m_connection;
};

DeviceConnection::DeviceConnection(Handlers handlers)
    : PortConnection(std::move(handlers)), m_serial(std::make_unique<QSerialPort>()),
      m_output([this](int error) {
          m_handlers.lost({QSerialPort::ResourceError, qt_error_string(error), true});
      })
{
    m_serial->setParity(QSerialPort::NoParity);
    m_serial->setDataBits(QSerialPort::Data8);
    m_serial->setStopBits(QSerialPort::OneStop);
    m_serial->setFlowControl(QSerialPort::NoFlowControl);

    QObject::connect(m_serial.get(), &QSerialPort::readyRead, m_serial.get(),
                     [this] { m_handlers.received(); });
    QObject::connect(m_serial.get(), &QSerialPort::errorOccurred, m_serial.get(),
                     [this](QSerialPort::SerialPortError error) { onFacilityError(error); });
}

DeviceConnection::~DeviceConnection()
{
    // QSerialPort closes itself as it goes; nothing of that may reach this half-destroyed port.
    m_serial->disconnect();
    unlock();
}

bool DeviceConnection::serves(const QString &name) const
{
    return !NetworkConnection::isNetworkName(name);
}

std::optional<PortConnection::Fault> DeviceConnection::open(const QString &name, int baudRate)
{
    const QString device = systemDeviceName(name);
    // Said before QSerialPort tries a lock file named after a path that may be too long for one.
    if (!QFileInfo::exists(device))
        return Fault{QSerialPort::DeviceNotFoundError, qt_error_string(ENOENT)};
    if (!lock(device))
        return Fault{QSerialPort::PermissionError,
                     QStringLiteral("In use by another program (%1)").arg(qt_error_string(EAGAIN))};
    m_serial->setPortName(device);
    m_serial->setBaudRate(baudRate);
    const SynchronousCall call(*this);
    if (m_serial->open(QIODevice::ReadWrite)) {
        m_output.attach(m_serial->handle());
        return std::nullopt;
    }
    unlock();
    const Fault fault = facilityFault();
    if (const std::optional<QString> refusal = openRefusal(name, fault.number))
        return Fault{fault.number, QStringLiteral("%1 (%2)").arg(*refusal, fault.text)};
    return fault;
}

// picocom and other Debian tools lock a device with flock(2) rather than a lock file. The
// lock is taken on a descriptor of its own before QSerialPort opens, so that the line settings
// of a device another program holds stay untouched. False only when another holds the lock: a
// device that cannot be opened here is left to QSerialPort to refuse in its own words.
bool DeviceConnection::lock(const QString &device)
{
    m_lock = ::open(QFile::encodeName(device).constData(),
                    O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_lock < 0 || ::flock(m_lock, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK)
        return true;
    unlock();
    return false;
}

void DeviceConnection::unlock()
{
    if (m_lock >= 0)
        ::close(m_lock);
    m_lock = -1;
}

bool DeviceConnection::isOpen() const { return m_serial->isOpen(); }

std::optional<PortConnection::Fault> DeviceConnection::setBaudRate(int baudRate)
{
    const SynchronousCall call(*this);
    if (m_serial->setBaudRate(baudRate))
        return std::nullopt;
    return facilityFault();
}

std::optional<PortConnection::Fault> DeviceConnection::write(const QByteArray &bytes)
{
    if (const int error = m_output.write(bytes))
        return Fault{QSerialPort::ResourceError, qt_error_string(error), true};
    return std::nullopt;
}

QByteArray DeviceConnection::readAll() { return m_serial->readAll(); }

void DeviceConnection::close()
{
    m_output.detach();
    if (isOpen())
        m_serial->close();
    unlock();
    m_serial->clearError();
}

void DeviceConnection::onFacilityError(int error)
{
    if (m_inCall || error == QSerialPort::NoError || error == QSerialPort::TimeoutError)
        return;
    if ((error == QSerialPort::ReadError || error == QSerialPort::ResourceError) &&
        deviceAnswers()) {
        // Qt stops reading after a resource error; setting the buffer's size starts it again.
        m_serial->setReadBufferSize(m_serial->readBufferSize());
        m_handlers.notice({error, QStringLiteral("Another program is reading this device; "
                                                 "replies may go to it")});
        return;
    }
    // QSerialPort's text here can be a leftover of an earlier system call; the word "lost" that
    // QtSerialPort adds tells the operator what happened.
    m_handlers.lost({error, m_serial->errorString(), true});
}

// QSerialPort takes a read that finds nothing for an error: a read error for no bytes, a
// resource error for EAGAIN (or for a stale errno of an earlier call), and so it takes a
// hang-up. A hung-up terminal polls as hung up and fails the line's own requests; one that
// does neither is there, and another program (a forgotten cat, a modem prober) took the bytes
// first.
bool DeviceConnection::deviceAnswers() const
{
    if (!isOpen())
        return false;
    pollfd line{m_serial->handle(), POLLIN, 0};
    termios settings{};
    return ::poll(&line, 1, 0) >= 0 && (line.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0 &&
           ::tcgetattr(m_serial->handle(), &settings) == 0;
}

// A device that has gone fails a speed change or an open with a resource error before the loss
// is seen: it is the loss it is.
PortConnection::Fault DeviceConnection::facilityFault() const
{
    const int number = m_serial->error();
    return {number, m_serial->errorString(), number == QSerialPort::ResourceError};
}
