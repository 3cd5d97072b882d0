#include "programrig.h"

#include "devicemap.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTimer>

bool waitFor(const std::function<bool()> &done, int deadlineMs)
{
    const QDeadlineTimer deadline(deadlineMs);
    QTimer wake;
    wake.start(deadlineMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

ProgramRig::ProgramRig(const Setup &setup)
{
    com1 = setup.com1.isEmpty() ? com1 : setup.com1;
    if (setup.com1.isEmpty())
        QFile::link(projector->devicePath(), com1);
    DeviceMap devices;
    devices.setDevice(1, com1);
    devices.setDevice(2, setup.com2.isEmpty() ? directory.filePath("missing") : setup.com2);
    port.emplace(devices);
    if (setup.qtTimers)
        form.emplace(*port);
    else
        form.emplace(*port, [this](auto) { return clock.createTimer(); });
    m_window = &*form;
    form->setPortDevices({devices.device(1), devices.device(2)});
    port->setOnConnectionLost([this](const PortError &error) { form->panel().reportError(error); });
    form->load();
    form->show();
}

std::unique_ptr<SimulatedProjector> ProgramRig::openProjector()
{
    auto projector = std::make_unique<SimulatedProjector>();
    if (!projector->open())
        qFatal("%s", qPrintable(projector->errorString()));
    return projector;
}

void ProgramRig::replaceProjector()
{
    projector = openProjector();
    QFile::remove(com1);
    QFile::link(projector->devicePath(), com1);
}

bool ProgramRig::waitForLoss()
{
    return waitFor([this] { return !port->isOpen() && !boxes.texts.isEmpty(); });
}

PanelState &ProgramRig::state()
{
    return form->panel().state();
}
