// Writers of the coded image (brush and fill pictures, icons) and of the run-coded brush mask.
#pragma once

#include <cstdint>
#include <span>

#include "platform/bytes.h"

namespace korel::pictomat {

// True for pixel values that a token can hold as a single literal (0, 21-200, 255). Other values
// only appear inside runs and packed tokens.
bool isLiteralValue(uint8_t v);

// Appends the token code of one row of pixels. Fails (appending nothing) only when a pixel that
// cannot be a literal stands where neither a run nor a packed token can take it.
bool codeImageRow(std::span<const uint8_t> row, ByteWriter& out);

// Codes a whole image, rows from the top down, each row by itself.
bool codeImage(std::span<const uint8_t> pixels, int width, int height, Bytes& out);

// A brush mask coded for the file: the bytes and whether they are plain bit rows (header byte
// 17 = 0xFF) or run-coded rows.
struct CodedMask {
    Bytes bytes;
    bool plain = false;
};

// Packs a mask (one byte per pixel, nonzero = bit 1) into bit rows of ceil(width / 8) bytes,
// leftmost pixel in bit 7. The padding bits of a partial last byte are 1 when its first bit is 1
// and the byte before it is 0xFF, so that a run of 0xFF bytes is not broken by the row's end.
Bytes packMaskRow(std::span<const uint8_t> row);

// Run-codes one packed row. A row that would end in a literal 0xFF byte is written in the marker
// form, since a reader takes a trailing 0xFF for the marker.
void codeMaskRow(std::span<const uint8_t> packed, ByteWriter& out);

// Codes the whole mask, choosing the plain form when run coding does not make it smaller.
CodedMask codeMask(std::span<const uint8_t> mask, int width, int height);

}  // namespace korel::pictomat
