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
#include <vector>

namespace
{

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

    DeviceMap devices() const
    {
        DeviceMap map;
        map.setDevice(1, com1.isEmpty() ? projector.devicePath() : com1);
        map.setDevice(2, directory.filePath(QStringLiteral("missing")));
        return map;
    }

    QByteArray bytesOnDevice() const
    {
        QByteArray bytes;
        for (const QList<QVariant> &arguments : deviceBytes)
            bytes += arguments.constFirst().toByteArray();
        return bytes;
    }

    std::string lastReport() const { return reports.empty() ? "" : reports.back().what(); }

    QString com1;
    QTemporaryDir directory;
    SimulatedProjector projector;
    bool projectorReady = projector.open(); // before the port, which needs its path
    QSignalSpy deviceBytes{&projector, &SimulatedProjector::bytesReceived};
    QtSerialPort port{devices()};
    std::vector<PortError> reports; // by the connection-lost handler and the port set-up
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
    void everyByteValueCrossesUnchanged();
    void replyInPiecesReachesTheHandlerInOrder();
    void lineSpeedOnTheDevice();
    void unknownSettingsAreRefused();
    void startUpWithMissingDevice();
    void failedCom2ThenCom1();
    void hangUpClosesReportsOnceAndReconnects();
    void lineBytes_data();
    void lineBytes();
};

void TestQtSerialPort::everyByteValueCrossesUnchanged()
{
    Link link;
    link.projector.setSilent(true);
    link.port.open();

    link.port.output(everyByteValue());
    link.projector.send(QByteArray::fromStdString(everyByteValue()));

    QTRY_COMPARE(link.bytesOnDevice(), QByteArray::fromStdString(everyByteValue()));
    QTRY_COMPARE(link.state.receiveBuffer, everyByteValue());
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

void TestQtSerialPort::lineSpeedOnTheDevice()
{
    Link link;
    link.port.setSettings("19200,N,8,1");
    link.port.open();
    QCOMPARE(link.projector.lineSpeed(), 19200);

    link.port.setSettings("9600,N,8,1");
    QCOMPARE(link.projector.lineSpeed(), 9600);
    link.port.setSettings("19200,N,8,1");
    QCOMPARE(link.projector.lineSpeed(), 19200);
    QVERIFY(link.port.isOpen());
}

void TestQtSerialPort::unknownSettingsAreRefused()
{
    Link link;
    link.port.setSettings("19200,N,8,1");
    link.port.open();

    for (const std::string settings : {"4800,N,8,1", "19200,E,8,1", "19200,N,8,1 ", ""}) {
        try {
            link.port.setSettings(settings);
            QFAIL(settings.c_str());
        } catch (const PortError &error) {
            QCOMPARE(error.number(), int(QSerialPort::UnsupportedOperationError));
            QVERIFY(std::string(error.what()).find('"' + settings + '"') != std::string::npos);
        }
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
    QCOMPARE(link.lastReport(), missing.toStdString() + ": No such file or directory");
    QVERIFY(!link.port.isOpen());
    QCOMPARE(link.port.commPort(), 1);
    QVERIFY_THROWS_EXCEPTION(PortError, link.core.transmit("C00"));
}

void TestQtSerialPort::failedCom2ThenCom1()
{
    Link link;
    link.setup.load();
    link.setup.showPortGroup();

    link.setup.chooseComPort(2);
    QCOMPARE(link.reports.size(), 1u);
    QVERIFY(link.lastReport().ends_with("missing: No such file or directory"));
    QVERIFY(!link.port.isOpen());
    QCOMPARE(link.port.commPort(), 1);

    link.setup.chooseComPort(1);
    QCOMPARE(link.reports.size(), 1u);
    QVERIFY(link.port.isOpen());
    link.core.transmit("CR0");
    QTRY_COMPARE(link.display.label22.get(), std::string(" Stand by"));
}

// Port 1 as a udev symlink: the adapter goes, comes back as another device, and choosing
// COM1 connects to it.
void TestQtSerialPort::hangUpClosesReportsOnceAndReconnects()
{
    QTemporaryDir directory;
    const QString symlink = directory.filePath(QStringLiteral("projector"));
    auto first = std::make_unique<SimulatedProjector>();
    QVERIFY(first->open());
    QVERIFY(QFile::link(first->devicePath(), symlink));
    Link link(symlink);
    link.setup.load();

    first->hangUp();

    QTRY_COMPARE(link.reports.size(), 1u);
    QVERIFY(link.lastReport().starts_with(symlink.toStdString() + ": Connection lost"));
    QVERIFY(!link.port.isOpen());
    for (int pass = 0; pass < 100; ++pass)
        QCoreApplication::processEvents(); // a port left open would report again here
    QCOMPARE(link.reports.size(), 1u);

    SimulatedProjector second;
    QVERIFY(second.open());
    QVERIFY(QFile::remove(symlink) && QFile::link(second.devicePath(), symlink));
    QSignalSpy secondBytes(&second, &SimulatedProjector::bytesReceived);
    link.setup.chooseComPort(1);
    link.core.transmit("C00");
    QTRY_COMPARE(secondBytes.size(), 1);
    QCOMPARE(secondBytes.constFirst().constFirst().toByteArray(), QByteArray("C00\r"));
}

void TestQtSerialPort::lineBytes_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<std::string>("bytes");

    QTest::newRow("Latin-1") << QStringLiteral("C\u00e9\u00ff") << std::string("C\xe9\xff");
    QTest::newRow("outside Latin-1") << QStringLiteral("\u20ac1") << std::string("?1");
    QTest::newRow("outside the BMP: one character") << QString::fromUtf8("\xf0\x9f\x98\x80"
                                                                         "A")
                                                    << std::string("?A");
}

void TestQtSerialPort::lineBytes()
{
    QFETCH(QString, typed);

    QTEST(::lineBytes(typed), "bytes");
}

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "test_qtserialport.moc"
