#include "kerneltimer.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace
{

constexpr long kNanosecondsPerMs = 1'000'000;
constexpr long kNanosecondsPerSecond = 1'000'000'000;

timespec later(timespec time, long nanoseconds)
{
    time.tv_sec += time_t(nanoseconds / kNanosecondsPerSecond);
    time.tv_nsec += nanoseconds % kNanosecondsPerSecond;
    if (time.tv_nsec >= kNanosecondsPerSecond) {
        ++time.tv_sec;
        time.tv_nsec -= kNanosecondsPerSecond;
    }
    return time;
}

} // namespace

timespec KernelTimer::monotonicNow()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now;
}

std::unique_ptr<KernelTimer> KernelTimer::create(Clock now)
{
    const int fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<KernelTimer>(new KernelTimer(fd, std::move(now)));
}

KernelTimer::KernelTimer(int fd, Clock now)
    : m_fd(fd), m_now(std::move(now)), m_notifier(fd, QSocketNotifier::Read)
{
    QObject::connect(&m_notifier, &QSocketNotifier::activated, [this] { wake(); });
}

KernelTimer::~KernelTimer()
{
    m_notifier.setEnabled(false);
    ::close(m_fd);
}

void KernelTimer::setInterval(int milliseconds)
{
    m_interval = milliseconds;
    if (m_enabled)
        arm();
}

void KernelTimer::setEnabled(bool enabled)
{
    if (enabled && !m_enabled)
        arm();
    else if (!enabled && m_enabled)
        disarm();
    m_enabled = enabled;
}

int KernelTimer::remainingTime() const
{
    itimerspec left{};
    if (!m_enabled || timerfd_gettime(m_fd, &left) != 0)
        return -1;
    return int(left.it_value.tv_sec * 1000 + left.it_value.tv_nsec / kNanosecondsPerMs);
}

void KernelTimer::arm()
{
    // A zero interval would disarm the timerfd; a real timer waits for the loop at least.
    const long interval = std::max(m_interval, 1) * kNanosecondsPerMs;
    // The kernel moves the deadline on by the interval itself, from the deadline, not from
    // the moment the loop got round to reading it.
    const itimerspec deadlines{
        {time_t(interval / kNanosecondsPerSecond), interval % kNanosecondsPerSecond},
        later(m_now(), interval)};
    timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &deadlines, nullptr);
}

void KernelTimer::disarm()
{
    const itimerspec none{};
    timerfd_settime(m_fd, 0, &none, nullptr); // also forgets expiries not read yet
}

void KernelTimer::wake()
{
    // Nothing to read when the timer was disarmed or re-armed since the loop saw it readable.
    std::uint64_t expiries = 0;
    if (::read(m_fd, &expiries, sizeof expiries) != sizeof expiries || !m_enabled)
        return;
    expire();
}
