// Everything behind the window, headless on a fake port and the virtual clock (the one-shot
// buttons, start-up, the port group, the views, the command box, the adjusters held), and the
// window itself offscreen: what it shows and where, its mouse and keyboard wiring, and what a
// screen reader and the keyboard alone get of it.

#include "adjusterbutton.h"
#include "commandbutton.h"
#include "extendedpanel.h"
#include "form1.h"
#include "freecommandentry.h"
#include "loggedport.h"
#include "panellayout.h"
#include "panelrig.h"
#include "panelstate.h"
#include "portsetup.h"
#include "trafficlog.h"
#include "warningboxes.h"
#include "windowcontrols.h"

#include <QBuffer>
#include <QFontInfo>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QTimeZone>
#include <private/qguiapplication_p.h>
#include <qdrawutil.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

Q_DECLARE_METATYPE(ScreenArea)

namespace
{

using namespace PanelLayout;
using A = QAccessible;
using Rig = PanelRig;

std::vector<std::pair<QObject *, A::Event>> g_updates; // what a screen reader was told

struct PaintCount : QObject {
    int count = 0;
    bool eventFilter(QObject *, QEvent *e) override { return e->type() == QEvent::Paint && !++count; }
};

const Control &row(std::string_view name)
{
    return *std::ranges::find(controls(), name, &Control::name);
}

int top(const Control &control) // in the window
{
    return control.top + (control.parent.empty() ? 0 : top(row(control.parent)));
}

// Presses and releases each adjuster, or clicks each button; "!" first: the port refuses it.
void run(Rig &rig, const QStringList &steps)
{
    for (const QString &step : steps) {
        const std::string name = step.sliced(step.startsWith('!')).toStdString();
        rig.port.failWrites = step.startsWith('!');
        if (ControlPanel::isAdjuster(name)) {
            rig.panel.press(name);
            rig.panel.release(name);
        } else {
            rig.panel.click(name);
        }
    }
    rig.port.failWrites = false;
    rig.port.takeWritten();
}

// The window on a fake port and a virtual clock, loaded and shown.
struct WindowRig : WindowControls {
    WindowRig()
    {
        m_window = &form;
        form.load();
        form.show();
        QApplication::setActiveWindow(&form);
    }
    QWidget *at(const char *name) { return *name ? control(name) : &form; } // "": the window
    void setHeight(float twips) { form.panel().extendedPanel().windowHeight.set(twips); }
    QString caption(const char *name) { return control<CommandButton>(name)->caption(); }
    QColor colour(const char *name, QPalette::ColorRole role = QPalette::Button)
    {
        return control(name)->palette().color(role);
    }

    VirtualClock clock;
    FakeSerialPort port;
    Form1 form{port, [this](auto) { return clock.createTimer(); }};
    WarningBoxes boxes;
};

} // namespace

class TestPanel : public QObject
{
    Q_OBJECT

private slots:
    // Every one-shot button's code on the wire, and the reply wait and display clear it sets;
    // buttons without a wait of their own keep what is in force.
    void oneShotButtons_data()
    {
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QByteArray>("codes");
        QTest::addColumn<QString>("waits"); // Timer2 and Timer4 after the click
        const QString none = "17 18 27 28 29 19 20 21 22 31 32 23 24 25 26 13 30 14 3 44 45 46 47";
        // clang-format off
        QTest::newRow("no wait of their own") << (none + " 54 36").split(' ')
            << QByteArray("C00C01C05C06C07C0BC0CC0DC0EC0FC10C1CC1DC43C44C89C27C8AC1E"
                          "CR0CR1CR3CR4CR6C02")
            << "300/700";
        QTest::newRow("picture modes: two seconds") << QString("4 10 11 39 40 41 42 12").split(' ')
            << QByteArray("C11C12C13C14C15C16C17C18") << "2000/2500";
        QTest::newRow("input sources: five seconds") << QString("64 65 66 72 81 82 69").split(' ')
            << QByteArray("C50C51C54C25C32C33C34") << "5000/5500";
        // clang-format on
    }

    void oneShotButtons()
    {
        QFETCH(QStringList, buttons);
        QFETCH(QString, waits);
        Rig rig;
        QByteArray sent;
        for (const QString &button : buttons) {
            rig.timer(2).setInterval(300);
            rig.timer(4).setInterval(700);
            rig.panel.click("Command" + button.toStdString());
            sent += QByteArray::fromStdString(rig.port.takeWritten()).replace('\r', "");
            QCOMPARE(rig.intervals().section('/', 1), waits);
        }
        QTEST(sent, "codes");
    }

    void load_data()
    {
        QTest::addColumn<int>("missingPort");
        QTest::addColumn<int>("opens");
        QTest::newRow("port 1 free") << 0 << 1;
        QTest::newRow("port 1 missing: reported once") << 1 << 0;
    }

    void load()
    {
        QFETCH(int, missingPort);
        QFETCH(int, opens);
        Rig rig(false);
        rig.port.failOpenOfPort = missingPort;
        PanelState &state = rig.panel.state();
        state.commandPrefix = "X";
        rig.panel.load({0, 0, 28800, 16200}); // 1920 x 1080 pixels
        QCOMPARE(rig.panel.windowOrigin.get(), (WindowOrigin{9652.5f, 3517.5f}));
        QCOMPARE(rig.panel.extendedPanel().windowHeight.get(), 5350.f);
        QCOMPARE(rig.errors.size(), opens > 0 ? 0u : 1u);
        QCOMPARE(rig.port.commPort() + rig.panel.portSetup().markedPort.get(), 2);
        QCOMPARE(state.commSettings + state.commandPrefix, "19200,N,8,1");
    }

    // Centred on the available area when the compact window fits, else moved onto it; the
    // top-left corner never leaves it (twips: 15 to the pixel, window 9495 wide, 9165 designed).
    void placeWindow_data()
    {
        QTest::addColumn<ScreenArea>("area");
        QTest::addColumn<QPointF>("origin");
        QTest::newRow("1920 x 1080") << ScreenArea{0, 0, 28800, 16200} << QPointF(9652.5, 3517.5);
        QTest::newRow("a panel above, right of another screen")
            << ScreenArea{28800, 450, 28800, 15750} << QPointF(38452.5, 3742.5);
        QTest::newRow("1920 x 1080, 200%") << ScreenArea{0, 0, 14400, 8100} << QPointF(2452.5, 0);
        QTest::newRow("narrower than it") << ScreenArea{15, 30, 9000, 6000} << QPointF(15, 30);
        QTest::newRow("only as high as it") << ScreenArea{0, 0, 28800, 5350} << QPointF(9652.5, 0);
    }

    void placeWindow()
    {
        QFETCH(ScreenArea, area);
        const WindowPlacement placement = ::placeWindow(area, 9495, 9165);
        QTEST(QPointF(placement.left, placement.top), "origin");
        QCOMPARE(placement.height, 5350);
    }

    // The port and speed choices, with the group shown. A failed port choice warns and leaves the
    // port closed, the chosen number set and the group shown; a speed applies at once.
    void portChoices_data()
    {
        QTest::addColumn<bool>("openBefore");
        QTest::addColumn<QString>("fault"); // open1, open2: that port does not open
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("outcome"); // marked, port number, open, the group, the baud rate
        // clang-format off
        QTest::newRow("COM2 from open COM1") << true << "" << "Option2" << "2 2 open hidden 19200";
        QTest::newRow("COM2 missing") << true << "open2" << "Option2" << "2 2 closed shown 19200";
        QTest::newRow("COM1 gone") << false << "open1" << "Option1" << "1 1 closed shown 19200";
        QTest::newRow("COM1 on closed") << false << "" << "Option1" << "1 1 open hidden 19200";
        QTest::newRow("9600 on open") << true << "" << "Option10" << "1 1 open hidden 9600";
        QTest::newRow("9600 refused") << true << "settings" << "Option10" << "1 1 open shown 19200";
        // clang-format on
    }

    void portChoices()
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
                  .arg(QString::fromStdString(rig.port.settings()).section(',', 0, 0)),
              "outcome");
        QCOMPARE(rig.errors.size(), fault.isEmpty() ? 0u : 1u);
    }

    // SEND: the box's text as it stands, with the two-second wait, again on each click; a query
    // typed with a blank is no query. CLS empties the box only.
    void freeCommandEntry()
    {
        Rig rig;
        FreeCommandEntry &entry = rig.panel.freeCommandEntry();
        entry.text1.set("CR0 ");
        rig.panel.click("Command95");
        rig.clock.advance(1999);
        QCOMPARE(rig.rxd(), "");
        rig.clock.advance(1);
        QCOMPARE(rig.rxd(), " X X X X");
        rig.clock.advance(499);
        QVERIFY(!rig.txd().empty());
        rig.panel.click("Command95");
        rig.port.receive("00\r");
        QCOMPARE(rig.status(), "");
        rig.panel.click("Command96");
        QCOMPARE(entry.text1.get() + rig.port.takeWritten(), "CR0 \rCR0 \r");
        QCOMPARE(rig.panel.state().lastCommand, "CR0 \r");
    }

    // A failing handler is reported and the panel runs on; a repeat that cannot write stops
    // first, so a broken line is reported once; END ends the program also when the port does not
    // close, after showing why.
    void failuresAndTheEnd()
    {
        Rig rig;
        rig.port.failWrites = true;
        rig.panel.click("Command17");
        rig.panel.press("Command15");
        rig.panel.click("Command95");
        QCOMPARE(rig.errors.size(), 3u);
        rig.port.failWrites = false;
        rig.panel.press("Command15");
        rig.port.failWrites = true;
        rig.clock.advance(2000);
        QCOMPARE(rig.errors.size(), 4u);
        QCOMPARE(rig.panel.state().heldAdjuster, 0);
        rig.port.failWrites = false;
        rig.panel.click("Command17");
        QCOMPARE(rig.port.takeWritten(), "C20\rC00\r");
        rig.port.failClose = true;
        rig.panel.click("Command16");
        QCOMPARE(rig.endings, 1);
        QCOMPARE(rig.errorsWhenEnded, 5u);
        rig.port.failClose = false;
        rig.panel.click("Command16");
        QVERIFY(!rig.port.isOpen() && rig.port.takeWritten().empty());
    }

    // Each adjuster's code; a tick sends the held one's, whatever went out in between.
    void everyAdjusterSendsItsCode()
    {
        Rig rig;
        for (const char *name : {"Command1", "Command2", "Command15", "Command35", "Command48",
                                 "Command49", "Command50", "Command51", "Command6", "Command5",
                                 "Command7", "Command9", "Command8"}) {
            rig.panel.press(name);
            rig.panel.release(name);
        }
        QCOMPARE(rig.port.takeWritten(),
                 "C09\rC0A\rC20\rC21\rC30\rC31\rC8E\rC8F\rC3F\rC3C\rC3D\rC3B\rC3A\r");
        rig.panel.press("Command50");
        rig.panel.click("Command17");
        rig.clock.advance(250);
        QCOMPARE(rig.port.takeWritten(), "C8E\rC00\rC8E\r");
    }

    void steppers_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("intervals");
        QTest::newRow("VOL +") << "Command1" << "C09\r" << "250/200/245";
        QTest::newRow("Brightness -") << "Command35" << "C21\r" << "50/25/25";
        QTest::newRow("SELECT") << "Command6" << "C3F\r" << "500/200/245";
    }

    // A press shorter than one interval sends once; a hold of n intervals sends n + 1.
    void steppers()
    {
        QFETCH(QString, button);
        QFETCH(QString, code);
        QFETCH(QString, intervals);
        Rig rig;
        const std::string name = button.toStdString();
        const int repeat = intervals.section('/', 0, 0).toInt();
        rig.panel.press(name);
        QCOMPARE(rig.intervals(), intervals);
        rig.clock.advance(repeat - 1);
        rig.panel.release(name);
        rig.panel.press(name);
        rig.clock.advance(7 * repeat);
        rig.panel.release(name);
        QVERIFY(!rig.timer(1).isEnabled());
        rig.clock.advance(10 * repeat);
        QCOMPARE(QString::fromStdString(rig.port.takeWritten()), code.repeated(1 + 8));
    }

    // The arrows repeat at what Timer1 holds and take their display intervals from what came
    // before them.
    void arrows_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("intervals");
        QTest::newRow("at start") << QStringList{} << "200/500/1000";
        QTest::newRow("after MENU ON") << QStringList{"Command23"} << "200/150/190";
        QTest::newRow("after D.Zoom") << QStringList{"Command49"} << "5/5/5";
        QTest::newRow("after D.Zoom, VOL") << QStringList{"Command48", "Command1"} << "250/5/5";
        QTest::newRow("after D.Zoom, A-IMAGE") << QStringList{"Command48", "Command13"}
                                               << "200/150/190";
        QTest::newRow("after D.Zoom, failed MENU ON") << QStringList{"Command48", "!Command23"}
                                                      << "5/5/5";
    }

    void arrows()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, intervals);
        Rig rig;
        run(rig, before);
        rig.panel.press("Command7");
        QCOMPARE(rig.intervals(), intervals);
        rig.clock.advance(4 * intervals.section('/', 0, 0).toInt());
        rig.panel.release("Command7");
        QCOMPARE(rig.port.takeWritten(), "C3D\rC3D\rC3D\rC3D\rC3D\r");
    }

    void releaseRestsTheMonitor()
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

    // What an operator who does not see the panel hears: once an exchange, the status, else the
    // reply, else that none came; a view that opens; nothing for a hold or the monitor clearing.
    void spokenOutcomes()
    {
        Rig rig;
        QStringList heard;
        rig.panel.setOnNotice([&](const std::string &s) { heard << QString::fromStdString(s); });
        for (const char *step : {"Command44 80", "Command17 ack", "Command45", "Command1", "J", "J",
                                 "Image1", "Command34", "Command34"}) {
            const QStringList words = QString(step).split(' ');
            if (words[0] == "J")
                rig.panel.keyDown(ExtendedPanel::kKeyJ, ExtendedPanel::kCtrlMask);
            else if (words[0] == "Image1")
                rig.panel.image1DoubleClick();
            else
                run(rig, {words[0]});
            if (words.size() > 1)
                rig.port.receive(words[1] == "ack" ? "\x06" : words[1].toStdString() + '\r');
            rig.clock.advance(6000);
        }
        QCOMPARE(heard.join('|'), " Stand by| ACK |No reply|Monitor shown|Full panel shown|"
                                  "Monitor shown");
    }

    // Command34 counts the port group's five seconds anew, and the group hides at their end.
    void command34AndThePortGroup()
    {
        Rig rig;
        rig.panel.keyDown(ExtendedPanel::kKeyJ, ExtendedPanel::kCtrlMask);
        rig.panel.click("Command33");
        rig.clock.advance(3000);
        rig.panel.click("Command34");
        rig.clock.advance(4999);
        QVERIFY(rig.panel.display().frame8Visible.get());
        rig.clock.advance(1);
        QVERIFY(!rig.panel.display().frame8Visible.get());
    }

    // The log of start-up, a STATUS exchange, a port choice, a missing reply, a stream cut short,
    // a write that failed and a hang-up.
    void trafficLog()
    {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        VirtualClock clock;
        const QDateTime start(QDate(2026, 12, 7), QTime(9, 0), QTimeZone(-12600));
        TrafficLog log(out, {}, [&] { return start.addMSecs(clock.now()); });
        FakeSerialPort fake;
        LoggedPort port(fake, log);
        ControlPanel panel(
            port, [&](auto) { return clock.createTimer(); }, [](auto &) {}, [] {});
        log.watch(panel, port);
        panel.load({0, 0, 28800, 16200});
        panel.click("Command44");
        clock.advance(120);
        fake.receive("0");
        fake.receive("0\r");
        clock.advance(61000);
        for (const char *name : {"Option2", "Command45"})
            panel.click(name);
        clock.advance(500);
        fake.receive(std::string(300, '0')); // a server streaming without a carriage return
        fake.failWrites = true;
        panel.click("Command44"); // nothing went out: no TX
        fake.close(); // the adapter unplugged, as the port reports it
        panel.reportError(PortError(6, "/dev/ttyS1: Connection lost"));
        QCOMPARE(out.data(), R"(2026-12-07T09:00:00.000-03:30 COM1 /dev/ttyS0 SPEED 19200,N,8,1
2026-12-07T09:00:00.000-03:30 COM1 /dev/ttyS0 OPEN
2026-12-07T09:00:00.000-03:30 COM1 /dev/ttyS0 TX C R 0 CR
2026-12-07T09:00:00.120-03:30 COM1 /dev/ttyS0 RX 0
2026-12-07T09:00:00.120-03:30 COM1 /dev/ttyS0 RX 0 CR
2026-12-07T09:00:00.120-03:30 COM1 /dev/ttyS0 STATUS Power ON
2026-12-07T09:01:01.120-03:30 COM1 /dev/ttyS0 CLOSE
2026-12-07T09:01:01.120-03:30 COM2 /dev/ttyS1 OPEN
2026-12-07T09:01:01.120-03:30 COM2 /dev/ttyS1 TX C R 1 CR
2026-12-07T09:01:01.620-03:30 COM2 /dev/ttyS1 NO REPLY
2026-12-07T09:01:01.620-03:30 COM2 /dev/ttyS1 RX )" + QByteArray("0 ").repeated(255) +
                                  R"(0 [44 more bytes not logged]
2026-12-07T09:01:01.620-03:30 COM2 /dev/ttyS1 ERROR Error 8012: Operation valid only when the port is open
2026-12-07T09:01:01.620-03:30 COM2 /dev/ttyS1 ERROR Error 6: /dev/ttyS1: Connection lost
)");
    }

    void asDesigned()
    {
        WindowRig rig;
        QCOMPARE(rig.form.windowTitle(), "ORVA   PD71 / PD43  CONTROL   Ver.1.40");
        QCOMPARE(rig.form.size(), QSize(633, 327));
        QCOMPARE(rig.form.windowIcon().availableSizes(), QList<QSize>{QSize(48, 48)});
        // POWER, MENU, SOUND MUTE, NO SHOW and FREEZE: ON in green, OFF in pink.
        for (const auto &[on, off] :
             {std::pair{"Command17", "Command18"}, {"Command23", "Command24"},
              {"Command19", "Command20"}, {"Command21", "Command22"}, {"Command25", "Command26"}}) {
            QCOMPARE(rig.caption(on) + rig.caption(off), "ONOFF");
            QCOMPARE(rig.colour(on), QColor(0xC0FFC0));
            QCOMPARE(rig.colour(off), QColor(0xFFC0C0));
        }
        QCOMPARE(rig.colour("Command6"), QColor(0xFF8000));
        QCOMPARE(rig.colour("Label22", QPalette::WindowText), QColor(0xFF0000));
        QCOMPARE(rig.form.palette().color(QPalette::Window), QColor(0xC0C0C0));

        QVERIFY(!rig.control("Frame8")->isVisible() && !rig.control("Command34")->isVisible());
        QCOMPARE(rig.form.focusWidget(), rig.control("Command17"));
        const auto checked = [&rig](const char *name) {
            return rig.control<QRadioButton>(name)->isChecked();
        };
        QVERIFY(checked("Option1") && checked("Option9") && !checked("Option2"));

        // The design's faces come out as their stand-ins, and they have the Japanese glyphs.
        const QFont pgothic = rig.control("Command34")->font();
        QCOMPARE(QFontInfo(pgothic).family() + ' ' + QFontInfo(rig.form.font()).family(),
                 "IPAPGothic IPAGothic");
        for (const QChar c : QStringLiteral("データを表示しない"))
            QVERIFY(QFontMetrics(pgothic).inFont(c));
        QCOMPARE(rig.control("Label11")->font().pixelSize(), 13); // 9.75 pt
    }

    // The first frame is the one the window drew when every control laid out its text as it
    // was built (2fe0650), before they waited for their first paint: a picture of it, taken
    // with Qt 6.4.2 and fonts-ipafont-gothic 00303, to be taken again when those change.
    void firstFrame()
    {
        WindowRig rig;
        const QImage before(QFINDTESTDATA("data/firstframe.png"));
        QCOMPARE(rig.form.grab().toImage(), before.convertToFormat(QImage::Format_RGB32));
    }

    // A key held on a one-shot button sends once, whatever the key repeat.
    void keyboardActivation_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("key");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("REAL, Space") << "Command10" << int(Qt::Key_Space) << QByteArray("C12\r");
        QTest::newRow("STATUS, Enter") << "Command44" << int(Qt::Key_Enter) << QByteArray("CR0\r");
    }

    void keyboardActivation()
    {
        QFETCH(QString, button);
        QFETCH(int, key);
        WindowRig rig;
        rig.setHeight(ExtendedPanel::kDataHeight);
        QWidget *widget = rig.control(qPrintable(button));
        widget->setFocus();
        const auto send = [widget, key](QEvent::Type type, bool repeat, quint64 moment) {
            QKeyEvent event(type, key, Qt::NoModifier, QString(), repeat);
            event.setTimestamp(moment);
            QCoreApplication::sendEvent(widget, &event);
        };
        send(QEvent::KeyPress, false, 1);
        // Held, the key repeats as a release and a press: marked, or unmarked of one moment.
        for (quint64 moment = 2; moment < 6; ++moment) {
            send(QEvent::KeyRelease, moment % 2, moment % 2 ? 0 : moment);
            send(QEvent::KeyPress, moment % 2, moment % 2 ? 0 : moment);
        }
        send(QEvent::KeyRelease, false, 9);
        QTEST(QByteArray::fromStdString(rig.port.takeWritten()), "sent");
    }

    void mouse()
    {
        WindowRig rig;
        // A click that only ends over another place is no click.
        QTest::mousePress(rig.control("Command17"), Qt::LeftButton);
        QTest::mouseRelease(rig.control("Command17"), Qt::LeftButton, {}, QPoint(-5, -5));
        QCOMPARE(rig.port.takeWritten(), "");
    }

    void holdEndsWhenTheReleaseCannotArrive()
    {
        WindowRig rig;
        rig.form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&rig.form));
        auto *brightness = rig.control<AdjusterButton>("Command15");
        QTest::mousePress(brightness, Qt::LeftButton);
        rig.clock.advance(100);
        QCOMPARE(rig.port.takeWritten(), "C20\rC20\rC20\r");
        int held = -1; // while the box is shown
        rig.boxes.whileOpen = [&] { held = rig.form.panel().state().heldAdjuster; };
        rig.form.panel().reportError(PortError(13, "/dev/ttyS0: Connection lost"));
        QCOMPARE(held, 0);
        rig.clock.advance(1000);
        QCOMPARE(rig.port.takeWritten(), "");
        QTest::mousePress(brightness, Qt::LeftButton); // and the window goes while it is held
    }

    void monitorPaintedAfterVolRepeatsNotAtItsClear()
    {
        WindowRig rig;
        rig.setHeight(ExtendedPanel::kDataHeight);
        PaintCount painted;
        rig.control("Label11")->installEventFilter(&painted);
        QTest::mousePress(rig.at("Command1"), Qt::LeftButton);
        for (auto [ms, paints] : {std::pair{1, 1}, {244, 0}, {5, 1}, {245, 0}, {0, 1}}) {
            ms ? rig.clock.advance(ms) : QTest::mouseRelease(rig.at("Command1"), Qt::LeftButton);
            QCoreApplication::processEvents();
            QCOMPARE(std::exchange(painted.count, 0), paints);
        }
    }

    // Ctrl+J works while the command box has the focus, which keeps its keys; the box sends its
    // text as Latin-1 on SEND only.
    void chordAndCommandBox()
    {
        WindowRig rig;
        QTest::mouseDClick(rig.control("Image1"), Qt::LeftButton);
        QTest::keyClick(rig.form.focusWidget(), Qt::Key_J, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(rig.form.focusWidget(), Qt::Key_J, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(rig.form.height(), 327); // nothing before the chord, and no other chord
        auto *box = rig.control<QLineEdit>("Text1");
        box->setFocus();
        QTest::keyClicks(box, "CR0");
        QTest::keyClick(box, Qt::Key_J, Qt::ControlModifier);
        QCOMPARE(rig.form.height(), 451);
        rig.click("Command34"); // CLOSE from 7200 twips, then the chord again
        QCOMPARE(rig.form.height(), 327);
        QTest::keyClick(rig.form.focusWidget(), Qt::Key_J, Qt::ControlModifier);
        box->setFocus();
        QTest::keyClick(box, Qt::Key_J);
        box->insert(QStringLiteral("\u00e9\u30c7"));
        QTest::keyClick(box, Qt::Key_Return);
        QTest::mouseDClick(rig.control("Image1"), Qt::LeftButton);
        QCOMPARE(rig.form.height(), 577);
        QCOMPARE(rig.port.takeWritten(), "");
        rig.click("Command95");
        QCOMPARE(rig.port.takeWritten(), "CR0j\xE9?\r");

        QCOMPARE(rig.caption("Command34"), "CLOSE");
        rig.click("Command34");
        QCOMPARE(rig.form.height(), 327);
        QCOMPARE(rig.form.focusWidget(), rig.control("Image1")); // where the view opens again
        QCOMPARE(rig.caption("Command34"), "データを表示する");
        QTest::mouseDClick(rig.control("Image1"), Qt::LeftButton); // the chord is over
        rig.form.panel().click("Command34"); // below the window: not by mouse or keyboard
        QCOMPARE(rig.form.height(), 414);
        QCOMPARE(rig.caption("Command34"), "データを表示しない");
        rig.click("Command16"); // END
        QVERIFY(!rig.form.isVisible());
    }

    // Text from the line is shown as plain characters.
    void receivedTextShownLiterally()
    {
        WindowRig rig;
        rig.setHeight(ExtendedPanel::kDataHeight);
        auto *line = rig.control<PanelLabel>("Label12");
        rig.port.receive("<b>&amp;</b>\xE9");
        QCOMPARE(line->shownText(), " < b > & a m p ; < / b > ? ");
        // It draws its sunken border itself: drawing qDrawWinPanel over it changes no pixel.
        const QImage shown = line->grab().toImage();
        QImage expected = shown;
        QPainter painter(&expected);
        qDrawWinPanel(&painter, line->rect(), line->palette(), true);
        painter.end();
        QCOMPARE(shown, expected);
    }

    void initTestCase()
    {
        A::installUpdateHandler(
            [](QAccessibleEvent *e) { g_updates.emplace_back(e->object(), e->type()); });
        // As a screen reader on the accessibility bus makes it.
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
    }

    void everyControlIsRead_data()
    {
        QTest::addColumn<int>("role");     // by kind: frame, label, button, option, box, picture
        QTest::addColumn<QString>("name"); // as designed where given, else any but empty
        const int roles[] = {A::Pane,        A::StaticText,   A::Button,
                             A::RadioButton, A::EditableText, A::Graphic};
        const QHash<QString, QString> said{{"Command17", "POWER ON"}, {"Command51", "Keystone -"},
                                           {"Command5", "Up"},        {"Command13", "A-IMAGE"},
                                           {"Text1", "Command"},      {"Label22", " Power ON"},
                                           {"Command95", "SEND"},     {"Frame1", "POWER"},
                                           {"Frame14", "Input source"}};
        QTest::newRow("") << int(A::Window) << "ORVA   PD71 / PD43  CONTROL   Ver.1.40"; // Form1
        for (const Control &c : controls())
            QTest::newRow(c.name.data()) << roles[int(c.kind)] << said.value(c.name.data());
    }

    void everyControlIsRead()
    {
        QFETCH(QString, name);
        WindowRig rig;
        g_updates.clear();
        rig.form.panel().click("Command44"); // STATUS, and the projector's reply: on
        rig.port.receive("00\r");
        const char *tag = QTest::currentDataTag();
        QAccessibleInterface *read = A::queryAccessibleInterface(rig.at(tag));
        QTEST(int(read->role()), "role");
        const QString spoken = read->text(A::Name);
        QVERIFY(name.isEmpty() ? !spoken.isEmpty() : spoken == name);
        for (const Control &other : controls()) // a name tells its control from every other
            QVERIFY(
                read->role() == A::StaticText || other.kind == Kind::Label || other.name == tag ||
                A::queryAccessibleInterface(rig.at(other.name.data()))->text(A::Name) != spoken);
        if (auto *label = qobject_cast<PanelLabel *>(read->object())) {
            const std::pair<QObject *, A::Event> named{label, A::NameChanged};
            QCOMPARE(std::ranges::count(g_updates, named) > 0, spoken != row(tag).caption.data());
            g_updates.clear();
            label->setText("next");
            QCOMPARE(read->text(A::Name), "next");
            QCOMPARE(std::ranges::count(g_updates, named), 1);
        }
    }

    void keyboardReachesWhatIsInView_data()
    {
        QTest::addColumn<float>("height");
        QTest::addColumn<int>("lastRow"); // where the last band in view ends, in twips
        QTest::addColumn<bool>("portGroup");
        QTest::newRow("compact") << 5350.f << 4815 << false;
        QTest::newRow("compact, port group shown") << 5350.f << 4815 << true;
        QTest::newRow("full") << 9100.f << 8610 << false;
    }

    void keyboardReachesWhatIsInView()
    {
        QFETCH(float, height);
        QFETCH(int, lastRow);
        QFETCH(bool, portGroup);
        WindowRig rig;
        QTest::keyClick(rig.form.focusWidget(), Qt::Key_J, Qt::ControlModifier); // shows Command34
        rig.form.panel().extendedPanel().windowHeight.set(9100);
        rig.at("Command96")->setFocus(); // CLS, in the full view only
        rig.form.panel().extendedPanel().windowHeight.set(height);
        if (portGroup)
            rig.form.panel().click("Command33"); // COM: the group covers the button
        QStringList seen, reached;
        for (const Control &c : controls()) {
            const bool inGroup = c.parent == "Frame8" || c.parent == "Frame13";
            const bool shown = c.name == "Command33" ? !portGroup : !inGroup || portGroup;
            if (c.kind != Kind::Label && c.kind != Kind::Frame && shown &&
                top(c) + c.height <= lastRow)
                seen << c.name.data();
            if (rig.at(c.name.data())->focusPolicy() & Qt::TabFocus)
                reached << c.name.data();
        }
        QCOMPARE(reached, seen);
        QVERIFY(seen.contains(rig.form.focusWidget()->objectName())); // not left on one gone
        QVERIFY(rig.form.screen()->availableGeometry().contains(rig.form.frameGeometry()));
        QCoreApplication::sendPostedEvents(); // a scroll bar shows
        for (const QString &name : reached) { // wholly in sight with the focus
            QWidget *control = rig.at(qPrintable(name));
            control->setFocus();
            QRect sight = control->rect(); // cut by each parent up to the window
            for (QWidget *at = control; at != &rig.form; at = at->parentWidget())
                sight = sight.translated(at->pos()) & at->parentWidget()->rect();
            QVERIFY2(sight.size() == control->size(), qPrintable(name));
        }
        for (const Control &c : controls()) // out of view: Space does not work it
            if (QWidget *control = rig.at(c.name.data()); !seen.contains(c.name.data()))
                control->setFocus(), QTest::keyClick(control, Qt::Key_Space);
        QCOMPARE(rig.port.takeWritten(), "");
    }

    // After a port error the keyboard alone reconnects: COM shows the group at the port in use,
    // Tab and the arrows move over the choices without choosing, Space chooses; the group stays
    // while keys come.
    void portGroupByKeyboard()
    {
        WindowRig rig;
        rig.port.close();
        rig.form.panel().reportError(PortError(6, "/dev/ttyS0: Connection lost"));
        QApplication::setActiveWindow(&rig.form); // back from the warning
        QStringList seen;
        const QHash<char, Qt::Key> keys{
            {' ', Qt::Key_Space}, {'>', Qt::Key_Right}, {'t', Qt::Key_Tab}, {'<', Qt::Key_Backtab}};
        for (const char *step : {"<<<<<<<< ", ">", "< ", " tt4>4", " ", " <"}) {
            for (const char *key = step; *key; ++key)
                *key == '4' ? rig.clock.advance(4000)
                            : QTest::keyClick(rig.form.focusWidget(), keys.value(*key));
            seen << rig.form.focusWidget()->objectName() + (rig.port.isOpen() ? " open " : " ") +
                        QString::fromStdString(rig.port.settings()).section(',', 0, 0) +
                        (rig.control("Frame8")->isVisible() ? " group" : "");
        }
        QCOMPARE(seen.join('|'), "Option1 19200 group|Option2 19200 group|Command33 open 19200|"
                                 "Option10 open 19200 group|Command33 open 9600|Command7 open 9600");
    }

    void keyboardHold_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QString>("ending"); // key up, focus off, or a press action at once
        QTest::addColumn<int>("interval");
        QTest::addColumn<QString>("sent"); // at the press and at each of three ticks
        QTest::newRow("VOL +") << "Command1" << Qt::Key_Space << "up" << 250 << "C09\r";
        QTest::newRow("Brightness -") << "Command35" << Qt::Key_Enter << "off" << 50 << "C21\r";
        QTest::newRow("Keystone +") << "Command50" << Qt::Key_Space << "" << 250 << "C8E\r";
    }

    void keyboardHold()
    {
        QFETCH(QString, button);
        QFETCH(Qt::Key, key);
        QFETCH(QString, ending);
        QFETCH(int, interval);
        QFETCH(QString, sent);
        WindowRig rig;
        QWidget *held = rig.at(qPrintable(button));
        held->setFocus();
        if (ending.isEmpty())
            A::queryAccessibleInterface(held)->actionInterface()->doAction(
                QAccessibleActionInterface::pressAction());
        else
            QTest::keyPress(held, key);
        // Key events of a moment; then the events queued meanwhile run, as after an X batch.
        const auto send = [held, key](const QList<QEvent::Type> &types, bool marked, quint64 at) {
            for (const QEvent::Type type : types) {
                QKeyEvent event(type, key, Qt::NoModifier, QString(), marked);
                event.setTimestamp(at);
                QApplication::sendEvent(held, &event);
            }
            QCoreApplication::sendPostedEvents();
        };
        // The key repeats faster than Timer1: marked, and as a release and a press of one moment.
        for (quint64 tick = 1; tick < 4; ++tick, rig.clock.advance(interval))
            for (const bool marked : {true, false})
                send({QEvent::KeyRelease, QEvent::KeyPress}, marked, marked ? 0 : tick);
        QCOMPARE(QString::fromStdString(rig.port.takeWritten()),
                 sent.repeated(ending.isEmpty() ? 1 : 4));
        ending == "up" ? send({QEvent::KeyRelease}, false, 9) : rig.at("Command17")->setFocus();
        rig.clock.advance(10 * interval);
        QCOMPARE(rig.port.takeWritten(), "");
    }
};

QTEST_MAIN(TestPanel)
#include "test_panel.moc"
