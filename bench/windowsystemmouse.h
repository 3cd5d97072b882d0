#pragma once

#include "mouseinjector.h"

#include <QPoint>
#include <QPointer>

class QWindow;

// For a platform without a display server (offscreen): the events enter Qt where a platform
// plugin hands them over, QWindowSystemInterface, through QTest. That happens on the GUI
// thread, so the time is taken there, right before the event goes in.
class WindowSystemMouse : public MouseInjector
{
public:
    void aim(QWidget *target) override;
    std::int64_t press() override;
    std::int64_t release() override;

private:
    QPointer<QWindow> m_window;
    QPoint m_position; // in the window
};
