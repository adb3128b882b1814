// Window magnification helpers shared by the platform implementations.
#pragma once

#include "platform/types.h"

namespace korel {

// The factor a window is shown with: 2 when asked for, otherwise 1.
constexpr int windowScaleOf(int requested) {
    return requested == 2 ? 2 : 1;
}

// Integer division rounding towards minus infinity, so that points left of or above a scaled
// window (a drag leaving it) map to negative client coordinates without a step at zero.
constexpr int floorDiv(int value, int divisor) {
    const int q = value / divisor;
    return (value % divisor != 0 && (value < 0) != (divisor < 0)) ? q - 1 : q;
}

// The client point of a window pixel (or a screen offset from the window's corner).
constexpr Point unscalePoint(Point p, int scale) {
    return Point{floorDiv(p.x, scale), floorDiv(p.y, scale)};
}

}  // namespace korel
