// Fills: the background of the animation. A full fill ("F") is one picture placed over the
// animation rectangle (stretched or centre-cropped to it); a tile ("T") is repeated on a grid whose
// corners meet at the centre. This file has the ".fil" loader, the six fill slots, drawing the
// whole background and restoring a rectangle of it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "assets/assets.h"
#include "engine/palette_range.h"
#include "platform/surface.h"

namespace korel {

// ".fil" header (25 bytes, little-endian), then the own colours, the icon and the image.
namespace fil {
constexpr uint8_t kFullTag = 'F';
constexpr uint8_t kTileTag = 'T';
constexpr size_t Kind = 0;
constexpr size_t Width = 3;        // signed 16
constexpr size_t Height = 5;       // signed 16
constexpr size_t ImageLength = 7;  // signed 32
constexpr size_t OwnColourCount = 15;
constexpr size_t IconLength = 21;   // signed 16
constexpr size_t ImageOffset = 23;  // signed 16, absolute
constexpr size_t kHeaderSize = 25;
constexpr int kIconWidth = 64;
constexpr int kIconHeight = 48;
constexpr int kStretchMinWidth = 640;
constexpr int kStretchMinHeight = 480;
}  // namespace fil

struct FillAsset {
    uint8_t kind = 0;  // fil::kFullTag or fil::kTileTag
    int16_t width = 0;
    int16_t height = 0;
    int32_t memorySize = 0;
    uint8_t ownColourCount = 0;
    OwnColours ownColours{};
    Surface surface;
    Rect source;  // the part of the surface that is the background
    bool loaded = false;
};

struct FillSlots {
    std::array<FillAsset, kFillSlots> slots;
    int current = 0;  // 0-based
};

// The animation's geometry as the fills see it: trunc(CX), trunc(CY) and the picture rectangle.
struct FillGeometry {
    int cx = 0;
    int cy = 0;
    Rect picture;
};
FillGeometry fillGeometry(const Services& services);

// The tile grid for tiles of w x h: f columns, 2g rows, the top-left tile at (x0, y0).
struct TileGrid {
    int columns = 0;
    int rows = 0;
    int x0 = 0;
    int y0 = 0;
};
TileGrid tileGrid(int cx, int cy, int w, int h);

// Decodes a ".fil" image in memory into `out` for a picture of the given geometry: the stretch
// rule, the nearest-neighbour scaling and the centred crop. `currentMemory` is what the slot's
// fill uses now. On failure returns the message to show (nullptr on success) and leaves `out`
// as it was. `icon`, when not null, receives the 64 x 48 icon.
const char* decodeFill(std::span<const uint8_t> file, const FillGeometry& geometry,
                       size_t currentMemory, FillAsset& out, Surface* icon = nullptr,
                       size_t availableMemory = kAvailableAssetMemory);

// Loads `name` into slot 0-5. "(None)" empties it; a file that cannot be opened empties it,
// names it "(None)" and shows "Unable to open or find fill!"; a wrong tag or a damaged file
// fails and keeps the slot; not enough memory fails and keeps it (empties it during start-up).
bool loadFill(Services& services, VisualState& state, AssetHooks& hooks, FillSlots& fills, int slot,
              std::string_view name, const LoadOptions& options);

// Makes the slot current, sets the fill range to the fill's own colours or back to the gradient,
// and draws the whole background (then copies it to a visible animation window).
void applyFill(Services& services, const VisualState& state, FillSlots& fills,
               PaletteRange& fillRange, const Gradient& gradient, int slot, double level,
               bool resetBackground = false);

// Draws the whole background of the current fill onto the drawing surface (nothing else).
void drawBackground(Services& services, const FillSlots& fills);

// Redraws the current background inside `r` of the drawing surface (the trails-off restore).
void restoreBackground(Services& services, const FillSlots& fills, const Rect& r);

// After the picture size changed: loads every slot again from its VisualState name (no cell
// redraw, messages shown, no rave hand-off). The caller then draws the current fill.
void reloadAllFills(Services& services, VisualState& state, FillSlots& fills);

}  // namespace korel
