#pragma once

#include "mouseinjector.h"

#include <QPoint>

struct _XDisplay;

// The X server's XTest extension on a connection of its own: the server turns the fake
// button into the same events a real mouse gives, and Qt's xcb platform receives them as any.
class XTestMouse : public MouseInjector
{
public:
    XTestMouse(); // exits the program when there is no display or no XTest
    ~XTestMouse() override;

    void aim(QWidget *target) override;
    std::int64_t press() override;
    std::int64_t release() override;

private:
    std::int64_t button(bool down);

    _XDisplay *m_display = nullptr;
};
