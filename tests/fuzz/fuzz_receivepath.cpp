// Fuzz target for the receive path: arbitrary bytes, in arbitrary pieces, go through the receive
// handler, the monitor rendering and the reply decoding, between transmissions of one command and
// the events of the reply wait (Timer2) and display clear (Timer4) timers. After every step it
// checks what the panel shows.
//
// Input: byte 0 picks the command that was sent, modulo 10: 0-8 are the status queries in the
// order statusQueries() lists them, 9 is an ordinary command. Then come steps, each led by one
// byte c:
//   0x00-0x7F  the next c + 1 bytes arrive as one piece (fewer when the input ends)
//   0x80-0xBF  the clock moves on by v * v milliseconds, v = c & 0x3F
//   0xC0-0xCF  the command is sent again with the intervals kIntervals[(c & 0x07) % 7];
//              with bit 0x08 set the port refuses the write
//   0xD0-0xDF  the port raises event c & 0x0F with nothing pending (2: a receive of nothing)
//   0xE0-0xFF  a flood: the next byte arrives ((c & 0x1F) + 1) * 2048 times in one piece

#include "fakeserialport.h"
#include "linkcore.h"
#include "paneldisplay.h"
#include "panelstate.h"
#include "porterror.h"
#include "replydecoding.h"
#include "virtualclock.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// The checks below are the harness's own work: their branches would only steer the fuzzer away
// from the code under test, and instrumenting them makes every run several times slower.
#define NO_COVERAGE [[clang::no_sanitize("coverage")]]

namespace {

constexpr std::string_view kOrdinaryCommand = "C00";

// Reply wait and display clear intervals that the panel's handlers set.
constexpr std::array<std::pair<int, int>, 7> kIntervals{{
    {500, 1000}, {2000, 2500}, {5000, 5500}, {200, 245}, {25, 25}, {150, 190}, {5, 5},
}};

// Above this a reading no longer fits 16 bits once multiplied by 5.
constexpr double kPressureReadingLimit = 6553;

void require(bool holds, const char *what)
{
    if (holds)
        return;
    std::fprintf(stderr, "Broken: %s\n", what);
    std::abort();
}

// The piece the monitor shows for a byte that has a piece of its own; none for a byte from ' ' to
// 'z', which is shown as itself followed by a space.
NO_COVERAGE std::string_view namedPiece(unsigned char code)
{
    switch (code) {
    case 6:
        return "ACK ";
    case 20:
        return "&";
    case 13:
        return "CR ";
    case 10:
        return "LF ";
    default:
        return code >= ' ' && code <= 'z' ? std::string_view() : "? ";
    }
}

// Whether `rendered` is a leading space and then, byte by byte, the monitor's piece for each
// byte of `text` and nothing else.
NO_COVERAGE bool isRenderingOf(std::string_view rendered, std::string_view text)
{
    if (!rendered.starts_with(' '))
        return false;
    std::size_t at = 1;
    for (const char c : text) {
        const std::string_view rest = rendered.substr(at); // `at` never passes the end
        const std::string_view piece = namedPiece(static_cast<unsigned char>(c));
        if (piece.empty()) {
            if (rest.size() < 2 || rest[0] != c || rest[1] != ' ')
                return false;
            at += 2;
        } else {
            if (!rest.starts_with(piece))
                return false;
            at += piece.size();
        }
    }
    return at == rendered.size();
}

// The pressure reading worked out by the C library rather than by the decoder's own reader:
// blanks dropped, the characters a number may have kept up to the first other one, D exponents
// spelt E. Cutting there keeps strtod from reading hexadecimal, "inf" and "nan".
NO_COVERAGE double readWithStrtod(std::string_view text)
{
    constexpr std::string_view kNumberCharacters = "0123456789+-.eEdD";
    std::string number;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\n')
            continue;
        if (kNumberCharacters.find(c) == std::string_view::npos)
            break;
        number += (c == 'd' || c == 'D') ? 'e' : c;
    }
    return std::strtod(number.c_str(), nullptr);
}

NO_COVERAGE std::optional<std::int16_t> expectedPressure(double reading)
{
    const double rounded = std::nearbyint(reading); // half to even, the default rounding mode
    if (!(std::fabs(rounded) <= kPressureReadingLimit)) // NaN and infinity fail this too
        return std::nullopt;
    const int x = 5 * static_cast<int>(rounded);
    return static_cast<std::int16_t>(std::nearbyint(((x / 1024.0) - 0.204) / 0.00459 + 150));
}

// The characters of `text` from `position` (counted from 1), at most `count`; none past its end.
NO_COVERAGE std::string field(std::string_view text, std::size_t position, std::size_t count)
{
    return position > text.size() ? std::string() : std::string(text.substr(position - 1, count));
}

// What decoding `rendered` as the reply to `query` must give: a row of its table, one of the
// composed forms, or nothing. No query stands for an ordinary command.
NO_COVERAGE DecodedReply expectedDecode(const StatusQuery *query, std::string_view rendered)
{
    if (!query)
        return {};
    switch (query->kind) {
    case ReplyKind::Table: {
        const std::string_view key = rendered.substr(0, query->keyLength);
        for (const StatusRow &row : query->rows) {
            if (row.key == key)
                return {std::string(row.text), std::nullopt};
        }
        return {};
    }
    case ReplyKind::LampHours:
        return {std::string(rendered.substr(0, 38)) + " Hour Use", std::nullopt};
    case ReplyKind::Temperatures:
        return {"  S1=" + field(rendered, 1, 10) + " C  ,   S2= " + field(rendered, 15, 8)
                    + " C , S3=" + field(rendered, 25, 10) + " C",
                std::nullopt};
    case ReplyKind::Verbatim:
        return {std::string(rendered), std::nullopt};
    case ReplyKind::Pressure: {
        const auto hectopascal = expectedPressure(readWithStrtod(rendered));
        if (!hectopascal)
            return {};
        return {std::to_string(*hectopascal) + " hPa", hectopascal};
    }
    }
    return {};
}

// What the panel shows and holds, compared before and after a step.
struct Shown {
    std::string label11;
    std::string label12;
    std::string label22;
    std::string receiveBuffer;
    std::int16_t pressureValue = 0;
    std::uint8_t awaitingReply = 0;
    bool timer2Enabled = false;
    bool timer4Enabled = false;

    bool operator==(const Shown &) const = default;
};

// One link core on a fake port and a virtual clock, which sends one command and then takes
// whatever the steps bring.
class ReceivePathRun
{
public:
    explicit ReceivePathRun(const StatusQuery *query)
        : m_query(query), m_code(query ? query->code : kOrdinaryCommand)
    {
        m_port.setOnComm([this] { m_core.onComm(); });
        m_port.open();
        send(0, false);
    }

    void receive(std::string_view piece)
    {
        const Shown before = shown();
        m_port.receive(std::string(piece));
        checkReceived(before, piece);
        // The decoder takes any text, not only renderings: raw bytes bring it the tabs and line
        // feeds that the number reader skips and that a rendering never holds.
        const DecodedReply raw = decodeReply(m_state, piece);
        const DecodedReply expected = expectedDecode(m_query, piece);
        require(raw.status == expected.status && raw.pressure == expected.pressure,
                "decoding of raw bytes");
    }

    void raiseEvent(int code)
    {
        const Shown before = shown();
        m_port.raiseEvent(code);
        if (code == SerialPort::kReceiveEvent)
            checkReceived(before, {});
        else
            require(shown() == before, "an event other than a receive changes nothing");
    }

    void advance(int milliseconds)
    {
        const Shown before = shown();
        m_clock.advance(milliseconds);
        const Shown after = shown();
        require(after.label11 == before.label11 || after.label11.empty(), "TXD is only cleared");
        require(after.label12 == before.label12 || after.label12.empty()
                    || (after.label12 == LinkCore::kNoReplyMark && before.awaitingReply == 1),
                "RXD is only cleared or marked when no reply came");
        require(after.label22 == before.label22 || after.label22.empty(),
                "the status line is only cleared");
        require(after.receiveBuffer == before.receiveBuffer || after.receiveBuffer.empty(),
                "the receive buffer is only emptied");
        require(after.pressureValue == before.pressureValue, "pressureValue stays");
        checkAlways();
    }

    void send(std::size_t intervals, bool refused)
    {
        const auto [replyWait, displayClear] = kIntervals[intervals % kIntervals.size()];
        m_timer2->setInterval(replyWait);
        m_timer4->setInterval(displayClear);
        m_port.failWrites = refused;
        const Shown before = shown();
        bool failed = false;
        try {
            m_core.transmit(m_code);
        } catch (const PortError &) {
            failed = true;
        }
        m_port.failWrites = false;
        const std::string written = m_port.takeWritten();
        require(failed == refused, "a transmit fails exactly when the port refuses");
        if (refused) {
            require(written.empty() && shown() == before, "a refused write changes nothing");
            return;
        }
        const Shown after = shown();
        require(written == frameCommand(m_state, m_code) && written == m_state.lastCommand,
                "the framed command goes out");
        require(isRenderingOf(after.label11, written), "TXD shows the command's rendering");
        require(after.label12 == before.label12 && after.label22 == before.label22
                    && after.receiveBuffer == before.receiveBuffer,
                "a transmit changes only TXD");
        require(after.awaitingReply == 1 && after.timer2Enabled && after.timer4Enabled,
                "a transmit arms the reply wait and the display clear");
        checkAlways();
    }

private:
    NO_COVERAGE Shown shown() const
    {
        return {m_display.label11.get(), m_display.label12.get(), m_display.label22.get(),
                m_state.receiveBuffer,   m_state.pressureValue,   m_state.awaitingReply,
                m_timer2->isEnabled(),   m_timer4->isEnabled()};
    }

    NO_COVERAGE void checkReceived(const Shown &before, std::string_view piece) const
    {
        const Shown after = shown();
        const std::size_t kept =
            std::min(piece.size(), LinkCore::kReceiveBufferLimit - before.receiveBuffer.size());
        require(after.receiveBuffer == before.receiveBuffer + std::string(piece.substr(0, kept)),
                "the buffer appends what arrives, up to its limit");
        require(after.awaitingReply == 0, "a receive ends the wait for a reply");
        require(isRenderingOf(after.label12, after.receiveBuffer),
                "RXD shows the whole buffer, made of the monitor's pieces");
        require(after.label11 == before.label11 && after.timer2Enabled == before.timer2Enabled
                    && after.timer4Enabled == before.timer4Enabled,
                "a receive leaves TXD and the timers alone");
        const DecodedReply expected = expectedDecode(m_query, after.label12);
        require(after.label22 == expected.status.value_or(before.label22),
                "the status line comes from the tables or the composed forms");
        require(after.pressureValue == expected.pressure.value_or(before.pressureValue),
                "pressureValue changes only with a reading in range");
        checkAlways();
    }

    NO_COVERAGE void checkAlways() const
    {
        require(m_state.receiveBuffer.size() <= LinkCore::kReceiveBufferLimit,
                "the receive buffer stays within its limit");
        if (!m_query)
            require(m_display.label22.get().empty() && m_state.pressureValue == 0,
                    "an ordinary command's reply decodes to nothing");
    }

    const StatusQuery *m_query;
    std::string_view m_code;
    VirtualClock m_clock;
    std::unique_ptr<Timer> m_timer2 = m_clock.createTimer();
    std::unique_ptr<Timer> m_timer3 = m_clock.createTimer();
    std::unique_ptr<Timer> m_timer4 = m_clock.createTimer();
    PanelState m_state;
    PanelDisplay m_display;
    FakeSerialPort m_port;
    LinkCore m_core{m_state, m_display, m_port, *m_timer2, *m_timer3, *m_timer4};
};

const StatusQuery *chosenQuery(unsigned char choice)
{
    const auto queries = statusQueries();
    const std::size_t index = choice % (queries.size() + 1);
    return index < queries.size() ? &queries[index] : nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    ReceivePathRun run(chosenQuery(data[0]));
    for (std::size_t at = 1; at < input.size();) {
        const unsigned char step = data[at++];
        if (step < 0x80) {
            const std::string_view piece = input.substr(at, step + 1u);
            at += piece.size();
            run.receive(piece);
        } else if (step < 0xC0) {
            const int v = step & 0x3F;
            run.advance(v * v);
        } else if (step < 0xD0) {
            run.send(step & 0x07, (step & 0x08) != 0);
        } else if (step < 0xE0) {
            run.raiseEvent(step & 0x0F);
        } else if (at < input.size()) {
            run.receive(std::string(((step & 0x1Fu) + 1) * 2048, input[at++]));
        }
    }
    return 0;
}
