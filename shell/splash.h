// Pictures the shell draws itself: the start-up splash around its logo, and the alert window.
#pragma once

#include <string_view>

#include "platform/surface.h"
#include "platform/text.h"

namespace korel {

constexpr int kSplashWidth = 145, kSplashHeight = 71;

// Draws the logo (the 145 x 71 splash picture) with its top-left at (cx - 72, cy - 35) and the
// progress text ("Initializing...", "Loading Brushes...") in a black band 24 pixels high below
// it. Returns the rectangle drawn.
Rect drawSplashScreen(Surface& canvas, Fonts& fonts, const Surface& logo, int cx, int cy,
                      std::string_view text = "Initializing...");

// Draws the alert: white, the text black, word-wrapped inside the client area shrunk by 10 on
// every side, and the OK button.
void drawAlertWindow(Surface& canvas, Fonts& fonts, std::string_view text, const Rect& okButton,
                     bool okPressed);

}  // namespace korel
