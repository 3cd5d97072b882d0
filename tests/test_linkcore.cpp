#include "fakeserialport.h"
#include "linkcore.h"
#include "paneldisplay.h"
#include "panelstate.h"
#include "porterror.h"
#include "virtualclock.h"

#include <QTest>

#include <memory>

namespace {

// The link core on a virtual clock and a fake port, with the design's timer intervals.
struct Rig {
    Rig()
    {
        timer2->setInterval(500);
        timer3->setInterval(5000);
        timer4->setInterval(1000);
        port.setOnComm([this] { core.onComm(); });
        port.open();
    }

    QByteArray rxd() const { return QByteArray::fromStdString(display.label12.get()); }
    QByteArray txd() const { return QByteArray::fromStdString(display.label11.get()); }
    QByteArray status() const { return QByteArray::fromStdString(display.label22.get()); }

    VirtualClock clock;
    FakeSerialPort port;
    PanelState state;
    PanelDisplay display;
    std::unique_ptr<Timer> timer2 = clock.createTimer();
    std::unique_ptr<Timer> timer3 = clock.createTimer();
    std::unique_ptr<Timer> timer4 = clock.createTimer();
    LinkCore core{state, display, port, *timer2, *timer3, *timer4};
};

} // namespace

class TestLinkCore : public QObject
{
    Q_OBJECT

private slots:
    void statusExchange();
    void replyInPieces();
    void secondCommandBeforeTimer2();
    void lateReplyIsDecodedAgain();
    void noReplyMarkThenClear_data();
    void noReplyMarkThenClear();
    void transmitChangesOnlyTxd();
    void receivePathForAnyOtherDirection_data();
    void receivePathForAnyOtherDirection();
    void otherEventCodesAreIgnored();
    void failedWriteStopsTheTransmit();
    void receiveBufferIsCapped();
    void pressureOutOfRangeKeepsStatusAndValue();
    void timer3HidesThePortGroup();
    void timerRule();
};

void TestLinkCore::statusExchange()
{
    Rig rig;
    rig.core.transmit("CR0");
    QCOMPARE(rig.port.takeWritten(), std::string("CR0\r"));
    QCOMPARE(rig.txd(), QByteArray(" C R 0 CR "));
    QCOMPARE(rig.state.awaitingReply, 1);
    QVERIFY(rig.timer2->isEnabled() && rig.timer4->isEnabled());

    rig.port.receive("00\r");
    QCOMPARE(rig.state.awaitingReply, 0);
    QCOMPARE(rig.rxd(), QByteArray(" 0 0 CR "));
    QCOMPARE(rig.status(), QByteArray(" Power ON"));

    rig.clock.advance(500); // buffer emptied, no mark since a reply came
    QVERIFY(rig.state.receiveBuffer.empty());
    QCOMPARE(rig.rxd(), QByteArray(" 0 0 CR "));
    QVERIFY(!rig.timer2->isEnabled());

    rig.clock.advance(499);
    QCOMPARE(rig.status(), QByteArray(" Power ON"));
    rig.clock.advance(1);
    QCOMPARE(rig.txd(), QByteArray());
    QCOMPARE(rig.rxd(), QByteArray());
    QCOMPARE(rig.status(), QByteArray());
    QVERIFY(!rig.timer4->isEnabled());
}

void TestLinkCore::replyInPieces()
{
    Rig rig;
    rig.display.label22.set("before");
    rig.core.transmit("CR0");
    rig.port.receive("0");
    QCOMPARE(rig.rxd(), QByteArray(" 0 "));
    QCOMPARE(rig.status(), QByteArray("before"));
    rig.port.receive("0\r");
    QCOMPARE(rig.rxd(), QByteArray(" 0 0 CR "));
    QCOMPARE(rig.status(), QByteArray(" Power ON"));
}

void TestLinkCore::secondCommandBeforeTimer2()
{
    Rig rig;
    rig.core.transmit("CR0");
    rig.port.receive("80\r");
    rig.clock.advance(100);
    rig.core.transmit("CR4"); // the first reply is still in the buffer
    rig.port.receive("11\r");
    QCOMPARE(rig.state.receiveBuffer, std::string("80\r11\r"));
    QCOMPARE(rig.rxd(), QByteArray(" 8 0 CR 1 1 CR "));
    QCOMPARE(rig.status(), QByteArray(" Stand by")); // unchanged: " 8 0" is no CR4 key
}

void TestLinkCore::lateReplyIsDecodedAgain()
{
    Rig rig;
    rig.core.transmit("CR0");
    rig.clock.advance(500);
    QCOMPARE(rig.rxd(), QByteArray(" X X X X"));
    rig.clock.advance(200);
    rig.port.receive("00\r");
    QCOMPARE(rig.rxd(), QByteArray(" 0 0 CR "));
    QCOMPARE(rig.status(), QByteArray(" Power ON"));
    rig.clock.advance(300);
    QCOMPARE(rig.rxd(), QByteArray());
    QCOMPARE(rig.status(), QByteArray());
}

void TestLinkCore::noReplyMarkThenClear_data()
{
    QTest::addColumn<int>("replyWait");
    QTest::addColumn<int>("displayClear");

    QTest::newRow("start values") << 500 << 1000;
    QTest::newRow("two-second profile") << 2000 << 2500;
    QTest::newRow("five-second profile") << 5000 << 5500;
}

void TestLinkCore::noReplyMarkThenClear()
{
    QFETCH(int, replyWait);
    QFETCH(int, displayClear);
    Rig rig;
    rig.timer2->setInterval(replyWait);
    rig.timer4->setInterval(displayClear);
    rig.core.transmit("C12");

    rig.clock.advance(replyWait - 1);
    QCOMPARE(rig.rxd(), QByteArray());
    rig.clock.advance(1);
    QCOMPARE(rig.rxd(), QByteArray(" X X X X"));
    QCOMPARE(rig.state.awaitingReply, 0);
    rig.clock.advance(displayClear - replyWait - 1);
    QCOMPARE(rig.txd(), QByteArray(" C 1 2 CR "));
    rig.clock.advance(1);
    QCOMPARE(rig.txd(), QByteArray());
    QCOMPARE(rig.rxd(), QByteArray());
}

void TestLinkCore::transmitChangesOnlyTxd()
{
    Rig rig;
    rig.core.transmit("CR0");
    rig.port.receive("00\r");
    rig.core.transmit("C00");
    QCOMPARE(rig.txd(), QByteArray(" C 0 0 CR "));
    QCOMPARE(rig.rxd(), QByteArray(" 0 0 CR "));
    QCOMPARE(rig.status(), QByteArray(" Power ON"));
    // An ordinary command's reply changes RXD only.
    rig.port.receive("1");
    QCOMPARE(rig.status(), QByteArray(" Power ON"));
}

void TestLinkCore::receivePathForAnyOtherDirection_data()
{
    QTest::addColumn<int>("direction");
    QTest::newRow("0") << 0;
    QTest::newRow("2") << 2;
    QTest::newRow("3") << 3;
}

void TestLinkCore::receivePathForAnyOtherDirection()
{
    QFETCH(int, direction);
    Rig rig;
    rig.state.lastCommand = "CR4\r";
    rig.display.label22.set("kept");
    rig.core.hyouji({}, static_cast<std::uint8_t>(direction));
    QCOMPARE(rig.rxd(), QByteArray(" "));
    QCOMPARE(rig.status(), QByteArray("kept"));
    QVERIFY(rig.port.takeWritten().empty());
    QVERIFY(!rig.timer2->isEnabled());
}

void TestLinkCore::otherEventCodesAreIgnored()
{
    Rig rig;
    rig.port.raiseEvent(1);
    rig.port.raiseEvent(1010);
    QCOMPARE(rig.rxd(), QByteArray());
    QVERIFY(rig.state.receiveBuffer.empty());
}

void TestLinkCore::failedWriteStopsTheTransmit()
{
    Rig rig;
    rig.port.close();
    QVERIFY_THROWS_EXCEPTION(PortError, rig.core.transmit("C00"));
    QCOMPARE(rig.state.lastCommand, std::string("C00\r"));
    QCOMPARE(rig.txd(), QByteArray());
    QCOMPARE(rig.state.awaitingReply, 0);
    QVERIFY(!rig.timer2->isEnabled());
    QVERIFY(!rig.timer4->isEnabled());
}

void TestLinkCore::receiveBufferIsCapped()
{
    Rig rig;
    rig.port.receive(std::string(32000, 'a'));
    rig.port.receive(std::string(1000, 'b'));
    QCOMPARE(rig.state.receiveBuffer.size(), LinkCore::kReceiveBufferLimit);
    QCOMPARE(rig.state.receiveBuffer.back(), 'b');
    rig.port.receive("c"); // dropped until the buffer is cleared
    QCOMPARE(rig.state.receiveBuffer.back(), 'b');
    QCOMPARE(rig.display.label12.get().size(), 2 * LinkCore::kReceiveBufferLimit + 1);

    rig.core.transmit("CR0");
    rig.clock.advance(500);
    rig.port.receive("c");
    QCOMPARE(rig.state.receiveBuffer, std::string("c"));
}

void TestLinkCore::pressureOutOfRangeKeepsStatusAndValue()
{
    Rig rig;
    rig.core.transmit("CR PRESSURE");
    rig.port.receive("853\r");
    QCOMPARE(rig.status(), QByteArray("1013 hPa"));
    QCOMPARE(rig.state.pressureValue, 1013);

    rig.core.transmit("CR PRESSURE");
    rig.clock.advance(500);
    rig.port.receive("99999\r");
    QCOMPARE(rig.status(), QByteArray("1013 hPa"));
    QCOMPARE(rig.state.pressureValue, 1013);
    QCOMPARE(rig.rxd(), QByteArray(" 9 9 9 9 9 CR "));
}

void TestLinkCore::timer3HidesThePortGroup()
{
    Rig rig;
    rig.display.frame8Visible.set(true);
    rig.timer3->setEnabled(true);
    rig.clock.advance(4999);
    QVERIFY(rig.display.frame8Visible.get());
    rig.clock.advance(1);
    QVERIFY(!rig.display.frame8Visible.get());
    QVERIFY(!rig.timer3->isEnabled());
}

// The rule the handlers rely on: enabling a running timer keeps its countdown, a new
// interval restarts it, and a display timer fires once.
void TestLinkCore::timerRule()
{
    Rig rig;
    rig.core.transmit("C00");
    rig.clock.advance(300);
    rig.core.transmit("C01"); // enables the running Timer2 again: still due at 500
    rig.clock.advance(200);
    QCOMPARE(rig.rxd(), QByteArray(" X X X X"));

    rig.core.transmit("C00");  // at 500: due at 1000
    rig.clock.advance(300);
    rig.timer2->setInterval(2000); // restarts at 800: due at 2800
    rig.clock.advance(1999);
    QVERIFY(rig.timer2->isEnabled());
    rig.clock.advance(1);
    QVERIFY(!rig.timer2->isEnabled());
}

QTEST_GUILESS_MAIN(TestLinkCore)
#include "test_linkcore.moc"
