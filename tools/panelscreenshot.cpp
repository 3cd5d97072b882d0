// orva-panel-screenshot FILE: draws the panel in its full view, after a status query and its
// reply, into FILE (PNG). Runs offscreen on a fake port and a clock that stands still, so the
// picture is the same every time. Used by scripts/screenshot.sh for the README.

#include "fakeserialport.h"
#include "form1.h"
#include "virtualclock.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: orva-panel-screenshot FILE\n";
        return 2;
    }
    VirtualClock clock;
    FakeSerialPort port;
    Form1 form(port, [&clock](auto) { return clock.createTimer(); });
    form.load();
    form.show();

    // As an operator would: reveal the lower part, ask for the status, type a command.
    QTest::keyClick(form.focusWidget(), Qt::Key_J, Qt::ControlModifier);
    QTest::mouseDClick(form.findChild<QWidget *>(QStringLiteral("Image1")), Qt::LeftButton);
    QTest::mouseClick(form.findChild<QWidget *>(QStringLiteral("Command44")), Qt::LeftButton);
    port.receive("00\r");
    auto *box = form.findChild<QLineEdit *>(QStringLiteral("Text1"));
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("CR PRESSURE"));

    if (!form.grab().save(QString::fromLocal8Bit(argv[1]))) {
        QTextStream(stderr) << "cannot write " << argv[1] << '\n';
        return 1;
    }
    return 0;
}
