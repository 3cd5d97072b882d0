#pragma once

#include <QObject>

#include <vector>

class QWidget;

// Keeps the keyboard to the controls the operator can see: at each window height, and when
// the port group covers the COM button, Tab, Shift+Tab and the arrows go through exactly the
// controls in view, top to bottom and left to right. A control out of view leaves the chain
// and cannot be worked by the keyboard; the focus never stays on one, and is always marked.
class FocusChain : public QObject
{
    Q_OBJECT

public:
    // Takes the controls on `window` (the view, which may be scrolled) that take the focus
    // now; call once they are all built.
    explicit FocusChain(QWidget &window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Control {
        QWidget *widget;
        Qt::FocusPolicy policy; // as built, given back when it comes into view
    };

    bool inView(const QWidget *control) const;
    void update();
    void moveFocusFrom(const QWidget *gone);

    QWidget &m_window;
    std::vector<Control> m_controls; // in reading order
    bool m_windowShown = false;
};
