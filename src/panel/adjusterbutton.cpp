#include "adjusterbutton.h"

#include <QEvent>

AdjusterButton::AdjusterButton(QWidget *parent) : QPushButton(parent) {}

void AdjusterButton::mousePressEvent(QMouseEvent *event)
{
    m_held = true;
    emit mouseDown(); // the first command goes out before the button draws itself down
    QPushButton::mousePressEvent(event);
}

void AdjusterButton::mouseReleaseEvent(QMouseEvent *event)
{
    endHold();
    QPushButton::mouseReleaseEvent(event);
}

void AdjusterButton::focusOutEvent(QFocusEvent *event)
{
    endHold();
    QPushButton::focusOutEvent(event);
}

void AdjusterButton::hideEvent(QHideEvent *event)
{
    endHold();
    QPushButton::hideEvent(event);
}

void AdjusterButton::changeEvent(QEvent *event)
{
    const bool lostWindow = event->type() == QEvent::ActivationChange && !isActiveWindow();
    const bool disabled = event->type() == QEvent::EnabledChange && !isEnabled();
    if (lostWindow || disabled)
        endHold();
    QPushButton::changeEvent(event);
}

void AdjusterButton::endHold()
{
    if (!m_held)
        return;
    m_held = false;
    emit mouseUp();
}
