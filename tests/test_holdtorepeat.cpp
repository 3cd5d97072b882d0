// The adjusters that act while held, on the virtual clock.

#include "panelrig.h"
#include "panelstate.h"

#include <QTest>

namespace
{

struct Rig : PanelRig {
    // Presses and releases an adjuster, or clicks a button; "!" first: the port refuses it.
    void run(const QStringList &steps)
    {
        for (const QString &step : steps) {
            const std::string name = step.sliced(step.startsWith('!')).toStdString();
            port.failWrites = step.startsWith('!');
            if (ControlPanel::isAdjuster(name)) {
                panel.press(name);
                panel.release(name);
            } else {
                panel.click(name);
            }
        }
        port.failWrites = false;
        port.takeWritten();
    }
    // Timer1, Timer2 and Timer4 as "repeat/reply wait/display clear".
    QString intervals()
    {
        return QStringLiteral("%1/%2/%3").arg(timer(1).interval()).arg(timer(2).interval()).arg(timer(4).interval());
    }
};

} // namespace

class TestHoldToRepeat : public QObject
{
    Q_OBJECT

private slots:
    void everyAdjusterSendsItsCode();
    void steppers_data();
    void steppers();
    void arrows_data();
    void arrows();
    void releaseRestsTheMonitor();
    void tickRepeatsTheHeldCode();
    void failingRepeatIsReportedOnce();
};

void TestHoldToRepeat::everyAdjusterSendsItsCode()
{
    Rig rig;
    for (const char *name : {"Command1", "Command2", "Command15", "Command35", "Command48", "Command49",
                             "Command50", "Command51", "Command6", "Command5", "Command7", "Command9",
                             "Command8"}) {
        rig.panel.press(name);
        rig.panel.release(name);
    }
    QCOMPARE(rig.port.takeWritten(),
             "C09\rC0A\rC20\rC21\rC30\rC31\rC8E\rC8F\rC3F\rC3C\rC3D\rC3B\rC3A\r");
}

void TestHoldToRepeat::steppers_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("intervals");
    QTest::newRow("VOL +") << "Command1" << "250/200/245";
    QTest::newRow("Brightness -") << "Command35" << "50/25/25";
    QTest::newRow("D.Zoom +") << "Command48" << "250/200/245";
    QTest::newRow("Keystone -") << "Command51" << "250/200/245";
    QTest::newRow("SELECT") << "Command6" << "500/200/245";
}

// A press shorter than one interval sends once; a hold of n intervals sends n + 1.
void TestHoldToRepeat::steppers()
{
    QFETCH(QString, button);
    QFETCH(QString, intervals);
    Rig rig;
    const std::string name = button.toStdString();
    const int repeat = intervals.section('/', 0, 0).toInt();
    rig.panel.press(name);
    QCOMPARE(rig.intervals(), intervals);
    rig.clock.advance(repeat - 1);
    rig.panel.release(name);
    QCOMPARE(rig.port.takeWritten().size(), 4u);

    rig.panel.press(name);
    rig.clock.advance(7 * repeat);
    rig.panel.release(name);
    QVERIFY(!rig.timer(1).isEnabled());
    rig.clock.advance(10 * repeat);
    QCOMPARE(rig.port.takeWritten().size(), 8 * 4u);
}

// The arrows repeat at what Timer1 holds and take their display intervals from what came
// before them.
void TestHoldToRepeat::arrows_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("intervals");
    QTest::newRow("at start") << QStringList{} << "200/500/1000";
    QTest::newRow("after MENU ON") << QStringList{"Command23"} << "200/150/190";
    QTest::newRow("after A-IMAGE") << QStringList{"Command13"} << "200/150/190";
    QTest::newRow("after D.Zoom") << QStringList{"Command49"} << "5/5/5";
    QTest::newRow("after D.Zoom, VOL") << QStringList{"Command48", "Command1"} << "250/5/5";
    QTest::newRow("after D.Zoom, MENU ON") << QStringList{"Command48", "Command23"} << "200/150/190";
    QTest::newRow("after D.Zoom, A-IMAGE") << QStringList{"Command48", "Command13"} << "200/150/190";
    QTest::newRow("after D.Zoom, failed MENU ON") << QStringList{"Command48", "!Command23"} << "5/5/5";
    QTest::newRow("after MENU ON, MENU OFF") << QStringList{"Command23", "Command24"} << "200/150/190";
}

void TestHoldToRepeat::arrows()
{
    QFETCH(QStringList, before);
    QFETCH(QString, intervals);
    Rig rig;
    rig.run(before);
    rig.panel.press("Command7");
    QCOMPARE(rig.intervals(), intervals);
    rig.clock.advance(4 * intervals.section('/', 0, 0).toInt());
    rig.panel.release("Command7");
    QCOMPARE(rig.port.takeWritten(), "C3D\rC3D\rC3D\rC3D\rC3D\r");
}

void TestHoldToRepeat::releaseRestsTheMonitor()
{
    Rig rig;
    rig.panel.click("Command44");
    rig.port.receive("00\r");
    rig.panel.press("Command1");
    rig.port.receive("x");
    rig.panel.release("Command1");
    QCOMPARE(rig.txd() + rig.rxd(), "");
    QCOMPARE(rig.intervals(), "250/500/1000");
    rig.clock.advance(999);
    QCOMPARE(rig.rxd() + '|' + rig.status(), "| Power ON"); // no no-reply mark after a release
    rig.clock.advance(1);
    QCOMPARE(rig.status(), "");
    rig.port.receive("c"); // a reply after the release starts a new buffer
    QCOMPARE(rig.rxd(), " c ");
}

void TestHoldToRepeat::tickRepeatsTheHeldCode()
{
    Rig rig;
    rig.panel.press("Command50");
    rig.panel.click("Command17"); // another control sends between two ticks
    QCOMPARE(rig.port.takeWritten(), "C8E\rC00\r");
    rig.clock.advance(250);
    QCOMPARE(rig.port.takeWritten(), "C8E\r");
}

// A tick that cannot write stops the repeat first, so a broken line is reported once.
void TestHoldToRepeat::failingRepeatIsReportedOnce()
{
    Rig rig;
    rig.panel.press("Command15");
    rig.port.failWrites = true;
    rig.clock.advance(2000);
    QCOMPARE(rig.errors.size(), 1u);
    QCOMPARE(rig.panel.state().heldAdjuster, 0);
}

QTEST_GUILESS_MAIN(TestHoldToRepeat)
#include "test_holdtorepeat.moc"
