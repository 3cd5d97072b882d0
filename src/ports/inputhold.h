#pragma once

#include <chrono>
#include <functional>

// Runs the event loop until `done` holds or `longest` has passed, and returns `done()`. The
// window stays live meanwhile (it repaints, replies and timers come), but takes no clicks or
// keys: they would act on a port that is opening or closing under them.
bool runWithInputHeld(const std::function<bool()> &done, std::chrono::milliseconds longest);
