// orva-control: the control panel for ORVA PD71 / PD43 projectors.

#include "commandlinesend.h"
#include "form1.h"
#include "launchoptions.h"
#include "panelsocketserver.h"
#include "porterror.h"
#include "qtserialport.h"
#include "quitonsignal.h"
#include "simulatedprojector.h"

#include <QApplication>

#include <memory>

namespace {

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("orva-control"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVA_VERSION));
}

QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char *argv[])
{
    nameApplication();
    // Decided before any GUI object exists: these runs must work without a display.
    if (parseLaunchOptions(argumentsOf(argc, argv)).windowless) {
        QCoreApplication app(argc, argv);
        const LaunchOptions options = parseLaunchOptions(QCoreApplication::arguments());
        if (const std::optional<int> exitCode = runWithoutPanel(options))
            return *exitCode;
        return CommandLineSend(options).run();
    }

    QApplication app(argc, argv);
    const QuitOnSignal quitOnSignal;

    const LaunchOptions options = parseLaunchOptions(QApplication::arguments());
    if (const std::optional<int> exitCode = runWithoutPanel(options))
        return *exitCode;

    DeviceMap devices = options.devices;
    std::unique_ptr<SimulatedProjector> projector;
    if (options.simulate && !(projector = SimulatedProjector::openAsPort1(devices)))
        return EXIT_FAILURE;

    QtSerialPort port(devices);
    Form1 form(port);
    port.setOnConnectionLost([&form](const PortError &error) { form.panel().reportError(error); });
    PanelSocketServer sharing(form.panel(), port, devices);
    sharing.listen();
    form.load();
    form.show();
    return QApplication::exec();
}
