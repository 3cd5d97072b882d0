#pragma once

#include "exchangeoutcome.h"
#include "launchoptions.h"
#include "powerswitch.h"

#include <QtGlobal>

#include <optional>
#include <vector>

// --send, --power and --metrics for the named projectors of --projector and --all (or, for --metrics
// alone, the device of --port): one process, one connection each, all at once on the event
// loop, so that a building takes about as long as its slowest projector.
//
// --send and --power print a line per projector, its name first, or with --json a JSON object per line
// with a "projector" field, and exits with the worst of the projectors' statuses. --metrics
// prints the figures in Prometheus's text format, or writes them to --metrics-file. Either
// ends with a count of the outcomes on standard error.
class FleetRun
{
public:
    explicit FleetRun(LaunchOptions options);

    int run(); // the exit status

private:
    struct Polled {
        std::vector<ExchangeOutcome> outcomes;
        qint64 elapsedMs = 0;
        std::optional<PowerSwitch::Step> switched; // --power: where it ended
    };

    static ExchangeOutcome::Result resultOf(const Polled &polled);

    std::vector<Polled> poll() const;
    int printSent(const std::vector<Polled> &polled) const;
    int printMetrics(const std::vector<Polled> &polled, qint64 startedAtMs) const;
    void printSummary(const std::vector<Polled> &polled) const;

    LaunchOptions m_options;
};
