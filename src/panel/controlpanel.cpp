#include "controlpanel.h"

#include "commandbuttons.h"
#include "commandcatalogue.h"
#include "extendedpanel.h"
#include "freecommandentry.h"
#include "holdtorepeat.h"
#include "linkcore.h"
#include "operatornotices.h"
#include "paneldisplay.h"
#include "panellayout.h"
#include "panelstate.h"
#include "porterror.h"
#include "portsetup.h"
#include "requestqueue.h"
#include "serialport.h"
#include "timer.h"
#include "windowplacement.h"

#include <utility>

namespace
{

// The timers' intervals as designed, in force until a handler sets others.
constexpr int kTimer1Interval = 200;
constexpr int kTimer2Interval = 500;
constexpr int kTimer3Interval = 5000;
constexpr int kTimer4Interval = 1000;

std::unique_ptr<Timer> makeTimer(const ControlPanel::TimerFactory &factory, int interval,
                                 ControlPanel::TimerUse use = ControlPanel::TimerUse::Display)
{
    std::unique_ptr<Timer> timer = factory(use);
    timer->setInterval(interval);
    return timer;
}

} // namespace

ControlPanel::ControlPanel(SerialPort &port, const TimerFactory &makeTimers,
                           ErrorReporter reportError, std::function<void()> endProgram)
    : m_reportError(std::move(reportError)), m_endProgram(std::move(endProgram)), m_port(port),
      m_state(std::make_unique<PanelState>()), m_display(std::make_unique<PanelDisplay>()),
      m_timer1(makeTimer(makeTimers, kTimer1Interval, TimerUse::Repeat)),
      m_timer2(makeTimer(makeTimers, kTimer2Interval)),
      m_timer3(makeTimer(makeTimers, kTimer3Interval)),
      m_timer4(makeTimer(makeTimers, kTimer4Interval)),
      m_link(
          std::make_unique<LinkCore>(*m_state, *m_display, port, *m_timer2, *m_timer3, *m_timer4)),
      m_portSetup(std::make_unique<PortSetup>(*m_state, *m_display, port, *m_timer3,
                                              [this](const PortError &error) { warn(error); })),
      m_commands(std::make_unique<CommandButtons>(*m_state, *m_link, port, *m_timer1, *m_timer2,
                                                  *m_timer4, [this] { m_endRequested = true; })),
      m_hold(std::make_unique<HoldToRepeat>(*m_state, *m_display, *m_link, *m_timer1, *m_timer2,
                                            *m_timer4)),
      m_freeEntry(std::make_unique<FreeCommandEntry>(*m_state, *m_link, *m_timer2, *m_timer4)),
      m_extended(std::make_unique<ExtendedPanel>(*m_state, *m_timer3)),
      m_requests(std::make_unique<RequestQueue>(
          *m_state, *m_timer2, [this](const CommandRequest &request) { perform(request); },
          [this] { m_link->onTimer2(); }, makeTimers(TimerUse::Display))),
      m_notices(std::make_unique<OperatorNotices>(*m_state, [this](const std::string &sentence) {
          if (m_onNotice)
              m_onNotice(sentence);
      }))
{
    m_timer1->setOnExpiry([this] { guarded([this] { m_hold->tick(); }, true); });
    port.setOnComm([this] {
        guarded([this] {
            m_link->onComm();
            m_notices->received();
            m_requests->received();
        });
    });
    m_link->setOnExchangeClosed(
        [this](const std::string &received) {
            m_notices->exchangeClosed(received);
            guarded([&] { m_requests->closed(received); });
        });
    m_extended->windowHeight.observe(
        [this, height = m_extended->windowHeight.get()](float now) mutable {
            m_notices->heightChanged(std::exchange(height, now), now);
        });

    m_clicks = {
        {"Command33", [this] { m_portSetup->showPortGroup(); }},
        {"Command34", [this] { m_extended->command34Click(); }},
        {"Command95", [this] { m_freeEntry->send(), m_notices->exchangeStarted(); }},
        {"Command96", [this] { m_freeEntry->clear(); }},
        {"Option1", [this] { m_portSetup->chooseComPort(1); }},
        {"Option2", [this] { m_portSetup->chooseComPort(2); }},
        {"Option9", [this] { m_portSetup->chooseSpeed(19200); }},
        {"Option10", [this] { m_portSetup->chooseSpeed(9600); }},
    };
    for (const CatalogueCommand &command : commandCatalogue()) {
        const std::string_view name = command.controlName;
        m_clicks.emplace(name, [this, name, sends = !command.code.empty()] {
            m_commands->click(name);
            if (sends)
                m_notices->exchangeStarted();
        });
    }
}

ControlPanel::~ControlPanel()
{
    // The port outlives the panel: its receive event must not reach a handler that is gone.
    m_port.setOnComm({});
}

void ControlPanel::load(const ScreenArea &available, const std::function<void()> &placed)
{
    const WindowPlacement placement =
        placeWindow(available, PanelLayout::kClientWidth, PanelLayout::kDesignHeight);
    windowOrigin.set({placement.left, placement.top});
    m_extended->windowHeight.set(float(placement.height));
    if (placed)
        placed();
    guarded([this] { m_portSetup->load(); });
}

void ControlPanel::click(std::string_view controlName)
{
    const auto it = m_clicks.find(controlName);
    if (it == m_clicks.end())
        return;
    guarded(it->second);
    // END ends the program only now, after a failed close has been shown to the operator.
    if (m_endRequested)
        m_endProgram();
}

void ControlPanel::press(std::string_view controlName)
{
    m_notices->forget(); // a held adjuster's replies are not told
    guarded([&] { m_hold->press(controlName); });
}

void ControlPanel::release(std::string_view controlName)
{
    guarded([&] { m_hold->release(controlName); });
}

void ControlPanel::keyDown(int keyCode, int modifiers)
{
    guarded([&] { m_extended->keyDown(keyCode, modifiers); });
}

void ControlPanel::image1DoubleClick()
{
    guarded([&] { m_extended->image1DoubleClick(); });
}

void ControlPanel::portGroupKey()
{
    if (m_display->frame8Visible.get()) {
        m_timer3->setEnabled(false);
        m_timer3->setEnabled(true);
    }
}

void ControlPanel::portGroupLeft()
{
    if (m_display->frame8Visible.get())
        m_link->onTimer3();
}

bool ControlPanel::isAdjuster(std::string_view controlName)
{
    return HoldToRepeat::isAdjuster(controlName);
}

void ControlPanel::request(CommandRequest request,
                           std::function<void(const ExchangeOutcome &)> done)
{
    m_requests->add(std::move(request), std::move(done));
    startRequests();
}

void ControlPanel::perform(const CommandRequest &request)
{
    m_notices->forget(); // the command line hears its own outcome
    if (request.controlName.empty())
        m_freeEntry->sendText(request.command);
    else
        m_commands->click(request.controlName);
}

void ControlPanel::reportError(const PortError &error)
{
    m_requests->fail(error); // its exchange cannot finish on a port that has failed
    m_notices->forget();      // the warning says what happened
    warn(error);
}

void ControlPanel::warn(const PortError &error)
{
    m_portSetup->portOpen.set(m_port.isOpen()); // a failure may have closed it
    heldPort.set(m_port.isOpen() ? m_port.commPort() : 0);
    if (m_onError)
        m_onError(error);
    m_reportError(error);
}

int ControlPanel::nextRepeatIn() const
{
    return m_timer1->remainingTime();
}

void ControlPanel::guarded(const std::function<void()> &handler, bool repeat)
{
    try {
        handler();
    } catch (const PortError &error) {
        reportError(error);
    }
    heldPort.set(m_port.isOpen() ? m_port.commPort() : 0);
    startRequests();
    if (m_onEventEnd)
        m_onEventEnd(repeat);
}

void ControlPanel::startRequests()
{
    // Each failed start has failed its request; the next one may still go.
    for (;;) {
        try {
            m_requests->startWhenIdle();
            return;
        } catch (const PortError &error) {
            warn(error);
        }
    }
}
