#include "pseudoterminal.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <QTimer>

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

bool waitFor(const std::function<bool()> &done, int deadlineMs)
{
    const QDeadlineTimer deadline(deadlineMs);
    QTimer wake;
    wake.start(deadlineMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

void settle()
{
    for (int pass = 0; pass < 100; ++pass)
        QCoreApplication::processEvents();
}

PseudoTerminal::PseudoTerminal()
{
    std::array<char, 128> name{};
    if (::openpty(&m_master, &m_slave, name.data(), nullptr, nullptr) != 0)
        qFatal("no pseudo-terminal");
    termios settings{};
    ::tcgetattr(m_slave, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(m_slave, TCSANOW, &settings);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    path = QString::fromLocal8Bit(name.data());
}

PseudoTerminal::~PseudoTerminal()
{
    hangUp();
}

bool PseudoTerminal::put(const QByteArray &bytes)
{
    QSocketNotifier room(m_master, QSocketNotifier::Write);
    bool writable = true;
    QObject::connect(&room, &QSocketNotifier::activated, [&] { writable = true; });
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t count = ::write(m_master, bytes.constData() + done, bytes.size() - done);
        if (count > 0) {
            done += count;
            continue;
        }
        if (errno != EAGAIN)
            return false;
        writable = false;
        if (!waitFor([&] { return writable; }))
            return false;
    }
    return true;
}

QByteArray PseudoTerminal::take(qsizetype count, int deadlineMs)
{
    QByteArray bytes;
    const auto read = [&] {
        std::array<char, 4096> buffer{};
        for (ssize_t got; (got = ::read(m_master, buffer.data(), buffer.size())) > 0;)
            bytes.append(buffer.data(), got);
        return bytes.size() >= count;
    };
    QSocketNotifier readable(m_master, QSocketNotifier::Read);
    QObject::connect(&readable, &QSocketNotifier::activated, read);
    if (!read() && deadlineMs > 0)
        waitFor([&] { return bytes.size() >= count; }, deadlineMs);
    return bytes;
}

speed_t PseudoTerminal::speed() const
{
    termios settings{};
    ::tcgetattr(m_slave, &settings);
    return ::cfgetospeed(&settings);
}

void PseudoTerminal::hangUp()
{
    for (int *fd : {&m_master, &m_slave}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}
