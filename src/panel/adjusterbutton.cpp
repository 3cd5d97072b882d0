#include "adjusterbutton.h"

#include "activationkey.h"

#include <QEvent>

AdjusterButton::AdjusterButton(QWidget *parent) : QPushButton(parent) {}

void AdjusterButton::startHold()
{
    m_held = true;
    emit mouseDown(); // the first command goes out before the button draws itself down
}

void AdjusterButton::mousePressEvent(QMouseEvent *event)
{
    startHold();
    QPushButton::mousePressEvent(event);
}

void AdjusterButton::mouseReleaseEvent(QMouseEvent *event)
{
    endHold();
    QPushButton::mouseReleaseEvent(event);
}

void AdjusterButton::keyPressEvent(QKeyEvent *event)
{
    if (!isActivationKey(*event)) {
        QPushButton::keyPressEvent(event); // Tab and the arrows move the focus
        return;
    }
    // Timer1 repeats, not the keyboard; a key pressed during a hold starts none.
    if (!event->isAutoRepeat() && !m_held) {
        startHold();
        m_heldByKey = true;
        setDown(true);
    }
    event->accept();
}

void AdjusterButton::keyReleaseEvent(QKeyEvent *event)
{
    if (!isActivationKey(*event)) {
        QPushButton::keyReleaseEvent(event);
        return;
    }
    if (!event->isAutoRepeat())
        endHold();
    event->accept();
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
    if (m_heldByKey) {
        m_heldByKey = false;
        setDown(false);
    }
    emit mouseUp();
}

void AdjusterButton::pressOnce()
{
    if (m_held)
        return;
    startHold();
    endHold();
}
