// The link core, driven through the panel's buttons on a fake port and the virtual clock: how
// replies are rendered and decoded, and how exchanges run.

#include "exchangeoutcome.h"
#include "freecommandentry.h"
#include "panelrig.h"
#include "panelstate.h"
#include "replydecoding.h"
#include "rfc2217codec.h"

#include <QTest>


using Rig = PanelRig;

class TestCore : public QObject
{
    Q_OBJECT

private slots:
    // The reply to `lastCommand`, decoded as RXD shows it. No status: the status line and the
    // pressure stay as they were. Every table text is pinned by the README's list.
    void decodes_data()
    {
        QTest::addColumn<QByteArray>("lastCommand");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("status");
        const char *const rows[][3] = {
            {"CR0\r", "00\r", " Power ON"},
            {"CR1\r", "12\r", " Computer 1"}, // only the first character counts
            {"CR3\r", "1234\r", " 1 2 3 4 CR  Hour Use"},
            {"CR3\r", "12345678901234567890123", " 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 Hour Use"},
            {"CR6\r", "12345678901234567\r",
             "  S1= 1 2 3 4 5 C  ,   S2=  8 9 0 1 C , S3= 3 4 5 6 7 C"},
            {"CR6\r", "1234567", "  S1= 1 2 3 4 5 C  ,   S2=   C , S3= C"},
            {"CR9\r", "", " "}, // the whole rendering: a space, then a piece per byte
            {"CR9\r", "C\x06" "0\r\n\x14" "1", " C ACK 0 CR LF &1 "}, // DC4 joins the next
            {"CR9\r", " z{~\x7f\x80\xff", "   z ? ? ? ? ? "},
            {"CR PRESSURE\r", "853\r", "1013 hPa"},
            {"CR PRESSURE\r", "+8.53D2\r", "1013 hPa"}, // the number as the reader takes it
            {"CR PRESSURE\r", "85300e-2.7\r", "1013 hPa"},
            {"CR PRESSURE\r", ".0E999999999999 9\r", "106 hPa"},
            {"CR PRESSURE\r", "0\r", "106 hPa"},
            {"CR PRESSURE\r", "852.5\r", "1012 hPa"}, // halfway goes to the even neighbour
            {"CR PRESSURE\r", "-6553\r", "-6865 hPa"},
            {"CR PRESSURE\r", "6553\r", "7077 hPa"},
            {"CR PRESSURE\r", "\x06" "853\r", nullptr}, // ACK first: no number, no reading
            {"CR PRESSURE\r", "\x15\r", nullptr},
            {"CR PRESSURE\r", "6553.5\r", nullptr},       // 5 times the reading leaves 16 bits
            {"CR PRESSURE\r", "1E400\r", nullptr},
            {"CR0\r", "0\r", nullptr},
            {"CR0\r", "\x06" "00\r", nullptr}, // ACK shifts the key
            {"C00\r", "00\r", nullptr},
        };
        for (const auto &[lastCommand, reply, status] : rows) {
            QTest::addRow("%s %s", QByteArray(lastCommand).toPercentEncoding().data(),
                          QByteArray(reply).toPercentEncoding().data())
                << QByteArray(lastCommand) << QByteArray(reply) << QByteArray(status);
        }
    }

    void decodes()
    {
        QFETCH(QByteArray, lastCommand);
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, status);
        Rig rig;
        rig.panel.display().label22.set("earlier");
        rig.panel.state().pressureValue = 77;
        rig.panel.freeCommandEntry().text1.set(lastCommand.chopped(1).toStdString());
        rig.panel.click("Command95");
        rig.port.receive(reply.toStdString());
        QCOMPARE(QByteArray::fromStdString(rig.status()), status.isNull() ? "earlier" : status);
        const bool pressure = lastCommand.startsWith("CR PRESSURE") && !status.isNull();
        const int hectopascal = pressure ? status.split(' ')[0].toInt() : 77;
        QCOMPARE(int(rig.panel.state().pressureValue), hectopascal);
    }

    // The figures a script or a monitor reads from a reply, beside the status line's text.
    void reads_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("figures");
        const char *const rows[][3] = {
            {"CR0\r", "80\r", "power=standby code=80"},
            {"CR0\r", "\x06" "00\r", ""}, // ACK shifts the key: no row, no figure
            {"CR1\r", "12\r", "input=computer-1 code=12"},
            {"CR4\r", "01\r", "picture=left-right-reversed code=01"},
            {"CR3\r", "1250\r", "lamp_hours=1250"},
            {"CR3\r", "1250", ""}, // not whole
            {"CR6\r", " 24.0, 25.0, 25.5\r", "s1_celsius=24 s2_celsius=25 s3_celsius=25.5"},
            {"CR6\r", "12345678901234567\r", "s1_celsius=12345 s2_celsius=8901 s3_celsius=34567"},
            {"CR6\r", "-7.5\r", "s1_celsius=-7.5"},
            {"CRA\r", "FF\r", "mute=standby code=FF"},
            {"CR7\r", "22\r", "lamps=no2-on-1-lamp-mode-no2 code=22"},
            {"CR9\r", "PD71\xe9\r", "model=PD71\xe9"},
            {"CR PRESSURE\r", "853\r", "pressure_hpa=1013"},
            {"C00\r", "00\r", ""},
        };
        for (const auto &[sent, reply, figures] : rows) {
            QTest::addRow("%s %s", QByteArray(sent).toPercentEncoding().data(),
                          QByteArray(reply).toPercentEncoding().data())
                << QByteArray(sent) << QByteArray(reply) << QString::fromLatin1(figures);
        }
    }

    void reads()
    {
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, reply);
        const ExchangeOutcome outcome =
            judgeExchange(PanelState{}, "x", sent.toStdString(), reply.toStdString());
        QStringList figures;
        for (const auto &[name, value] : outcome.reading.figures()) {
            const auto *word = std::get_if<std::string>(&value);
            const QString shown =
                word ? QString::fromLatin1(*word) : QString::number(std::get<double>(value));
            figures << QString::fromStdString(name) + '=' + shown;
        }
        QTEST(figures.join(' '), "figures");
    }

    void statusExchange()
    {
        Rig rig;
        rig.panel.click("Command44");
        QCOMPARE(rig.port.takeWritten(), "CR0\r");
        QCOMPARE(rig.txd(), " C R 0 CR ");
        rig.port.raiseEvent(1); // not a receive: ignored
        QCOMPARE(rig.rxd(), "");
        rig.port.receive("0"); // the reply in pieces, decoded once its key is complete
        QCOMPARE(rig.rxd() + '|' + rig.status(), " 0 |");
        rig.port.receive("0\r");
        QCOMPARE(rig.rxd() + '|' + rig.status(), " 0 0 CR | Power ON");
        rig.panel.click("Command17"); // TXD shows the transmit; RXD and STATUS keep their text
        rig.port.receive("1");        // and begins a new exchange: its reply alone in RXD
        QCOMPARE(rig.txd() + '|' + rig.rxd() + '|' + rig.status(), " C 0 0 CR | 1 | Power ON");
        rig.clock.advance(500); // the exchange is over: no mark, since a reply came
        QCOMPARE(rig.rxd(), " 1 ");
        rig.port.receive("2"); // and a new buffer begins
        QCOMPARE(rig.rxd(), " 2 ");
    }

    // The reply wait, the display clear and the port group's timer run once each time: the next
    // exchange is marked and cleared on its own schedule, and the group gets its five seconds
    // anew.
    void timersStopAfterTheirEvent()
    {
        Rig rig;
        rig.panel.click("Command33");
        rig.panel.click("Command44");
        rig.clock.advance(1200);
        rig.panel.click("Command44");
        rig.clock.advance(499);
        QCOMPARE(rig.rxd(), "");
        rig.clock.advance(1);
        QCOMPARE(rig.rxd(), " X X X X");
        rig.clock.advance(499);
        QCOMPARE(rig.txd(), " C R 0 CR ");
        rig.clock.advance(1);
        QCOMPARE(rig.txd() + rig.rxd(), "");

        // COM again after the group has hidden: a choice hides it and leaves its timer running, so
        // COM once more shows it only for what is left; Command34 gives it a fresh five seconds.
        const auto shown = [&rig] { return rig.panel.display().frame8Visible.get(); };
        rig.clock.advance(3800);
        rig.panel.click("Command33");
        rig.clock.advance(1000);
        rig.panel.click("Option10");
        rig.panel.click("Command33");
        rig.clock.advance(3999);
        QVERIFY(shown());
        rig.clock.advance(1);
        QVERIFY(!shown());
        rig.panel.click("Command33");
        rig.clock.advance(3000);
        rig.panel.keyDown('J', 2); // Ctrl+J shows Command34
        rig.panel.click("Command34");
        rig.clock.advance(4999);
        QVERIFY(shown());
    }

    // A second command within the first one's reply wait has its reply decoded on its own.
    void eachReplyAgainstItsQuestion_data()
    {
        QTest::addColumn<QStringList>("exchanges"); // command, reply, command, reply
        QTest::addColumn<QString>("status");
        QTest::newRow("SETTING after STATUS")
            << QStringList{"44", "00\r", "47", "11\r"} << " Normally";
        QTest::newRow("TEMP after L-TIME")
            << QStringList{"46", "1234\r", "54", "12345678901234567\r"}
            << "  S1= 1 2 3 4 5 C  ,   S2=  8 9 0 1 C , S3= 3 4 5 6 7 C";
        QTest::newRow("STATUS after an ACK")
            << QStringList{"17", "\x06", "44", "00\r"} << " Power ON";
        QTest::newRow("CR PRESSURE typed after STATUS")
            << QStringList{"44", "00\r", "CR PRESSURE", "853\r"} << "1013 hPa";
    }

    void eachReplyAgainstItsQuestion()
    {
        QFETCH(QStringList, exchanges);
        Rig rig;
        for (qsizetype at = 0; at < exchanges.size(); at += 2) {
            rig.panel.freeCommandEntry().text1.set(exchanges[at].toStdString());
            const bool typed = !exchanges[at].front().isDigit();
            rig.panel.click(typed ? "Command95" : "Command" + exchanges[at].toStdString());
            rig.port.receive(exchanges[at + 1].toStdString());
            rig.clock.advance(100);
        }
        QTEST(QString::fromStdString(rig.status()), "status");
    }

    void failedWriteChangesNothing()
    {
        Rig rig;
        rig.port.receive("x");
        rig.port.failWrites = true;
        rig.panel.click("Command17");
        QCOMPARE(rig.errors.size(), 1u);
        QCOMPARE(rig.panel.state().lastCommand, "C00\r");
        rig.port.failWrites = false;
        rig.port.receive("y");
        rig.clock.advance(5000);
        QCOMPARE(rig.txd() + rig.rxd(), " x y "); // no TXD, no new exchange, no mark, no clearing
    }

    void receiveBufferIsCapped()
    {
        Rig rig;
        rig.port.receive(std::string(32000, 'a'));
        rig.port.receive(std::string(1000, 'b'));
        rig.port.receive("c"); // dropped until the buffer is emptied
        const std::string &buffer = rig.panel.state().receiveBuffer;
        QCOMPARE(buffer.size(), 32767u);
        QCOMPARE(buffer.back(), 'b');
        rig.panel.click("Command44"); // a new exchange, a new buffer
        rig.port.receive("c");
        QCOMPARE(buffer, "c");
    }

    // The telnet side of an rfc2217:// port, starting at 9600 baud: what arrives from the
    // server, in the pieces it arrives in, gives the device's bytes and the answers.
    void rfc2217Decoding_data()
    {
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("replies");
        const auto row = [](const char *name, QByteArrayList pieces, QByteArray data,
                            QByteArray replies) {
            QTest::newRow(name) << pieces << data << replies;
        };
        row("0xFF doubled, CR NUL as CR (no BINARY yet)", {"0\xff\xff\r", QByteArray(1, 0)},
            "0\xff\r", "");
        row("CR NUL kept with BINARY", {QByteArray("\xff\xfb\x00\r\x00", 5)},
            QByteArray("\r\x00", 2), "");
        row("0xFF doubled across reads", {"0\xff", "\xff\r"}, "0\xff\r", "");
        row("subnegotiation across reads", {"A\xff\xfa\x2c\x65", QByteArray("\x00\x00\x25", 3),
                                            "\x80\xff", "\xf0" "B"}, "AB", "");
        row("0xFF within a subnegotiation", {"\xff\xfa\x2c\x6b\xff\xff\x01\xff\xf0" "C"}, "C", "");
        row("echo and terminal type refused", {"\xff\xfb\x01\xff\xfd\x18"}, "",
            "\xff\xfe\x01\xff\xfc\x18");
        row("binary agreed as asked, then turned off", // only the turning off is answered
            {QByteArray("\xff\xfd\x00\xff\xfb\x00\xff\xfe\x00", 9)}, "",
            QByteArray("\xff\xfc\x00", 3));
    }

    void rfc2217Decoding()
    {
        QFETCH(QByteArrayList, pieces);
        Rfc2217Codec codec;
        QCOMPARE(QByteArray::fromStdString(codec.start(9600)), // WILL, DO BINARY; WILL COM-PORT
                 QByteArray("\xff\xfb\x00\xff\xfd\x00\xff\xfb\x2c", 9));
        QByteArray data, replies;
        for (const QByteArray &piece : pieces) {
            const Rfc2217Codec::Decoded decoded = codec.decode(piece.toStdString());
            data += QByteArray::fromStdString(decoded.data);
            replies += QByteArray::fromStdString(decoded.replies);
        }
        QTEST(data, "data");
        QTEST(replies, "replies");
    }
};

QTEST_GUILESS_MAIN(TestCore)
#include "test_core.moc"
