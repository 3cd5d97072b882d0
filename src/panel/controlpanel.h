#pragma once

#include "observable.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

class CommandButtons;
class ExtendedPanel;
class FreeCommandEntry;
class HoldToRepeat;
class LinkCore;
class OperatorNotices;
class PortError;
class PortSetup;
class RequestQueue;
struct CommandRequest;
struct ExchangeOutcome;
class SerialPort;
class Timer;
struct PanelDisplay;
struct PanelState;
struct ScreenArea;

// Where start-up puts the window's top-left corner, in twips on the desktop.
struct WindowOrigin {
    float left = 0;
    float top = 0;
    friend bool operator==(const WindowOrigin &, const WindowOrigin &) = default;
};

// Everything behind the window Form1, without the widgets: the shared state, the displays,
// the timers, the link core, the port set-up and the handlers of every control. The window
// forwards its events here by control name and shows what the observables say.
//
// Every event runs inside one guard: a PortError that a handler lets out goes to the error
// reporter, which shows it to the operator, and the program runs on. After every event the
// commands asked for from outside (request()) get their turn.
class ControlPanel
{
public:
    // What a timer is for: the repeat of a held adjuster (Timer1) wants its ticks on time to a
    // tenth of a millisecond, the others count hundreds of milliseconds.
    enum class TimerUse { Repeat, Display };
    using TimerFactory = std::function<std::unique_ptr<Timer>(TimerUse)>;
    using ErrorReporter = std::function<void(const PortError &)>;

    ControlPanel(SerialPort &port, const TimerFactory &makeTimer, ErrorReporter reportError,
                 std::function<void()> endProgram);
    ~ControlPanel();

    // The window's Load event, given the screen's available area in twips: the window placed
    // on it (placeWindow()) and cut to the compact view, `placed` run (the window shows
    // itself), then the port opened on COM1.
    void load(const ScreenArea &available, const std::function<void()> &placed = {});

    void click(std::string_view controlName); // buttons and option buttons
    void press(std::string_view controlName); // any mouse button down on an adjuster
    void release(std::string_view controlName);
    void keyDown(int keyCode, int modifiers); // seen before the focused control
    void image1DoubleClick();
    // The port group under the keyboard: a key in it counts its five seconds anew, and the
    // focus leaving it hides it at once.
    void portGroupKey();
    void portGroupLeft();

    static bool isAdjuster(std::string_view controlName);

    // A command from outside the window, performed as the operator's click on its button (or
    // SEND with its text) would be, once the panel's own exchange and any hold are over.
    // `done` gets the outcome, unless the panel is destroyed before it comes.
    void request(CommandRequest request, std::function<void(const ExchangeOutcome &)> done);

    // For port errors that no handler sees: the loss of a device while the port is open.
    void reportError(const PortError &error);

    // Told every error before the reporter shows it (the traffic log).
    void setOnError(ErrorReporter observer) { m_onError = std::move(observer); }

    // Told at the end of every event handled, with whether it was a held adjuster's repeat.
    void setOnEventEnd(std::function<void(bool repeat)> observer)
    {
        m_onEventEnd = std::move(observer);
    }
    // Milliseconds until a held adjuster repeats its command; -1 when no repeat is running.
    int nextRepeatIn() const;

    // Told each sentence for the operator who does not see the panel (OperatorNotices).
    void setOnNotice(std::function<void(const std::string &)> say) { m_onNotice = std::move(say); }

    PanelState &state() { return *m_state; }
    PanelDisplay &display() { return *m_display; }
    ExtendedPanel &extendedPanel() { return *m_extended; }
    FreeCommandEntry &freeCommandEntry() { return *m_freeEntry; }
    PortSetup &portSetup() { return *m_portSetup; }

    Observable<WindowOrigin> windowOrigin;
    // The port the panel has open (1 or 2), 0 when none; set after every event and failure.
    Observable<int> heldPort{0};

private:
    void guarded(const std::function<void()> &handler, bool repeat = false);
    void startRequests();
    void perform(const CommandRequest &request);
    void warn(const PortError &error);

    ErrorReporter m_reportError;
    ErrorReporter m_onError;
    std::function<void(const std::string &)> m_onNotice;
    std::function<void(bool)> m_onEventEnd;
    std::function<void()> m_endProgram;
    bool m_endRequested = false; // END was clicked
    SerialPort &m_port;
    std::unique_ptr<PanelState> m_state;
    std::unique_ptr<PanelDisplay> m_display;
    std::unique_ptr<Timer> m_timer1; // repeat of a held adjuster
    std::unique_ptr<Timer> m_timer2; // reply wait
    std::unique_ptr<Timer> m_timer3; // hides the port group
    std::unique_ptr<Timer> m_timer4; // clears the monitor
    std::unique_ptr<LinkCore> m_link;
    std::unique_ptr<PortSetup> m_portSetup;
    std::unique_ptr<CommandButtons> m_commands;
    std::unique_ptr<HoldToRepeat> m_hold;
    std::unique_ptr<FreeCommandEntry> m_freeEntry;
    std::unique_ptr<ExtendedPanel> m_extended;
    std::unique_ptr<RequestQueue> m_requests;
    std::unique_ptr<OperatorNotices> m_notices;
    std::unordered_map<std::string_view, std::function<void()>> m_clicks;
};
