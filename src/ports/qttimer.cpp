#include "qttimer.h"

QtTimer::QtTimer()
{
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { expire(); });
}

void QtTimer::setInterval(int milliseconds)
{
    // QTimer restarts a running timer with the new interval, as the timer rule wants.
    m_timer.setInterval(milliseconds);
}

void QtTimer::setEnabled(bool enabled)
{
    // start() would restart a running timer; enabling must leave its countdown alone.
    if (enabled && !m_timer.isActive())
        m_timer.start();
    else if (!enabled)
        m_timer.stop();
}
