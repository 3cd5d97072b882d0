#include "requestqueue.h"

#include "panelstate.h"
#include "porterror.h"
#include "timer.h"

#include <utility>

RequestQueue::RequestQueue(const PanelState &state, const Timer &timer2, Perform perform,
                           std::function<void()> closeExchange, std::unique_ptr<Timer> ticks)
    : m_state(state), m_timer2(timer2), m_perform(std::move(perform)),
      m_closeExchange(std::move(closeExchange)), m_ticks(std::move(ticks))
{
    m_ticks->setInterval(1000);
    m_ticks->setOnExpiry([this] { tick(); });
}

RequestQueue::~RequestQueue() = default;

void RequestQueue::add(CommandRequest request, Done done)
{
    m_waiting.push_back({std::move(request), std::move(done), {}});
    m_ticks->setEnabled(true);
}

void RequestQueue::tick()
{
    std::deque<Entry> overdue;
    for (auto it = m_waiting.begin(); it != m_waiting.end();) {
        if (++it->waitedSeconds <= kLongestWaitSeconds) {
            ++it;
            continue;
        }
        overdue.push_back(std::move(*it));
        it = m_waiting.erase(it);
    }
    m_ticks->setEnabled(!m_waiting.empty());
    const std::string why =
        "waited " + std::to_string(kLongestWaitSeconds) + " s behind the panel's own exchanges";
    for (Entry &entry : overdue)
        entry.done(portFailure(entry.request.command, {}, why));
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
    m_ticks->setEnabled(!m_waiting.empty());
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
    if (!m_running || !replyComplete(m_state, m_running->sent, m_state.receiveBuffer))
        return;
    finish(
        judgeExchange(m_state, m_running->request.command, m_running->sent, m_state.receiveBuffer));
    m_closeExchange(); // its reply is in: the next request need not sit out the whole wait
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
