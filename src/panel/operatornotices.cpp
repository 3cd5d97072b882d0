#include "operatornotices.h"

#include "exchangeoutcome.h"
#include "extendedpanel.h"
#include "panelstate.h"

#include <utility>

OperatorNotices::OperatorNotices(const PanelState &state, Say say)
    : m_state(state), m_say(std::move(say))
{
}

void OperatorNotices::exchangeStarted()
{
    m_sent = m_state.lastCommand;
}

void OperatorNotices::received()
{
    if (m_sent && replyComplete(m_state, *m_sent, m_state.receiveBuffer))
        tell(m_state.receiveBuffer);
}

void OperatorNotices::exchangeClosed(const std::string &received)
{
    if (m_sent)
        tell(received);
}

void OperatorNotices::forget()
{
    m_sent.reset();
}

void OperatorNotices::tell(const std::string &reply)
{
    const ExchangeOutcome outcome = judgeExchange(m_state, {}, *std::exchange(m_sent, {}), reply);
    if (outcome.status)
        m_say(*outcome.status);
    else if (outcome.result == ExchangeOutcome::Result::NoReply)
        m_say(kNoReply);
    else
        m_say(outcome.rendered);
}

void OperatorNotices::heightChanged(float from, float to)
{
    // The monitor band shows from the data view's height up, everything at the full height.
    const auto view = [](float height) {
        return height >= ExtendedPanel::kFullHeight      ? 2
               : height >= ExtendedPanel::kDataThreshold ? 1
                                                         : 0;
    };
    if (view(to) == 2 && view(from) != 2)
        m_say(kFullPanelShown);
    else if (view(to) == 1 && view(from) != 1)
        m_say(kMonitorShown);
}
