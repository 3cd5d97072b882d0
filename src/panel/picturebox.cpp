#include "picturebox.h"

#include "activationkey.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

PictureBox::PictureBox(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::TabFocus); // a click on it leaves the focus where it is
}

void PictureBox::setPixmap(const QPixmap &pixmap)
{
    m_pixmap = pixmap;
    update();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_pixmap);
    if (hasFocus()) {
        // A plain widget gets no focus mark from the style.
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawRect(rect().adjusted(1, 1, -1, -1));
    }
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    else
        QWidget::mouseDoubleClickEvent(event);
}

void PictureBox::keyPressEvent(QKeyEvent *event)
{
    // The arrows go on to the next control as they do from a button.
    if (event->key() == Qt::Key_Right || event->key() == Qt::Key_Down)
        focusNextChild();
    else if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Up)
        focusPreviousChild();
    else if (!isActivationKey(*event))
        QWidget::keyPressEvent(event);
    else if (!event->isAutoRepeat())
        emit doubleClicked();
}
