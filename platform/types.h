// Basic geometry and colour types shared by the platform layer and the program.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

namespace korel {

// A rectangle with exclusive right and bottom edges, as the drawing code uses everywhere.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const Rect&) const = default;
};

inline Rect intersect(const Rect& a, const Rect& b) {
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (r.empty()) return Rect{};
    return r;
}

// Union of two rectangles; an empty rectangle contributes nothing.
inline Rect unite(const Rect& a, const Rect& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

// One palette entry: red, green, blue and the flag byte (5 = reserved | no-collapse, 4 = no-collapse).
struct PaletteEntry {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t flags = 0;
    bool operator==(const PaletteEntry&) const = default;
};

constexpr uint8_t kPaletteReserved = 0x01;
constexpr uint8_t kPaletteNoCollapse = 0x04;

using Palette = std::array<PaletteEntry, 256>;

}  // namespace korel
