#pragma once

#include "controlpanel.h"

#include <QString>
#include <QWidget>

#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class PanelLabel;
class PortError;
class QScrollArea;
class SerialPort;
namespace PanelLayout
{
struct Control;
}

// The operator's window, built from the layout table. It hands every click, press, release,
// key and double-click to the ControlPanel by control name and shows what the panel's
// observables say. Each control's objectName is its design name.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    // The timers come from makeTimer: systemTimers() in the program, a virtual clock in tests.
    explicit Form1(SerialPort &port, const ControlPanel::TimerFactory &makeTimer = systemTimers(),
                   QWidget *parent = nullptr);
    ~Form1() override;

    // The repeat on the kernel's clock where there is one (Linux), every other timer a QTimer.
    static ControlPanel::TimerFactory systemTimers();

    // Start-up: places the window on its screen's available area, cuts it to the compact view,
    // shows it, then opens the port (a server on the network connects with the window up).
    void load();

    ControlPanel &panel() { return m_panel; }

    // The devices of COM1 and COM2, for the COM button's tooltip and description.
    void setPortDevices(const QStringList &devices);

    // A warning box with `text`, as for a port error; one at a time, the others queued.
    void showWarning(const QString &text);

    // Pixels of client area for a window height in twips (title bar and borders included).
    static int clientHeight(float windowHeight);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void build();
    QWidget *createControl(const PanelLayout::Control &control, QWidget *parent);
    void bindDisplays();
    void showMonitor(PanelLabel *label, const std::string &text);
    void paintHeldBack(bool afterRepeat);
    void bindPortGroup();
    void showPortGroup(bool visible);
    void describePorts();
    void bindFreeCommandEntry();
    void bindExtendedPanel();
    void fitToScreen(QSize view);
    void drawLines();
    void endProgram();
    void reportError(const PortError &error);
    template <typename T> T *control(std::string_view name) const;

    ControlPanel m_panel;
    QScrollArea *m_scroll = nullptr; // the view, when the screen is too short for it
    QWidget *m_canvas = nullptr;     // the controls and lines at their design places
    QStringList m_portDevices;
    std::vector<PanelLabel *> m_heldBack; // monitor labels to paint after the next repeat
    std::deque<QString> m_pendingWarnings; // errors reported while a warning is shown
    bool m_warningShown = false;
    bool m_closed = false; // the program is ending: no more warnings
    bool m_focusInPortGroup = false;
};
