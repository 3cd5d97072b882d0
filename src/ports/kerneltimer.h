#pragma once

#include "timer.h"

#include <QSocketNotifier>

#include <ctime>
#include <functional>
#include <memory>

// A panel timer on the kernel's clock (a Linux timerfd on CLOCK_MONOTONIC), for the repeat of
// a held adjuster. Qt's event loop rounds every timer wait up to a whole millisecond, which
// puts up to a millisecond of jitter between repeated commands 5 ms apart; the kernel wakes
// the loop within a few microseconds of the deadline. The deadlines are absolute and each is
// the last one plus the interval, so a late wake-up never delays the ticks after it.
//
// A tick that falls due while the GUI thread is busy is not caught up: however many deadlines
// have passed, a wake-up is one tick, and the next comes at the next deadline of the grid.
class KernelTimer : public Timer
{
public:
    // Where the first deadline is counted from: CLOCK_MONOTONIC's now. Its nanoseconds and
    // the interval's may add up past a whole second, at some moments of each second only.
    using Clock = std::function<timespec()>;
    static timespec monotonicNow();

    // Nothing when the kernel gives no timer (no descriptor left).
    static std::unique_ptr<KernelTimer> create(Clock now = monotonicNow);
    ~KernelTimer() override;

    void setInterval(int milliseconds) override;
    int interval() const override { return m_interval; }
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return m_enabled; }
    int remainingTime() const override;

private:
    KernelTimer(int fd, Clock now);
    void arm();
    void disarm();
    void wake();

    int m_fd;
    Clock m_now;
    QSocketNotifier m_notifier;
    int m_interval = 0;
    bool m_enabled = false;
};
