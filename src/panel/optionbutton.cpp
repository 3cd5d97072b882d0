#include "optionbutton.h"

#include "activationkey.h"

OptionButton::OptionButton(const QString &caption, QWidget *parent) : QRadioButton(caption, parent)
{
    // Not exclusive: Qt keeps an exclusive group's unmarked buttons out of the Tab chain.
    setAutoExclusive(false);
    connect(this, &QAbstractButton::clicked, this, &OptionButton::chosen);
}

void OptionButton::keyPressEvent(QKeyEvent *event)
{
    // The stock button chooses its neighbour as the arrows reach it.
    const int key = event->key();
    if (key == Qt::Key_Left || key == Qt::Key_Up || key == Qt::Key_Right || key == Qt::Key_Down) {
        focusNextPrevChild(key == Qt::Key_Right || key == Qt::Key_Down);
        event->accept();
        return;
    }
    if (!isActivationKey(*event)) {
        QRadioButton::keyPressEvent(event);
        return;
    }
    if (m_key.pressStarts(*event))
        emit chosen();
    event->accept();
}

void OptionButton::keyReleaseEvent(QKeyEvent *event)
{
    if (!isActivationKey(*event)) {
        QRadioButton::keyReleaseEvent(event);
        return;
    }
    m_key.releaseMayRepeat(*event);
    event->accept();
}
