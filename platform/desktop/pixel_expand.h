// Expansion of 8-bit canvas pixels into 32-bit ARGB through the shared palette.
#pragma once

#include <array>
#include <cstdint>

#include "platform/surface.h"
#include "platform/types.h"

namespace korel::desktop {

using ArgbTable = std::array<uint32_t, 256>;

// Opaque 0xAARRGGBB for every palette entry (the flag byte does not show).
ArgbTable argbTable(const Palette& palette);

// Writes src's rectangle r (clipped to src) into dst, a 32-bit image of src's size whose rows are
// `dstPitch` pixels apart, at the same coordinates. Returns the rectangle written.
Rect expandRect(const Surface& src, const Rect& r, const ArgbTable& table, uint32_t* dst,
                int dstPitch);

// As expandRect, with every canvas pixel written as a 2 x 2 block: dst is a 32-bit image of
// twice src's size whose rows are `dstPitch` pixels apart, and canvas pixel (x, y) lands at
// (2x, 2y). Returns the canvas rectangle written (twice it is the part of dst written).
Rect expandRectDoubled(const Surface& src, const Rect& r, const ArgbTable& table, uint32_t* dst,
                       int dstPitch);

// expandRect for scale 1, expandRectDoubled for scale 2 (dst is then twice src's size).
Rect expandRectScaled(const Surface& src, const Rect& r, const ArgbTable& table, uint32_t* dst,
                      int dstPitch, int scale);

}  // namespace korel::desktop
