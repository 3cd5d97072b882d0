#include "adjusterbutton.h"

#include "activationkey.h"

#include <QEvent>

#include <utility>

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
    if (!m_key.pressStarts(*event))
        m_keyReleased = false; // that release was the key repeating: the hold goes on
    else if (!m_held) {
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
    event->accept();
    if (!m_key.releaseMayRepeat(*event)) {
        endHold();
        return;
    }
    if (event->isAutoRepeat())
        return;
    // A press of the same moment, the key repeating, may be on its way: the hold ends only
    // once the events that came with this release are handled and none was that press.
    m_keyReleased = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (std::exchange(m_keyReleased, false))
                endHold();
        },
        Qt::QueuedConnection);
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
