// orva-projector-sim: a simulated projector on a pseudo-terminal, for trying the panel or any
// other serial tool without hardware. Prints the device to open and serves until stopped.

#include "monitorrendering.h"
#include "simulatedprojector.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orva-projector-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVA_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated ORVA projector on a pseudo-terminal. Prints the device path, then one line "
        "per command received and the reply given, until stopped (Ctrl+C)."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);

    QTextStream out(stdout);
    SimulatedProjector projector;
    if (!projector.open()) {
        QTextStream(stderr) << projector.errorString() << Qt::endl;
        return 1;
    }
    out << projector.devicePath() << Qt::endl;
    QObject::connect(&projector, &SimulatedProjector::answered, &projector,
                     [&out](const QByteArray &line, const QByteArray &reply) {
                         // Spelled as the panel's traffic monitor spells it.
                         out << renderForMonitor(line.toStdString()).c_str() << "->"
                             << renderForMonitor(reply.toStdString()).c_str() << Qt::endl;
                     });
    return QCoreApplication::exec();
}
