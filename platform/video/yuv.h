// RGB -> YUV 4:2:0 (BT.601, video range), the video encoders' input. Our own loop: for 8-bit
// RGB at the sizes we render it is several times faster than the codec library's generic path.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace korel {

// `width` x `height` pixels (both even) into the three planes; each chroma sample is the mean
// of its 2x2 pixels.
void rgbToYuv420(const Rgb* pixels, int width, int height, uint8_t* y, int yStride, uint8_t* u,
                 int uStride, uint8_t* v, int vStride);

}  // namespace korel
