// Scaled windows on the headless platform: doubled pixels on the screen, input mapped back to
// client coordinates, and the program's coordinates left unscaled.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/headless/headless_platform.h"
#include "platform/scale.h"

using namespace korel;

namespace {

WindowId makeWindow(HeadlessPlatform& p, const Rect& r, int scale) {
    WindowDesc d{"Korel", "Korel Controls", r, true, true, true};
    d.scale = scale;
    return p.createWindow(d);
}

Palette twoColours() {
    Palette pal{};
    pal[3] = PaletteEntry{10, 20, 30, 0};
    pal[4] = PaletteEntry{200, 100, 50, 0};
    return pal;
}

}  // namespace

TEST(Scale, FloorDivisionMapsEveryPixelOfABlockToOnePoint) {
    EXPECT_EQ(unscalePoint(Point{7, 9}, 2), (Point{3, 4}));
    EXPECT_EQ(unscalePoint(Point{6, 8}, 2), (Point{3, 4}));
    // Left of or above the window: no two pixels either side of the edge share a point.
    EXPECT_EQ(unscalePoint(Point{-1, -2}, 2), (Point{-1, -1}));
    EXPECT_EQ(unscalePoint(Point{-3, 0}, 2), (Point{-2, 0}));
    EXPECT_EQ(unscalePoint(Point{-3, 5}, 1), (Point{-3, 5}));
    EXPECT_EQ(windowScaleOf(2), 2);
    for (int odd : {0, -2, 3, 4}) EXPECT_EQ(windowScaleOf(odd), 1) << odd;
}

TEST(Scale, ADoubledWindowShowsEveryCanvasPixelAsABlock) {
    HeadlessPlatform p;
    const WindowId w = makeWindow(p, Rect{100, 50, 104, 53}, 2);
    ASSERT_NE(w, kNoWindow);
    EXPECT_EQ(p.windowScale(w), 2);
    // The program sees the unscaled client area.
    EXPECT_EQ(p.windowRect(w), (Rect{100, 50, 104, 53}));
    EXPECT_EQ(p.canvas(w).width(), 4);
    EXPECT_EQ(p.canvas(w).height(), 3);

    p.setPalette(twoColours());
    Surface& c = p.canvas(w);
    c.fill(3);
    c.set(1, 2, 4);
    p.present(w, Rect{1, 1, 3, 3});
    const auto px = p.screenPixels(w);
    ASSERT_EQ(px.size(), 8u * 6u);
    const Rgb a{10, 20, 30}, b{200, 100, 50}, none{};
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            const int cx = x / 2, cy = y / 2;
            const Rgb want = !Rect{1, 1, 3, 3}.contains(cx, cy) ? none
                             : (cx == 1 && cy == 2)             ? b
                                                                : a;
            EXPECT_EQ(px[size_t(y * 8 + x)], want) << x << "," << y;
        }

    // A resize (collapsed <-> expanded) keeps the doubling.
    p.setWindowRect(w, Rect{100, 50, 110, 55});
    EXPECT_EQ(p.windowRect(w), (Rect{100, 50, 110, 55}));
    EXPECT_EQ(p.canvas(w).width(), 10);
    p.canvas(w).fill(4);
    p.present(w, p.canvas(w).bounds());
    const auto big = p.screenPixels(w);
    ASSERT_EQ(big.size(), 20u * 10u);
    EXPECT_EQ(big.back(), b);

    // A canvas grown behind the platform's back is shown at its new size, never overrun.
    p.canvas(w).resize(12, 7, 3);
    p.present(w, Rect{0, 0, 12, 7});
    const auto grown = p.screenPixels(w);
    ASSERT_EQ(grown.size(), 24u * 14u);
    EXPECT_EQ(grown.back(), a);
}

TEST(Scale, WindowPixelsAndTheCursorMapBackToClientPoints) {
    HeadlessPlatform p(2560, 1440);
    const WindowId w = makeWindow(p, Rect{300, 200, 702, 660}, 2);
    const WindowId plain = makeWindow(p, Rect{0, 0, 50, 50}, 1);
    Event e;
    while (p.pollEvent(e)) {
    }
    // Both pixels of a block, including its odd one, land on the same client point.
    for (const Point pixel : {Point{2 * 17, 2 * 33}, Point{2 * 17 + 1, 2 * 33 + 1}}) {
        p.pushWindowPixelClick(w, pixel.x, pixel.y);
        ASSERT_TRUE(p.pollEvent(e));
        EXPECT_EQ(e.kind, EventKind::ButtonDown);
        EXPECT_EQ(e.x, 17);
        EXPECT_EQ(e.y, 33);
        ASSERT_TRUE(p.pollEvent(e));
        EXPECT_EQ(e.kind, EventKind::ButtonUp);
        EXPECT_EQ(e.x, 17);
        EXPECT_EQ(e.y, 33);
    }
    // The cursor stays in screen pixels; clientPoint takes it back into the window, as the
    // drag loops that follow a press do.
    EXPECT_EQ(p.cursorPos(), (Point{300 + 34, 200 + 66}));
    EXPECT_EQ(p.clientPoint(w, p.cursorPos()), (Point{17, 33}));
    p.setCursor(Point{300 + 803, 200 + 919});  // the last pixel of the doubled window
    EXPECT_EQ(p.clientPoint(w, p.cursorPos()), (Point{401, 459}));
    p.setCursor(Point{299, 199});  // dragged past the corner
    EXPECT_EQ(p.clientPoint(w, p.cursorPos()), (Point{-1, -1}));

    // An unscaled window takes window pixels as they are.
    p.pushWindowPixelClick(plain, 7, 9);
    ASSERT_TRUE(p.pollEvent(e));
    EXPECT_EQ(e.x, 7);
    EXPECT_EQ(e.y, 9);
    EXPECT_EQ(p.clientPoint(plain, Point{7, 9}), (Point{7, 9}));
}

TEST(Scale, SnapshotsAreWhatTheScreenShows) {
    HeadlessPlatform p;
    const WindowId w = makeWindow(p, Rect{0, 0, 3, 2}, 2);
    p.setPalette(twoColours());
    p.canvas(w).fill(4);
    p.present(w, p.canvas(w).bounds());
    const std::string path = ::testing::TempDir() + "korel_scaled_snapshot.png";
    ASSERT_TRUE(p.snapshotPng(w, path));
    // PNG header: width and height as big-endian words at 16 and 20.
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    unsigned char head[24] = {};
    ASSERT_EQ(std::fread(head, 1, sizeof head, f), sizeof head);
    std::fclose(f);
    std::remove(path.c_str());
    EXPECT_EQ(head[19], 6);
    EXPECT_EQ(head[23], 4);
}
