#include "controlpanel.h"
#include "extendedpanel.h"
#include "fakeserialport.h"
#include "paneldisplay.h"
#include "panelstate.h"
#include "porterror.h"
#include "portsetup.h"
#include "virtualclock.h"

#include <QTest>

#include <memory>
#include <vector>

namespace
{

struct Rig {
    explicit Rig(bool loaded = true)
    {
        if (loaded)
            panel->load(28800, 16200); // a 1920 x 1080 screen
    }

    VirtualClock clock;
    FakeSerialPort port;
    std::vector<int> errors; // the numbers of the errors reported
    int endings = 0;
    std::size_t errorsWhenEnded = 0;
    std::unique_ptr<ControlPanel> panel = std::make_unique<ControlPanel>(
        port, [this] { return clock.createTimer(); },
        [this](const PortError &error) { errors.push_back(error.number()); },
        [this] {
            ++endings;
            errorsWhenEnded = errors.size();
        });
};

} // namespace

class TestControlPanel : public QObject
{
    Q_OBJECT

private slots:
    void loadPlacesTheWindowAndOpensCom1_data();
    void loadPlacesTheWindowAndOpensCom1();
    void timersStartAtTheirDesignIntervals();
    void failingHandlersAreReportedAndThePanelRunsOn();
    void failingRepeatIsReportedOnce();
    void endEndsTheProgram();
    void portEventsStopWithThePanel();
};

void TestControlPanel::loadPlacesTheWindowAndOpensCom1_data()
{
    QTest::addColumn<int>("screenWidth"); // twips
    QTest::addColumn<int>("screenHeight");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");

    QTest::newRow("1920 x 1080") << 28800 << 16200 << 9652.5f << 3517.5f;
    QTest::newRow("800 x 600") << 12000 << 9000 << 1252.5f << -82.5f;
    QTest::newRow("smaller than the window") << 4800 << 3600 << -2347.5f << -2782.5f;
}

void TestControlPanel::loadPlacesTheWindowAndOpensCom1()
{
    QFETCH(int, screenWidth);
    QFETCH(int, screenHeight);
    QFETCH(float, left);
    QFETCH(float, top);
    Rig rig(false);
    rig.panel->load(screenWidth, screenHeight);

    QCOMPARE(rig.panel->windowOrigin.get().left, left);
    QCOMPARE(rig.panel->windowOrigin.get().top, top);
    QCOMPARE(rig.panel->extendedPanel().windowHeight.get(), ExtendedPanel::kCompactHeight);
    QVERIFY(rig.port.isOpen());
    QCOMPARE(rig.port.commPort(), 1);
    QCOMPARE(rig.port.settings(), std::string("19200,N,8,1"));
    QCOMPARE(rig.panel->portSetup().markedPort.get(), 1);
    QVERIFY(!rig.panel->display().frame8Visible.get());
    QVERIFY(rig.errors.empty());
}

void TestControlPanel::timersStartAtTheirDesignIntervals()
{
    Rig rig;
    rig.clock.advance(60000); // nothing runs before an event
    QCOMPARE(rig.port.takeWritten(), std::string());

    rig.panel->click("Command44"); // STATUS: 500 ms reply wait, 1000 ms display
    rig.clock.advance(500);
    QCOMPARE(rig.panel->display().label12.get(), std::string(" X X X X"));
    rig.clock.advance(500);
    QCOMPARE(rig.panel->display().label11.get(), std::string());

    rig.panel->click("Command33"); // COM: the group hides after 5000 ms
    rig.clock.advance(4999);
    QVERIFY(rig.panel->display().frame8Visible.get());
    rig.clock.advance(1);
    QVERIFY(!rig.panel->display().frame8Visible.get());

    rig.port.takeWritten();
    rig.panel->press("Command6"); // SELECT repeats at 500 from its press
    rig.clock.advance(1000);
    rig.panel->release("Command6");
    QCOMPARE(rig.port.takeWritten(), std::string("C3F\rC3F\rC3F\r"));
}

void TestControlPanel::failingHandlersAreReportedAndThePanelRunsOn()
{
    Rig rig;
    rig.port.failWrites = true;
    rig.panel->click("Command17");
    rig.panel->press("Command15");
    rig.panel->click("Command95");
    QCOMPARE(rig.errors, (std::vector<int>{8012, 8012, 8012}));

    rig.port.failWrites = false;
    rig.panel->click("Command17");
    QCOMPARE(rig.port.takeWritten(), std::string("C00\r"));
    QCOMPARE(rig.errors.size(), std::size_t(3));
}

void TestControlPanel::failingRepeatIsReportedOnce()
{
    Rig rig;
    rig.panel->press("Command1");
    rig.port.failWrites = true;
    rig.clock.advance(2000);
    QCOMPARE(rig.errors, std::vector<int>{8012});
    QCOMPARE(rig.panel->state().heldAdjuster, 0);
}

void TestControlPanel::endEndsTheProgram()
{
    Rig rig;
    rig.panel->click("Command16");
    QCOMPARE(rig.endings, 1);
    QVERIFY(!rig.port.isOpen());
    QCOMPARE(rig.port.takeWritten(), std::string());

    Rig failing;
    failing.port.failClose = true;
    failing.panel->click("Command16");
    QCOMPARE(failing.endings, 1);
    QCOMPARE(failing.errors, std::vector<int>{8012});
    QCOMPARE(failing.errorsWhenEnded, std::size_t(1)); // shown before the end
}

void TestControlPanel::portEventsStopWithThePanel()
{
    Rig rig;
    rig.panel.reset();
    rig.port.receive("00\r"); // no handler left to reach
    QCOMPARE(rig.port.input(), std::string("00\r"));
}

QTEST_GUILESS_MAIN(TestControlPanel)
#include "test_controlpanel.moc"
