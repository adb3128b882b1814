// RGB -> YUV 4:2:0 with the BT.601 video-range integer coefficients.
#include "platform/video/yuv.h"

#include <cstddef>

namespace korel {

namespace {

inline uint8_t luma(int r, int g, int b) { return uint8_t(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16); }

}  // namespace

void rgbToYuv420(const Rgb* pixels, int width, int height, uint8_t* y, int yStride, uint8_t* u,
                 int uStride, uint8_t* v, int vStride) {
    // Luma and chroma in separate plain loops, which the compiler turns into vector code.
    for (int row = 0; row < height; ++row) {
        const Rgb* src = pixels + static_cast<ptrdiff_t>(row) * width;
        uint8_t* dst = y + static_cast<ptrdiff_t>(row) * yStride;
        for (int x = 0; x < width; ++x) dst[x] = luma(src[x].r, src[x].g, src[x].b);
    }
    for (int row = 0; row + 1 < height; row += 2) {
        const Rgb* top = pixels + static_cast<ptrdiff_t>(row) * width;
        const Rgb* bottom = top + width;
        uint8_t* uRow = u + static_cast<ptrdiff_t>(row / 2) * uStride;
        uint8_t* vRow = v + static_cast<ptrdiff_t>(row / 2) * vStride;
        for (int x = 0; x < width / 2; ++x) {
            const Rgb a = top[2 * x], b = top[2 * x + 1], c = bottom[2 * x], d = bottom[2 * x + 1];
            // Sums of four: the coefficients' >> 8 becomes >> 10.
            const int r = a.r + b.r + c.r + d.r;
            const int g = a.g + b.g + c.g + d.g;
            const int bl = a.b + b.b + c.b + d.b;
            uRow[x] = uint8_t(((-38 * r - 74 * g + 112 * bl + 512) >> 10) + 128);
            vRow[x] = uint8_t(((112 * r - 94 * g - 18 * bl + 512) >> 10) + 128);
        }
    }
}

}  // namespace korel
