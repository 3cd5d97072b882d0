// The serial port over real pseudo-terminals: what reaches the device, what comes back, the
// line speed the device sees, failures to open, and a device that hangs up while open.

#include "linebytes.h"
#include "linkcore.h"
#include "paneldisplay.h"
#include "panelstate.h"
#include "porterror.h"
#include "portsetup.h"
#include "qtserialport.h"
#include "simulatedprojector.h"
#include "virtualclock.h"

#include <QFile>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

namespace {

QByteArray bytesOf(const std::string &text)
{
    return {text.data(), qsizetype(text.size())};
}

std::string everyByteValue()
{
    std::string bytes;
    for (int value = 0; value < 256; ++value)
        bytes += static_cast<char>(value);
    return bytes;
}

// The panel's link over a real port. COM1 is a simulated projector unless a test names
// another device; COM2 does not exist.
struct Link {
    explicit Link(const QString &com1 = {}) : com1(com1)
    {
        if (!projectorReady)
            qFatal("%s", qPrintable(projector.errorString()));
        port.setOnComm([this] { core.onComm(); });
        port.setOnConnectionLost([this](const PortError &error) { reports.push_back(error); });
    }

    QByteArray bytesOnDevice() const
    {
        QByteArray bytes;
        for (const QList<QVariant> &arguments : deviceBytes)
            bytes += arguments.constFirst().toByteArray();
        return bytes;
    }

    DeviceMap devices() const
    {
        DeviceMap map;
        map.setDevice(1, com1.isEmpty() ? projector.devicePath() : com1);
        map.setDevice(2, directory.filePath(QStringLiteral("missing")));
        return map;
    }

    QString com1;
    QTemporaryDir directory;
    SimulatedProjector projector;
    bool projectorReady = projector.open(); // before the port, which needs its path
    QSignalSpy deviceBytes{&projector, &SimulatedProjector::bytesReceived};
    QtSerialPort port{devices()};
    std::vector<PortError> reports;
    PanelState state;
    PanelDisplay display;
    VirtualClock clock;
    std::unique_ptr<Timer> timer2 = clock.createTimer();
    std::unique_ptr<Timer> timer3 = clock.createTimer();
    std::unique_ptr<Timer> timer4 = clock.createTimer();
    LinkCore core{state, display, port, *timer2, *timer3, *timer4};
    PortSetup setup{state, display, port, *timer3,
                    [this](const PortError &error) { reports.push_back(error); }};
};

} // namespace

class TestQtSerialPort : public QObject
{
    Q_OBJECT

private slots:
    void bytesReachTheDeviceUnchanged_data();
    void bytesReachTheDeviceUnchanged();
    void everyByteValueComesBack();
    void replyInPiecesReachesTheHandlerInOrder();
    void lineSpeedOnTheDevice_data();
    void lineSpeedOnTheDevice();
    void unknownSettingsAreRefused_data();
    void unknownSettingsAreRefused();
    void startUpWithMissingDevice();
    void failedCom2ThenCom1();
    void deviceInUse();
    void hangUpClosesAndReportsOnce();
    void reconnectsWhenTheDeviceIsBack();
    void lineBytes_data();
    void lineBytes();
};

void TestQtSerialPort::bytesReachTheDeviceUnchanged_data()
{
    QTest::addColumn<std::string>("text");

    QTest::newRow("command") << std::string("C12\r");
    QTest::newRow("lone carriage return") << std::string("\r");
    QTest::newRow("every byte value") << everyByteValue();
}

void TestQtSerialPort::bytesReachTheDeviceUnchanged()
{
    QFETCH(std::string, text);
    Link link;
    link.projector.setSilent(true);
    link.port.open();

    link.port.output(text);

    QTRY_COMPARE(link.bytesOnDevice(), bytesOf(text));
}

void TestQtSerialPort::everyByteValueComesBack()
{
    Link link;
    link.port.open();

    link.projector.send(bytesOf(everyByteValue()));

    QTRY_COMPARE(link.state.receiveBuffer, everyByteValue());
    QCOMPARE(link.port.commEvent(), SerialPort::kReceiveEvent);
}

void TestQtSerialPort::replyInPiecesReachesTheHandlerInOrder()
{
    Link link;
    link.projector.setSilent(true);
    link.port.open();
    link.display.label22.set(" earlier");

    link.core.transmit("CR0");
    link.projector.send("8");
    QTRY_COMPARE(link.display.label12.get(), std::string(" 8 "));
    QCOMPARE(link.display.label22.get(), std::string(" earlier"));
    link.projector.send("0\r");
    QTRY_COMPARE(link.display.label12.get(), std::string(" 8 0 CR "));
    QCOMPARE(link.display.label22.get(), std::string(" Stand by"));
}

void TestQtSerialPort::lineSpeedOnTheDevice_data()
{
    QTest::addColumn<bool>("whileOpen");
    QTest::addColumn<std::string>("settings");
    QTest::addColumn<int>("baud");

    QTest::newRow("19200 before opening") << false << std::string("19200,N,8,1") << 19200;
    QTest::newRow("9600 before opening") << false << std::string("9600,N,8,1") << 9600;
    QTest::newRow("9600 while open") << true << std::string("9600,N,8,1") << 9600;
    QTest::newRow("19200 while open") << true << std::string("19200,N,8,1") << 19200;
}

void TestQtSerialPort::lineSpeedOnTheDevice()
{
    QFETCH(bool, whileOpen);
    QFETCH(std::string, settings);
    Link link;
    const std::string other = settings == "9600,N,8,1" ? "19200,N,8,1" : "9600,N,8,1";
    link.port.setSettings(whileOpen ? other : settings);
    link.port.open();

    if (whileOpen)
        link.port.setSettings(settings);

    QTEST(link.projector.lineSpeed(), "baud");
    QVERIFY(link.port.isOpen());
    QCOMPARE(link.port.settings(), settings);
}

void TestQtSerialPort::unknownSettingsAreRefused_data()
{
    QTest::addColumn<std::string>("settings");

    QTest::newRow("other speed") << std::string("4800,N,8,1");
    QTest::newRow("even parity") << std::string("19200,E,8,1");
    QTest::newRow("trailing blank") << std::string("19200,N,8,1 ");
    QTest::newRow("empty") << std::string();
}

void TestQtSerialPort::unknownSettingsAreRefused()
{
    QFETCH(std::string, settings);
    Link link;
    link.port.setSettings("19200,N,8,1");
    link.port.open();

    try {
        link.port.setSettings(settings);
        QFAIL("no error");
    } catch (const PortError &error) {
        QCOMPARE(error.number(), int(QSerialPort::UnsupportedOperationError));
        QVERIFY(std::string(error.what()).find(settings) != std::string::npos);
    }
    QVERIFY(link.port.isOpen());
    QCOMPARE(link.port.settings(), std::string("19200,N,8,1"));
    QCOMPARE(link.projector.lineSpeed(), 19200);
}

void TestQtSerialPort::startUpWithMissingDevice()
{
    QTemporaryDir directory;
    const QString missing = directory.filePath(QStringLiteral("ttyUSB9"));
    Link link(missing);

    link.setup.load();

    QCOMPARE(link.reports.size(), 1u);
    QCOMPARE(link.reports.front().number(), int(QSerialPort::DeviceNotFoundError));
    QCOMPARE(QString::fromStdString(link.reports.front().what()),
             missing + QStringLiteral(": No such file or directory"));
    QVERIFY(!link.port.isOpen());
    QCOMPARE(link.port.commPort(), 1);
    QCOMPARE(link.setup.markedPort.get(), 1);
    QVERIFY_THROWS_EXCEPTION(PortError, link.port.output("C00\r"));
}

void TestQtSerialPort::failedCom2ThenCom1()
{
    Link link;
    link.setup.load();
    link.setup.showPortGroup();

    link.setup.chooseComPort(2);
    QCOMPARE(link.reports.size(), 1u);
    QVERIFY(std::string(link.reports.front().what()).find("missing: No such file") !=
            std::string::npos);
    QVERIFY(!link.port.isOpen());
    QCOMPARE(link.port.commPort(), 1);
    QCOMPARE(link.display.frame8Visible.get(), true);

    link.setup.chooseComPort(1);
    QCOMPARE(link.reports.size(), 1u);
    QVERIFY(link.port.isOpen());
    QCOMPARE(link.display.frame8Visible.get(), false);
    link.core.transmit("CR0");
    QTRY_COMPARE(link.display.label22.get(), std::string(" Stand by"));
}

void TestQtSerialPort::deviceInUse()
{
    Link link;
    link.port.open();
    DeviceMap devices;
    devices.setDevice(1, link.projector.devicePath());
    QtSerialPort second(devices);

    try {
        second.open();
        QFAIL("opened a device in use");
    } catch (const PortError &error) {
        QCOMPARE(error.number(), int(QSerialPort::PermissionError));
        QCOMPARE(QString::fromStdString(error.what()),
                 link.projector.devicePath() +
                     QStringLiteral(": Permission error while locking the device"));
    }
    QVERIFY(link.port.isOpen());
}

void TestQtSerialPort::hangUpClosesAndReportsOnce()
{
    Link link;
    link.port.open();

    link.projector.hangUp();

    QTRY_COMPARE(link.reports.size(), 1u);
    QVERIFY(!link.port.isOpen());
    const std::string text = link.reports.front().what();
    QVERIFY(text.starts_with(link.projector.devicePath().toStdString() + ": Connection lost"));
    for (int pass = 0; pass < 100; ++pass)
        QCoreApplication::processEvents();
    QCOMPARE(link.reports.size(), 1u);
    QVERIFY_THROWS_EXCEPTION(PortError, link.port.output("C00\r"));
}

// Port 1 as a udev symlink: the adapter goes, comes back under another device, and a
// choice of COM1 connects to it.
void TestQtSerialPort::reconnectsWhenTheDeviceIsBack()
{
    QTemporaryDir directory;
    const QString symlink = directory.filePath(QStringLiteral("projector"));
    SimulatedProjector first;
    QVERIFY(first.open());
    QVERIFY(QFile::link(first.devicePath(), symlink));
    Link link(symlink);
    link.setup.load();
    QVERIFY(link.port.isOpen());

    first.hangUp();
    QTRY_COMPARE(link.reports.size(), 1u);
    SimulatedProjector second;
    QVERIFY(second.open());
    QVERIFY(QFile::remove(symlink) && QFile::link(second.devicePath(), symlink));
    QSignalSpy secondBytes(&second, &SimulatedProjector::bytesReceived);

    link.setup.chooseComPort(1);

    QVERIFY(link.port.isOpen());
    link.port.output("C00\r");
    QTRY_COMPARE(secondBytes.size(), 1);
    QCOMPARE(secondBytes.constFirst().constFirst().toByteArray(), QByteArray("C00\r"));
}

void TestQtSerialPort::lineBytes_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<std::string>("bytes");

    QTest::newRow("ASCII") << QStringLiteral("CR PRESSURE") << std::string("CR PRESSURE");
    QTest::newRow("Latin-1") << QStringLiteral("C\u00e9\u00ff") << std::string("C\xe9\xff");
    QTest::newRow("outside Latin-1") << QStringLiteral("\u20ac1") << std::string("?1");
    QTest::newRow("outside the BMP: one character") << QString::fromUtf8("\xf0\x9f\x98\x80"
                                                                         "A")
                                                    << std::string("?A");
    QTest::newRow("unpaired surrogate") << QString(QChar(0xd800)) << std::string("?");
}

void TestQtSerialPort::lineBytes()
{
    QFETCH(QString, typed);

    QTEST(::lineBytes(typed), "bytes");
}

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "test_qtserialport.moc"
