#include "requestqueue.h"

#include "panelstate.h"
#include "porterror.h"
#include "timer.h"

#include <utility>

RequestQueue::RequestQueue(const PanelState &state, const Timer &timer2, Perform perform)
    : m_state(state), m_timer2(timer2), m_perform(std::move(perform))
{
}

void RequestQueue::add(CommandRequest request, Done done)
{
    m_waiting.push_back({std::move(request), std::move(done), {}});
}

bool RequestQueue::idle() const
{
    return !m_running && !m_timer2.isEnabled() && m_state.heldAdjuster == 0;
}

void RequestQueue::startWhenIdle()
{
    while (!m_waiting.empty() && m_waiting.front().request.stillWanted &&
           !m_waiting.front().request.stillWanted())
        m_waiting.pop_front();
    if (m_waiting.empty() || !idle())
        return;
    m_running = std::move(m_waiting.front());
    m_waiting.pop_front();
    try {
        m_perform(m_running->request);
    } catch (const PortError &error) {
        m_running->sent = m_state.lastCommand;
        fail(error);
        throw;
    }
    m_running->sent = m_state.lastCommand;
}

void RequestQueue::received()
{
    if (m_running && replyComplete(m_state, m_running->sent, m_state.receiveBuffer))
        finish(judgeExchange(m_state, m_running->request.command, m_running->sent,
                             m_state.receiveBuffer));
}

void RequestQueue::closed(const std::string &received)
{
    if (m_running)
        finish(judgeExchange(m_state, m_running->request.command, m_running->sent, received));
}

void RequestQueue::fail(const PortError &error)
{
    if (!m_running)
        return;
    finish(portFailure(m_running->request.command, m_running->sent, error.warning()));
}

void RequestQueue::finish(ExchangeOutcome outcome)
{
    const Done done = std::move(m_running->done);
    m_running.reset();
    done(outcome);
}
