#include "extendedpanel.h"
#include "fakeserialport.h"
#include "linkcore.h"
#include "paneldisplay.h"
#include "panelstate.h"
#include "virtualclock.h"

#include <QTest>

#include <memory>

namespace
{

constexpr int kCtrl = ExtendedPanel::kCtrlMask;
const QString kClose = QString::fromUtf8(ExtendedPanel::kCloseCaption);
const QString kShow = QString::fromUtf8(ExtendedPanel::kShowDataCaption);
const QString kHide = QString::fromUtf8(ExtendedPanel::kHideDataCaption);

struct Rig {
    Rig()
    {
        timer3->setInterval(5000);
        extended.windowHeight.set(ExtendedPanel::kCompactHeight); // as start-up leaves it
    }

    QString caption() const { return QString::fromStdString(extended.command34Caption.get()); }

    // Runs the events of a sequence: "chord", "double-click", "Command34".
    void run(const QStringList &events)
    {
        for (const QString &event : events) {
            if (event == "chord")
                extended.keyDown('J', kCtrl);
            else if (event == "double-click")
                extended.image1DoubleClick();
            else if (event == "Command34")
                extended.command34Click();
            else
                QFAIL(qPrintable("no such event: " + event));
        }
    }

    VirtualClock clock;
    FakeSerialPort port;
    PanelState state;
    PanelDisplay display;
    std::unique_ptr<Timer> timer2 = clock.createTimer();
    std::unique_ptr<Timer> timer3 = clock.createTimer();
    std::unique_ptr<Timer> timer4 = clock.createTimer();
    LinkCore core{state, display, port, *timer2, *timer3, *timer4};
    ExtendedPanel extended{state, *timer3};
};

} // namespace

class TestExtendedPanel : public QObject
{
    Q_OBJECT

private slots:
    void startsCompactAndHidden();
    void views_data();
    void views();
    void onlyCtrlJIsTheChord_data();
    void onlyCtrlJIsTheChord();
    void command34RestartsTheGroupTimer();
};

void TestExtendedPanel::startsCompactAndHidden()
{
    Rig rig;
    QVERIFY(!rig.extended.command34Visible.get());
    QCOMPARE(rig.caption(), kShow);
    rig.extended.image1DoubleClick(); // nothing before the chord
    QCOMPARE(rig.extended.windowHeight.get(), ExtendedPanel::kCompactHeight);
    QCOMPARE(rig.state.extendedPanel, 0);
}

void TestExtendedPanel::views_data()
{
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<float>("height");
    QTest::addColumn<int>("extendedPanel");
    QTest::addColumn<QString>("caption");

    QTest::newRow("chord") << QStringList{"chord"} << 7200.f << 1 << kClose;
    QTest::newRow("chord twice") << QStringList{"chord", "chord"} << 7200.f << 1 << kClose;
    QTest::newRow("chord, double-click")
        << QStringList{"chord", "double-click"} << 9100.f << 1 << kClose;
    QTest::newRow("chord in the full view")
        << QStringList{"chord", "double-click", "chord"} << 7200.f << 1 << kClose;
    QTest::newRow("CLOSE at 7200") << QStringList{"chord", "Command34"} << 5350.f << 0 << kShow;
    QTest::newRow("CLOSE in the full view")
        << QStringList{"chord", "double-click", "Command34"} << 5350.f << 0 << kShow;
    QTest::newRow("double-click after CLOSE")
        << QStringList{"chord", "Command34", "double-click"} << 5350.f << 0 << kShow;
    QTest::newRow("compact to data view")
        << QStringList{"chord", "Command34", "Command34"} << 6645.f << 0 << kHide;
    QTest::newRow("data view back to compact")
        << QStringList{"chord", "Command34", "Command34", "Command34"} << 5350.f << 0 << kShow;
    QTest::newRow("double-click in the data view")
        << QStringList{"chord", "Command34", "Command34", "double-click"} << 6645.f << 0 << kHide;
    QTest::newRow("chord from the data view")
        << QStringList{"chord", "Command34", "Command34", "chord"} << 7200.f << 1 << kClose;
}

void TestExtendedPanel::views()
{
    QFETCH(QStringList, events);
    QFETCH(float, height);
    QFETCH(int, extendedPanel);
    QFETCH(QString, caption);
    Rig rig;
    rig.run(events);
    QCOMPARE(rig.extended.windowHeight.get(), height);
    QCOMPARE(rig.state.extendedPanel, extendedPanel);
    QCOMPARE(rig.caption(), caption);
    QVERIFY(rig.extended.command34Visible.get()); // once shown, never hidden again
}

void TestExtendedPanel::onlyCtrlJIsTheChord_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("reveals");

    QTest::newRow("Ctrl+J") << int('J') << kCtrl << true;
    QTest::newRow("Ctrl+J, higher bits set") << int('J') << (kCtrl | 8 | 64) << true;
    QTest::newRow("J") << int('J') << 0 << false;
    QTest::newRow("Shift+Ctrl+J") << int('J') << (kCtrl | ExtendedPanel::kShiftMask) << false;
    QTest::newRow("Ctrl+Alt+J") << int('J') << (kCtrl | ExtendedPanel::kAltMask) << false;
    QTest::newRow("Ctrl+K") << int('K') << kCtrl << false;
    QTest::newRow("Ctrl+j") << int('j') << kCtrl << false;
}

void TestExtendedPanel::onlyCtrlJIsTheChord()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, reveals);
    Rig rig;
    rig.extended.keyDown(key, modifiers);
    QCOMPARE(rig.extended.windowHeight.get(),
             reveals ? ExtendedPanel::kRevealHeight : ExtendedPanel::kCompactHeight);
    QCOMPARE(rig.extended.command34Visible.get(), reveals);
}

void TestExtendedPanel::command34RestartsTheGroupTimer()
{
    Rig rig;
    rig.display.frame8Visible.set(true); // "COM" at 0
    rig.timer3->setEnabled(true);
    rig.clock.advance(3000);
    rig.run({"chord", "Command34"});
    rig.clock.advance(4999);
    QVERIFY(rig.display.frame8Visible.get());
    rig.clock.advance(1);
    QVERIFY(!rig.display.frame8Visible.get());
}

QTEST_GUILESS_MAIN(TestExtendedPanel)
#include "test_extendedpanel.moc"
