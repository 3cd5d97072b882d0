#pragma once

#include "launchoptions.h"

#include <QtGlobal>

#include <optional>

class QString;
struct CommandRequest;
struct ExchangeOutcome;

// orva-control --send, --power and --list-commands: one command (or the few of --power, see
// PowerSwitch) and its outcome, with no window. Needs
// a QCoreApplication and nothing of the GUI.
//
// The command goes through a panel of this user that holds the device, when there is one;
// otherwise the command line opens the port itself and runs the exchange on a panel without a
// window, so the framing, the wait and the decoding are the panel's.
class CommandLineSend
{
public:
    // Bounds the whole wait for a panel's answer: its queue, then one exchange.
    static constexpr int kPanelAnswerMs = 30000;

    explicit CommandLineSend(LaunchOptions options);

    int run(); // the exit status

private:
    CommandRequest request() const;
    int switchPower(const DeviceMap &devices) const;
    ExchangeOutcome exchange(const CommandRequest &request, const DeviceMap &devices) const;
    std::optional<ExchangeOutcome> throughPanel(const CommandRequest &request) const;
    ExchangeOutcome direct(const CommandRequest &request, const DeviceMap &devices) const;
    int print(const ExchangeOutcome &outcome, qint64 elapsedMs) const;
    static int listCommands();

    LaunchOptions m_options;
};
