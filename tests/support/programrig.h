#pragma once

#include "form1.h"
#include "qtserialport.h"
#include "simulatedprojector.h"
#include "virtualclock.h"
#include "warningboxes.h"
#include "windowcontrols.h"

#include <QTemporaryDir>

#include <memory>
#include <optional>

struct PanelState;

// The program as main() builds it: the port, the window on it and the loss report wired to the
// window, loaded and shown. COM1 is given, or a udev-style symlink to a simulated projector;
// COM2 is given, or a path that does not exist. The window's timers run on a virtual clock
// unless a test wants the real ones.
class ProgramRig : public WindowControls
{
public:
    struct Setup {
        QString com1 = {}; // instead of the simulated projector
        QString com2 = {};
        bool qtTimers = false;
    };

    ProgramRig() : ProgramRig(Setup{}) {}
    explicit ProgramRig(const Setup &setup);

    static std::unique_ptr<SimulatedProjector> openProjector();
    // The device behind COM1 goes and another takes its name, as an adapter plugged in again.
    void replaceProjector();
    // Waits until the port has closed on a lost device and the loss has been reported.
    bool waitForLoss();
    PanelState &state();

    QTemporaryDir directory;
    std::unique_ptr<SimulatedProjector> projector = openProjector();
    QString com1 = directory.filePath(QStringLiteral("com1"));
    VirtualClock clock;
    std::optional<QtSerialPort> port;
    std::optional<Form1> form;
    WarningBoxes boxes;
};
