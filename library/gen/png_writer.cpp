// Stored-deflate PNG writing: signature, IHDR, IDAT chunks, IEND.
#include "library/gen/png_writer.h"

#include <array>

namespace korel::art {

namespace {

std::array<uint32_t, 256> makeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

void putBe32(ByteWriter& w, uint32_t v) {
    w.be16(uint16_t(v >> 16));
    w.be16(uint16_t(v));
}

void chunk(ByteWriter& out, const char type[4], std::span<const uint8_t> body) {
    putBe32(out, uint32_t(body.size()));
    const size_t typeAt = out.size();
    out.bytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(type), 4));
    out.bytes(body);
    putBe32(out, crc32(std::span<const uint8_t>(out.data()).subspan(typeAt)));
}

}  // namespace

uint32_t crc32(std::span<const uint8_t> data, uint32_t crc) {
    static const std::array<uint32_t, 256> kTable = makeCrcTable();
    uint32_t c = crc ^ 0xFFFFFFFFu;
    for (uint8_t b : data) c = kTable[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

uint32_t adler32(std::span<const uint8_t> data) {
    uint32_t a = 1, b = 0;
    for (uint8_t v : data) {
        a = (a + v) % 65521u;
        b = (b + a) % 65521u;
    }
    return (b << 16) | a;
}

namespace {

// `raw`: the scanlines, each led by its filter byte; colour type 2 (RGB) or 6 (RGBA).
Bytes encodeScanlines(int width, int height, uint8_t colourType, const Bytes& raw) {
    // zlib stream: header 78 01, stored blocks of at most 65535 bytes, Adler-32 trailer.
    ByteWriter z;
    z.u8(0x78);
    z.u8(0x01);
    size_t pos = 0;
    do {
        const size_t n = std::min<size_t>(65535, raw.size() - pos);
        const bool last = pos + n == raw.size();
        z.u8(last ? 1 : 0);
        z.le16(uint16_t(n));
        z.le16(uint16_t(~n));
        z.bytes(std::span<const uint8_t>(raw).subspan(pos, n));
        pos += n;
    } while (pos < raw.size());
    putBe32(z, adler32(raw));

    ByteWriter out;
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    out.bytes(kSignature);
    ByteWriter header;
    putBe32(header, uint32_t(width));
    putBe32(header, uint32_t(height));
    header.u8(8);  // bit depth
    header.u8(colourType);
    header.u8(0);
    header.u8(0);
    header.u8(0);
    chunk(out, "IHDR", header.data());
    chunk(out, "IDAT", z.data());
    chunk(out, "IEND", {});
    return std::move(out.data());
}

}  // namespace

Bytes encodePng(const Image24& image) {
    // Raw scanlines, each led by filter type 0.
    Bytes raw;
    raw.reserve(size_t(image.height) * (size_t(image.width) * 3 + 1));
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < image.width; ++x) {
            const Rgb& c = image.at(x, y);
            raw.push_back(c.r);
            raw.push_back(c.g);
            raw.push_back(c.b);
        }
    }
    return encodeScanlines(image.width, image.height, 2, raw);
}

Bytes encodePngRgba(int width, int height, std::span<const uint8_t> rgba) {
    const size_t rowBytes = size_t(width) * 4;
    if (width <= 0 || height <= 0 || rgba.size() != rowBytes * size_t(height)) return {};
    Bytes raw;
    raw.reserve(size_t(height) * (rowBytes + 1));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        const auto row = rgba.subspan(size_t(y) * rowBytes, rowBytes);
        raw.insert(raw.end(), row.begin(), row.end());
    }
    return encodeScanlines(width, height, 6, raw);
}

}  // namespace korel::art
