#include "monitorrendering.h"

#include <array>
#include <cstring>

namespace {

// The piece of every byte value, padded to four bytes so that each is copied the same way.
struct Piece {
    char text[4];
    unsigned char length;
};

constexpr Piece pieceFor(unsigned char code)
{
    constexpr unsigned char kAck = 6, kLineFeed = 10, kCarriageReturn = 13, kDc4 = 20;
    switch (code) {
    case kAck:
        return {{'A', 'C', 'K', ' '}, 4};
    case kDc4:
        return {{'&', 0, 0, 0}, 1};
    case kCarriageReturn:
        return {{'C', 'R', ' ', 0}, 3};
    case kLineFeed:
        return {{'L', 'F', ' ', 0}, 3};
    default:
        if (code >= ' ' && code <= 'z')
            return {{static_cast<char>(code), ' ', 0, 0}, 2};
        return {{'?', ' ', 0, 0}, 2};
    }
}

constexpr std::array<Piece, 256> kPieces = [] {
    std::array<Piece, 256> pieces{};
    for (int code = 0; code < 256; ++code)
        pieces[code] = pieceFor(static_cast<unsigned char>(code));
    return pieces;
}();

} // namespace

std::string renderForMonitor(std::string_view text)
{
    std::size_t length = 1;
    for (const char c : text)
        length += kPieces[static_cast<unsigned char>(c)].length;

    // Room for a whole four-byte copy at the last piece; trimmed afterwards.
    std::string rendered(length + 3, ' ');
    char *out = rendered.data() + 1;
    for (const char c : text) {
        const Piece &piece = kPieces[static_cast<unsigned char>(c)];
        std::memcpy(out, piece.text, sizeof piece.text);
        out += piece.length;
    }
    rendered.resize(length);
    return rendered;
}
