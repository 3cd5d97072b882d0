#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The client's side of a telnet connection to a serial device server that sets its far port
// as RFC 2217 has it (COM-PORT-OPTION). Bytes in, bytes out, no socket: the connection feeds in
// what arrives, in pieces as they come, and sends what comes out.
//
// Data is 8-bit clean: BINARY is asked for both ways, and 0xFF (IAC) goes doubled both ways.
// The line settings (the speed, 8 data bits, no parity, 1 stop bit, no flow control) go out as
// soon as the server agrees to the COM-PORT-OPTION, and again at each change of speed. Every
// other option is refused and every agreement is answered once, so that a server waiting for an
// answer never stalls and no answer is answered again. What the server says inside
// subnegotiations (confirmations, line and modem state) is of no use to the panel: it is read
// over.
class Rfc2217Codec
{
public:
    struct Decoded {
        std::string data;    // the far device's bytes
        std::string replies; // for the server
    };

    // A new connection: what the client says first. The line is to run at `baudRate`.
    std::string start(int baudRate);
    // The panel's bytes as they go on the wire.
    static std::string encode(std::string_view data);
    Decoded decode(std::string_view wire);
    // The line settings at the new speed, for the server; nothing until it has agreed to the
    // option (they go out with its agreement then).
    std::string setBaudRate(int baudRate);
    // The server has refused to set its port (a telnet server without RFC 2217).
    bool lineRefused() const;

private:
    enum class Stage : std::uint8_t { Data, Command, Option, Subnegotiation, SubnegotiationEnd };
    enum class Agreement : std::uint8_t { No, Asked, Yes };
    using Agreements = std::array<Agreement, 256>;

    void negotiate(std::uint8_t option, std::string &replies);
    std::string lineSettings() const;

    Stage m_stage = Stage::Data;
    std::uint8_t m_command = 0; // of the option negotiation under way
    Agreements m_ours{};        // options this side performs
    Agreements m_theirs{};      // options the server performs
    int m_baudRate = 19200;
};
