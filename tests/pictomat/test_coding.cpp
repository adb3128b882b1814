// The picture and mask coders: every coded row decodes back, by an independent backward reader
// written from the format and by the engine's decoders.
#include <gtest/gtest.h>

#include <random>

#include "engine/coded_image.h"
#include "pictomat/coding.h"

namespace korel::pictomat {
namespace {

// Reads one row of the token code backward from `end`, as the format describes.
bool decodeRowBackward(const Bytes& code, size_t& end, int width, std::vector<uint8_t>& row) {
    row.assign(size_t(width), 0);
    int x = width;
    while (x > 0) {
        if (end == 0) return false;
        const uint8_t c = code[--end];
        if (c == 0 || (c >= 21 && c <= 200) || c == 255) {
            row[size_t(--x)] = c;
        } else if (c >= 201) {
            const int n = c - 198;
            if (end == 0 || n > x) return false;
            const uint8_t v = code[--end];
            for (int i = 0; i < n; ++i) row[size_t(--x)] = v;
        } else {
            const int bits = c <= 10 ? 1 : 2;
            const int m = c <= 5 ? c + 3 : c <= 10 ? c + 4 : c <= 15 ? c - 7 : c - 6;
            const size_t bytes = size_t((m * bits + 7) / 8);
            if (end < bytes + 1 || m > x) return false;
            const uint8_t g = code[--end];
            uint64_t n = 0;
            end -= bytes;
            for (size_t i = 0; i < bytes; ++i) n |= uint64_t(code[end + i]) << (8 * i);
            x -= m;
            for (int j = 0; j < m; ++j) {
                row[size_t(x + j)] =
                    uint8_t(g + ((n >> (bits * (m - 1 - j))) & ((1u << bits) - 1)));
            }
        }
    }
    return true;
}

// The same for one run-coded mask row, giving packed bytes.
bool decodeMaskRowBackward(const Bytes& code, size_t& end, size_t rowBytes, Bytes& row) {
    row.assign(rowBytes, 0);
    size_t at = rowBytes;
    bool marker = false;
    if (end > 0 && code[end - 1] == 0xFF) {
        marker = true;
        --end;
    }
    while (at > 0) {
        if (end == 0) return false;
        const uint8_t c = code[--end];
        if (c == 0x00 || (c == 0xFF && marker)) {
            if (end == 0) return false;
            const size_t n = size_t(code[--end]) + 1;
            if (n > at) return false;
            for (size_t i = 0; i < n; ++i) row[--at] = c;
        } else {
            row[--at] = c;
        }
    }
    return true;
}

std::vector<uint8_t> decodeImage(const Bytes& code, int width, int height) {
    std::vector<uint8_t> out(size_t(width) * size_t(height));
    size_t end = code.size();
    std::vector<uint8_t> row;
    for (int y = height - 1; y >= 0; --y) {
        if (!decodeRowBackward(code, end, width, row)) return {};
        std::copy(row.begin(), row.end(), out.begin() + long(y) * width);
    }
    return end == 0 ? out : std::vector<uint8_t>{};
}

// Pixel values the converter produces: black, both ranges and transparent.
uint8_t convertedValue(std::mt19937& rng) {
    const int k = int(rng() % 8);
    if (k == 0) return 0;
    if (k == 1) return 255;
    return uint8_t(21 + rng() % 180);
}

TEST(ImageCoding, RowsOfEveryShapeDecodeBack) {
    std::mt19937 rng(7);
    for (int trial = 0; trial < 400; ++trial) {
        const int width = 1 + int(rng() % 130), height = 1 + int(rng() % 4);
        std::vector<uint8_t> px(size_t(width) * size_t(height));
        // Mix long runs, near values (packed tokens) and noise.
        for (size_t i = 0; i < px.size();) {
            const int kind = int(rng() % 3);
            const int len = 1 + int(rng() % (kind == 0 ? 70 : 16));
            const uint8_t base = convertedValue(rng);
            for (int j = 0; j < len && i < px.size(); ++j, ++i) {
                if (kind == 0) {
                    px[i] = base;
                } else if (kind == 1 && base >= 21 && base <= 197) {
                    px[i] = uint8_t(base + rng() % (trial % 2 ? 2 : 4));
                } else {
                    px[i] = convertedValue(rng);
                }
            }
        }
        Bytes code;
        ASSERT_TRUE(codeImage(px, width, height, code));
        ASSERT_EQ(decodeImage(code, width, height), px) << "trial " << trial;
        Surface s(width, height);
        ASSERT_TRUE(decodeCodedImage(code, s)) << "trial " << trial;
        ASSERT_TRUE(std::equal(px.begin(), px.end(), s.data())) << "trial " << trial;
    }
}

TEST(ImageCoding, TokenChoices) {
    ByteWriter w;
    const std::vector<uint8_t> run(58, 50);  // a 56-pixel run and 2 literals
    ASSERT_TRUE(codeImageRow(run, w));
    EXPECT_EQ(w.data(), (Bytes{50, 254, 50, 50}));
    ByteWriter split;  // 60 = 56 + a run of 4
    ASSERT_TRUE(codeImageRow(std::vector<uint8_t>(60, 50), split));
    EXPECT_EQ(split.data(), (Bytes{50, 254, 50, 202}));

    ByteWriter packed;  // 21,22 alternating: one one-bit token of 8 pixels
    const std::vector<uint8_t> alt{21, 22, 21, 22, 21, 22, 21, 22};
    ASSERT_TRUE(codeImageRow(alt, packed));
    EXPECT_EQ(packed.data(), (Bytes{0x55, 21, 5}));

    ByteWriter twoRuns;  // 3 x 30 and 4 x 31 merge into one one-bit token of 7
    const std::vector<uint8_t> runs{30, 30, 30, 31, 31, 31, 31};
    ASSERT_TRUE(codeImageRow(runs, twoRuns));
    EXPECT_EQ(twoRuns.data(), (Bytes{0x0F, 30, 4}));

    // A value without a literal code, alone, cannot be coded; in a run it can.
    ByteWriter lone;
    EXPECT_FALSE(codeImageRow(std::vector<uint8_t>{5}, lone));
    ByteWriter inRun;
    EXPECT_TRUE(codeImageRow(std::vector<uint8_t>(58, 5), inRun));
}

std::vector<uint8_t> decodeMaskRows(const Bytes& code, int width, int height) {
    const size_t rowBytes = size_t((width + 7) / 8);
    std::vector<uint8_t> out(size_t(width) * size_t(height));
    size_t end = code.size();
    Bytes row;
    for (int y = height - 1; y >= 0; --y) {
        if (!decodeMaskRowBackward(code, end, rowBytes, row)) return {};
        for (int x = 0; x < width; ++x) {
            out[size_t(y) * size_t(width) + size_t(x)] = (row[size_t(x) / 8] >> (7 - x % 8)) & 1;
        }
    }
    return end == 0 ? out : std::vector<uint8_t>{};
}

TEST(MaskCoding, EveryRowDecodesBack) {
    std::mt19937 rng(11);
    for (int trial = 0; trial < 400; ++trial) {
        const int width = 1 + int(rng() % 300), height = 1 + int(rng() % 5);
        std::vector<uint8_t> mask(size_t(width) * size_t(height));
        for (size_t i = 0; i < mask.size();) {
            const int len = 1 + int(rng() % 90);
            const uint8_t v = uint8_t(rng() % 2);
            const bool noise = rng() % 4 == 0;
            for (int j = 0; j < len && i < mask.size(); ++j, ++i) {
                mask[i] = noise ? uint8_t(rng() % 2) : v;
            }
        }
        const CodedMask coded = codeMask(mask, width, height);
        if (coded.plain) {
            EXPECT_EQ(coded.bytes.size(), size_t((width + 7) / 8) * size_t(height));
        } else {
            ASSERT_EQ(decodeMaskRows(coded.bytes, width, height), mask) << "trial " << trial;
        }
        Surface s(width, height);
        ASSERT_TRUE(decodeMask(coded.bytes, coded.plain, width, s)) << "trial " << trial;
        for (size_t i = 0; i < mask.size(); ++i) {
            ASSERT_EQ(s.data()[i], mask[i] ? 0xFF : 0x00) << "trial " << trial << " at " << i;
        }
    }
}

TEST(MaskCoding, RowEndingInFullByteUsesTheMarkerForm) {
    // 0x00 0x00 0x00 then 0xFF: without care the last byte would read as the marker.
    ByteWriter w;
    codeMaskRow(Bytes{0, 0, 0, 0xFF}, w);
    EXPECT_EQ(w.data(), (Bytes{2, 0x00, 0, 0xFF, 0xFF}));
    size_t end = w.size();
    Bytes row;
    ASSERT_TRUE(decodeMaskRowBackward(w.data(), end, 4, row));
    EXPECT_EQ(row, (Bytes{0, 0, 0, 0xFF}));

    // A long 0xFF stretch: every 0xFF stretch becomes a run and the marker ends the row.
    ByteWriter longRun;
    codeMaskRow(Bytes{0xFF, 0xFF, 0xFF, 0x0F, 0xFF}, longRun);
    EXPECT_EQ(longRun.data(), (Bytes{2, 0xFF, 0x0F, 0, 0xFF, 0xFF}));

    // Otherwise 0xFF bytes inside a row stay as they are.
    ByteWriter plain;
    codeMaskRow(Bytes{0xFF, 0x0F}, plain);
    EXPECT_EQ(plain.data(), (Bytes{0xFF, 0x0F}));
}

TEST(MaskCoding, PaddingBitsFollowTheRow) {
    std::vector<uint8_t> ones(12, 1);  // 0xFF then 1111 + padding 1111
    EXPECT_EQ(packMaskRow(ones), (Bytes{0xFF, 0xFF}));
    std::vector<uint8_t> lone{1, 1, 1, 1};  // no byte before it: padded with 0
    EXPECT_EQ(packMaskRow(lone), (Bytes{0xF0}));
    std::vector<uint8_t> afterZero(12, 0);
    afterZero[8] = 1;
    EXPECT_EQ(packMaskRow(afterZero), (Bytes{0x00, 0x80}));
}

}  // namespace
}  // namespace korel::pictomat
