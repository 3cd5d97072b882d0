#include "virtualclock.h"

void VirtualClock::advance(std::int64_t milliseconds)
{
    const std::int64_t end = m_now + milliseconds;
    for (;;) {
        VirtualTimer *next = nullptr;
        for (VirtualTimer *timer : m_timers) {
            if (timer->isEnabled() && timer->dueAt <= end && (!next || timer->dueAt < next->dueAt))
                next = timer;
        }
        if (!next)
            break;
        m_now = next->dueAt;
        next->fire();
    }
    m_now = end;
}
