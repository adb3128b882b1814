// Real key presses through the X server (the XTest extension, driven by xdotool) arrive as the
// key-down and character events the keyboard commands expect: each typing key once as a
// character, Control + digit only as a key-down, Control + letter as its control character.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/desktop/desktop_keys.h"
#include "platform/desktop/desktop_platform.h"
#include "platform/keys.h"

namespace korel {
namespace {

// A key-down or character event in a short form: "k:<key>[s][c]" or "c:<char>[s][c]".
std::string brief(const Event& e) {
    std::string s = e.kind == EventKind::KeyDown ? "k:" + std::to_string(e.key)
                                                 : "c:" + std::to_string(e.ch);
    if (e.shift) s += "s";
    if (e.ctrl) s += "c";
    return s;
}

bool haveXdotool() { return std::system("command -v xdotool >/dev/null 2>&1") == 0; }

TEST(DesktopKeysOffline, ControlAloneKeepsTextOut) {
    EXPECT_FALSE(desktop::textFromKeys(true, false));
    EXPECT_TRUE(desktop::textFromKeys(true, true));  // AltGr
    EXPECT_TRUE(desktop::textFromKeys(false, true));
    EXPECT_TRUE(desktop::textFromKeys(false, false));
}

TEST(DesktopKeys, RealKeyPressesArriveOnceAsTheKeysExpect) {
    std::string error;
    auto platform = makeDesktopPlatform(&error);
    if (!platform) GTEST_SKIP() << "no display: " << error;
    if (platform->videoDriver() != "x11") GTEST_SKIP() << "not an X11 display";
    if (!haveXdotool()) GTEST_SKIP() << "xdotool is not installed";

    WindowDesc d;
    d.className = "KorelTest";
    d.title = "KorelKeysProbe";
    d.rect = Rect{20, 20, 220, 120};
    d.visible = true;
    const WindowId w = platform->createWindow(d);
    ASSERT_NE(w, kNoWindow);
    platform->raiseWindow(w, true);
    Event e;
    for (int i = 0; i < 50; ++i) {
        while (platform->pollEvent(e)) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const int rc = std::system(
        "id=$(xdotool search --name '^KorelKeysProbe$' | head -n 1) && [ -n \"$id\" ] && "
        "xdotool windowfocus --sync \"$id\" && "
        "xdotool key --delay 20 2 shift+g ctrl+1 ctrl+g space F1 slash Escape");
    if (rc != 0) GTEST_SKIP() << "xdotool could not type into the window";

    std::vector<std::string> got;
    const uint32_t start = platform->tickCount();
    while (platform->tickCount() - start < 1500) {
        while (platform->pollEvent(e)) {
            if (e.window != w) continue;
            if (e.kind == EventKind::KeyDown &&
                (e.key == vk::Shift || e.key == vk::Control || e.key == vk::Menu))
                continue;
            if (e.kind == EventKind::KeyDown || e.kind == EventKind::Char) got.push_back(brief(e));
        }
        if (!got.empty() && got.back() == "c:27") break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const std::vector<std::string> want = {
        "k:50",  "c:50",                          // 2: a digit of the typed number
        "k:71s", "c:71s",                         // Shift+G: "G" with Shift (pending gradient)
        "k:49c",                                  // Control+1: quick-load, no "1" typed
        "k:71c", "c:7c",                          // Control+G: character 7
        "k:" + std::to_string(vk::Space), "c:32",  // space: the character shows the controls
        "k:" + std::to_string(vk::F1),             // F1: help
        "k:" + std::to_string(vk::Oem2), "c:47",   // "/": help
        "k:" + std::to_string(vk::Escape), "c:27"};
    EXPECT_EQ(got, want);
}

}  // namespace
// A pointer moved without a click (a warp, as xdotool and remote desktops make) is where the
// cursor is at once; the popups and the hover help follow it without a click.
TEST(DesktopKeys, APointerWarpIsSeenWithoutAClick) {
    std::string error;
    auto platform = makeDesktopPlatform(&error);
    if (!platform) GTEST_SKIP() << "no display: " << error;
    if (platform->videoDriver() != "x11") GTEST_SKIP() << "not an X11 display";
    if (!haveXdotool()) GTEST_SKIP() << "xdotool is not installed";
    WindowDesc d;
    d.className = "KorelTest";
    d.title = "KorelPointerProbe";
    d.rect = Rect{20, 20, 220, 120};
    d.visible = true;
    ASSERT_NE(platform->createWindow(d), kNoWindow);
    Event e;
    for (const Point p : {Point{61, 47}, Point{150, 90}, Point{7, 300}}) {
        const std::string cmd =
            "xdotool mousemove " + std::to_string(p.x) + " " + std::to_string(p.y);
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        while (platform->pollEvent(e)) {
        }
        EXPECT_EQ(platform->cursorPos().x, p.x);
        EXPECT_EQ(platform->cursorPos().y, p.y);
        EXPECT_FALSE(platform->leftButtonDown());
    }
}

}  // namespace korel
