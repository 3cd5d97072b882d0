// Fuzz target for the telnet codec of rfc2217:// ports, whose input is whatever a server on the
// network sends. Beyond the sanitizers' reports: what comes out as data is never more than what
// came in, and the panel's own bytes, encoded and read back, are the same bytes again (CR NUL
// and all, BINARY being off).
// Input: byte 0 sets the size of the reads the rest arrives in; the rest is the server's.

#include "rfc2217codec.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t readSize = std::size_t(data[0]) + 1;
    const std::string_view wire(reinterpret_cast<const char *>(data) + 1, size - 1);
    Rfc2217Codec server;
    std::size_t dataBytes = 0;
    server.start(9600);
    for (std::size_t at = 0; at < wire.size(); at += readSize)
        dataBytes += server.decode(wire.substr(at, readSize)).data.size();
    if (dataBytes > wire.size())
        std::abort();

    Rfc2217Codec echo;
    const Rfc2217Codec::Decoded back = echo.decode(echo.encode(wire));
    if (back.data != wire || !back.replies.empty())
        std::abort();
    return 0;
}
