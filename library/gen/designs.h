// The bundled brushes and fills, drawn by code in the converter's colour code, with the
// converter settings each one needs.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "library/gen/colour_code.h"

namespace korel::art {

// Converter settings of one design (the converter's defaults where not set).
struct ConvertSettings {
    bool fill = false;
    int sections = 1;  // 1: shades use the whole range, so rotation flows through every position
    int sections2 = 1;
    bool spread = false;
    bool spread2 = false;
    bool fixedColours = false;
    bool secondGradient = false;
    int multiply = 1;
    bool blueMask = false;
    bool beatFrame = false;
    bool palindrome = false;
};

struct BrushDesign {
    std::string name;  // the asset name, at most 15 characters
    std::string what;  // one line for the contact sheet and the reader of the sources
    int frameWidth = 0;
    int frameHeight = 0;
    int frames = 1;  // frames drawn (a beat frame, when set, is the last one)
    ConvertSettings settings;
    // Ink at pixel centre (x, y), measured in pixels from the centre of the frame.
    std::function<Ink(int frame, double x, double y)> ink;
};

struct FillDesign {
    std::string name;
    std::string what;
    int width = 0;
    int height = 0;
    ConvertSettings settings;
    std::function<Ink(double x, double y)> ink;  // pixel centre, from the top-left corner
};

const std::vector<BrushDesign>& brushDesigns();
const std::vector<FillDesign>& fillDesigns();

// The strip of all frames side by side, as the converter expects it.
InkImage drawBrush(const BrushDesign& design);
InkImage drawFill(const FillDesign& design);

// The bitmap's file name: the asset name followed by the frame count when there are several
// frames (the converter reads the count from those digits).
std::string bitmapName(const BrushDesign& design);

}  // namespace korel::art
