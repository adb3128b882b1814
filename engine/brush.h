// Brushes: the ".bru" loader, the six brush slots, applying a brush, and the draw call that
// stamps the current brush along the movement with frame stepping, the beat frame, the cycling
// mask colour, brush-effect scaling and trails.
//
// A brush is a strip of equally wide frames: a colour image (index 255 transparent) and/or a
// one-bit mask painted in one cycling colour under it. A stamp costs time proportional to its
// own area and never allocates.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "assets/assets.h"
#include "engine/effect.h"
#include "engine/fill.h"
#include "engine/gradient.h"
#include "engine/movement.h"
#include "engine/palette_range.h"
#include "persist/visual_state.h"
#include "platform/surface.h"
#include "core/services.h"

namespace korel {

// ".bru" layout (little-endian): a 25-byte header, the frame block, the own colours, the coded
// icon, the coded colour image and the coded mask.
namespace bru {
constexpr uint8_t kTag = 'B';
constexpr size_t TotalWidth = 3;    // signed 16: all frames side by side
constexpr size_t Height = 5;        // signed 16
constexpr size_t ColourLength = 7;  // signed 32; 0 = no colour image
constexpr size_t MaskLength = 11;   // signed 32; 0 = no mask
constexpr size_t OwnColourCount = 15;
constexpr size_t IconBackdrop = 16;  // nonzero: the icon is shown over index 12, else over 0
constexpr size_t MaskStorage = 17;   // 0xFF plain bit rows, anything else run-coded
constexpr size_t FrameBlockLength = 19;
constexpr size_t IconLength = 21;   // signed 16
constexpr size_t ImageOffset = 23;  // signed 16, absolute
constexpr size_t kHeaderSize = 25;
constexpr uint8_t kPlainMask = 0xFF;
// The frame block, at kHeaderSize.
constexpr size_t BeatFrame = 0;
constexpr size_t FrameCount = 5;  // signed 16, beat frame included
constexpr size_t Palindrome = 7;
constexpr size_t kFrameBlockSize = 8;
constexpr int kIconSize = 48;
constexpr uint8_t kIconBackdropGrey = 12;
constexpr size_t kMaxOwnColours = 90;
}  // namespace bru

constexpr uint8_t kPartColour = 8;
constexpr uint8_t kPartMask = 1;
constexpr uint8_t kColourKey = 255;  // transparent in colour images
constexpr uint8_t kMaskKey = 0;      // transparent in the coloured mask

struct BrushAsset {
    uint8_t tag = 0;
    int16_t frameWidth = 0;
    int16_t height = 0;
    int32_t memorySize = 0;  // the estimate the memory check uses
    uint8_t ownColourCount = 0;
    OwnColours ownColours{};
    Surface colour;          // the whole strip
    Surface mask;            // one frame wider than the strip: the last frame is scratch space
    uint8_t parts = 0;       // kPartColour | kPartMask; 0 = empty slot
    bool beatFrame = false;  // the last frame is shown only on beats
    int16_t cycleLength = 1;
    bool palindrome = false;
    // Distances from the stamp position to the stamp's edges.
    int32_t extentLeft = 0;
    int32_t extentTop = 0;
    int32_t extentRight = 0;
    int32_t extentBottom = 0;
    int16_t totalWidth = 0;
    int16_t frameCount = 0;

    bool hasColour() const { return (parts & kPartColour) != 0; }
    bool hasMask() const { return (parts & kPartMask) != 0; }
};

struct BrushSlots {
    std::array<BrushAsset, kBrushSlots> slots;
    int current = 0;  // 0-based
    BrushAsset& currentBrush() { return slots[size_t(current)]; }
    const BrushAsset& currentBrush() const { return slots[size_t(current)]; }
};

// The drawing state shared by all brushes.
struct BrushDrawState {
    int16_t frameIndex = 0;
    int16_t direction = 1;
    int8_t beatFramePending = 0;  // 0 no beat frame, 1 has one, -1 show it on this call
    uint8_t maskColour = kBrushRangeFirst;
    Rect previousRect;         // the union of the previous draw call's stamps
    bool neverTrails = false;  // the current brush's name begins with "@"
};

// Decodes a ".bru" file in memory. `currentMemory` is what the slot's brush uses now. Returns
// nullptr and fills `out` (and `icon`, when not null, with the 48 x 48 icon; `backdrop` with
// its backdrop index), or the message to show, leaving both as they were: "Not a valid file!",
// "End of file error!" or "Not enough memory to load brush!" (kNoMemoryBrush).
const char* decodeBrush(std::span<const uint8_t> file, size_t currentMemory, BrushAsset& out,
                        Surface* icon = nullptr, uint8_t* backdrop = nullptr,
                        size_t availableMemory = kAvailableAssetMemory);

// An empty slot: no parts, no surfaces, width and height 0, cycle length 1.
void emptyBrush(BrushAsset& brush);

// Loads `name` into slot 0-5. "(None)" empties it; a file that cannot be opened empties it,
// names it "(None)" and shows "Unable to open or find brush!"; a wrong tag or a damaged file
// fails and keeps the slot; not enough memory fails and keeps it (empties it during start-up).
// With options.resetAttachments the slot's BrushAttachment becomes all 0x80.
bool loadBrush(Services& services, VisualState& state, AssetHooks& hooks, BrushSlots& brushes,
               int slot, std::string_view name, const LoadOptions& options);

// Milliseconds between timed draw calls for the brush speed setting (0: never).
uint32_t brushInterval(uint8_t speed);

// Makes the slot current: frame 0 going forward, the beat frame armed, the mask colour moved
// into the range the brush paints from, and the brush range switched to the brush's own colours
// or back to the gradient. A brush named with "@" never leaves trails.
void applyBrush(Services& services, const VisualState& state, BrushSlots& brushes,
                BrushDrawState& draw, PaletteRange& brushRange, const Gradient& gradient, int slot,
                double level);

// Before a beat's draw call: a brush with a beat frame shows it on that call.
inline void armBeatFrame(BrushDrawState& draw) {
    if (draw.beatFramePending == 1) draw.beatFramePending = -1;
}

// The brush-effect program of a timed draw call (2 when there is one, else 0) and of a beat's
// draw call (1, else 2, else 0).
int timedEffectProgram(const BrushEffect& effect);
int beatEffectProgram(const BrushEffect& effect);

// One stamp of `brush` at (x, y) onto `target`, clipped to `picture`. With `scaled` the stamp
// is stretched by `scale` (which must be positive). Advances the frame when `advance` is set
// (unless the beat frame is showing). Returns the stamp rectangle, empty when nothing of it is
// inside the picture.
Rect stampBrush(Surface& target, const Rect& picture, BrushAsset& brush, BrushDrawState& draw,
                double x, double y, bool scaled, double scale, bool advance);

// What a draw call needs besides the brushes and the drawing state.
struct DrawCall {
    int effectProgram = 0;  // 0: unscaled; 1 or 2: the brush effect's program scales each stamp
    bool updateWindow = true;
    double soundLevel = 0;
};

// One draw call: restores the background under the previous stamps when trails are off (or
// the brush never leaves trails), steps the mask colour, makes the current movement's stamps
// (running its stamp program), copies the changed rectangles to a visible animation window and
// remembers the call's rectangle. Returns the union of the call's stamps.
Rect drawBrush(Services& services, const VisualState& state, BrushSlots& brushes,
               BrushDrawState& draw, MovementSlots& movements, MovementMachine& machine,
               BrushEffect& effect, const FillSlots& fills, const DrawCall& call);

}  // namespace korel
