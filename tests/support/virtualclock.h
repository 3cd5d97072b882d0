#pragma once

#include "timer.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

// A clock that moves only when a test advances it. Its timers keep the panel's timer rule and
// fire in the order they fall due, each at its exact virtual millisecond.
class VirtualClock
{
public:
    std::unique_ptr<Timer> createTimer() { return std::make_unique<VirtualTimer>(*this); }
    void advance(std::int64_t milliseconds);
    std::int64_t now() const { return m_now; }

private:
    class VirtualTimer : public Timer
    {
    public:
        explicit VirtualTimer(VirtualClock &clock) : m_clock(clock)
        {
            clock.m_timers.push_back(this);
        }
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
        int remainingTime() const override { return m_enabled ? int(dueAt - m_clock.m_now) : -1; }
        void fire()
        {
            restart(); // re-armed before the handler runs, as a periodic timer is
            expire();
        }
        // A zero interval would fire forever at one instant; a real timer waits for the loop.
        void restart() { dueAt = m_clock.m_now + std::max(m_interval, 1); }

        std::int64_t dueAt = 0;

    private:
        VirtualClock &m_clock;
        int m_interval = 0;
        bool m_enabled = false;
    };

    std::int64_t m_now = 0;
    std::vector<VirtualTimer *> m_timers;
};
