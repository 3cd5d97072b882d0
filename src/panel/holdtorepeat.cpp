#include "holdtorepeat.h"

#include "linkcore.h"
#include "paneldisplay.h"
#include "panelstate.h"
#include "porterror.h"
#include "timer.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

enum class Kind {
    Stepper, // sets its own repeat and display intervals after the first send
    Zoom,    // a stepper whose release prepares fast arrows
    Arrow,   // takes its display intervals from arrowStepMode, repeats at what Timer1 has
};

struct Adjuster {
    std::string_view controlName;
    std::uint8_t repeatCode; // what heldAdjuster holds while the button is down
    std::string_view code;
    Kind kind;
    int repeatInterval; // Timer1
    int replyWait;      // Timer2
    int displayClear;   // Timer4
};

constexpr std::array<Adjuster, 13> kAdjusters{{
    {"Command1", 1, "C09", Kind::Stepper, 250, 200, 245},   // VOL +
    {"Command2", 2, "C0A", Kind::Stepper, 250, 200, 245},   // VOL -
    {"Command15", 7, "C20", Kind::Stepper, 50, 25, 25},     // Brightness +
    {"Command35", 8, "C21", Kind::Stepper, 50, 25, 25},     // Brightness -
    {"Command48", 17, "C30", Kind::Zoom, 250, 200, 245},    // D.Zoom +
    {"Command49", 18, "C31", Kind::Zoom, 250, 200, 245},    // D.Zoom -
    {"Command50", 19, "C8E", Kind::Stepper, 250, 200, 245}, // Keystone +
    {"Command51", 20, "C8F", Kind::Stepper, 250, 200, 245}, // Keystone -
    {"Command6", 13, "C3F", Kind::Stepper, 500, 200, 245},  // SELECT
    {"Command5", 3, "C3C", Kind::Arrow, 0, 0, 0},           // up
    {"Command7", 4, "C3D", Kind::Arrow, 0, 0, 0},           // down
    {"Command9", 5, "C3B", Kind::Arrow, 0, 0, 0},           // left
    {"Command8", 6, "C3A", Kind::Arrow, 0, 0, 0},           // right
}};

// Display intervals an arrow sets at its press, by arrowStepMode: after MENU ON or A-IMAGE,
// and after a D.Zoom adjustment.
constexpr std::uint8_t kArrowsAfterMenu = 1;
constexpr std::uint8_t kArrowsAfterZoom = 3;
constexpr int kMenuArrowReplyWait = 150;
constexpr int kMenuArrowDisplayClear = 190;
constexpr int kZoomArrowInterval = 5; // Timer1, Timer2 and Timer4 alike

constexpr int kRestingReplyWait = 500;
constexpr int kRestingDisplayClear = 1000;

const Adjuster *findByName(std::string_view controlName)
{
    const auto it = std::ranges::find(kAdjusters, controlName, &Adjuster::controlName);
    return it == kAdjusters.end() ? nullptr : &*it;
}

const Adjuster *findByRepeatCode(std::uint8_t repeatCode)
{
    const auto it = std::ranges::find(kAdjusters, repeatCode, &Adjuster::repeatCode);
    return it == kAdjusters.end() ? nullptr : &*it;
}

} // namespace

HoldToRepeat::HoldToRepeat(PanelState &state, PanelDisplay &display, LinkCore &link,
                           Timer &timer1, Timer &timer2, Timer &timer4)
    : m_state(state), m_display(display), m_link(link), m_timer1(timer1), m_timer2(timer2),
      m_timer4(timer4)
{
}

bool HoldToRepeat::isAdjuster(std::string_view controlName) { return findByName(controlName); }

void HoldToRepeat::press(std::string_view controlName)
{
    const Adjuster *adjuster = findByName(controlName);
    if (!adjuster)
        return;
    if (adjuster->kind == Kind::Arrow) {
        if (m_state.arrowStepMode == kArrowsAfterMenu) {
            m_timer2.setInterval(kMenuArrowReplyWait);
            m_timer4.setInterval(kMenuArrowDisplayClear);
        } else if (m_state.arrowStepMode == kArrowsAfterZoom) {
            m_timer2.setInterval(kZoomArrowInterval);
            m_timer4.setInterval(kZoomArrowInterval);
        }
        m_state.heldAdjuster = adjuster->repeatCode;
        m_link.transmit(adjuster->code);
    } else {
        m_state.heldAdjuster = adjuster->repeatCode;
        m_link.transmit(adjuster->code);
        m_timer1.setInterval(adjuster->repeatInterval);
        m_timer2.setInterval(adjuster->replyWait);
        m_timer4.setInterval(adjuster->displayClear);
    }
    m_timer1.setEnabled(true);
}

void HoldToRepeat::tick()
{
    const Adjuster *adjuster = findByRepeatCode(m_state.heldAdjuster);
    if (!adjuster)
        return;
    try {
        m_link.transmit(adjuster->code); // the held button's own code, whatever lastCommand holds now
    } catch (const PortError &) {
        stop();
        throw;
    }
    m_timer1.setEnabled(true);
}

void HoldToRepeat::release(std::string_view controlName)
{
    const Adjuster *adjuster = findByName(controlName);
    if (!adjuster)
        return;
    m_state.heldAdjuster = 0;
    m_timer1.setEnabled(false);
    m_timer2.setEnabled(false);
    m_timer4.setEnabled(true);
    m_display.label11.set({});
    m_display.label12.set({});
    m_timer2.setInterval(kRestingReplyWait);
    m_timer4.setInterval(kRestingDisplayClear);
    m_state.receiveBuffer.clear();
    if (adjuster->kind == Kind::Zoom) {
        m_timer1.setInterval(kZoomArrowInterval);
        m_state.arrowStepMode = kArrowsAfterZoom;
    }
}

void HoldToRepeat::stop()
{
    if (const Adjuster *held = findByRepeatCode(m_state.heldAdjuster))
        release(held->controlName);
}
