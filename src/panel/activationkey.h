#pragma once

#include <QKeyEvent>

// The keys that work the focused control, as Qt's own buttons take them: Space (Select on a
// keypad) and Enter on either the main keyboard or the number pad.
inline bool isActivationKey(const QKeyEvent &event)
{
    switch (event.key()) {
    case Qt::Key_Space:
    case Qt::Key_Select:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        return false;
    }
}
