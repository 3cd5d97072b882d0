// orva-control: the control panel for ORVA PD71 / PD43 projectors.

#include "form1.h"
#include "launchoptions.h"
#include "porterror.h"
#include "qtserialport.h"
#include "simulatedprojector.h"

#include <QApplication>
#include <QTextStream>

#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orva-control"));
    QApplication::setApplicationVersion(QStringLiteral(ORVA_VERSION));

    const LaunchOptions options = parseLaunchOptions(QApplication::arguments());
    if (const std::optional<int> exitCode = runWithoutPanel(options))
        return *exitCode;

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
    Form1 form(port);
    port.setOnConnectionLost([&form](const PortError &error) { form.panel().reportError(error); });
    form.load();
    form.show();
    return QApplication::exec();
}
