// The picture codes of the asset files: the token code of brush images, fill images and icons,
// the plain and run-coded bit rows of brush masks, and the zero-run code of movement icons.
//
// Every decoder fills a caller-sized Surface from the last byte of the code backward (bottom
// right pixel first), checks each token against the end of its row and the start of the image,
// and fails, leaving partial pixels, when the code is short, has bytes left over, or has a token
// that would cross a row end. Nothing is ever read or written outside the buffer or surface.
#pragma once

#include <cstdint>
#include <span>

#include "platform/bytes.h"
#include "platform/surface.h"

namespace korel {

// Token code bytes (the last byte of each token).
namespace token {
constexpr int kRunFirst = 201;  // 201-254: a run of c - 198 (3-56) pixels of the value before it
constexpr int kRunLast = 254;
constexpr int kRunMin = 3;
constexpr int kRunMax = 56;
constexpr int kPackedLast = 20;  // 1-20: packed tokens (bit bytes, base, code)
// A code byte that stands for one pixel of its own value.
constexpr bool isLiteral(int c) {
    return c == 0 || (c >= 21 && c <= 200) || c == 255;
}
}  // namespace token

// Pixels and bits per pixel of a packed token code 1-20.
struct PackedShape {
    int pixels = 0;
    int bits = 0;
    int bitBytes() const { return (pixels * bits + 7) / 8; }
};
PackedShape packedShape(uint8_t code);

// Decodes a token-coded image into all of `out` (width x height is the image's size).
bool decodeCodedImage(std::span<const uint8_t> code, Surface& out);

// Mask rows are maskRowPixels(width) pixels wide: the strip width rounded up to whole bytes.
inline int maskRowPixels(int width) {
    return ((width + 7) / 8) * 8;
}
// Byte length of a plainly stored mask of this size.
inline size_t plainMaskBytes(int width, int height) {
    return size_t(maskRowPixels(width) / 8) * size_t(height < 0 ? 0 : height);
}

// Decodes a brush mask of `width` x out.height() into columns 0..width-1 of `out` (which may be
// wider: the brush keeps a scratch frame there). 1 bits give 0xFF, 0 bits 0x00; the padding
// bits of each row beyond `width` are dropped. `plain` selects plain bit rows (which must be
// exactly plainMaskBytes long) over the run-coded form.
bool decodeMask(std::span<const uint8_t> code, bool plain, int width, Surface& out);

// Decodes a zero-run coded movement icon into all of `out`.
bool decodeZeroRunImage(std::span<const uint8_t> code, Surface& out);

// --- Encoders (for fixtures, tools and tests) ---------------------------------------------

// Codes an image with run tokens and literal pixels only. False when a pixel whose value has no
// literal code (1-20, 201-254) does not sit in a run of at least 3.
bool encodeCodedImage(const Surface& image, Bytes& out);
// Codes columns 0..width-1 of a 0x00/0xFF mask image as plain bit rows or in the run-coded
// form (zero runs and, in rows with a marker, 0xFF runs).
Bytes encodeMask(const Surface& mask, int width, bool plain);
// Codes an image in the zero-run code. False when a pixel value 21-200 occurs.
bool encodeZeroRunImage(const Surface& image, Bytes& out);

}  // namespace korel
