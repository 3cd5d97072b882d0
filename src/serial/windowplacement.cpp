#include "windowplacement.h"

WindowPlacement placeWindow(int screenWidth, int screenHeight, int designWidth, int designHeight)
{
    const auto centred = [](int screen, int window) {
        return (static_cast<float>(screen) - static_cast<float>(window)) / 2.0f;
    };
    return {centred(screenWidth, designWidth), centred(screenHeight, designHeight),
            WindowPlacement::kCompactHeight};
}
