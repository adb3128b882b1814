// Effects that make the picture follow the sound level between beats: the brush effect (a
// program whose result "bs" scales each stamp) and the colour effects (a program that pulls every
// colour of the brush range or the fill range toward a target in proportion to the level).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "assets/assets.h"
#include "engine/palette_range.h"
#include "engine/program.h"
#include "platform/bytes.h"

namespace korel {

// ".efb" / ".efc" layout: tag, three bytes nobody reads, a 90-byte description, three 16-bit
// program lengths, the programs.
namespace efx {
constexpr uint8_t kBrushTag = 'E';
constexpr uint8_t kColourTag = 'C';
constexpr size_t kDescriptionOffset = 4;
constexpr size_t kDescriptionSize = 90;
constexpr size_t kLengthsOffset = 94;
constexpr size_t kProgramsOffset = 100;
}  // namespace efx

// The brush effect: its programs and the registers 0x7E00-0x7FFF, which all brush effects share
// and which keep their values for the whole run (a new load does not clear them).
struct BrushEffect {
    ProgramSet programs;
    bool loaded = false;
    BrushEffectRegisters registers;

    bool hasProgram(int p) const { return programs.has(p); }
};

// Runs program p (0-2) and returns "bs" (0 before the program writes it; 0 for an empty
// program). The stamp is drawn scaled by the result when it is positive, not at all otherwise.
double runBrushEffect(BrushEffect& effect, int p, const BrushEffectInputs& in);

// Decodes an effect file in memory whose tag must be `tag`: the programs are checked (inside
// the file, lengths multiples of 8). Returns nullptr and fills `out`, or the message to show
// ("Not a valid file!" or "End of file error!"), leaving `out` as it was.
const char* decodeEffect(std::span<const uint8_t> file, uint8_t tag, ProgramSet& out);

// Loads the brush effect `name` (".efb"). "(None)" removes it; a file that cannot be opened
// removes it, names it "(None)" and shows "Unable to open or find effect!"; a wrong tag always
// shows "Not a valid file!" and keeps the previous effect. Program 0 runs after a load.
bool loadBrushEffect(Services& services, VisualState& state, AssetHooks& hooks, BrushEffect& effect,
                     std::string_view name, const LoadOptions& options,
                     const BrushEffectInputs& in);

// Loads a colour effect (".efc") into the range (its kind tells brush or fill). Outside
// start-up the deltas are computed and the range shown through the effect at `level` (or its
// base shown when the effect was removed).
bool loadColourEffect(Services& services, VisualState& state, AssetHooks& hooks,
                      PaletteRange& range, std::string_view name, const LoadOptions& options,
                      double level);

// Runs the range's colour-effect program over its base entries: clears cross-dependence, sets
// inverted response on "SD", and for each colour operation recomputes all 90 deltas (the last
// one wins) and shows the range through the effect.
void computeColourEffect(Services& services, const VisualState& state, PaletteRange& range,
                         double level);

// Shows the range through its colour effect: l = level (1 - level when inverted); unless own
// colours are set, base and deltas turn together by n (0 only re-shows); shown = trunc(delta x l
// + base).
void showThroughEffect(Services& services, PaletteRange& range, int n, double level,
                       bool copyToWindow = true);

// A colour setting change of `changed` (the brush range for the brush colour, the fill range for
// the fill colour) from oldColour to newColour: its base hues turn, its effect is recomputed
// (or its base shown), and the other range's effect is recomputed when it reads this setting.
// The new setting must already be in `state`.
void changeColourSetting(Services& services, const VisualState& state, AssetHooks& hooks,
                         PaletteRange& changed, PaletteRange& other, int oldColour, int newColour,
                         double level);

}  // namespace korel
