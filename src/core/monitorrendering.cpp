#include "monitorrendering.h"

namespace {

constexpr unsigned char kAck = 6;
constexpr unsigned char kLineFeed = 10;
constexpr unsigned char kCarriageReturn = 13;
constexpr unsigned char kDc4 = 20;

} // namespace

std::string renderForMonitor(std::string_view text)
{
    std::string rendered;
    rendered.reserve(2 * text.size() + 1);
    rendered += ' ';
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        switch (code) {
        case kAck:
            rendered += "ACK ";
            break;
        case kDc4:
            rendered += '&';
            break;
        case kCarriageReturn:
            rendered += "CR ";
            break;
        case kLineFeed:
            rendered += "LF ";
            break;
        default:
            if (code >= ' ' && code <= 'z') {
                rendered += c;
                rendered += ' ';
            } else {
                rendered += "? ";
            }
        }
    }
    return rendered;
}
