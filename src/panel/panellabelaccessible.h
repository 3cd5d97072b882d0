#pragma once

#include <QAccessibleWidget>

class PanelLabel;

// What assistive technology reads of a PanelLabel: static text whose name is the text shown.
// PanelLabel paints its text itself, so the generic widget interface would find none.
class PanelLabelAccessible : public QAccessibleWidget
{
public:
    explicit PanelLabelAccessible(PanelLabel *label);

    QString text(QAccessible::Text t) const override;
};
