#include "programrig.h"

#include "devicemap.h"
#include "pseudoterminal.h"

#include <QFile>

ProgramRig::ProgramRig(const Setup &setup)
{
    relink(setup.com1Target.isEmpty() ? projector->devicePath() : setup.com1Target);
    DeviceMap devices;
    devices.setDevice(1, com1);
    devices.setDevice(2, setup.com2.isEmpty() ? directory.filePath("missing") : setup.com2);
    port.emplace(devices);
    if (setup.qtTimers)
        form.emplace(*port);
    else
        form.emplace(*port, [this] { return clock.createTimer(); });
    m_window = &*form;
    port->setOnConnectionLost([this](const PortError &error) { form->panel().reportError(error); });
    form->load();
    form->show();
    settle();
}

std::unique_ptr<SimulatedProjector> ProgramRig::openProjector()
{
    auto projector = std::make_unique<SimulatedProjector>();
    if (!projector->open())
        qFatal("%s", qPrintable(projector->errorString()));
    return projector;
}

void ProgramRig::relink(const QString &target)
{
    QFile::remove(com1);
    if (!QFile::link(target, com1))
        qFatal("cannot link %s", qPrintable(com1));
}

void ProgramRig::replaceProjector()
{
    projector = openProjector();
    relink(projector->devicePath());
}

void ProgramRig::endProgram()
{
    form.reset();
    port.reset();
}

bool ProgramRig::waitForLoss()
{
    return waitFor([this] { return !port->isOpen() && !boxes.texts.isEmpty(); });
}

PanelState &ProgramRig::state()
{
    return form->panel().state();
}
