// The headless platform: windows, the event queue, presenting through the palette, text layout.
#include <gtest/gtest.h>

#include "platform/headless/headless_platform.h"

using namespace korel;

TEST(Headless, QueueDiscardsAndDropsInputForDisabledWindows) {
    HeadlessPlatform p;
    WindowId a = p.createWindow(WindowDesc{"Korel", "A", Rect{0, 0, 10, 10}, false, false, true});
    Event e;
    while (p.pollEvent(e)) {
    }
    p.pushClick(a, 1, 1);
    p.pushClick(a, 2, 2);
    EXPECT_TRUE(p.hasQueued(a, EventKind::ButtonDown, 1));
    EXPECT_EQ(p.discardQueued(a, EventKind::ButtonDown, 1), 2);
    ASSERT_TRUE(p.pollEvent(e));
    EXPECT_EQ(e.kind, EventKind::ButtonUp);
    p.discardQueued(a, EventKind::ButtonUp, 0);
    p.enableWindow(a, false);
    p.pushKey(a, 'Q');
    p.postQuit(7);
    ASSERT_TRUE(p.pollEvent(e));
    EXPECT_EQ(e.kind, EventKind::Quit);  // the key to the disabled window was dropped
    EXPECT_EQ(e.code, 7);
}

TEST(Headless, PresentShowsThePaletteOfThatMoment) {
    HeadlessPlatform p;
    WindowId a = p.createWindow(WindowDesc{"Korel", "A", Rect{0, 0, 4, 2}, false, false, true});
    Palette pal{};
    pal[3] = PaletteEntry{10, 20, 30, 0};
    p.setPalette(pal);
    p.canvas(a).fill(3);
    p.present(a, Rect{0, 0, 2, 2});
    auto px = p.screenPixels(a);
    EXPECT_EQ(px[0], (Rgb{10, 20, 30}));
    EXPECT_EQ(px[3], (Rgb{0, 0, 0}));  // not presented yet
    pal[3] = PaletteEntry{1, 1, 1, 0};
    p.setPalette(pal);
    EXPECT_EQ(p.screenPixels(a)[0], (Rgb{10, 20, 30}));  // a palette change alone shows nothing
}

TEST(Text, WrapsAtSpacesAndAligns) {
    HeadlessFonts f;
    int w = f.textWidth(FontId::Medium, "word word");
    auto lines = layoutLines(f, FontId::Medium, "word word word", w, true);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "word word");
    EXPECT_EQ(lines[1], "word");
    // A word longer than the box stays whole on its own line.
    lines = layoutLines(f, FontId::Medium, "extraordinarily a", 5, true);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "extraordinarily");

    Surface s(60, 20, 0);
    TextStyle st;
    st.font = FontId::Small;
    st.colour = 9;
    st.align = Align::Right;
    drawText(f, s, Rect{0, 0, 60, 20}, "ab", st);
    bool leftEmpty = true, rightInk = false;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x) {
            if (s.at(x, y) == 9 && x < 40) leftEmpty = false;
            if (s.at(x, y) == 9 && x >= 50) rightInk = true;
        }
    EXPECT_TRUE(leftEmpty);
    EXPECT_TRUE(rightInk);
}
