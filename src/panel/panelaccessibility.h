#pragma once

// What the panel tells assistive technology about the widgets it draws itself.
namespace PanelAccessibility
{

// Makes the panel's own widgets known to the accessibility layer; before any is asked for.
void install();

} // namespace PanelAccessibility
