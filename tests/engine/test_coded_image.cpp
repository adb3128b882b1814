// Tests of the token code, the brush mask codes and the zero-run icon code.
#include <gtest/gtest.h>

#include <vector>

#include "engine/coded_image.h"

namespace korel {
namespace {

// Builds a coded stream token by token beside the pixels it must decode to.
struct Coder {
    Bytes code;
    std::vector<uint8_t> pixels;

    void literal(uint8_t v) {
        code.push_back(v);
        pixels.push_back(v);
    }
    void run(uint8_t v, int n) {
        code.push_back(v);
        code.push_back(uint8_t(198 + n));
        pixels.insert(pixels.end(), size_t(n), v);
    }
    // values are the offsets from the base, one per pixel of the token.
    void packed(uint8_t c, uint8_t base, const std::vector<int>& values) {
        const PackedShape s = packedShape(c);
        ASSERT_EQ(int(values.size()), s.pixels);
        uint64_t n = 0;
        for (int j = 0; j < s.pixels; ++j)
            n |= uint64_t(values[size_t(j)]) << (s.bits * (s.pixels - 1 - j));
        for (int i = 0; i < s.bitBytes(); ++i) code.push_back(uint8_t(n >> (8 * i)));
        code.push_back(base);
        code.push_back(c);
        for (int v : values) pixels.push_back(uint8_t(base + v));
    }
};

Surface imageOf(const std::vector<uint8_t>& pixels, int width) {
    Surface s(width, int(pixels.size()) / width);
    for (size_t i = 0; i < pixels.size(); ++i) s.row(int(i) / width)[i % size_t(width)] = pixels[i];
    return s;
}

TEST(CodedImage, DecodesEveryTokenKindRowByRow) {
    constexpr int kWidth = 64;
    Coder coder;
    // One row per packed code 1-20; each row also carries literals and runs, and is padded to
    // the width with literal pixels so that every row ends exactly at its end.
    for (int c = 1; c <= 20; ++c) {
        const size_t rowStart = coder.pixels.size();
        const PackedShape s = packedShape(uint8_t(c));
        std::vector<int> values;
        for (int j = 0; j < s.pixels; ++j) values.push_back((j * 7 + c) % (1 << s.bits));
        coder.literal(0);
        coder.packed(uint8_t(c), uint8_t(40 + c), values);
        coder.run(uint8_t(c), 3 + c % 10);
        coder.literal(255);
        while (coder.pixels.size() - rowStart < size_t(kWidth)) coder.literal(uint8_t(21 + c));
    }
    // Longest runs, the literal range ends, and runs of non-literal values.
    coder.run(210, 56);
    coder.literal(21);
    coder.literal(200);
    coder.run(5, 3);
    coder.run(0, 3);
    ASSERT_EQ(coder.pixels.size() % kWidth, 0u);

    const Surface expected = imageOf(coder.pixels, kWidth);
    Surface out(kWidth, expected.height(), 99);
    ASSERT_TRUE(decodeCodedImage(coder.code, out));
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < kWidth; ++x)
            ASSERT_EQ(out.at(x, y), expected.at(x, y)) << x << "," << y;
}

TEST(CodedImage, RejectsTokensAcrossRowEndsAndStreamsOfTheWrongLength) {
    Coder fits;  // 6 pixels wide: two runs of 3 per row
    fits.run(30, 3);
    fits.run(31, 3);
    fits.run(32, 3);
    fits.run(33, 3);
    Surface out(6, 2);
    EXPECT_TRUE(decodeCodedImage(fits.code, out));

    Surface narrow(5, 2);  // the same code, but the second run of each row would cross its end
    EXPECT_FALSE(decodeCodedImage(fits.code, narrow));

    Coder packedAcross;  // an 8-pixel packed token into rows of 6
    packedAcross.literal(40);
    packedAcross.literal(40);
    packedAcross.packed(5, 50, {0, 1, 1, 0, 1, 0, 0, 1});
    Surface two(6, 1);
    EXPECT_FALSE(decodeCodedImage(packedAcross.code, two));

    Bytes shorter(fits.code.begin() + 1, fits.code.end());  // the top-left run lost its value
    EXPECT_FALSE(decodeCodedImage(shorter, out));
    Bytes longer = fits.code;
    longer.insert(longer.begin(), 50);  // a pixel above the top row
    EXPECT_FALSE(decodeCodedImage(longer, out));
    EXPECT_FALSE(decodeCodedImage({}, out));
    const uint8_t lonePacked[] = {20};  // a packed token without its bytes
    Surface one(12, 1);
    EXPECT_FALSE(decodeCodedImage(lonePacked, one));
}

TEST(CodedImage, EncoderRoundTripsRunsAndLiterals) {
    Surface image(70, 3, 255);
    for (int x = 0; x < 70; ++x) image.set(x, 1, uint8_t(21 + x % 5));
    image.fillRect(Rect{0, 2, 60, 3}, 7);  // a run of a value with no literal code, 60 long
    Bytes code;
    ASSERT_TRUE(encodeCodedImage(image, code));
    Surface out(70, 3);
    ASSERT_TRUE(decodeCodedImage(code, out));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 70; ++x) ASSERT_EQ(out.at(x, y), image.at(x, y));

    Surface lone(4, 1, 100);
    lone.set(1, 0, 9);  // one pixel of a token code value cannot be written
    EXPECT_FALSE(encodeCodedImage(lone, code));
}

Surface maskPattern(int width, int height) {
    Surface m(width, height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            bool on = (y == 1) || (y == 2 && x > 20) || (y == 3 && (x * 7 + y) % 5 == 0) ||
                      (y == 4 && x < 9);
            if (on) m.set(x, y, 0xFF);
        }
    return m;
}

TEST(CodedImage, MasksRoundTripInBothStoragesAndKeepTheScratchColumns) {
    for (int width : {8, 37, 300}) {
        const Surface mask = maskPattern(width, 6);
        for (bool plain : {true, false}) {
            const Bytes code = encodeMask(mask, width, plain);
            if (plain) {
                EXPECT_EQ(code.size(), plainMaskBytes(width, 6));
            }
            Surface out(width + 5, 6, 77);
            ASSERT_TRUE(decodeMask(code, plain, width, out)) << width << plain;
            for (int y = 0; y < 6; ++y) {
                for (int x = 0; x < width; ++x) ASSERT_EQ(out.at(x, y), mask.at(x, y));
                for (int x = width; x < width + 5; ++x) ASSERT_EQ(out.at(x, y), 77);
            }
        }
    }
}

TEST(CodedImage, RunCodedMaskRowsReadFromTheirEnd) {
    // Rows of 16 pixels: bottom row "01 FF FF" (marker, then 16 ones), top row "A5 00 00"
    // (8 bits, then a run of 8 zeros).
    const uint8_t code[] = {0xA5, 0x00, 0x00, 0x01, 0xFF, 0xFF};
    Surface out(16, 2, 9);
    ASSERT_TRUE(decodeMask(code, false, 16, out));
    const uint8_t top[8] = {0xFF, 0, 0xFF, 0, 0, 0xFF, 0, 0xFF};
    for (int x = 0; x < 8; ++x) EXPECT_EQ(out.at(x, 0), top[x]);
    for (int x = 8; x < 16; ++x) EXPECT_EQ(out.at(x, 0), 0);
    for (int x = 0; x < 16; ++x) EXPECT_EQ(out.at(x, 1), 0xFF);

    const uint8_t tooLong[] = {0x02, 0x00};  // 24 pixels into a 16-pixel row
    Surface row(16, 1);
    EXPECT_FALSE(decodeMask(tooLong, false, 16, row));
    const uint8_t leftover[] = {0x11, 0x01, 0x00};
    EXPECT_FALSE(decodeMask(leftover, false, 16, row));
    const uint8_t shortPlain[] = {0xFF};
    EXPECT_FALSE(decodeMask(shortPlain, true, 16, row));
    EXPECT_FALSE(decodeMask(code, false, 17, row));  // wider than the surface
}

TEST(CodedImage, ZeroRunIconsRoundTripAndRejectRunsAcrossRows) {
    Surface icon(24, 24, 0);
    for (int i = 0; i < 24; ++i) icon.set(i, i, uint8_t(i % 2 ? 210 : 5));
    icon.fillRect(Rect{3, 10, 20, 11}, 255);
    Bytes code;
    ASSERT_TRUE(encodeZeroRunImage(icon, code));
    Surface out(24, 24, 1);
    ASSERT_TRUE(decodeZeroRunImage(code, out));
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x) ASSERT_EQ(out.at(x, y), icon.at(x, y));

    Surface row(24, 1);
    const uint8_t fits[] = {22, 40};  // 3 + 21 zeros fill a row of 24; 7 + 21 would not
    EXPECT_TRUE(decodeZeroRunImage(fits, row));
    const uint8_t crosses[] = {26, 40};
    EXPECT_FALSE(decodeZeroRunImage(crosses, row));
    Surface colour(24, 1);
    colour.set(0, 0, 100);
    EXPECT_FALSE(encodeZeroRunImage(colour, code));
}

}  // namespace
}  // namespace korel
