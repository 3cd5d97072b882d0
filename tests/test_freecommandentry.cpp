#include "fakeserialport.h"
#include "freecommandentry.h"
#include "linkcore.h"
#include "monitorrendering.h"
#include "paneldisplay.h"
#include "panelstate.h"
#include "virtualclock.h"

#include <QTest>

#include <memory>

namespace
{

struct Rig {
    Rig()
    {
        timer2->setInterval(500);
        timer3->setInterval(5000);
        timer4->setInterval(1000);
        port.setOnComm([this] { core.onComm(); });
        port.open();
    }

    VirtualClock clock;
    FakeSerialPort port;
    PanelState state;
    PanelDisplay display;
    std::unique_ptr<Timer> timer2 = clock.createTimer();
    std::unique_ptr<Timer> timer3 = clock.createTimer();
    std::unique_ptr<Timer> timer4 = clock.createTimer();
    LinkCore core{state, display, port, *timer2, *timer3, *timer4};
    FreeCommandEntry entry{state, core, *timer2, *timer4};
};

} // namespace

class TestFreeCommandEntry : public QObject
{
    Q_OBJECT

private slots:
    void sendsTheTextAsItStands_data();
    void sendsTheTextAsItStands();
    void repliesToTypedQueries_data();
    void repliesToTypedQueries();
    void clsOnlyEmptiesTheBox();
};

void TestFreeCommandEntry::sendsTheTextAsItStands_data()
{
    QTest::addColumn<QByteArray>("typed");
    QTest::newRow("empty box") << QByteArray();
    QTest::newRow("C00") << QByteArray("C00");
    QTest::newRow("blanks kept") << QByteArray("  CR0 ");
    QTest::newRow("lower case") << QByteArray("cr pressure");
    QTest::newRow("no button") << QByteArray("CR PRESSURE");
    QTest::newRow("Latin-1 byte") << QByteArray("C\xE9");
}

void TestFreeCommandEntry::sendsTheTextAsItStands()
{
    QFETCH(QByteArray, typed);
    Rig rig;
    rig.entry.text1.set(typed.toStdString());

    for (int send = 0; send < 2; ++send) { // the box keeps its text: SEND again sends it again
        rig.entry.send();
        const std::string framed = typed.toStdString() + '\r';
        QCOMPARE(rig.port.takeWritten(), framed);
        QCOMPARE(rig.state.typedCommand, typed.toStdString());
        QCOMPARE(rig.state.lastCommand, framed);
        QCOMPARE(rig.display.label11.get(), renderForMonitor(framed));
        QCOMPARE(rig.entry.text1.get(), typed.toStdString());
    }
    QCOMPARE(rig.timer2->interval(), 2000);
    QCOMPARE(rig.timer4->interval(), 2500);
    rig.clock.advance(1999);
    QCOMPARE(rig.display.label12.get(), std::string());
    rig.clock.advance(1);
    QCOMPARE(rig.display.label12.get(), std::string(" X X X X"));
}

void TestFreeCommandEntry::repliesToTypedQueries_data()
{
    QTest::addColumn<QByteArray>("typed");
    QTest::addColumn<QByteArray>("status");
    QTest::newRow("CR0") << QByteArray("CR0") << QByteArray(" Power ON");
    QTest::newRow("cr0") << QByteArray("cr0") << QByteArray("earlier");
    QTest::newRow("CR0 and a blank") << QByteArray("CR0 ") << QByteArray("earlier");
}

void TestFreeCommandEntry::repliesToTypedQueries()
{
    QFETCH(QByteArray, typed);
    QFETCH(QByteArray, status);
    Rig rig;
    rig.display.label22.set("earlier");
    rig.entry.text1.set(typed.toStdString());
    rig.entry.send();
    rig.port.receive("00\r");
    QCOMPARE(rig.display.label12.get(), std::string(" 0 0 CR "));
    QCOMPARE(rig.display.label22.get(), status.toStdString());
}

void TestFreeCommandEntry::clsOnlyEmptiesTheBox()
{
    Rig rig;
    rig.entry.text1.set("C12");
    rig.entry.send();
    rig.port.takeWritten();
    rig.entry.clear();
    QCOMPARE(rig.entry.text1.get(), std::string());
    QCOMPARE(rig.port.takeWritten(), std::string());
    QCOMPARE(rig.state.typedCommand, std::string("C12"));
    QCOMPARE(rig.state.lastCommand, std::string("C12\r"));
    QCOMPARE(rig.display.label11.get(), std::string(" C 1 2 CR "));
}

QTEST_GUILESS_MAIN(TestFreeCommandEntry)
#include "test_freecommandentry.moc"
