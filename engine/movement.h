// Movements: the ".mvm" loader, the six movement slots, the empty movement, parameter values,
// and starting and running a movement's start, beat and stamp programs.
//
// A movement is three programs of eight-byte instructions (engine/program.h) that compute the
// stamp position X, Y. The position and the registers live in one MovementMachine shared by all
// movements; each movement keeps its own stamp count.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "assets/assets.h"
#include "engine/program.h"
#include "persist/visual_state.h"
#include "platform/surface.h"
#include "core/services.h"

namespace korel {

struct BrushAsset;

// ".mvm" layout (little-endian): tag, four bytes nobody reads, the icon length, a 120-byte
// description, the icon, then the centred flag, the parameters and the program trailer.
namespace mvm {
constexpr uint8_t kTag = 'M';
constexpr size_t IconLength = 5;  // unsigned 16
constexpr size_t Description = 7;
constexpr size_t kDescriptionSize = 120;
constexpr size_t Icon = 127;
constexpr int kIconSize = 24;
constexpr int kMaxParams = 3;
constexpr size_t kParamNameSize = 24;
constexpr size_t kParamDescriptionSize = 120;
constexpr int8_t kRandomDefault = -128;  // 0x80: the value is drawn between minimum and maximum
}  // namespace mvm

// Program numbers of a movement.
enum MovementProgram : int { kStartProgram = 0, kBeatProgram = 1, kStampProgram = 2 };

struct MovementAsset {
    ProgramSet programs;
    int8_t paramCount = 0;
    bool centred = false;  // after every run the centre is added to X and Y
    std::array<int8_t, mvm::kMaxParams> paramMin{};
    std::array<int8_t, mvm::kMaxParams> paramMax{};
    std::array<int8_t, mvm::kMaxParams> paramDefault{};
    std::array<std::string, mvm::kMaxParams> paramNames;
    std::array<std::string, mvm::kMaxParams> paramDescriptions;
    int16_t stampCount = 1;  // stamps per draw call; "SI" and "SE" change it
};

struct MovementSlots {
    std::array<MovementAsset, kMovementSlots> slots;
    int current = 0;  // 0-based
    MovementSlots();
};

// The movement of an empty slot: one start instruction X = 4 CX, which puts every stamp far
// right of the picture, and no parameters.
MovementAsset emptyMovement();

// Decodes a ".mvm" file in memory. Returns nullptr and fills `out` (and `icon`, when not null,
// with the 24 x 24 icon, left empty when the file has none), or the message to show ("Not a
// valid file!", "End of file error!"), leaving both as they were.
const char* decodeMovement(std::span<const uint8_t> file, MovementAsset& out,
                           Surface* icon = nullptr);

// Loads `name` into slot 0-5. "(None)" gives the empty movement; a file that cannot be opened
// gives the empty movement, the name "(None)" and "Unable to open or find movement!"; a wrong
// tag or a damaged file fails and keeps the slot. With options.chooseParameters the slot's
// MovementParams get fresh values.
bool loadMovement(Services& services, VisualState& state, AssetHooks& hooks, MovementSlots& slots,
                  int slot, std::string_view name, const LoadOptions& options);

// Chooses parameter values into a 6-byte MovementParams entry: a random default gives
// min + trunc(r x (max - min + 1) / 32768) with flag 0, any other the default with flag 1.
// With onlyUnfixed, only parameters whose flag is 0 are drawn again (a trigger's selection).
void chooseParameterValues(const MovementAsset& movement, uint8_t* params, Random& random,
                           bool onlyUnfixed = false);

// What the programs read: the centre of the picture, the sound level, the spread setting, the
// current brush (null: an empty slot) and the slot's parameters.
MovementInputs movementInputs(const Services& services, const VisualState& state,
                              const BrushAsset* brush, int movementSlot, double soundLevel);

// Makes the slot current and starts it: stamp count 1, the start program, then the beat program
// once. (A trigger's selection first redraws the unfixed parameters: chooseParameterValues.)
void startMovement(MovementSlots& slots, int slot, const MovementInputs& in,
                   MovementMachine& machine, Random& random);

// Runs one program of the current movement (kBeatProgram on every beat before the beat's draw
// call; kStampProgram before each stamp, from the draw call).
void runMovement(MovementSlots& slots, MovementProgram program, const MovementInputs& in,
                 MovementMachine& machine, Random& random);

}  // namespace korel
