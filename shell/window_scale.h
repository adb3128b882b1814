// How much larger the small windows (controls, help, alert) are shown on the screen.
#pragma once

#include <string>

namespace korel {

// Monitors at least this wide show the small windows at twice the size.
constexpr int kLargeMonitorWidth = 2560;

struct WindowScaleChoice {
    int scale = 1;        // 1 or 2
    std::string warning;  // set when the variable held something other than 1 or 2
};

// `forced` is the text of $KOREL_SCALE (null when unset): "1" or "2" decide; anything else is
// ignored with a warning, and the monitor's width decides as when unset.
WindowScaleChoice chooseWindowScale(const char* forced, int monitorWidth);

}  // namespace korel
