// The beat meter, the sound-scale meter and the frequency spectrograph of the controls window.
#include <algorithm>
#include <cmath>

#include "sound/sound.h"

namespace korel {

namespace {

// Moves a bar from `drawn` to `level` columns: shrinking paints the background, growing paints
// blue when `grow` allows it.
void drawBar(Surface& canvas, const Rect& bar, uint8_t& drawn, int level, uint8_t background,
             bool grow) {
    level = std::clamp(level, 0, bar.width());
    if (level == drawn) return;
    if (level < drawn) {
        canvas.fillRect(Rect{bar.left + level, bar.top, bar.left + drawn, bar.bottom}, background);
    } else if (grow) {
        canvas.fillRect(Rect{bar.left + drawn, bar.top, bar.left + level, bar.bottom}, kMeterBlue);
    }
    drawn = uint8_t(level);
}

}  // namespace

void drawBeatMeter(Surface& canvas, ListenState& listen, const BeatMeterView& view, uint8_t level,
                   bool beat) {
    if (!view.expanded) {
        listen.drawnBeatMeter = level;
        return;
    }
    if (beat && view.indicatorPicture) {
        copySurface(canvas, view.indicatorAt.x, view.indicatorAt.y, *view.indicatorPicture,
                    kBeatIndicatorFrom);
    }
    const uint8_t background = (view.replaying || !view.listening) ? kMeterGrey : kMeterBlack;
    drawBar(canvas, view.bar, listen.drawnBeatMeter, level, background, view.listening);
}

void drawScaleMeter(Surface& canvas, ListenState& listen, const Rect& bar) {
    const int value = int(std::trunc(std::clamp(listen.soundScale, 0.0, 1.0) * 64));
    drawBar(canvas, bar, listen.drawnScaleMeter, value, kMeterBlack, true);
}

void drawSpectrograph(Surface& canvas, Surface& work, Sound& sound, const VisualState& vs,
                      Point at) {
    if (work.width() != kSpectrographWidth || work.height() != kSpectrographHeight) {
        work.resize(kSpectrographWidth, kSpectrographHeight);
    }
    work.resetClip();
    work.fill(kSpectrumOlive);
    const int bottom = kSpectrographHeight - 1;
    const int column = std::min<int>(vs.get(vs::ListeningFrequency), kSpectrographWidth - 1);
    int previousPeriod = -1;
    int h = 0;
    int markY = bottom;
    for (int i = 0; i < kSpectrographWidth; ++i) {
        const double a = 20.0 + 4.0 * i;
        const int period = int(kCaptureRate / uint32_t(a));
        // Neighbouring columns with the same whole period share one magnitude.
        if (period != previousPeriod) {
            const double height = std::trunc(28.0 * frequencyMagnitude(sound, vs, a));
            // Taller bars only run off the top; the limit keeps the line short.
            h = height > kSpectrographHeight ? kSpectrographHeight : std::max(0, int(height));
            previousPeriod = period;
        }
        work.line(i, bottom, i, bottom - h, kMeterBlack);
        if (i == column) markY = std::max(bottom - h, 0);
    }
    work.line(column, bottom, column, markY, kSpectrumYellow);
    work.line(column - 6, markY, column + 7, markY, kSpectrumYellow);
    copySurface(canvas, at.x, at.y, work, work.bounds());
}

}  // namespace korel
