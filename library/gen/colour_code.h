// The colour code the converter reads, as drawing operations: every pixel of a design is a
// position along a gradient (0-89), a fixed colour, the mask, black or transparent.
#pragma once

#include <cmath>
#include <cstdint>

#include "library/gen/image24.h"

namespace korel::art {

constexpr int kShadePositions = 90;

// What one pixel of a design stands for.
struct Ink {
    enum Kind : uint8_t { Clear, Black, Mask, Shade, Shade2, Fixed };
    Kind kind = Clear;
    uint8_t position = 0;  // Shade, Shade2: 0-89, 0 the brightest end of the range
    Rgb colour{};          // Fixed

    static Ink clear() { return {}; }
    static Ink black() { return Ink{Black, 0, {}}; }
    static Ink mask() { return Ink{Mask, 0, {}}; }
    // Any real number: wrapped onto the 90 positions, so designs may count round the gradient.
    static Ink shade(double position) { return Ink{Shade, wrapPosition(position), {}}; }
    static Ink shade2(double position) { return Ink{Shade2, wrapPosition(position), {}}; }
    static Ink fixed(Rgb c) { return Ink{Fixed, 0, c}; }

    static uint8_t wrapPosition(double p) {
        double w = std::fmod(std::floor(p), double(kShadePositions));
        if (w < 0) w += kShadePositions;
        return uint8_t(w);
    }
};

// The green (or red) intensity that the converter maps back to `position` when its section
// count is 1: it inverts offset = trunc(90 (255 - v) / 255) exactly.
inline uint8_t shadeIntensity(int position) {
    return uint8_t(255 - (position * 255 + kShadePositions - 1) / kShadePositions);
}

// The 24-bit colour an artist would paint for the ink. Fixed colours that the converter would
// read as something else (white, black, pure blue, pure green or red shades) are nudged by one
// step so that they stay fixed colours.
Rgb paintColour(const Ink& ink);

// A design: one ink per pixel.
struct InkImage {
    int width = 0;
    int height = 0;
    std::vector<Ink> inks;

    InkImage(int w, int h) : width(w), height(h), inks(size_t(w) * size_t(h)) {}
    Ink& at(int x, int y) { return inks[size_t(y) * size_t(width) + size_t(x)]; }
    const Ink& at(int x, int y) const { return inks[size_t(y) * size_t(width) + size_t(x)]; }
};

Image24 paint(const InkImage& design);

}  // namespace korel::art
