#include "panelrig.h"
#include "panelstate.h"

#include <QTest>

#include <algorithm>

namespace
{

struct Rig : PanelRig<> {
    // How many times `code` went out since the last call; -1 if anything else went out too.
    int sent(const std::string &code)
    {
        const std::string written = port.takeWritten();
        const auto lines = std::ranges::count(written, '\r');
        std::string repeated;
        for (int i = 0; i < lines; ++i)
            repeated += code + '\r';
        return written == repeated ? int(lines) : -1;
    }

    // Runs each step: an adjuster pressed and released, a button clicked, "!" and a button
    // clicked while the port refuses to write.
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
};

} // namespace

class TestHoldToRepeat : public QObject
{
    Q_OBJECT

private slots:
    void steppers_data();
    void steppers();
    void arrows_data();
    void arrows();
    void releaseRestsTheMonitor();
    void tickRepeatsTheHeldCode();
    void failingRepeatIsReportedOnce();
};

void TestHoldToRepeat::steppers_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("repeat");
    QTest::addColumn<int>("replyWait");
    QTest::addColumn<int>("displayClear");
    // clang-format off
    QTest::newRow("VOL +") << "Command1" << "C09" << 250 << 200 << 245;
    QTest::newRow("VOL -") << "Command2" << "C0A" << 250 << 200 << 245;
    QTest::newRow("Brightness +") << "Command15" << "C20" << 50 << 25 << 25;
    QTest::newRow("Brightness -") << "Command35" << "C21" << 50 << 25 << 25;
    QTest::newRow("D.Zoom +") << "Command48" << "C30" << 250 << 200 << 245;
    QTest::newRow("D.Zoom -") << "Command49" << "C31" << 250 << 200 << 245;
    QTest::newRow("Keystone +") << "Command50" << "C8E" << 250 << 200 << 245;
    QTest::newRow("Keystone -") << "Command51" << "C8F" << 250 << 200 << 245;
    QTest::newRow("SELECT") << "Command6" << "C3F" << 500 << 200 << 245;
    // clang-format on
}

void TestHoldToRepeat::steppers()
{
    QFETCH(QString, button);
    QFETCH(QString, code);
    QFETCH(int, repeat);
    Rig rig;
    const std::string name = button.toStdString();

    // A press shorter than one interval sends once.
    rig.panel.press(name);
    QCOMPARE(rig.sent(code.toStdString()), 1);
    QCOMPARE(rig.timer(1).interval(), repeat);
    QTEST(rig.timer(2).interval(), "replyWait");
    QTEST(rig.timer(4).interval(), "displayClear");
    rig.clock.advance(repeat - 1);
    rig.panel.release(name);
    QCOMPARE(rig.sent(code.toStdString()), 0);

    // A hold of n intervals sends n + 1.
    rig.panel.press(name);
    rig.clock.advance(7 * repeat);
    rig.panel.release(name);
    rig.clock.advance(10 * repeat);
    QCOMPARE(rig.sent(code.toStdString()), 8);
}

// The arrows repeat at what Timer1 holds and take their display intervals from what came
// before them.
void TestHoldToRepeat::arrows_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<int>("repeat");
    QTest::addColumn<int>("replyWait");
    QTest::addColumn<int>("displayClear");
    QTest::newRow("at start") << QStringList{} << 200 << 500 << 1000;
    QTest::newRow("after MENU ON") << QStringList{"Command23"} << 200 << 150 << 190;
    QTest::newRow("after A-IMAGE") << QStringList{"Command13"} << 200 << 150 << 190;
    QTest::newRow("after D.Zoom") << QStringList{"Command48"} << 5 << 5 << 5;
    QTest::newRow("after D.Zoom, VOL") << QStringList{"Command49", "Command1"} << 250 << 5 << 5;
    QTest::newRow("after D.Zoom, failed MENU ON")
        << QStringList{"Command48", "!Command23"} << 5 << 5 << 5;
    QTest::newRow("after MENU ON, MENU OFF")
        << QStringList{"Command23", "Command24"} << 200 << 150 << 190;
}

void TestHoldToRepeat::arrows()
{
    QFETCH(QStringList, before);
    QFETCH(int, repeat);
    const std::pair<const char *, const char *> arrows[] = {
        {"Command5", "C3C"}, {"Command7", "C3D"}, {"Command9", "C3B"}, {"Command8", "C3A"}};
    for (const auto &[button, code] : arrows) {
        Rig rig;
        rig.run(before);
        rig.panel.press(button);
        QTEST(rig.timer(2).interval(), "replyWait");
        QTEST(rig.timer(4).interval(), "displayClear");
        rig.clock.advance(4 * repeat);
        rig.panel.release(button);
        QCOMPARE(rig.sent(code), 5);
    }
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
    QCOMPARE(rig.timer(2).interval(), 500);
    QCOMPARE(rig.timer(4).interval(), 1000);

    rig.clock.advance(999);
    QCOMPARE(rig.status(), " Power ON");
    QCOMPARE(rig.rxd(), ""); // no no-reply mark after a release
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
