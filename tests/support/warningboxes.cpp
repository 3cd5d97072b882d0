#include "warningboxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <utility>

WarningBoxes::WarningBoxes()
{
    qApp->installEventFilter(this);
}

bool WarningBoxes::eventFilter(QObject *watched, QEvent *event)
{
    auto *box = qobject_cast<QMessageBox *>(watched);
    if (box && event->type() == QEvent::Show) {
        texts << box->text();
        lastTitle = box->windowTitle();
        lastIcon = box->icon();
        QTimer::singleShot(0, box, [this, box] {
            if (whileOpen)
                std::exchange(whileOpen, {})();
            box->button(QMessageBox::Ok)->click();
        });
    }
    return false;
}
