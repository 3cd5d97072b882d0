#include "panelprogram.h"

#include "form1.h"
#include "loggedport.h"
#include "panelsocketserver.h"
#include "porterror.h"
#include "qtserialport.h"
#include "quitonsignal.h"
#include "trafficlog.h"

#include <QApplication>

#include <optional>

int runPanel(QtSerialPort &port, const DeviceMap &devices, QIODevice *log,
             const QString &startNotice)
{
    const QuitOnSignal quitOnSignal;
    std::optional<TrafficLog> traffic;
    std::optional<LoggedPort> loggedPort;
    if (log)
        loggedPort.emplace(port, traffic.emplace(*log, devices));
    Form1 form(loggedPort ? static_cast<SerialPort &>(*loggedPort) : port);
    if (traffic)
        traffic->watch(form.panel(), port);
    form.setPortDevices({devices.device(1), devices.device(2)});
    port.setOnConnectionLost([&form](const PortError &error) { form.panel().reportError(error); });
    PanelSocketServer sharing(form.panel(), port, devices);
    sharing.listen();
    if (!startNotice.isEmpty())
        form.showWarning(startNotice.front().toUpper() + startNotice.sliced(1));
    if (!quitOnSignal.received())
        form.load();
    if (quitOnSignal.received()) // during a start-up warning: at logout, say
        return EXIT_SUCCESS;
    form.show();
    return QApplication::exec();
}
