#include "virtualclock.h"

#include <algorithm>

class VirtualTimer : public Timer
{
public:
    explicit VirtualTimer(VirtualClock &clock) : m_clock(clock) { m_clock.m_timers.push_back(this); }
    ~VirtualTimer() override { std::erase(m_clock.m_timers, this); }

    void setInterval(int milliseconds) override
    {
        m_interval = milliseconds;
        if (m_enabled)
            restart();
    }
    int interval() const override { return m_interval; }
    void setEnabled(bool enabled) override
    {
        if (enabled && !m_enabled)
            restart();
        m_enabled = enabled;
    }
    bool isEnabled() const override { return m_enabled; }

    std::int64_t dueAt() const { return m_dueAt; }
    void fire()
    {
        restart(); // re-armed before the handler runs, as a periodic timer is
        expire();
    }

private:
    // A zero interval would fire forever at one instant; a real timer waits for the event loop.
    void restart() { m_dueAt = m_clock.m_now + std::max(m_interval, 1); }

    VirtualClock &m_clock;
    int m_interval = 0;
    bool m_enabled = false;
    std::int64_t m_dueAt = 0;
};

std::unique_ptr<Timer> VirtualClock::createTimer() { return std::make_unique<VirtualTimer>(*this); }

void VirtualClock::advance(std::int64_t milliseconds)
{
    const std::int64_t end = m_now + milliseconds;
    for (;;) {
        VirtualTimer *next = nullptr;
        for (VirtualTimer *timer : m_timers) {
            if (timer->isEnabled() && timer->dueAt() <= end && (!next || timer->dueAt() < next->dueAt()))
                next = timer;
        }
        if (!next)
            break;
        m_now = next->dueAt();
        next->fire();
    }
    m_now = end;
}
