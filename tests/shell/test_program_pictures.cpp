// The program's pictures at start-up: the splash and credits logo, the windows' icon, the
// fatal "Pict", and the seed's picture folder kept out of the data folder.
#include <gtest/gtest.h>

#include "controls/pictures.h"
#include "platform/files.h"
#include "platform/headless/headless_sound.h"
#include "shell/closing.h"
#include "shell/data_folder.h"
#include "shell/program.h"
#include "shell/splash.h"
#include "support/test_services.h"

using namespace korel;

namespace {

struct PictureRun {
    PictureRun() : platform(800, 600), sound(platform) {
        sound.addLine("Line In", LineType::Line);
        options.soundInput = &sound;
        options.dataFolder = temp.file("data");
        options.configFolder = temp.file("config");
        options.lockFolder = temp.path();
        options.seedFolder = KOREL_SEED_DIR;
        options.currentFolder = temp.path();
    }
    test::TempFolder temp;
    HeadlessPlatform platform;
    HeadlessSound sound;
    ProgramOptions options;
};

bool showsPicture(const Surface& canvas, int x0, int y0, const Surface& picture) {
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (canvas.at(x0 + x, y0 + y) != picture.at(x, y)) return false;
    return true;
}

}  // namespace

TEST(ProgramPictures, TheSplashAndTheCreditsShowTheLogoPicture) {
    Surface logo(kSplashWidth, kSplashHeight);
    for (int y = 0; y < logo.height(); ++y)
        for (int x = 0; x < logo.width(); ++x) logo.set(x, y, uint8_t(1 + (x + y) % 20));
    HeadlessPlatform hp(800, 600);
    Surface canvas(400, 300, 77);
    const Rect r = drawSplashScreen(canvas, hp.fonts(), logo, 200, 150, "Loading Fills...");
    EXPECT_TRUE(showsPicture(canvas, 200 - 72, 150 - 35, logo));
    EXPECT_EQ(r, (Rect{128, 115, 273, 150 - 35 + 71 + 24}));
    EXPECT_EQ(canvas.at(130, r.bottom - 1), 0) << "the progress band is black";

    // The credits put the logo above the closing brush, however small the brush.
    for (int brushBottom : {0, 20, 60}) {
        Surface s(400, 300, 0);
        const Rect c = drawCredits(s, hp.fonts(), logo, 200, 150, brushBottom);
        const int bottom = std::min(150 - brushBottom - 6, 150 - 16);
        EXPECT_TRUE(showsPicture(s, 200 - 72, bottom - kSplashHeight, logo)) << brushBottom;
        EXPECT_LE(c.top, bottom - kSplashHeight);
    }
}

TEST(ProgramPictures, StartUpLoadsThePicturesAndGivesTheWindowsTheIcon) {
    PictureRun r;
    Program p(r.platform, Edition::LIVE, r.options);
    ASSERT_TRUE(p.start(""));
    EXPECT_EQ(p.pictures().splash.width(), kSplashWidth);
    EXPECT_EQ(p.pictures().topRow.width(), 272);
    EXPECT_EQ(r.platform.windowIcon().width(), kIconSize);
    EXPECT_EQ(r.platform.windowIconClear(), kIconClear);
    // A first run seeds the data folder, but the program's pictures stay where they are.
    EXPECT_TRUE(folderExists(r.options.dataFolder + "/Brushes"));
    EXPECT_FALSE(folderExists(r.options.dataFolder + "/" + kControlsFolder));
}

TEST(ProgramPictures, SeedingLeavesTheControlsFolderOut) {
    test::TempFolder t;
    const std::string seed = t.file("seed"), data = t.file("data");
    ASSERT_EQ(createFolders(seed + "/Controls"), 0);
    ASSERT_EQ(createFolders(seed + "/Brushes/Controls"), 0);
    ASSERT_EQ(writeFileReplacing(seed + "/Controls/128.bmp", Bytes{1}), 0);
    ASSERT_EQ(writeFileReplacing(seed + "/Brushes/a.bru", Bytes{2}), 0);
    ASSERT_EQ(writeFileReplacing(seed + "/Brushes/Controls/b.bru", Bytes{3}), 0);
    ASSERT_EQ(seedDataFolder(seed, data), 0);
    EXPECT_FALSE(folderExists(data + "/Controls"));
    EXPECT_TRUE(fileExists(data + "/Brushes/a.bru"));
    EXPECT_TRUE(fileExists(data + "/Brushes/Controls/b.bru")) << "only the seed's own is left out";
}

TEST(ProgramPicturesDeathTest, MissingPicturesAreFatalWithPict) {
    GTEST_FLAG_SET(death_test_style, "fast");
    PictureRun r;
    r.options.picturesFolder = r.temp.file("no-pictures");
    auto start = [&] {
        HeadlessPlatform hp(800, 600);
        HeadlessSound hs(hp);
        hs.addLine("Line In", LineType::Line);
        r.options.soundInput = &hs;
        Program p(hp, Edition::LIVE, r.options);
        p.start("");
    };
    EXPECT_EXIT(start(), ::testing::ExitedWithCode(0), "Korel: fatal: Pict\n");
    Bytes b;
    ASSERT_EQ(readWholeFile(r.temp.file("error.txt"), b), 0);
    EXPECT_EQ(std::string(b.begin(), b.end()), "Pict");
}
