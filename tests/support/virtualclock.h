#pragma once

#include "timer.h"

#include <cstdint>
#include <memory>
#include <vector>

class VirtualTimer;

// A clock that moves only when a test advances it. Timers made by it fire in the order they
// fall due, each at its exact virtual millisecond.
class VirtualClock
{
public:
    VirtualClock();
    ~VirtualClock();

    std::unique_ptr<Timer> createTimer();

    std::int64_t now() const { return m_now; }
    void advance(std::int64_t milliseconds);

private:
    friend class VirtualTimer;

    std::int64_t m_now = 0;
    std::vector<VirtualTimer *> m_timers;
};
