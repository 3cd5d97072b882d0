// orva-control: the control panel for ORVA PD71 / PD43 projectors.

#include "launchoptions.h"
#include "panelprogram.h"
#include "qtserialport.h"
#include "simulatedprojector.h"

#include <QApplication>
#include <QTextStream>

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
    // The options are read before anything of the window system starts, so that help, the port
    // list and a mistake work without a display too (over ssh, from a script).
    LaunchOptions options;
    {
        QCoreApplication app(argc, argv);
        nameApplication();
        options = parseLaunchOptions(QCoreApplication::arguments());
        if (const std::optional<int> exitCode = runWithoutPanel(options))
            return *exitCode;
    }

    QApplication app(argc, argv);
    nameApplication();

    DeviceMap devices = options.devices;
    std::unique_ptr<SimulatedProjector> projector;
    if (options.simulate) {
        projector = std::make_unique<SimulatedProjector>();
        if (!projector->open()) {
            QTextStream(stderr) << "orva-control: " << projector->errorString() << '\n';
            return EXIT_FAILURE;
        }
        devices.setDevice(1, projector->devicePath());
    }

    QtSerialPort port(devices);
    return runPanel(port);
}
