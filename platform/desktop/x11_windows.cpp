// WM_CLASS setting, foreign-window lookup and RandR monitor sizes over libX11.
#include "platform/desktop/x11_windows.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

#include <vector>

namespace korel::desktop {

namespace {

// Windows can vanish while the tree is walked; their errors are expected and must not end the
// process (Xlib's default handler exits). Requests that failed return failure statuses.
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

class ErrorTrap {
  public:
    explicit ErrorTrap(Display* d) : display_(d) { previous_ = XSetErrorHandler(ignoreXError); }
    ~ErrorTrap() {
        XSync(display_, False);
        XSetErrorHandler(previous_);
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

  private:
    Display* display_;
    XErrorHandler previous_;
};

Display* asDisplay(void* p) {
    return static_cast<Display*>(p);
}

bool classMatches(Display* d, Window w, std::string_view className) {
    XClassHint hint{};
    if (!XGetClassHint(d, w, &hint)) return false;
    const bool match = (hint.res_class && className == hint.res_class) ||
                       (hint.res_name && className == hint.res_name);
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return match;
}

bool titleMatches(Display* d, Window w, std::string_view title) {
    const Atom netName = XInternAtom(d, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, netName, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        const bool match =
            format == 8 && std::string_view(reinterpret_cast<char*>(data), count) == title;
        XFree(data);
        if (match) return true;
    }
    char* name = nullptr;
    if (XFetchName(d, w, &name) && name) {
        const bool match = title == name;
        XFree(name);
        return match;
    }
    return false;
}

// Depth-first over the tree below `parent`, to the depth where window managers put the
// program's windows inside their frames.
Window search(Display* d, Window parent, int depth, std::string_view className,
              std::string_view title) {
    Window root = 0, up = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(d, parent, &root, &up, &children, &n)) return 0;
    std::vector<Window> list;
    if (children) {
        list.assign(children, children + n);
        XFree(children);
    }
    for (Window w : list)
        if (classMatches(d, w, className) && titleMatches(d, w, title)) return w;
    if (depth > 0) {
        for (Window w : list) {
            Window found = search(d, w, depth - 1, className, title);
            if (found) return found;
        }
    }
    return 0;
}

}  // namespace

void setX11Class(SDL_Window* window, const std::string& className) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    std::string name = className;
    XClassHint hint{};
    hint.res_name = name.data();
    hint.res_class = name.data();
    XSetClassHint(info.info.x11.display, info.info.x11.window, &hint);
    XFlush(info.info.x11.display);
}

bool raiseX11(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return false;
    XRaiseWindow(info.info.x11.display, info.info.x11.window);
    XSync(info.info.x11.display, False);
    return true;
}

bool x11WindowSize(SDL_Window* window, int& width, int& height) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return false;
    XWindowAttributes attributes{};
    XSync(info.info.x11.display, False);
    if (!XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes))
        return false;
    width = attributes.width;
    height = attributes.height;
    return true;
}

bool x11Pointer(SDL_Window* window, int& x, int& y, bool& leftDown) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return false;
    Display* d = info.info.x11.display;
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rootX, &rootY, &winX, &winY, &mask))
        return false;  // the pointer is on another screen
    x = rootX;
    y = rootY;
    leftDown = (mask & Button1Mask) != 0;
    return true;
}

unsigned long x11Window(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return 0;
    return info.info.x11.window;
}

bool embedX11(SDL_Window* window, unsigned long host) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !host || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return false;
    Display* d = info.info.x11.display;
    bool ok = false;
    {
        ErrorTrap trap(d);
        XWindowAttributes a{};
        if (XGetWindowAttributes(d, host, &a)) {
            XReparentWindow(d, info.info.x11.window, host, 0, 0);
            XSync(d, False);
            Window root = 0, up = 0;
            Window* children = nullptr;
            unsigned int n = 0;
            ok = XQueryTree(d, info.info.x11.window, &root, &up, &children, &n) && up == host;
            if (children) XFree(children);
        }
    }
    if (ok) XSetErrorHandler(ignoreXError);
    return ok;
}

X11Desktop::~X11Desktop() {
    if (display_) XCloseDisplay(asDisplay(display_));
}

bool X11Desktop::connect() {
    if (display_) return true;
    if (connectFailed_) return false;
    display_ = XOpenDisplay(nullptr);
    connectFailed_ = display_ == nullptr;
    return display_ != nullptr;
}

unsigned long X11Desktop::find(std::string_view className, std::string_view title) {
    if (!connect()) return 0;
    Display* d = asDisplay(display_);
    ErrorTrap trap(d);
    return search(d, DefaultRootWindow(d), 2, className, title);
}

bool X11Desktop::monitorSize(int x, int y, int& width, int& height) {
    if (!connect()) return false;
    Display* d = asDisplay(display_);
    int eventBase = 0, errorBase = 0;
    if (!XRRQueryExtension(d, &eventBase, &errorBase)) return false;
    ErrorTrap trap(d);
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(d, DefaultRootWindow(d));
    if (!res) return false;
    bool found = false;
    for (int i = 0; i < res->ncrtc && !found; ++i) {
        XRRCrtcInfo* crtc = XRRGetCrtcInfo(d, res, res->crtcs[i]);
        if (!crtc) continue;
        if (crtc->mode != 0 && x >= crtc->x && y >= crtc->y && x < crtc->x + int(crtc->width) &&
            y < crtc->y + int(crtc->height)) {
            width = int(crtc->width);
            height = int(crtc->height);
            found = true;
        }
        XRRFreeCrtcInfo(crtc);
    }
    XRRFreeScreenResources(res);
    return found;
}

bool X11Desktop::requestClose(unsigned long window) {
    if (!window || !connect()) return false;
    Display* d = asDisplay(display_);
    ErrorTrap trap(d);
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = window;
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, window, False, NoEventMask, &ev);
    XFlush(d);
    return true;
}

unsigned long X11Desktop::topLevelAt(int x, int y) {
    if (!connect()) return 0;
    Display* d = asDisplay(display_);
    ErrorTrap trap(d);
    Window root = 0, up = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &up, &children, &n)) return 0;
    std::vector<Window> list(children, children + n);
    if (children) XFree(children);
    // The tree lists the children from the bottom of the stack to the top.
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        XWindowAttributes a{};
        if (!XGetWindowAttributes(d, *it, &a) || a.map_state != IsViewable) continue;
        if (x >= a.x && y >= a.y && x < a.x + a.width + 2 * a.border_width &&
            y < a.y + a.height + 2 * a.border_width)
            return *it;
    }
    return 0;
}

bool X11Desktop::windowSize(unsigned long window, int& width, int& height) {
    if (!window || !connect()) return false;
    Display* d = asDisplay(display_);
    ErrorTrap trap(d);
    XWindowAttributes a{};
    if (!XGetWindowAttributes(d, window, &a)) return false;
    width = a.width;
    height = a.height;
    return width > 0 && height > 0;
}

unsigned long X11Desktop::topLevelOf(unsigned long window) {
    if (!window || !connect()) return 0;
    Display* d = asDisplay(display_);
    ErrorTrap trap(d);
    Window w = window;
    for (int depth = 0; depth < 16; ++depth) {
        Window root = 0, up = 0;
        Window* children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(d, w, &root, &up, &children, &n)) return 0;
        if (children) XFree(children);
        if (up == root || up == 0) return w;
        w = up;
    }
    return 0;
}

}  // namespace korel::desktop
