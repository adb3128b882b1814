// Palette ranges: HSV conversions, building, showing, shifting, kicking and turning the hues.
#include "engine/palette_range.h"

#include <algorithm>
#include <cmath>

#include "engine/effect.h"
#include "engine/gradient.h"

namespace korel {

namespace {

PaletteRange makeRange(uint8_t kind, uint8_t first) {
    PaletteRange r;
    r.kind = kind;
    r.first = first;
    r.count = kRangeSize;
    for (auto& e : r.base) e = PaletteEntry{0, 0, 0, kRangeFlags};
    r.shown = r.base;
    return r;
}

uint8_t roundComponent(double x) {
    double v = std::trunc(x + 0.49999999);
    // NaN fails both comparisons and ends up 0.
    if (!(v > 0)) return 0;
    if (v > 255) return 255;
    return uint8_t(v);
}

// Entry i takes entry (i - n + 90) mod 90.
template <typename T>
void rotate(std::array<T, kRangeSize>& a, int n) {
    int shift = ((n % kRangeSize) + kRangeSize) % kRangeSize;
    if (shift == 0) return;
    std::rotate(a.begin(), a.begin() + (kRangeSize - shift), a.end());
}

bool eightBit(Services& services) {
    return services.display().displayDepth == 8;
}

}  // namespace

PaletteRange makeBrushRange() {
    return makeRange(kRangeBrush, kBrushRangeFirst);
}
PaletteRange makeFillRange() {
    return makeRange(kRangeFill, kFillRangeFirst);
}

Hsv rgbToHsv(uint8_t r, uint8_t g, uint8_t b) {
    Hsv out;
    int mx = std::max({r, g, b});
    int mn = std::min({r, g, b});
    out.value = mx / 255.0;
    if (mx == mn) return out;
    double d = mx - mn;
    out.saturation = d / mx;
    double h;
    if (r == mx) {
        h = (g - b) / d;
    } else if (g == mx) {
        h = (b - r) / d + 2;
    } else {
        h = (r - g) / d + 4;
    }
    // A negative hue wraps round the circle as the unsigned 16-bit store does.
    out.hue = uint16_t(int32_t(std::trunc(h * 65535 / 6)));
    return out;
}

Rgb hsvToRgb(const Hsv& hsv) {
    double v = hsv.value * 255;
    double s = hsv.saturation;
    if (s == 0) {
        uint8_t c = roundComponent(v);
        return Rgb{c, c, c};
    }
    double f = hsv.hue * 6.0 / 65536;
    int i = int(std::trunc(f));
    double t = f - i;
    uint8_t V = roundComponent(v);
    uint8_t P = roundComponent(v * (1 - s));
    uint8_t Q = roundComponent(v * (1 - s * t));
    uint8_t T = roundComponent(v * (1 - s * (1 - t)));
    switch (i) {
        case 0:
            return Rgb{V, T, P};
        case 1:
            return Rgb{Q, V, P};
        case 2:
            return Rgb{P, V, T};
        case 3:
            return Rgb{P, Q, V};
        case 4:
            return Rgb{T, P, V};
        default:
            return Rgb{V, P, Q};
    }
}

int32_t hueTurn(int steps) {
    return int32_t(int64_t(steps) * 65536 / 120);
}

RangeSettings rangeSettings(const VisualState& state, const PaletteRange& range) {
    bool brush = range.isBrushRange();
    return RangeSettings{state.get(brush ? vs::BrushColour : vs::FillColour),
                         state.get(brush ? vs::BrushBrightness : vs::FillBrightness),
                         state.get(brush ? vs::BrushSaturation : vs::FillSaturation)};
}

void buildBaseEntries(PaletteRange& range, std::span<const Rgb, kRangeSize> source,
                      const RangeSettings& settings) {
    range.brightness = uint8_t(settings.brightness);
    range.saturation = uint8_t(settings.saturation);
    if (range.ownColours && settings.brightness == 100 && settings.saturation == 100) {
        for (int i = 0; i < kRangeSize; ++i) {
            const Rgb& c = source[size_t(i)];
            range.base[size_t(i)] = PaletteEntry{c.r, c.g, c.b, kRangeFlags};
        }
        return;
    }
    const int32_t turn = hueTurn(settings.colour - 1);
    for (int i = 0; i < kRangeSize; ++i) {
        Hsv hsv = rgbToHsv(source[size_t(i)]);
        if (!range.ownColours) hsv.hue = uint16_t(uint32_t(hsv.hue + turn) & 0xFFFF);
        if (settings.brightness != 100) hsv.value = hsv.value * settings.brightness / 100;
        if (settings.saturation != 100) hsv.saturation = hsv.saturation * settings.saturation / 100;
        Rgb c = hsvToRgb(hsv);
        range.base[size_t(i)] = PaletteEntry{c.r, c.g, c.b, kRangeFlags};
    }
}

void showRange(Services& services, PaletteRange& range, bool copyToWindow) {
    DisplayState& display = services.display();
    for (int i = 0; i < range.count && range.first + i < 256; ++i) {
        display.palette[size_t(range.first + i)] = range.shown[size_t(i)];
    }
    if (!services.shell().paletteLive) return;
    services.pushPalette();
    if (copyToWindow && !eightBit(services)) services.copySurfaceToWindow(display.windowRect);
}

void showBase(Services& services, PaletteRange& range, bool copyToWindow) {
    range.shown = range.base;
    showRange(services, range, copyToWindow);
}

void rebuildRange(Services& services, const VisualState& state, PaletteRange& range,
                  const Gradient& gradient, double level, bool resetBackground) {
    if (resetBackground) {
        Platform& platform = services.platform();
        WindowId w = services.display().animationWindow;
        if (w != kNoWindow && platform.windowVisible(w)) {
            Surface& canvas = platform.canvas(w);
            canvas.fill(0);
            platform.present(w, canvas.bounds());
        }
    }
    if (range.ownColours) {
        buildBaseEntries(range, range.ownSource, rangeSettings(state, range));
    } else {
        buildBaseEntries(range, gradient.half(range.isBrushRange() ? 0 : 1),
                         rangeSettings(state, range));
    }
    if (range.effectLoaded) {
        computeColourEffect(services, state, range, level);
    } else {
        showBase(services, range);
    }
}

void useOwnColours(Services& services, const VisualState& state, PaletteRange& range,
                   const Gradient& gradient, const OwnColours* colours, double level,
                   bool resetBackground) {
    if (colours) {
        range.ownColours = true;
        range.ownSource = *colours;
    } else if (range.ownColours) {
        range.ownColours = false;
    } else {
        return;
    }
    rebuildRange(services, state, range, gradient, level, resetBackground);
}

void rotateRange(Services& services, PaletteRange& range, int n, bool copyToWindow) {
    if (n == 0 || range.ownColours) return;
    rotate(range.base, n);
    if (range.effectLoaded) rotate(range.deltas, n);
    showBase(services, range, copyToWindow);
}

void stepRange(Services& services, PaletteRange& range, int n, double level, bool copyToWindow) {
    if (range.effectLoaded) {
        showThroughEffect(services, range, n, level, copyToWindow);
    } else {
        rotateRange(services, range, n, copyToWindow);
    }
}

ColourTiming colourTiming(uint8_t speed) {
    if (speed == 60) return ColourTiming{0, 2147483647u};
    if (speed > 60) return ColourTiming{1, 1000u / unsigned(speed - 60)};
    return ColourTiming{-1, 1000u / unsigned(60 - speed)};
}

int colourKickShift(uint8_t kick) {
    return (int(kick) - 50) * 90 / 100;
}

void colourKick(Services& services, PaletteRange& brushRange, PaletteRange& fillRange, uint8_t kick,
                double level) {
    int k = colourKickShift(kick);
    if (k == 0) return;
    for (PaletteRange* range : {&brushRange, &fillRange}) {
        stepRange(services, *range, k, level, false);
        stepRange(services, *range, k, level, false);
    }
    if (!eightBit(services) && services.shell().paletteLive) {
        services.copySurfaceToWindow(services.display().windowRect);
    }
}

void turnRangeHue(PaletteRange& range, int oldColour, int newColour) {
    if (range.ownColours) return;
    const int32_t turn = hueTurn(newColour - oldColour);
    for (PaletteEntry& e : range.base) {
        Hsv hsv = rgbToHsv(e.r, e.g, e.b);
        hsv.hue = uint16_t(uint32_t(hsv.hue + turn) & 0xFFFF);
        Rgb c = hsvToRgb(hsv);
        e = PaletteEntry{c.r, c.g, c.b, kRangeFlags};
    }
}

}  // namespace korel
