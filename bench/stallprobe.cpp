#include "stallprobe.h"

#include "benchclock.h"

StallProbe::StallProbe()
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(1);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        const std::int64_t now = monotonicNs();
        m_gaps.add(nsToMs(now - m_last));
        m_last = now;
    });
}

void StallProbe::start()
{
    m_gaps = {};
    m_last = monotonicNs();
    m_timer.start();
}

Samples StallProbe::stop()
{
    m_timer.stop();
    return m_gaps;
}
