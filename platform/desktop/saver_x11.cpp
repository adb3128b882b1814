// Plain Xlib windows for the screen-saver launcher.
#include "platform/desktop/saver_x11.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace korel::desktop {

namespace {

int ignoreError(Display*, XErrorEvent*) {
    return 0;
}

Display* asDisplay(void* p) {
    return static_cast<Display*>(p);
}

void name(Display* d, Window w, const std::string& className, const std::string& title) {
    std::string instance = className;
    XClassHint hint{};
    hint.res_name = instance.data();
    hint.res_class = instance.data();
    XSetClassHint(d, w, &hint);
    XStoreName(d, w, title.c_str());
}

// The shift that puts an 8-bit channel into `mask`, counting from its lowest set bit.
int shiftOf(unsigned long mask) {
    int shift = 0;
    while (mask && !(mask & 1)) mask >>= 1, ++shift;
    return shift;
}

}  // namespace

SaverScreen::~SaverScreen() {
    if (display_) XCloseDisplay(asDisplay(display_));
}

bool SaverScreen::open(const char* displayName) {
    if (display_) return true;
    // A display server under heavy load refuses a connection now and then.
    for (int attempt = 0; attempt < 3 && !display_; ++attempt) {
        if (attempt > 0) ::usleep(100000);
        display_ = XOpenDisplay(displayName);
    }
    if (!display_) return false;
    XSetErrorHandler(ignoreError);
    return true;
}

unsigned long SaverScreen::blackWindow(unsigned long parent, const std::string& className,
                                       const std::string& title) {
    if (!display_) return 0;
    Display* d = asDisplay(display_);
    const int screen = DefaultScreen(d);
    Window host = parent ? Window(parent) : RootWindow(d, screen);
    XWindowAttributes a{};
    if (!XGetWindowAttributes(d, host, &a)) return 0;
    XSetWindowAttributes set{};
    set.background_pixel = BlackPixel(d, screen);
    set.border_pixel = BlackPixel(d, screen);
    // Of our own, the full-screen window is the desktop's cover: no window manager frames it.
    set.override_redirect = parent ? False : True;
    const Window w = XCreateWindow(d, host, 0, 0, unsigned(a.width), unsigned(a.height), 0,
                                   CopyFromParent, InputOutput, CopyFromParent,
                                   CWBackPixel | CWBorderPixel | CWOverrideRedirect, &set);
    if (!w) return 0;
    name(d, w, className, title);
    XMapRaised(d, w);
    XSync(d, False);
    XWindowAttributes check{};
    if (!XGetWindowAttributes(d, w, &check)) return 0;
    return w;
}

bool SaverScreen::showPictureUntilGone(unsigned long parent, const std::string& className,
                                       const std::string& title, const std::vector<uint32_t>& argb,
                                       int width, int height) {
    if (!display_ || width <= 0 || height <= 0 || argb.size() != size_t(width) * size_t(height))
        return false;
    Display* d = asDisplay(display_);
    XWindowAttributes a{};
    if (!parent || !XGetWindowAttributes(d, Window(parent), &a)) return false;
    XSetWindowAttributes set{};
    set.background_pixel = BlackPixel(d, DefaultScreen(d));
    set.event_mask = ExposureMask | StructureNotifyMask;
    const Window w = XCreateWindow(d, Window(parent), 0, 0, unsigned(std::max(1, a.width)),
                                   unsigned(std::max(1, a.height)), 0, CopyFromParent, InputOutput,
                                   CopyFromParent, CWBackPixel | CWEventMask, &set);
    if (!w) return false;
    name(d, w, className, title);
    // Resizes of the host come to us to follow them.
    XSelectInput(d, Window(parent), StructureNotifyMask);
    XMapWindow(d, w);

    XWindowAttributes own{};
    XGetWindowAttributes(d, w, &own);
    Visual* visual = own.visual;
    const int rs = shiftOf(visual->red_mask), gs = shiftOf(visual->green_mask),
              bs = shiftOf(visual->blue_mask);
    // XDestroyImage frees the pixels with free().
    auto* pixels = static_cast<uint32_t*>(std::malloc(argb.size() * sizeof(uint32_t)));
    if (!pixels) return false;
    for (size_t i = 0; i < argb.size(); ++i) {
        const uint32_t c = argb[i];
        pixels[i] =
            uint32_t((((c >> 16) & 0xFF) << rs) | (((c >> 8) & 0xFF) << gs) | ((c & 0xFF) << bs));
    }
    XImage* image =
        XCreateImage(d, visual, unsigned(own.depth), ZPixmap, 0, reinterpret_cast<char*>(pixels),
                     unsigned(width), unsigned(height), 32, 0);
    if (!image) {
        std::free(pixels);
        return false;
    }
    const GC gc = XCreateGC(d, w, 0, nullptr);
    int shownWidth = own.width, shownHeight = own.height;
    bool gone = false;
    while (!gone) {
        while (!gone && XPending(d) > 0) {
            XEvent ev;
            XNextEvent(d, &ev);
            if (ev.type == DestroyNotify &&
                (ev.xdestroywindow.window == w || ev.xdestroywindow.window == Window(parent))) {
                gone = true;
            } else if (ev.type == ConfigureNotify && ev.xconfigure.window == Window(parent)) {
                XResizeWindow(d, w, unsigned(std::max(1, ev.xconfigure.width)),
                              unsigned(std::max(1, ev.xconfigure.height)));
            } else if (ev.type == ConfigureNotify && ev.xconfigure.window == w) {
                shownWidth = ev.xconfigure.width;
                shownHeight = ev.xconfigure.height;
                XClearArea(d, w, 0, 0, 0, 0, True);
            } else if (ev.type == Expose && ev.xexpose.window == w && ev.xexpose.count == 0) {
                XPutImage(d, w, gc, image, 0, 0, (shownWidth - width) / 2,
                          (shownHeight - height) / 2, unsigned(width), unsigned(height));
            }
        }
        if (gone) break;
        XFlush(d);
        // A host that vanished without telling us (events lost) is noticed by asking.
        pollfd pfd{ConnectionNumber(d), POLLIN, 0};
        if (::poll(&pfd, 1, 1000) == 0) {
            XWindowAttributes still{};
            if (!XGetWindowAttributes(d, w, &still)) gone = true;
        }
    }
    XFreeGC(d, gc);
    XDestroyImage(image);
    return true;
}

}  // namespace korel::desktop
