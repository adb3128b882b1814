// The converter: classification, fixed colours, cropping, multiplying, and files that the
// engine loads back to exactly the classified pixels.
#include <gtest/gtest.h>

#include "bmp_fixture.h"
#include "engine/brush.h"
#include "engine/fill.h"
#include "pictomat/converter.h"

namespace korel::pictomat {
namespace {

using test::makeBmp;

Bitmap bitmapOf(int w, int h, const std::function<Rgb(int, int)>& px) {
    Bitmap bm;
    std::string message;
    EXPECT_TRUE(readBitmap(makeBmp(w, h, px), 1, bm, message)) << message;
    return bm;
}

Artwork classified(const Bitmap& bm, Settings s) {
    s.normalise();
    Artwork art;
    std::string message;
    EXPECT_TRUE(classify(bm, s, art, message)) << message;
    return art;
}

uint8_t brushIndexOf(Rgb c, Settings s = {}) {
    return classified(bitmapOf(1, 1, [c](int, int) { return c; }), s).colour[0];
}

TEST(Classify, GreenShadesAndSections) {
    Settings s2;
    EXPECT_EQ(brushIndexOf({0, 255, 0}, s2), 21);
    EXPECT_EQ(brushIndexOf({0, 1, 0}, s2), 21 + 90 * 254 / 510);  // 65
    Settings s1;
    s1.sections1 = 1;
    EXPECT_EQ(brushIndexOf({0, 1, 0}, s1), 110);
    EXPECT_EQ(brushIndexOf({0, 0, 0}, s1), 0);
    Settings s0;  // a section count of 0 counts as 1
    s0.sections1 = 0;
    EXPECT_EQ(brushIndexOf({0, 1, 0}, s0), 110);

    EXPECT_EQ(brushIndexOf({255, 255, 255}), 255);
    EXPECT_EQ(brushIndexOf({200, 0, 0}), 111 + 90 * 55 / 510);  // red shades go to the other range
    EXPECT_EQ(brushIndexOf({200, 200, 200}), 255);              // light grey is transparent
    EXPECT_EQ(brushIndexOf({60, 60, 60}), 0);                   // dark grey is black
    // Mixed shades far from the pure colours stay inside the range.
    EXPECT_EQ(brushIndexOf({100, 50, 100}, s1), 110);
    s1.sections2 = 1;
    EXPECT_EQ(brushIndexOf({50, 100, 100}, s1), 200);
}

TEST(Classify, BlueMaskAndBlackMark) {
    Settings mask;
    mask.blueMask = true;
    const Artwork a = classified(
        bitmapOf(3, 1,
                 [](int x, int) {
                     return x == 0 ? Rgb{0, 0, 255} : x == 1 ? Rgb{50, 50, 200} : Rgb{0, 128, 0};
                 }),
        mask);
    EXPECT_EQ(a.colour, (std::vector<uint8_t>{255, 255, 21 + 90 * 127 / 510}));
    EXPECT_EQ(a.mask, (std::vector<uint8_t>{1, 1, 0}));
    EXPECT_FALSE(a.containsBlack);
    // Without Blue Mask pure blue is transparent and a dark blue is black.
    const Artwork b = classified(bitmapOf(2, 1,
                                          [](int x, int) {
                                              return x == 0 ? Rgb{0, 0, 255} : Rgb{10, 10, 100};
                                          }),
                                 {});
    EXPECT_EQ(b.colour, (std::vector<uint8_t>{255, 0}));
    EXPECT_EQ(b.mask, (std::vector<uint8_t>{0, 0}));
    EXPECT_TRUE(b.containsBlack);
}

TEST(Classify, SpreadingShiftsEachFrame) {
    Settings s;
    s.frames = 3;
    s.spread1 = true;
    const Artwork a = classified(bitmapOf(3, 1, [](int, int) { return Rgb{0, 255, 0}; }), s);
    EXPECT_EQ(a.colour, (std::vector<uint8_t>{21, 51, 81}));
}

TEST(FixedColours, NinetyConvertNinetyOneFail) {
    auto colours = [](int n) {
        return [n](int x, int) { return Rgb{uint8_t(10 + x % n), 40, 70}; };
    };
    Settings s;
    s.fixedColours = true;
    Bytes file;
    std::string message;
    EXPECT_TRUE(convert(bitmapOf(90, 2, colours(90)), s, file, message)) << message;
    EXPECT_EQ(file[15], 90);
    EXPECT_FALSE(convert(bitmapOf(91, 2, colours(91)), s, file, message));
    EXPECT_EQ(message, msg::kTooManyFixed);
}

TEST(FixedColours, NumberedByDecreasingLuminance) {
    Settings s;
    s.fixedColours = true;
    const Artwork a = classified(
        bitmapOf(3, 1,
                 [](int x, int) {
                     return x == 0 ? Rgb{10, 20, 30} : x == 1 ? Rgb{250, 200, 10} : Rgb{90, 90, 90};
                 }),
        s);
    EXPECT_EQ(a.colour, (std::vector<uint8_t>{23, 21, 22}));
    ASSERT_EQ(a.fixedColours.size(), 3u);
    EXPECT_EQ(a.fixedColours[0], (Rgb{250, 200, 10}));
    EXPECT_EQ(a.fixedColours[2], (Rgb{10, 20, 30}));
}

TEST(Crop, WhiteColumnsGoFromEveryFrame) {
    // Two frames of 30 x 8: the left 10 columns of each are white, the rows above and below too.
    Settings s;
    s.frames = 2;
    auto px = [](int x, int y) {
        const int c = x % 30;
        if (c < 10 || y == 0 || y == 7) return Rgb{255, 255, 255};
        return c == 29 && x < 30 ? Rgb{0, 0, 0} : Rgb{0, 200, 0};
    };
    Artwork a = classified(bitmapOf(60, 8, px), s);
    cropBrush(a);
    EXPECT_EQ(a.width, 40);
    EXPECT_EQ(a.height, 6);
    EXPECT_EQ(a.frameWidth(), 20);
    EXPECT_EQ(a.at(19, 0), 0);  // frame 0's black last column is kept
    EXPECT_NE(a.at(39, 0), 0);  // and frame 1 has green there
    Artwork empty = classified(bitmapOf(4, 4, [](int, int) { return Rgb{255, 255, 255}; }), {});
    cropBrush(empty);
    EXPECT_EQ(empty.width, 1);
    EXPECT_EQ(empty.height, 1);
}

TEST(Multiply, ThreeTimesTwoFramesWritesSix) {
    Settings s;
    s.frames = 2;
    s.multiply = 3;
    s.spread1 = true;
    const Bitmap bm = bitmapOf(8, 4, [](int, int) { return Rgb{0, 255, 0}; });
    Bytes file;
    std::string message;
    ASSERT_TRUE(convert(bm, s, file, message)) << message;
    EXPECT_EQ(getLe16(&file[25 + 5]), 6);
    BrushAsset brush;
    ASSERT_EQ(decodeBrush(file, 0, brush), nullptr);
    EXPECT_EQ(brush.frameWidth, 4);
    EXPECT_EQ(brush.cycleLength, 6);
    // Copy k starts k x 90 / 6 entries further along; frame 1 of each copy 45 further.
    const uint8_t firsts[6] = {21, 66, 36, 81, 51, 96};
    for (int f = 0; f < 6; ++f) EXPECT_EQ(brush.colour.at(f * 4, 0), firsts[f]) << f;

    Settings zero;
    zero.multiply = 0;
    ASSERT_TRUE(convert(bm, zero, file, message));
    EXPECT_EQ(getLe16(&file[25 + 5]), 1);
}

// Converts and loads back, checking every pixel against the classification.
void expectLoadsBack(const Bitmap& bm, Settings s) {
    Bytes file;
    std::string message;
    ASSERT_TRUE(convert(bm, s, file, message)) << message;
    s.normalise();
    Artwork art = classified(bm, s);
    if (s.kind == AssetKind::Brush) {
        cropBrush(art);
        multiplyFrames(art, s);
        BrushAsset brush;
        Surface icon;
        uint8_t backdrop = 0;
        ASSERT_EQ(decodeBrush(file, 0, brush, &icon, &backdrop), nullptr);
        ASSERT_EQ(brush.colour.width(), art.width);
        ASSERT_EQ(brush.colour.height(), art.height);
        EXPECT_EQ(backdrop != 0, art.containsBlack);
        for (int y = 0; y < art.height; ++y) {
            for (int x = 0; x < art.width; ++x) {
                ASSERT_EQ(brush.colour.at(x, y), art.at(x, y)) << x << "," << y;
                if (s.blueMask) {
                    ASSERT_EQ(brush.mask.at(x, y) != 0, art.masked(x, y)) << x;
                }
            }
        }
        EXPECT_EQ(brush.ownColourCount, art.fixedColours.size());
    } else {
        FillAsset fill;
        const FillGeometry geometry{2000, 2000, Rect{0, 0, 4000, 4000}};
        ASSERT_EQ(decodeFill(file, geometry, 0, fill), nullptr);
        EXPECT_EQ(fill.kind, (art.width < 640 || art.height < 480) ? 'T' : 'F');
        for (int y = 0; y < art.height; ++y) {
            for (int x = 0; x < art.width; ++x) {
                ASSERT_EQ(fill.surface.at(x, y), art.at(x, y)) << x << "," << y;
            }
        }
    }
}

Rgb artPixel(int x, int y) {
    const int k = (x * 7 + y * 13 + (x * y) % 5) % 11;
    switch (k) {
        case 0:
            return {255, 255, 255};
        case 1:
            return {0, 0, 0};
        case 2:
            return {0, 0, 255};
        case 3:
            return {uint8_t(x * 9), 0, 0};
        case 4:
            return {0, uint8_t(255 - x), 0};
        default:
            return {0, uint8_t(255 - (x / 4) * 3), 0};
    }
}

TEST(RoundTrip, BrushesAndFillsLoadBackInTheEngine) {
    const Bitmap art = bitmapOf(75, 21, artPixel);
    Settings plain;
    plain.frames = 3;
    expectLoadsBack(art, plain);
    Settings mask = plain;
    mask.blueMask = true;
    mask.beatFrame = true;
    mask.palindrome = true;
    expectLoadsBack(art, mask);
    Settings wide = mask;
    wide.multiply = 4;
    wide.spread1 = wide.spread2 = true;
    wide.secondGradient = true;
    expectLoadsBack(art, wide);
    Settings fixed;
    fixed.fixedColours = true;
    fixed.blueMask = true;
    expectLoadsBack(
        bitmapOf(
            37, 9,
            [](int x, int y) {
                return Rgb{uint8_t(x % 6 * 40), uint8_t(y % 3 * 20), uint8_t(x % 3 == 0 ? 255 : 9)};
            }),
        fixed);
    // A mask of long stretches with rows ending on full bytes.
    Settings mask64 = mask;
    mask64.frames = 2;
    expectLoadsBack(
        bitmapOf(64, 6,
                 [](int x, int y) {
                     return (x >= 8 * y && x < 40) || x >= 56 ? Rgb{0, 0, 255} : Rgb{0, 180, 0};
                 }),
        mask64);
    Settings fill;
    fill.kind = AssetKind::Fill;
    expectLoadsBack(art, fill);
    fill.fixedColours = true;
    expectLoadsBack(bitmapOf(40, 30,
                             [](int x, int y) {
                                 return Rgb{uint8_t(x % 9), 3, uint8_t(y % 10)};
                             }),
                    fill);
}

TEST(Writing, HeaderFieldsAndLimits) {
    Settings s;
    Bytes file;
    std::string message;
    ASSERT_TRUE(convert(bitmapOf(10, 10, artPixel), s, file, message));
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 3);
    EXPECT_EQ(file[2], 1);
    EXPECT_EQ(file[19], 8);
    EXPECT_EQ(getLe16(&file[23]), 33 + getLe16(&file[21]));
    Settings fill;
    fill.kind = AssetKind::Fill;
    ASSERT_TRUE(convert(bitmapOf(640, 480,
                                 [](int, int) {
                                     return Rgb{0, 99, 0};
                                 }),
                        fill, file, message));
    EXPECT_EQ(file[0], 'F');
    EXPECT_EQ(file[19], 0);
    EXPECT_EQ(getLe16(&file[23]), 25 + getLe16(&file[21]));
    ASSERT_TRUE(convert(bitmapOf(640, 479,
                                 [](int, int) {
                                     return Rgb{0, 99, 0};
                                 }),
                        fill, file, message));
    EXPECT_EQ(file[0], 'T');

    Settings many;
    many.multiply = 999;
    EXPECT_FALSE(convert(bitmapOf(40, 2, artPixel), many, file, message));
    EXPECT_EQ(message, msg::kTooLarge);

    std::string longName = "Sixteen_letters_";
    EXPECT_FALSE(checkOutputStem(longName, message));
    EXPECT_EQ(message, msg::kNameTooLong);
    std::string spaced = "Paper Pinwheel";
    EXPECT_TRUE(checkOutputStem(spaced, message));
    EXPECT_EQ(spaced, "Paper_Pinwheel");
}

}  // namespace
}  // namespace korel::pictomat
