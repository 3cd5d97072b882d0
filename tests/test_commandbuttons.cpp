#include "commandbuttons.h"
#include "fakeserialport.h"
#include "linkcore.h"
#include "monitorrendering.h"
#include "paneldisplay.h"
#include "panelstate.h"
#include "porterror.h"
#include "virtualclock.h"

#include <QTest>

#include <memory>

namespace
{

struct Rig {
    Rig()
    {
        timer1->setInterval(200);
        timer2->setInterval(500);
        timer3->setInterval(5000);
        timer4->setInterval(1000);
        port.setOnComm([this] { core.onComm(); });
        port.open();
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
    int endings = 0;
    CommandButtons buttons{state, core, port, *timer1, *timer2, *timer4, [this] { ++endings; }};
};

} // namespace

class TestCommandButtons : public QObject
{
    Q_OBJECT

private slots:
    void sendsItsCode_data();
    void sendsItsCode();
    void menuArrowsAfterTheSend_data();
    void menuArrowsAfterTheSend();
    void endClosesAndEnds();
    void endEndsWhenTheCloseFails();
    void controlsOutsideTheCatalogue();
};

void TestCommandButtons::sendsItsCode_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("replyWait"); // 0: the intervals in force stay
    QTest::addColumn<int>("displayClear");

    const auto row = [](const char *name, const char *button, const char *code, int wait = 0,
                        int clear = 0) { QTest::newRow(name) << button << code << wait << clear; };
    row("POWER ON", "Command17", "C00");
    row("POWER OFF", "Command18", "C01");
    row("INPUT PC1", "Command27", "C05");
    row("INPUT PC2", "Command28", "C06");
    row("INPUT Video", "Command29", "C07");
    row("MUTE ON", "Command19", "C0B");
    row("MUTE OFF", "Command20", "C0C");
    row("NO SHOW ON", "Command21", "C0D");
    row("NO SHOW OFF", "Command22", "C0E");
    row("Regular", "Command31", "C0F");
    row("Wide", "Command32", "C10");
    row("MENU ON", "Command23", "C1C");
    row("MENU OFF", "Command24", "C1D");
    row("FREEZE ON", "Command25", "C43");
    row("FREEZE OFF", "Command26", "C44");
    row("STAND", "Command4", "C11", 2000, 2500);
    row("REAL", "Command10", "C12", 2000, 2500);
    row("CINEMA", "Command11", "C13", 2000, 2500);
    row("IMAGE1", "Command39", "C14", 2000, 2500);
    row("IMAGE2", "Command40", "C15", 2000, 2500);
    row("IMAGE3", "Command41", "C16", 2000, 2500);
    row("IMAGE4", "Command42", "C17", 2000, 2500);
    row("B.Board", "Command12", "C18", 2000, 2500);
    row("A-IMAGE", "Command13", "C89");
    row("IMAGE", "Command30", "C27");
    row("P-TIMER", "Command14", "C8A");
    row("DISPLAY CLEAR", "Command3", "C1E");
    row("STATUS", "Command44", "CR0");
    row("MODE", "Command45", "CR1");
    row("L-TIME", "Command46", "CR3");
    row("SETTING", "Command47", "CR4");
    row("TEMP", "Command54", "CR6");
    row("PC1 RGB", "Command64", "C50", 5000, 5500);
    row("SCART RGB", "Command65", "C51", 5000, 5500);
    row("Component", "Command66", "C54", 5000, 5500);
    row("PC2 RGB", "Command72", "C25", 5000, 5500);
    row("Auto", "Command81", "C32", 5000, 5500);
    row("Video Video", "Command82", "C33", 5000, 5500);
    row("S-Video", "Command69", "C34", 5000, 5500);
    row("C02", "Command36", "C02");
}

void TestCommandButtons::sendsItsCode()
{
    QFETCH(QString, button);
    QFETCH(QString, code);
    QFETCH(int, replyWait);
    QFETCH(int, displayClear);
    Rig rig;
    rig.timer2->setInterval(111); // what an earlier handler left
    rig.timer4->setInterval(222);
    rig.display.label12.set(" 0 0 CR ");

    rig.buttons.click(button.toStdString());

    const std::string framed = code.toStdString() + '\r';
    QCOMPARE(rig.port.takeWritten(), framed);
    QCOMPARE(rig.state.lastCommand, framed);
    QCOMPARE(rig.display.label11.get(), renderForMonitor(framed));
    QCOMPARE(rig.display.label12.get(), std::string(" 0 0 CR ")); // left for the reply
    QCOMPARE(rig.timer2->interval(), replyWait ? replyWait : 111);
    QCOMPARE(rig.timer4->interval(), displayClear ? displayClear : 222);
    QVERIFY(rig.timer2->isEnabled() && rig.timer4->isEnabled());
    QCOMPARE(rig.state.awaitingReply, 1);
    QCOMPARE(rig.endings, 0);
}

void TestCommandButtons::menuArrowsAfterTheSend_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("MENU ON") << "Command23";
    QTest::newRow("A-IMAGE") << "Command13";
}

void TestCommandButtons::menuArrowsAfterTheSend()
{
    QFETCH(QString, button);
    Rig rig;
    rig.timer1->setInterval(5);

    // A send that fails leaves the arrows as they were.
    rig.port.failWrites = true;
    QVERIFY_THROWS_EXCEPTION(PortError, rig.buttons.click(button.toStdString()));
    QCOMPARE(rig.timer1->interval(), 5);
    QCOMPARE(rig.state.arrowStepMode, 0);

    rig.port.failWrites = false;
    rig.buttons.click(button.toStdString());
    QCOMPARE(rig.timer1->interval(), 200);
    QCOMPARE(rig.state.arrowStepMode, 1);
    QVERIFY(!rig.timer1->isEnabled());

    rig.buttons.click("Command24"); // MENU OFF keeps them
    QCOMPARE(rig.state.arrowStepMode, 1);
}

void TestCommandButtons::endClosesAndEnds()
{
    Rig rig;
    rig.buttons.click("Command16");
    QVERIFY(!rig.port.isOpen());
    QCOMPARE(rig.endings, 1);
    QCOMPARE(rig.port.takeWritten(), std::string());
    QCOMPARE(rig.display.label11.get(), std::string());

    rig.buttons.click("Command16"); // on a closed port just the same
    QCOMPARE(rig.endings, 2);
}

void TestCommandButtons::endEndsWhenTheCloseFails()
{
    Rig rig;
    rig.port.failClose = true;
    QVERIFY_THROWS_EXCEPTION(PortError, rig.buttons.click("Command16"));
    QCOMPARE(rig.endings, 1);
}

void TestCommandButtons::controlsOutsideTheCatalogue()
{
    Rig rig;
    for (const char *name : {"Command1", "Command33", "Command34", "Command95", "Command99", ""})
        rig.buttons.click(name);
    QCOMPARE(rig.port.takeWritten(), std::string());
    QCOMPARE(rig.endings, 0);
}

QTEST_GUILESS_MAIN(TestCommandButtons)
#include "test_commandbuttons.moc"
