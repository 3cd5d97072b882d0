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

namespace
{

// The port group's share of the window, with the link core that handles the group's timer.
struct PortGroup {
    PanelState state;
    PanelDisplay display;
    FakeSerialPort port;
    VirtualClock clock;
    std::unique_ptr<Timer> timer2 = clock.createTimer();
    std::unique_ptr<Timer> timer3 = clock.createTimer();
    std::unique_ptr<Timer> timer4 = clock.createTimer();
    int reports = 0;
    PortSetup setup{state, display, port, *timer3, [this](const PortError &) { ++reports; }};
    LinkCore core{state, display, port, *timer2, *timer3, *timer4};
};

} // namespace

class TestPortSetup : public QObject
{
    Q_OBJECT

private slots:
    void load_data();
    void load();
    void chooseComPort_data();
    void chooseComPort();
    void chooseSpeed_data();
    void chooseSpeed();
    void portGroupHidesFiveSecondsAfterCom();
    void placeWindow_data();
    void placeWindow();
};

void TestPortSetup::load_data()
{
    QTest::addColumn<int>("missingPort");
    QTest::addColumn<bool>("refuseSettings");
    QTest::addColumn<int>("reports");
    QTest::addColumn<int>("opens"); // the COM1 choice of start-up opens a second time

    QTest::newRow("port 1 free") << 0 << false << 0 << 2;
    QTest::newRow("port 1 missing: reported once") << 1 << false << 1 << 0;
    QTest::newRow("settings refused: reported once") << 0 << true << 1 << 0;
}

void TestPortSetup::load()
{
    QFETCH(int, missingPort);
    QFETCH(bool, refuseSettings);
    QFETCH(int, opens);
    PortGroup group;
    if (missingPort != 0)
        group.port.failOpenOfPort = missingPort;
    group.port.failSettings = refuseSettings;
    group.state.commandPrefix = "X";
    group.state.awaitingReply = 1;
    group.state.receiveBuffer = "left over";

    group.setup.load();

    QTEST(group.reports, "reports");
    QCOMPARE(group.port.openCount, opens);
    QCOMPARE(group.port.isOpen(), opens > 0);
    QCOMPARE(group.port.commPort(), 1);
    QCOMPARE(group.setup.markedPort.get(), 1);
    QCOMPARE(group.display.frame8Visible.get(), false);
    QCOMPARE(group.state.commSettings, std::string("19200,N,8,1"));
    QCOMPARE(group.state.commandPrefix, std::string());
    QCOMPARE(group.state.awaitingReply, 0);
    QCOMPARE(group.state.receiveBuffer, std::string());
}

void TestPortSetup::chooseComPort_data()
{
    QTest::addColumn<bool>("openBefore");
    QTest::addColumn<int>("missingPort");
    QTest::addColumn<int>("choice");
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("failed"); // warned, port closed, group still shown

    QTest::newRow("COM2 from open COM1") << true << 0 << 2 << 2 << false;
    QTest::newRow("COM2 missing: back to 1") << true << 2 << 2 << 1 << true;
    QTest::newRow("COM1 gone: number 2") << true << 1 << 1 << 2 << true;
    QTest::newRow("closed port: COM1 connects") << false << 0 << 1 << 1 << false;
    QTest::newRow("closed port: COM2 missing") << false << 2 << 2 << 1 << true;
}

void TestPortSetup::chooseComPort()
{
    QFETCH(bool, openBefore);
    QFETCH(int, missingPort);
    QFETCH(int, choice);
    QFETCH(bool, failed);
    PortGroup group;
    group.setup.load();
    group.setup.showPortGroup();
    if (!openBefore)
        group.port.close();
    if (missingPort != 0)
        group.port.failOpenOfPort = missingPort;

    group.setup.chooseComPort(choice);

    QTEST(group.port.commPort(), "port");
    QCOMPARE(group.reports, failed ? 1 : 0);
    QCOMPARE(group.port.isOpen(), !failed);
    QCOMPARE(group.display.frame8Visible.get(), failed);
    QCOMPARE(group.setup.markedPort.get(), choice); // the mark moves whatever the outcome
}

void TestPortSetup::chooseSpeed_data()
{
    QTest::addColumn<bool>("openBefore");
    QTest::addColumn<int>("baud");
    QTest::addColumn<bool>("refused");

    QTest::newRow("9600 on the open port") << true << 9600 << false;
    QTest::newRow("19200 on the closed port") << false << 19200 << false;
    QTest::newRow("refused: thrown, group stays") << true << 9600 << true;
}

void TestPortSetup::chooseSpeed()
{
    QFETCH(bool, openBefore);
    QFETCH(int, baud);
    QFETCH(bool, refused);
    PortGroup group;
    group.setup.load();
    group.setup.showPortGroup();
    if (!openBefore)
        group.port.close();
    group.port.openCount = 0;
    group.port.failSettings = refused;

    bool thrown = false;
    try {
        group.setup.chooseSpeed(baud);
    } catch (const PortError &) {
        thrown = true;
    }

    const std::string settings = baud == 9600 ? "9600,N,8,1" : "19200,N,8,1";
    QCOMPARE(thrown, refused);
    QCOMPARE(group.reports, 0); // a refused speed is the caller's to show
    QCOMPARE(group.state.commSettings, settings);
    QCOMPARE(group.port.settings() == settings, !refused);
    QCOMPARE(group.port.isOpen(), openBefore);
    QCOMPARE(group.port.openCount, 0);
    QCOMPARE(group.setup.markedSpeed.get(), baud);
    QCOMPARE(group.display.frame8Visible.get(), refused);
}

void TestPortSetup::portGroupHidesFiveSecondsAfterCom()
{
    PortGroup group;
    group.setup.load();

    group.setup.showPortGroup();
    group.clock.advance(4999);
    QCOMPARE(group.display.frame8Visible.get(), true);
    group.clock.advance(1);
    QCOMPARE(group.display.frame8Visible.get(), false);

    // A choice hides the group and leaves the timer running; "COM" again before it fires
    // does not restart it.
    group.setup.showPortGroup();
    group.clock.advance(1000);
    group.setup.chooseSpeed(9600);
    group.clock.advance(1000);
    group.setup.showPortGroup();
    group.clock.advance(2999);
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
