// Decoders and simple encoders of the token code, the brush masks and the zero-run icon code.
#include "engine/coded_image.h"

#include <algorithm>
#include <cstring>

namespace korel {

PackedShape packedShape(uint8_t code) {
    if (code >= 1 && code <= 5) return PackedShape{code + 3, 1};
    if (code >= 6 && code <= 10) return PackedShape{code + 4, 1};
    if (code >= 11 && code <= 15) return PackedShape{code - 7, 2};
    if (code >= 16 && code <= 20) return PackedShape{code - 6, 2};
    return PackedShape{};
}

bool decodeCodedImage(std::span<const uint8_t> code, Surface& out) {
    const int width = out.width();
    const int height = out.height();
    if (width <= 0 || height <= 0) return code.empty();
    size_t pos = code.size();  // code[0, pos) is not consumed yet
    for (int y = height - 1; y >= 0; --y) {
        uint8_t* row = out.row(y);
        int left = width;  // pixels [left, width) of this row are filled
        while (left > 0) {
            if (pos == 0) return false;
            const uint8_t c = code[--pos];
            if (token::isLiteral(c)) {
                row[--left] = c;
                continue;
            }
            if (c >= token::kRunFirst) {
                const int n = c - 198;
                if (pos == 0 || n > left) return false;
                const uint8_t v = code[--pos];
                left -= n;
                std::memset(row + left, v, size_t(n));
                continue;
            }
            const PackedShape shape = packedShape(c);
            const size_t bitBytes = size_t(shape.bitBytes());
            if (pos < bitBytes + 1 || shape.pixels > left) return false;
            const uint8_t base = code[--pos];
            pos -= bitBytes;
            uint64_t bits = 0;
            for (size_t i = 0; i < bitBytes; ++i) bits |= uint64_t(code[pos + i]) << (8 * i);
            const int m = shape.pixels;
            const int k = shape.bits;
            const uint64_t valueMask = (1u << k) - 1;
            left -= m;
            for (int j = 0; j < m; ++j)
                row[left + j] = uint8_t(base + ((bits >> (k * (m - 1 - j))) & valueMask));
        }
    }
    return pos == 0;
}

namespace {

// Writes `count` mask pixels of `value` starting at column x, dropping columns >= width.
void putMaskPixels(uint8_t* row, int x, int count, uint8_t value, int width) {
    const int end = std::min(x + count, width);
    if (end > x) std::memset(row + x, value, size_t(end - x));
}

void putMaskByte(uint8_t* row, int x, uint8_t bits, int width) {
    for (int b = 0; b < 8 && x + b < width; ++b) row[x + b] = (bits & (0x80 >> b)) ? 0xFF : 0x00;
}

}  // namespace

bool decodeMask(std::span<const uint8_t> code, bool plain, int width, Surface& out) {
    const int height = out.height();
    if (width <= 0 || height <= 0 || width > out.width()) return false;
    const int rowPixels = maskRowPixels(width);
    if (plain) {
        const size_t rowBytes = size_t(rowPixels / 8);
        if (code.size() != rowBytes * size_t(height)) return false;
        for (int y = 0; y < height; ++y) {
            const uint8_t* src = code.data() + size_t(y) * rowBytes;
            for (size_t i = 0; i < rowBytes; ++i)
                putMaskByte(out.row(y), int(i) * 8, src[i], width);
        }
        return true;
    }
    size_t pos = code.size();
    for (int y = height - 1; y >= 0; --y) {
        uint8_t* row = out.row(y);
        if (pos == 0) return false;
        const bool marked = code[pos - 1] == 0xFF;
        if (marked) --pos;
        int left = rowPixels;
        while (left > 0) {
            if (pos == 0) return false;
            const uint8_t c = code[--pos];
            if (c == 0x00 || (marked && c == 0xFF)) {
                if (pos == 0) return false;
                const int n = (int(code[--pos]) + 1) * 8;
                if (n > left) return false;
                left -= n;
                putMaskPixels(row, left, n, c, width);
            } else {
                left -= 8;
                putMaskByte(row, left, c, width);
            }
        }
    }
    return pos == 0;
}

bool decodeZeroRunImage(std::span<const uint8_t> code, Surface& out) {
    const int width = out.width();
    const int height = out.height();
    if (width <= 0 || height <= 0) return code.empty();
    size_t pos = code.size();
    for (int y = height - 1; y >= 0; --y) {
        uint8_t* row = out.row(y);
        int left = width;
        while (left > 0) {
            if (pos == 0) return false;
            const uint8_t c = code[--pos];
            if (c >= 21 && c <= 200) {
                const int n = c - 19;
                if (n > left) return false;
                left -= n;
                std::memset(row + left, 0, size_t(n));
            } else {
                row[--left] = c;
            }
        }
    }
    return pos == 0;
}

bool encodeCodedImage(const Surface& image, Bytes& out) {
    out.clear();
    for (int y = 0; y < image.height(); ++y) {
        const uint8_t* row = image.row(y);
        int x = 0;
        while (x < image.width()) {
            const uint8_t v = row[x];
            int run = 1;
            while (x + run < image.width() && row[x + run] == v) ++run;
            x += run;
            while (run > 0) {
                if (run < token::kRunMin) {
                    if (!token::isLiteral(v)) return false;
                    out.insert(out.end(), size_t(run), v);
                    break;
                }
                int n = std::min(run, token::kRunMax);
                // Leave at least a whole run behind when the rest could not be literal pixels.
                if (run - n > 0 && run - n < token::kRunMin && !token::isLiteral(v))
                    n = run - token::kRunMin;
                out.push_back(v);
                out.push_back(uint8_t(198 + n));
                run -= n;
            }
        }
    }
    return true;
}

Bytes encodeMask(const Surface& mask, int width, bool plain) {
    Bytes out;
    const size_t rowBytes = size_t(maskRowPixels(width) / 8);
    Bytes packed(rowBytes);
    for (int y = 0; y < mask.height(); ++y) {
        std::fill(packed.begin(), packed.end(), uint8_t(0));
        for (int x = 0; x < width; ++x)
            if (mask.at(x, y)) packed[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        if (plain) {
            out.insert(out.end(), packed.begin(), packed.end());
            continue;
        }
        // The 0xFF runs and the end marker are used when a row has a long stretch of ones, and
        // also when the row ends in 0xFF, which a reader would otherwise take for the marker.
        bool marked = packed.back() == 0xFF;
        for (size_t i = 0; i + 2 < rowBytes && !marked; ++i)
            marked = packed[i] == 0xFF && packed[i + 1] == 0xFF && packed[i + 2] == 0xFF;
        size_t i = 0;
        while (i < rowBytes) {
            const uint8_t b = packed[i];
            if (b == 0x00 || (marked && b == 0xFF)) {
                size_t n = 1;
                while (i + n < rowBytes && packed[i + n] == b && n < 256) ++n;
                out.push_back(uint8_t(n - 1));
                out.push_back(b);
                i += n;
            } else {
                out.push_back(b);
                ++i;
            }
        }
        if (marked) out.push_back(0xFF);
    }
    return out;
}

bool encodeZeroRunImage(const Surface& image, Bytes& out) {
    out.clear();
    for (int y = 0; y < image.height(); ++y) {
        const uint8_t* row = image.row(y);
        int x = 0;
        while (x < image.width()) {
            const uint8_t v = row[x];
            if (v >= 21 && v <= 200) return false;
            int run = 1;
            if (v == 0)
                while (x + run < image.width() && row[x + run] == 0 && run < 181) ++run;
            out.push_back(run >= 2 ? uint8_t(run + 19) : v);
            x += run;
        }
    }
    return true;
}

}  // namespace korel
