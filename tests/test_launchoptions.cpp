// orva-control's command line: the device of each port, the simulated projector, the port
// list and mistakes.

#include "launchoptions.h"

#include <QTest>

class TestLaunchOptions : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
};

void TestLaunchOptions::parse_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("com1");
    QTest::addColumn<QString>("com2");
    QTest::addColumn<bool>("simulate");
    QTest::addColumn<bool>("listPorts");
    QTest::addColumn<std::optional<int>>("exitCode"); // nothing: the panel runs

    const QString s0 = QStringLiteral("/dev/ttyS0");
    const QString s1 = QStringLiteral("/dev/ttyS1");
    const QString usb = QStringLiteral("/dev/ttyUSB0");
    const std::optional<int> runs;
    QTest::newRow("nothing") << QString() << s0 << s1 << false << false << runs;
    QTest::newRow("USB adapter as COM1")
        << "--com1 /dev/ttyUSB0" << usb << s1 << false << false << runs;
    QTest::newRow("COM2 with =") << "--com2=/dev/ttyUSB0" << s0 << usb << false << false << runs;
    QTest::newRow("simulate") << "--simulate" << s0 << s1 << true << false << runs;
    QTest::newRow("list ports") << "--list-ports" << s0 << s1 << false << true << std::optional(0);
    QTest::newRow("version") << "--version" << s0 << s1 << false << false << std::optional(0);
    QTest::newRow("unknown option") << "--com3 x" << s0 << s1 << false << false << std::optional(1);
    QTest::newRow("device missing") << "--com1" << s0 << s1 << false << false << std::optional(1);
    QTest::newRow("stray argument")
        << "/dev/ttyUSB0" << s0 << s1 << false << false << std::optional(1);
    QTest::newRow("simulate and COM1 disagree")
        << "--simulate --com1 /dev/ttyUSB0" << s0 << s1 << false << false << std::optional(1);
}

void TestLaunchOptions::parse()
{
    QFETCH(QString, arguments);

    const LaunchOptions options = parseLaunchOptions(QStringList{QStringLiteral("orva-control")} +
                                                     arguments.split(' ', Qt::SkipEmptyParts));

    QTEST(options.devices.device(1), "com1");
    QTEST(options.devices.device(2), "com2");
    QTEST(options.simulate, "simulate");
    QTEST(options.listPorts, "listPorts");
    QTEST(runWithoutPanel(options), "exitCode");
}

QTEST_GUILESS_MAIN(TestLaunchOptions)
#include "test_launchoptions.moc"
