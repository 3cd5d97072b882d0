// The window offscreen on a fake port and a virtual clock, its controls found by their design
// names: what it shows and where, and the mouse and keyboard wiring.

#include "adjusterbutton.h"
#include "commandbutton.h"
#include "extendedpanel.h"
#include "fakeserialport.h"
#include "form1.h"
#include "paneldisplay.h"
#include "panelstate.h"
#include "virtualclock.h"
#include "warningboxes.h"
#include "windowcontrols.h"

#include <QFontInfo>
#include <QLineEdit>
#include <QRadioButton>

namespace
{

struct Rig : WindowControls {
    Rig()
    {
        m_window = &form;
        form.load();
        form.show();
    }
    void setHeight(float twips) { form.panel().extendedPanel().windowHeight.set(twips); }
    QString caption(const char *name) { return control<CommandButton>(name)->caption(); }
    QColor colour(const char *name, QPalette::ColorRole role = QPalette::Button)
    {
        return control(name)->palette().color(role);
    }

    VirtualClock clock;
    FakeSerialPort port;
    Form1 form{port, [this] { return clock.createTimer(); }};
    WarningBoxes boxes;
};

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void asDesigned();
    void views_data();
    void views();
    void keyboardActivation_data();
    void keyboardActivation();
    void mouse();
    void holdEndsWhenTheReleaseCannotArrive_data();
    void holdEndsWhenTheReleaseCannotArrive();
    void chordAndCommandBox();
    void portGroup();
    void receivedTextShownLiterally();
};

void TestForm1::asDesigned()
{
    Rig rig;
    QCOMPARE(rig.form.windowTitle(), "ORVA   PD71 / PD43  CONTROL   Ver.1.40");
    QCOMPARE(rig.form.size(), QSize(633, 327));
    QCOMPARE(rig.form.windowIcon().availableSizes(), QList<QSize>{QSize(48, 48)});
    QCOMPARE(rig.form.minimumSize(), rig.form.maximumSize());
    QCOMPARE(rig.control("Command17")->mapTo(&rig.form, QPoint()), QPoint(16, 56));
    QCOMPARE(rig.control("Option10")->mapTo(&rig.form, QPoint()), QPoint(336, 288));
    QCOMPARE(rig.caption("Command3"), "DISPLAY CLEAR");
    // POWER, MENU, SOUND MUTE, NO SHOW and FREEZE: ON in green, OFF in pink.
    for (const auto &[on, off] : {std::pair{"Command17", "Command18"}, {"Command23", "Command24"},
                                  {"Command19", "Command20"}, {"Command21", "Command22"},
                                  {"Command25", "Command26"}}) {
        QCOMPARE(rig.caption(on) + rig.caption(off), "ONOFF");
        QCOMPARE(rig.colour(on), QColor(0xC0FFC0));
        QCOMPARE(rig.colour(off), QColor(0xFFC0C0));
    }
    QCOMPARE(rig.colour("Command6"), QColor(0xFF8000));
    QCOMPARE(rig.colour("Label22", QPalette::WindowText), QColor(0xFF0000));
    QCOMPARE(rig.form.palette().color(QPalette::Window), QColor(0xC0C0C0));

    QVERIFY(!rig.control("Frame8")->isVisible() && !rig.control("Command34")->isVisible());
    QCOMPARE(rig.form.focusWidget(), rig.control("Command17"));
    QVERIFY(rig.control<QRadioButton>("Option1")->isChecked() && rig.control<QRadioButton>("Option9")->isChecked());
    QVERIFY(!rig.control<QRadioButton>("Option2")->isChecked());

    // The design's faces come out as their stand-ins, and they have the Japanese glyphs.
    const QFont pgothic = rig.control("Command34")->font();
    QCOMPARE(QFontInfo(pgothic).family() + QFontInfo(rig.form.font()).family(), "IPAPGothicIPAGothic");
    for (const QChar c : QStringLiteral("データを表示しない"))
        QVERIFY(QFontMetrics(pgothic).inFont(c));
    QVERIFY(rig.form.font().bold());
    QCOMPARE(rig.control("Label11")->font().pixelSize(), 13); // 9.75 pt
}

// What a point of the client area shows at a window height: a control, the window's own
// background, or nothing because the window ends above it.
void TestForm1::views_data()
{
    QTest::addColumn<float>("height");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QString>("shows");
    QTest::newRow("5350: last row of band A") << 5350.f << QPoint(24, 320) << "Command42";
    QTest::newRow("5350: first row of band B") << 5350.f << QPoint(24, 328) << "";
    QTest::newRow("6645: top row of RXD") << 6645.f << QPoint(50, 364) << "Label12";
    QTest::newRow("6645: below band B") << 6645.f << QPoint(24, 414) << "";
    QTest::newRow("7200: top edge of band C") << 7200.f << QPoint(24, 450) << "Frame14";
    QTest::newRow("9100: C02") << 9100.f << QPoint(508, 464) << "Command36";
    QTest::newRow("9100: below band C") << 9100.f << QPoint(24, 576) << "Form1";
    QTest::newRow("9100: below the window") << 9100.f << QPoint(24, 577) << "";
}

void TestForm1::views()
{
    QFETCH(float, height);
    QFETCH(QPoint, point);
    Rig rig;
    rig.setHeight(height);
    QWidget *child = rig.form.childAt(point);
    QTEST(!rig.form.rect().contains(point) ? "" : child ? child->objectName() : "Form1", "shows");
}

// A key held on a one-shot button sends once, whatever the key repeat; adjusters take no keys.
void TestForm1::keyboardActivation_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("REAL, Space") << "Command10" << int(Qt::Key_Space) << QByteArray("C12\r");
    QTest::newRow("REAL, Return") << "Command10" << int(Qt::Key_Return) << QByteArray("C12\r");
    QTest::newRow("STATUS, Enter") << "Command44" << int(Qt::Key_Enter) << QByteArray("CR0\r");
    QTest::newRow("VOL +, Space") << "Command1" << int(Qt::Key_Space) << QByteArray();
}

void TestForm1::keyboardActivation()
{
    QFETCH(QString, button);
    QFETCH(int, key);
    Rig rig;
    rig.setHeight(ExtendedPanel::kDataHeight);
    QWidget *widget = rig.control(qPrintable(button));
    widget->setFocus();
    const auto send = [widget, key](QEvent::Type type, bool repeat) {
        QKeyEvent event(type, key, Qt::NoModifier, QString(), repeat);
        QCoreApplication::sendEvent(widget, &event);
    };
    send(QEvent::KeyPress, false);
    for (int repeat = 0; repeat < 3; ++repeat) { // held: the key repeats as release and press
        send(QEvent::KeyRelease, true);
        send(QEvent::KeyPress, true);
    }
    send(QEvent::KeyRelease, false);
    QTEST(QByteArray::fromStdString(rig.port.takeWritten()), "sent");
}

void TestForm1::mouse()
{
    Rig rig;
    // A click that only ends over another place is no click.
    QTest::mousePress(rig.control("Command17"), Qt::LeftButton);
    QTest::mouseRelease(rig.control("Command17"), Qt::LeftButton, {}, QPoint(-5, -5));
    QCOMPARE(rig.port.takeWritten(), "");
    // An adjuster acts while held by any mouse button, and its release ends the hold wherever
    // it comes.
    QTest::mousePress(rig.control("Command2"), Qt::RightButton);
    rig.clock.advance(500);
    QTest::mouseRelease(rig.control("Command2"), Qt::RightButton, {}, QPoint(-20, -20));
    QCOMPARE(rig.label("Label11"), "");
    rig.clock.advance(1000);
    QCOMPARE(rig.port.takeWritten(), "C0A\rC0A\rC0A\r");
}

void TestForm1::holdEndsWhenTheReleaseCannotArrive_data()
{
    QTest::addColumn<QString>("loss");
    QTest::newRow("focus moves") << "focus";
    QTest::newRow("window deactivated") << "deactivate";
    QTest::newRow("button hidden") << "hide";
    QTest::newRow("warning box opens") << "box";
}

void TestForm1::holdEndsWhenTheReleaseCannotArrive()
{
    QFETCH(QString, loss);
    Rig rig;
    rig.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&rig.form));
    auto *brightness = rig.control<AdjusterButton>("Command15");
    QTest::mousePress(brightness, Qt::LeftButton);
    rig.clock.advance(100);
    QCOMPARE(rig.port.takeWritten(), "C20\rC20\rC20\r");
    int heldWhileBoxShown = -1;
    QWidget other;
    if (loss == "focus") {
        rig.control("Command17")->setFocus();
    } else if (loss == "deactivate") {
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
    } else if (loss == "hide") {
        brightness->hide();
    } else {
        rig.boxes.whileOpen = [&] { heldWhileBoxShown = rig.form.panel().state().heldAdjuster; };
        rig.form.panel().reportError(PortError(13, "/dev/ttyS0: Connection lost"));
        QCOMPARE(heldWhileBoxShown, 0);
    }
    rig.clock.advance(1000);
    QCOMPARE(rig.port.takeWritten(), "");
    // The release that finally comes does not clean up a second time.
    rig.form.panel().display().label11.set("next exchange");
    QTest::mouseRelease(brightness, Qt::LeftButton);
    QCOMPARE(rig.label("Label11"), "next exchange");
}

// Ctrl+J works while the command box has the focus, which keeps its keys; the box sends its
// text as Latin-1 on SEND only.
void TestForm1::chordAndCommandBox()
{
    Rig rig;
    QTest::mouseDClick(rig.control("Image1"), Qt::LeftButton);
    QCOMPARE(rig.form.height(), 327); // nothing before the chord
    auto *box = rig.control<QLineEdit>("Text1");
    box->setFocus();
    QTest::keyClicks(box, "CR0");
    QTest::keyClick(box, Qt::Key_J, Qt::ControlModifier);
    QCOMPARE(rig.form.height(), 451);
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
    QCOMPARE(rig.caption("Command34"), "データを表示する");
    rig.click("Command16"); // END
    QVERIFY(!rig.form.isVisible());
}

void TestForm1::portGroup()
{
    Rig rig;
    rig.click("Command33");
    // The group lies over the COM button: a click there lands on the group.
    QCOMPARE(rig.form.childAt(rig.control("Command33")->geometry().center())->objectName(), "Frame13");
    rig.click("Option10");
    QVERIFY(!rig.control("Frame8")->isVisible());
    QCOMPARE(rig.port.settings(), "9600,N,8,1");
    QVERIFY(!rig.control<QRadioButton>("Option9")->isChecked());

    rig.click("Command33");
    rig.port.failOpenOfPort = 2;
    rig.click("Option2");
    QCOMPARE(rig.boxes.texts, QStringList{"Error 8002: Device unavailable: COM2"});
    QCOMPARE(rig.boxes.lastTitle, "ORVA   PD71 / PD43  CONTROL   Ver.1.40");
    QCOMPARE(rig.boxes.lastIcon, QMessageBox::Warning);
    QVERIFY(rig.control("Frame8")->isVisible() && rig.control<QRadioButton>("Option2")->isChecked());
}

// Text from the line is shown as plain characters, and a long line is cut to what fits.
void TestForm1::receivedTextShownLiterally()
{
    Rig rig;
    rig.setHeight(ExtendedPanel::kDataHeight);
    auto *line = rig.control<PanelLabel>("Label12");
    rig.port.receive("<b>&amp;</b>\xE9");
    QCOMPARE(line->text(), " < b > & a m p ; < / b > ? ");
    QCOMPARE(line->shownText(), line->text());
    rig.port.receive(std::string(32767, '\x06')); // "ACK " for each, up to the buffer's limit
    QCOMPARE(line->text().size(), 1 + 2 * 13 + 4 * (32767 - 13));
    QCOMPARE(line->size(), QSize(374, 20));
    QCOMPARE(rig.form.size(), QSize(633, 414));
    QVERIFY(line->shownText().endsWith(QChar(0x2026)));
    QVERIFY(line->fontMetrics().horizontalAdvance(line->shownText()) <= line->contentsRect().width());
}

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
