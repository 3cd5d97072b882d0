#pragma once

#include <functional>

// A millisecond timer with an interval and an enabled flag, the way the panel's handlers use
// it. Every implementation keeps one rule:
//  - enabling a running timer leaves its countdown alone;
//  - setting the interval of a running timer restarts its countdown with the new interval;
//  - a timer that fires and is not disabled fires again one interval later.
class Timer
{
public:
    virtual ~Timer() = default;

    virtual void setInterval(int milliseconds) = 0;
    virtual int interval() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
    // Whole milliseconds until it next fires; -1 when disabled.
    virtual int remainingTime() const = 0;

    void setOnExpiry(std::function<void()> handler) { m_onExpiry = std::move(handler); }

protected:
    void expire();

private:
    std::function<void()> m_onExpiry;
};
