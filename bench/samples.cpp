#include "samples.h"

#include <algorithm>
#include <cmath>
#include <limits>

void Samples::append(const Samples &other)
{
    m_values.insert(m_values.end(), other.m_values.begin(), other.m_values.end());
}

double Samples::median() const
{
    return rank(0.5);
}

double Samples::p99() const
{
    return rank(0.99);
}

double Samples::max() const
{
    return rank(1.0);
}

double Samples::rank(double fraction) const
{
    if (m_values.empty())
        return std::numeric_limits<double>::quiet_NaN();
    std::vector<double> sorted = m_values;
    std::ranges::sort(sorted);
    const auto index = std::size_t(std::ceil(fraction * double(sorted.size())));
    return sorted[std::clamp<std::size_t>(index, 1, sorted.size()) - 1];
}
