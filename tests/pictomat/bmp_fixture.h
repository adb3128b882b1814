// Builds 24-bit bitmap files in memory for the converter's tests.
#pragma once

#include <functional>

#include "platform/bytes.h"
#include "platform/types.h"

namespace korel::test {

struct BmpOptions {
    uint32_t infoSize = 40;
    uint16_t planes = 1;
    uint16_t bits = 24;
    uint32_t compression = 0;
    bool topDown = false;
};

// A bitmap of w x h whose pixel (x, y), y from the top, is px(x, y); rows padded to 4 bytes.
inline Bytes makeBmp(int w, int h, const std::function<Rgb(int, int)>& px,
                     const BmpOptions& o = {}) {
    const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
    ByteWriter b;
    b.u8('B');
    b.u8('M');
    b.le32(uint32_t(54 + stride * size_t(h)));
    b.le32(0);
    b.le32(54);
    b.le32(o.infoSize);
    b.le32(uint32_t(w));
    b.le32(uint32_t(o.topDown ? -h : h));
    b.le16(o.planes);
    b.le16(o.bits);
    b.le32(o.compression);
    b.le32(uint32_t(stride * size_t(h)));
    b.le32(2835);
    b.le32(2835);
    b.le32(0);
    b.le32(0);
    for (int row = 0; row < h; ++row) {
        const int y = o.topDown ? row : h - 1 - row;
        for (int x = 0; x < w; ++x) {
            const Rgb c = px(x, y);
            b.u8(c.b);
            b.u8(c.g);
            b.u8(c.r);
        }
        b.fill(0xCD, stride - size_t(w) * 3);  // padding that must not be read as pixels
    }
    return std::move(b.data());
}

inline Bytes solidBmp(int w, int h, Rgb c) {
    return makeBmp(w, h, [c](int, int) { return c; });
}

}  // namespace korel::test
