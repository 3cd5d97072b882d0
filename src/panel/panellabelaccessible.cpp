#include "panellabelaccessible.h"

#include "panellabel.h"

PanelLabelAccessible::PanelLabelAccessible(PanelLabel *label)
    : QAccessibleWidget(label, QAccessible::StaticText)
{
}

QString PanelLabelAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name)
        return static_cast<const PanelLabel *>(widget())->text();
    return QAccessibleWidget::text(t);
}
