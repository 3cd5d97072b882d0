#include "logfile.h"

#include <QFile>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::unique_ptr<LogFile> LogFile::open(const QString &path, QString &error)
{
    // A reader that goes away makes the next write fail, instead of ending the program.
    std::signal(SIGPIPE, SIG_IGN);
    if (path == QLatin1String("-"))
        return std::unique_ptr<LogFile>(new LogFile(STDOUT_FILENO));
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd >= 0)
        return std::unique_ptr<LogFile>(new LogFile(fd));
    error = errno == ENXIO ? QStringLiteral("no program reads the pipe") : qt_error_string(errno);
    return nullptr;
}

LogFile::LogFile(int fd) : m_fd(fd)
{
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

LogFile::~LogFile()
{
    if (m_fd != STDOUT_FILENO)
        ::close(m_fd);
}

qint64 LogFile::writeData(const char *data, qint64 size)
{
    qint64 written = 0;
    while (written < size) {
        const ssize_t part = ::write(m_fd, data + written, size_t(size - written));
        if (part < 0 && errno == EINTR)
            continue;
        if (part <= 0) {
            // What the system says of the failure, not Qt's guess about a short count.
            setErrorString(qt_error_string(errno));
            return written > 0 ? written : -1;
        }
        written += part;
    }
    return written;
}
