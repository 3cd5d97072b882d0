#pragma once

#include <QString>
#include <QStringList>

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

enum class PortState { NotOpen, Connecting, Open };

// What the COM button tells besides its caption: the device of each port (`devices`, COM1's
// first), and whether the chosen one (1 or 2) is open and at what speed.
QString portsDescription(const QStringList &devices, int chosen, PortState state, int baud);

} // namespace PanelAccessibility
