#pragma once

#include "statusreading.h"

#include <optional>
#include <string>
#include <string_view>

struct PanelState;

// How one command asked for from outside the window (the command line) came out: what went
// on the line, what came back, and what the panel made of it.
struct ExchangeOutcome {
    enum class Result {
        Reply,      // an answer came; for a status query, one the decoder knows
        Undecoded,  // a status query answered with a reply that matches none of its texts
        Refused,    // the reply begins with NAK
        NoReply,    // nothing came within the reply wait
        PortFailed, // the port could not be opened or failed during the exchange
    };

    std::string command;  // as asked for: a command name, or the text sent as it stands
    std::string sent;     // the framed bytes that went on the line
    std::string reply;    // the bytes that came back
    std::string rendered; // the reply as RXD shows it
    std::optional<std::string> status; // the decoded status text, as STATUS shows it
    StatusReading reading;             // a status query's figures
    Result result = Result::NoReply;
    std::string error; // PortFailed: the warning the panel would show
};

// The outcome of sending `sent` (framed) and receiving `reply` (empty: nothing came).
ExchangeOutcome judgeExchange(const PanelState &state, std::string command, std::string sent,
                              std::string reply);

// The outcome of a command whose port could not be opened or failed; `error` is the warning.
ExchangeOutcome portFailure(std::string command, std::string sent, std::string error);

// Whether `reply` is a whole answer to `sent`: a status query's ends with CR, an ordinary
// command's with CR or ACK; a refusal is the NAK. Lets a caller stop waiting before the
// reply wait ends.
bool replyComplete(const PanelState &state, std::string_view sent, std::string_view reply);

// The exit status of the command line for each result.
int exitStatus(ExchangeOutcome::Result result);
