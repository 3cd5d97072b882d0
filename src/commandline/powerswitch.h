#pragma once

#include <optional>
#include <string>
#include <string_view>

struct ExchangeOutcome;

// orva-control --power on|off: brings one projector into the state asked for and says so.
// It asks STATUS first and is done when the projector is there or on its way (count down,
// cooling); otherwise it sends the power command and asks STATUS again until the projector
// shows it on its way, for at most kSettleMs. A refusal, no reply, a port failure or a
// projector that stays where it was ends it with the exit status --send gives.
//
// It runs no exchange itself: the caller sends each command it asks for (on a port it opens,
// through a panel, to one projector of many) and hands back the outcome.
class PowerSwitch
{
public:
    static constexpr int kPollMs = 500;
    static constexpr int kSettleMs = 10000;

    struct Step {
        std::string_view command; // the command name to send next; empty: done
        int afterMs = 0;          // how long to wait before sending it
        int exitStatus = 0;       // done: 0 when the projector is there or on its way
        std::string said = {};    // done: one line for the operator
    };

    explicit PowerSwitch(bool on);

    Step start() const;
    Step next(const ExchangeOutcome &outcome);

private:
    enum class Phase { Asking, Commanding, Checking };

    std::optional<Step> arrived(const ExchangeOutcome &status) const; // there or on its way
    Step failed(const ExchangeOutcome &outcome, std::string why) const;
    std::string_view target() const { return m_on ? "on" : "off"; }

    bool m_on;
    Phase m_phase = Phase::Asking;
    int m_waitedMs = 0;
};
