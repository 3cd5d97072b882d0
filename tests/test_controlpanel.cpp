// Everything behind the window but the exchanges and the hold: start-up, the port group, the
// views, the command box, END, and errors, on a fake port and a virtual clock.

#include "extendedpanel.h"
#include "freecommandentry.h"
#include "panelrig.h"
#include "panelstate.h"
#include "portsetup.h"
#include "windowplacement.h"

#include <QTest>

using Rig = PanelRig<>;

class TestControlPanel : public QObject
{
    Q_OBJECT

private slots:
    void load_data();
    void load();
    void placeWindow_data();
    void placeWindow();
    void portChoices_data();
    void portChoices();
    void portGroupHidesFiveSecondsAfterCom();
    void views_data();
    void views();
    void onlyCtrlJIsTheChord_data();
    void onlyCtrlJIsTheChord();
    void freeCommandEntry_data();
    void freeCommandEntry();
    void failingHandlersAreReportedAndThePanelRunsOn();
    void endEndsTheProgram();
    void portEventsStopWithThePanel();
};

void TestControlPanel::load_data()
{
    QTest::addColumn<int>("missingPort");
    QTest::addColumn<bool>("refuseSettings");
    QTest::addColumn<int>("opens"); // the COM1 choice of start-up opens a second time
    QTest::newRow("port 1 free") << 0 << false << 2;
    QTest::newRow("port 1 missing: reported once") << 1 << false << 0;
    QTest::newRow("settings refused: reported once") << 0 << true << 0;
}

void TestControlPanel::load()
{
    QFETCH(int, missingPort);
    QFETCH(int, opens);
    Rig rig(false);
    if (missingPort != 0)
        rig.port.failOpenOfPort = missingPort;
    QFETCH(bool, refuseSettings);
    rig.port.failSettings = refuseSettings;
    PanelState &state = rig.panel.state();
    state.commandPrefix = "X";
    state.awaitingReply = 1;
    state.receiveBuffer = "left over";

    rig.panel.load(28800, 16200); // 1920 x 1080 pixels

    QCOMPARE(rig.panel.windowOrigin.get(), (WindowOrigin{9652.5f, 3517.5f}));
    QCOMPARE(rig.panel.extendedPanel().windowHeight.get(), ExtendedPanel::kCompactHeight);
    QCOMPARE(rig.errors.size(), opens > 0 ? 0u : 1u);
    QCOMPARE(rig.port.openCount, opens);
    QCOMPARE(rig.port.commPort(), 1);
    QCOMPARE(rig.panel.portSetup().markedPort.get(), 1);
    QVERIFY(!rig.panel.display().frame8Visible.get());
    QCOMPARE(state.commSettings, "19200,N,8,1");
    QCOMPARE(state.commandPrefix + state.receiveBuffer, "");
    QCOMPARE(state.awaitingReply, 0);
}

void TestControlPanel::placeWindow_data()
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

void TestControlPanel::placeWindow()
{
    QFETCH(int, screenWidth);
    QFETCH(int, screenHeight);
    QFETCH(float, left);
    QFETCH(float, top);
    const WindowPlacement placement = ::placeWindow(screenWidth, screenHeight, 9180, 9600);
    // Exactly: QCOMPARE would let floats differ in their last digits.
    QVERIFY(placement.left == left && placement.top == top);
    QCOMPARE(placement.height, 5350);
}

// The port and speed choices, with the group shown. A failed choice warns and leaves the
// group shown; a port choice that fails leaves the port closed with the other number set.
void TestControlPanel::portChoices_data()
{
    QTest::addColumn<bool>("openBefore");
    QTest::addColumn<QString>("fault"); // open1, open2: that port does not open
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("mark"); // the port or speed marked, whatever the outcome
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("failed");
    // clang-format off
    QTest::newRow("COM2 from open COM1") << true << "" << "Option2" << 2 << 2 << true << false;
    QTest::newRow("COM2 missing") << true << "open2" << "Option2" << 2 << 1 << false << true;
    QTest::newRow("COM1 gone") << true << "open1" << "Option1" << 1 << 2 << false << true;
    QTest::newRow("COM1 on closed") << false << "" << "Option1" << 1 << 1 << true << false;
    QTest::newRow("COM2 gone, closed") << false << "open2" << "Option2" << 2 << 1 << false << true;
    QTest::newRow("9600 on open") << true << "" << "Option10" << 9600 << 1 << true << false;
    QTest::newRow("19200 on closed") << false << "" << "Option9" << 19200 << 1 << false << false;
    QTest::newRow("9600 refused") << true << "settings" << "Option10" << 9600 << 1 << true << true;
    // clang-format on
}

void TestControlPanel::portChoices()
{
    QFETCH(bool, openBefore);
    QFETCH(QString, fault);
    QFETCH(QString, option);
    QFETCH(int, mark);
    QFETCH(bool, failed);
    Rig rig;
    rig.panel.click("Command33");
    if (!openBefore)
        rig.port.close();
    if (fault.startsWith("open"))
        rig.port.failOpenOfPort = fault.back().digitValue();
    rig.port.failSettings = fault == "settings";
    rig.port.openCount = 0;

    rig.panel.click(option.toStdString());

    QTEST(rig.port.commPort(), "port");
    QTEST(rig.port.isOpen(), "open");
    QCOMPARE(rig.errors.size(), failed ? 1u : 0u);
    QCOMPARE(rig.panel.display().frame8Visible.get(), failed);
    PortSetup &setup = rig.panel.portSetup();
    QCOMPARE(mark < 3 ? setup.markedPort.get() : setup.markedSpeed.get(), mark);
    if (mark > 2) { // the speed applies at once; the port stays as it is
        const std::string settings = std::to_string(mark) + ",N,8,1";
        QCOMPARE(rig.panel.state().commSettings, settings);
        QCOMPARE(rig.port.settings() == settings, !failed);
        QCOMPARE(rig.port.openCount, 0);
    }
}

void TestControlPanel::portGroupHidesFiveSecondsAfterCom()
{
    Rig rig;
    const auto shownFor = [&rig](int milliseconds) {
        rig.clock.advance(milliseconds - 1);
        const bool shown = rig.panel.display().frame8Visible.get();
        rig.clock.advance(1);
        return shown && !rig.panel.display().frame8Visible.get();
    };
    rig.panel.click("Command33");
    QVERIFY(shownFor(5000));

    // A choice hides the group and leaves the timer running; "COM" again before it fires
    // does not restart it.
    rig.panel.click("Command33");
    rig.clock.advance(1000);
    rig.panel.click("Option10");
    rig.clock.advance(1000);
    rig.panel.click("Command33");
    QVERIFY(shownFor(3000));

    // Command34 gives the group a fresh five seconds.
    rig.panel.click("Command33");
    rig.clock.advance(3000);
    rig.panel.keyDown('J', ExtendedPanel::kCtrlMask);
    rig.panel.click("Command34");
    QVERIFY(shownFor(5000));
}

void TestControlPanel::views_data()
{
    QTest::addColumn<QString>("events"); // J: Ctrl+J, D: double-click on Image1, 3: Command34
    QTest::addColumn<float>("height");
    QTest::addColumn<int>("extendedPanel");
    QTest::addColumn<QString>("caption");
    const QString close = ExtendedPanel::kCloseCaption;
    const QString show = QString::fromUtf8(ExtendedPanel::kShowDataCaption);
    const QString hide = QString::fromUtf8(ExtendedPanel::kHideDataCaption);
    QTest::newRow("nothing before the chord") << "D" << 5350.f << 0 << show;
    QTest::newRow("chord") << "J" << 7200.f << 1 << close;
    QTest::newRow("chord twice") << "JJ" << 7200.f << 1 << close;
    QTest::newRow("chord, double-click") << "JD" << 9100.f << 1 << close;
    QTest::newRow("chord in the full view") << "JDJ" << 7200.f << 1 << close;
    QTest::newRow("CLOSE at 7200") << "J3" << 5350.f << 0 << show;
    QTest::newRow("CLOSE in the full view") << "JD3" << 5350.f << 0 << show;
    QTest::newRow("double-click after CLOSE") << "J3D" << 5350.f << 0 << show;
    QTest::newRow("compact to data view") << "J33" << 6645.f << 0 << hide;
    QTest::newRow("data view back to compact") << "J333" << 5350.f << 0 << show;
    QTest::newRow("double-click in the data view") << "J33D" << 6645.f << 0 << hide;
    QTest::newRow("chord from the data view") << "J33J" << 7200.f << 1 << close;
}

void TestControlPanel::views()
{
    QFETCH(QString, events);
    QFETCH(float, height);
    Rig rig;
    for (const QChar event : events) {
        if (event == 'J')
            rig.panel.keyDown('J', ExtendedPanel::kCtrlMask);
        else if (event == 'D')
            rig.panel.image1DoubleClick();
        else
            rig.panel.click("Command34");
    }
    ExtendedPanel &extended = rig.panel.extendedPanel();
    QCOMPARE(extended.windowHeight.get(), height);
    QTEST(int(rig.panel.state().extendedPanel), "extendedPanel");
    QTEST(QString::fromStdString(extended.command34Caption.get()), "caption");
    QCOMPARE(extended.command34Visible.get(), events.contains('J')); // never hidden again
    QCOMPARE(rig.port.takeWritten(), "");
}

void TestControlPanel::onlyCtrlJIsTheChord_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("reveals");
    const int ctrl = ExtendedPanel::kCtrlMask;
    QTest::newRow("Ctrl+J") << int('J') << ctrl << true;
    QTest::newRow("Ctrl+J, higher bits set") << int('J') << (ctrl | 8 | 64) << true;
    QTest::newRow("J") << int('J') << 0 << false;
    QTest::newRow("Shift+Ctrl+J") << int('J') << (ctrl | ExtendedPanel::kShiftMask) << false;
    QTest::newRow("Ctrl+Alt+J") << int('J') << (ctrl | ExtendedPanel::kAltMask) << false;
    QTest::newRow("Ctrl+K") << int('K') << ctrl << false;
    QTest::newRow("Ctrl+j") << int('j') << ctrl << false;
}

void TestControlPanel::onlyCtrlJIsTheChord()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, reveals);
    Rig rig;
    rig.panel.keyDown(key, modifiers);
    QCOMPARE(rig.panel.extendedPanel().windowHeight.get(),
             reveals ? ExtendedPanel::kRevealHeight : ExtendedPanel::kCompactHeight);
}

// SEND: the box's text as it stands, with the two-second wait, again on each click; only a
// query framed exactly as a button's gets its reply decoded.
void TestControlPanel::freeCommandEntry_data()
{
    QTest::addColumn<QByteArray>("typed");
    QTest::addColumn<QByteArray>("status"); // after "00\r" comes back
    QTest::newRow("empty box") << QByteArray() << QByteArray("earlier");
    QTest::newRow("blanks kept") << QByteArray("  C00 ") << QByteArray("earlier");
    QTest::newRow("Latin-1 byte") << QByteArray("C\xE9") << QByteArray("earlier");
    QTest::newRow("CR0") << QByteArray("CR0") << QByteArray(" Power ON");
    QTest::newRow("cr0") << QByteArray("cr0") << QByteArray("earlier");
    QTest::newRow("CR0 and a blank") << QByteArray("CR0 ") << QByteArray("earlier");
    QTest::newRow("no button") << QByteArray("CR PRESSURE") << QByteArray("106 hPa");
}

void TestControlPanel::freeCommandEntry()
{
    QFETCH(QByteArray, typed);
    Rig rig;
    FreeCommandEntry &entry = rig.panel.freeCommandEntry();
    rig.panel.display().label22.set("earlier");
    entry.text1.set(typed.toStdString());
    rig.panel.click("Command95");
    rig.panel.click("Command95");
    QCOMPARE(rig.port.takeWritten(), (typed + "\r" + typed + "\r").toStdString());
    QCOMPARE(entry.text1.get(), typed.toStdString());
    rig.clock.advance(1999);
    QCOMPARE(rig.rxd(), "");
    rig.clock.advance(1);
    QCOMPARE(rig.rxd(), LinkCore::kNoReplyMark);

    rig.panel.click("Command95");
    rig.port.receive("00\r");
    QTEST(QByteArray::fromStdString(rig.status()), "status");
    rig.panel.click("Command96"); // CLS empties the box and does nothing else
    QCOMPARE(entry.text1.get(), "");
    QCOMPARE(rig.port.takeWritten(), (typed + "\r").toStdString());
    QCOMPARE(rig.panel.state().lastCommand, (typed + "\r").toStdString());
}

void TestControlPanel::failingHandlersAreReportedAndThePanelRunsOn()
{
    Rig rig;
    rig.port.failWrites = true;
    rig.panel.click("Command17");
    rig.panel.press("Command15");
    rig.panel.click("Command95");
    QCOMPARE(rig.errors.size(), 3u);
    QCOMPARE(rig.errors.back().number(), 8012);

    rig.port.failWrites = false;
    rig.panel.click("Command17");
    QCOMPARE(rig.port.takeWritten(), "C00\r");
    QCOMPARE(rig.errors.size(), 3u);
}

void TestControlPanel::endEndsTheProgram()
{
    Rig rig;
    rig.panel.click("Command16");
    QCOMPARE(rig.endings, 1);
    QVERIFY(!rig.port.isOpen());
    QCOMPARE(rig.port.takeWritten() + rig.txd(), "");
    rig.panel.click("Command16"); // on a closed port just the same
    QCOMPARE(rig.endings, 2);

    Rig failing;
    failing.port.failClose = true;
    failing.panel.click("Command16");
    QCOMPARE(failing.endings, 1);
    QCOMPARE(failing.errors.size(), 1u);
    QCOMPARE(failing.errorsWhenEnded, 1u); // shown before the end
}

void TestControlPanel::portEventsStopWithThePanel()
{
    VirtualClock clock;
    FakeSerialPort port;
    {
        ControlPanel panel(port, [&clock] { return clock.createTimer(); }, {}, {});
    }
    port.receive("00\r"); // no handler left to reach
    QCOMPARE(port.input(), "00\r");
}

QTEST_GUILESS_MAIN(TestControlPanel)
#include "test_controlpanel.moc"
