// Bitmap checking: the converter's messages in their order, row padding, and bounded reads of
// damaged files.
#include <gtest/gtest.h>

#include "bmp_fixture.h"
#include "pictomat/bitmap.h"
#include "platform/files.h"
#include "support/test_services.h"

namespace korel::pictomat {
namespace {

using test::BmpOptions;
using test::makeBmp;
using test::solidBmp;

std::string check(const Bytes& file, int frames = 1) {
    Bitmap bm;
    std::string message;
    return readBitmap(file, frames, bm, message) ? std::string("ok") : message;
}

TEST(BitmapCheck, MessagesInTheirOrder) {
    const Rgb green{0, 255, 0};
    Bytes notBm = solidBmp(4, 4, green);
    notBm[1] = 'A';
    EXPECT_EQ(check(notBm), msg::kNotBitmap);
    EXPECT_EQ(check(Bytes{'B'}), msg::kNotBitmap);

    BmpOptions core;
    core.infoSize = 12;
    EXPECT_EQ(check(makeBmp(
                  4, 4, [](int, int) { return Rgb{}; }, core)),
              msg::kNotStandard);
    BmpOptions v5;
    v5.infoSize = 124;
    EXPECT_EQ(check(makeBmp(
                  4, 4, [](int, int) { return Rgb{}; }, v5)),
              msg::kNotStandard);

    // Each later check only speaks when the earlier ones pass, even when several are wrong.
    BmpOptions planes;
    planes.planes = 2;
    planes.bits = 8;
    planes.compression = 1;
    EXPECT_EQ(check(makeBmp(
                        4, 4, [](int, int) { return Rgb{}; }, planes),
                    3),
              msg::kNotOnePlane);

    BmpOptions rle8;  // an 8-bit run-length file is refused on its depth first
    rle8.bits = 8;
    rle8.compression = 1;
    EXPECT_EQ(check(makeBmp(
                        4, 4, [](int, int) { return Rgb{}; }, rle8),
                    3),
              msg::kNot24Bit);
    BmpOptions eight;
    eight.bits = 8;
    EXPECT_EQ(check(makeBmp(
                  4, 4, [](int, int) { return Rgb{}; }, eight)),
              msg::kNot24Bit);

    BmpOptions compressed;
    compressed.compression = 3;
    EXPECT_EQ(check(makeBmp(
                        4, 4, [](int, int) { return Rgb{}; }, compressed),
                    3),
              msg::kCompressed);

    EXPECT_EQ(check(solidBmp(200, 50, green), 3), msg::kWidthNotDivisible);
    EXPECT_EQ(check(solidBmp(200, 50, green), 4), "ok");
}

TEST(BitmapCheck, RealFileNamedWithThreeFrames) {
    test::TempFolder dir;
    const std::string path = dir.file("Spin3.bmp");
    ASSERT_EQ(writeFileReplacing(path, solidBmp(200, 50, Rgb{0, 255, 0})), 0);
    Bytes file;
    ASSERT_EQ(readWholeFile(path, file), 0);
    EXPECT_EQ(check(file, framesFromFileName(path)), msg::kWidthNotDivisible);
}

TEST(BitmapCheck, OddWidthsSkipRowPadding) {
    for (int w : {1, 2, 3, 5, 7}) {
        for (bool topDown : {false, true}) {
            auto px = [](int x, int y) { return Rgb{uint8_t(x * 10), uint8_t(y * 20), 7}; };
            BmpOptions o;
            o.topDown = topDown;
            Bitmap bm;
            std::string message;
            ASSERT_TRUE(readBitmap(makeBmp(w, 3, px, o), 1, bm, message)) << message;
            ASSERT_EQ(bm.width, w);
            ASSERT_EQ(bm.height, 3);
            for (int y = 0; y < 3; ++y) {
                for (int x = 0; x < w; ++x) EXPECT_EQ(bm.at(x, y), px(x, y)) << w << " " << x;
            }
        }
    }
}

TEST(BitmapCheck, DamagedFilesGiveMessagesNeverCrash) {
    const Bytes good = makeBmp(5, 4, [](int x, int y) { return Rgb{uint8_t(x), uint8_t(y), 1}; });
    for (size_t n = 0; n < good.size(); ++n) {
        const Bytes cut(good.begin(), good.begin() + long(n));
        EXPECT_NE(check(cut), "ok") << n;
    }
    EXPECT_EQ(check(Bytes(good.begin(), good.end() - 1)), msg::kEndOfFile);

    Bytes huge = solidBmp(4, 4, Rgb{});
    putLe32(huge.data() + 18, 0x7FFFFFFF);
    putLe32(huge.data() + 22, 0x7FFFFFFF);
    EXPECT_EQ(check(huge), msg::kNoMemoryBitmap);

    Bytes badOffset = solidBmp(4, 4, Rgb{});
    putLe32(badOffset.data() + 10, 0xFFFFFFF0);
    EXPECT_EQ(check(badOffset), msg::kEndOfFile);

    Bytes zeroWidth = solidBmp(4, 4, Rgb{});
    putLe32(zeroWidth.data() + 18, 0);
    EXPECT_EQ(check(zeroWidth), msg::kNotStandard);
    Bytes negativeWidth = solidBmp(4, 4, Rgb{});
    putLe32(negativeWidth.data() + 18, uint32_t(-4));
    EXPECT_EQ(check(negativeWidth), msg::kNotStandard);
}

TEST(BitmapNames, FramesAndProposedNames) {
    EXPECT_EQ(framesFromFileName("Spin12.bmp"), 12);
    EXPECT_EQ(framesFromFileName("/art/Spin12.BMP"), 12);
    EXPECT_EQ(framesFromFileName("Spin.bmp"), 1);
    EXPECT_EQ(framesFromFileName("Spin0.bmp"), 1);
    EXPECT_EQ(framesFromFileName("Spin007.bmp"), 7);
    EXPECT_EQ(framesFromFileName("Spin99999999999999999999.bmp"), 1000000);
    EXPECT_EQ(proposedStem("/art/Paper Pinwheel 12.bmp"), "Paper_Pinwheel_");
    EXPECT_EQ(proposedStem("Disc_Spin8.bmp"), "Disc_Spin");
}

}  // namespace
}  // namespace korel::pictomat
