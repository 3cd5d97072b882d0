#pragma once

#include <QString>

namespace PanelLayout
{
struct Control;
}

// What the panel tells assistive technology about the widgets it draws itself, and the names
// of its buttons.
namespace PanelAccessibility
{

// Makes the panel's own widgets known to the accessibility layer; before any is asked for.
void install();

// A button's name says what it does on its own: its group title and its caption ("POWER ON",
// "VOL +", "PC1 RGB"), an arrow in words. `button` is a row of PanelLayout::controls().
QString buttonName(const PanelLayout::Control &button, const QString &caption);

} // namespace PanelAccessibility
