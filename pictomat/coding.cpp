// Token coding of 8-bit pictures and run coding of one-bit masks.
#include "pictomat/coding.h"

#include <algorithm>
#include <vector>

namespace korel::pictomat {

namespace {

constexpr int kMinRun = 3;
constexpr int kMaxRun = 56;

// One element of a row after the run pass: a run token or a single literal pixel.
struct Piece {
    uint8_t value = 0;
    int length = 1;
    bool run = false;
};

void emitRun(ByteWriter& out, uint8_t value, int length) {
    out.u8(value);
    out.u8(uint8_t(length + 198));
}

// A packed token: m pixels of k bits above the base g.
void emitPacked(ByteWriter& out, std::span<const uint8_t> pixels, uint8_t base, int bits) {
    const int m = int(pixels.size());
    uint64_t n = 0;
    for (int j = 0; j < m; ++j) {
        n |= uint64_t(pixels[size_t(j)] - base) << (bits * (m - 1 - j));
    }
    const int byteCount = (m * bits + 7) / 8;
    for (int i = 0; i < byteCount; ++i) out.u8(uint8_t(n >> (8 * i)));
    out.u8(base);
    uint8_t code;
    if (bits == 1) {
        code = uint8_t(m <= 8 ? m - 3 : m - 4);
    } else {
        code = uint8_t(m <= 8 ? m + 7 : m + 6);
    }
    out.u8(code);
}

}  // namespace

bool isLiteralValue(uint8_t v) {
    return v == 0 || v == 255 || (v >= 21 && v <= 200);
}

bool codeImageRow(std::span<const uint8_t> row, ByteWriter& out) {
    // Run pass: runs of 3 or more equal pixels, split into tokens of at most 56. A remainder too
    // short for a run stays literal.
    std::vector<Piece> pieces;
    for (size_t i = 0; i < row.size();) {
        size_t j = i;
        while (j < row.size() && row[j] == row[i]) ++j;
        int len = int(j - i);
        while (len >= kMinRun) {
            int take = std::min(len, kMaxRun);
            // Keep the remainder a run or nothing when a split would leave 1 or 2 pixels of a
            // value that cannot be literal.
            if (len > kMaxRun && len - take < kMinRun && !isLiteralValue(row[i])) {
                take = len - kMinRun;
            }
            pieces.push_back(Piece{row[i], take, true});
            len -= take;
        }
        for (int k = 0; k < len; ++k) pieces.push_back(Piece{row[i], 1, false});
        i = j;
    }

    ByteWriter tokens;
    for (size_t p = 0; p < pieces.size();) {
        const Piece& a = pieces[p];
        if (a.run) {
            if (p + 1 < pieces.size() && pieces[p + 1].run) {
                const Piece& b = pieces[p + 1];
                const int diff = std::abs(int(a.value) - int(b.value));
                if (diff <= 1 && a.length + b.length <= 8) {
                    std::vector<uint8_t> px(size_t(a.length), a.value);
                    px.insert(px.end(), size_t(b.length), b.value);
                    emitPacked(tokens, px, std::min(a.value, b.value), 1);
                    p += 2;
                    continue;
                }
            }
            emitRun(tokens, a.value, a.length);
            ++p;
            continue;
        }
        // A stretch of literal pixels: try a packed token from here.
        size_t end = p;
        while (end < pieces.size() && !pieces[end].run && end - p < 14) ++end;
        int best = 0;
        if (end - p >= 2 && std::abs(int(pieces[p].value) - int(pieces[p + 1].value)) <= 15) {
            uint8_t lo = 255, hi = 0;
            for (size_t q = p; q < end; ++q) {
                lo = std::min(lo, pieces[q].value);
                hi = std::max(hi, pieces[q].value);
                if (hi - lo > 3) break;
                const int len = int(q - p + 1);
                if (len >= 4) best = len;
            }
            if (best == 9) best = 8;
        }
        if (best >= 4) {
            std::vector<uint8_t> px;
            for (int q = 0; q < best; ++q) px.push_back(pieces[p + size_t(q)].value);
            const uint8_t lo = *std::min_element(px.begin(), px.end());
            const uint8_t hi = *std::max_element(px.begin(), px.end());
            emitPacked(tokens, px, lo, hi - lo == 1 ? 1 : 2);
            p += size_t(best);
            continue;
        }
        if (!isLiteralValue(a.value)) return false;
        tokens.u8(a.value);
        ++p;
    }
    out.bytes(tokens.data());
    return true;
}

bool codeImage(std::span<const uint8_t> pixels, int width, int height, Bytes& out) {
    if (width < 0 || height < 0 || pixels.size() < size_t(width) * size_t(height)) return false;
    ByteWriter w;
    for (int y = 0; y < height; ++y) {
        if (!codeImageRow(pixels.subspan(size_t(y) * size_t(width), size_t(width)), w)) {
            return false;
        }
    }
    out = std::move(w.data());
    return true;
}

Bytes packMaskRow(std::span<const uint8_t> row) {
    const size_t width = row.size();
    Bytes packed((width + 7) / 8, 0);
    for (size_t x = 0; x < width; ++x) {
        if (row[x]) packed[x / 8] |= uint8_t(0x80 >> (x % 8));
    }
    const size_t used = width % 8;
    if (used != 0) {
        const size_t last = packed.size() - 1;
        const bool firstBit = (packed[last] & 0x80) != 0;
        if (firstBit && last > 0 && packed[last - 1] == 0xFF) {
            packed[last] |= uint8_t(0xFF >> used);
        }
    }
    return packed;
}

void codeMaskRow(std::span<const uint8_t> packed, ByteWriter& out) {
    // Stretches of equal bytes.
    bool longFF = false;
    for (size_t i = 0; i < packed.size();) {
        size_t j = i;
        while (j < packed.size() && packed[j] == packed[i]) ++j;
        if (packed[i] == 0xFF && j - i > 2) longFF = true;
        i = j;
    }

    ByteWriter row;
    auto emitStretch = [&](uint8_t value, size_t n, bool asRuns) {
        if (!asRuns) {
            row.fill(value, n);
            return;
        }
        while (n > 0) {
            const size_t take = std::min<size_t>(n, 255);
            row.u8(uint8_t(take - 1));
            row.u8(value);
            n -= take;
        }
    };
    auto codeWith = [&](bool marker) {
        row.data().clear();
        for (size_t i = 0; i < packed.size();) {
            size_t j = i;
            while (j < packed.size() && packed[j] == packed[i]) ++j;
            const uint8_t v = packed[i];
            emitStretch(v, j - i, v == 0x00 || (marker && v == 0xFF));
            i = j;
        }
        if (marker) row.u8(0xFF);
    };
    codeWith(longFF);
    if (!longFF && !row.data().empty() && row.data().back() == 0xFF) codeWith(true);
    out.bytes(row.data());
}

CodedMask codeMask(std::span<const uint8_t> mask, int width, int height) {
    CodedMask result;
    ByteWriter plain, coded;
    for (int y = 0; y < height; ++y) {
        const Bytes packed = packMaskRow(mask.subspan(size_t(y) * size_t(width), size_t(width)));
        plain.bytes(packed);
        codeMaskRow(packed, coded);
    }
    if (coded.size() < plain.size()) {
        result.bytes = std::move(coded.data());
    } else {
        result.bytes = std::move(plain.data());
        result.plain = true;
    }
    return result;
}

}  // namespace korel::pictomat
