#pragma once

#include <string>
#include <string_view>
#include <vector>

// What a projector makes of the bytes on its line: a command is the text before a carriage
// return. A line longer than kLongestLine is dropped whole, up to its carriage return, as the
// projector's own buffer would.
class ReceivedLines
{
public:
    static constexpr std::size_t kLongestLine = 256;

    // The lines `bytes` completes, in order, without their carriage returns.
    std::vector<std::string> add(std::string_view bytes);

private:
    std::string m_partial; // text after the last carriage return
    bool m_overlong = false; // m_partial was dropped as too long; the rest of its line goes too
};
