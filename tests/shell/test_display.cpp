// The display: the palette as tabled, the drawing surface the monitor's size, and display changes.
#include <gtest/gtest.h>

#include "platform/headless/headless_sound.h"
#include "shell/palette.h"
#include "shell/program.h"
#include "support/test_services.h"

using namespace korel;

TEST(Palette, EntriesAsTabled) {
    Palette p = buildProgramPalette();
    EXPECT_EQ(p[0], (PaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(p[9], (PaletteEntry{166, 202, 240, 0}));
    EXPECT_EQ(p[10], (PaletteEntry{225, 225, 225, 4}));
    EXPECT_EQ(p[13], (PaletteEntry{63, 63, 63, 4}));
    EXPECT_EQ(p[17], (PaletteEntry{0, 128, 255, 4}));
    EXPECT_EQ(p[20], (PaletteEntry{255, 170, 0, 4}));
    for (int i = 21; i <= 200; ++i) ASSERT_EQ(p[size_t(i)], (PaletteEntry{0, 0, 0, 5})) << i;
    for (int i = 201; i <= 245; ++i) ASSERT_EQ(p[size_t(i)], (PaletteEntry{63, 63, 65, 5})) << i;
    EXPECT_EQ(p[246], (PaletteEntry{255, 251, 240, 0}));
    EXPECT_EQ(p[255], (PaletteEntry{255, 255, 255, 0}));
    EXPECT_EQ(nearestFixedIndex(p, Rgb{60, 60, 60}), 13);
    EXPECT_EQ(nearestFixedIndex(p, Rgb{0, 250, 0}), 250);
}

TEST(Display, SizeChangesFollowTheWidth) {
    test::TempFolder t;
    HeadlessPlatform hp(640, 480);
    HeadlessSound hs(hp);
    hs.addLine("Line In", LineType::Line);
    ProgramOptions o;
    o.soundInput = &hs;
    o.dataFolder = t.file("data");
    o.configFolder = t.file("config");
    o.lockFolder = t.path();
    o.seedFolder = KOREL_SEED_DIR;
    Program p(hp, Edition::LIVE, o);
    ASSERT_TRUE(p.start(""));
    EXPECT_EQ(p.display().drawingSurface.width(), 640);
    EXPECT_EQ(p.display().displayDepth, 32);

    p.display().drawingSurface.set(5, 5, 77);
    p.displayChanged(32, 640, 400);  // height alone: ignored
    EXPECT_EQ(p.display().drawingSurface.height(), 480);
    EXPECT_EQ(p.display().drawingSurface.at(5, 5), 77);
    p.displayChanged(8, 640, 480);  // depth alone: the surface stays
    EXPECT_EQ(p.display().displayDepth, 8);
    EXPECT_EQ(p.display().drawingSurface.at(5, 5), 77);

    hp.setMonitorSize(800, 600);
    for (int i = 0; i < 20; ++i) p.pass();
    EXPECT_EQ(p.display().drawingSurface.width(), 800);
    EXPECT_EQ(p.display().drawingSurface.height(), 600);
    EXPECT_EQ(p.shell().centreX, 400);
    EXPECT_EQ(hp.windowRect(p.animationWindow()), (Rect{0, 0, 800, 600}));
}
