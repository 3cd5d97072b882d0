#include "extendedpanel.h"

#include "panellayout.h"
#include "panelstate.h"
#include "timer.h"

ExtendedPanel::ExtendedPanel(PanelState &state, Timer &timer3)
    : windowHeight(float(PanelLayout::kDesignHeight)), m_state(state), m_timer3(timer3)
{
}

void ExtendedPanel::keyDown(int keyCode, int modifiers)
{
    const int held = modifiers & (kShiftMask | kCtrlMask | kAltMask);
    if (keyCode != kKeyJ || held != kCtrlMask)
        return;
    windowHeight.set(kRevealHeight);
    m_state.extendedPanel = 1;
    showCloseButton();
}

void ExtendedPanel::image1DoubleClick()
{
    if (m_state.extendedPanel != 1)
        return;
    windowHeight.set(kFullHeight);
    showCloseButton();
}

void ExtendedPanel::command34Click()
{
    // Stopping and starting Timer3 gives the port group a fresh five seconds.
    m_timer3.setEnabled(false);
    m_state.extendedPanel = 0;
    if (windowHeight.get() < kDataThreshold) {
        windowHeight.set(kDataHeight);
        command34Caption.set(kHideDataCaption);
    } else {
        windowHeight.set(kCompactHeight);
        command34Caption.set(kShowDataCaption);
    }
    m_timer3.setEnabled(true);
}

void ExtendedPanel::showCloseButton()
{
    command34Caption.set(kCloseCaption);
    command34Visible.set(true);
}
