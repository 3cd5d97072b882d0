#pragma once

#include "keyhold.h"

#include <QPushButton>

// A button that acts while it is held: it reports every mouse press and release, whichever
// mouse button, and Space or Enter held on it in the same way; the keyboard's own repeat is
// not a press, marked as one or not (KeyHold). The release reaches it even when the pointer has
// left it, as the press grabbed the mouse.
//
// When the release can no longer arrive (the window loses activation, the button loses the
// focus, is hidden or disabled, a modal box opens), the button reports the release itself,
// so a repeat never runs away. A release after that is not reported a second time.
class AdjusterButton : public QPushButton
{
    Q_OBJECT

public:
    explicit AdjusterButton(QWidget *parent = nullptr);

    // Reports the release now if the button is held, as when its release cannot arrive.
    void endHold();
    // A press and its release at once: a single command, for assistive technology.
    void pressOnce();

signals:
    void mouseDown();
    void mouseUp();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void startHold();

    bool m_held = false;
    bool m_heldByKey = false; // the button is drawn down by us, not by the stock button
    KeyHold m_key;
    bool m_keyReleased = false; // the key went up; the hold ends unless it was a repeat
};
