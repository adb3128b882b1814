// The closing animation's pictures: the credits (title, the closing brush's surroundings) and
// the sliding curtain whose two halves meet beside the brush.
#pragma once

#include <cstdint>

#include "platform/surface.h"
#include "platform/text.h"

namespace korel {

constexpr int kCurtainWidth = 108;
constexpr int kCurtainHeight = 38;  // two halves of 19 rows
constexpr uint32_t kCurtainMs = 2000;

// The 108 x 38 curtain picture, drawn by code: the upper half slides in from the left, the lower
// half from the right.
Surface makeCurtainPicture();

// The credits around the closing brush at (cx, cy): the logo (the splash picture) above it and
// two lines in the small font below it. `brushBottom` is the brush's bottom extent.
// Returns the rectangle drawn.
Rect drawCredits(Surface& surface, Fonts& fonts, const Surface& logo, int cx, int cy,
                 int brushBottom);

// One frame of the curtain at `elapsed` ms after the quit (nothing after 2000 ms): black behind
// the halves from the screen edges, the halves at x and at the mirrored position. `brushLeft` is
// the closing brush's left extent. Returns the rectangle changed.
Rect drawCurtain(Surface& surface, const Surface& picture, int cx, int cy, int brushLeft,
                 uint32_t elapsed);

}  // namespace korel
