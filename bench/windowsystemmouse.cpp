#include "windowsystemmouse.h"

#include "benchclock.h"
#include "guithread.h"

#include <QTest>
#include <QWidget>
#include <QWindow>

void WindowSystemMouse::aim(QWidget *target)
{
    onGuiThread([&] {
        m_window = target->window()->windowHandle();
        m_position = target->mapTo(target->window(), target->rect().center());
        QTest::mouseMove(m_window, m_position);
    });
    sleepMs(50);
}

std::int64_t WindowSystemMouse::press()
{
    std::int64_t injected = 0;
    onGuiThread([&] {
        injected = monotonicNs();
        QTest::mousePress(m_window, Qt::LeftButton, {}, m_position);
    });
    return injected;
}

std::int64_t WindowSystemMouse::release()
{
    std::int64_t injected = 0;
    onGuiThread([&] {
        injected = monotonicNs();
        QTest::mouseRelease(m_window, Qt::LeftButton, {}, m_position);
    });
    return injected;
}
