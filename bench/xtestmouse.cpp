#include "xtestmouse.h"

#include "benchclock.h"
#include "guithread.h"

#include <QWidget>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cstdio>
#include <cstdlib>

XTestMouse::XTestMouse() : m_display(XOpenDisplay(nullptr))
{
    int event = 0, error = 0, major = 0, minor = 0;
    if (!m_display || !XTestQueryExtension(m_display, &event, &error, &major, &minor)) {
        std::fprintf(stderr, "XTest is not available on the display\n");
        std::exit(EXIT_FAILURE);
    }
}

XTestMouse::~XTestMouse()
{
    XCloseDisplay(m_display);
}

void XTestMouse::aim(QWidget *target)
{
    QPoint centre;
    onGuiThread([&] { centre = target->mapToGlobal(target->rect().center()); });
    XTestFakeMotionEvent(m_display, -1, centre.x(), centre.y(), CurrentTime);
    XSync(m_display, False);
    sleepMs(50); // the pointer's arrival repaints the button under it; not part of a click
}

std::int64_t XTestMouse::press()
{
    return button(true);
}

std::int64_t XTestMouse::release()
{
    return button(false);
}

std::int64_t XTestMouse::button(bool down)
{
    const std::int64_t injected = monotonicNs();
    XTestFakeButtonEvent(m_display, Button1, down ? True : False, CurrentTime);
    XFlush(m_display);
    return injected;
}
