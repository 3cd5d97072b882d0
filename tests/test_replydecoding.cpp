#include "monitorrendering.h"
#include "panelstate.h"
#include "replydecoding.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {

// Decodes a raw reply the way the RXD line shows it, after `query` was sent.
DecodedReply decodeAfter(const QByteArray &query, const QByteArray &reply)
{
    PanelState state;
    state.lastCommand = frameCommand(state, query.toStdString());
    return decodeReply(state, renderForMonitor(std::string(reply.constData(), reply.size())));
}

} // namespace

class TestReplyDecoding : public QObject
{
    Q_OBJECT

private slots:
    void statusTexts_data();
    void statusTexts();
    void leavesStatusAlone_data();
    void leavesStatusAlone();
    void readsNumbers_data();
    void readsNumbers();
    void convertsPressure_data();
    void convertsPressure();
    void pressureOutOfRangeChangesNothing_data();
    void pressureOutOfRangeChangesNothing();
};

void TestReplyDecoding::statusTexts_data()
{
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("status");

    struct Row {
        const char *query, *reply, *status;
    };
    const Row rows[] = {
        {"CR0", "00\r", " Power ON"},
        {"CR0", "80\r", " Stand by"},
        {"CR0", "40\r", " Count down"},
        {"CR0", "20\r", " Cooling down"},
        {"CR0", "10\r", " Power Fail"},
        {"CR0", "08\r", " Temperature Warning"},
        {"CR0", "02\r", " NO Key input "},
        {"CR0", "04\r", " Lamp OFF by PWR Management"},
        {"CR0", "28\r", " Temperature Warning & cooling down"},
        {"CR0", "24\r", "Cooling down  PWR Management"},
        {"CR0", "88\r", " Temperature Warning and recoverd"},
        {"CR0", "21\r", " Cooling down (All Lamp FAIL)"},
        {"CR0", "81\r", " Cooling down & sutandby (All Lamp FAIL)"},
        {"CR1", "1\r", " Computer 1"},
        {"CR1", "2\r", " Computer 2"},
        {"CR1", "3\r", " Video"},
        {"CR1", "4\r", " Input mode 4"},
        {"CR1", "12\r", " Computer 1"}, // only the first character counts
        {"CR4", "11\r", " Normally"},
        {"CR4", "10\r", " Top/Bottom reversal"},
        {"CR4", "01\r", " Left/Right reversal"},
        {"CR4", "00\r", " Top/Bottom , Left/Right reversal"},
        {"CRA", "00\r", " Video & Audio mute OFF"},
        {"CRA", "01\r", " Video mute ON"},
        {"CRA", "02\r", " Audio mute ON"},
        {"CRA", "03\r", " Video & Audio mute ON"},
        {"CRA", "80\r", " No signal"},
        {"CRA", "FF\r", " Stand by"},
        {"CR7", "00\r", " All OFF : 2 Lamp mode"},
        {"CR7", "01\r", " No1 ON  : 2 Lamp mode"},
        {"CR7", "02\r", " No2 ON  : 2 Lamp mode"},
        {"CR7", "03\r", " No1,2 ON  : 2 Lamp mode"},
        {"CR7", "10\r", " All OFF : 1 Lamp mode(No1 USE)"},
        {"CR7", "11\r", " No1 ON  : 1 Lamp mode(No1 USE)"},
        {"CR7", "20\r", " All OFF : 1 Lamp mode(No2 USE)"},
        {"CR7", "22\r", " No2 ON  : 1 Lamp mode(No2 USE)"},
        {"CR3", "1234\r", " 1 2 3 4 CR  Hour Use"},
        {"CR3", "12", " 1 2  Hour Use"},
        {"CR3", "12345678901234567890123", " 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 Hour Use"},
        {"CR6", "12345678901234567\r", "  S1= 1 2 3 4 5 C  ,   S2=  8 9 0 1 C , S3= 3 4 5 6 7 C"},
        {"CR6", "1234\r", "  S1= 1 2 3 4 C C  ,   S2=  C , S3= C"},
        {"CR9", "ab{\n", " a b ? LF "},
        {"CR PRESSURE", "853\r", "1013 hPa"},
        {"CR PRESSURE", "512\r", "650 hPa"},
        {"CR PRESSURE", "0\r", "106 hPa"},
        {"CR PRESSURE", "\x06" "853\r", "106 hPa"}, // ACK first: no number
    };
    for (const Row &row : rows) {
        QTest::addRow("%s %s", row.query, QByteArray(row.reply).toPercentEncoding().constData())
            << QByteArray(row.query) << QByteArray(row.reply) << QByteArray(row.status);
    }
}

void TestReplyDecoding::statusTexts()
{
    QFETCH(QByteArray, query);
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, status);
    const DecodedReply decoded = decodeAfter(query, reply);
    QVERIFY(decoded.status.has_value());
    QCOMPARE(QByteArray::fromStdString(*decoded.status), status);
}

void TestReplyDecoding::leavesStatusAlone_data()
{
    QTest::addColumn<QByteArray>("lastCommand");
    QTest::addColumn<QByteArray>("reply");

    QTest::newRow("half a power reply") << QByteArray("CR0\r") << QByteArray("0\r");
    QTest::newRow("unknown power key") << QByteArray("CR0\r") << QByteArray("99\r");
    QTest::newRow("ACK shifts the key") << QByteArray("CR0\r") << QByteArray("\x06" "00\r");
    QTest::newRow("empty buffer") << QByteArray("CR4\r") << QByteArray();
    QTest::newRow("ordinary command") << QByteArray("C00\r") << QByteArray("00\r");
    QTest::newRow("lower-case query") << QByteArray("cr0\r") << QByteArray("00\r");
    QTest::newRow("query with a blank") << QByteArray("CR0 \r") << QByteArray("00\r");
    QTest::newRow("query without CR") << QByteArray("CR0") << QByteArray("00\r");
}

void TestReplyDecoding::leavesStatusAlone()
{
    QFETCH(QByteArray, lastCommand);
    QFETCH(QByteArray, reply);
    PanelState state;
    state.lastCommand = lastCommand.toStdString();
    const DecodedReply decoded
        = decodeReply(state, renderForMonitor(std::string(reply.constData(), reply.size())));
    QVERIFY(!decoded.status);
    QVERIFY(!decoded.pressure);
}

void TestReplyDecoding::readsNumbers_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("rendered digits") << QByteArray(" 8 5 3 CR ") << 853.0;
    QTest::newRow("no number") << QByteArray(" ACK 8 5 3 CR ") << 0.0;
    QTest::newRow("empty") << QByteArray("") << 0.0;
    QTest::newRow("plus sign") << QByteArray(" + 1 2") << 12.0;
    QTest::newRow("minus sign") << QByteArray(" - 1 2") << -12.0;
    QTest::newRow("lone fraction") << QByteArray(" . 5") << 0.5;
    QTest::newRow("second point stops") << QByteArray("1.5.5") << 1.5;
    QTest::newRow("exponent E") << QByteArray(" 1 E 3") << 1000.0;
    QTest::newRow("exponent e negative") << QByteArray("25e-1") << 2.5;
    QTest::newRow("exponent D") << QByteArray("2D2") << 200.0;
    QTest::newRow("exponent d plus") << QByteArray("2d+2") << 200.0;
    QTest::newRow("exponent without digits") << QByteArray(" 7 E CR ") << 7.0;
    QTest::newRow("tabs and line feeds") << QByteArray("\t4\n2") << 42.0;
    QTest::newRow("carriage return stops") << QByteArray("4\r2") << 4.0;
    QTest::newRow("sign alone") << QByteArray(" - CR ") << 0.0;
    QTest::newRow("point alone") << QByteArray(" . ") << 0.0;
    QTest::newRow("underflow reads as zero") << QByteArray("1E-999") << 0.0;
    QTest::newRow("huge exponent") << QByteArray("1E999999999999")
                                   << std::numeric_limits<double>::infinity();
    QTest::newRow("tiny with huge negative exponent") << QByteArray("0.001E-999999999999") << 0.0;
}

void TestReplyDecoding::readsNumbers()
{
    QFETCH(QByteArray, text);
    QFETCH(double, value);
    QCOMPARE(readNumber(text.toStdString()), value);
}

void TestReplyDecoding::convertsPressure_data()
{
    QTest::addColumn<double>("reading");
    QTest::addColumn<int>("hectopascal");

    QTest::newRow("853") << 853.0 << 1013;
    QTest::newRow("512") << 512.0 << 650;
    QTest::newRow("zero") << 0.0 << 106;
    QTest::newRow("half rounds to even, down") << 852.5 << 1012;  // reads 852
    QTest::newRow("half rounds to even, up") << 853.5 << 1014;    // reads 854
    QTest::newRow("upper limit") << 6553.0 << 7077;
    QTest::newRow("lower limit") << -6553.0 << -6865;
    QTest::newRow("just under the upper limit") << 6552.5 << 7076; // reads 6552
}

void TestReplyDecoding::convertsPressure()
{
    QFETCH(double, reading);
    QFETCH(int, hectopascal);
    const auto pressure = pressureFromReading(reading);
    QVERIFY(pressure.has_value());
    QCOMPARE(int(*pressure), hectopascal);
}

void TestReplyDecoding::pressureOutOfRangeChangesNothing_data()
{
    QTest::addColumn<QByteArray>("reply");

    QTest::newRow("6554") << QByteArray("6554\r");
    QTest::newRow("-6554") << QByteArray("-6554\r");
    QTest::newRow("6553.5 rounds to 6554") << QByteArray("6553.5\r");
    QTest::newRow("beyond 16 bits") << QByteArray("40000\r");
    QTest::newRow("infinite") << QByteArray("1E400\r");
}

void TestReplyDecoding::pressureOutOfRangeChangesNothing()
{
    QFETCH(QByteArray, reply);
    const DecodedReply decoded = decodeAfter("CR PRESSURE", reply);
    QVERIFY(!decoded.status);
    QVERIFY(!decoded.pressure);
}

QTEST_GUILESS_MAIN(TestReplyDecoding)
#include "test_replydecoding.moc"
