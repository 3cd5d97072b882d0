#include "monitorrendering.h"
#include "panelstate.h"
#include "replydecoding.h"

#include <QTest>

#include <limits>

class TestReplyDecoding : public QObject
{
    Q_OBJECT

private slots:
    void renders_data();
    void renders();
    void decodes_data();
    void decodes();
    void readsNumbers_data();
    void readsNumbers();
};

void TestReplyDecoding::renders_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("rendering");
    // clang-format off
    const std::pair<QByteArray, QByteArray> rows[] = {
        {"C00\r", " C 0 0 CR "},     {"CR PRESSURE\r", " C R   P R E S S U R E CR "},
        {"00\r", " 0 0 CR "},        {"\x06" "00\r", " ACK 0 0 CR "},
        {"ab{\n", " a b ? LF "},     {"\x14" "1", " &1 "}, // DC4 joins the next piece
        {"", " "},                   {"z{", " z ? "},
        {"\x1f ", " ?   "},          {QByteArray("\0\x7f\x80\xff", 4), " ? ? ? ? "},
        {"<b>aZ", " < b > a Z "},
    };
    // clang-format on
    for (const auto &[input, rendering] : rows)
        QTest::newRow(input.toPercentEncoding().constData()) << input << rendering;
}

void TestReplyDecoding::renders()
{
    QFETCH(QByteArray, input);
    QTEST(QByteArray::fromStdString(renderForMonitor(input.toStdString())), "rendering");
}

// The reply arrives after `lastCommand` went out and is decoded as RXD shows it. No status:
// the status line and the pressure stay as they were.
void TestReplyDecoding::decodes_data()
{
    QTest::addColumn<QByteArray>("lastCommand");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("status");
    struct Row {
        const char *lastCommand, *reply, *status;
    };
    // clang-format off
    const Row rows[] = {
        {"CR0\r", "00\r", " Power ON"},              {"CR0\r", "80\r", " Stand by"},
        {"CR0\r", "40\r", " Count down"},            {"CR0\r", "20\r", " Cooling down"},
        {"CR0\r", "10\r", " Power Fail"},            {"CR0\r", "08\r", " Temperature Warning"},
        {"CR0\r", "02\r", " NO Key input "},
        {"CR0\r", "04\r", " Lamp OFF by PWR Management"},
        {"CR0\r", "28\r", " Temperature Warning & cooling down"},
        {"CR0\r", "24\r", "Cooling down  PWR Management"},
        {"CR0\r", "88\r", " Temperature Warning and recoverd"},
        {"CR0\r", "21\r", " Cooling down (All Lamp FAIL)"},
        {"CR0\r", "81\r", " Cooling down & sutandby (All Lamp FAIL)"},
        {"CR1\r", "1\r", " Computer 1"},             {"CR1\r", "2\r", " Computer 2"},
        {"CR1\r", "3\r", " Video"},                  {"CR1\r", "4\r", " Input mode 4"},
        {"CR1\r", "12\r", " Computer 1"}, // only the first character counts
        {"CR4\r", "11\r", " Normally"},              {"CR4\r", "10\r", " Top/Bottom reversal"},
        {"CR4\r", "01\r", " Left/Right reversal"},
        {"CR4\r", "00\r", " Top/Bottom , Left/Right reversal"},
        {"CRA\r", "00\r", " Video & Audio mute OFF"}, {"CRA\r", "01\r", " Video mute ON"},
        {"CRA\r", "02\r", " Audio mute ON"},         {"CRA\r", "03\r", " Video & Audio mute ON"},
        {"CRA\r", "80\r", " No signal"},             {"CRA\r", "FF\r", " Stand by"},
        {"CR7\r", "00\r", " All OFF : 2 Lamp mode"}, {"CR7\r", "01\r", " No1 ON  : 2 Lamp mode"},
        {"CR7\r", "02\r", " No2 ON  : 2 Lamp mode"}, {"CR7\r", "03\r", " No1,2 ON  : 2 Lamp mode"},
        {"CR7\r", "10\r", " All OFF : 1 Lamp mode(No1 USE)"},
        {"CR7\r", "11\r", " No1 ON  : 1 Lamp mode(No1 USE)"},
        {"CR7\r", "20\r", " All OFF : 1 Lamp mode(No2 USE)"},
        {"CR7\r", "22\r", " No2 ON  : 1 Lamp mode(No2 USE)"},
        {"CR3\r", "1234\r", " 1 2 3 4 CR  Hour Use"}, {"CR3\r", "12", " 1 2  Hour Use"},
        {"CR3\r", "12345678901234567890123", " 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 Hour Use"},
        {"CR6\r", "12345678901234567\r", "  S1= 1 2 3 4 5 C  ,   S2=  8 9 0 1 C , S3= 3 4 5 6 7 C"},
        {"CR6\r", "1234\r", "  S1= 1 2 3 4 C C  ,   S2=  C , S3= C"},
        {"CR9\r", "ab{\n", " a b ? LF "},
        // Pressure: the reading rounded half to even, then converted; 16 bits bound it.
        {"CR PRESSURE\r", "853\r", "1013 hPa"},      {"CR PRESSURE\r", "512\r", "650 hPa"},
        {"CR PRESSURE\r", "0\r", "106 hPa"},         {"CR PRESSURE\r", "852.5\r", "1012 hPa"},
        {"CR PRESSURE\r", "853.5\r", "1014 hPa"},    {"CR PRESSURE\r", "6553\r", "7077 hPa"},
        {"CR PRESSURE\r", "-6553\r", "-6865 hPa"},   {"CR PRESSURE\r", "6552.5\r", "7076 hPa"},
        {"CR PRESSURE\r", "\x06" "853\r", "106 hPa"}, // ACK first: no number
        {"CR PRESSURE\r", "6554\r", nullptr},        {"CR PRESSURE\r", "-6554\r", nullptr},
        {"CR PRESSURE\r", "6553.5\r", nullptr},      {"CR PRESSURE\r", "40000\r", nullptr},
        {"CR PRESSURE\r", "1E400\r", nullptr},       {"CR0\r", "0\r", nullptr},
        {"CR0\r", "99\r", nullptr},
        {"CR0\r", "\x06" "00\r", nullptr}, // ACK shifts the key
        {"CR4\r", "", nullptr},                      {"C00\r", "00\r", nullptr},
        {"cr0\r", "00\r", nullptr},                  {"CR0 \r", "00\r", nullptr},
        {"CR0", "00\r", nullptr},
    };
    // clang-format on
    for (const Row &row : rows) {
        QTest::addRow("%s %s", QByteArray(row.lastCommand).toPercentEncoding().data(),
                      QByteArray(row.reply).toPercentEncoding().data())
            << QByteArray(row.lastCommand) << QByteArray(row.reply) << QByteArray(row.status);
    }
}

void TestReplyDecoding::decodes()
{
    QFETCH(QByteArray, lastCommand);
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, status);
    PanelState state;
    state.lastCommand = lastCommand.toStdString();
    const DecodedReply decoded = decodeReply(state, renderForMonitor(reply.toStdString()));
    QCOMPARE(QByteArray::fromStdString(decoded.status.value_or("")), status);
    QCOMPARE(decoded.status.has_value(), !status.isNull());
    const bool pressure = lastCommand.startsWith("CR PRESSURE") && !status.isNull();
    QCOMPARE(int(decoded.pressure.value_or(-1)), pressure ? status.split(' ')[0].toInt() : -1);
}

void TestReplyDecoding::readsNumbers_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("value");
    // clang-format off
    const std::pair<const char *, double> rows[] = {
        {" 8 5 3 CR ", 853}, {" ACK 8 5 3 CR ", 0}, {"", 0},         {" + 1 2", 12},
        {" - 1 2", -12},     {" . 5", 0.5},         {"1.5.5", 1.5},  {" 1 E 3", 1000},
        {"25e-1", 2.5},      {"2D2", 200},          {"2d+2", 200},   {" 7 E CR ", 7},
        {"\t4\n2", 42},      {"4\r2", 4},            {" - CR ", 0},   {" . ", 0},
        {"1E-999", 0},       {"0.001E-999999999999", 0},
        {"1E999999999999", std::numeric_limits<double>::infinity()},
    };
    // clang-format on
    for (const auto &[text, value] : rows)
        QTest::newRow(QByteArray(text).toPercentEncoding().constData())
            << QByteArray(text) << value;
}

void TestReplyDecoding::readsNumbers()
{
    QFETCH(QByteArray, text);
    QTEST(readNumber(text.toStdString()), "value");
}

QTEST_GUILESS_MAIN(TestReplyDecoding)
#include "test_replydecoding.moc"
