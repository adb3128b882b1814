// Scaled windows on the desktop platform: the doubling expansion, and (under an X display) a
// real window twice the size showing doubled pixels, with clicks mapped back.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/desktop/desktop_platform.h"
#include "platform/desktop/pixel_expand.h"

namespace korel {
namespace {

TEST(DesktopScale, DoublingWritesBlocksForTheClippedRectangleOnly) {
    Palette pal{};
    pal[3] = PaletteEntry{10, 20, 30, 0};
    pal[4] = PaletteEntry{200, 100, 50, 0};
    const auto table = desktop::argbTable(pal);
    Surface s(5, 3, 3);
    s.set(4, 1, 4);
    constexpr uint32_t kUntouched = 0x12345678u;
    std::vector<uint32_t> out(10 * 6, kUntouched);
    const Rect done = desktop::expandRectDoubled(s, Rect{3, 1, 9, 9}, table, out.data(), 10);
    EXPECT_EQ(done, (Rect{3, 1, 5, 3}));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x) {
            const int cx = x / 2, cy = y / 2;
            const uint32_t want = !done.contains(cx, cy) ? kUntouched
                                  : (cx == 4 && cy == 1) ? 0xFFC86432u
                                                         : 0xFF0A141Eu;
            EXPECT_EQ(out[size_t(y * 10 + x)], want) << x << "," << y;
        }
    EXPECT_TRUE(desktop::expandRectDoubled(s, Rect{5, 0, 9, 3}, table, out.data(), 10).empty());
    // Scale 1 is the plain expansion.
    std::vector<uint32_t> plain(5 * 3, 0);
    EXPECT_EQ(desktop::expandRectScaled(s, s.bounds(), table, plain.data(), 5, 1), s.bounds());
    EXPECT_EQ(plain[size_t(1 * 5 + 4)], 0xFFC86432u);
}

class DesktopScaled : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        platform_ = makeDesktopPlatform(&error);
        if (!platform_) GTEST_SKIP() << "no display: " << error;
    }

    WindowId makeWindow(const Rect& r, int scale) {
        WindowDesc d;
        d.className = "KorelTest";
        d.title = "Scaled";
        d.rect = r;
        d.visible = true;
        d.scale = scale;
        return platform_->createWindow(d);
    }

    bool waitFor(WindowId w, EventKind kind, Event& out) {
        const uint32_t start = platform_->tickCount();
        while (platform_->tickCount() - start < 1000) {
            while (platform_->pollEvent(out))
                if (out.kind == kind && out.window == w) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    std::unique_ptr<DesktopPlatform> platform_;
};

TEST_F(DesktopScaled, TheWindowIsTwiceTheSizeAndShowsDoubledPixels) {
    const WindowId w = makeWindow(Rect{40, 30, 241, 113}, 2);
    ASSERT_NE(w, kNoWindow);
    int width = 0, height = 0;
    ASSERT_TRUE(platform_->windowPixelSize(w, width, height));
    EXPECT_EQ(width, 402);
    EXPECT_EQ(height, 166);
    EXPECT_EQ(platform_->windowRect(w), (Rect{40, 30, 241, 113}));
    EXPECT_EQ(platform_->canvas(w).width(), 201);
    EXPECT_EQ(platform_->canvas(w).height(), 83);

    Palette pal = platform_->palette();
    pal[40] = PaletteEntry{200, 100, 50, kPaletteReserved};
    pal[41] = PaletteEntry{1, 2, 3, kPaletteReserved};
    platform_->setPalette(pal);
    Surface& c = platform_->canvas(w);
    c.fill(40);
    c.set(200, 82, 41);  // the last canvas pixel
    c.set(10, 5, 41);
    platform_->present(w, c.bounds());
    EXPECT_EQ(platform_->shownPixel(w, 10, 5), 0xFF010203u);
    EXPECT_EQ(platform_->shownPixel(w, 11, 5), 0xFFC86432u);

    std::vector<uint32_t> screen;
    ASSERT_TRUE(platform_->readBack(w, Rect{19, 9, 23, 12}, screen)) << platform_->rendererName(w);
    // Window pixels 19..22 across, 9..11 down: canvas columns 9, 10, 10, 11 and rows 4, 5, 5.
    const uint32_t a = 0xFFC86432u, b = 0xFF010203u;
    const std::vector<uint32_t> want{a, a, a, a,  //
                                     a, b, b, a,  //
                                     a, b, b, a};
    EXPECT_EQ(screen, want);
    ASSERT_TRUE(platform_->readBack(w, Rect{400, 164, 402, 166}, screen));
    EXPECT_EQ(screen, (std::vector<uint32_t>{b, b, b, b}));
    EXPECT_FALSE(platform_->readBack(w, Rect{402, 166, 410, 170}, screen));

    // A resize (collapsed <-> expanded) keeps the doubling.
    platform_->setWindowRect(w, Rect{40, 30, 251, 195});
    Event e;
    ASSERT_TRUE(waitFor(w, EventKind::Expose, e));
    ASSERT_TRUE(platform_->windowPixelSize(w, width, height));
    EXPECT_EQ(width, 422);
    EXPECT_EQ(height, 330);
    EXPECT_EQ(platform_->windowRect(w), (Rect{40, 30, 251, 195}));
    platform_->canvas(w).fill(41);
    platform_->present(w, platform_->canvas(w).bounds());
    ASSERT_TRUE(platform_->readBack(w, Rect{420, 328, 422, 330}, screen));
    EXPECT_EQ(screen, (std::vector<uint32_t>{b, b, b, b}));
}

TEST_F(DesktopScaled, ClicksArriveInClientCoordinates) {
    const WindowId w = makeWindow(Rect{100, 100, 200, 150}, 2);
    ASSERT_NE(w, kNoWindow);
    Event e;
    while (platform_->pollEvent(e)) {
    }
    platform_->injectButton(w, 1, true, 2 * 17 + 1, 2 * 33 + 1);
    platform_->injectButton(w, 1, false, 2 * 17, 2 * 33);
    ASSERT_TRUE(waitFor(w, EventKind::ButtonDown, e));
    EXPECT_EQ(e.x, 17);
    EXPECT_EQ(e.y, 33);
    ASSERT_TRUE(waitFor(w, EventKind::ButtonUp, e));
    EXPECT_EQ(e.x, 17);
    EXPECT_EQ(e.y, 33);

    const Rect r = platform_->windowRect(w);
    EXPECT_EQ(platform_->clientPoint(w, Point{r.left + 35, r.top + 67}), (Point{17, 33}));
    EXPECT_EQ(platform_->clientPoint(w, Point{r.left - 1, r.top}), (Point{-1, 0}));
}

}  // namespace
}  // namespace korel
