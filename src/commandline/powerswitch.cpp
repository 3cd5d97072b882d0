#include "powerswitch.h"

#include "exchangeoutcome.h"

#include <QString>

#include <algorithm>
#include <array>
#include <optional>
#include <variant>

namespace
{

// The power states of the STATUS table, by the word the reading gives them.
constexpr std::array<std::string_view, 1> kOn{"on"};
constexpr std::array<std::string_view, 1> kGoingOn{"count-down"};
constexpr std::array<std::string_view, 1> kOff{"standby"};
constexpr std::array<std::string_view, 5> kGoingOff{
    "cooling-down", "temperature-warning-cooling-down", "cooling-down-power-management",
    "cooling-down-all-lamps-failed", "cooling-down-standby-all-lamps-failed"};

template <std::size_t N>
bool among(const std::array<std::string_view, N> &words, std::string_view word)
{
    return std::ranges::find(words, word) != words.end();
}

std::string powerWord(const ExchangeOutcome &status)
{
    const auto *word = status.reading.find("power");
    return word ? std::get<std::string>(*word) : std::string();
}

// The status line's text as the operator reads it, without the panel's padding.
std::string shown(const ExchangeOutcome &outcome)
{
    const std::string &text = outcome.status ? *outcome.status : outcome.rendered;
    return QString::fromLatin1(text).trimmed().toStdString();
}

} // namespace

PowerSwitch::PowerSwitch(bool on) : m_on(on) {}

PowerSwitch::Step PowerSwitch::start() const { return {"status"}; }

PowerSwitch::Step PowerSwitch::next(const ExchangeOutcome &outcome)
{
    using enum ExchangeOutcome::Result;
    const std::string command = "power-" + std::string(target());
    switch (m_phase) {
    case Phase::Asking:
        if (outcome.result != Reply)
            return failed(outcome, "STATUS before " + command);
        if (auto done = arrived(outcome))
            return *done;
        m_phase = Phase::Commanding;
        return {m_on ? "power-on" : "power-off"};
    case Phase::Commanding:
        if (outcome.result != Reply)
            return failed(outcome, command);
        m_phase = Phase::Checking;
        return {"status"};
    case Phase::Checking:
        if (auto done = outcome.result == Reply ? arrived(outcome) : std::nullopt)
            return *done;
        // A projector busy switching may leave a query unanswered; only the port ends it early.
        if (outcome.result != PortFailed && m_waitedMs < kSettleMs) {
            m_waitedMs += kPollMs;
            return {"status", kPollMs};
        }
        if (outcome.result != Reply)
            return failed(outcome, "STATUS after " + command);
        return {{}, 0, exitStatus(Refused),
                "the projector took " + command + " but still shows " + shown(outcome) +
                    " after " + std::to_string(kSettleMs / 1000) + " s"};
    }
    return {};
}

std::optional<PowerSwitch::Step> PowerSwitch::arrived(const ExchangeOutcome &status) const
{
    const std::string word = powerWord(status);
    const bool there = m_on ? among(kOn, word) : among(kOff, word);
    const bool going = m_on ? among(kGoingOn, word) : among(kGoingOff, word);
    if (!there && !going)
        return std::nullopt;
    const std::string how = m_phase == Phase::Asking ? "already " : "";
    const std::string what = (there ? "" : "switching ") + std::string(target());
    return Step{{}, 0, 0, how + what + " (" + shown(status) + ")"};
}

PowerSwitch::Step PowerSwitch::failed(const ExchangeOutcome &outcome, std::string why) const
{
    using enum ExchangeOutcome::Result;
    switch (outcome.result) {
    case Refused:
        why = "the projector refused " + why + " (NAK)";
        break;
    case NoReply:
        why = "no reply to " + why;
        break;
    case Undecoded:
        why = "the reply to " + why + " is none the program knows: " + shown(outcome);
        break;
    case PortFailed:
        why = outcome.error;
        break;
    case Reply:
        break;
    }
    return {{}, 0, exitStatus(outcome.result), why};
}
