#include "resultrow.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

std::string number(double value)
{
    if (std::isnan(value))
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

// A text field: its commas would start new columns.
std::string text(std::string field)
{
    std::ranges::replace(field, ',', ';');
    return field;
}

} // namespace

double ResultRow::baselineMedian() const
{
    if (baselineValue)
        return *baselineValue;
    return baselineSamples.median();
}

std::string ResultRow::csv() const
{
    const double base = baselineMedian();
    const double ratio = base > 0 ? measured.median() / base : std::nan("");
    const bool sampled = !baselineValue && !baselineSamples.empty();
    const std::string nothing = "-";
    return text(figure) + ',' + platform + ',' + unit + ',' + std::to_string(measured.count()) +
           ',' + number(measured.median()) + ',' + number(measured.p99()) + ',' +
           number(measured.max()) + ',' + text(baseline) + ',' +
           (sampled ? std::to_string(baselineSamples.count()) : nothing) + ',' + number(base) +
           ',' + (sampled ? number(baselineSamples.p99()) : nothing) + ',' +
           (sampled ? number(baselineSamples.max()) : nothing) + ',' + number(ratio) + ',' +
           text(goal) + ',' + (met ? (*met ? "yes" : "no") : nothing);
}
