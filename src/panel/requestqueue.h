#pragma once

#include "exchangeoutcome.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class PortError;
class Timer;
struct PanelState;

// A command asked for from outside the window: a catalogue button by control name, or text
// sent as the command box sends it.
struct CommandRequest {
    std::string command;     // as asked for: a command name, or the text itself
    std::string controlName; // the button to click; empty: send `command` as typed text
    // Asked when its turn comes: one whose asker has given up is dropped unsent. Empty: wanted.
    std::function<bool()> stillWanted = {};
};

// Commands from outside the window, one at a time and never inside the panel's own
// exchanges. A request starts only when no exchange is open (Timer2 stopped) and no adjuster
// is held; it is done at the first whole reply (replyComplete()), which also closes its
// exchange so that the next one goes at once, or when Timer2 closes its exchange. The
// operator's own clicks are never held back.
//
// A request that has waited kLongestWaitSeconds for its turn (the operator holding an
// adjuster, say) fails with a reason that says so, counted on a timer that ticks each second
// while any request waits.
class RequestQueue
{
public:
    using Done = std::function<void(const ExchangeOutcome &)>;
    using Perform = std::function<void(const CommandRequest &)>; // may throw PortError
    static constexpr int kLongestWaitSeconds = 30;

    // `closeExchange` ends the open exchange early, as Timer2 would; `ticks` is a timer of
    // the queue's own.
    RequestQueue(const PanelState &state, const Timer &timer2, Perform perform,
                 std::function<void()> closeExchange, std::unique_ptr<Timer> ticks);
    ~RequestQueue();

    void add(CommandRequest request, Done done);
    // Starts the first waiting request if the panel is idle. A PortError from its send
    // leaves here after the request has been failed with it.
    void startWhenIdle();
    void received();                          // after each receive event
    void closed(const std::string &received); // Timer2 has closed an exchange
    void fail(const PortError &error);        // the running request's exchange broke

private:
    struct Entry {
        CommandRequest request;
        Done done;
        std::string sent;
        int waitedSeconds = 0;
    };

    bool idle() const;
    void finish(ExchangeOutcome outcome);
    void tick();

    const PanelState &m_state;
    const Timer &m_timer2;
    Perform m_perform;
    std::function<void()> m_closeExchange;
    std::unique_ptr<Timer> m_ticks;
    std::deque<Entry> m_waiting;
    std::optional<Entry> m_running;
};
