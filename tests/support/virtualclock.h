#pragma once

#include "timer.h"

#include <cstdint>
#include <memory>
#include <vector>

class VirtualTimer;

// A clock that moves only when a test advances it. Its timers keep the panel's timer rule and
// fire in the order they fall due, each at its exact virtual millisecond.
class VirtualClock
{
public:
    std::unique_ptr<Timer> createTimer();
    void advance(std::int64_t milliseconds);

private:
    friend class VirtualTimer;

    std::int64_t m_now = 0;
    std::vector<VirtualTimer *> m_timers;
};
