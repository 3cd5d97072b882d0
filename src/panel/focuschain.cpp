#include "focuschain.h"

#include "activationkey.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFrame>
#include <QWidget>

#include <algorithm>
#include <tuple>

namespace
{

QRect placeIn(const QWidget &window, const QWidget *control)
{
    return {control->mapTo(&window, QPoint()), control->size()};
}

bool activates(const QEvent *event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    return isActivationKey(*static_cast<const QKeyEvent *>(event));
}

} // namespace

FocusChain::FocusChain(QWidget &window) : QObject(&window), m_window(window)
{
    for (QWidget *widget : window.findChildren<QWidget *>()) {
        if (widget->focusPolicy() != Qt::NoFocus)
            m_controls.push_back({widget, widget->focusPolicy()});
        // Controls and frames come and go (the port group, Command34); labels, which repaint
        // at every byte received, are left alone.
        if (widget->focusPolicy() != Qt::NoFocus || qobject_cast<QFrame *>(widget))
            widget->installEventFilter(this);
    }
    // Reading order, a group's controls together: by where the group stands, then by their
    // own places, so that Tab goes through the port group before it leaves it.
    const auto order = [&window](const QWidget *control) {
        const QWidget *group = control;
        while (group->parentWidget() != &window)
            group = group->parentWidget();
        const QPoint at = placeIn(window, group).topLeft(), own = placeIn(window, control).topLeft();
        return std::tuple(at.y(), at.x(), own.y(), own.x());
    };
    std::ranges::sort(m_controls, [&order](const Control &a, const Control &b) {
        return order(a.widget) < order(b.widget);
    });
    window.installEventFilter(this);
    update();
}

bool FocusChain::inView(const QWidget *control) const
{
    if (!control->isVisibleTo(&m_window))
        return false;
    const QRect place = placeIn(m_window, control);
    if (!m_window.rect().contains(place))
        return false;
    // Not covered by another control, as the COM button is by the port group.
    const QWidget *top = m_window.childAt(place.center());
    return top == control || control->isAncestorOf(top);
}

bool FocusChain::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == &m_window && (type == QEvent::Show || type == QEvent::Hide))
        m_windowShown = type == QEvent::Show;
    // No key reaches a hidden window. As it shows, every control shows to its parent in turn
    // before the window's own Show: one update then does for them all.
    const bool windowChanged =
        watched == &m_window && (type == QEvent::Resize || type == QEvent::Show);
    if (m_windowShown &&
        (windowChanged || type == QEvent::ShowToParent || type == QEvent::HideToParent))
        update();
    // The style marks the focused control only once a key has moved the focus, and showing
    // the window forgets that; the operator on the keyboard needs the mark from the start.
    if (watched == &m_window && type == QEvent::Show)
        m_window.window()->setAttribute(Qt::WA_KeyboardFocusChange);
    // A control out of view keeps the focus only when the program gave it; it must not act.
    if (watched != &m_window && activates(event) && qobject_cast<QAbstractButton *>(watched) &&
        !inView(static_cast<QWidget *>(watched)))
        return true;
    return false;
}

void FocusChain::update()
{
    QWidget *previous = nullptr;
    for (const Control &control : m_controls) {
        if (!inView(control.widget)) {
            control.widget->setFocusPolicy(Qt::NoFocus);
            continue;
        }
        control.widget->setFocusPolicy(control.policy);
        if (previous)
            QWidget::setTabOrder(previous, control.widget);
        previous = control.widget;
    }
    if (QWidget *focus = m_window.focusWidget(); focus && !inView(focus))
        moveFocusFrom(focus);
}

void FocusChain::moveFocusFrom(const QWidget *gone)
{
    // To the nearest control in view: the one the operator's eye is on.
    const QPoint from = placeIn(m_window, gone).center();
    QWidget *nearest = nullptr;
    int nearestDistance = 0;
    for (const Control &control : m_controls) {
        if (!inView(control.widget))
            continue;
        const int distance = (placeIn(m_window, control.widget).center() - from).manhattanLength();
        if (!nearest || distance < nearestDistance) {
            nearest = control.widget;
            nearestDistance = distance;
        }
    }
    if (nearest)
        nearest->setFocus(Qt::OtherFocusReason);
}
