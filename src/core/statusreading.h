#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct PanelState;

// The figures a status query's reply carries, for scripts and monitors: read from the same
// tables and positions the status line is decoded with, but as values instead of text.
//
//   CR0 "power", CR1 "input", CR4 "picture", CRA "mute", CR7 "lamps": the table row's word,
//       and "code", the reply before its carriage return;
//   CR3 "lamp_hours"; CR6 "s1_celsius", "s2_celsius", "s3_celsius";
//   CR9 "model", the reply before its carriage return; CR PRESSURE "pressure_hpa".
class StatusReading
{
public:
    using Value = std::variant<double, std::string>; // a number or a word (bytes as sent)
    struct Figure {
        std::string name;
        Value value;
        friend bool operator==(const Figure &, const Figure &) = default;
    };

    // The figures in `reply` (the bytes that came back) to `sent` (the framed command). None
    // when `sent` is no status query, when a table has no row for the reply, or when a reply
    // of the other kinds is not whole (its carriage return missing) or holds no such figure.
    static StatusReading read(const PanelState &state, std::string_view sent,
                              std::string_view reply);

    void add(std::string name, Value value);
    const std::vector<Figure> &figures() const { return m_figures; }
    const Value *find(std::string_view name) const; // nothing when there is no such figure
    bool empty() const { return m_figures.empty(); }

    friend bool operator==(const StatusReading &, const StatusReading &) = default;

private:
    std::vector<Figure> m_figures;
};
