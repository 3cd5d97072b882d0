#pragma once

#include "samples.h"

#include <QTimer>

#include <cstdint>

// A precise 1 ms timer on the GUI thread that notes the gaps between its ticks: a gap much
// longer than 1 ms is a stall of the event loop, during which nothing the operator does is
// seen. Lives on the GUI thread; start() and stop() are called there.
class StallProbe
{
public:
    StallProbe();

    void start();
    Samples stop(); // the gaps in ms

private:
    QTimer m_timer;
    std::int64_t m_last = 0;
    Samples m_gaps;
};
