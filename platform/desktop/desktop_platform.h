// The desktop implementation of the platform layer: SDL2 windows, events, cursor and display,
// SDL2_ttf fonts and a beep through the sound server.
//
// Each window shows an 8-bit canvas: present() expands a rectangle of it through the shared
// palette into the window's 32-bit copy and from there into the window's surface (on X11 a
// shared-memory image, no GL), updating just that rectangle without waiting for the display's
// refresh; only when the surface cannot be had does a renderer with a streaming texture show it.
// The 32-bit copy answers exposes by itself. A window made with scale 2 is twice its client
// size on the screen: its copy holds every canvas pixel as a 2 x 2 block, and mouse positions
// are divided back (a size the window manager forces is taken in whole canvas pixels).
//
// What the desktop adds to the interface's promises:
// - SIGTERM, SIGINT and SIGHUP (a closed terminal, the session ending) arrive as Terminate for
//   no window (window 0). From the first one the program has 1 s to end by itself; then the
//   process ends with code 0, wherever the program is stuck. A signal that the starter set to
//   be ignored (nohup, a background job) stays ignored.
// - A modal window (the alert), while shown, stays above every other window of the program:
//   showing or raising another one puts it back on top, and it takes the focus meant for them.
// - DisplayChange is sent to every window (as the classic desktop broadcasts it) when the size
//   of the monitor last returned by monitorAtCursor changes.
// - findWindow and closeForeignWindow reach other programs' windows over X11 (WM_CLASS and
//   title; the close request is WM_DELETE_WINDOW). Ids of foreign windows have the top bit set.
// - When $KOREL_SAVER_WINDOW names an X window (decimal id: the screen-saver launcher's), the
//   animation window (title "Korel Animation") is put inside it, and monitorAtCursor reports
//   that window's size at (0, 0), so the animation fills it.
// - endScreenSaverLauncher sends SIGTERM to the process recorded in the held "ZEZOZEVEDU" lock.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"

struct SDL_Cursor;
struct SDL_Surface;

namespace korel {

namespace desktop {
class TtfFonts;
class Beeper;
class X11Desktop;
class TerminateWatch;
class FileChooser;
struct DesktopWindow;
}  // namespace desktop

class DesktopPlatform : public Platform {
  public:
    // Starts SDL video; check ok() (makeDesktopPlatform does) before using the platform.
    DesktopPlatform();
    ~DesktopPlatform() override;
    DesktopPlatform(const DesktopPlatform&) = delete;
    DesktopPlatform& operator=(const DesktopPlatform&) = delete;

    bool ok() const { return videoStarted_; }
    // Why the display could not be opened (empty when ok()).
    const std::string& startError() const { return startError_; }

    uint32_t tickCount() override;

    bool monitorAtCursor(Rect& out) override;
    int displayDepth() override { return 32; }
    void setPalette(const Palette& palette) override;
    const Palette& palette() const override { return palette_; }

    WindowId createWindow(const WindowDesc& desc) override;
    void setWindowIcon(const Surface& icon, uint8_t clear) override;
    void destroyWindow(WindowId w) override;
    void showWindow(WindowId w, bool show) override;
    bool windowVisible(WindowId w) override;
    void raiseWindow(WindowId w, bool activate) override;
    WindowId activeWindow() override;
    void setWindowRect(WindowId w, const Rect& r) override;
    Rect windowRect(WindowId w) override;
    Point clientPoint(WindowId w, Point screen) override;
    void enableWindow(WindowId w, bool enable) override;
    void invalidateWindow(WindowId w) override;
    Surface& canvas(WindowId w) override;
    void present(WindowId w, const Rect& r) override;
    WindowId findWindow(std::string_view className, std::string_view title) override;
    void closeForeignWindow(WindowId w) override;
    void endScreenSaverLauncher() override;

    bool pollEvent(Event& out) override;
    bool hasQueued(WindowId w, EventKind kind, int button = 0) override;
    int discardQueued(WindowId w, EventKind kind, int button = 0) override;
    void postQuit(int code) override;
    void waitEvent(uint32_t ms) override;
    uint32_t refreshInterval() override;

    Point cursorPos() override;
    bool leftButtonDown() override;
    void showCursor(bool show) override;
    void setBusyCursor(bool busy) override;

    Fonts& fonts() override;

    void beep() override;
    bool chooseOpenFile(WindowId owner, const std::string& title,
                        const std::vector<std::pair<std::string, std::string>>& filters,
                        std::string& path) override;

    // --- Inspection (tests and diagnostics) ---------------------------------------------
    // The 32-bit copy of what the window shows at canvas pixel (x, y) (0xAARRGGBB); 0 outside.
    uint32_t shownPixel(WindowId w, int x, int y) const;
    // Reads the window's pixels back from its surface or renderer (0xAARRGGBB, row by row); r is
    // in window pixels, which for a scaled window are `scale` times the canvas coordinates.
    // False when the window is unknown or cannot read back.
    bool readBack(WindowId w, const Rect& r, std::vector<uint32_t>& out);
    // The size of the window's client area in screen pixels, asked of the display server (on
    // X11; elsewhere SDL's idea of it); false when the window is unknown.
    bool windowPixelSize(WindowId w, int& width, int& height);
    // The size of the monitor that holds the screen point, asked of the display server now
    // (on X11; false elsewhere).
    bool currentMonitorSize(int x, int y, int& width, int& height);
    // The window of ours that the user sees on top at the screen point, asked of the display
    // server now; kNoWindow when another program's window or none is there (or not on X11).
    WindowId windowOnTopAt(int x, int y);
    // SDL's video driver ("x11", "wayland", ...); foreign windows are reached on x11 only.
    std::string videoDriver() const;
    // What shows the window: "window surface", or the SDL renderer ("opengl", "software", ...);
    // empty when unknown.
    std::string rendererName(WindowId w) const;
    // Feed input through SDL's own queue as if the user made it, for tests of the translation.
    // `sdlKeycode` is SDL's key code (lower-case ASCII for letters and digits, 13 for Enter).
    void injectKey(WindowId w, int32_t sdlKeycode, bool shift, bool ctrl, bool alt);
    void injectText(WindowId w, const std::string& utf8);
    void injectButton(WindowId w, int sdlButton, bool down, int x, int y);

  private:
    desktop::DesktopWindow* find(WindowId w) const;
    desktop::DesktopWindow* findBySdlId(uint32_t sdlId) const;
    void pump();
    void translate(const void* sdlEvent);
    void push(Event e);
    void queueExpose(WindowId w);
    void repaint(desktop::DesktopWindow& win);
    bool matchCanvas(desktop::DesktopWindow& win);
    bool resizeBuffers(desktop::DesktopWindow& win, int width, int height);
    void checkDisplaySize();
    // Whether a modal window other than `except` is shown; keepModalOnTop puts those back on
    // top, and with `focus` the first takes the keyboard focus.
    bool modalShown(WindowId except) const;
    void keepModalOnTop(WindowId except, bool focus);
    uint32_t eventTime(uint32_t sdlTimestamp);

    bool videoStarted_ = false;
    bool ttfStarted_ = false;
    std::string startError_;
    Palette palette_{};
    std::array<uint32_t, 256> argb_{};
    std::map<WindowId, std::unique_ptr<desktop::DesktopWindow>> windows_;
    std::unordered_map<uint32_t, WindowId> bySdlId_;
    WindowId nextId_ = 1;
    unsigned long saverHost_ = 0;  // $KOREL_SAVER_WINDOW: the window to show the animation in
    bool hostedAnimation_ = false;
    std::vector<unsigned long> foreign_;  // X window of foreign id (index | kForeignBit)
    std::deque<Event> queue_;
    WindowId focusLostFrom_ = kNoWindow;
    int watchedDisplay_ = -1;
    int watchedX_ = 0;  // the monitor's top-left corner identifies it
    int watchedY_ = 0;
    int watchedWidth_ = 0;
    int watchedHeight_ = 0;
    uint32_t nextDisplayCheck_ = 0;
    Surface noCanvas_;
    SDL_Surface* icon_ = nullptr;  // RGBA, given to every window
    SDL_Cursor* arrowCursor_ = nullptr;
    SDL_Cursor* waitCursor_ = nullptr;
    std::unique_ptr<desktop::TtfFonts> fonts_;
    std::unique_ptr<desktop::Beeper> beeper_;
    std::unique_ptr<desktop::X11Desktop> x11_;
    std::unique_ptr<desktop::TerminateWatch> terminate_;
    std::unique_ptr<desktop::FileChooser> chooser_;  // made at the first use
    // The modifiers of the last key-down: the text it types follows it in the queue, by which
    // time the keys may have been let go, so the text takes them from here.
    uint16_t lastKeyMods_ = 0;
};

// A desktop platform, or null when the display cannot be opened; `error` then says why.
std::unique_ptr<DesktopPlatform> makeDesktopPlatform(std::string* error = nullptr);

}  // namespace korel
