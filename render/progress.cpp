// The progress line's text.
#include "render/progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace korel {

std::string clockText(double seconds) {
    if (!(seconds >= 0) || seconds > 1.0e7) return "--:--";
    const long s = long(seconds + 0.5);
    char text[32];
    if (s >= 3600) std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

std::string progressLine(int64_t done, int64_t total, double elapsedSeconds, int barWidth) {
    const double share = total > 0 ? std::clamp(double(done) / double(total), 0.0, 1.0) : 0.0;
    barWidth = std::clamp(barWidth, 1, 200);
    const int filled = int(share * barWidth);
    std::string line = "[";
    line.append(size_t(filled), '#');
    line.append(size_t(barWidth - filled), '.');
    char percent[16];
    std::snprintf(percent, sizeof percent, "] %3d%%  ", int(std::floor(share * 100)));
    line += percent;
    const double left = done > 0 && total >= done
                            ? elapsedSeconds * double(total - done) / double(done)
                            : -1;
    line += clockText(elapsedSeconds);
    line += " elapsed, ";
    line += clockText(left);
    line += " left";
    return line;
}

}  // namespace korel
