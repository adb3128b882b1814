// 8-bit palette-indexed surfaces and the drawing operations the program paints with.
//
// This is the renderer's foundation: every window canvas, the animation's drawing surface and
// every brush, fill and picture surface is a Surface. All operations clip to the destination
// (and to its clip rectangle) and to the source, so no call can touch memory outside a surface.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/types.h"

namespace korel {

class Surface {
public:
    Surface() = default;
    Surface(int width, int height, uint8_t fill = 0) { resize(width, height, fill); }

    // Replaces the contents with a width x height image of `fill`. Negative sizes become 0.
    void resize(int width, int height, uint8_t fill = 0);
    // Releases the pixels; the surface becomes 0 x 0.
    void release() { resize(0, 0); }

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return width_ <= 0 || height_ <= 0; }
    Rect bounds() const { return Rect{0, 0, width_, height_}; }

    // Row access: the caller must keep 0 <= y < height.
    uint8_t* row(int y) { return pixels_.data() + size_t(y) * size_t(width_); }
    const uint8_t* row(int y) const { return pixels_.data() + size_t(y) * size_t(width_); }
    uint8_t* data() { return pixels_.data(); }
    const uint8_t* data() const { return pixels_.data(); }
    size_t byteSize() const { return pixels_.size(); }

    // Bounds-checked pixel access (reads outside give 0, writes outside are dropped).
    uint8_t at(int x, int y) const {
        return (x >= 0 && y >= 0 && x < width_ && y < height_) ? row(y)[x] : 0;
    }
    void set(int x, int y, uint8_t v) {
        if (x >= clip_.left && y >= clip_.top && x < clip_.right && y < clip_.bottom) row(y)[x] = v;
    }

    // Drawing operations clip to this rectangle (initially the whole surface).
    void setClip(const Rect& r) { clip_ = intersect(r, bounds()); }
    void resetClip() { clip_ = bounds(); }
    const Rect& clip() const { return clip_; }

    void fill(uint8_t index) { fillRect(bounds(), index); }
    void fillRect(const Rect& r, uint8_t index);
    // One-pixel frame just inside r.
    void frameRect(const Rect& r, uint8_t index);
    void hline(int x0, int x1, int y, uint8_t index);  // x1 exclusive
    void vline(int x, int y0, int y1, uint8_t index);  // y1 exclusive
    // A one-pixel line from (x0, y0) to (x1, y1), the end point excluded as GDI's LineTo does.
    void line(int x0, int y0, int x1, int y1, uint8_t index);

private:
    std::vector<uint8_t> pixels_;
    int width_ = 0;
    int height_ = 0;
    Rect clip_{};
};

// How a copy treats source pixels.
struct CopyKey {
    bool enabled = false;
    uint8_t index = 0;  // source pixels of this index are not copied when enabled
};

constexpr CopyKey kNoKey{};
inline constexpr CopyKey keyed(uint8_t index) { return CopyKey{true, index}; }

// Copies src's rectangle `from` to dst with its top-left at (x, y); both sides are clipped.
// Returns the destination rectangle actually written (empty when nothing was).
Rect copySurface(Surface& dst, int x, int y, const Surface& src, const Rect& from,
                 CopyKey key = kNoKey);

// Copies src's rectangle `from` stretched (nearest neighbour) onto dst's rectangle `to`.
// The mapping is fixed by the unclipped rectangles; clipping only limits what is written.
Rect stretchSurface(Surface& dst, const Rect& to, const Surface& src, const Rect& from,
                    CopyKey key = kNoKey);

}  // namespace korel
