// 24-bit BMP writing and reading for the art generators.
#include "library/gen/image24.h"

namespace korel::art {

namespace {
constexpr size_t kFileHeader = 14;
constexpr size_t kInfoHeader = 40;

size_t rowBytes(int width) {
    return (size_t(width) * 3 + 3) & ~size_t(3);
}
}  // namespace

Bytes encodeBmp24(const Image24& image) {
    const size_t stride = rowBytes(image.width);
    const size_t imageSize = stride * size_t(image.height);
    Bytes out(kFileHeader + kInfoHeader + imageSize, 0);
    uint8_t* p = out.data();
    p[0] = 'B';
    p[1] = 'M';
    putLe32(p + 2, uint32_t(out.size()));
    putLe32(p + 10, uint32_t(kFileHeader + kInfoHeader));
    putLe32(p + 14, uint32_t(kInfoHeader));
    putLe32(p + 18, uint32_t(image.width));
    putLe32(p + 22, uint32_t(image.height));  // positive: bottom-up rows
    putLe16(p + 26, 1);                       // planes
    putLe16(p + 28, 24);                      // bits per pixel
    putLe32(p + 30, 0);                       // no compression
    putLe32(p + 34, uint32_t(imageSize));
    putLe32(p + 38, 2835);  // 72 dpi, as painting programs write it
    putLe32(p + 42, 2835);
    for (int y = 0; y < image.height; ++y) {
        uint8_t* row = p + kFileHeader + kInfoHeader + size_t(image.height - 1 - y) * stride;
        for (int x = 0; x < image.width; ++x) {
            const Rgb& c = image.at(x, y);
            row[size_t(x) * 3 + 0] = c.b;
            row[size_t(x) * 3 + 1] = c.g;
            row[size_t(x) * 3 + 2] = c.r;
        }
    }
    return out;
}

bool decodeBmp24(std::span<const uint8_t> data, Image24& out) {
    ByteReader r(data);
    uint8_t b0 = 0, b1 = 0;
    if (!r.u8(b0) || !r.u8(b1) || b0 != 'B' || b1 != 'M') return false;
    uint32_t pixelOffset = 0, infoSize = 0, width = 0, height = 0, compression = 0;
    uint16_t planes = 0, bits = 0;
    if (!r.seek(10) || !r.le32(pixelOffset) || !r.le32(infoSize) || !r.le32(width) ||
        !r.le32(height) || !r.le16(planes) || !r.le16(bits) || !r.le32(compression))
        return false;
    if (infoSize != kInfoHeader || planes != 1 || bits != 24 || compression != 0) return false;
    const int32_t w = int32_t(width);
    const int32_t h = int32_t(height);
    const bool topDown = h < 0;
    const int64_t rows = topDown ? -int64_t(h) : h;
    if (w <= 0 || rows <= 0 || w > 1 << 15 || rows > 1 << 15) return false;
    const size_t stride = rowBytes(w);
    if (pixelOffset > data.size() || stride * size_t(rows) > data.size() - pixelOffset)
        return false;
    out = Image24(w, int(rows));
    for (int y = 0; y < out.height; ++y) {
        const size_t fileRow = topDown ? size_t(y) : size_t(out.height - 1 - y);
        const uint8_t* row = data.data() + pixelOffset + fileRow * stride;
        for (int x = 0; x < w; ++x)
            out.at(x, y) = Rgb{row[size_t(x) * 3 + 2], row[size_t(x) * 3 + 1], row[size_t(x) * 3]};
    }
    return true;
}

}  // namespace korel::art
