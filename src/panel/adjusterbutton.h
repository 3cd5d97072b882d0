#pragma once

#include <QPushButton>

// A button that acts while it is held: it reports every mouse press and release, whichever
// mouse button, and nothing else. The keyboard does not work it. The release reaches it
// even when the pointer has left it, as the press grabbed the mouse.
class AdjusterButton : public QPushButton
{
    Q_OBJECT

public:
    explicit AdjusterButton(QWidget *parent = nullptr);

signals:
    void mouseDown();
    void mouseUp();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};
