// Gradients: 180 colours that feed the brush range (first half) and the fill range (second half),
// the eight gradient slots and the ".gra" loader.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "assets/assets.h"
#include "platform/types.h"

namespace korel {

constexpr int kGradientColours = 180;
constexpr int kGradientHalf = 90;

// ".gra" layout: the tag, four bytes nobody reads, then 540 colour bytes (red, green, blue).
namespace gra {
constexpr uint8_t kTag = 'G';
constexpr size_t kColoursOffset = 5;
constexpr size_t kColourBytes = 540;
constexpr size_t kFileSize = kColoursOffset + kColourBytes;
}  // namespace gra

struct Gradient {
    std::array<Rgb, kGradientColours> colours{};

    // The brush half (0) or the fill half (1).
    std::span<const Rgb, kGradientHalf> half(int which) const {
        return std::span<const Rgb, kGradientHalf>(colours.data() + which * kGradientHalf,
                                                   kGradientHalf);
    }
    bool operator==(const Gradient&) const = default;
};

// The red ramp used for an empty slot and for a file that cannot be opened: in each half, colour
// i has red |(22950 - 510 i) / 90| (255 falling to 0 at 45 and rising to 249).
Gradient defaultGradient();

struct GradientSlots {
    std::array<Gradient, kGradientSlots> slots;
    GradientSlots() { slots.fill(defaultGradient()); }
};

// Decodes a ".gra" image in memory. False when the tag is wrong or the file is shorter than its
// 545 bytes (`truncated` tells which); `out` is untouched then.
bool decodeGradient(std::span<const uint8_t> file, Gradient& out, bool* truncated = nullptr);

// Loads `name` into slot 0-7. "(None)" gives the default ramp silently; a file that cannot be
// opened gives the default ramp, the name "(None)" and "Unable to open or find gradient!"; a
// wrong or short file fails and keeps the slot. The palette is not touched: when the slot is the
// current one the caller rebuilds both ranges.
bool loadGradient(Services& services, VisualState& state, AssetHooks& hooks, GradientSlots& slots,
                  int slot, std::string_view name, const LoadOptions& options);

}  // namespace korel
