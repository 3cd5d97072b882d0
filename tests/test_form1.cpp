// The window offscreen, its controls found by their design names: what it shows and where,
// the mouse and keyboard wiring on a fake port, and clicks and replies over a real one.

#include "adjusterbutton.h"
#include "commandbutton.h"
#include "extendedpanel.h"
#include "fakeserialport.h"
#include "form1.h"
#include "paneldisplay.h"
#include "panelstate.h"
#include "porterror.h"
#include "programrig.h"
#include "pseudoterminal.h"
#include "stdstringprinting.h"
#include "virtualclock.h"
#include "warningboxes.h"
#include "windowcontrols.h"

#include <QApplication>
#include <QFontInfo>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
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
    void failingPortChoiceShowsAWarning();
    void receivedTextShownLiterally();
    void longLineKeepsEverySize();
    void labelBorderIsTheSunkenPanel();
    void endEndsTheProgram();
    void clicksPutTheirBytesOnTheLine();
    void repliesShowInTheLabels();
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

    QVERIFY(!rig.control("Frame8")->isVisible());
    QVERIFY(!rig.control("Command34")->isVisible());
    QCOMPARE(rig.form.focusWidget(), rig.control("Command17"));
    QVERIFY(rig.control<QRadioButton>("Option1")->isChecked());
    QVERIFY(!rig.control<QRadioButton>("Option2")->isChecked());
    QVERIFY(rig.control<QRadioButton>("Option9")->isChecked());
    QCOMPARE(rig.label("Label11") + rig.label("Label12") + rig.label("Label22"), "");

    QCOMPARE(rig.control("Command17")->palette().color(QPalette::Button), QColor(0xC0FFC0));
    QCOMPARE(rig.control("Command6")->palette().color(QPalette::Button), QColor(0xFF8000));
    QCOMPARE(rig.control("Label22")->palette().color(QPalette::WindowText), QColor(0xFF0000));
    QCOMPARE(rig.form.palette().color(QPalette::Window), QColor(0xC0C0C0));

    // The design's faces come out as their stand-ins, and they have the Japanese glyphs.
    const QFont pgothic = rig.control("Command34")->font();
    QCOMPARE(QFontInfo(pgothic).family(), "IPAPGothic");
    QCOMPARE(QFontInfo(rig.form.font()).family(), "IPAGothic");
    for (const QChar c : QString::fromUtf8(ExtendedPanel::kHideDataCaption))
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
    QTest::newRow("5350: gap below band A") << 5350.f << QPoint(24, 326) << "Form1";
    QTest::newRow("5350: first row of band B") << 5350.f << QPoint(24, 328) << "";
    QTest::newRow("6645: first row of band B") << 6645.f << QPoint(24, 328) << "Frame9";
    QTest::newRow("6645: status query") << 6645.f << QPoint(440, 400) << "Command45";
    QTest::newRow("6645: last row of band B") << 6645.f << QPoint(24, 413) << "Frame9";
    QTest::newRow("6645: below band B") << 6645.f << QPoint(24, 414) << "";
    QTest::newRow("7200: band B") << 7200.f << QPoint(24, 413) << "Frame9";
    QTest::newRow("7200: top edge of band C") << 7200.f << QPoint(24, 450) << "Frame14";
    QTest::newRow("7200: below the edge") << 7200.f << QPoint(24, 451) << "";
    QTest::newRow("9100: C02") << 9100.f << QPoint(508, 464) << "Command36";
    QTest::newRow("9100: last row of band C") << 9100.f << QPoint(24, 573) << "Frame15";
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

void TestForm1::keyboardActivation_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("REAL, Space") << "Command10" << int(Qt::Key_Space) << QByteArray("C12\r");
    QTest::newRow("REAL, Enter") << "Command10" << int(Qt::Key_Enter) << QByteArray("C12\r");
    QTest::newRow("REAL, Return") << "Command10" << int(Qt::Key_Return) << QByteArray("C12\r");
    QTest::newRow("STATUS, Space") << "Command44" << int(Qt::Key_Space) << QByteArray("CR0\r");
    QTest::newRow("VOL +, Space") << "Command1" << int(Qt::Key_Space) << QByteArray();
    QTest::newRow("SELECT, Enter") << "Command6" << int(Qt::Key_Return) << QByteArray();
}

void TestForm1::keyboardActivation()
{
    QFETCH(QString, button);
    QFETCH(int, key);
    Rig rig;
    QWidget *widget = rig.control(qPrintable(button));
    widget->setFocus();
    QTest::keyClick(widget, Qt::Key(key));
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
    QVERIFY(rig.control("Frame8")->isVisible());
    // The group lies over the COM button: a click there lands on the group.
    const QPoint com = rig.control("Command33")->geometry().center();
    QCOMPARE(rig.form.childAt(com)->objectName(), "Frame13");

    rig.click("Option10");
    QVERIFY(!rig.control("Frame8")->isVisible());
    QCOMPARE(rig.port.settings(), "9600,N,8,1");
    QVERIFY(rig.control<QRadioButton>("Option10")->isChecked());
    QVERIFY(!rig.control<QRadioButton>("Option9")->isChecked());
}

void TestForm1::failingPortChoiceShowsAWarning()
{
    Rig rig;
    rig.click("Command33");
    rig.port.failOpenOfPort = 2;
    rig.click("Option2");
    QCOMPARE(rig.boxes.texts, QStringList{"Error 8002: Device unavailable: COM2"});
    QCOMPARE(rig.boxes.lastTitle, rig.form.windowTitle());
    QCOMPARE(rig.boxes.lastIcon, QMessageBox::Warning);
    QVERIFY(rig.control("Frame8")->isVisible());
    QVERIFY(rig.control<QRadioButton>("Option2")->isChecked());

    // The program runs on; the next failing send is shown the same way.
    rig.click("Command17");
    QCOMPARE(rig.boxes.texts.last(), "Error 8012: Operation valid only when the port is open");
    rig.click("Option1");
    rig.click("Command17");
    QCOMPARE(rig.port.takeWritten(), "C00\r");
}

void TestForm1::receivedTextShownLiterally()
{
    Rig rig;
    rig.port.receive("<b>&amp;</b><img src=x>");
    const QString expected = " < b > & a m p ; < / b > < i m g   s r c = x > ";
    QCOMPARE(rig.label("Label12"), expected);
    QVERIFY(expected.startsWith(rig.control<PanelLabel>("Label12")->shownText().chopped(1)));
}

void TestForm1::longLineKeepsEverySize()
{
    Rig rig;
    rig.form.panel().extendedPanel().windowHeight.set(ExtendedPanel::kDataHeight);
    const QSize window = rig.form.size();
    auto *line = rig.control<PanelLabel>("Label12");
    rig.port.receive(std::string(32767, '\x06')); // "ACK " for each: 131,069 characters
    QCOMPARE(line->text().size(), 1 + 4 * 32767);
    QCOMPARE(line->size(), QSize(374, 20));
    QCOMPARE(rig.form.size(), window);
    QVERIFY(line->shownText().size() < 200);
    QVERIFY(line->shownText().endsWith(QChar(0x2026)));
    QVERIFY(line->fontMetrics().horizontalAdvance(line->shownText()) <=
            line->contentsRect().width());
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

    // A failed close is shown first; the program ends all the same.
    Rig failing;
    failing.port.failClose = true;
    failing.click("Command16");
    QCOMPARE(failing.boxes.texts.size(), 1);
    QVERIFY(!failing.form.isVisible());
}

// Over a real serial port: a simulated projector on a pseudo-terminal as COM1.
void TestForm1::clicksPutTheirBytesOnTheLine()
{
    ProgramRig rig;
    QSignalSpy lineBytes(rig.projector.get(), &SimulatedProjector::bytesReceived);
    QByteArray line;
    for (const char *button : {"Command17", "Command10", "Command44", "Command54"})
        rig.click(button);
    QVERIFY(waitFor([&] {
        for (; !lineBytes.isEmpty(); lineBytes.removeFirst())
            line += lineBytes.constFirst().constFirst().toByteArray();
        return line.size() >= 16;
    }));
    QCOMPARE(line, "C00\rC12\rCR0\rCR6\r");
}

void TestForm1::repliesShowInTheLabels()
{
    ProgramRig rig;
    rig.click("Command44");
    QVERIFY(waitFor([&] { return rig.label("Label22") == " Stand by"; }));
    QCOMPARE(rig.label("Label12"), " 8 0 CR ");
    QCOMPARE(rig.label("Label11"), " C R 0 CR ");
    rig.clock.advance(1000); // the exchange closes and the labels clear
    QCOMPARE(rig.label("Label22"), "");

    // A query that only the command box can send.
    QTest::keyClicks(rig.control("Text1"), "CR PRESSURE");
    rig.click("Command95");
    QVERIFY(waitFor([&] { return rig.label("Label22") == "1013 hPa"; }));
    QCOMPARE(rig.label("Label12"), " 8 5 3 CR ");
}

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
