#include "adjusterbutton.h"
#include "commandbutton.h"
#include "controlpanel.h"
#include "extendedpanel.h"
#include "fakeserialport.h"
#include "form1.h"
#include "paneldisplay.h"
#include "panellabel.h"
#include "panellayout.h"
#include "panelstate.h"
#include "picturebox.h"
#include "porterror.h"
#include "virtualclock.h"

#include <QApplication>
#include <QFontInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <qdrawutil.h>

#include <functional>

namespace
{

// The window on a fake port and a virtual clock, loaded and shown.
struct Rig {
    Rig()
    {
        form.load();
        form.show();
    }

    template <typename T = QWidget> T *control(const char *name) const
    {
        T *widget = form.findChild<T *>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }

    QString label(const char *name) const { return control<PanelLabel>(name)->text(); }

    void click(const char *name) { QTest::mouseClick(control(name), Qt::LeftButton); }

    VirtualClock clock;
    FakeSerialPort port;
    Form1 form{port, [this] { return clock.createTimer(); }};
};

// Runs `action`, which opens a modal box, closes the box once it is up and returns what it
// showed. The watch ends with the action, box or no box.
struct ModalBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QAbstractButton *>::size_type buttons = 0;
};

void closeBoxWhenShown(QObject &context, ModalBox &seen)
{
    QTimer::singleShot(0, &context, [&context, &seen] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            closeBoxWhenShown(context, seen);
            return;
        }
        seen = {box->windowTitle(), box->text(), box->icon(), box->buttons().size()};
        box->button(QMessageBox::Ok)->click();
    });
}

ModalBox closeModalBoxOf(const std::function<void()> &action)
{
    ModalBox seen;
    QObject context;
    closeBoxWhenShown(context, seen);
    action();
    return seen;
}

int px(int twips)
{
    return qRound(twips / 15.0);
}

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void everyControlAsDesigned();
    void startState();
    void coloursAndFonts();
    void views_data();
    void views();
    void clicksSendAndRepliesShow();
    void keyboardActivation_data();
    void keyboardActivation();
    void adjustersActWhileHeld();
    void holdEndsWhenTheReleaseCannotArrive_data();
    void holdEndsWhenTheReleaseCannotArrive();
    void ctrlJInTheCommandBox();
    void revealAndHide();
    void freeCommandEntry();
    void portGroup();
    void failingPortChoiceShowsAWarning();
    void receivedTextShownLiterally();
    void longLineKeepsEverySize();
    void labelBorderIsTheSunkenPanel();
    void endEndsTheProgram();
};

void TestForm1::everyControlAsDesigned()
{
    Rig rig;
    for (const PanelLayout::Control &design : PanelLayout::controls()) {
        const QString name = QString::fromUtf8(design.name.data(), design.name.size());
        auto *widget = rig.form.findChild<QWidget *>(name);
        QVERIFY2(widget, qPrintable(name));
        const QString parent = design.parent.empty()
                                   ? QStringLiteral("Form1")
                                   : QString::fromUtf8(design.parent.data(), design.parent.size());
        QCOMPARE(widget->parentWidget()->objectName(), parent);
        QCOMPARE(widget->geometry(),
                 QRect(px(design.left), px(design.top), px(design.width), px(design.height)));
        QCOMPARE(widget->minimumSize(), widget->maximumSize());
    }
    // A few by their design numbers, in pixels of the window.
    QCOMPARE(rig.control("Command17")->mapTo(&rig.form, QPoint()), QPoint(16, 56));
    QCOMPARE(rig.control("Option10")->mapTo(&rig.form, QPoint()), QPoint(336, 288));
    QCOMPARE(rig.control("Image1")->size(), QSize(80, 26));
    QCOMPARE(rig.control("Label12")->size(), QSize(374, 20));

    QVERIFY(rig.control<CommandButton>("Command17"));
    QVERIFY(rig.control<CommandButton>("Command34"));
    QVERIFY(rig.control<AdjusterButton>("Command1"));
    QVERIFY(rig.control<AdjusterButton>("Command6"));
    QVERIFY(rig.control<PanelLabel>("Label22"));
    QVERIFY(rig.control<PictureBox>("Image1"));
    QVERIFY(rig.control<QLineEdit>("Text1"));
    QVERIFY(rig.control<QRadioButton>("Option9"));
    QCOMPARE(rig.control<CommandButton>("Command3")->caption(), QStringLiteral("DISPLAY CLEAR"));
    QCOMPARE(rig.control<PanelLabel>("Label2")->text(), QStringLiteral("INPUT MODE SET"));
}

void TestForm1::startState()
{
    Rig rig;
    QCOMPARE(rig.form.windowTitle(), QStringLiteral("ORVA   PD71 / PD43  CONTROL   Ver.1.40"));
    QCOMPARE(rig.form.size(), QSize(633, 327));
    QCOMPARE(rig.form.minimumSize(), rig.form.maximumSize());
    QVERIFY(!rig.control("Frame8")->isVisible());
    QVERIFY(!rig.control("Command34")->isVisible());
    QVERIFY(rig.control("Command33")->isVisible());
    QCOMPARE(rig.form.focusWidget(), rig.control("Command17"));
    QVERIFY(rig.control<QRadioButton>("Option1")->isChecked());
    QVERIFY(!rig.control<QRadioButton>("Option2")->isChecked());
    QVERIFY(rig.control<QRadioButton>("Option9")->isChecked());
    QCOMPARE(rig.control<CommandButton>("Command34")->caption(),
             QString::fromUtf8(ExtendedPanel::kShowDataCaption));
    for (const char *line : {"Label11", "Label12", "Label22"})
        QCOMPARE(rig.label(line), QString());
}

void TestForm1::coloursAndFonts()
{
    Rig rig;
    QCOMPARE(rig.control("Command17")->palette().color(QPalette::Button), QColor(0xC0FFC0));
    QCOMPARE(rig.control("Command6")->palette().color(QPalette::Button), QColor(0xFF8000));
    QCOMPARE(rig.control("Command33")->palette().color(QPalette::Button),
             QApplication::palette().color(QPalette::Button));
    QCOMPARE(rig.control("Label1")->palette().color(QPalette::WindowText), QColor(0xC00000));
    QCOMPARE(rig.control("Label22")->palette().color(QPalette::WindowText), QColor(0xFF0000));
    QCOMPARE(rig.control("Label22")->palette().color(QPalette::Window), QColor(0xFFFFFF));
    QCOMPARE(rig.form.palette().color(QPalette::Window), QColor(0xC0C0C0));

    // The design's faces come out as their stand-ins, and they have the Japanese glyphs.
    const QFont pgothic = rig.control("Command34")->font();
    QCOMPARE(QFontInfo(pgothic).family(), QStringLiteral("IPAPGothic"));
    QCOMPARE(QFontInfo(rig.control("Label13")->font()).family(), QStringLiteral("IPAGothic"));
    QCOMPARE(QFontInfo(rig.form.font()).family(), QStringLiteral("IPAGothic"));
    for (const QChar c : QString::fromUtf8(ExtendedPanel::kHideDataCaption))
        QVERIFY(QFontMetrics(pgothic).inFont(c));
    QVERIFY(rig.form.font().bold());
    QVERIFY(!rig.control("Command31")->font().bold());
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
    QFETCH(QString, shows);
    Rig rig;
    rig.form.panel().extendedPanel().windowHeight.set(height);
    QCOMPARE(rig.form.width(), 633);
    QString seen;
    if (rig.form.rect().contains(point)) {
        QWidget *child = rig.form.childAt(point);
        seen = child ? child->objectName() : QStringLiteral("Form1");
    }
    QCOMPARE(seen, shows);
}

void TestForm1::clicksSendAndRepliesShow()
{
    Rig rig;
    rig.click("Command10");
    QCOMPARE(rig.port.takeWritten(), std::string("C12\r"));
    QCOMPARE(rig.label("Label11"), QStringLiteral(" C 1 2 CR "));

    rig.port.receive("00\r");
    QCOMPARE(rig.label("Label12"), QStringLiteral(" 0 0 CR "));
    rig.clock.advance(2500);
    QCOMPARE(rig.label("Label12"), QString());

    // A click that only ends over another place is no click.
    QWidget *button = rig.control("Command17");
    QTest::mousePress(button, Qt::LeftButton);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-5, -5));
    QCOMPARE(rig.port.takeWritten(), std::string());
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
    QFETCH(QByteArray, sent);
    Rig rig;
    QWidget *widget = rig.control(qPrintable(button));
    widget->setFocus();
    QTest::keyClick(widget, Qt::Key(key));
    QCOMPARE(QByteArray::fromStdString(rig.port.takeWritten()), sent);
}

void TestForm1::adjustersActWhileHeld()
{
    Rig rig;
    QWidget *volume = rig.control("Command1");
    QTest::mousePress(volume, Qt::LeftButton);
    QCOMPARE(rig.port.takeWritten(), std::string("C09\r"));
    rig.clock.advance(500);
    QCOMPARE(rig.port.takeWritten(), std::string("C09\rC09\r"));
    QTest::mouseRelease(volume, Qt::LeftButton, {}, QPoint(-20, -20)); // released elsewhere
    QCOMPARE(rig.label("Label11"), QString());
    rig.clock.advance(1000);
    QCOMPARE(rig.port.takeWritten(), std::string());

    QTest::mousePress(rig.control("Command2"), Qt::RightButton); // any mouse button
    QCOMPARE(rig.port.takeWritten(), std::string("C0A\r"));
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
    QCOMPARE(rig.port.takeWritten(), std::string("C20\rC20\rC20\r"));

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
        closeModalBoxOf([&] {
            QTimer::singleShot(0, [&] { heldWhileBoxShown = rig.form.panel().state().heldAdjuster; });
            rig.form.panel().reportError(PortError(13, "/dev/ttyS0: Connection lost"));
        });
        QCOMPARE(heldWhileBoxShown, 0);
    }
    QCOMPARE(rig.form.panel().state().heldAdjuster, 0);
    QVERIFY(rig.label("Label11").isEmpty());
    rig.clock.advance(1000);
    QCOMPARE(rig.port.takeWritten(), std::string());

    // The release that finally comes does not clean up a second time.
    rig.form.panel().display().label11.set("next exchange");
    QTest::mouseRelease(brightness, Qt::LeftButton);
    QCOMPARE(rig.label("Label11"), QStringLiteral("next exchange"));
}

void TestForm1::ctrlJInTheCommandBox()
{
    Rig rig;
    auto *box = rig.control<QLineEdit>("Text1");
    box->setFocus();
    QTest::keyClicks(box, "CR0");
    QTest::keyClick(box, Qt::Key_J, Qt::ControlModifier);
    QCOMPARE(rig.form.height(), Form1::clientHeight(ExtendedPanel::kRevealHeight));
    QCOMPARE(rig.form.panel().state().extendedPanel, 1);
    QVERIFY(rig.control("Command34")->isVisible());
    QTest::keyClick(box, Qt::Key_J); // the box still takes its keys
    QCOMPARE(box->text(), QStringLiteral("CR0j"));
    QCOMPARE(rig.form.height(), Form1::clientHeight(ExtendedPanel::kRevealHeight));
}

void TestForm1::revealAndHide()
{
    Rig rig;
    QWidget *picture = rig.control("Image1");
    QTest::mouseDClick(picture, Qt::LeftButton);
    QCOMPARE(rig.form.height(), 327); // nothing before the chord

    QTest::keyClick(rig.control("Command17"), Qt::Key_J, Qt::ControlModifier);
    QTest::mouseDClick(picture, Qt::LeftButton);
    QCOMPARE(rig.form.height(), 577);

    auto *data = rig.control<CommandButton>("Command34");
    QCOMPARE(data->caption(), QStringLiteral("CLOSE"));
    rig.click("Command34");
    QCOMPARE(rig.form.height(), 327);
    QCOMPARE(data->caption(), QString::fromUtf8(ExtendedPanel::kShowDataCaption));

    // Out of view now; reached by the keyboard.
    data->setFocus();
    QTest::keyClick(data, Qt::Key_Space);
    QCOMPARE(rig.form.height(), 414);
    QCOMPARE(data->caption(), QString::fromUtf8(ExtendedPanel::kHideDataCaption));
    QCOMPARE(rig.port.takeWritten(), std::string());
}

void TestForm1::freeCommandEntry()
{
    Rig rig;
    rig.form.panel().extendedPanel().windowHeight.set(ExtendedPanel::kFullHeight);
    auto *box = rig.control<QLineEdit>("Text1");
    box->setFocus();
    QTest::keyClicks(box, "CR PRESSURE");
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(rig.port.takeWritten(), std::string());

    rig.click("Command95");
    rig.click("Command95");
    QCOMPARE(rig.port.takeWritten(), std::string("CR PRESSURE\rCR PRESSURE\r"));
    rig.click("Command96");
    QCOMPARE(box->text(), QString());
    QCOMPARE(rig.label("Label11"), QStringLiteral(" C R   P R E S S U R E CR "));

    box->insert(QString::fromUtf8("C\u00e9\u30c7")); // one byte per character
    rig.click("Command95");
    QCOMPARE(rig.port.takeWritten(), std::string("C\xE9?\r"));
    QCOMPARE(box->text(), QString::fromUtf8("C\u00e9\u30c7"));
}

void TestForm1::portGroup()
{
    Rig rig;
    rig.click("Command33");
    QWidget *group = rig.control("Frame8");
    QVERIFY(group->isVisible());
    // The group lies over the COM button: a click there lands on the group.
    const QPoint com = rig.control("Command33")->geometry().center();
    QCOMPARE(rig.form.childAt(com)->objectName(), QStringLiteral("Frame13"));

    rig.click("Option10");
    QVERIFY(!group->isVisible());
    QCOMPARE(rig.port.settings(), std::string("9600,N,8,1"));
    QVERIFY(rig.control<QRadioButton>("Option10")->isChecked());
    QVERIFY(!rig.control<QRadioButton>("Option9")->isChecked());

    rig.click("Command33");
    rig.clock.advance(5000);
    QVERIFY(!group->isVisible());
}

void TestForm1::failingPortChoiceShowsAWarning()
{
    Rig rig;
    rig.click("Command33");
    rig.port.failOpenOfPort = 2;
    const ModalBox box = closeModalBoxOf([&] { rig.click("Option2"); });
    QCOMPARE(box.title, rig.form.windowTitle());
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.buttons, 1);
    QCOMPARE(box.text, QStringLiteral("Error 8002: Device unavailable: COM2"));
    QVERIFY(rig.control("Frame8")->isVisible());
    QVERIFY(rig.control<QRadioButton>("Option2")->isChecked());
    QVERIFY(!rig.port.isOpen());

    // The program runs on; the next failing send is shown the same way.
    const ModalBox next = closeModalBoxOf([&] { rig.click("Command17"); });
    QCOMPARE(next.text, QStringLiteral("Error 8012: Operation valid only when the port is open"));
    rig.click("Option1");
    rig.click("Command17");
    QCOMPARE(rig.port.takeWritten(), std::string("C00\r"));
}

void TestForm1::receivedTextShownLiterally()
{
    Rig rig;
    rig.port.receive("<b>&amp;</b><img src=x>");
    const QString expected = QStringLiteral(" < b > & a m p ; < / b > < i m g   s r c = x > ");
    QCOMPARE(rig.label("Label12"), expected);
    QCOMPARE(QString::fromStdString(rig.form.panel().display().label12.get()), expected);
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
    QVERIFY(!rig.port.isOpen());
    QCOMPARE(rig.port.takeWritten(), std::string());

    // A failed close is shown first; the program ends all the same.
    Rig failing;
    failing.port.failClose = true;
    const ModalBox box = closeModalBoxOf([&] { failing.click("Command16"); });
    QCOMPARE(box.text, QStringLiteral("Error 8012: Operation valid only when the port is open"));
    QVERIFY(!failing.form.isVisible());
}

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
