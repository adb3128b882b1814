// Palette expansion of canvas rectangles.
#include "platform/desktop/pixel_expand.h"

#include <cstring>

namespace korel::desktop {

ArgbTable argbTable(const Palette& palette) {
    ArgbTable t{};
    for (size_t i = 0; i < t.size(); ++i) {
        const PaletteEntry& e = palette[i];
        t[i] = 0xFF000000u | (uint32_t(e.r) << 16) | (uint32_t(e.g) << 8) | uint32_t(e.b);
    }
    return t;
}

Rect expandRect(const Surface& src, const Rect& r, const ArgbTable& table, uint32_t* dst,
                int dstPitch) {
    const Rect area = intersect(r, src.bounds());
    if (area.empty() || dst == nullptr) return Rect{};
    const int w = area.width();
    for (int y = area.top; y < area.bottom; ++y) {
        const uint8_t* in = src.row(y) + area.left;
        uint32_t* out = dst + size_t(y) * size_t(dstPitch) + size_t(area.left);
        for (int x = 0; x < w; ++x) out[x] = table[in[x]];
    }
    return area;
}

Rect expandRectDoubled(const Surface& src, const Rect& r, const ArgbTable& table, uint32_t* dst,
                       int dstPitch) {
    const Rect area = intersect(r, src.bounds());
    if (area.empty() || dst == nullptr) return Rect{};
    const int w = area.width();
    const size_t rowBytes = size_t(w) * 2 * sizeof(uint32_t);
    for (int y = area.top; y < area.bottom; ++y) {
        const uint8_t* in = src.row(y) + area.left;
        uint32_t* out = dst + size_t(2 * y) * size_t(dstPitch) + size_t(2 * area.left);
        for (int x = 0; x < w; ++x) {
            const uint32_t v = table[in[x]];
            out[2 * x] = v;
            out[2 * x + 1] = v;
        }
        // The second line of the pair is the first one again.
        std::memcpy(out + dstPitch, out, rowBytes);
    }
    return area;
}

Rect expandRectScaled(const Surface& src, const Rect& r, const ArgbTable& table, uint32_t* dst,
                      int dstPitch, int scale) {
    return scale == 2 ? expandRectDoubled(src, r, table, dst, dstPitch)
                      : expandRect(src, r, table, dst, dstPitch);
}

}  // namespace korel::desktop
