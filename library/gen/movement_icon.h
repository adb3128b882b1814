// Movement icons drawn from the movement itself: the program is run for a while on a 4:3
// picture and the path it takes is plotted into the 24 x 24 icon in the preview colours.
#pragma once

#include "platform/bytes.h"

namespace korel::art {

// Puts a freshly drawn icon into a ".mvm" file in memory (replacing the icon it has). False,
// leaving the file as it was, when the file is not a movement the engine can read.
bool drawMovementIcon(Bytes& mvm);

}  // namespace korel::art
