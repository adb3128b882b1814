// The two animated stretches of the palette (brush colours 21-110, fill colours 111-200): building
// them from a gradient or from a brush's or fill's own colours, the HSV conversions, colour
// shifts, the colour kick, colour changes, and sending entries to the display.
//
// Brush and fill art is stored as indices into these ranges, so every colour motion is done on
// the 180 entries alone and no pixel is redrawn.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "engine/program.h"
#include "persist/visual_state.h"
#include "platform/bytes.h"
#include "platform/types.h"
#include "core/services.h"

namespace korel {

struct Gradient;

constexpr int kRangeSize = 90;
constexpr uint8_t kBrushRangeFirst = 21;
constexpr uint8_t kFillRangeFirst = 111;
constexpr uint8_t kIconPreviewFirst = 201;
constexpr uint8_t kRangeFlags = kPaletteReserved | kPaletteNoCollapse;  // 5: animatable

enum RangeKind : uint8_t { kRangeBrushEffect = 0, kRangeBrush = 2, kRangeFill = 3 };

// The 90 colours a brush or fill may carry (a file with fewer repeats its last one).
using OwnColours = std::array<Rgb, kRangeSize>;

// Per entry: what the colour effect adds at full level (target - base, per channel).
struct ColourDelta {
    int16_t r = 0;
    int16_t g = 0;
    int16_t b = 0;
    bool operator==(const ColourDelta&) const = default;
};

struct PaletteRange {
    // The colour effect attached to the range: its three programs (only the first is used).
    ProgramSet programs;
    uint8_t kind = kRangeBrush;
    bool effectLoaded = false;
    std::array<PaletteEntry, kRangeSize> base{};   // before the colour effect
    std::array<PaletteEntry, kRangeSize> shown{};  // as last sent to the display
    std::array<ColourDelta, kRangeSize> deltas{};
    uint8_t first = kBrushRangeFirst;
    uint8_t count = kRangeSize;
    // The current brush (brush range) or fill (fill range) supplies the colours in ownSource;
    // while set the range is neither rotated nor hue-turned.
    bool ownColours = false;
    OwnColours ownSource{};
    bool invertedResponse = false;  // the effect follows 1 - level
    bool crossDependence = false;   // the effect reads the other range's colour setting
    uint8_t brightness = 100;       // percent, copied from the VisualState at every rebuild
    uint8_t saturation = 100;

    bool isBrushRange() const { return kind == kRangeBrush; }
};

// The ranges as created at start-up: kind, first index, 90 entries flagged 5, all black.
PaletteRange makeBrushRange();
PaletteRange makeFillRange();

// --- Colour conversions ---------------------------------------------------------------------

// Hue as an unsigned 16-bit fraction of the circle; saturation and value 0..1.
struct Hsv {
    uint16_t hue = 0;
    double saturation = 0;
    double value = 0;
};

Hsv rgbToHsv(uint8_t r, uint8_t g, uint8_t b);
inline Hsv rgbToHsv(const Rgb& c) {
    return rgbToHsv(c.r, c.g, c.b);
}
// Components rounded as trunc(x + 0.49999999); out-of-range values (a hostile effect can ask
// for them) are held to 0..255.
Rgb hsvToRgb(const Hsv& hsv);

// The hue turn of a colour setting difference: trunc(steps x 65536 / 120).
int32_t hueTurn(int steps);

// --- Building and showing -------------------------------------------------------------------

// The VisualState settings that tint a range: colour setting (1-120), brightness, saturation.
struct RangeSettings {
    int colour = 1;
    int brightness = 100;
    int saturation = 100;
};
RangeSettings rangeSettings(const VisualState& state, const PaletteRange& range);

// Fills the base entries from 90 source colours: own colours at full brightness and saturation
// are copied; everything else passes through HSV, turned by the colour setting unless own
// colours are set, then dimmed and desaturated.
void buildBaseEntries(PaletteRange& range, std::span<const Rgb, kRangeSize> source,
                      const RangeSettings& settings);

// Writes the shown entries into the program's palette and, while the palette is live, sends
// them to the screen; on a display that is not 8-bit the drawing surface is then copied to the
// window (unless copyToWindow is false, for callers that copy once after several ranges).
void showRange(Services& services, PaletteRange& range, bool copyToWindow = true);
// Shows the base entries unchanged (no colour effect).
void showBase(Services& services, PaletteRange& range, bool copyToWindow = true);

// Rebuilds the range from its source (the gradient half with the range's colour setting, or its
// own colours), reading brightness and saturation from the state; then recomputes and shows the
// colour effect at `level` when one is loaded, else shows the base. With resetBackground and a
// visible animation window, the window is first painted black.
void rebuildRange(Services& services, const VisualState& state, PaletteRange& range,
                  const Gradient& gradient, double level, bool resetBackground = false);

// Switches the range to the colours a brush or fill carries (non-null) or back to the gradient
// (null), rebuilding when the source changes. This is what applying a brush or a fill calls.
void useOwnColours(Services& services, const VisualState& state, PaletteRange& range,
                   const Gradient& gradient, const OwnColours* colours, double level,
                   bool resetBackground = false);

// Colour shift by n entries (-89..89; a positive n moves colours to higher indices) without the
// colour effect: nothing when n is 0 or own colours are set; the deltas turn with their colours.
// Shows the base entries.
void rotateRange(Services& services, PaletteRange& range, int n, bool copyToWindow = true);

// One colour step of a range: through its colour effect at `level` when one is loaded (which
// also re-shows at n = 0), otherwise a plain rotation.
void stepRange(Services& services, PaletteRange& range, int n, double level,
               bool copyToWindow = true);

// --- Colour speed, kick and change ----------------------------------------------------------

struct ColourTiming {
    int step = 0;                     // +1, -1 or 0
    uint32_t interval = 2147483647u;  // milliseconds between steps
};
// The colour speed setting (stored 0-120, 60 = still).
ColourTiming colourTiming(uint8_t speed);

// k = trunc((K - 50) x 90 / 100) for the stored kick setting K (0-100).
int colourKickShift(uint8_t kick);

// The beat's kick: each range rotated by k and shown, then by k again and shown; then one copy
// of the surface to the window on a display that is not 8-bit. Nothing when k is 0.
void colourKick(Services& services, PaletteRange& brushRange, PaletteRange& fillRange, uint8_t kick,
                double level);

// Turns every base hue by the colour setting difference (unless own colours are set), without
// brightness or saturation being applied again. The caller recomputes a loaded colour effect
// (see changeColourSetting in engine/effect.h, which does the whole change).
void turnRangeHue(PaletteRange& range, int oldColour, int newColour);

}  // namespace korel
