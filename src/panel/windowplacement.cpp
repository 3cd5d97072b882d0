#include "windowplacement.h"

#include <algorithm>

namespace {

// The start of a window of `size` centred on [start, start + extent) and then cut to `kept`,
// moved back onto the area as far as it goes and never before its start.
float onArea(float start, float extent, float size, float kept)
{
    const float centred = start + (extent - size) / 2.0f;
    return std::max(start, std::min(centred, start + extent - kept));
}

} // namespace

WindowPlacement placeWindow(const ScreenArea &available, int designWidth, int designHeight)
{
    const auto width = static_cast<float>(designWidth);
    const auto height = static_cast<float>(designHeight);
    return {onArea(available.left, available.width, width, width),
            onArea(available.top, available.height, height, WindowPlacement::kCompactHeight),
            WindowPlacement::kCompactHeight};
}
