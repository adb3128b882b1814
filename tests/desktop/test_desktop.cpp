// Tests of the desktop platform: input translation, palette expansion, and (under an X display)
// windows, presenting, the event queue, fonts and foreign windows.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "platform/desktop/desktop_beep.h"
#include "platform/desktop/desktop_fonts.h"
#include "platform/desktop/desktop_keys.h"
#include "platform/desktop/desktop_platform.h"
#include "platform/desktop/pixel_expand.h"
#include "platform/keys.h"

namespace korel {
namespace {

using desktop::controlCharFor;
using desktop::decodeUtf8;
using desktop::virtualKeyFor;

// SDL key codes of non-character keys are their scan code with bit 30 set.
constexpr int32_t sdlScanKey(int scancode) {
    return scancode | (1 << 30);
}
constexpr int32_t kSdlF1 = sdlScanKey(58);
constexpr int32_t kSdlLeft = sdlScanKey(80);
constexpr int32_t kSdlKpEnter = sdlScanKey(88);

TEST(DesktopInput, KeysMapToClassicVirtualKeys) {
    EXPECT_EQ(virtualKeyFor('a'), 'A');
    EXPECT_EQ(virtualKeyFor('z'), 'Z');
    EXPECT_EQ(virtualKeyFor('0'), '0');
    EXPECT_EQ(virtualKeyFor('9'), '9');
    EXPECT_EQ(virtualKeyFor(kSdlF1), vk::F1);
    EXPECT_EQ(virtualKeyFor(sdlScanKey(69)), vk::F12);
    EXPECT_EQ(virtualKeyFor(kSdlLeft), vk::Left);
    EXPECT_EQ(virtualKeyFor(kSdlKpEnter), vk::Return);
    EXPECT_EQ(virtualKeyFor('\r'), vk::Return);
    EXPECT_EQ(virtualKeyFor(' '), vk::Space);
    EXPECT_EQ(virtualKeyFor('-'), vk::OemMinus);
    EXPECT_EQ(virtualKeyFor('='), vk::OemPlus);
    EXPECT_EQ(virtualKeyFor(sdlScanKey(85)), vk::Multiply);  // keypad *
    EXPECT_EQ(virtualKeyFor(sdlScanKey(300)), 0);            // nothing the program knows
}

TEST(DesktopInput, ControlCharactersComeFromKeys) {
    EXPECT_EQ(controlCharFor('c', true, false), 3u);
    EXPECT_EQ(controlCharFor('a', true, false), 1u);
    EXPECT_EQ(controlCharFor('z', true, false), 26u);
    EXPECT_EQ(controlCharFor('\r', false, false), 13u);
    EXPECT_EQ(controlCharFor(kSdlKpEnter, false, false), 13u);
    EXPECT_EQ(controlCharFor('\b', false, false), 8u);
    EXPECT_EQ(controlCharFor(27, false, false), 27u);
    // Plain letters type through text input; Ctrl+Alt is AltGr and types through it as well.
    EXPECT_EQ(controlCharFor('c', false, false), 0u);
    EXPECT_EQ(controlCharFor('c', true, true), 0u);
    EXPECT_EQ(controlCharFor('1', true, false), 0u);
}

TEST(DesktopInput, Utf8DecodingNeverLosesOrOverreads) {
    EXPECT_EQ(decodeUtf8("A\xC3\xA9"), (std::vector<uint32_t>{'A', 0xE9}));
    EXPECT_EQ(decodeUtf8("\xE2\x82\xAC"), (std::vector<uint32_t>{0x20AC}));
    // A lone Latin-1 byte, a sequence cut short and an overlong form each stand for themselves.
    EXPECT_EQ(decodeUtf8("caf\xE9"), (std::vector<uint32_t>{'c', 'a', 'f', 0xE9}));
    EXPECT_EQ(decodeUtf8("\xE2\x82"), (std::vector<uint32_t>{0xE2, 0x82}));
    EXPECT_EQ(decodeUtf8("\xC0\x80"), (std::vector<uint32_t>{0xC0, 0x80}));
    EXPECT_EQ(desktop::toUtf8("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(desktop::toUtf8("caf\xC3\xA9"), "caf\xC3\xA9");
}

TEST(DesktopPresent, ExpansionCoversOnlyTheClippedRectangle) {
    Palette pal{};
    pal[3] = PaletteEntry{10, 20, 30, kPaletteReserved};
    const auto table = desktop::argbTable(pal);
    EXPECT_EQ(table[3], 0xFF0A141Eu);
    EXPECT_EQ(table[0], 0xFF000000u);

    Surface s(8, 4, 3);
    std::vector<uint32_t> out(8 * 4, 0);
    const Rect done = desktop::expandRect(s, Rect{6, -2, 20, 2}, table, out.data(), 8);
    EXPECT_EQ(done, (Rect{6, 0, 8, 2}));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(out[size_t(y * 8 + x)], done.contains(x, y) ? 0xFF0A141Eu : 0u)
                << x << "," << y;
    EXPECT_TRUE(desktop::expandRect(s, Rect{9, 0, 12, 4}, table, out.data(), 8).empty());
}

TEST(DesktopBeep, ToneHasTheLengthAndFadesToSilenceAtBothEnds) {
    const auto tone = desktop::beepTone(22050, 80, 880.0);
    ASSERT_EQ(tone.size(), 1764u);
    EXPECT_EQ(tone.front(), 0);
    EXPECT_EQ(tone.back(), 0);
    int peak = 0;
    for (int16_t s : tone) peak = std::max(peak, std::abs(int(s)));
    EXPECT_GT(peak, 8000);  // audible, yet well below clipping
    EXPECT_LT(peak, 12000);
    EXPECT_TRUE(desktop::beepTone(0, 80, 880.0).empty());
}

TEST(DesktopBeep, QuietWithoutASoundServerAndPlayedThroughOne) {
    // No server: the beep is silent and says nothing (no audio library noise on stderr).
    const char* had = std::getenv("PULSE_SERVER");
    const std::string saved = had ? had : "";
    ::setenv("PULSE_SERVER", "unix:/nonexistent/korel-beep-test", 1);
    testing::internal::CaptureStderr();
    {
        desktop::Beeper beeper;
        beeper.beep();
        beeper.beep();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(beeper.played(), 0);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    if (had) {
        ::setenv("PULSE_SERVER", saved.c_str(), 1);
    } else {
        ::unsetenv("PULSE_SERVER");
    }

    // With a server the first beep plays once the connection made for it is ready.
    desktop::Beeper beeper;
    beeper.beep();
    for (int i = 0; i < 200 && beeper.played() == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (beeper.played() == 0) GTEST_SKIP() << "no sound server";
    beeper.beep();
    for (int i = 0; i < 200 && beeper.played() == 1; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(beeper.played(), 2);
}

TEST(DesktopFonts, MissingFontFilesLeaveWorkingMeasuresAndNoDrawing) {
    desktop::TtfFonts fonts(desktop::FontFiles{"/nonexistent/a.ttf", ""});
    EXPECT_FALSE(fonts.loaded(FontId::Medium));
    EXPECT_EQ(fonts.lineHeight(FontId::Small), 9);
    EXPECT_EQ(fonts.lineHeight(FontId::Large), 56);
    EXPECT_GT(fonts.textWidth(FontId::Medium, "Korel Controls"),
              fonts.textWidth(FontId::Medium, "Korel"));
    Surface s(50, 20, 0);
    fonts.drawRun(s, FontId::Medium, 0, 0, "Korel", 9);
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) ASSERT_EQ(s.at(x, y), 0);
    // Layout over the stand-in still wraps.
    EXPECT_EQ(layoutLines(fonts, FontId::Medium, "one two three", 40, true).size(), 3u);
}

// --- With a display -----------------------------------------------------------------------

class Desktop : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        platform_ = makeDesktopPlatform(&error);
        if (!platform_) GTEST_SKIP() << "no display: " << error;
    }

    WindowId makeWindow(const Rect& r, bool framed = false, bool visible = true,
                        const std::string& title = "Test") {
        WindowDesc d;
        d.className = "KorelTest";
        d.title = title;
        d.rect = r;
        d.framed = framed;
        d.visible = visible;
        return platform_->createWindow(d);
    }

    // Takes events until one of `kind` for w arrives (or a second passes).
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

TEST_F(Desktop, WindowsKeepTheirRectanglesAndCanvases) {
    const WindowId popup = makeWindow(Rect{100, 50, 740, 530});
    const WindowId framed = makeWindow(Rect{20, 30, 262, 144}, true, false, "Alert");
    ASSERT_NE(popup, kNoWindow);
    ASSERT_NE(framed, kNoWindow);
    EXPECT_EQ(platform_->windowRect(popup), (Rect{100, 50, 740, 530}));
    EXPECT_EQ(platform_->canvas(popup).width(), 640);
    EXPECT_EQ(platform_->canvas(popup).height(), 480);
    EXPECT_TRUE(platform_->windowVisible(popup));
    EXPECT_FALSE(platform_->windowVisible(framed));

    platform_->setWindowRect(framed, Rect{40, 60, 140, 110});
    EXPECT_EQ(platform_->windowRect(framed), (Rect{40, 60, 140, 110}));
    EXPECT_EQ(platform_->canvas(framed).width(), 100);
    EXPECT_EQ(platform_->canvas(framed).height(), 50);
    EXPECT_TRUE(platform_->hasQueued(framed, EventKind::Expose));

    platform_->showWindow(framed, true);
    EXPECT_TRUE(platform_->windowVisible(framed));
    EXPECT_EQ(platform_->findWindow("KorelTest", "Alert"), framed);
    EXPECT_EQ(platform_->findWindow("KorelTest", "Nobody"), kNoWindow);

    platform_->destroyWindow(framed);
    EXPECT_EQ(platform_->windowRect(framed), Rect{});
    EXPECT_TRUE(platform_->canvas(framed).empty());
    platform_->canvas(framed).fill(7);  // drawing for a gone window is harmless
    platform_->present(framed, Rect{0, 0, 10, 10});
    EXPECT_EQ(platform_->findWindow("KorelTest", "Alert"), kNoWindow);
}

TEST_F(Desktop, PresentShowsTheDirtyRectangleThroughThePalette) {
    const WindowId w = makeWindow(Rect{0, 0, 320, 200});
    ASSERT_NE(w, kNoWindow);
    Palette pal = platform_->palette();
    pal[40] = PaletteEntry{200, 100, 50, kPaletteReserved};
    pal[41] = PaletteEntry{1, 2, 3, kPaletteReserved};
    platform_->setPalette(pal);
    Surface& c = platform_->canvas(w);
    c.fill(40);
    platform_->present(w, Rect{10, 10, 74, 74});
    EXPECT_EQ(platform_->shownPixel(w, 10, 10), 0xFFC86432u);
    EXPECT_EQ(platform_->shownPixel(w, 73, 73), 0xFFC86432u);
    EXPECT_EQ(platform_->shownPixel(w, 74, 73), 0xFF000000u);  // outside the dirty rectangle

    // A palette change shows only with the next present, as on a true-colour display.
    pal[40] = PaletteEntry{0, 255, 0, kPaletteReserved};
    platform_->setPalette(pal);
    EXPECT_EQ(platform_->shownPixel(w, 10, 10), 0xFFC86432u);
    c.fillRect(Rect{300, 180, 320, 200}, 41);
    platform_->present(w, Rect{-50, -50, 1000, 1000});  // clipped to the canvas
    EXPECT_EQ(platform_->shownPixel(w, 10, 10), 0xFF00FF00u);
    EXPECT_EQ(platform_->shownPixel(w, 319, 199), 0xFF010203u);

    std::vector<uint32_t> screen;
    ASSERT_TRUE(platform_->readBack(w, Rect{8, 8, 12, 12}, screen)) << platform_->rendererName(w);
    EXPECT_EQ(screen[size_t(2 * 4 + 2)], 0xFF00FF00u);
    ASSERT_TRUE(platform_->readBack(w, Rect{318, 198, 320, 200}, screen));
    EXPECT_EQ(screen[3], 0xFF010203u);

    // A canvas resized behind the platform's back is shown at its new size, never overrun.
    c.resize(400, 300, 41);
    platform_->present(w, Rect{0, 0, 400, 300});
    EXPECT_EQ(platform_->shownPixel(w, 399, 299), 0xFF010203u);
}

TEST_F(Desktop, WindowSurfaceShowsPresentsAcrossResizesWithoutGl) {
    const WindowId w = makeWindow(Rect{0, 0, 320, 200});
    ASSERT_NE(w, kNoWindow);
    // Without a GPU a GL present costs milliseconds of CPU; X11 takes the window's own image.
    if (platform_->videoDriver() == "x11") {
        EXPECT_EQ(platform_->rendererName(w), "window surface");
    }
    Palette pal{};
    pal[7] = PaletteEntry{10, 20, 30, kPaletteReserved};
    pal[9] = PaletteEntry{250, 0, 5, kPaletteReserved};
    platform_->setPalette(pal);

    // Larger than before: the surface is fetched anew and the new area reaches the screen.
    platform_->setWindowRect(w, Rect{0, 0, 480, 360});
    Event e;
    ASSERT_TRUE(waitFor(w, EventKind::Expose, e));
    Surface& c = platform_->canvas(w);
    ASSERT_EQ(c.width(), 480);
    c.fill(7);
    c.fillRect(Rect{470, 350, 480, 360}, 9);
    platform_->present(w, c.bounds());
    std::vector<uint32_t> screen;
    ASSERT_TRUE(platform_->readBack(w, Rect{469, 349, 471, 351}, screen));
    EXPECT_EQ(screen[0], 0xFF0A141Eu);
    EXPECT_EQ(screen[3], 0xFFFA0005u);

    // Smaller again; a hidden and shown-again window still shows its last picture.
    platform_->setWindowRect(w, Rect{0, 0, 100, 80});
    ASSERT_TRUE(waitFor(w, EventKind::Expose, e));
    platform_->canvas(w).fill(9);
    platform_->present(w, Rect{0, 0, 100, 80});
    platform_->showWindow(w, false);
    platform_->showWindow(w, true);
    ASSERT_TRUE(platform_->readBack(w, Rect{99, 79, 100, 80}, screen));
    EXPECT_EQ(screen[0], 0xFFFA0005u);
    EXPECT_FALSE(platform_->readBack(w, Rect{100, 80, 110, 90}, screen));
}

TEST_F(Desktop, QueueLooksUpAndDiscardsByWindowKindAndButton) {
    const WindowId a = makeWindow(Rect{0, 0, 100, 100});
    const WindowId b = makeWindow(Rect{200, 0, 300, 100});
    Event e;
    while (platform_->pollEvent(e)) {
    }
    platform_->invalidateWindow(a);
    platform_->invalidateWindow(a);  // merges with the first
    platform_->invalidateWindow(b);
    platform_->injectButton(a, 1, true, 5, 6);  // SDL's left button
    platform_->injectButton(a, 3, true, 7, 8);  // SDL's right button
    platform_->injectButton(a, 2, true, 7, 8);  // middle: not passed on
    EXPECT_TRUE(platform_->hasQueued(a, EventKind::ButtonDown, 2));
    EXPECT_EQ(platform_->discardQueued(a, EventKind::ButtonDown, 1), 1);
    EXPECT_FALSE(platform_->hasQueued(a, EventKind::ButtonDown, 1));
    EXPECT_EQ(platform_->discardQueued(a, EventKind::Expose), 1);
    EXPECT_TRUE(platform_->hasQueued(b, EventKind::Expose));
    platform_->postQuit(42);

    ASSERT_TRUE(platform_->pollEvent(e));
    EXPECT_EQ(e.kind, EventKind::Expose);
    EXPECT_EQ(e.window, b);
    ASSERT_TRUE(platform_->pollEvent(e));
    EXPECT_EQ(e.kind, EventKind::ButtonDown);
    EXPECT_EQ(e.button, 2);
    EXPECT_EQ(e.x, 7);
    EXPECT_EQ(e.y, 8);
    ASSERT_TRUE(platform_->pollEvent(e));
    EXPECT_EQ(e.kind, EventKind::Quit);
    EXPECT_EQ(e.code, 42);
    EXPECT_FALSE(platform_->pollEvent(e));
}

TEST_F(Desktop, ActivationNamesTheOtherWindow) {
    const WindowId a = makeWindow(Rect{0, 0, 100, 100});
    const WindowId b = makeWindow(Rect{200, 0, 300, 100});
    Event e;
    platform_->raiseWindow(a, true);
    ASSERT_TRUE(waitFor(a, EventKind::Activate, e));
    EXPECT_EQ(platform_->activeWindow(), a);
    platform_->raiseWindow(b, true);
    ASSERT_TRUE(waitFor(a, EventKind::Deactivate, e));
    EXPECT_EQ(e.other, b);  // focus stayed with the program: no background switch
    ASSERT_TRUE(waitFor(b, EventKind::Activate, e));
    EXPECT_EQ(e.other, a);
    EXPECT_EQ(platform_->activeWindow(), b);
}

TEST_F(Desktop, TerminationSignalsBecomeTerminate) {
    Event e;
    while (platform_->pollEvent(e)) {
    }
    // A kill, Ctrl+C and a closed terminal or ended session; none may end the process at once.
    // Each gets a fresh platform, whose deadline would otherwise end this test from the first.
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        platform_.reset();
        platform_ = makeDesktopPlatform();
        ASSERT_TRUE(platform_);
        ASSERT_EQ(raise(sig), 0);
        ASSERT_TRUE(waitFor(kNoWindow, EventKind::Terminate, e)) << sig;
        // Further requests come through as well.
        ASSERT_EQ(raise(sig), 0);
        ASSERT_TRUE(waitFor(kNoWindow, EventKind::Terminate, e)) << sig;
    }
    // A hangup that whoever started the program chose to ignore (nohup) stays ignored.
    platform_.reset();
    struct sigaction ignore = {}, previous = {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGHUP, &ignore, &previous), 0);
    platform_ = makeDesktopPlatform();
    ASSERT_TRUE(platform_);
    ASSERT_EQ(raise(SIGHUP), 0);
    EXPECT_FALSE(waitFor(kNoWindow, EventKind::Terminate, e));
    platform_.reset();
    sigaction(SIGHUP, &previous, nullptr);
}

TEST(DesktopTerminate, AProgramThatNeverGetsToTheRequestStillEndsWithZero) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto stuck = [] {
        auto platform = makeDesktopPlatform();
        if (!platform) std::_Exit(2);
        raise(SIGTERM);
        // Never pumps the events; only the platform's deadline can end this.
        std::this_thread::sleep_for(std::chrono::seconds(20));
        std::_Exit(3);
    };
    EXPECT_EXIT(stuck(), ::testing::ExitedWithCode(0), "");
}

TEST_F(Desktop, AShownModalWindowStaysAboveEveryOtherWindow) {
    const WindowId big = makeWindow(Rect{0, 0, 640, 480}, false, true, "Animation");
    WindowDesc d;
    d.className = "Alert";
    d.title = "Alert";
    d.rect = Rect{200, 180, 442, 295};
    d.framed = true;
    d.topmost = true;
    d.modal = true;
    const WindowId alert = platform_->createWindow(d);
    ASSERT_NE(alert, kNoWindow);
    const int cx = 320, cy = 240;  // inside both
    auto onTop = [&](WindowId expected) {
        for (int i = 0; i < 50; ++i) {
            if (platform_->windowOnTopAt(cx, cy) == expected) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    };
    if (platform_->videoDriver() != "x11") GTEST_SKIP() << "stacking is read over X11";
    platform_->showWindow(alert, true);
    ASSERT_TRUE(onTop(alert));
    // Raising, activating or showing another window leaves the alert in front, with the focus.
    platform_->raiseWindow(big, true);
    EXPECT_TRUE(onTop(alert));
    const WindowId other = makeWindow(Rect{100, 100, 500, 400}, true, false, "Controls");
    platform_->showWindow(other, true);
    EXPECT_TRUE(onTop(alert));
    platform_->raiseWindow(other, false);
    EXPECT_TRUE(onTop(alert));
    Event e;
    EXPECT_TRUE(waitFor(alert, EventKind::Activate, e));
    // Once hidden, the others rise as before.
    platform_->showWindow(alert, false);
    platform_->raiseWindow(big, true);
    EXPECT_TRUE(onTop(big));
}

TEST_F(Desktop, KeysAndTextBecomeKeyDownAndCharEvents) {
    const WindowId w = makeWindow(Rect{0, 0, 100, 100});
    Event e;
    while (platform_->pollEvent(e)) {
    }
    platform_->injectKey(w, 'c', false, true, false);
    platform_->injectKey(w, '\r', true, false, false);
    platform_->injectText(w, "x\xC3\xA9");
    std::vector<Event> got;
    while (platform_->pollEvent(e))
        if (e.window == w) got.push_back(e);
    ASSERT_EQ(got.size(), 6u);
    EXPECT_EQ(got[0].kind, EventKind::KeyDown);
    EXPECT_EQ(got[0].key, 'C');
    EXPECT_TRUE(got[0].ctrl);
    EXPECT_EQ(got[1].kind, EventKind::Char);
    EXPECT_EQ(got[1].ch, 3u);
    EXPECT_EQ(got[2].key, vk::Return);
    EXPECT_TRUE(got[2].shift);
    EXPECT_EQ(got[3].ch, 13u);
    EXPECT_EQ(got[4].ch, uint32_t('x'));
    EXPECT_EQ(got[5].ch, 0xE9u);

    // A disabled window's input is dropped; enabling it again lets input through.
    platform_->enableWindow(w, false);
    platform_->injectKey(w, 'a', false, false, false);
    platform_->injectButton(w, 1, true, 1, 1);
    EXPECT_FALSE(platform_->hasQueued(w, EventKind::KeyDown));
    EXPECT_FALSE(platform_->hasQueued(w, EventKind::ButtonDown));
    platform_->enableWindow(w, true);
    platform_->injectButton(w, 1, true, 1, 1);
    EXPECT_TRUE(platform_->hasQueued(w, EventKind::ButtonDown, 1));
}

TEST_F(Desktop, FontsMeasureAndDrawInOneIndexWithinTheClip) {
    Fonts& f = platform_->fonts();
    EXPECT_LE(f.lineHeight(FontId::Small), 9);
    EXPECT_GE(f.lineHeight(FontId::Small), 7);
    EXPECT_LE(f.lineHeight(FontId::Medium), 13);
    EXPECT_GE(f.lineHeight(FontId::Medium), 11);
    EXPECT_LE(f.lineHeight(FontId::Large), 56);
    EXPECT_GE(f.lineHeight(FontId::Large), 50);
    EXPECT_LT(f.ascent(FontId::Medium), f.lineHeight(FontId::Medium));
    EXPECT_EQ(f.textWidth(FontId::Medium, ""), 0);
    const int w1 = f.textWidth(FontId::Medium, "Korel");
    const int w2 = f.textWidth(FontId::Medium, "Korel Controls");
    EXPECT_GT(w1, 0);
    EXPECT_GT(w2, w1);
    EXPECT_GT(f.textWidth(FontId::Large, "Korel"), w1);
    EXPECT_GT(f.textWidth(FontId::Small, "caf\xE9"), 0);  // Latin-1 text is drawable too

    Surface s(200, 80, 0);
    f.drawRun(s, FontId::Large, 2, 0, "Hg", 17);
    int ink = 0, lowest = -1;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            const uint8_t v = s.at(x, y);
            ASSERT_TRUE(v == 0 || v == 17);
            if (v == 17) ++ink, lowest = y;
        }
    EXPECT_GT(ink, 50);
    EXPECT_LT(lowest, f.lineHeight(FontId::Large));  // descenders stay inside the cell

    Surface clipped(200, 80, 0);
    clipped.setClip(Rect{10, 10, 20, 20});
    f.drawRun(clipped, FontId::Large, 0, 0, "MMMM", 5);
    for (int y = 0; y < clipped.height(); ++y)
        for (int x = 0; x < clipped.width(); ++x)
            if (!clipped.clip().contains(x, y)) {
                ASSERT_EQ(clipped.at(x, y), 0) << x << "," << y;
            }
    f.drawRun(clipped, FontId::Small, -500, -500, "off the surface", 5);
    f.drawRun(clipped, FontId::Small, 195, 75, "partly off", 5);
}

TEST_F(Desktop, DisplayCursorClockAndBeep) {
    Rect m;
    ASSERT_TRUE(platform_->monitorAtCursor(m));
    EXPECT_FALSE(m.empty());
    EXPECT_EQ(platform_->displayDepth(), 32);
    // Mode changes are followed by asking the server; it must agree with SDL's start-up view.
    int width = 0, height = 0;
    if (platform_->currentMonitorSize(m.left, m.top, width, height)) {
        EXPECT_EQ(width, m.width());
        EXPECT_EQ(height, m.height());
    }
    Event e;
    while (platform_->pollEvent(e)) EXPECT_NE(e.kind, EventKind::DisplayChange);
    const Point p = platform_->cursorPos();
    EXPECT_TRUE(m.contains(p.x, p.y) || (p.x == m.right || p.y == m.bottom));
    const uint32_t t0 = platform_->tickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const uint32_t dt = platform_->tickCount() - t0;
    EXPECT_GE(dt, 19u);
    EXPECT_LT(dt, 1000u);
    platform_->setBusyCursor(true);
    platform_->setBusyCursor(false);
    platform_->showCursor(false);
    platform_->showCursor(true);
    platform_->beep();  // silent without an audio device, never a failure
    platform_->beep();
}

// The screen saver's window lives in another program; a child process plays that program.
TEST(DesktopForeign, FindsAnotherProgramsWindowAndAsksItToClose) {
    {
        auto probe = makeDesktopPlatform();
        if (!probe) GTEST_SKIP() << "no display";
        if (probe->videoDriver() != "x11") GTEST_SKIP() << "not an X11 display";
    }
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto p = makeDesktopPlatform();
        if (!p) _exit(2);
        WindowDesc d{"WindowsScreenSaverClass", "KorelSS", Rect{0, 0, 50, 50}, false, false, true};
        const WindowId w = p->createWindow(d);
        const uint32_t start = p->tickCount();
        while (p->tickCount() - start < 10000) {
            Event e;
            while (p->pollEvent(e))
                if (e.kind == EventKind::Close && e.window == w) _exit(7);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        _exit(3);
    }
    auto p = makeDesktopPlatform();
    ASSERT_TRUE(p);
    WindowId found = kNoWindow;
    for (int i = 0; i < 500 && found == kNoWindow; ++i) {
        found = p->findWindow("WindowsScreenSaverClass", "KorelSS");
        if (found == kNoWindow) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_NE(found, kNoWindow);
    EXPECT_NE(found & 0x80000000u, 0u);
    EXPECT_EQ(p->findWindow("WindowsScreenSaverClass", "Someone else"), kNoWindow);
    p->closeForeignWindow(found);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), found == kNoWindow ? 3 : 7);
}

}  // namespace
}  // namespace korel
