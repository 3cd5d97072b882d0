#pragma once

#include <time.h>

#include <cstdint>

// CLOCK_MONOTONIC in nanoseconds: the one clock every figure of the benchmarks is read from,
// whichever thread or process takes the time.
inline std::int64_t monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

inline double nsToMs(std::int64_t ns)
{
    return double(ns) / 1e6;
}

// Sleeps until a point of the monotonic clock; steadier than sleeping for a length of time.
inline void sleepUntilNs(std::int64_t deadline)
{
    const timespec until{time_t(deadline / 1'000'000'000), long(deadline % 1'000'000'000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) != 0) {
    }
}

inline void sleepMs(double milliseconds)
{
    sleepUntilNs(monotonicNs() + std::int64_t(milliseconds * 1e6));
}
