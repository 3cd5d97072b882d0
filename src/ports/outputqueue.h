#pragma once

#include <QByteArray>

#include <chrono>
#include <functional>
#include <memory>

class QSocketNotifier;

// Bytes on their way into a terminal opened non-blocking, kept in order. A terminal whose
// queue is full takes nothing for a while (EAGAIN on a slow line or a far end that reads
// slowly): that is no fault, so the bytes wait here and follow from the event loop as the
// line drains. Only a write that fails otherwise is a fault; it stops the queue, and its errno
// goes to the failure handler when the event loop met it, or back to the caller of write().
class OutputQueue
{
public:
    explicit OutputQueue(std::function<void(int error)> onFailure);
    ~OutputQueue();
    OutputQueue(const OutputQueue &) = delete;
    OutputQueue &operator=(const OutputQueue &) = delete;

    void attach(int fd);
    void detach(); // before the terminal closes; what still waits is dropped
    // Queues the bytes and writes what the terminal takes now: 0, or the errno of the failure.
    int write(const QByteArray &bytes);
    qsizetype waiting() const { return m_waiting.size(); }
    // Lets the bytes go out, for at most `longest`, with user input held (runWithInputHeld).
    void drain(std::chrono::milliseconds longest);

private:
    int writeWaiting();

    std::function<void(int)> m_onFailure;
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_fd = -1;
    int m_error = 0; // the errno of the write that failed; the queue is stopped
    QByteArray m_waiting;
};
