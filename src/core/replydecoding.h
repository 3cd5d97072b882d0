#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

struct PanelState;

// One row of a status table: a key taken from the start of the rendered reply, the text the
// status line then shows, and the state as one lower-case word for scripts and monitors.
struct StatusRow {
    std::string_view key;
    std::string_view text;
    std::string_view word;
};

enum class ReplyKind {
    Table,        // the status line shows the row whose key starts the rendering
    LampHours,    // the first 38 rendered characters and " Hour Use"
    Temperatures, // three readings cut from fixed positions
    Verbatim,     // the whole rendering
    Pressure,     // a number read from the rendering, converted to hPa
};

// A query the projector answers and how its reply is decoded.
struct StatusQuery {
    std::string_view code;
    ReplyKind kind;
    std::size_t keyLength; // Table only
    std::span<const StatusRow> rows;
    std::string_view figure; // Table only: what the row's word tells ("power", "mute" ...)
};

// All queries the panel decodes, in the order they are tried.
std::span<const StatusQuery> statusQueries();

// The query `framed` (as it went on the line) asks, or nothing when it is none of them.
const StatusQuery *findStatusQuery(const PanelState &state, std::string_view framed);

// The row of a table query whose key starts `rendered`, or nothing.
const StatusRow *findStatusRow(const StatusQuery &query, std::string_view rendered);

// Where the temperature query's three readings stand in the rendering: the position of the
// first character (counted from 1) and the count.
struct TextCut {
    std::size_t position;
    std::size_t count;
};
std::span<const TextCut, 3> temperatureCuts();
std::string_view cut(std::string_view text, TextCut where);

// What a reply changes: the status line, and for the pressure query also pressureValue.
// An empty field leaves that value as it was.
struct DecodedReply {
    std::optional<std::string> status;
    std::optional<std::int16_t> pressure;
};

// Decodes `rendered` (the RXD line) as the reply to state.lastCommand. Never fails.
DecodedReply decodeReply(const PanelState &state, std::string_view rendered);

// Reads a number the way the pressure query does: blanks, tabs and line feeds are skipped
// wherever they stand; then a sign, digits with one optional '.', and an exponent introduced
// by E or D in either case. Reading stops at the first character that cannot continue the
// number; a text that starts with no number gives nothing. Very large magnitudes read as
// infinity.
std::optional<double> readNumber(std::string_view text);

// The pressure in hPa for a reading, or nothing when the reading is out of the range the
// conversion handles (-6553 to 6553 after rounding half to even, and finite).
std::optional<std::int16_t> pressureFromReading(double reading);
