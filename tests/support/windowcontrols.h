#pragma once

#include "panellabel.h"

#include <QTest>
#include <QWidget>

#include <functional>

// The window's controls by their design names, worked with the left mouse button.
class WindowControls
{
public:
    template <typename T = QWidget> T *control(const char *name) const
    {
        T *widget = m_window->findChild<T *>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    QString label(const char *name) const { return control<PanelLabel>(name)->text(); }
    void click(const char *name) const { QTest::mouseClick(control(name), Qt::LeftButton); }

protected:
    QWidget *m_window = nullptr; // set by the rig once its window is built
};

// Runs the event loop until `done` holds. It blocks on events (a pseudo-terminal's, a port's)
// and never sleeps; the deadline only ends a hang.
bool waitFor(const std::function<bool()> &done, int deadlineMs = 20000);
