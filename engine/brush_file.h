// Building ".bru" and ".mvm" files in memory from images and programs, in the layout the
// loaders read (for fixtures, seed files, benchmarks and tools).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/brush.h"
#include "engine/movement.h"
#include "engine/program.h"
#include "platform/bytes.h"
#include "platform/surface.h"

namespace korel {

struct BrushFileContent {
    Surface colour;  // the whole strip, index 255 transparent; empty for no colour image
    Surface mask;    // 0x00/0xFF, as wide as the strip; empty for no mask
    bool plainMask = false;
    int frameCount = 1;
    bool beatFrame = false;
    bool palindrome = false;
    std::vector<Rgb> ownColours;  // at most 90
    Surface icon;                 // 48 x 48; empty gives a transparent icon
    bool iconBackdrop = false;
};

// False when an image cannot be coded (see encodeCodedImage) or the strip has no size.
bool buildBrushFile(const BrushFileContent& desc, Bytes& out);

struct MovementFileContent {
    std::string description;
    Surface icon;  // 24 x 24; empty gives a black icon
    bool centred = false;
    int paramCount = 0;
    std::array<int8_t, 3> paramMin{};
    std::array<int8_t, 3> paramMax{};
    std::array<int8_t, 3> paramDefault{};
    std::array<std::string, 3> paramNames;
    std::array<std::string, 3> paramDescriptions;
    ProgramSet programs;
};

bool buildMovementFile(const MovementFileContent& desc, Bytes& out);

}  // namespace korel
