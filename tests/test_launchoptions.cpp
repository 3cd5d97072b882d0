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
    QTest::addColumn<QString>("outcome"); // COM1, COM2, what runs: the panel, the simulator or an exit
    QTest::newRow("nothing") << "" << "/dev/ttyS0 /dev/ttyS1 panel";
    QTest::newRow("USB adapter as COM1") << "--com1 /dev/ttyUSB0" << "/dev/ttyUSB0 /dev/ttyS1 panel";
    QTest::newRow("COM2 with =") << "--com2=/dev/ttyUSB0" << "/dev/ttyS0 /dev/ttyUSB0 panel";
    QTest::newRow("simulate") << "--simulate" << "/dev/ttyS0 /dev/ttyS1 simulator";
    QTest::newRow("list ports") << "--list-ports" << "/dev/ttyS0 /dev/ttyS1 exit 0";
    QTest::newRow("unknown option") << "--com3 x" << "/dev/ttyS0 /dev/ttyS1 exit 2";
    QTest::newRow("device missing") << "--com1" << "/dev/ttyS0 /dev/ttyS1 exit 2";
    QTest::newRow("stray argument") << "/dev/ttyUSB0" << "/dev/ttyS0 /dev/ttyS1 exit 2";
    QTest::newRow("simulate and COM1 disagree") << "--simulate --com1 /dev/ttyUSB0" << "/dev/ttyS0 /dev/ttyS1 exit 2";
}

void TestLaunchOptions::parse()
{
    QFETCH(QString, arguments);
    const LaunchOptions options = parseLaunchOptions(QStringList{"orva-control"} + arguments.split(' ', Qt::SkipEmptyParts));
    const std::optional<int> exit = runWithoutPanel(options);
    const QString runs = exit ? QStringLiteral("exit %1").arg(*exit) : options.simulate ? "simulator" : "panel";
    QTEST(options.devices.device(1) + ' ' + options.devices.device(2) + ' ' + runs, "outcome");
}

QTEST_GUILESS_MAIN(TestLaunchOptions)
#include "test_launchoptions.moc"
