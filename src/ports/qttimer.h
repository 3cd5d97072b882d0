#pragma once

#include "timer.h"

#include <QTimer>

// A panel timer on a QTimer. Precise, because the repeat and display intervals go down to
// 5 ms and a coarse timer would stretch them by up to 5 %.
class QtTimer : public Timer
{
public:
    QtTimer();

    void setInterval(int milliseconds) override;
    int interval() const override { return m_timer.interval(); }
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return m_timer.isActive(); }
    int remainingTime() const override { return m_timer.remainingTime(); }

private:
    QTimer m_timer;
};
