// What a screen reader and the keyboard alone get of the window: offscreen, on a fake port and
// a virtual clock.

#include "extendedpanel.h"
#include "fakeserialport.h"
#include "form1.h"
#include "panellabel.h"
#include "panellayout.h"
#include "virtualclock.h"

#include <QTest>
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

using namespace PanelLayout;
using std::ranges::find;
using A = QAccessible;
static std::vector<std::pair<QObject *, A::Event>> g_updates; // what a screen reader was told

struct Rig {
    Rig() { form.load(), form.show(), QApplication::setActiveWindow(&form); }
    QWidget *at(const char *name) { return *name ? form.findChild<QWidget *>(name) : &form; }
    VirtualClock clock;
    FakeSerialPort port;
    Form1 form{port, [this] { return clock.createTimer(); }};
};

class TestAccessibility : public QObject
{
    Q_OBJECT

    static const Control &row(std::string_view n) { return *find(controls(), n, &Control::name); }
    static int top(const Control &c) { return c.top + (c.parent.empty() ? 0 : top(row(c.parent))); }

private slots:
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
        const int roles[] = {A::NoRole,      A::StaticText,   A::Button,
                             A::RadioButton, A::EditableText, A::Graphic};
        const QHash<QString, QString> said{{"Command17", "POWER ON"}, {"Command51", "Keystone -"},
                                           {"Command5", "Up"},        {"Command13", "A-IMAGE"},
                                           {"Text1", "Command"},      {"Label22", " Power ON"}};
        QTest::newRow("") << int(A::Window) << "ORVA   PD71 / PD43  CONTROL   Ver.1.40"; // Form1
        for (const Control &c : controls())
            if (c.kind != Kind::Frame)
                QTest::newRow(c.name.data()) << roles[int(c.kind)] << said.value(c.name.data());
    }

    void everyControlIsRead()
    {
        QFETCH(QString, name);
        Rig rig;
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
        QTest::newRow("data") << 6645.f << 6210 << false;
        QTest::newRow("full") << 9100.f << 8610 << false;
    }

    void keyboardReachesWhatIsInView()
    {
        QFETCH(float, height);
        QFETCH(int, lastRow);
        QFETCH(bool, portGroup);
        Rig rig;
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
        for (const Control &c : controls()) // out of view: Space does not work it
            if (QWidget *control = rig.at(c.name.data()); !seen.contains(c.name.data()))
                control->setFocus(), QTest::keyClick(control, Qt::Key_Space);
        QCOMPARE(rig.port.takeWritten(), "");
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
        Rig rig;
        QWidget *held = rig.at(qPrintable(button));
        held->setFocus();
        if (ending.isEmpty())
            A::queryAccessibleInterface(held)->actionInterface()->doAction(
                QAccessibleActionInterface::pressAction());
        else
            QTest::keyPress(held, key);
        for (int tick = 0; tick < 3; ++tick, rig.clock.advance(interval))
            for (const QEvent::Type type : {QEvent::KeyRelease, QEvent::KeyPress}) { // auto-repeat
                QKeyEvent repeat(type, key, Qt::NoModifier, QString(), true);
                QApplication::sendEvent(held, &repeat);
            }
        QCOMPARE(QString::fromStdString(rig.port.takeWritten()),
                 sent.repeated(ending.isEmpty() ? 1 : 4));
        ending == "up" ? QTest::keyRelease(held, key) : rig.at("Command17")->setFocus();
        rig.clock.advance(10 * interval);
        QCOMPARE(rig.port.takeWritten(), "");
    }
};

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
