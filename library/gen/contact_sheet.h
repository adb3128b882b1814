// The contact sheet: one picture of every brush, fill and gradient of a seed folder, decoded by
// the engine's own readers, so that a file that would not load cannot look right here.
#pragma once

#include <string>
#include <vector>

#include "library/gen/image24.h"

namespace korel::art {

struct ContactSheet {
    Image24 image;
    std::vector<std::string> problems;  // "Brushes/X.bru: message" for files that did not decode
    int brushes = 0;
    int fills = 0;
    int gradients = 0;
};

// Reads seed/Brushes, seed/Fills and seed/Gradients and draws the sheet.
ContactSheet drawContactSheet(const std::string& seed);

}  // namespace korel::art
