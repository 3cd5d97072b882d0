#include "outputqueue.h"

#include "inputhold.h"

#include <QSocketNotifier>

#include <cerrno>
#include <unistd.h>
#include <utility>

OutputQueue::OutputQueue(std::function<void(int error)> onFailure)
    : m_onFailure(std::move(onFailure))
{
}

OutputQueue::~OutputQueue() = default;

void OutputQueue::attach(int fd)
{
    detach();
    m_fd = fd;
    m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    m_notifier->setEnabled(false);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] {
        if (const int error = writeWaiting())
            m_onFailure(error);
    });
}

void OutputQueue::detach()
{
    m_notifier.reset();
    m_fd = -1;
    m_error = 0;
    m_waiting.clear();
}

int OutputQueue::write(const QByteArray &bytes)
{
    m_waiting += bytes;
    return writeWaiting();
}

void OutputQueue::drain(std::chrono::milliseconds longest)
{
    runWithInputHeld([this] { return !m_notifier || m_error || m_waiting.isEmpty(); }, longest);
}

int OutputQueue::writeWaiting()
{
    while (!m_error && !m_waiting.isEmpty()) {
        const ssize_t written = ::write(m_fd, m_waiting.constData(), m_waiting.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno == EAGAIN)
            break; // full: the notifier says when there is room
        if (written < 0)
            m_error = errno;
        else
            m_waiting.remove(0, written);
    }
    if (m_notifier)
        m_notifier->setEnabled(!m_error && !m_waiting.isEmpty());
    return m_error;
}
