// 8-bit surfaces: filling, framing, lines and (stretched, colour-keyed) copies with clipping.
#include "platform/surface.h"

#include <cstdlib>
#include <cstring>

namespace korel {

void Surface::resize(int width, int height, uint8_t fill) {
    if (width <= 0 || height <= 0) width = height = 0;
    width_ = width;
    height_ = height;
    pixels_.assign(size_t(width) * size_t(height), fill);
    pixels_.shrink_to_fit();
    clip_ = bounds();
}

void Surface::fillRect(const Rect& r, uint8_t index) {
    Rect c = intersect(r, clip_);
    if (c.empty()) return;
    for (int y = c.top; y < c.bottom; ++y) std::memset(row(y) + c.left, index, size_t(c.width()));
}

void Surface::frameRect(const Rect& r, uint8_t index) {
    if (r.empty()) return;
    hline(r.left, r.right, r.top, index);
    hline(r.left, r.right, r.bottom - 1, index);
    vline(r.left, r.top, r.bottom, index);
    vline(r.right - 1, r.top, r.bottom, index);
}

void Surface::hline(int x0, int x1, int y, uint8_t index) {
    if (x1 < x0) std::swap(x0, x1);
    fillRect(Rect{x0, y, x1, y + 1}, index);
}

void Surface::vline(int x, int y0, int y1, uint8_t index) {
    if (y1 < y0) std::swap(y0, y1);
    fillRect(Rect{x, y0, x + 1, y1}, index);
}

void Surface::line(int x0, int y0, int x1, int y1, uint8_t index) {
    int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    while (x0 != x1 || y0 != y1) {
        set(x0, y0, index);
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

Rect copySurface(Surface& dst, int x, int y, const Surface& src, const Rect& from, CopyKey key) {
    Rect s = intersect(from, src.bounds());
    if (s.empty()) return Rect{};
    // Destination of the clipped source, then clip that to the destination.
    Rect d{x + (s.left - from.left), y + (s.top - from.top), 0, 0};
    d.right = d.left + s.width();
    d.bottom = d.top + s.height();
    Rect c = intersect(d, dst.clip());
    if (c.empty()) return Rect{};
    int sx = s.left + (c.left - d.left);
    int sy = s.top + (c.top - d.top);
    int w = c.width();
    for (int row = 0; row < c.height(); ++row) {
        const uint8_t* sp = src.row(sy + row) + sx;
        uint8_t* dp = dst.row(c.top + row) + c.left;
        if (!key.enabled) {
            std::memcpy(dp, sp, size_t(w));
        } else {
            const uint8_t k = key.index;
            for (int i = 0; i < w; ++i)
                if (sp[i] != k) dp[i] = sp[i];
        }
    }
    return c;
}

Rect stretchSurface(Surface& dst, const Rect& to, const Surface& src, const Rect& from,
                    CopyKey key) {
    if (to.empty() || from.empty()) return Rect{};
    if (to.width() == from.width() && to.height() == from.height())
        return copySurface(dst, to.left, to.top, src, from, key);
    Rect c = intersect(to, dst.clip());
    if (c.empty()) return Rect{};
    const int64_t fw = from.width(), fh = from.height(), tw = to.width(), th = to.height();
    const Rect sb = src.bounds();
    // Source columns step by fw / tw per destination column: a whole part and a remainder,
    // so the inner loop needs no division.
    const int64_t startOffset = int64_t(c.left - to.left) * fw;
    const int stepWhole = int(fw / tw);
    const int64_t stepRem = fw % tw;
    Rect written{};
    for (int y = c.top; y < c.bottom; ++y) {
        int syy = from.top + int((int64_t(y - to.top) * fh) / th);
        if (syy < sb.top || syy >= sb.bottom) continue;
        const uint8_t* sp = src.row(syy);
        uint8_t* dp = dst.row(y);
        int sxx = from.left + int(startOffset / tw);
        int64_t rem = startOffset % tw;
        for (int x = c.left; x < c.right; ++x) {
            if (sxx >= sb.left && sxx < sb.right) {
                uint8_t v = sp[sxx];
                if (!key.enabled || v != key.index) dp[x] = v;
            }
            sxx += stepWhole;
            rem += stepRem;
            if (rem >= tw) {
                rem -= tw;
                ++sxx;
            }
        }
        written = unite(written, Rect{c.left, y, c.right, y + 1});
    }
    return written;
}

}  // namespace korel
