// The headless implementation of the platform layer: a virtual clock, windows that are memory
// canvases, scripted input and PNG snapshots. Same input, same output, bit for bit.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace korel {

class HeadlessFonts : public Fonts {
public:
    int lineHeight(FontId font) override;
    int ascent(FontId font) override;
    int textWidth(FontId font, std::string_view text) override;
    void drawRun(Surface& dst, FontId font, int x, int top, std::string_view text,
                 uint8_t colour) override;
};

class HeadlessPlatform : public Platform {
public:
    explicit HeadlessPlatform(int monitorWidth = 1024, int monitorHeight = 768);

    // --- Script control -----------------------------------------------------------------
    void advance(uint32_t ms) { now_ += ms; }
    void setTime(uint32_t ms) { now_ = ms; }
    // Changes the monitor's size and queues a DisplayChange for every window.
    void setMonitorSize(int width, int height);
    void setMonitorAvailable(bool available) { monitorAvailable_ = available; }
    void setCursor(Point p) { cursor_ = p; }
    void setLeftButton(bool down) { leftDown_ = down; }
    // Queues input for a window; coordinates are client coordinates.
    void pushEvent(Event e);
    void pushKey(WindowId w, int key, bool shift = false, bool ctrl = false, bool alt = false);
    void pushChar(WindowId w, uint32_t ch, bool ctrl = false);
    void pushClick(WindowId w, int x, int y, int button = 1);
    void pushButton(WindowId w, int x, int y, bool down, int button = 1);
    // Input as the screen has it: (x, y) is the window pixel the user pressed on, which for a
    // scaled window is mapped back to the client point, as the desktop does.
    void pushWindowPixelClick(WindowId w, int x, int y, int button = 1);
    void pushWindowPixelButton(WindowId w, int x, int y, bool down, int button = 1);
    void pushClose(WindowId w);
    // A window of another program, for findWindow / closeForeignWindow.
    WindowId addForeignWindow(const std::string& className, const std::string& title);
    bool foreignWindowClosed(WindowId w) const;
    // How often the program asked the screen-saver launcher to end.
    int screenSaverEndRequests() const { return saverEndRequests_; }
    // Looks up one of the program's windows by title; kNoWindow if none.
    WindowId windowByTitle(std::string_view title) const;
    std::vector<WindowId> windows() const;
    const WindowDesc* describe(WindowId w) const;
    bool windowEnabled(WindowId w) const;
    int beepCount() const { return beeps_; }
    bool hasPending() const { return !queue_.empty(); }
    bool cursorShown() const { return cursorShown_; }
    // What the screen shows of the window: its presented pixels through the palette as RGB,
    // rows of canvas width x scale pixels (a scaled window shows each canvas pixel as a block).
    std::vector<Rgb> screenPixels(WindowId w) const;
    // The window's scale (1 for an unknown window).
    int windowScale(WindowId w) const;
    // Writes the presented pixels of the window as a PNG; false on failure.
    bool snapshotPng(WindowId w, const std::string& path) const;
    // When set, createWindow fails for windows of this title (to test fatal start-up paths).
    void failWindowsTitled(const std::string& title) { failTitle_ = title; }
    // The file chooser's answers, taken in order; an empty path answers as a cancel. With none
    // queued the chooser is cancelled.
    void queueChosenFile(const std::string& path) { chosenFiles_.push_back(path); }
    struct ChooserCall {
        WindowId owner = kNoWindow;
        std::string title;
        std::vector<std::pair<std::string, std::string>> filters;
    };
    const std::vector<ChooserCall>& chooserCalls() const { return chooserCalls_; }
    // The windows' icon as last set, and its clear index.
    const Surface& windowIcon() const { return icon_; }
    uint8_t windowIconClear() const { return iconClear_; }

    // --- Platform -----------------------------------------------------------------------
    uint32_t tickCount() override { return now_; }
    bool monitorAtCursor(Rect& out) override;
    int displayDepth() override { return 32; }
    void setPalette(const Palette& palette) override { palette_ = palette; }
    const Palette& palette() const override { return palette_; }
    WindowId createWindow(const WindowDesc& desc) override;
    void setWindowIcon(const Surface& icon, uint8_t clear) override {
        icon_ = icon;
        iconClear_ = clear;
    }
    void destroyWindow(WindowId w) override;
    void showWindow(WindowId w, bool show) override;
    bool windowVisible(WindowId w) override;
    void raiseWindow(WindowId w, bool activate) override;
    WindowId activeWindow() override { return active_; }
    void setWindowRect(WindowId w, const Rect& r) override;
    Rect windowRect(WindowId w) override;
    Point clientPoint(WindowId w, Point screen) override;
    void enableWindow(WindowId w, bool enable) override;
    void invalidateWindow(WindowId w) override;
    Surface& canvas(WindowId w) override;
    void present(WindowId w, const Rect& r) override;
    WindowId findWindow(std::string_view className, std::string_view title) override;
    void closeForeignWindow(WindowId w) override;
    void endScreenSaverLauncher() override { ++saverEndRequests_; }
    bool pollEvent(Event& out) override;
    bool hasQueued(WindowId w, EventKind kind, int button) override;
    int discardQueued(WindowId w, EventKind kind, int button) override;
    void postQuit(int code) override;
    Point cursorPos() override { return cursor_; }
    bool leftButtonDown() override { return leftDown_; }
    void showCursor(bool show) override { cursorShown_ = show; }
    void setBusyCursor(bool busy) override { busy_ = busy; }
    Fonts& fonts() override { return fonts_; }
    void beep() override { ++beeps_; }
    bool chooseOpenFile(WindowId owner, const std::string& title,
                        const std::vector<std::pair<std::string, std::string>>& filters,
                        std::string& path) override;

private:
    struct Window {
        WindowDesc desc;
        bool visible = false;
        bool enabled = true;
        int scale = 1;
        Surface canvas;
        // What was last presented, through the palette of that moment; canvas size x scale.
        std::vector<Rgb> screen;
        int screenWidth() const { return canvas.width() * scale; }
        int screenHeight() const { return canvas.height() * scale; }
        void clearScreen() { screen.assign(size_t(screenWidth()) * size_t(screenHeight()), Rgb{}); }
    };
    struct Foreign {
        std::string className, title;
        bool closed = false;
    };
    Window* find(WindowId w);
    const Window* find(WindowId w) const;
    void activate(WindowId w);

    uint32_t now_ = 0;
    int monitorWidth_, monitorHeight_;
    bool monitorAvailable_ = true;
    Point cursor_{};
    bool leftDown_ = false;
    bool cursorShown_ = true;
    bool busy_ = false;
    int beeps_ = 0;
    Palette palette_{};
    std::map<WindowId, Window> windows_;
    std::map<WindowId, Foreign> foreign_;
    int saverEndRequests_ = 0;
    WindowId nextId_ = 1;
    WindowId active_ = kNoWindow;
    std::deque<Event> queue_;
    HeadlessFonts fonts_;
    Surface dummy_;
    std::string failTitle_;
    Surface icon_;
    uint8_t iconClear_ = 0;
    std::deque<std::string> chosenFiles_;
    std::vector<ChooserCall> chooserCalls_;
};

// Writes RGB pixels (width x height, rows top down) as a PNG. False on failure.
bool writeRgbPng(const std::string& path, const std::vector<Rgb>& pixels, int width, int height);

}  // namespace korel
