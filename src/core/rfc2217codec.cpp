#include "rfc2217codec.h"

#include <algorithm>

namespace {

using Byte = std::uint8_t;

// clang-format off
constexpr Byte kIac = 255, kDont = 254, kDo = 253, kWont = 252, kWill = 251, kSb = 250, kSe = 240;
constexpr Byte kBinary = 0, kSuppressGoAhead = 3, kComPortOption = 44;
constexpr char kCr = '\r', kNul = '\0';
// COM-PORT-OPTION commands, client to server, and their values for 8N1 without flow control.
constexpr Byte kSetBaudRate = 1, kSetDataSize = 2, kSetParity = 3, kSetStopSize = 4;
constexpr Byte kSetControl = 5;
constexpr Byte kEightBits = 8, kNoParity = 1, kOneStopBit = 1, kNoFlowControl = 1;
// The server answers a command with its number + 100, and says these of its own.
constexpr Byte kServerAnswer = 100, kFlowSuspend = 108, kFlowResume = 109;
// clang-format on

constexpr std::array kOursAccepted{kBinary, kSuppressGoAhead, kComPortOption};
constexpr std::array kTheirsAccepted{kBinary, kSuppressGoAhead};
constexpr std::size_t kSubnegotiationKept = 2; // the option and its command

std::string command(Byte verb, Byte option) { return {char(kIac), char(verb), char(option)}; }

std::string doubledIac(std::string_view bytes)
{
    std::string doubled;
    for (const char byte : bytes)
        doubled.append(Byte(byte) == kIac ? 2 : 1, byte);
    return doubled;
}

// IAC SB COM-PORT-OPTION <what> <value> IAC SE.
std::string comPortCommand(Byte what, std::string_view value)
{
    return command(kSb, kComPortOption) + char(what) + doubledIac(value) + char(kIac) +
           char(kSe);
}

} // namespace

std::string Rfc2217Codec::start(int baudRate)
{
    *this = Rfc2217Codec();
    m_baudRate = baudRate;
    m_ours[kBinary] = m_theirs[kBinary] = m_ours[kComPortOption] = Agreement::Asked;
    return command(kWill, kBinary) + command(kDo, kBinary) + command(kWill, kComPortOption);
}

std::string Rfc2217Codec::encode(std::string_view data) const
{
    std::string wire = doubledIac(data);
    if (m_ours[kBinary] == Agreement::Yes)
        return wire;
    std::string nvt;
    for (const char byte : wire) {
        nvt += byte;
        if (byte == kCr)
            nvt += kNul;
    }
    return nvt;
}

Rfc2217Codec::Decoded Rfc2217Codec::decode(std::string_view wire)
{
    Decoded decoded;
    for (const char character : wire) {
        const Byte byte = Byte(character);
        switch (m_stage) {
        case Stage::Data:
            if (byte == kIac)
                m_stage = Stage::Command;
            else
                takeData(character, decoded.data);
            break;
        case Stage::Command:
            m_command = byte;
            m_stage = byte == kSb                    ? Stage::Subnegotiation
                      : byte >= kWill && byte < kIac ? Stage::Option
                                                     : Stage::Data;
            m_subnegotiation.clear();
            if (byte == kIac)
                takeData(character, decoded.data);
            break;
        case Stage::Option:
            negotiate(byte, decoded.replies);
            m_stage = Stage::Data;
            break;
        case Stage::Subnegotiation:
            if (byte == kIac)
                m_stage = Stage::SubnegotiationEnd;
            else if (m_subnegotiation.size() < kSubnegotiationKept)
                m_subnegotiation += character;
            break;
        case Stage::SubnegotiationEnd: // IAC SE ends it; IAC IAC is a 0xFF within
            m_stage = byte == kSe ? Stage::Data : Stage::Subnegotiation;
            if (byte == kSe)
                subnegotiated();
            else if (m_subnegotiation.size() < kSubnegotiationKept)
                m_subnegotiation += character;
            break;
        }
    }
    return decoded;
}

// Without BINARY from the server, a CR NUL is its way of sending a CR alone.
void Rfc2217Codec::takeData(char byte, std::string &data)
{
    const bool nvt = m_theirs[kBinary] != Agreement::Yes;
    if (!(nvt && m_afterCr && byte == kNul))
        data += byte;
    m_afterCr = nvt && byte == kCr;
}

std::string Rfc2217Codec::setBaudRate(int baudRate)
{
    m_baudRate = baudRate;
    return m_ours[kComPortOption] == Agreement::Yes ? lineSettings() : std::string();
}

bool Rfc2217Codec::settled() const
{
    const bool answered = m_ours[kBinary] != Agreement::Asked &&
                          m_theirs[kBinary] != Agreement::Asked &&
                          m_ours[kComPortOption] != Agreement::Asked;
    return answered && m_unconfirmed == 0;
}

void Rfc2217Codec::giveUp()
{
    for (Agreements *agreements : {&m_ours, &m_theirs})
        std::ranges::replace(*agreements, Agreement::Asked, Agreement::No);
    if (m_unconfirmed != 0)
        m_ours[kComPortOption] = Agreement::No;
    m_unconfirmed = 0;
}

bool Rfc2217Codec::lineRefused() const { return m_ours[kComPortOption] == Agreement::No; }

// The server asks for an option or agrees to one asked for (WILL, DO), or turns one off or
// refuses it (WONT, DONT). Only a change of state is answered, as RFC 1143 has it.
void Rfc2217Codec::negotiate(Byte option, std::string &replies)
{
    const bool ours = m_command == kDo || m_command == kDont;
    const bool on = m_command == kWill || m_command == kDo;
    Agreement &state = ours ? m_ours[option] : m_theirs[option];
    const Byte yes = ours ? kWill : kDo, no = ours ? kWont : kDont;
    const bool wasAgreed = m_ours[kComPortOption] == Agreement::Yes;
    if (on && state == Agreement::No) {
        const bool accepted = ours ? std::ranges::count(kOursAccepted, option) > 0
                                   : std::ranges::count(kTheirsAccepted, option) > 0;
        replies += command(accepted ? yes : no, option);
        if (!accepted)
            return;
    }
    if (!on && state == Agreement::Yes)
        replies += command(no, option);
    state = on ? Agreement::Yes : Agreement::No;
    if (!wasAgreed && m_ours[kComPortOption] == Agreement::Yes)
        replies += lineSettings();
}

// A confirmation of a line setting, or the server's flow control; the rest is of no use here.
void Rfc2217Codec::subnegotiated()
{
    if (m_subnegotiation.size() < 2 || Byte(m_subnegotiation[0]) != kComPortOption)
        return;
    const Byte what = Byte(m_subnegotiation[1]);
    if (what == kFlowSuspend || what == kFlowResume)
        m_suspended = what == kFlowSuspend;
    else if (what > kServerAnswer && what <= kServerAnswer + kSetControl)
        m_unconfirmed &= Byte(~(1U << (what - kServerAnswer)));
}

std::string Rfc2217Codec::lineSettings()
{
    for (Byte what = kSetBaudRate; what <= kSetControl; ++what)
        m_unconfirmed |= Byte(1U << what);
    const auto baud = static_cast<std::uint32_t>(m_baudRate);
    const std::string baudBytes{char(baud >> 24), char(baud >> 16), char(baud >> 8), char(baud)};
    return comPortCommand(kSetBaudRate, baudBytes) +
           comPortCommand(kSetDataSize, std::string(1, char(kEightBits))) +
           comPortCommand(kSetParity, std::string(1, char(kNoParity))) +
           comPortCommand(kSetStopSize, std::string(1, char(kOneStopBit))) +
           comPortCommand(kSetControl, std::string(1, char(kNoFlowControl)));
}
