#include "optionbutton.h"

#include "activationkey.h"

OptionButton::OptionButton(const QString &caption, QWidget *parent) : QRadioButton(caption, parent)
{
    // Not exclusive: Qt keeps an exclusive group's unmarked buttons out of the Tab chain, and
    // the arrows would choose each button they reach.
    setAutoExclusive(false);
    connect(this, &QAbstractButton::clicked, this, &OptionButton::chosen);
}

void OptionButton::keyPressEvent(QKeyEvent *event)
{
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
