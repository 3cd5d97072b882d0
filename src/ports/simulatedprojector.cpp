#include "simulatedprojector.h"

#include "devicemap.h"

#include <QSocketNotifier>
#include <QTextStream>

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct LineSpeed {
    speed_t code;
    int baudRate;
};

constexpr std::array kLineSpeeds = std::to_array<LineSpeed>({
    {B1200, 1200},
    {B2400, 2400},
    {B4800, 4800},
    {B9600, 9600},
    {B19200, 19200},
    {B38400, 38400},
    {B57600, 57600},
    {B115200, 115200},
});

} // namespace

const QByteArray SimulatedProjector::kGarbage = QByteArrayLiteral("\x00\xff~\x13");

SimulatedProjector::SimulatedProjector(QObject *parent) : QObject(parent)
{
    m_clock.start();
    m_pacer.setSingleShot(true);
    connect(&m_pacer, &QTimer::timeout, this, &SimulatedProjector::writeNextPiece);
}

SimulatedProjector::~SimulatedProjector() { closeTerminal(); }

std::unique_ptr<SimulatedProjector> SimulatedProjector::openAsPort1(DeviceMap &devices)
{
    auto projector = std::make_unique<SimulatedProjector>();
    if (!projector->open()) {
        QTextStream(stderr) << "orva-control: " << projector->errorString() << '\n';
        return nullptr;
    }
    devices.setDevice(1, projector->devicePath());
    return projector;
}

bool SimulatedProjector::open()
{
    std::array<char, 128> name{};
    if (::openpty(&m_master, &m_slave, name.data(), nullptr, nullptr) != 0) {
        m_errorString = QStringLiteral("No pseudo-terminal: %1").arg(std::strerror(errno));
        return false;
    }
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    // Raw from the start: a fresh terminal echoes, and the echo would come back as commands.
    termios settings{};
    ::tcgetattr(m_slave, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(m_slave, TCSANOW, &settings);

    m_devicePath = QString::fromLocal8Bit(name.data());
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SimulatedProjector::readLine);
    return true;
}

int SimulatedProjector::lineSpeed() const
{
    termios settings{};
    if (m_slave < 0 || ::tcgetattr(m_slave, &settings) != 0)
        return 0;
    const speed_t code = ::cfgetospeed(&settings);
    for (const LineSpeed &speed : kLineSpeeds) {
        if (speed.code == code)
            return speed.baudRate;
    }
    return 0;
}

void SimulatedProjector::send(const QByteArray &bytes)
{
    // The line is a few kilobytes deep and replies are a few bytes: a reply that finds it
    // full (nobody reading at the other end) is dropped, as on a real line.
    if (m_master < 0)
        return;
    [[maybe_unused]] const ssize_t written = ::write(m_master, bytes.constData(), bytes.size());
}

void SimulatedProjector::hangUp() { closeTerminal(); }

void SimulatedProjector::readLine()
{
    std::array<char, 512> buffer{};
    while (m_master >= 0) { // a handler of the signals below may hang up
        const ssize_t count = ::read(m_master, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno == EAGAIN)
            return;
        if (count <= 0) {
            m_notifier->setEnabled(false); // the line is gone; nothing more will come
            return;
        }
        const QByteArray bytes(buffer.data(), count);
        emit bytesReceived(bytes);
        for (const std::string &line : m_lines.add(bytes.toStdString())) {
            if (m_master < 0)
                return;
            answer(QByteArray::fromStdString(line));
        }
    }
}

void SimulatedProjector::answer(const QByteArray &line)
{
    const std::string reply =
        m_model.answer(line.toStdString(), std::chrono::milliseconds(m_clock.elapsed()));
    const QByteArray bytes(reply.data(), static_cast<qsizetype>(reply.size()));
    emit answered(line, bytes);
    if (m_silent)
        return;
    const QByteArray sent = m_garbage ? kGarbage + bytes : bytes;
    if (m_replyDelay.count() == 0) {
        queueReply(sent);
        return;
    }
    QTimer::singleShot(m_replyDelay, this, [this, sent] { queueReply(sent); });
}

void SimulatedProjector::queueReply(const QByteArray &reply)
{
    if (m_replyInPieces) {
        for (const char byte : reply)
            m_pieces.emplace_back(1, byte);
    } else {
        m_pieces.push_back(reply);
    }
    if (!m_pacer.isActive())
        writeNextPiece();
}

void SimulatedProjector::writeNextPiece()
{
    if (m_pieces.empty())
        return;
    send(m_pieces.front());
    m_pieces.pop_front();
    if (!m_pieces.empty())
        m_pacer.start(m_replyInPieces ? kPieceGap : std::chrono::milliseconds(0));
}

void SimulatedProjector::closeTerminal()
{
    m_pacer.stop();
    m_pieces.clear();
    m_lines = {};
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater(); // closing may happen inside its own signal
        m_notifier = nullptr;
    }
    for (int *fd : {&m_master, &m_slave}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}
