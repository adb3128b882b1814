// The controls window's pictures and the program's mark, drawn by code in the program's fixed
// palette entries: what korel-pictgen writes into the seed's "Controls" folder and the icons.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/surface.h"
#include "platform/types.h"

namespace korel::art {

// Draws picture `number` (128, 130..138) at its exact size; an empty surface for any other.
Surface drawControlPicture(int number);

// The mark on its own, `size` pixels square; pixels outside it hold `clear`.
Surface drawMark(int size, uint8_t clear);

// The mark as straight RGBA rows (alpha from 4 x 4 samples per pixel), for the icon files.
std::vector<uint8_t> drawMarkRgba(int size, const Palette& palette);

}  // namespace korel::art
