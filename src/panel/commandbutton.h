#pragma once

#include "keyhold.h"

#include <QPushButton>

#include <functional>
#include <optional>

// A button that acts once per click, by mouse or keyboard (Space or Enter while it has the
// focus, at the press, once however long the key is held). activated() comes before the
// button repaints itself as released, so the command it sends goes out before the drawing.
class CommandButton : public QPushButton
{
    Q_OBJECT

public:
    explicit CommandButton(QWidget *parent = nullptr);

    // The caption goes on two or more lines when one is too narrow for it, as the design's
    // "DISPLAY CLEAR" and the Japanese captions of Command34 need.
    void setCaption(const QString &caption);
    const QString &caption() const { return m_caption; }

signals:
    void activated();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // Raises activated(), then lets the stock button finish the click it would make.
    void activateBefore(const std::function<void()> &finish);

    QString m_caption;
    std::optional<QString> m_wrapped; // as painted; nothing until the next paint wraps it

    bool m_activatedEarly = false; // the click now being finished has been reported already
    KeyHold m_key;
};
