#include "fakeserialport.h"
#include "holdtorepeat.h"
#include "linkcore.h"
#include "paneldisplay.h"
#include "panelstate.h"
#include "porterror.h"
#include "virtualclock.h"

#include <QTest>

#include <algorithm>
#include <memory>

namespace {

struct Rig {
    Rig()
    {
        timer1->setInterval(200);
        timer2->setInterval(500);
        timer3->setInterval(5000);
        timer4->setInterval(1000);
        timer1->setOnExpiry([this] { hold.tick(); });
        port.setOnComm([this] { core.onComm(); });
        port.open();
    }

    int commandsSent(const std::string &code)
    {
        const std::string written = port.takeWritten();
        const std::string framed = code + '\r';
        int count = 0;
        for (std::size_t at = written.find(framed); at != std::string::npos;
             at = written.find(framed, at + framed.size()))
            ++count;
        const auto total = std::ranges::count(written, '\r');
        return count == total ? count : -1; // -1: something else went out as well
    }

    // What MENU ON and A-IMAGE leave behind for the arrows.
    void prepareMenuArrows()
    {
        timer1->setInterval(200);
        state.arrowStepMode = 1;
    }

    VirtualClock clock;
    FakeSerialPort port;
    PanelState state;
    PanelDisplay display;
    std::unique_ptr<Timer> timer1 = clock.createTimer();
    std::unique_ptr<Timer> timer2 = clock.createTimer();
    std::unique_ptr<Timer> timer3 = clock.createTimer();
    std::unique_ptr<Timer> timer4 = clock.createTimer();
    LinkCore core{state, display, port, *timer2, *timer3, *timer4};
    HoldToRepeat hold{state, display, core, *timer1, *timer2, *timer4};
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
    void arrowsAfterZoomThenVolume();
    void releaseRestsTheMonitor();
    void tickRepeatsTheHeldCode();
    void failingTickStopsFirst();
    void stopActsAsRelease();
    void replyAfterReleaseStartsANewBuffer();
};

void TestHoldToRepeat::steppers_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("repeat");
    QTest::addColumn<int>("replyWait");
    QTest::addColumn<int>("displayClear");

    QTest::newRow("VOL +") << "Command1" << "C09" << 250 << 200 << 245;
    QTest::newRow("VOL -") << "Command2" << "C0A" << 250 << 200 << 245;
    QTest::newRow("Brightness +") << "Command15" << "C20" << 50 << 25 << 25;
    QTest::newRow("Brightness -") << "Command35" << "C21" << 50 << 25 << 25;
    QTest::newRow("D.Zoom +") << "Command48" << "C30" << 250 << 200 << 245;
    QTest::newRow("D.Zoom -") << "Command49" << "C31" << 250 << 200 << 245;
    QTest::newRow("Keystone +") << "Command50" << "C8E" << 250 << 200 << 245;
    QTest::newRow("Keystone -") << "Command51" << "C8F" << 250 << 200 << 245;
    QTest::newRow("SELECT") << "Command6" << "C3F" << 500 << 200 << 245;
}

void TestHoldToRepeat::steppers()
{
    QFETCH(QString, button);
    QFETCH(QString, code);
    QFETCH(int, repeat);
    QFETCH(int, replyWait);
    QFETCH(int, displayClear);
    Rig rig;
    const std::string name = button.toStdString();

    // A press shorter than one interval sends once.
    rig.hold.press(name);
    QCOMPARE(rig.commandsSent(code.toStdString()), 1);
    QCOMPARE(rig.timer1->interval(), repeat);
    QCOMPARE(rig.timer2->interval(), replyWait);
    QCOMPARE(rig.timer4->interval(), displayClear);
    rig.clock.advance(repeat - 1);
    rig.hold.release(name);
    QCOMPARE(rig.commandsSent(code.toStdString()), 0);

    // A hold of n intervals sends n + 1.
    rig.hold.press(name);
    rig.clock.advance(7 * repeat);
    rig.hold.release(name);
    rig.clock.advance(10 * repeat);
    QCOMPARE(rig.commandsSent(code.toStdString()), 8);
    QCOMPARE(rig.state.heldAdjuster, 0);
}

void TestHoldToRepeat::arrows_data()
{
    QTest::addColumn<QString>("prepare");
    QTest::addColumn<int>("repeat");
    QTest::addColumn<int>("replyWait");
    QTest::addColumn<int>("displayClear");

    QTest::newRow("at start") << "" << 200 << 500 << 1000;
    QTest::newRow("after MENU ON") << "menu" << 200 << 150 << 190;
    QTest::newRow("after D.Zoom") << "zoom" << 5 << 5 << 5;
}

void TestHoldToRepeat::arrows()
{
    QFETCH(QString, prepare);
    QFETCH(int, repeat);
    QFETCH(int, replyWait);
    QFETCH(int, displayClear);

    const struct {
        const char *button, *code;
    } arrows[] = {{"Command5", "C3C"}, {"Command7", "C3D"}, {"Command9", "C3B"}, {"Command8", "C3A"}};
    for (const auto &arrow : arrows) {
        Rig rig;
        if (prepare == "menu")
            rig.prepareMenuArrows();
        if (prepare == "zoom") {
            rig.hold.press("Command48");
            rig.hold.release("Command48");
            QCOMPARE(rig.state.arrowStepMode, 3);
            rig.port.takeWritten();
        }
        rig.hold.press(arrow.button);
        QCOMPARE(rig.timer2->interval(), replyWait);
        QCOMPARE(rig.timer4->interval(), displayClear);
        rig.clock.advance(4 * repeat);
        rig.hold.release(arrow.button);
        QCOMPARE(rig.commandsSent(arrow.code), 5);
    }
}

void TestHoldToRepeat::arrowsAfterZoomThenVolume()
{
    Rig rig;
    rig.hold.press("Command49");
    rig.hold.release("Command49");
    rig.hold.press("Command1");
    rig.hold.release("Command1");
    rig.port.takeWritten();

    rig.hold.press("Command8");
    QCOMPARE(rig.timer2->interval(), 5);
    QCOMPARE(rig.timer4->interval(), 5);
    rig.clock.advance(500);
    rig.hold.release("Command8");
    QCOMPARE(rig.commandsSent("C3A"), 3); // every 250 ms, the VOL interval
}

void TestHoldToRepeat::releaseRestsTheMonitor()
{
    Rig rig;
    rig.core.transmit("CR0");
    rig.port.receive("00\r");
    QCOMPARE(rig.display.label22.get(), std::string(" Power ON"));

    rig.hold.press("Command1");
    rig.port.receive("x");
    rig.hold.release("Command1");
    QVERIFY(rig.display.label11.get().empty());
    QVERIFY(rig.display.label12.get().empty());
    QVERIFY(rig.state.receiveBuffer.empty());
    QVERIFY(!rig.timer1->isEnabled());
    QVERIFY(!rig.timer2->isEnabled());
    QCOMPARE(rig.timer2->interval(), 500);
    QCOMPARE(rig.timer4->interval(), 1000);

    rig.clock.advance(999);
    QCOMPARE(rig.display.label22.get(), std::string(" Power ON"));
    QVERIFY(rig.display.label12.get().empty()); // no no-reply mark after a release
    rig.clock.advance(1);
    QVERIFY(rig.display.label22.get().empty());
}

void TestHoldToRepeat::tickRepeatsTheHeldCode()
{
    Rig rig;
    rig.hold.press("Command50");
    rig.core.transmit("C00"); // another path sends between two ticks
    QCOMPARE(rig.port.takeWritten(), std::string("C8E\rC00\r"));
    rig.clock.advance(250);
    QCOMPARE(rig.port.takeWritten(), std::string("C8E\r"));
    QCOMPARE(rig.state.lastCommand, std::string("C8E\r"));
}

void TestHoldToRepeat::failingTickStopsFirst()
{
    Rig rig;
    rig.hold.press("Command15");
    rig.port.failWrites = true;
    QVERIFY_THROWS_EXCEPTION(PortError, rig.clock.advance(50));
    QCOMPARE(rig.state.heldAdjuster, 0);
    QVERIFY(!rig.timer1->isEnabled());
    rig.clock.advance(1000); // nothing further fails: the repeat has stopped
}

void TestHoldToRepeat::stopActsAsRelease()
{
    Rig rig;
    rig.hold.press("Command48");
    rig.hold.stop();
    QCOMPARE(rig.state.heldAdjuster, 0);
    QVERIFY(!rig.timer1->isEnabled());
    QCOMPARE(rig.timer1->interval(), 5);
    QCOMPARE(rig.state.arrowStepMode, 3);
    rig.port.takeWritten();
    rig.hold.stop(); // nothing held: nothing happens
    rig.clock.advance(1000);
    QVERIFY(rig.port.takeWritten().empty());
}

void TestHoldToRepeat::replyAfterReleaseStartsANewBuffer()
{
    Rig rig;
    rig.hold.press("Command2");
    rig.port.receive("ab");
    rig.hold.release("Command2");
    rig.port.receive("c");
    QCOMPARE(rig.state.receiveBuffer, std::string("c"));
    QCOMPARE(rig.display.label12.get(), std::string(" c "));
}

QTEST_GUILESS_MAIN(TestHoldToRepeat)
#include "test_holdtorepeat.moc"
