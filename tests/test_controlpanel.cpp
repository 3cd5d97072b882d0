// Everything behind the window but the exchanges and the hold: the one-shot buttons, start-up,
// the port group, the views, the command box, END and errors, on a fake port and a virtual clock.

#include "extendedpanel.h"
#include "freecommandentry.h"
#include "panelrig.h"
#include "panelstate.h"
#include "portsetup.h"
#include "windowplacement.h"

#include <QTest>

Q_DECLARE_METATYPE(ScreenArea)

using Rig = PanelRig;

class TestControlPanel : public QObject
{
    Q_OBJECT

private slots:
    void oneShotButtons_data();
    void oneShotButtons();
    void load_data();
    void load();
    void placeWindow_data();
    void placeWindow();
    void portChoices_data();
    void portChoices();
    void portGroupHidesFiveSecondsAfterCom();
    void views_data();
    void views();
    void freeCommandEntry_data();
    void freeCommandEntry();
    void failuresAndTheEnd();
};

// Every one-shot button's code on the wire, and its wait: the no-reply mark at the reply wait,
// the monitor cleared at the display clear. Buttons without a wait keep what is in force.
void TestControlPanel::oneShotButtons_data()
{
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QByteArray>("codes");
    QTest::addColumn<int>("replyWait");
    QTest::addColumn<int>("displayClear");
    const QString none = "17 18 27 28 29 19 20 21 22 31 32 23 24 25 26 13 30 14 3 44 45 46 47 54 36";
    QTest::newRow("no wait of their own")
        << none.split(' ') << QByteArray("C00C01C05C06C07C0BC0CC0DC0EC0FC10C1CC1DC43C44C89C27C8AC1ECR0"
                                         "CR1CR3CR4CR6C02") << 300 << 700;
    QTest::newRow("picture modes: two seconds") << QString("4 10 11 39 40 41 42 12").split(' ')
                                                << QByteArray("C11C12C13C14C15C16C17C18") << 2000 << 2500;
    QTest::newRow("input sources: five seconds") << QString("64 65 66 72 81 82 69").split(' ')
                                                 << QByteArray("C50C51C54C25C32C33C34") << 5000 << 5500;
}

void TestControlPanel::oneShotButtons()
{
    QFETCH(QStringList, buttons);
    QFETCH(int, replyWait);
    QFETCH(int, displayClear);
    QByteArray sent;
    for (const QString &button : buttons) {
        Rig rig;
        rig.timer(2).setInterval(300);
        rig.timer(4).setInterval(700);
        rig.panel.click("Command" + button.toStdString());
        sent += QByteArray::fromStdString(rig.port.takeWritten()).replace('\r', "");
        rig.clock.advance(replyWait - 1);
        QCOMPARE(rig.rxd(), "");
        rig.clock.advance(1);
        QCOMPARE(rig.rxd(), " X X X X");
        rig.clock.advance(displayClear - replyWait - 1);
        QVERIFY(!rig.txd().empty());
        rig.clock.advance(1);
        QCOMPARE(rig.txd() + rig.rxd(), "");
    }
    QTEST(sent, "codes");
}

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
    QFETCH(bool, refuseSettings);
    QFETCH(int, opens);
    Rig rig(false);
    rig.port.failOpenOfPort = missingPort;
    rig.port.failSettings = refuseSettings;
    PanelState &state = rig.panel.state();
    state.commandPrefix = "X";
    state.awaitingReply = 1;
    state.receiveBuffer = "left over";
    rig.panel.load({0, 0, 28800, 16200}); // 1920 x 1080 pixels
    QCOMPARE(rig.panel.windowOrigin.get(), (WindowOrigin{9652.5f, 3517.5f}));
    QCOMPARE(rig.panel.extendedPanel().windowHeight.get(), 5350.f);
    QCOMPARE(rig.errors.size(), opens > 0 ? 0u : 1u);
    QCOMPARE(rig.port.openCount, opens);
    QCOMPARE(rig.port.commPort() + rig.panel.portSetup().markedPort.get(), 2);
    QCOMPARE(state.commSettings + state.commandPrefix + state.receiveBuffer, "19200,N,8,1");
    QCOMPARE(state.awaitingReply, 0);
}

// Centred on the available area when the compact window fits, else moved onto it; the
// top-left corner never leaves it (twips: 15 to the pixel, window 9495 wide, 9165 designed).
void TestControlPanel::placeWindow_data()
{
    QTest::addColumn<ScreenArea>("area");
    QTest::addColumn<QPointF>("origin");
    QTest::newRow("1920 x 1080") << ScreenArea{0, 0, 28800, 16200} << QPointF(9652.5, 3517.5);
    QTest::newRow("a panel above, right of another screen")
        << ScreenArea{28800, 450, 28800, 15750} << QPointF(38452.5, 3742.5);
    QTest::newRow("1920 x 1080 at scale factor 2") << ScreenArea{0, 0, 14400, 8100} << QPointF(2452.5, 0);
    QTest::newRow("1280 x 1024 at scale factor 2") << ScreenArea{0, 0, 9600, 7680} << QPointF(52.5, 0);
    QTest::newRow("narrower than the window") << ScreenArea{15, 30, 9000, 6000} << QPointF(15, 30);
    QTest::newRow("as high as the compact window") << ScreenArea{0, 0, 28800, 5350} << QPointF(9652.5, 0);
}

void TestControlPanel::placeWindow()
{
    QFETCH(ScreenArea, area);
    const WindowPlacement placement = ::placeWindow(area, 9495, 9165);
    QTEST(QPointF(placement.left, placement.top), "origin");
    QCOMPARE(placement.height, 5350);
}

// The port and speed choices, with the group shown. A failed port choice warns and leaves the
// port closed, the chosen number set and the group shown; a speed applies at once.
void TestControlPanel::portChoices_data()
{
    QTest::addColumn<bool>("openBefore");
    QTest::addColumn<QString>("fault"); // open1, open2: that port does not open
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("outcome"); // marked, port number, open, the group, the speed
    QTest::newRow("COM2 from open COM1") << true << "" << "Option2" << "2 2 open hidden 19200,N,8,1";
    QTest::newRow("COM2 missing") << true << "open2" << "Option2" << "2 2 closed shown 19200,N,8,1";
    QTest::newRow("COM1 gone") << true << "open1" << "Option1" << "1 1 closed shown 19200,N,8,1";
    QTest::newRow("COM1 on closed") << false << "" << "Option1" << "1 1 open hidden 19200,N,8,1";
    QTest::newRow("COM2 gone, closed") << false << "open2" << "Option2" << "2 2 closed shown 19200,N,8,1";
    QTest::newRow("9600 on open") << true << "" << "Option10" << "1 1 open hidden 9600,N,8,1";
    QTest::newRow("9600 on closed") << false << "" << "Option10" << "1 1 closed hidden 9600,N,8,1";
    QTest::newRow("9600 refused") << true << "settings" << "Option10" << "1 1 open shown 19200,N,8,1";
}

void TestControlPanel::portChoices()
{
    QFETCH(bool, openBefore);
    QFETCH(QString, fault);
    QFETCH(QString, option);
    Rig rig;
    rig.panel.click("Command33");
    if (!openBefore)
        rig.port.close();
    if (fault.startsWith("open"))
        rig.port.failOpenOfPort = fault.back().digitValue();
    rig.port.failSettings = fault == "settings";
    rig.panel.click(option.toStdString());
    QTEST(QStringLiteral("%1 %2 %3 %4 %5")
              .arg(rig.panel.portSetup().markedPort.get())
              .arg(rig.port.commPort())
              .arg(rig.port.isOpen() ? "open" : "closed")
              .arg(rig.panel.display().frame8Visible.get() ? "shown" : "hidden")
              .arg(QString::fromStdString(rig.port.settings())),
          "outcome");
    QCOMPARE(rig.errors.size(), fault.isEmpty() ? 0u : 1u);
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
    // J: Ctrl+J, j: J with Shift or Alt too, D: double-click on Image1, 3: Command34
    QTest::addColumn<QString>("events");
    QTest::addColumn<float>("height");
    QTest::addColumn<QString>("caption");
    const QString close = "CLOSE", show = "データを表示する", hide = "データを表示しない";
    QTest::newRow("nothing before the chord") << "D" << 5350.f << show;
    QTest::newRow("not the chord") << "jD" << 5350.f << show;
    QTest::newRow("chord twice") << "JJ" << 7200.f << close;
    QTest::newRow("chord, double-click") << "JD" << 9100.f << close;
    QTest::newRow("chord in the full view") << "JDJ" << 7200.f << close;
    QTest::newRow("CLOSE at 7200") << "J3" << 5350.f << show;
    QTest::newRow("CLOSE in the full view") << "JD3" << 5350.f << show;
    QTest::newRow("double-click after CLOSE") << "J3D" << 5350.f << show;
    QTest::newRow("compact to data view") << "J33" << 6645.f << hide;
    QTest::newRow("data view back to compact") << "J333" << 5350.f << show;
    QTest::newRow("double-click in the data view") << "J33D" << 6645.f << hide;
    QTest::newRow("chord from the data view") << "J33J" << 7200.f << close;
}

void TestControlPanel::views()
{
    QFETCH(QString, events);
    QFETCH(float, height);
    Rig rig;
    for (const QChar event : events) {
        if (event == 'J')
            rig.panel.keyDown('J', ExtendedPanel::kCtrlMask | 64); // higher bits do not count
        else if (event == 'j') // Ctrl+K; J bare, with Shift and Ctrl, with Alt and Ctrl
            for (const auto &[key, modifiers] : {std::pair{'K', 2}, {'J', 0}, {'J', 3}, {'J', 6}})
                rig.panel.keyDown(key, modifiers);
        else if (event == 'D')
            rig.panel.image1DoubleClick();
        else
            rig.panel.click("Command34");
    }
    ExtendedPanel &extended = rig.panel.extendedPanel();
    QCOMPARE(extended.windowHeight.get(), height);
    QTEST(QString::fromStdString(extended.command34Caption.get()), "caption");
    QCOMPARE(extended.command34Visible.get(), events.contains('J')); // never hidden again
    QCOMPARE(rig.port.takeWritten(), "");
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
    rig.clock.advance(1999);
    QCOMPARE(rig.rxd(), "");
    rig.clock.advance(1);
    QCOMPARE(rig.rxd(), " X X X X");
    rig.clock.advance(499);
    QCOMPARE(rig.txd().empty(), false);

    rig.panel.click("Command95");
    rig.port.receive("00\r");
    QTEST(QByteArray::fromStdString(rig.status()), "status");
    rig.panel.click("Command96"); // CLS empties the box and does nothing else
    QCOMPARE(entry.text1.get(), "");
    QCOMPARE(rig.port.takeWritten(), (typed + "\r").toStdString());
    QCOMPARE(rig.panel.state().lastCommand, (typed + "\r").toStdString());
}

// A failing handler is reported and the panel runs on; END ends the program also when the
// port does not close, after showing why.
void TestControlPanel::failuresAndTheEnd()
{
    Rig rig;
    rig.port.failWrites = true;
    rig.panel.click("Command17");
    rig.panel.press("Command15");
    rig.panel.click("Command95");
    QCOMPARE(rig.errors.size(), 3u);
    rig.port.failWrites = false;
    rig.panel.click("Command17");
    QCOMPARE(rig.port.takeWritten(), "C00\r");
    rig.port.failClose = true;
    rig.panel.click("Command16");
    QCOMPARE(rig.endings, 1);
    QCOMPARE(rig.errorsWhenEnded, 4u);
    rig.port.failClose = false;
    rig.panel.click("Command16");
    QVERIFY(!rig.port.isOpen() && rig.port.takeWritten().empty());
}

QTEST_GUILESS_MAIN(TestControlPanel)
#include "test_controlpanel.moc"
