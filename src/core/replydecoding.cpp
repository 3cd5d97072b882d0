#include "replydecoding.h"

#include "panelstate.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

constexpr std::array kPowerRows = std::to_array<StatusRow>({
    {" 0 0", " Power ON", "on"},
    {" 8 0", " Stand by", "standby"},
    {" 4 0", " Count down", "count-down"},
    {" 2 0", " Cooling down", "cooling-down"},
    {" 1 0", " Power Fail", "power-fail"},
    {" 0 8", " Temperature Warning", "temperature-warning"},
    {" 0 2", " NO Key input ", "no-key-input"},
    {" 0 4", " Lamp OFF by PWR Management", "lamp-off-power-management"},
    {" 2 8", " Temperature Warning & cooling down", "temperature-warning-cooling-down"},
    {" 2 4", "Cooling down  PWR Management", "cooling-down-power-management"},
    {" 8 8", " Temperature Warning and recoverd", "temperature-warning-recovered"},
    {" 2 1", " Cooling down (All Lamp FAIL)", "cooling-down-all-lamps-failed"},
    {" 8 1", " Cooling down & sutandby (All Lamp FAIL)", "cooling-down-standby-all-lamps-failed"},
});

constexpr std::array kInputModeRows = std::to_array<StatusRow>({
    {" 1", " Computer 1", "computer-1"},
    {" 2", " Computer 2", "computer-2"},
    {" 3", " Video", "video"},
    {" 4", " Input mode 4", "input-mode-4"},
});

constexpr std::array kSettingRows = std::to_array<StatusRow>({
    {" 1 1", " Normally", "normal"},
    {" 1 0", " Top/Bottom reversal", "top-bottom-reversed"},
    {" 0 1", " Left/Right reversal", "left-right-reversed"},
    {" 0 0", " Top/Bottom , Left/Right reversal", "top-bottom-left-right-reversed"},
});

constexpr std::array kMuteRows = std::to_array<StatusRow>({
    {" 0 0", " Video & Audio mute OFF", "off"},
    {" 0 1", " Video mute ON", "video"},
    {" 0 2", " Audio mute ON", "audio"},
    {" 0 3", " Video & Audio mute ON", "video-audio"},
    {" 8 0", " No signal", "no-signal"},
    {" F F", " Stand by", "standby"},
});

constexpr std::array kLampRows = std::to_array<StatusRow>({
    {" 0 0", " All OFF : 2 Lamp mode", "all-off-2-lamp-mode"},
    {" 0 1", " No1 ON  : 2 Lamp mode", "no1-on-2-lamp-mode"},
    {" 0 2", " No2 ON  : 2 Lamp mode", "no2-on-2-lamp-mode"},
    {" 0 3", " No1,2 ON  : 2 Lamp mode", "no1-2-on-2-lamp-mode"},
    {" 1 0", " All OFF : 1 Lamp mode(No1 USE)", "all-off-1-lamp-mode-no1"},
    {" 1 1", " No1 ON  : 1 Lamp mode(No1 USE)", "no1-on-1-lamp-mode-no1"},
    {" 2 0", " All OFF : 1 Lamp mode(No2 USE)", "all-off-1-lamp-mode-no2"},
    {" 2 2", " No2 ON  : 1 Lamp mode(No2 USE)", "no2-on-1-lamp-mode-no2"},
});

constexpr std::array kQueries = std::to_array<StatusQuery>({
    {"CR0", ReplyKind::Table, 4, kPowerRows, "power"},
    {"CR1", ReplyKind::Table, 2, kInputModeRows, "input"},
    {"CR4", ReplyKind::Table, 4, kSettingRows, "picture"},
    {"CR3", ReplyKind::LampHours, 0, {}, {}},
    {"CR6", ReplyKind::Temperatures, 0, {}, {}},
    {"CRA", ReplyKind::Table, 4, kMuteRows, "mute"},
    {"CR9", ReplyKind::Verbatim, 0, {}, {}},
    {"CR PRESSURE", ReplyKind::Pressure, 0, {}, {}},
    {"CR7", ReplyKind::Table, 4, kLampRows, "lamps"},
});

constexpr std::array<TextCut, 3> kTemperatureCuts{{{1, 10}, {15, 8}, {25, 10}}};

std::optional<std::string> lookUp(const StatusQuery &query, std::string_view rendered)
{
    const StatusRow *row = findStatusRow(query, rendered);
    return row ? std::optional<std::string>(row->text) : std::nullopt;
}

std::string lampHours(std::string_view rendered)
{
    return std::string(rendered.substr(0, 38)) + " Hour Use";
}

std::string temperatures(std::string_view rendered)
{
    std::string text = "  S1=";
    text += cut(rendered, kTemperatureCuts[0]);
    text += " C  ,   S2= ";
    text += cut(rendered, kTemperatureCuts[1]);
    text += " C , S3=";
    text += cut(rendered, kTemperatureCuts[2]);
    text += " C";
    return text;
}

bool isSkippedBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Cursor over a text whose blanks do not count.
class NumberScanner
{
public:
    explicit NumberScanner(std::string_view text) : m_text(text) { skipBlanks(); }

    char peek() const { return m_pos < m_text.size() ? m_text[m_pos] : '\0'; }
    char take()
    {
        const char c = m_text[m_pos++];
        skipBlanks();
        return c;
    }

private:
    void skipBlanks()
    {
        while (m_pos < m_text.size() && isSkippedBlank(m_text[m_pos]))
            ++m_pos;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

bool isSign(char c) { return c == '+' || c == '-'; }

bool isExponentMarker(char c) { return c == 'E' || c == 'e' || c == 'D' || c == 'd'; }

} // namespace

std::span<const StatusQuery> statusQueries() { return kQueries; }

const StatusQuery *findStatusQuery(const PanelState &state, std::string_view framed)
{
    const auto query = std::ranges::find_if(kQueries, [&](const StatusQuery &each) {
        return framed == frameCommand(state, each.code);
    });
    return query == kQueries.end() ? nullptr : &*query;
}

const StatusRow *findStatusRow(const StatusQuery &query, std::string_view rendered)
{
    const std::string_view key = rendered.substr(0, query.keyLength);
    const auto row = std::ranges::find(query.rows, key, &StatusRow::key);
    return row == query.rows.end() ? nullptr : &*row;
}

std::span<const TextCut, 3> temperatureCuts() { return kTemperatureCuts; }

// The characters of `text` from where.position (counted from 1), at most where.count of them.
std::string_view cut(std::string_view text, TextCut where)
{
    if (where.position > text.size())
        return {};
    return text.substr(where.position - 1, where.count);
}

std::optional<double> readNumber(std::string_view text)
{
    NumberScanner scanner(text);
    std::string number; // sign, digits and point, ready for from_chars
    if (isSign(scanner.peek()))
        number += scanner.take();

    bool seenPoint = false;
    bool seenDigit = false;
    bool significant = false;      // a digit other than a leading zero has been read
    long integerDigits = 0;        // significant digits before the point
    long leadingFractionZeros = 0; // zeros after the point before the first significant digit
    for (char c = scanner.peek(); isDigit(c) || (c == '.' && !seenPoint); c = scanner.peek()) {
        number += scanner.take();
        if (c == '.') {
            seenPoint = true;
            continue;
        }
        seenDigit = true;
        if (c != '0' || significant) {
            significant = true;
            integerDigits += seenPoint ? 0 : 1;
        } else if (seenPoint) {
            ++leadingFractionZeros;
        }
    }
    if (!seenDigit)
        return std::nullopt;

    long exponent = 0;
    if (isExponentMarker(scanner.peek())) {
        scanner.take();
        const bool negativeExponent = scanner.peek() == '-';
        if (isSign(scanner.peek()))
            scanner.take();
        while (isDigit(scanner.peek())) {
            const int digit = scanner.take() - '0';
            if (exponent < 1'000'000) // far beyond any double; keeps the sum from overflowing
                exponent = exponent * 10 + digit;
        }
        exponent = negativeExponent ? -exponent : exponent;
        number += 'e' + std::to_string(exponent);
    }

    const bool negative = number.front() == '-';
    const char *first = number.data() + (number.front() == '+' ? 1 : 0);
    double value = 0.0;
    const auto result = std::from_chars(first, number.data() + number.size(), value);
    if (result.ec != std::errc::result_out_of_range)
        return value;
    // Beyond the largest double or below the smallest: the decimal magnitude tells which.
    const long magnitude = (integerDigits > 0 ? integerDigits : -leadingFractionZeros) + exponent;
    if (significant && magnitude > 0)
        return negative ? -std::numeric_limits<double>::infinity()
                        : std::numeric_limits<double>::infinity();
    return 0.0;
}

std::optional<std::int16_t> pressureFromReading(double reading)
{
    constexpr double kLimit = 6553.0; // 5 times the reading must still fit in 16 bits
    if (!std::isfinite(reading))
        return std::nullopt;
    const double rounded = std::nearbyint(reading);
    if (rounded < -kLimit || rounded > kLimit)
        return std::nullopt;
    const auto x = static_cast<std::int16_t>(5 * static_cast<int>(rounded));
    const double hectopascal = ((x / 1024.0) - 0.204) / 0.00459 + 150;
    return static_cast<std::int16_t>(std::nearbyint(hectopascal));
}

DecodedReply decodeReply(const PanelState &state, std::string_view rendered)
{
    const StatusQuery *query = findStatusQuery(state, state.lastCommand);
    if (!query)
        return {};
    switch (query->kind) {
    case ReplyKind::Table:
        return {lookUp(*query, rendered), std::nullopt};
    case ReplyKind::LampHours:
        return {lampHours(rendered), std::nullopt};
    case ReplyKind::Temperatures:
        return {temperatures(rendered), std::nullopt};
    case ReplyKind::Verbatim:
        return {std::string(rendered), std::nullopt};
    case ReplyKind::Pressure: {
        // A reply that holds no number (NAK, ACK) is a failure, not a reading of 0.
        const std::optional<double> reading = readNumber(rendered);
        const auto pressure = reading ? pressureFromReading(*reading) : std::nullopt;
        if (!pressure)
            return {};
        return {std::to_string(*pressure) + " hPa", pressure};
    }
    }
    return {};
}
