#include "panelprogram.h"

#include "form1.h"
#include "panelsocketserver.h"
#include "porterror.h"
#include "qtserialport.h"
#include "quitonsignal.h"

#include <QApplication>

int runPanel(QtSerialPort &port, const DeviceMap &devices)
{
    const QuitOnSignal quitOnSignal;
    Form1 form(port);
    port.setOnConnectionLost([&form](const PortError &error) { form.panel().reportError(error); });
    PanelSocketServer sharing(form.panel(), port, devices);
    sharing.listen();
    form.load();
    if (quitOnSignal.received()) // during the start-up warning: at logout, say
        return EXIT_SUCCESS;
    form.show();
    return QApplication::exec();
}
