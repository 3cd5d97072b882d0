// The window over a real serial port: a simulated projector on a pseudo-terminal as COM1.
// Clicks must put their bytes on the line, and what the projector says must reach the lines
// of the monitor.

#include "devicemap.h"
#include "form1.h"
#include "panellabel.h"
#include "qtserialport.h"
#include "simulatedprojector.h"
#include "virtualclock.h"

#include <QDeadlineTimer>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>

namespace
{

// Runs the event loop until `done` holds. It blocks on events (the pseudo-terminal's, the
// port's), never sleeps; the deadline only ends a hang.
bool waitFor(const std::function<bool()> &done)
{
    const QDeadlineTimer deadline(10000);
    QTimer wake;
    wake.start(int(deadline.remainingTime()));
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

struct Rig {
    Rig()
    {
        if (!projectorReady)
            qFatal("%s", qPrintable(projector.errorString()));
        form.load();
        form.show();
    }

    DeviceMap devices() const
    {
        DeviceMap map;
        map.setDevice(1, projector.devicePath());
        return map;
    }

    QByteArray onTheLine() const
    {
        QByteArray bytes;
        for (const QList<QVariant> &arguments : lineBytes)
            bytes += arguments.constFirst().toByteArray();
        return bytes;
    }

    QWidget *control(const char *name) const
    {
        return form.findChild<QWidget *>(QString::fromLatin1(name));
    }
    QString label(const char *name) const
    {
        return form.findChild<PanelLabel *>(QString::fromLatin1(name))->text();
    }
    void click(const char *name) { QTest::mouseClick(control(name), Qt::LeftButton); }

    SimulatedProjector projector;
    bool projectorReady = projector.open();
    QSignalSpy lineBytes{&projector, &SimulatedProjector::bytesReceived};
    QtSerialPort port{devices()};
    VirtualClock clock; // the panel's timers stand still: labels stay until a test moves it
    Form1 form{port, [this] { return clock.createTimer(); }};
};

} // namespace

class TestForm1OnPty : public QObject
{
    Q_OBJECT

private slots:
    void clicksPutTheirBytesOnTheLine_data();
    void clicksPutTheirBytesOnTheLine();
    void repliesShowInTheLabels();
    void speedChoiceReachesTheLine();
};

void TestForm1OnPty::clicksPutTheirBytesOnTheLine_data()
{
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("POWER ON") << QStringList{"Command17"} << QByteArray("C00\r");
    QTest::newRow("REAL") << QStringList{"Command10"} << QByteArray("C12\r");
    QTest::newRow("STATUS, TEMP") << QStringList{"Command44", "Command54"}
                                  << QByteArray("CR0\rCR6\r");
}

void TestForm1OnPty::clicksPutTheirBytesOnTheLine()
{
    QFETCH(QStringList, buttons);
    QFETCH(QByteArray, line);
    Rig rig;
    for (const QString &button : buttons)
        rig.click(qPrintable(button));
    QVERIFY(waitFor([&] { return rig.onTheLine().size() >= line.size(); }));
    QCOMPARE(rig.onTheLine(), line);
}

void TestForm1OnPty::repliesShowInTheLabels()
{
    Rig rig;
    rig.click("Command44");
    QVERIFY(waitFor([&] { return rig.label("Label22") == QStringLiteral(" Stand by"); }));
    QCOMPARE(rig.label("Label12"), QStringLiteral(" 8 0 CR "));
    QCOMPARE(rig.label("Label11"), QStringLiteral(" C R 0 CR "));

    rig.clock.advance(1000); // the exchange closes and the labels clear
    QCOMPARE(rig.label("Label22"), QString());

    // A query that only the command box can send.
    auto *box = rig.form.findChild<QLineEdit *>(QStringLiteral("Text1"));
    box->setFocus();
    QTest::keyClicks(box, "CR PRESSURE");
    rig.click("Command95");
    QVERIFY(waitFor([&] { return rig.label("Label22") == QStringLiteral("1013 hPa"); }));
    QCOMPARE(rig.label("Label12"), QStringLiteral(" 8 5 3 CR "));
}

void TestForm1OnPty::speedChoiceReachesTheLine()
{
    Rig rig;
    QCOMPARE(rig.projector.lineSpeed(), 19200);
    rig.click("Command33");
    rig.click("Option10");
    QCOMPARE(rig.projector.lineSpeed(), 9600);
    QVERIFY(!rig.control("Frame8")->isVisible());
}

QTEST_MAIN(TestForm1OnPty)
#include "test_form1onpty.moc"
