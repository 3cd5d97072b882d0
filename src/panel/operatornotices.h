#pragma once

#include <functional>
#include <optional>
#include <string>

struct PanelState;

// What the panel says aloud, through a screen reader, to an operator who does not see the
// monitor: how the exchange that the operator's own button or SEND started came out, once it
// is known (the decoded status, else the reply as RXD shows it, else that none came), and a
// change of view. One sentence an exchange; a hold, a command from outside and the monitor
// clearing itself say nothing.
class OperatorNotices
{
public:
    using Say = std::function<void(const std::string &sentence)>;

    static constexpr const char *kNoReply = "No reply";
    static constexpr const char *kMonitorShown = "Monitor shown";
    static constexpr const char *kFullPanelShown = "Full panel shown";

    OperatorNotices(const PanelState &state, Say say);

    void exchangeStarted(); // the operator's command has gone out: lastCommand
    void received();        // the receive buffer has grown
    void exchangeClosed(const std::string &received); // the reply wait is over
    void forget();                            // the exchange is no longer the operator's to hear
    void heightChanged(float from, float to); // the window's height in twips

private:
    void tell(const std::string &reply);

    const PanelState &m_state;
    Say m_say;
    std::optional<std::string> m_sent; // the operator's command whose outcome is untold
};
