#include "rfc2217codec.h"

#include <algorithm>

namespace {

using Byte = std::uint8_t;

// clang-format off
constexpr Byte kIac = 255, kDont = 254, kDo = 253, kWont = 252, kWill = 251, kSb = 250, kSe = 240;
constexpr Byte kBinary = 0, kSuppressGoAhead = 3, kComPortOption = 44;
// COM-PORT-OPTION commands, client to server, and their values for 8N1 without flow control.
constexpr Byte kSetBaudRate = 1, kSetDataSize = 2, kSetParity = 3, kSetStopSize = 4;
constexpr Byte kSetControl = 5;
constexpr Byte kEightBits = 8, kNoParity = 1, kOneStopBit = 1, kNoFlowControl = 1;
// clang-format on

constexpr std::array kOursAccepted{kBinary, kSuppressGoAhead, kComPortOption};
constexpr std::array kTheirsAccepted{kBinary, kSuppressGoAhead};

std::string command(Byte verb, Byte option) { return {char(kIac), char(verb), char(option)}; }

// IAC SB COM-PORT-OPTION <what> <value> IAC SE.
std::string comPortCommand(Byte what, std::string_view value)
{
    std::string bytes = command(kSb, kComPortOption) + char(what);
    bytes += Rfc2217Codec::encode(value);
    return bytes + char(kIac) + char(kSe);
}

} // namespace

std::string Rfc2217Codec::start(int baudRate)
{
    m_stage = Stage::Data;
    m_ours.fill(Agreement::No);
    m_theirs.fill(Agreement::No);
    m_baudRate = baudRate;
    m_ours[kBinary] = m_theirs[kBinary] = m_ours[kComPortOption] = Agreement::Asked;
    return command(kWill, kBinary) + command(kDo, kBinary) + command(kWill, kComPortOption);
}

std::string Rfc2217Codec::encode(std::string_view data)
{
    std::string wire;
    wire.reserve(data.size());
    for (const char byte : data) {
        wire += byte;
        if (Byte(byte) == kIac)
            wire += byte;
    }
    return wire;
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
                decoded.data += character;
            break;
        case Stage::Command:
            m_command = byte;
            m_stage = byte == kSb                    ? Stage::Subnegotiation
                      : byte >= kWill && byte < kIac ? Stage::Option
                                                     : Stage::Data;
            if (byte == kIac)
                decoded.data += character;
            break;
        case Stage::Option:
            negotiate(byte, decoded.replies);
            m_stage = Stage::Data;
            break;
        case Stage::Subnegotiation:
            if (byte == kIac)
                m_stage = Stage::SubnegotiationEnd;
            break;
        case Stage::SubnegotiationEnd: // IAC SE ends it; IAC IAC is a 0xFF within
            m_stage = byte == kSe ? Stage::Data : Stage::Subnegotiation;
            break;
        }
    }
    return decoded;
}

std::string Rfc2217Codec::setBaudRate(int baudRate)
{
    m_baudRate = baudRate;
    return m_ours[kComPortOption] == Agreement::Yes ? lineSettings() : std::string();
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

std::string Rfc2217Codec::lineSettings() const
{
    const auto baud = static_cast<std::uint32_t>(m_baudRate);
    const std::string baudBytes{char(baud >> 24), char(baud >> 16), char(baud >> 8), char(baud)};
    return comPortCommand(kSetBaudRate, baudBytes) +
           comPortCommand(kSetDataSize, std::string(1, char(kEightBits))) +
           comPortCommand(kSetParity, std::string(1, char(kNoParity))) +
           comPortCommand(kSetStopSize, std::string(1, char(kOneStopBit))) +
           comPortCommand(kSetControl, std::string(1, char(kNoFlowControl)));
}
