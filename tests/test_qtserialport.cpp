// The serial port over real pseudo-terminals, under the panel: what reaches the device, what
// comes back, the line speed the device sees, settings it refuses and a device that is not
// there. Hang-ups and ports that do not open are among the fault scenarios.

#include "devicemap.h"
#include "linebytes.h"
#include "panelrig.h"
#include "panelstate.h"
#include "pseudoterminal.h"
#include "qtserialport.h"

#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

#include <numeric>

namespace
{

// The panel on a QtSerialPort whose COM1 is `com1`.
struct Rig : PanelRig<QtSerialPort> {
    explicit Rig(const QString &com1) : PanelRig(true, devices(com1)) {}
    static DeviceMap devices(const QString &com1)
    {
        DeviceMap map;
        map.setDevice(1, com1);
        return map;
    }
};

} // namespace

class TestQtSerialPort : public QObject
{
    Q_OBJECT

private slots:
    void bytesCrossUnchanged();
    void replyInPiecesReachesTheHandlerInOrder();
    void lineSpeedOnTheDevice();
    void unknownSettingsAreRefused();
    void startUpWithMissingDevice();
    void lineBytes_data();
    void lineBytes();
};

void TestQtSerialPort::bytesCrossUnchanged()
{
    PseudoTerminal device;
    Rig rig(device.path);
    rig.panel.click("Command44");
    QCOMPARE(device.take(4, 0), "CR0\r"); // with the driver before the click returns

    QByteArray everyByte(256, '\0');
    std::iota(everyByte.begin(), everyByte.end(), '\0');
    rig.port.output(everyByte.toStdString());
    QCOMPARE(device.take(256), everyByte);
    QVERIFY(device.put(everyByte));
    QVERIFY(waitFor([&] { return rig.panel.state().receiveBuffer == everyByte.toStdString(); }));
}

void TestQtSerialPort::replyInPiecesReachesTheHandlerInOrder()
{
    PseudoTerminal device;
    Rig rig(device.path);
    rig.panel.display().label22.set(" earlier");
    rig.panel.click("Command44");
    QVERIFY(device.put("8"));
    QVERIFY(waitFor([&] { return rig.rxd() == " 8 "; }));
    QCOMPARE(rig.status(), " earlier");
    QVERIFY(device.put("0\r"));
    QVERIFY(waitFor([&] { return rig.rxd() == " 8 0 CR "; }));
    QCOMPARE(rig.status(), " Stand by");
}

void TestQtSerialPort::lineSpeedOnTheDevice()
{
    PseudoTerminal device;
    Rig rig(device.path);
    QCOMPARE(device.speed(), speed_t(B19200));
    rig.panel.click("Option10");
    QCOMPARE(device.speed(), speed_t(B9600));
    rig.panel.click("Option9");
    QCOMPARE(device.speed(), speed_t(B19200));
    QVERIFY(rig.port.isOpen() && rig.errors.empty());
}

void TestQtSerialPort::unknownSettingsAreRefused()
{
    PseudoTerminal device;
    Rig rig(device.path);
    for (const std::string settings : {"4800,N,8,1", "19200,E,8,1", "19200,N,8,1 ", ""}) {
        try {
            rig.port.setSettings(settings);
            QFAIL(settings.c_str());
        } catch (const PortError &error) {
            QCOMPARE(error.number(), int(QSerialPort::UnsupportedOperationError));
            QVERIFY(std::string(error.what()).find('"' + settings + '"') != std::string::npos);
        }
    }
    QVERIFY(rig.port.isOpen());
    QCOMPARE(rig.port.settings(), "19200,N,8,1");
    QCOMPARE(device.speed(), speed_t(B19200));
}

void TestQtSerialPort::startUpWithMissingDevice()
{
    QTemporaryDir directory;
    const QString missing = directory.filePath(QStringLiteral("ttyUSB9"));
    Rig rig(missing);
    QCOMPARE(rig.errors.size(), 1u);
    QCOMPARE(rig.errors.front().number(), int(QSerialPort::DeviceNotFoundError));
    QCOMPARE(std::string(rig.errors.front().what()),
             missing.toStdString() + ": No such file or directory");
    QVERIFY(!rig.port.isOpen());
    QCOMPARE(rig.port.commPort(), 1);
    rig.panel.click("Command17");
    QCOMPARE(rig.errors.size(), 2u);
}

void TestQtSerialPort::lineBytes_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<std::string>("bytes");
    // clang-format off
    QTest::newRow("Latin-1") << QStringLiteral("C\u00e9\u00ff") << std::string("C\xe9\xff");
    QTest::newRow("outside Latin-1") << QStringLiteral("\u20ac1") << std::string("?1");
    QTest::newRow("outside the BMP: one character")
        << QString::fromUtf8("\xf0\x9f\x98\x80" "A") << std::string("?A");
    // clang-format on
}

void TestQtSerialPort::lineBytes()
{
    QFETCH(QString, typed);
    QTEST(::lineBytes(typed), "bytes");
}

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "test_qtserialport.moc"
