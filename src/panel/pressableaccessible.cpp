#include "pressableaccessible.h"

#include <QWidget>

#include <utility>

PressableAccessible::PressableAccessible(QWidget *widget, QAccessible::Role role,
                                         std::function<void()> press)
    : QAccessibleWidget(widget, role), m_press(std::move(press))
{
}

QStringList PressableAccessible::actionNames() const
{
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void PressableAccessible::doAction(const QString &actionName)
{
    if (actionName != pressAction())
        QAccessibleWidget::doAction(actionName);
    else if (widget()->isEnabled())
        m_press();
}
