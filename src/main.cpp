// orva-control: the control panel for ORVA PD71 / PD43 projectors.

#include "launchoptions.h"
#include "panelprogram.h"
#include "qtserialport.h"
#include "simulatedprojector.h"

#include <QApplication>
#include <QTextStream>

#include <algorithm>
#include <memory>
#include <string_view>

namespace {

// Help, the version and the port list are printed without a window system, so that they
// also work over ssh or on a machine without a display.
bool asksForTextOnly(int argc, char *argv[])
{
    constexpr std::string_view kTextOnly[] = {"-h", "-?", "--help", "--help-all",
                                              "-v", "--version", "--list-ports"};
    return std::any_of(argv + 1, argv + argc, [&](const char *argument) {
        return std::ranges::find(kTextOnly, std::string_view(argument)) != std::end(kTextOnly);
    });
}

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("orva-control"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVA_VERSION));
}

} // namespace

int main(int argc, char *argv[])
{
    if (asksForTextOnly(argc, argv)) {
        QCoreApplication app(argc, argv);
        nameApplication();
        return runWithoutPanel(parseLaunchOptions(QCoreApplication::arguments()))
            .value_or(EXIT_FAILURE);
    }

    QApplication app(argc, argv);
    nameApplication();

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
    return runPanel(port);
}
