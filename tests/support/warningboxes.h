#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <functional>
#include <utility>

// Every warning box the program shows, in order. Each is closed as soon as it is up (unless a
// test leaves them open), after running `whileOpen` once if a test set it.
class WarningBoxes : public QObject
{
public:
    WarningBoxes() { qApp->installEventFilter(this); }

    QStringList texts;
    QString lastTitle;
    QMessageBox::Icon lastIcon = QMessageBox::NoIcon;
    std::function<void()> whileOpen;
    bool close = true;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *box = qobject_cast<QMessageBox *>(watched);
        if (box && event->type() == QEvent::Show) {
            texts << box->text();
            lastTitle = box->windowTitle();
            lastIcon = box->icon();
            QTimer::singleShot(0, box, [this, box] {
                if (whileOpen)
                    std::exchange(whileOpen, {})();
                if (close)
                    box->button(QMessageBox::Ok)->click();
            });
        }
        return false;
    }
};
