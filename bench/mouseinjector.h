#pragma once

#include <cstdint>

class QWidget;

// Mouse events through the platform, as a person's would come: aim at a widget, then press
// and release the left button there. Called from the benchmark's script thread; press() and
// release() return the moment the event was injected (CLOCK_MONOTONIC, ns).
class MouseInjector
{
public:
    virtual ~MouseInjector() = default;

    virtual void aim(QWidget *target) = 0;
    virtual std::int64_t press() = 0;
    virtual std::int64_t release() = 0;
};
