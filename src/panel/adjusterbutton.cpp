#include "adjusterbutton.h"

AdjusterButton::AdjusterButton(QWidget *parent) : QPushButton(parent) {}

void AdjusterButton::mousePressEvent(QMouseEvent *event)
{
    emit mouseDown(); // the first command goes out before the button draws itself down
    QPushButton::mousePressEvent(event);
}

void AdjusterButton::mouseReleaseEvent(QMouseEvent *event)
{
    emit mouseUp();
    QPushButton::mouseReleaseEvent(event);
}
