#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The figures of a poll of many projectors in Prometheus's text exposition format, for
// node_exporter's textfile collector or any scraper: every series labelled projector="NAME",
// each family with its HELP and TYPE, base units in the names, a state as one series per state.
namespace MetricsExposition
{

// What the poll of one projector found; a figure it did not get is missing.
struct Poll {
    QString name;
    bool answered = false;
    std::optional<std::string> power; // the word of the power state
    std::optional<double> lampHours;
    std::vector<std::pair<std::string, double>> temperatures; // sensor, °C
    std::optional<int> lampsLit;
    std::optional<std::string> mute; // the word of the mute state
    double seconds = 0;              // how long the poll took
    double startedAt = 0;            // when it started, in seconds since the Unix epoch
};

// `powerStates`: every word the power state can be, so that each has its series.
QByteArray text(std::span<const Poll> polls, std::span<const std::string_view> powerStates);

} // namespace MetricsExposition
