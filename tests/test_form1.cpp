// The window offscreen on a fake port and a virtual clock, its controls found by their design
// names: what it shows and where, and the mouse and keyboard wiring.

#include "adjusterbutton.h"
#include "commandbutton.h"
#include "extendedpanel.h"
#include "fakeserialport.h"
#include "form1.h"
#include "paneldisplay.h"
#include "panelstate.h"
#include "porterror.h"
#include "virtualclock.h"
#include "warningboxes.h"
#include "windowcontrols.h"

#include <QFontInfo>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QTest>
#include <qdrawutil.h>

namespace
{

// The window on a fake port and a virtual clock, loaded and shown.
struct Rig : WindowControls {
    Rig()
    {
        m_window = &form;
        form.load();
        form.show();
    }
    PanelState &state() { return form.panel().state(); }

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
    void ctrlJInTheCommandBoxAndTheViews();
    void freeCommandEntry();
    void portGroup();
    void receivedTextShownLiterally();
    void labelBorderIsTheSunkenPanel();
    void endEndsTheProgram();
};

void TestForm1::asDesigned()
{
    Rig rig;
    QCOMPARE(rig.form.windowTitle(), "ORVA   PD71 / PD43  CONTROL   Ver.1.40");
    QCOMPARE(rig.form.size(), QSize(633, 327));
    QCOMPARE(rig.form.minimumSize(), rig.form.maximumSize());
    QCOMPARE(rig.control("Command17")->mapTo(&rig.form, QPoint()), QPoint(16, 56));
    QCOMPARE(rig.control("Option10")->mapTo(&rig.form, QPoint()), QPoint(336, 288));
    QCOMPARE(rig.control<CommandButton>("Command3")->caption(), "DISPLAY CLEAR");
    // POWER, MENU, SOUND MUTE, NO SHOW and FREEZE: ON in green, OFF in pink.
    for (const auto &[on, off] : {std::pair{"Command17", "Command18"}, {"Command23", "Command24"},
                                  {"Command19", "Command20"}, {"Command21", "Command22"},
                                  {"Command25", "Command26"}}) {
        QCOMPARE(rig.control<CommandButton>(on)->caption() + rig.control<CommandButton>(off)->caption(), "ONOFF");
        QCOMPARE(rig.control(on)->palette().color(QPalette::Button), QColor(0xC0FFC0));
        QCOMPARE(rig.control(off)->palette().color(QPalette::Button), QColor(0xFFC0C0));
    }
    QCOMPARE(rig.control("Command6")->palette().color(QPalette::Button), QColor(0xFF8000));
    QCOMPARE(rig.control("Label22")->palette().color(QPalette::WindowText), QColor(0xFF0000));
    QCOMPARE(rig.form.palette().color(QPalette::Window), QColor(0xC0C0C0));

    QVERIFY(!rig.control("Frame8")->isVisible());
    QVERIFY(!rig.control("Command34")->isVisible());
    QCOMPARE(rig.form.focusWidget(), rig.control("Command17"));
    QVERIFY(rig.control<QRadioButton>("Option1")->isChecked());
    QVERIFY(!rig.control<QRadioButton>("Option2")->isChecked());
    QVERIFY(rig.control<QRadioButton>("Option9")->isChecked());

    // The design's faces come out as their stand-ins, and they have the Japanese glyphs.
    const QFont pgothic = rig.control("Command34")->font();
    QCOMPARE(QFontInfo(pgothic).family(), "IPAPGothic");
    QCOMPARE(QFontInfo(rig.form.font()).family(), "IPAGothic");
    for (const QChar c : QStringLiteral("データを表示しない"))
        QVERIFY(QFontMetrics(pgothic).inFont(c));
    QVERIFY(rig.form.font().bold());
    QCOMPARE(rig.control("Label11")->font().pixelSize(), 13); // 9.75 pt
}

void TestForm1::views_data()
{
    // What a point of the client area shows: a control, the window's own background, or
    // nothing because the window ends above it.
    QTest::addColumn<float>("height");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QString>("shows");
    QTest::newRow("5350: last row of band A") << 5350.f << QPoint(24, 320) << "Command42";
    QTest::newRow("5350: first row of band B") << 5350.f << QPoint(24, 328) << "";
    QTest::newRow("6645: top row of RXD") << 6645.f << QPoint(50, 364) << "Label12";
    QTest::newRow("6645: status query") << 6645.f << QPoint(440, 400) << "Command45";
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
    rig.form.panel().extendedPanel().windowHeight.set(height);
    QCOMPARE(rig.form.width(), 633);
    QString seen;
    if (rig.form.rect().contains(point)) {
        QWidget *child = rig.form.childAt(point);
        seen = child ? child->objectName() : QStringLiteral("Form1");
    }
    QTEST(seen, "shows");
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
    QTest::newRow("SELECT, Enter") << "Command6" << int(Qt::Key_Return) << QByteArray();
}

void TestForm1::keyboardActivation()
{
    QFETCH(QString, button);
    QFETCH(int, key);
    Rig rig;
    rig.form.panel().extendedPanel().windowHeight.set(ExtendedPanel::kDataHeight);
    QWidget *widget = rig.control(qPrintable(button));
    widget->setFocus();
    const auto send = [widget, key](QEvent::Type type, bool repeat) {
        QKeyEvent event(type, key, Qt::NoModifier, QString(), repeat);
        QCoreApplication::sendEvent(widget, &event);
    };
    send(QEvent::KeyPress, false);
    for (int repeat = 0; repeat < 3; ++repeat) // held: the key repeats as release and press
    {
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

    // An adjuster acts while held, and its release ends the hold wherever it comes.
    QWidget *volume = rig.control("Command1");
    QTest::mousePress(volume, Qt::LeftButton);
    QCOMPARE(rig.port.takeWritten(), "C09\r");
    rig.clock.advance(500);
    QCOMPARE(rig.port.takeWritten(), "C09\rC09\r");
    QTest::mouseRelease(volume, Qt::LeftButton, {}, QPoint(-20, -20));
    QCOMPARE(rig.label("Label11"), "");
    rig.clock.advance(1000);
    QCOMPARE(rig.port.takeWritten(), "");

    QTest::mousePress(rig.control("Command2"), Qt::RightButton); // any mouse button
    QCOMPARE(rig.port.takeWritten(), "C0A\r");
    QTest::mouseRelease(rig.control("Command2"), Qt::RightButton);
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
    QVERIFY(brightness->hasFocus());
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
        rig.boxes.whileOpen = [&] { heldWhileBoxShown = rig.state().heldAdjuster; };
        rig.form.panel().reportError(PortError(13, "/dev/ttyS0: Connection lost"));
        QCOMPARE(heldWhileBoxShown, 0);
    }
    QCOMPARE(rig.state().heldAdjuster, 0);
    QCOMPARE(rig.label("Label11"), "");
    rig.clock.advance(1000);
    QCOMPARE(rig.port.takeWritten(), "");

    // The release that finally comes does not clean up a second time.
    rig.form.panel().display().label11.set("next exchange");
    QTest::mouseRelease(brightness, Qt::LeftButton);
    QCOMPARE(rig.label("Label11"), "next exchange");
}

void TestForm1::ctrlJInTheCommandBoxAndTheViews()
{
    Rig rig;
    QTest::mouseDClick(rig.control("Image1"), Qt::LeftButton);
    QCOMPARE(rig.form.height(), 327); // nothing before the chord
    auto *box = rig.control<QLineEdit>("Text1");
    box->setFocus();
    QTest::keyClicks(box, "CR0");
    QTest::keyClick(box, Qt::Key_J, Qt::ControlModifier);
    QCOMPARE(rig.form.height(), Form1::clientHeight(ExtendedPanel::kRevealHeight));
    QCOMPARE(rig.state().extendedPanel, 1);
    QTest::keyClick(box, Qt::Key_J); // the box still takes its keys
    QCOMPARE(box->text(), "CR0j");

    QTest::mouseDClick(rig.control("Image1"), Qt::LeftButton);
    QCOMPARE(rig.form.height(), 577);
    auto *data = rig.control<CommandButton>("Command34");
    QCOMPARE(data->caption(), "CLOSE");
    rig.click("Command34");
    QCOMPARE(rig.form.height(), 327);
    QCOMPARE(data->caption(), QString::fromUtf8(ExtendedPanel::kShowDataCaption));
    data->setFocus(); // out of view now; reached by the keyboard
    QTest::keyClick(data, Qt::Key_Space);
    QCOMPARE(rig.form.height(), 414);
}

void TestForm1::freeCommandEntry()
{
    Rig rig;
    rig.form.panel().extendedPanel().windowHeight.set(ExtendedPanel::kFullHeight);
    auto *box = rig.control<QLineEdit>("Text1");
    box->setFocus();
    QTest::keyClicks(box, "CR0 ");
    box->insert(QString::fromUtf8("\u00e9\u30c7")); // one byte per character
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(rig.port.takeWritten(), "");
    rig.click("Command95");
    QCOMPARE(rig.port.takeWritten(), "CR0 \xE9?\r");
    rig.click("Command96");
    QCOMPARE(box->text(), "");
}

void TestForm1::portGroup()
{
    Rig rig;
    rig.click("Command33");
    // The group lies over the COM button: a click there lands on the group.
    const QPoint com = rig.control("Command33")->geometry().center();
    QCOMPARE(rig.form.childAt(com)->objectName(), "Frame13");
    rig.click("Option10");
    QVERIFY(!rig.control("Frame8")->isVisible());
    QCOMPARE(rig.port.settings(), "9600,N,8,1");
    QVERIFY(rig.control<QRadioButton>("Option10")->isChecked() && !rig.control<QRadioButton>("Option9")->isChecked());

    rig.click("Command33");
    rig.port.failOpenOfPort = 2;
    rig.click("Option2");
    QCOMPARE(rig.boxes.texts, QStringList{"Error 8002: Device unavailable: COM2"});
    QCOMPARE(rig.boxes.lastTitle, "ORVA   PD71 / PD43  CONTROL   Ver.1.40");
    QCOMPARE(rig.boxes.lastIcon, QMessageBox::Warning);
    QVERIFY(rig.control("Frame8")->isVisible());
    QVERIFY(rig.control<QRadioButton>("Option2")->isChecked());
    rig.click("Command17"); // the program runs on; a failing send is shown the same way
    QCOMPARE(rig.boxes.texts.last(), "Error 8012: Operation valid only when the port is open");
}

// Text from the line is shown as plain characters, and a long line is cut to what fits.
void TestForm1::receivedTextShownLiterally()
{
    Rig rig;
    rig.form.panel().extendedPanel().windowHeight.set(ExtendedPanel::kDataHeight);
    auto *line = rig.control<PanelLabel>("Label12");
    rig.port.receive("<b>&amp;</b>");
    QCOMPARE(line->text(), " < b > & a m p ; < / b > ");
    QCOMPARE(line->shownText(), line->text());
    rig.port.receive(std::string(32767, '\x06')); // "ACK " for each
    QCOMPARE(line->text().size(), 1 + 2 * 12 + 4 * (32767 - 12)); // the buffer's limit
    QCOMPARE(line->size(), QSize(374, 20));
    QCOMPARE(rig.form.size(), QSize(633, 414));
    QVERIFY(line->shownText().endsWith(QChar(0x2026)));
    QVERIFY(line->fontMetrics().horizontalAdvance(line->shownText()) <= line->contentsRect().width());
}

void TestForm1::labelBorderIsTheSunkenPanel()
{
    // The label draws its border itself, faster than qDrawWinPanel: it must look the same,
    // so drawing qDrawWinPanel over it changes no pixel.
    Rig rig;
    rig.form.panel().extendedPanel().windowHeight.set(ExtendedPanel::kDataHeight);
    rig.port.receive("00\r");
    auto *line = rig.control<PanelLabel>("Label12");
    const QImage shown = line->grab().toImage();
    QImage expected = shown;
    QPainter painter(&expected);
    qDrawWinPanel(&painter, line->rect(), line->palette(), true);
    painter.end();
    QCOMPARE(shown, expected);
}

void TestForm1::endEndsTheProgram()
{
    Rig rig;
    rig.click("Command16");
    QVERIFY(!rig.form.isVisible());
}

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
