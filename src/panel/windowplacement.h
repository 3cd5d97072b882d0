#pragma once

// A part of the screen in twips: the area that windows may use, without panels and docks.
struct ScreenArea {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};

// Where the window opens, in twips. The window is centred on the area at its design size and
// then cut to the compact height with its top edge kept, so it opens above the middle. Where
// that would put part of the compact window off the area (a small screen, a large scale
// factor), it moves onto the area, and its top-left corner never leaves it.
struct WindowPlacement {
    static constexpr int kCompactHeight = 5350;

    float left = 0;
    float top = 0;
    int height = kCompactHeight;
};

WindowPlacement placeWindow(const ScreenArea &available, int designWidth, int designHeight);
