// X11 specifics: window class names, other programs' windows (by class and title), monitor sizes.
//
// Kept apart because the X11 headers define macros (None, Bool, Status) that clash with the
// platform interface's names.
#pragma once

#include <string>
#include <string_view>

struct SDL_Window;

namespace korel::desktop {

// Sets the window's WM_CLASS (instance and class) to className. Nothing happens when the window
// is not an X11 window.
void setX11Class(SDL_Window* window, const std::string& className);

// Raises the window above its siblings without giving it the keyboard focus; false when it is
// not an X11 window. Returns once the display server has done it.
bool raiseX11(SDL_Window* window);
// The size of the window as the X server has it now; false when it is not an X11 window.
bool x11WindowSize(SDL_Window* window, int& width, int& height);
// Where the pointer is on the screen and whether the left button is down, asked of the X server
// now (SDL's global mouse state can lag behind pointer warps and synthetic motion); false when
// the window is not an X11 window.
bool x11Pointer(SDL_Window* window, int& x, int& y, bool& leftDown);
// The window's X id; 0 when it is not an X11 window.
unsigned long x11Window(SDL_Window* window);

// Puts the window inside `host` (another program's X window) at the host's top-left corner and
// makes every later X error non-fatal: the host may vanish at any moment while we still draw
// into our window inside it. False when the window is not an X11 window or the host is gone.
bool embedX11(SDL_Window* window, unsigned long host);

// Top-level windows of every program on the X display.
class X11Desktop {
  public:
    X11Desktop() = default;
    ~X11Desktop();
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    // The X window whose WM_CLASS (instance or class) is className and whose title is `title`;
    // 0 when there is none or no X display can be opened.
    unsigned long find(std::string_view className, std::string_view title);
    // The current size of the monitor (RandR CRTC) that holds the screen point (x, y); false
    // when it cannot be told. Asked afresh each time, so it follows mode changes.
    bool monitorSize(int x, int y, int& width, int& height);
    // Sends the window the close request a window manager sends (WM_DELETE_WINDOW). False when
    // the display is gone; a window that vanished meanwhile is ignored.
    bool requestClose(unsigned long window);
    // The top-level window (a child of the root: the window itself, or the frame a window
    // manager put around it) that the user sees at screen point (x, y); 0 when none is shown
    // there.
    unsigned long topLevelAt(int x, int y);
    // The size of any window on the display; false when it is gone or no display opens.
    bool windowSize(unsigned long window, int& width, int& height);
    // The top-level window that holds `window`; 0 when it is gone.
    unsigned long topLevelOf(unsigned long window);

  private:
    bool connect();

    void* display_ = nullptr;  // Display*, opened on first use
    bool connectFailed_ = false;
};

}  // namespace korel::desktop
