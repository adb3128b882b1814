// The video writer's colour conversion: the video-range values players expect for known
// colours, and chroma as the mean of each 2x2 block.
#include <gtest/gtest.h>

#include <vector>

#include "platform/video/yuv.h"

namespace korel {
namespace {

TEST(VideoColour, KnownColoursGetTheirVideoRangeValuesAndChromaIsTheBlocksMean) {
    struct Known {
        Rgb rgb;
        int y, u, v;
    };
    // BT.601, Y 16-235, U and V 16-240.
    const Known known[] = {{{0, 0, 0}, 16, 128, 128},       {{255, 255, 255}, 235, 128, 128},
                           {{255, 0, 0}, 82, 90, 240},      {{0, 255, 0}, 145, 54, 34},
                           {{0, 0, 255}, 41, 240, 110},     {{128, 128, 128}, 126, 128, 128}};
    for (const Known& k : known) {
        // A 4x2 picture: the colour in the left block, black in the right one.
        std::vector<Rgb> rgb(8, Rgb{});
        for (int i : {0, 1, 4, 5}) rgb[size_t(i)] = k.rgb;
        std::vector<uint8_t> y(8), u(2), v(2);
        rgbToYuv420(rgb.data(), 4, 2, y.data(), 4, u.data(), 2, v.data(), 2);
        EXPECT_NEAR(y[0], k.y, 1);
        EXPECT_EQ(y[5], y[0]);
        EXPECT_EQ(y[2], 16);
        EXPECT_NEAR(u[0], k.u, 1);
        EXPECT_NEAR(v[0], k.v, 1);
        EXPECT_EQ(u[1], 128);
        EXPECT_EQ(v[1], 128);
    }
    // Red and its complement cyan side by side in one block: together the chroma of grey.
    std::vector<Rgb> split = {{255, 0, 0}, {0, 255, 255}, {255, 0, 0}, {0, 255, 255}};
    std::vector<uint8_t> y(4), u(1), v(1);
    rgbToYuv420(split.data(), 2, 2, y.data(), 2, u.data(), 1, v.data(), 1);
    EXPECT_NEAR(u[0], 128, 1);
    EXPECT_NEAR(v[0], 128, 1);
}

}  // namespace
}  // namespace korel
