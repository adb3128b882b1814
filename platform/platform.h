// The platform layer: everything the program needs from the operating system.
//
// Two implementations exist: desktop (SDL2, SDL2_ttf and the Linux libraries) and headless
// (virtual clock, memory windows, scripted input) for tests. The program talks only to this
// interface; nothing outside platform/ includes a system or library header.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/surface.h"
#include "platform/text.h"
#include "platform/types.h"

namespace korel {

using WindowId = uint32_t;  // 0 is "no window"
constexpr WindowId kNoWindow = 0;

struct WindowDesc {
    std::string className;
    std::string title;
    Rect rect;             // client area in screen coordinates
    bool framed = false;   // a title bar (dialog frame) instead of a bare popup
    bool topmost = false;  // stays above the other windows
    bool visible = false;
    bool modal = false;  // the alert: while shown it stays above every other window of ours
    // Whole-pixel magnification on the screen, 1 or 2 (anything else is 1): each canvas pixel
    // shows as scale x scale screen pixels and mouse positions are mapped back. The canvas,
    // event coordinates and windowRect's size stay unscaled; rect's left/top is where the
    // window's top-left corner is on the screen.
    int scale = 1;
};

enum class EventKind {
    None,
    KeyDown,        // key: virtual key code (platform/keys.h)
    Char,           // ch: character code (Ctrl+letter gives 1..26, Enter 13)
    ButtonDown,     // button 1 left, 2 right; x, y in the window's client coordinates
    ButtonUp,
    Activate,       // the window became the active window; other = the window that lost it
    Deactivate,     // the window lost activation; other = the window that gains it (0: another program)
    Close,          // the user asked to close the window
    Expose,         // the window must be repainted
    DisplayChange,  // width, height, depth of the monitor changed
    Quit,           // posted by postQuit; code = its exit code
    Terminate,      // the system asks the program to end (SIGTERM, the session ends)
};

struct Event {
    EventKind kind = EventKind::None;
    WindowId window = kNoWindow;
    uint32_t time = 0;  // tick count when the event happened
    int key = 0;
    uint32_t ch = 0;
    bool shift = false, ctrl = false, alt = false;
    int button = 0;
    int x = 0, y = 0;
    WindowId other = kNoWindow;
    int width = 0, height = 0, depth = 0;
    int code = 0;
};

class Platform {
public:
    virtual ~Platform() = default;

    // --- Time ---------------------------------------------------------------------------
    // Unsigned 32-bit milliseconds that wrap.
    virtual uint32_t tickCount() = 0;

    // --- Display ------------------------------------------------------------------------
    // The monitor that holds the cursor, in screen coordinates; false when there is none.
    virtual bool monitorAtCursor(Rect& out) = 0;
    // Bits per pixel of the display. Both implementations report 32, so every palette change
    // is followed by a present of the animation.
    virtual int displayDepth() = 0;
    // The one shared palette through which every window's indices are shown.
    virtual void setPalette(const Palette& palette) = 0;
    virtual const Palette& palette() const = 0;

    // --- Windows ------------------------------------------------------------------------
    virtual WindowId createWindow(const WindowDesc& desc) = 0;  // kNoWindow on failure
    // The icon of every window, those made and those still to come; pixels of index `clear`
    // are transparent. Platforms without window icons ignore it.
    virtual void setWindowIcon(const Surface& icon, uint8_t clear) {
        (void)icon;
        (void)clear;
    }
    virtual void destroyWindow(WindowId w) = 0;
    virtual void showWindow(WindowId w, bool show) = 0;
    virtual bool windowVisible(WindowId w) = 0;
    // Brings the window to the top; with activate it also becomes the active window.
    virtual void raiseWindow(WindowId w, bool activate) = 0;
    virtual WindowId activeWindow() = 0;
    // Moves and resizes the client area (screen coordinates); the canvas follows the size.
    // For a scaled window left/top are its screen position and the size is the canvas size
    // (the screen shows it `scale` times as large); a resize keeps the scale.
    virtual void setWindowRect(WindowId w, const Rect& r) = 0;
    virtual Rect windowRect(WindowId w) = 0;
    // The client point under the screen point (cursorPos()) for the window: the offset from
    // its top-left corner divided by its scale, rounded down. Use it rather than subtracting
    // windowRect's corner, which is wrong for a scaled window.
    virtual Point clientPoint(WindowId w, Point screen) = 0;
    // A disabled window gets no input events.
    virtual void enableWindow(WindowId w, bool enable) = 0;
    // Queues an Expose event for the window.
    virtual void invalidateWindow(WindowId w) = 0;
    // The window's 8-bit canvas, the size of its client area. Drawing into it shows nothing
    // until present() is called.
    virtual Surface& canvas(WindowId w) = 0;
    // Shows the part r of the canvas on the screen through the current palette.
    virtual void present(WindowId w, const Rect& r) = 0;
    // Finds a window (of any program on the desktop) by class and title; kNoWindow if none.
    virtual WindowId findWindow(std::string_view className, std::string_view title) = 0;
    // Asks the found window to close (sends it a close request).
    virtual void closeForeignWindow(WindowId w) = 0;

    // Asks the running screen-saver launcher (the holder of the "ZEZOZEVEDU" lock) to end.
    // Nothing happens when none runs.
    virtual void endScreenSaverLauncher() {}

    // --- Events -------------------------------------------------------------------------
    // Takes the next event without waiting; false when the queue is empty.
    virtual bool pollEvent(Event& out) = 0;
    // True when an event of this kind (and button, when not 0) for w waits in the queue.
    virtual bool hasQueued(WindowId w, EventKind kind, int button = 0) = 0;
    // Removes waiting events of this kind for w; returns how many were removed.
    virtual int discardQueued(WindowId w, EventKind kind, int button = 0) = 0;
    virtual void postQuit(int code) = 0;
    // Sleeps until an event arrives or `ms` milliseconds have passed. The headless platform,
    // whose clock moves only when told, returns at once.
    virtual void waitEvent(uint32_t ms) { (void)ms; }
    // The display's refresh interval in ms: the program presents the animation at most that
    // often, merging the copies in between. 0 (headless): every copy is presented at once.
    virtual uint32_t refreshInterval() { return 0; }

    // --- Cursor -------------------------------------------------------------------------
    virtual Point cursorPos() = 0;  // screen coordinates
    virtual bool leftButtonDown() = 0;
    virtual void showCursor(bool show) = 0;
    virtual void setBusyCursor(bool busy) = 0;

    // --- Text ---------------------------------------------------------------------------
    virtual Fonts& fonts() = 0;

    // --- Misc ---------------------------------------------------------------------------
    // The warning beep: a short tone through the audio output, silent where there is none.
    virtual void beep() = 0;

    // --- File chooser -------------------------------------------------------------------
    // The desktop's own dialog for opening one file, modal over `owner`. `filters` are pairs
    // of a name ("MP3 or WAV files") and patterns separated by ';' ("*.MP3;*.WAV"), matched
    // without regard to case; the first is chosen at first. False when the user cancelled or
    // no dialog can be shown; `path` is then unchanged.
    virtual bool chooseOpenFile(WindowId owner, const std::string& title,
                                const std::vector<std::pair<std::string, std::string>>& filters,
                                std::string& path) {
        (void)owner, (void)title, (void)filters, (void)path;
        return false;
    }
};

}  // namespace korel
