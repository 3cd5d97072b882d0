#pragma once

#include "observable.h"

#include <string>

class Timer;
struct PanelState;

// Reveals and hides the lower part of the window by its height: Ctrl+J shows the monitor
// band and arms a double-click on Image1, which shows everything; Command34 goes back to the
// compact view and afterwards toggles the monitor band. Nothing here sends anything.
//
// The window height is the outer height in twips, title bar and borders included.
class ExtendedPanel
{
public:
    static constexpr float kCompactHeight = 5350; // the operating buttons only
    static constexpr float kDataHeight = 6645;    // and the monitor band
    static constexpr float kRevealHeight = 7200;  // the same, reached by the key chord
    static constexpr float kFullHeight = 9100;    // the whole layout
    static constexpr float kDataThreshold = 6000; // Command34 shrinks from here up

    static constexpr int kKeyJ = 'J';    // a letter key's code is its capital letter, as in Qt
    static constexpr int kShiftMask = 1; // the modifier bits of keyDown()
    static constexpr int kCtrlMask = 2;
    static constexpr int kAltMask = 4;

    static constexpr const char *kCloseCaption = "CLOSE";
    static constexpr const char *kShowDataCaption = "データを表示する";
    static constexpr const char *kHideDataCaption = "データを表示しない";

    ExtendedPanel(PanelState &state, Timer &timer3);

    // A key seen by the window before the focused control; the key is not consumed.
    void keyDown(int keyCode, int modifiers);
    void image1DoubleClick();
    void command34Click();

    Observable<float> windowHeight;
    Observable<std::string> command34Caption{kShowDataCaption}; // UTF-8
    Observable<bool> command34Visible{false};

private:
    void showCloseButton();

    PanelState &m_state;
    Timer &m_timer3;
};
