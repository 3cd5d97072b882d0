#include "statusreading.h"

#include "monitorrendering.h"
#include "panelstate.h"
#include "replydecoding.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <utility>

namespace
{

constexpr std::string_view kTemperatureNames[] = {"s1_celsius", "s2_celsius", "s3_celsius"};

// Whole lamp hours: digits and nothing else, so that a half-received or garbled reply is no
// figure at all rather than a wrong one.
std::optional<double> wholeNumber(std::string_view text)
{
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return double(value);
}

} // namespace

StatusReading StatusReading::read(const PanelState &state, std::string_view sent,
                                  std::string_view reply)
{
    StatusReading reading;
    const StatusQuery *query = findStatusQuery(state, sent);
    if (!query)
        return reading;
    const std::string rendered = renderForMonitor(reply);
    const bool whole = reply.ends_with(kCarriageReturn);
    const std::string_view answer = whole ? reply.substr(0, reply.size() - 1) : reply;
    switch (query->kind) {
    case ReplyKind::Table:
        if (const StatusRow *row = findStatusRow(*query, rendered)) {
            reading.add(std::string(query->figure), std::string(row->word));
            reading.add("code", std::string(answer));
        }
        break;
    case ReplyKind::LampHours:
        if (const auto hours = whole ? wholeNumber(answer) : std::nullopt)
            reading.add("lamp_hours", *hours);
        break;
    case ReplyKind::Temperatures:
        for (std::size_t i = 0; whole && i < temperatureCuts().size(); ++i) {
            const auto celsius = readNumber(cut(rendered, temperatureCuts()[i]));
            if (celsius && std::isfinite(*celsius))
                reading.add(std::string(kTemperatureNames[i]), *celsius);
        }
        break;
    case ReplyKind::Verbatim:
        if (whole && !answer.empty())
            reading.add("model", std::string(answer));
        break;
    case ReplyKind::Pressure: {
        PanelState asSent = state;
        asSent.lastCommand = sent;
        if (const auto hectopascal = whole ? decodeReply(asSent, rendered).pressure : std::nullopt)
            reading.add("pressure_hpa", double(*hectopascal));
        break;
    }
    }
    return reading;
}

void StatusReading::add(std::string name, Value value)
{
    m_figures.push_back({std::move(name), std::move(value)});
}

const StatusReading::Value *StatusReading::find(std::string_view name) const
{
    const auto figure = std::ranges::find(m_figures, name, &Figure::name);
    return figure == m_figures.end() ? nullptr : &figure->value;
}
