// The baseline of start-up: a bare Qt 6 window with one button.
#include <QApplication>
#include <QPushButton>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QPushButton button(QStringLiteral("ON"));
    button.show();
    return QApplication::exec();
}
