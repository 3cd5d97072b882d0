#include "monitorrendering.h"

#include <QTest>

#include <string>

using namespace std::string_literals;

class TestMonitorRendering : public QObject
{
    Q_OBJECT

private slots:
    void renders_data();
    void renders();
    void everyByteYieldsOnePiece();
};

void TestMonitorRendering::renders_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("rendering");

    QTest::newRow("command") << QByteArray("C00\r") << QByteArray(" C 0 0 CR ");
    QTest::newRow("reply") << QByteArray("00\r") << QByteArray(" 0 0 CR ");
    QTest::newRow("query") << QByteArray("CR0\r") << QByteArray(" C R 0 CR ");
    QTest::newRow("pressure query") << QByteArray("CR PRESSURE\r")
                                    << QByteArray(" C R   P R E S S U R E CR ");
    QTest::newRow("acknowledged reply") << QByteArray("\x06" "00\r") << QByteArray(" ACK 0 0 CR ");
    QTest::newRow("brace and line feed") << QByteArray("ab{\n") << QByteArray(" a b ? LF ");
    QTest::newRow("DC4 joins the next piece") << QByteArray("\x14" "1") << QByteArray(" &1 ");
    QTest::newRow("reply begun") << QByteArray("0") << QByteArray(" 0 ");
    QTest::newRow("empty") << QByteArray() << QByteArray(" ");
    QTest::newRow("z is printable, { is not") << QByteArray("z{") << QByteArray(" z ? ");
    QTest::newRow("31 and space") << QByteArray("\x1f ") << QByteArray(" ?   ");
    QTest::newRow("NUL, DEL and high bytes") << QByteArray("\0\x7f\x80\xff", 4)
                                             << QByteArray(" ? ? ? ? ");
    QTest::newRow("markup stays characters") << QByteArray("<b>") << QByteArray(" < b > ");
    QTest::newRow("case kept") << QByteArray("aZ") << QByteArray(" a Z ");
}

void TestMonitorRendering::renders()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, rendering);
    const std::string rendered = renderForMonitor(std::string(input.constData(), input.size()));
    QCOMPARE(QByteArray::fromStdString(rendered), rendering);
}

// Every byte value yields exactly one piece, of the length its class gives.
void TestMonitorRendering::everyByteYieldsOnePiece()
{
    for (int code = 0; code < 256; ++code) {
        const std::string rendered = renderForMonitor(std::string(1, static_cast<char>(code)));
        const std::size_t expected = code == 6 ? 4 : code == 20 ? 1 : (code == 10 || code == 13) ? 3 : 2;
        QVERIFY2(rendered.size() == 1 + expected, qPrintable(QString::number(code)));
    }
    const std::string full = renderForMonitor(std::string(40000, 'A'));
    QCOMPARE(full.size(), std::size_t(80001));
}

QTEST_GUILESS_MAIN(TestMonitorRendering)
#include "test_monitorrendering.moc"
