// Exchanges on the virtual clock: what goes out, what comes back and when the monitor clears,
// driven through the panel's buttons.

#include "freecommandentry.h"
#include "panelrig.h"
#include "panelstate.h"

#include <QTest>

using Rig = PanelRig<>;

class TestLinkCore : public QObject
{
    Q_OBJECT

private slots:
    void statusExchange();
    void replyInPieces();
    void secondCommandBeforeTimer2();
    void lateReplyIsDecodedAgain();
    void buttonsSendAndWait_data();
    void buttonsSendAndWait();
    void failedWriteStopsTheTransmit();
    void receiveBufferIsCapped();
    void pressureOutOfRangeChangesNothing();
};

void TestLinkCore::statusExchange()
{
    Rig rig;
    rig.panel.click("Command44");
    QCOMPARE(rig.port.takeWritten(), "CR0\r");
    QCOMPARE(rig.txd(), " C R 0 CR ");
    QCOMPARE(rig.panel.state().awaitingReply, 1);
    rig.port.raiseEvent(1); // not a receive: ignored
    QCOMPARE(rig.rxd(), "");

    rig.port.receive("00\r");
    QCOMPARE(rig.panel.state().awaitingReply, 0);
    QCOMPARE(rig.rxd(), " 0 0 CR ");
    QCOMPARE(rig.status(), " Power ON");
    rig.panel.click("Command17"); // a transmit changes TXD only
    rig.port.receive("1");        // and an ordinary command's reply RXD only
    QCOMPARE(rig.txd() + '|' + rig.rxd() + '|' + rig.status(), " C 0 0 CR | 0 0 CR 1 | Power ON");

    rig.clock.advance(500); // the exchange is over: buffer emptied, no mark since a reply came
    QVERIFY(rig.panel.state().receiveBuffer.empty() && !rig.timer(2).isEnabled());
    QCOMPARE(rig.rxd(), " 0 0 CR 1 ");
    rig.clock.advance(499);
    QCOMPARE(rig.status(), " Power ON");
    rig.clock.advance(1);
    QCOMPARE(rig.txd() + rig.rxd() + rig.status(), "");
}

void TestLinkCore::replyInPieces()
{
    Rig rig;
    rig.panel.display().label22.set("before");
    rig.panel.click("Command44");
    rig.port.receive("0");
    QCOMPARE(rig.rxd(), " 0 ");
    QCOMPARE(rig.status(), "before");
    rig.port.receive("0\r");
    QCOMPARE(rig.rxd(), " 0 0 CR ");
    QCOMPARE(rig.status(), " Power ON");
}

void TestLinkCore::secondCommandBeforeTimer2()
{
    Rig rig;
    rig.panel.click("Command44"); // CR0
    rig.port.receive("80\r");
    rig.clock.advance(100);
    rig.panel.click("Command47"); // CR4, while the first reply is still in the buffer
    rig.port.receive("11\r");
    QCOMPARE(rig.panel.state().receiveBuffer, "80\r11\r");
    QCOMPARE(rig.rxd(), " 8 0 CR 1 1 CR ");
    QCOMPARE(rig.status(), " Stand by"); // unchanged: " 8 0" is no CR4 key
    // The second send left Timer2's countdown alone.
    rig.clock.advance(399);
    QVERIFY(!rig.panel.state().receiveBuffer.empty());
    rig.clock.advance(1);
    QVERIFY(rig.panel.state().receiveBuffer.empty());
}

void TestLinkCore::lateReplyIsDecodedAgain()
{
    Rig rig;
    rig.panel.click("Command44");
    rig.clock.advance(500);
    QCOMPARE(rig.rxd(), LinkCore::kNoReplyMark);
    rig.clock.advance(200);
    rig.port.receive("00\r");
    QCOMPARE(rig.rxd(), " 0 0 CR ");
    QCOMPARE(rig.status(), " Power ON");
    rig.clock.advance(300);
    QCOMPARE(rig.rxd() + rig.status(), "");
}

// Each button's code, and its wait: the no-reply mark at the reply wait, the monitor cleared
// at the display clear. Buttons without a wait of their own keep the intervals in force.
void TestLinkCore::buttonsSendAndWait_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("replyWait");
    QTest::addColumn<int>("displayClear");
    struct Row {
        const char *button, *code;
        int wait = 300, clear = 700; // what an earlier handler left
    };
    // clang-format off
    const Row rows[] = {
        {"Command17", "C00"}, {"Command18", "C01"}, {"Command27", "C05"}, {"Command28", "C06"},
        {"Command29", "C07"}, {"Command19", "C0B"}, {"Command20", "C0C"}, {"Command21", "C0D"},
        {"Command22", "C0E"}, {"Command31", "C0F"}, {"Command32", "C10"}, {"Command23", "C1C"},
        {"Command24", "C1D"}, {"Command25", "C43"}, {"Command26", "C44"}, {"Command13", "C89"},
        {"Command30", "C27"}, {"Command14", "C8A"}, {"Command3", "C1E"},  {"Command44", "CR0"},
        {"Command45", "CR1"}, {"Command46", "CR3"}, {"Command47", "CR4"}, {"Command54", "CR6"},
        {"Command36", "C02"},
        {"Command4", "C11", 2000, 2500},  {"Command10", "C12", 2000, 2500},
        {"Command11", "C13", 2000, 2500}, {"Command39", "C14", 2000, 2500},
        {"Command40", "C15", 2000, 2500}, {"Command41", "C16", 2000, 2500},
        {"Command42", "C17", 2000, 2500}, {"Command12", "C18", 2000, 2500},
        {"Command64", "C50", 5000, 5500}, {"Command65", "C51", 5000, 5500},
        {"Command66", "C54", 5000, 5500}, {"Command72", "C25", 5000, 5500},
        {"Command81", "C32", 5000, 5500}, {"Command82", "C33", 5000, 5500},
        {"Command69", "C34", 5000, 5500},
    };
    // clang-format on
    for (const Row &row : rows)
        QTest::newRow(row.button) << row.button << row.code << row.wait << row.clear;
}

void TestLinkCore::buttonsSendAndWait()
{
    QFETCH(QString, button);
    QFETCH(QString, code);
    QFETCH(int, replyWait);
    QFETCH(int, displayClear);
    Rig rig;
    rig.timer(2).setInterval(300);
    rig.timer(4).setInterval(700);
    rig.panel.click(button.toStdString());
    QCOMPARE(QString::fromStdString(rig.port.takeWritten()), code + '\r');
    QCOMPARE(QString::fromStdString(rig.txd()), code.split("").join(' ') + "CR ");

    rig.clock.advance(replyWait - 1);
    QCOMPARE(rig.rxd(), "");
    rig.clock.advance(1);
    QCOMPARE(rig.rxd(), LinkCore::kNoReplyMark);
    rig.clock.advance(displayClear - replyWait - 1);
    QVERIFY(!rig.txd().empty());
    rig.clock.advance(1);
    QCOMPARE(rig.txd() + rig.rxd(), "");
}

void TestLinkCore::failedWriteStopsTheTransmit()
{
    Rig rig;
    rig.port.failWrites = true;
    rig.panel.click("Command17");
    QCOMPARE(rig.errors.size(), 1u);
    QCOMPARE(rig.panel.state().lastCommand, "C00\r");
    QCOMPARE(rig.txd(), "");
    QCOMPARE(rig.panel.state().awaitingReply, 0);
    QVERIFY(!rig.timer(2).isEnabled() && !rig.timer(4).isEnabled());
}

void TestLinkCore::receiveBufferIsCapped()
{
    Rig rig;
    rig.port.receive(std::string(32000, 'a'));
    rig.port.receive(std::string(1000, 'b'));
    std::string &buffer = rig.panel.state().receiveBuffer;
    QCOMPARE(buffer.size(), 32767u);
    QCOMPARE(buffer.back(), 'b');
    rig.port.receive("c"); // dropped until the buffer is emptied
    QCOMPARE(buffer.back(), 'b');
    QCOMPARE(rig.rxd().size(), 2 * 32767u + 1);

    rig.panel.click("Command44");
    rig.clock.advance(500);
    rig.port.receive("c");
    QCOMPARE(buffer, "c");
}

void TestLinkCore::pressureOutOfRangeChangesNothing()
{
    Rig rig;
    rig.panel.freeCommandEntry().text1.set("CR PRESSURE");
    rig.panel.click("Command95");
    rig.port.receive("853\r");
    QCOMPARE(rig.status(), "1013 hPa");
    rig.clock.advance(2000);

    rig.panel.click("Command95");
    rig.port.receive("99999\r");
    QCOMPARE(rig.rxd(), " 9 9 9 9 9 CR ");
    QCOMPARE(rig.status(), "1013 hPa");
    QCOMPARE(rig.panel.state().pressureValue, 1013);
}

QTEST_GUILESS_MAIN(TestLinkCore)
#include "test_linkcore.moc"
