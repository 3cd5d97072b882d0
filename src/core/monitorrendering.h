#pragma once

#include <string>
#include <string_view>

// The readable line the traffic monitor shows for a piece of serial traffic: a leading space,
// then one piece per byte. Control characters are spelled out ("CR ", "LF ", "ACK "), DC4
// becomes "&", bytes from ' ' to 'z' are followed by a space, anything else is "? ".
// The reply decoding reads fixed positions of this text, so every piece's shape matters.
std::string renderForMonitor(std::string_view text);
