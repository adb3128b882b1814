// Fuzz target: ".mvm" movement files, decoded and then started and run like the animation does.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/movement.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korel::MovementSlots slots;
    korel::Surface icon;
    if (korel::decodeMovement(std::span(data, size), slots.slots[0], &icon)) return 0;
    korel::MovementInputs in;
    in.centreX = 320;
    in.centreY = 240;
    in.soundLevel = 0.5;
    in.spread = 40;
    in.frameWidth = 48;
    in.frameHeight = 48;
    in.extentRight = 24;
    in.extentBottom = 24;
    in.cycleLength = 3;
    korel::MovementMachine machine;
    korel::Random random;
    uint8_t params[6] = {};
    korel::chooseParameterValues(slots.slots[0], params, random);
    for (int i = 0; i < 6; ++i) in.params[size_t(i)] = int8_t(params[i]);
    korel::startMovement(slots, 0, in, machine, random);
    for (int i = 0; i < 4; ++i)
        korel::runMovement(slots, korel::kStampProgram, in, machine, random);
    korel::runMovement(slots, korel::kBeatProgram, in, machine, random);
    return 0;
}
