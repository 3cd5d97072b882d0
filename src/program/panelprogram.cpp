#include "panelprogram.h"

#include "form1.h"
#include "launchoptions.h"
#include "panelsocketserver.h"
#include "porterror.h"
#include "qtserialport.h"
#include "quitonsignal.h"
#include "simulatedprojector.h"
#include "trafficlogging.h"

#include <QApplication>

#include <memory>

int runPanel(QtSerialPort &port, const DeviceMap &devices, QIODevice *log,
             const QString &startNotice)
{
    const QuitOnSignal quitOnSignal;
    TrafficLogging traffic(port, log, devices);
    Form1 form(traffic.port());
    traffic.watch(form.panel());
    form.setPortDevices({devices.device(1), devices.device(2)});
    port.setOnConnectionLost([&form](const PortError &error) { form.panel().reportError(error); });
    const PanelSocketServer sharing(form.panel(), devices); // for the device the panel holds
    if (!startNotice.isEmpty())
        form.showWarning(startNotice.front().toUpper() + startNotice.sliced(1));
    if (!quitOnSignal.received())
        form.load();             // shown before the port opens
    if (quitOnSignal.received()) // during a start-up warning or the connect: at logout, say
        return EXIT_SUCCESS;
    return QApplication::exec();
}

int runPanelProgram(int &argc, char **argv, const LaunchOptions &options)
{
    QApplication app(argc, argv);
    DeviceMap devices = options.devices;
    std::unique_ptr<SimulatedProjector> projector;
    if (options.simulate && !(projector = SimulatedProjector::openAsPort1(devices)))
        return EXIT_FAILURE;

    QtSerialPort port(devices);
    return runPanel(port, devices, options.log.get(), options.settingsProblem);
}
