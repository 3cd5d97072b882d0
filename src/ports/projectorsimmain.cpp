// orva-projector-sim: a simulated projector on a pseudo-terminal, for trying the panel or any
// other serial tool without hardware, or a building of them on TCP ports. Prints where to
// connect and serves until stopped.

#include "monitorrendering.h"
#include "projectorserver.h"
#include "simulatedprojector.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>
#include <QTextStream>

#include <memory>
#include <vector>

namespace {

using Servers = std::vector<std::unique_ptr<ProjectorServer>>;

constexpr int kPortRunAttempts = 50;

// `count` projectors on consecutive ports from `first`; port 0: a run the system has free.
// Empty, with the reason in `error`, when the ports cannot be had.
Servers listenOnRun(const QHostAddress &address, quint16 first, int count, QString &error)
{
    for (int attempt = 0; attempt < (first == 0 ? kPortRunAttempts : 1); ++attempt) {
        Servers servers;
        while (int(servers.size()) < count) {
            const int port = servers.empty() ? first : servers.front()->port() + int(servers.size());
            auto server = std::make_unique<ProjectorServer>();
            if (port > 65535 || !server->listen(address, quint16(port))) {
                error = port > 65535 ? QStringLiteral("no port above 65535") : server->errorString();
                break;
            }
            servers.push_back(std::move(server));
        }
        if (int(servers.size()) == count)
            return servers;
    }
    return {};
}

// Spelled as the panel's traffic monitor spells it.
QString exchangeText(const QByteArray &line, const QByteArray &reply)
{
    return QString::fromLatin1(renderForMonitor(line.toStdString())) + QStringLiteral("->") +
           QString::fromLatin1(renderForMonitor(reply.toStdString()));
}

int serveOnTcp(const QString &listen, int count)
{
    QTextStream out(stdout);
    const qsizetype colon = listen.lastIndexOf(u':');
    bool portValid = false;
    const uint first = listen.sliced(colon + 1).toUInt(&portValid);
    const QHostAddress address(listen.left(colon).remove(u'[').remove(u']'));
    if (colon <= 0 || !portValid || first > 65535 || address.isNull() || count < 1) {
        QTextStream(stderr) << "orva-projector-sim: --listen is HOST:PORT, HOST a numeric "
                               "address, and --count at least 1"
                            << Qt::endl;
        return 2;
    }
    QString error;
    const Servers servers = listenOnRun(address, quint16(first), count, error);
    if (servers.empty()) {
        QTextStream(stderr) << "orva-projector-sim: " << error << Qt::endl;
        return 1;
    }
    const QString host = listen.left(colon);
    for (const auto &server : servers) {
        const QString name = QStringLiteral("tcp://%1:%2").arg(host).arg(server->port());
        out << name << '\n';
        QObject::connect(server.get(), &ProjectorServer::answered, server.get(),
                         [&out, name](const QByteArray &line, const QByteArray &reply) {
                             out << name << ' ' << exchangeText(line, reply) << Qt::endl;
                         });
    }
    out.flush();
    return QCoreApplication::exec();
}

int serveOnTerminal()
{
    QTextStream out(stdout);
    SimulatedProjector projector;
    if (!projector.open()) {
        QTextStream(stderr) << projector.errorString() << Qt::endl;
        return 1;
    }
    out << projector.devicePath() << Qt::endl;
    QObject::connect(&projector, &SimulatedProjector::answered, &projector,
                     [&out](const QByteArray &line, const QByteArray &reply) {
                         out << exchangeText(line, reply) << Qt::endl;
                     });
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orva-projector-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVA_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated ORVA projector on a pseudo-terminal, or with --listen a building of them "
        "on TCP ports. Prints the device path (or the addresses), then one line per command "
        "received and the reply given, until stopped (Ctrl+C)."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption listen(
        QStringLiteral("listen"),
        QStringLiteral("Serve on raw TCP at HOST:PORT instead (PORT 0: any free ports)."),
        QStringLiteral("HOST:PORT"));
    const QCommandLineOption count(
        QStringLiteral("count"),
        QStringLiteral("With --listen, serve N projectors, each with its own state, on N "
                       "consecutive ports (default 1)."),
        QStringLiteral("N"), QStringLiteral("1"));
    parser.addOptions({listen, count});
    parser.process(app);

    if (parser.isSet(count) && !parser.isSet(listen)) {
        QTextStream(stderr) << "orva-projector-sim: --count goes with --listen" << Qt::endl;
        return 2;
    }
    if (parser.isSet(listen))
        return serveOnTcp(parser.value(listen), parser.value(count).toInt());
    return serveOnTerminal();
}
