#pragma once

#include "keyhold.h"

#include <QRadioButton>

// A port or speed choice of the port group. The panel marks it; the operator only chooses,
// with the mouse, or with Space or Enter on the focused choice, once a press however long the
// key is held. The arrows and Tab move the focus across the choices without choosing, so a
// keyboard user can reach each of them.
class OptionButton : public QRadioButton
{
    Q_OBJECT

public:
    explicit OptionButton(const QString &caption, QWidget *parent = nullptr);

signals:
    void chosen();

protected:
    void nextCheckState() override {} // the panel marks what it has applied
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    KeyHold m_key;
};
