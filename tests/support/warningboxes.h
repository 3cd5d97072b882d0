#pragma once

#include <QMessageBox>
#include <QObject>
#include <QStringList>

#include <functional>

// Every warning box the program shows, in order. Each is closed as soon as it is up, after
// running `whileOpen` once if a test set it.
class WarningBoxes : public QObject
{
public:
    WarningBoxes();

    QStringList texts;
    QString lastTitle;
    QMessageBox::Icon lastIcon = QMessageBox::NoIcon;
    std::function<void()> whileOpen;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
