// Start-up of the port, the port and speed choices, the port group's timer and the window's
// opening place, on a fake port and a virtual clock.

#include "fakeserialport.h"
#include "linkcore.h"
#include "paneldisplay.h"
#include "panelstate.h"
#include "porterror.h"
#include "portsetup.h"
#include "virtualclock.h"
#include "windowplacement.h"

#include <QTest>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// The port group's share of the window: the shared state, the port, the three timers the
// link core handles, and what the reporter was given to show.
struct PortGroup {
    PanelState state;
    PanelDisplay display;
    FakeSerialPort port;
    VirtualClock clock;
    std::unique_ptr<Timer> timer2 = clock.createTimer();
    std::unique_ptr<Timer> timer3 = clock.createTimer();
    std::unique_ptr<Timer> timer4 = clock.createTimer();
    std::vector<std::string> reports;
    PortSetup setup{state, display, port, *timer3,
                    [this](const PortError &error) { reports.push_back(error.what()); }};
    LinkCore core{state, display, port, *timer2, *timer3, *timer4};

    // As after a start-up on a free port 1, with the group shown by "COM".
    void startOnPort1()
    {
        setup.load();
        setup.showPortGroup();
        port.openCount = 0;
    }
};

} // namespace

class TestPortSetup : public QObject
{
    Q_OBJECT

private slots:
    void load_data();
    void load();
    void loadSetsTheSharedState();
    void chooseComPort_data();
    void chooseComPort();
    void failedCom2ThenCom1Reconnects();
    void chooseSpeed_data();
    void chooseSpeed();
    void refusedSpeedPropagatesAndKeepsGroupShown();
    void portGroupHidesAfterFiveSeconds();
    void choiceLeavesTheGroupTimerRunning();
    void placeWindow_data();
    void placeWindow();
};

void TestPortSetup::load_data()
{
    QTest::addColumn<int>("missingPort");
    QTest::addColumn<bool>("refuseSettings");
    QTest::addColumn<int>("reports");
    QTest::addColumn<bool>("open");
    QTest::addColumn<int>("opens");

    // The COM1 choice that start-up runs closes and opens the port once more.
    QTest::newRow("port 1 free") << 0 << false << 0 << true << 2;
    QTest::newRow("port 1 missing: reported once") << 1 << false << 1 << false << 0;
    QTest::newRow("port 2 missing does not matter") << 2 << false << 0 << true << 2;
    QTest::newRow("settings refused: reported once") << 0 << true << 1 << false << 0;
}

void TestPortSetup::load()
{
    QFETCH(int, missingPort);
    QFETCH(bool, refuseSettings);
    PortGroup group;
    if (missingPort != 0)
        group.port.failOpenOfPort = missingPort;
    group.port.failSettings = refuseSettings;

    group.setup.load();

    QTEST(static_cast<int>(group.reports.size()), "reports");
    QTEST(group.port.isOpen(), "open");
    QTEST(group.port.openCount, "opens");
    QCOMPARE(group.port.commPort(), 1);
    QCOMPARE(group.setup.markedPort.get(), 1);
    QCOMPARE(group.setup.markedSpeed.get(), 19200);
    QCOMPARE(group.display.frame8Visible.get(), false);
}

void TestPortSetup::loadSetsTheSharedState()
{
    PortGroup group;
    group.state.commandPrefix = "X";
    group.state.heldAdjuster = 3;
    group.state.awaitingReply = 1;
    group.state.receiveBuffer = "left over";

    group.setup.load();

    QCOMPARE(group.state.commSettings, std::string("19200,N,8,1"));
    QCOMPARE(group.port.settings(), std::string("19200,N,8,1"));
    QCOMPARE(group.state.commandPrefix, std::string());
    QCOMPARE(group.state.heldAdjuster, 0);
    QCOMPARE(group.state.awaitingReply, 0);
    QCOMPARE(group.state.receiveBuffer, std::string());
}

void TestPortSetup::chooseComPort_data()
{
    QTest::addColumn<bool>("openBefore");
    QTest::addColumn<int>("missingPort");
    QTest::addColumn<int>("choice");
    QTest::addColumn<int>("reports");
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("groupShown");

    QTest::newRow("COM2 from open COM1") << true << 0 << 2 << 0 << 2 << true << false;
    QTest::newRow("COM1 again reopens") << true << 0 << 1 << 0 << 1 << true << false;
    QTest::newRow("COM2 missing: back to 1, closed") << true << 2 << 2 << 1 << 1 << false << true;
    QTest::newRow("COM1 gone: number 2, closed") << true << 1 << 1 << 1 << 2 << false << true;
    QTest::newRow("closed port: COM1 connects") << false << 0 << 1 << 0 << 1 << true << false;
    QTest::newRow("closed port: COM2 connects") << false << 0 << 2 << 0 << 2 << true << false;
    QTest::newRow("closed port: COM2 missing") << false << 2 << 2 << 1 << 1 << false << true;
}

void TestPortSetup::chooseComPort()
{
    QFETCH(bool, openBefore);
    QFETCH(int, missingPort);
    QFETCH(int, choice);
    PortGroup group;
    group.startOnPort1();
    if (!openBefore)
        group.port.close();
    if (missingPort != 0)
        group.port.failOpenOfPort = missingPort;

    group.setup.chooseComPort(choice);

    QTEST(static_cast<int>(group.reports.size()), "reports");
    QTEST(group.port.commPort(), "port");
    QTEST(group.port.isOpen(), "open");
    QTEST(group.display.frame8Visible.get(), "groupShown");
    QCOMPARE(group.setup.markedPort.get(), choice); // the mark moves whatever the outcome
}

void TestPortSetup::failedCom2ThenCom1Reconnects()
{
    PortGroup group;
    group.startOnPort1();
    group.port.failOpenOfPort = 2;

    group.setup.chooseComPort(2);
    QCOMPARE(group.reports, std::vector<std::string>{"Device unavailable: COM2"});
    QVERIFY_THROWS_EXCEPTION(PortError, group.core.transmit("C00"));

    group.setup.chooseComPort(1);
    QCOMPARE(group.reports.size(), 1u);
    QVERIFY(group.port.isOpen());
    QCOMPARE(group.port.commPort(), 1);
    QCOMPARE(group.display.frame8Visible.get(), false);
    group.core.transmit("C00");
    QCOMPARE(group.port.takeWritten(), std::string("C00\r"));
}

void TestPortSetup::chooseSpeed_data()
{
    QTest::addColumn<bool>("openBefore");
    QTest::addColumn<int>("baud");
    QTest::addColumn<std::string>("settings");

    QTest::newRow("9600 on the open port") << true << 9600 << std::string("9600,N,8,1");
    QTest::newRow("19200 on the open port") << true << 19200 << std::string("19200,N,8,1");
    QTest::newRow("9600 on the closed port") << false << 9600 << std::string("9600,N,8,1");
}

void TestPortSetup::chooseSpeed()
{
    QFETCH(bool, openBefore);
    QFETCH(int, baud);
    QFETCH(std::string, settings);
    PortGroup group;
    group.startOnPort1();
    if (!openBefore)
        group.port.close();

    group.setup.chooseSpeed(baud);

    QCOMPARE(group.state.commSettings, settings);
    QCOMPARE(group.port.settings(), settings);
    QCOMPARE(group.port.isOpen(), openBefore);
    QCOMPARE(group.port.openCount, 0); // never closed and reopened for a speed
    QCOMPARE(group.setup.markedSpeed.get(), baud);
    QCOMPARE(group.display.frame8Visible.get(), false);
}

void TestPortSetup::refusedSpeedPropagatesAndKeepsGroupShown()
{
    PortGroup group;
    group.startOnPort1();
    group.port.failSettings = true;

    QVERIFY_THROWS_EXCEPTION(PortError, group.setup.chooseSpeed(9600));

    QVERIFY(group.reports.empty()); // left to the caller, like every handler's failure
    QCOMPARE(group.state.commSettings, std::string("9600,N,8,1"));
    QCOMPARE(group.setup.markedSpeed.get(), 9600);
    QCOMPARE(group.display.frame8Visible.get(), true);
}

void TestPortSetup::portGroupHidesAfterFiveSeconds()
{
    PortGroup group;
    group.setup.load();

    group.setup.showPortGroup();
    QCOMPARE(group.display.frame8Visible.get(), true);
    group.clock.advance(4999);
    QCOMPARE(group.display.frame8Visible.get(), true);
    group.clock.advance(1);
    QCOMPARE(group.display.frame8Visible.get(), false);
    QVERIFY(!group.timer3->isEnabled());

    group.setup.showPortGroup(); // a second "COM" gets a full interval again
    group.clock.advance(4999);
    QCOMPARE(group.display.frame8Visible.get(), true);
    group.clock.advance(1);
    QCOMPARE(group.display.frame8Visible.get(), false);
}

void TestPortSetup::choiceLeavesTheGroupTimerRunning()
{
    PortGroup group;
    group.setup.load();
    group.setup.showPortGroup();

    group.clock.advance(1000);
    group.setup.chooseSpeed(9600);
    QCOMPARE(group.display.frame8Visible.get(), false);
    QVERIFY(group.timer3->isEnabled());

    // "COM" again while the timer still runs: the first countdown still ends it.
    group.clock.advance(2000);
    group.setup.showPortGroup();
    group.clock.advance(1999);
    QCOMPARE(group.display.frame8Visible.get(), true);
    group.clock.advance(1);
    QCOMPARE(group.display.frame8Visible.get(), false);
}

void TestPortSetup::placeWindow_data()
{
    QTest::addColumn<int>("screenWidth");
    QTest::addColumn<int>("screenHeight");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");

    // Design size 9180 x 9600 twips throughout.
    QTest::newRow("1920 x 1080 pixels") << 28800 << 16200 << 9810.0f << 3300.0f;
    QTest::newRow("odd difference keeps the half") << 9181 << 9601 << 0.5f << 0.5f;
    QTest::newRow("small screen: negative, unclamped") << 9000 << 7200 << -90.0f << -1200.0f;
    // Single precision holds 33563614 as 33563616, so the edge is (33563616 - 9180) / 2;
    // double precision would give 16777217, which a float then holds as 16777216.
    QTest::newRow("single precision") << 33563614 << 9600 << 16777218.0f << 0.0f;
}

void TestPortSetup::placeWindow()
{
    QFETCH(int, screenWidth);
    QFETCH(int, screenHeight);
    QFETCH(float, left);
    QFETCH(float, top);

    const WindowPlacement placement = ::placeWindow(screenWidth, screenHeight, 9180, 9600);

    // Exactly: QCOMPARE would let floats differ in their last digits.
    QVERIFY(placement.left == left);
    QVERIFY(placement.top == top);
    QCOMPARE(placement.height, 5350);
}

QTEST_APPLESS_MAIN(TestPortSetup)
#include "test_portsetup.moc"
