#include "launchoptions.h"

#include <QCommandLineParser>
#include <QSerialPortInfo>
#include <QTextStream>

#include <cstdlib>

namespace {

constexpr auto kApplicationName = "orva-control";

} // namespace

LaunchOptions parseLaunchOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Control panel for ORVA PD71 / PD43 data projectors on an RS-232C serial line."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption com1(
        QStringLiteral("com1"),
        QStringLiteral("Open DEVICE as port COM1 (default %1).").arg(DeviceMap().device(1)),
        QStringLiteral("DEVICE"));
    const QCommandLineOption com2(
        QStringLiteral("com2"),
        QStringLiteral("Open DEVICE as port COM2 (default %1).").arg(DeviceMap().device(2)),
        QStringLiteral("DEVICE"));
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Make COM1 a simulated projector, to try the panel without hardware."));
    const QCommandLineOption listPorts(QStringLiteral("list-ports"),
                                       QStringLiteral("List the serial ports of this system."));
    parser.addOptions({com1, com2, simulate, listPorts});

    LaunchOptions options;
    if (!parser.parse(arguments)) {
        options.error = parser.errorText();
        return options;
    }
    if (!parser.positionalArguments().isEmpty()) {
        options.error = QStringLiteral("Unexpected argument '%1'.")
                            .arg(parser.positionalArguments().constFirst());
        return options;
    }
    if (parser.isSet(simulate) && parser.isSet(com1)) {
        options.error = QStringLiteral("--simulate and --com1 both choose COM1's device.");
        return options;
    }
    // Qt adds --help-all beside --help, and only its own processing can print Qt's options.
    if (parser.isSet(QStringLiteral("help-all")))
        parser.process(arguments); // prints the help and exits
    if (parser.isSet(help)) {
        options.output = parser.helpText();
        return options;
    }
    if (parser.isSet(version)) {
        options.output = QStringLiteral("%1 %2\n").arg(kApplicationName, ORVA_VERSION);
        return options;
    }
    if (parser.isSet(com1))
        options.devices.setDevice(1, parser.value(com1));
    if (parser.isSet(com2))
        options.devices.setDevice(2, parser.value(com2));
    options.simulate = parser.isSet(simulate);
    options.listPorts = parser.isSet(listPorts);
    return options;
}

std::optional<int> runWithoutPanel(const LaunchOptions &options)
{
    if (!options.error.isEmpty()) {
        QTextStream(stderr) << kApplicationName << ": " << options.error << '\n'
                            << "Try '" << kApplicationName << " --help'.\n";
        return kUsageError;
    }
    if (!options.output.isEmpty()) {
        QTextStream(stdout) << options.output;
        return EXIT_SUCCESS;
    }
    if (options.listPorts) {
        QTextStream out(stdout);
        printSerialPorts(out);
        return EXIT_SUCCESS;
    }
    return std::nullopt;
}

void printSerialPorts(QTextStream &out)
{
    for (const QSerialPortInfo &port : QSerialPortInfo::availablePorts()) {
        out << port.systemLocation();
        if (!port.description().isEmpty())
            out << '\t' << port.description();
        out << '\n';
    }
}
