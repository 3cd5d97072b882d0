// orva-control: the control panel for ORVA PD71 / PD43 projectors.

#include "commandlinesend.h"
#include "launchoptionparser.h"
#include "panelprogram.h"
#include "qtserialport.h"
#include "simulatedprojector.h"

#include <QApplication>

#include <memory>

namespace {

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("orva-control"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVA_VERSION));
}

} // namespace

int main(int argc, char *argv[])
{
    // The options are read before anything of the window system starts, so that help, the
    // lists, a mistake and --send work without a display too (over ssh, from cron).
    LaunchOptions options;
    {
        QCoreApplication app(argc, argv);
        nameApplication();
        options = parseLaunchOptions(launchArguments(argc, argv));
        if (const std::optional<int> exitCode = runWithoutPanel(options))
            return *exitCode;
        if (options.send || options.power || options.listCommands)
            return CommandLineSend(options).run();
    }

    QApplication app(argc, argv);
    nameApplication();
    DeviceMap devices = options.devices;
    std::unique_ptr<SimulatedProjector> projector;
    if (options.simulate && !(projector = SimulatedProjector::openAsPort1(devices)))
        return EXIT_FAILURE;

    QtSerialPort port(devices);
    return runPanel(port, devices, options.log.get(), options.settingsProblem);
}
