// orva-control's command line: the device of each port, the simulated projector, the port
// list, help, version and mistakes.

#include "launchoptions.h"

#include <QTest>

class TestLaunchOptions : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void helpNamesTheOptions();
    void onlyAPlainRunStartsThePanel_data();
    void onlyAPlainRunStartsThePanel();
};

void TestLaunchOptions::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("com1");
    QTest::addColumn<QString>("com2");
    QTest::addColumn<bool>("simulate");
    QTest::addColumn<bool>("listPorts");
    QTest::addColumn<bool>("error");

    const QString ttyS0 = QStringLiteral("/dev/ttyS0");
    const QString ttyS1 = QStringLiteral("/dev/ttyS1");
    const auto arguments = [](std::initializer_list<const char *> list) {
        QStringList result{QStringLiteral("orva-control")};
        for (const char *argument : list)
            result << QString::fromUtf8(argument);
        return result;
    };

    QTest::newRow("nothing") << arguments({}) << ttyS0 << ttyS1 << false << false << false;
    QTest::newRow("USB adapter as COM1")
        << arguments({"--com1", "/dev/ttyUSB0"}) << QStringLiteral("/dev/ttyUSB0") << ttyS1 << false
        << false << false;
    QTest::newRow("both, with =") << arguments({"--com1=/dev/projector", "--com2=/dev/pts/4"})
                                  << QStringLiteral("/dev/projector")
                                  << QStringLiteral("/dev/pts/4") << false << false << false;
    QTest::newRow("simulate") << arguments({"--simulate"}) << ttyS0 << ttyS1 << true << false
                              << false;
    QTest::newRow("simulate with COM2")
        << arguments({"--simulate", "--com2", "/dev/ttyUSB1"}) << ttyS0
        << QStringLiteral("/dev/ttyUSB1") << true << false << false;
    QTest::newRow("list ports") << arguments({"--list-ports"}) << ttyS0 << ttyS1 << false << true
                                << false;
    QTest::newRow("unknown option")
        << arguments({"--com3", "x"}) << ttyS0 << ttyS1 << false << false << true;
    QTest::newRow("device missing")
        << arguments({"--com1"}) << ttyS0 << ttyS1 << false << false << true;
    QTest::newRow("stray argument")
        << arguments({"/dev/ttyUSB0"}) << ttyS0 << ttyS1 << false << false << true;
    QTest::newRow("simulate and COM1 disagree")
        << arguments({"--simulate", "--com1", "/dev/ttyUSB0"}) << ttyS0 << ttyS1 << false << false
        << true;
}

void TestLaunchOptions::parse()
{
    QFETCH(QStringList, arguments);

    const LaunchOptions options = parseLaunchOptions(arguments);

    QTEST(options.devices.device(1), "com1");
    QTEST(options.devices.device(2), "com2");
    QTEST(options.simulate, "simulate");
    QTEST(options.listPorts, "listPorts");
    QTEST(!options.error.isEmpty(), "error");
    QVERIFY(options.output.isEmpty());
}

void TestLaunchOptions::helpNamesTheOptions()
{
    const LaunchOptions options =
        parseLaunchOptions({QStringLiteral("orva-control"), QStringLiteral("--help")});

    for (const char *option :
         {"--com1 <DEVICE>", "--com2 <DEVICE>", "--simulate", "--list-ports", "--version"})
        QVERIFY2(options.output.contains(QLatin1String(option)), option);
}

void TestLaunchOptions::onlyAPlainRunStartsThePanel_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<int>("exitCode"); // -1: the panel runs

    QTest::newRow("a device") << QStringLiteral("--com1=/dev/ttyUSB0") << -1;
    QTest::newRow("version") << QStringLiteral("--version") << 0;
    QTest::newRow("list ports") << QStringLiteral("--list-ports") << 0;
    QTest::newRow("mistake") << QStringLiteral("--bogus") << 1;
}

void TestLaunchOptions::onlyAPlainRunStartsThePanel()
{
    QFETCH(QString, argument);

    const std::optional<int> exitCode =
        runWithoutPanel(parseLaunchOptions({QStringLiteral("orva-control"), argument}));

    QTEST(exitCode.value_or(-1), "exitCode");
}

QTEST_GUILESS_MAIN(TestLaunchOptions)
#include "test_launchoptions.moc"
