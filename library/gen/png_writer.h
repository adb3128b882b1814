// PNG encoding without a compression library: the image data is stored in uncompressed
// deflate blocks, which every PNG reader accepts.
#pragma once

#include "library/gen/image24.h"

namespace korel::art {

Bytes encodePng(const Image24& image);
// Straight (not premultiplied) RGBA rows from the top; empty when the sizes do not match.
Bytes encodePngRgba(int width, int height, std::span<const uint8_t> rgba);

uint32_t crc32(std::span<const uint8_t> data, uint32_t crc = 0);
uint32_t adler32(std::span<const uint8_t> data);

}  // namespace korel::art
