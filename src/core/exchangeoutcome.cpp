#include "exchangeoutcome.h"

#include "linkcore.h"
#include "monitorrendering.h"
#include "panelstate.h"
#include "replydecoding.h"

#include <utility>

namespace
{

constexpr char kAck = 6;
constexpr char kNak = 21;

bool isStatusQuery(const PanelState &state, std::string_view sent)
{
    return findStatusQuery(state, sent) != nullptr;
}

// The decoder reads the query from lastCommand; the outcome belongs to `sent`, whatever the
// operator has clicked since.
std::optional<std::string> decodedStatus(const PanelState &state, const std::string &sent,
                                         std::string_view rendered)
{
    PanelState asSent = state;
    asSent.lastCommand = sent;
    return decodeReply(asSent, rendered).status;
}

} // namespace

ExchangeOutcome judgeExchange(const PanelState &state, std::string command, std::string sent,
                              std::string reply)
{
    ExchangeOutcome outcome;
    outcome.command = std::move(command);
    outcome.sent = std::move(sent);
    outcome.reply = std::move(reply);
    using enum ExchangeOutcome::Result;
    if (outcome.reply.empty()) {
        outcome.rendered = LinkCore::kNoReplyMark;
        outcome.result = NoReply;
        return outcome;
    }
    outcome.rendered = renderForMonitor(outcome.reply);
    if (outcome.reply.front() == kNak) {
        outcome.result = Refused;
        return outcome;
    }
    outcome.status = decodedStatus(state, outcome.sent, outcome.rendered);
    outcome.reading = StatusReading::read(state, outcome.sent, outcome.reply);
    outcome.result = outcome.status || !isStatusQuery(state, outcome.sent) ? Reply : Undecoded;
    return outcome;
}

ExchangeOutcome portFailure(std::string command, std::string sent, std::string error)
{
    ExchangeOutcome outcome;
    outcome.command = std::move(command);
    outcome.sent = std::move(sent);
    outcome.result = ExchangeOutcome::Result::PortFailed;
    outcome.error = std::move(error);
    return outcome;
}

bool replyComplete(const PanelState &state, std::string_view sent, std::string_view reply)
{
    if (reply.empty())
        return false;
    const char last = reply.back();
    if (last == kCarriageReturn || last == kNak)
        return true;
    return last == kAck && !isStatusQuery(state, sent);
}

int exitStatus(ExchangeOutcome::Result result)
{
    switch (result) {
    case ExchangeOutcome::Result::Reply:
        return 0;
    case ExchangeOutcome::Result::NoReply:
        return 1;
    case ExchangeOutcome::Result::PortFailed:
        return 3;
    case ExchangeOutcome::Result::Refused:
        return 4;
    case ExchangeOutcome::Result::Undecoded:
        return 5;
    }
    return 3;
}
