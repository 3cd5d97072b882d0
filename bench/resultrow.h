#pragma once

#include "samples.h"

#include <optional>
#include <string>

// One line of the results table: a figure, the baseline measured beside it in the same run,
// the goal, and whether the goal is met. Written as one CSV line; run.sh names the columns
// and turns the lines into the table.
struct ResultRow {
    std::string figure;
    std::string platform = "-"; // xcb or offscreen; "-" where no window is involved
    std::string unit;
    Samples measured;
    std::string baseline = "-"; // what the baseline is; "-" when there is none
    Samples baselineSamples;
    std::optional<double> baselineValue; // a nominal or zero baseline instead of samples
    std::string goal = "-";              // "-" when the figure has none
    std::optional<bool> met;             // nothing when there is no goal

    double baselineMedian() const;
    std::string csv() const;
};
