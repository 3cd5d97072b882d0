#pragma once

#include <QAccessibleWidget>

#include <functional>

// A widget of the panel in the role it plays, with a "press" action that does once what the
// mouse does on it: one command for an adjuster, the double-click for the picture.
class PressableAccessible : public QAccessibleWidget
{
public:
    PressableAccessible(QWidget *widget, QAccessible::Role role, std::function<void()> press);

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

private:
    std::function<void()> m_press;
};
