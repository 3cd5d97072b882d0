#include "receivedlines.h"

#include <utility>

std::vector<std::string> ReceivedLines::add(std::string_view bytes)
{
    std::vector<std::string> lines;
    for (const char byte : bytes) {
        if (byte != '\r') {
            m_partial += byte;
            // An over-long line goes whole: its tail, up to the carriage return, is no command.
            if (m_partial.size() > kLongestLine) {
                m_partial.clear();
                m_overlong = true;
            }
            continue;
        }
        if (!std::exchange(m_overlong, false))
            lines.push_back(m_partial);
        m_partial.clear();
    }
    return lines;
}
