#include "launchoptionparser.h"

#include "logfile.h"
#include "networkconnection.h"
#include "porterror.h"
#include "serialportfacts.h"
#include "settingsfile.h"

#include <QCommandLineParser>
#include <QTextStream>

#include <cstdlib>
#include <memory>

namespace {

constexpr auto kApplicationName = "orva-control";

const QString kDescription = QStringLiteral(
    "Control panel for ORVA PD71 / PD43 data projectors on an RS-232C serial line.\n"
    "\n"
    "With --send it opens no window: it sends one command, prints the decoded status (or the\n"
    "reply as the RXD monitor shows it) and exits with 0 when a reply came (for a status\n"
    "query: one it could decode), 1 when none came within the wait, 2 on a usage error, 3 when\n"
    "the port could not be opened or failed, 4 when the projector refused the command (NAK),\n"
    "5 when a status query's reply matched none of its texts. A panel of the same user that\n"
    "holds the port sends it for the command line. To send text that equals a command name,\n"
    "add --raw.\n"
    "\n"
    "--power on|off asks STATUS, sends power-on or power-off only when the projector is not\n"
    "already there or on its way, and checks that it started switching; it exits as --send,\n"
    "with 0 when the projector is there or on its way and 4 when it refused or did not move.\n"
    "\n"
    "The devices of COM1 and COM2 are those --save-ports saved in\n"
    "~/.config/orva-control/orva-control.conf, unless --com1 and --com2 name others.");

struct SendOptions {
    QCommandLineOption send{QStringLiteral("send"),
                            QStringLiteral("Send TEXT as one command, or the button of the "
                                           "command name TEXT; print the outcome and exit."),
                            QStringLiteral("TEXT")};
    QCommandLineOption raw{QStringLiteral("raw"),
                           QStringLiteral("Send TEXT as it stands, even when it is a name.")};
    QCommandLineOption json{QStringLiteral("json"),
                            QStringLiteral("Print the outcome of --send as one JSON object.")};
    QCommandLineOption power{QStringLiteral("power"),
                             QStringLiteral("Bring the projector into STATE, on or off; print "
                                            "where it is and exit."),
                             QStringLiteral("STATE")};
    QCommandLineOption listCommands{
        QStringLiteral("list-commands"),
        QStringLiteral("List the command names for --send with their codes.")};
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("Send on PORT, COM1 (default) or COM2."),
                            QStringLiteral("PORT")};
    QCommandLineOption speed{QStringLiteral("speed"),
                             QStringLiteral("Send at BAUD, 19200 (default) or 9600."),
                             QStringLiteral("BAUD")};
};

// The choices of --port and --speed; an error text when they are not among them.
QString readSendOptions(const QCommandLineParser &parser, const SendOptions &send,
                        LaunchOptions &options)
{
    options.raw = parser.isSet(send.raw);
    options.json = parser.isSet(send.json);
    const bool tuned = parser.isSet(send.port) || parser.isSet(send.speed);
    if (parser.isSet(send.power)) {
        const QString state = parser.value(send.power);
        if (state != QLatin1String("on") && state != QLatin1String("off"))
            return QStringLiteral("--power is on or off.");
        if (options.send || options.raw || options.json)
            return QStringLiteral("--power goes without --send, --raw and --json.");
        options.power = state == QLatin1String("on");
    }
    if (!options.send && !options.power && (options.raw || options.json || tuned))
        return QStringLiteral("--raw, --json, --port and --speed go with --send.");
    const QString port = parser.value(send.port).toUpper();
    if (parser.isSet(send.port) && port != QLatin1String("COM1") && port != QLatin1String("COM2"))
        return QStringLiteral("--port is COM1 or COM2.");
    options.port = port == QLatin1String("COM2") ? 2 : 1;
    const QString speed = parser.value(send.speed);
    if (parser.isSet(send.speed) && speed != QLatin1String("19200") &&
        speed != QLatin1String("9600"))
        return QStringLiteral("--speed is 19200 or 9600.");
    options.speed = speed == QLatin1String("9600") ? 9600 : 19200;
    return {};
}

// `argument` as text; see launchArguments(). "--com1=PATH" keeps its option.
QString argumentText(const QByteArray &argument)
{
    QString text = QString::fromUtf8(argument);
    if (text.toUtf8() == argument)
        return text;
    const qsizetype valueStart = argument.startsWith("--") ? argument.indexOf('=') + 1 : 0;
    const std::unique_ptr<char, decltype(&std::free)> canonical(
        ::realpath(argument.mid(valueStart).constData(), nullptr), &std::free);
    if (canonical)
        text = QString::fromUtf8(argument.left(valueStart)) + QString::fromUtf8(canonical.get());
    return text;
}

QString openLog(const QString &path, LaunchOptions &options)
{
    QString why;
    options.log = LogFile::open(path, why);
    return options.log ? QString() : QStringLiteral("cannot open the log %1: %2").arg(path, why);
}

// Two options that each do one thing and exit would leave one of them undone in silence, and
// a value given twice would have the last one win in silence.
QString conflict(const QCommandLineParser &parser, const QList<const QCommandLineOption *> &actions,
                 const QList<const QCommandLineOption *> &valued)
{
    QStringList given;
    for (const QCommandLineOption *option : actions)
        if (parser.isSet(*option))
            given << QStringLiteral("--") + option->names().constFirst();
    if (given.size() > 1)
        return QStringLiteral("%1 and %2 do not go together.").arg(given[0], given[1]);
    for (const QCommandLineOption *option : valued)
        if (parser.values(*option).size() > 1)
            return QStringLiteral("--%1 is given twice.").arg(option->names().constFirst());
    return {};
}

// The ports --save-ports is to save, each named on the command line and fit for every later
// run; an error text when one is not.
QString portsToSave(const LaunchOptions &options)
{
    for (const int port : options.savePorts)
        if (const QString problem = savedDeviceProblem(options.devices.device(port));
            !problem.isEmpty())
            return QStringLiteral("--save-ports: %1.").arg(problem);
    return options.savePorts.isEmpty()
               ? QStringLiteral("--save-ports saves the devices --com1 and --com2 give.")
               : QString();
}

// A file that cannot be read or parsed is left as it is: rewriting it would lose what it holds.
int savePorts(const LaunchOptions &options)
{
    QTextStream err(stderr);
    SettingsFile file(DeviceMap::settingsPath());
    if (const QString problem = file.read(); !problem.isEmpty()) {
        err << kApplicationName << ": the settings file " << file.path() << ' ' << problem
            << "; nothing was saved: mend or remove it first\n";
        return kUsageError;
    }
    options.devices.writeSettings(file, options.savePorts);
    if (const QString problem = file.write(); !problem.isEmpty()) {
        err << kApplicationName << ": the settings file " << file.path() << ' ' << problem
            << "; nothing was saved\n";
        return EXIT_FAILURE;
    }
    QTextStream out(stdout);
    out << "Saved in " << file.path() << ":\n";
    for (const int port : options.savePorts)
        out << "  COM" << port << ' ' << options.devices.device(port) << '\n';
    return EXIT_SUCCESS;
}

// A raw TCP port carries bytes only: the speed is the one set on the serial server.
QString speedNotice(const QString &device)
{
    if (!NetworkConnection::isRawName(device))
        return {};
    const PortConnection::Fault notice = NetworkConnection::speedNotice();
    return QString::fromStdString(
        PortError(notice.number, (device + QStringLiteral(": ") + notice.text).toStdString())
            .warning());
}

} // namespace

QStringList launchArguments(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(argumentText(QByteArray(argv[i])));
    return arguments;
}

LaunchOptions parseLaunchOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(kDescription);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption com1(
        QStringLiteral("com1"),
        QStringLiteral("Open DEVICE as port COM1 (default: as saved, else %1), or a serial "
                       "server at tcp://HOST:PORT or rfc2217://HOST:PORT.")
            .arg(DeviceMap().device(1)),
        QStringLiteral("DEVICE"));
    const QCommandLineOption com2(
        QStringLiteral("com2"),
        QStringLiteral("Open DEVICE as port COM2 (default: as saved, else %1), or a serial "
                       "server.")
            .arg(DeviceMap().device(2)),
        QStringLiteral("DEVICE"));
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Make COM1 a simulated projector, to try the panel without hardware."));
    const QCommandLineOption listPorts(
        QStringLiteral("list-ports"),
        QStringLiteral("List the serial ports of this system, with what is known of "
                       "each and its stable names."));
    const QCommandLineOption savePorts(
        QStringLiteral("save-ports"),
        QStringLiteral("Save the devices of --com1 and --com2 for later runs, and exit."));
    const QCommandLineOption log(
        QStringLiteral("log"),
        QStringLiteral("Append a line for each event on the serial line to FILE (- for "
                       "standard output)."),
        QStringLiteral("FILE"));
    const SendOptions send;
    parser.addOptions({com1, com2, simulate, listPorts, savePorts, log, send.send, send.raw,
                       send.json, send.power, send.listCommands, send.port, send.speed});

    LaunchOptions options;
    const bool parsed = parser.parse(arguments);
    options.listCommands = parser.isSet(send.listCommands);
    if (parser.isSet(send.send))
        options.send = parser.value(send.send);
    if (!parsed) {
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
    options.error = conflict(parser,
                             {&send.send, &send.power, &send.listCommands, &listPorts, &savePorts},
                             {&com1, &com2, &log, &send.send, &send.power, &send.port, &send.speed});
    if (!options.error.isEmpty())
        return options;
    // Qt adds --help-all beside --help, and only its own processing can print Qt's options.
    if (parser.isSet(QStringLiteral("help-all")))
        parser.process(arguments); // prints the help and exits
    if (parser.isSet(help)) {
        // Qt's usage line names the program as it was started, a build path or a link.
        options.output = parser.helpText();
        options.output.replace(0, options.output.indexOf(u'\n'),
                               QStringLiteral("Usage: %1 [options]").arg(kApplicationName));
        return options;
    }
    if (parser.isSet(version)) {
        options.output = QStringLiteral("%1 %2\n").arg(kApplicationName, ORVA_VERSION);
        return options;
    }
    options.settingsProblem = options.devices.readSettings();
    for (const auto &[port, option] : {std::pair{1, &com1}, {2, &com2}})
        if (parser.isSet(*option)) {
            options.devices.setDevice(port, parser.value(*option));
            if (parser.isSet(savePorts))
                options.savePorts << port;
        }
    if (parser.isSet(savePorts)) {
        options.error = portsToSave(options);
        if (!options.error.isEmpty())
            return options;
    }
    options.simulate = parser.isSet(simulate);
    options.listPorts = parser.isSet(listPorts);
    options.error = readSendOptions(parser, send, options);
    if (options.error.isEmpty() && options.json && parser.value(log) == QLatin1String("-"))
        options.error = QStringLiteral("--json and --log - both write to standard output.");
    if (options.error.isEmpty() && parser.isSet(log))
        options.error = openLog(parser.value(log), options);
    if (parser.isSet(send.speed))
        options.notice = speedNotice(options.devices.device(options.port));
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
    if (!options.savePorts.isEmpty())
        return savePorts(options);
    for (const QString &notice : {options.settingsProblem, options.notice})
        if (!notice.isEmpty())
            QTextStream(stderr) << kApplicationName << ": " << notice << '\n';
    if (options.listPorts) {
        QTextStream out(stdout);
        printSerialPorts(out, SerialPortFacts::ofSystem(), QStringLiteral("/dev/serial/by-id"));
        return EXIT_SUCCESS;
    }
    return std::nullopt;
}
