// korel-pictgen's drawings: deterministic, at the table's sizes, and the icon's transparency.
#include <gtest/gtest.h>

#include "controls/pictures.h"
#include "library/gen/control_art.h"
#include "library/gen/png_writer.h"
#include "shell/palette.h"

namespace korel::art {
namespace {

TEST(ControlArt, DrawsEveryPictureAtItsSizeTheSameEachTime) {
    for (const PictureSize& p : kPictureSizes) {
        const Surface a = drawControlPicture(p.number), b = drawControlPicture(p.number);
        EXPECT_EQ(a.width(), p.width) << p.number;
        EXPECT_EQ(a.height(), p.height) << p.number;
        ASSERT_EQ(a.byteSize(), b.byteSize());
        EXPECT_TRUE(std::equal(a.data(), a.data() + a.byteSize(), b.data())) << p.number;
    }
    EXPECT_TRUE(drawControlPicture(129).empty());
}

TEST(ControlArt, TheIconIsOpaqueInsideTheMarkAndClearOutside) {
    const Palette palette = buildProgramPalette();
    for (int n : {16, 48, 256}) {
        const std::vector<uint8_t> rgba = drawMarkRgba(n, palette);
        ASSERT_EQ(rgba.size(), size_t(n * n * 4));
        auto alpha = [&](int x, int y) { return rgba[(size_t(y) * size_t(n) + size_t(x)) * 4 + 3]; };
        EXPECT_EQ(alpha(0, 0), 0) << n;
        EXPECT_EQ(alpha(n - 1, n - 1), 0) << n;
        EXPECT_EQ(alpha(n / 2, n / 2), 255) << n;
        const Bytes png = encodePngRgba(n, n, rgba);
        ASSERT_GT(png.size(), 33u);
        EXPECT_EQ(png[25], 6) << "colour type RGBA";
    }
    EXPECT_TRUE(encodePngRgba(4, 4, std::vector<uint8_t>(10)).empty());
}

}  // namespace
}  // namespace korel::art
