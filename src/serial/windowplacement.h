#pragma once

// Where the window opens, in twips. The window is centred at its design size and then cut to
// the compact height with its top edge kept, so it opens above the middle of the screen. On a
// screen smaller than the window an edge comes out negative and stays so.
struct WindowPlacement {
    static constexpr int kCompactHeight = 5350;

    float left = 0;
    float top = 0;
    int height = kCompactHeight;
};

// Single-precision arithmetic, no rounding, no clamping.
WindowPlacement placeWindow(int screenWidth, int screenHeight, int designWidth, int designHeight);
