#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The client's side of a telnet connection to a serial device server that sets its far port
// as RFC 2217 has it (COM-PORT-OPTION). Bytes in, bytes out, no socket: the connection feeds in
// what arrives, in pieces as they come, and sends what comes out.
//
// BINARY is asked for both ways; 0xFF (IAC) goes doubled both ways. While BINARY is off in a
// direction the bytes follow RFC 854 there: a CR goes out as CR NUL, and a CR NUL comes in as
// CR. The line settings (the speed, 8 data bits, no parity, 1 stop bit, no flow control) go out
// as soon as the server agrees to the COM-PORT-OPTION, and again at each change of speed; the
// server confirms each with its command number + 100. Every other option is refused and every
// agreement is answered once, so that a server waiting for an answer never stalls and no
// answer is answered again. A server whose far port cannot take more says FLOWCONTROL-SUSPEND
// until FLOWCONTROL-RESUME. The rest of what it says (line and modem state) is read over.
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
    std::string encode(std::string_view data) const;
    Decoded decode(std::string_view wire);
    // The line settings at the new speed, for the server; nothing until it has agreed to the
    // option (they go out with its agreement then).
    std::string setBaudRate(int baudRate);
    // Each option asked for at the start is agreed or refused, and the line settings, when
    // they went out, are confirmed: data may flow.
    bool settled() const;
    // The server did not settle in time: what it left unanswered counts as refused.
    void giveUp();
    // The server does not set its port (a telnet server without RFC 2217, or one that did not
    // answer).
    bool lineRefused() const;
    // The server's port takes nothing for now (FLOWCONTROL-SUSPEND).
    bool suspended() const { return m_suspended; }

private:
    enum class Stage : std::uint8_t { Data, Command, Option, Subnegotiation, SubnegotiationEnd };
    enum class Agreement : std::uint8_t { No, Asked, Yes };
    using Agreements = std::array<Agreement, 256>;

    void takeData(char byte, std::string &data);
    void negotiate(std::uint8_t option, std::string &replies);
    void subnegotiated();
    std::string lineSettings();

    Stage m_stage = Stage::Data;
    std::uint8_t m_command = 0; // of the option negotiation under way
    Agreements m_ours{};        // options this side performs
    Agreements m_theirs{};      // options the server performs
    std::string m_subnegotiation; // its first bytes, as far as they matter
    std::uint8_t m_unconfirmed = 0; // a bit for each line setting sent and not yet confirmed
    bool m_afterCr = false;         // the last data byte in was a CR
    bool m_suspended = false;
    int m_baudRate = 19200;
};
