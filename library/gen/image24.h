// 24-bit RGB pictures for the art generators, and their uncompressed BMP form.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/bytes.h"
#include "platform/types.h"

namespace korel::art {

struct Image24 {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // rows from the top, left to right

    Image24() = default;
    Image24(int w, int h, Rgb fill = Rgb{255, 255, 255})
        : width(w), height(h), pixels(size_t(w) * size_t(h), fill) {}

    Rgb& at(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    const Rgb& at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// The 54-byte-header, bottom-up, BGR, 4-byte-padded rows form that the converter reads.
Bytes encodeBmp24(const Image24& image);

// Reads the same form back (24-bit, uncompressed, either row order); false on anything else.
bool decodeBmp24(std::span<const uint8_t> data, Image24& out);

}  // namespace korel::art
