#pragma once

#include <cstddef>
#include <vector>

// The measurements of one figure, summed up as the table shows them.
class Samples
{
public:
    void add(double value) { m_values.push_back(value); }
    void append(const Samples &other);

    std::size_t count() const { return m_values.size(); }
    bool empty() const { return m_values.empty(); }
    double median() const;
    double p99() const; // nearest rank
    double max() const;

private:
    double rank(double fraction) const;

    std::vector<double> m_values;
};
