// korel-render's progress line on the terminal.
#pragma once

#include <cstdint>
#include <string>

namespace korel {

// "m:ss", or "h:mm:ss" from an hour on; "--:--" for a negative or unknown time.
std::string clockText(double seconds);

// "[#########...........]  45%  0:12 elapsed, 0:15 left": the time left is the time so far
// scaled by what remains ("--:--" before the first frame).
std::string progressLine(int64_t done, int64_t total, double elapsedSeconds, int barWidth = 30);

}  // namespace korel
