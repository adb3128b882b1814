// SDL2 windows, event queue, cursor and display for the desktop platform.
#include "platform/desktop/desktop_platform.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/desktop/desktop_beep.h"
#include "platform/desktop/desktop_chooser.h"
#include "platform/desktop/desktop_fonts.h"
#include "platform/desktop/desktop_keys.h"
#include "platform/desktop/pixel_expand.h"
#include "platform/desktop/terminate_watch.h"
#include "platform/desktop/x11_windows.h"
#include "platform/instance.h"
#include "platform/scale.h"

namespace korel {

namespace desktop {

struct DesktopWindow {
    WindowId id = kNoWindow;
    SDL_Window* sdl = nullptr;
    // Either the window's own surface shows the copy (cheap without a GPU: on X11 a shared
    // memory image) or, where that cannot be had, a renderer with a streaming texture.
    bool useSurface = false;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    std::string className;
    std::string title;
    Rect rect;  // client area: screen position, canvas size
    bool visible = false;
    bool enabled = true;
    bool modal = false;
    int scale = 1;  // screen pixels per canvas pixel, across and down
    Surface canvas;
    std::vector<uint32_t> shown;  // what the window shows, 0xAARRGGBB, canvas size x scale
    int textureWidth = 0;
    int textureHeight = 0;

    // The size of the window's picture in screen pixels.
    int shownWidth() const { return canvas.width() * scale; }
    int shownHeight() const { return canvas.height() * scale; }

    ~DesktopWindow() {
        if (texture) SDL_DestroyTexture(texture);
        if (renderer) SDL_DestroyRenderer(renderer);
        if (sdl) SDL_DestroyWindow(sdl);
    }
};

}  // namespace desktop

using desktop::DesktopWindow;

namespace {

// The window surface when it takes the 32-bit copy as it is (XRGB or ARGB, 4 bytes a pixel);
// fetched anew each time, as SDL makes a new one after a size change.
SDL_Surface* directSurface(SDL_Window* window) {
    SDL_Surface* s = SDL_GetWindowSurface(window);
    if (!s || !s->format || s->w < 1 || s->h < 1 || s->pitch < s->w * 4) return nullptr;
    const Uint32 f = s->format->format;
    return f == SDL_PIXELFORMAT_RGB888 || f == SDL_PIXELFORMAT_ARGB8888 ? s : nullptr;
}

// Copies `area` of the window's copy (screen pixels, rows `pitch` pixels apart) into the surface
// at the same place, clipped to the surface. Returns the part copied.
Rect copyToSurface(SDL_Surface* s, const std::vector<uint32_t>& shown, int pitch, const Rect& area) {
    const Rect a = intersect(area, Rect{0, 0, s->w, s->h});
    if (a.empty()) return a;
    const bool locked = SDL_MUSTLOCK(s) && SDL_LockSurface(s) == 0;
    if (SDL_MUSTLOCK(s) && !locked) return Rect{};
    auto* base = static_cast<uint8_t*>(s->pixels);
    const size_t bytes = size_t(a.width()) * sizeof(uint32_t);
    for (int y = a.top; y < a.bottom; ++y)
        std::memcpy(base + size_t(y) * size_t(s->pitch) + size_t(a.left) * sizeof(uint32_t),
                    shown.data() + size_t(y) * size_t(pitch) + size_t(a.left), bytes);
    if (locked) SDL_UnlockSurface(s);
    return a;
}

constexpr WindowId kForeignBit = 0x80000000u;
constexpr const char* kAnimationTitle = "Korel Animation";

// The X window id in $KOREL_SAVER_WINDOW (decimal); 0 when unset or not a number.
unsigned long saverHostFromEnvironment() {
    const char* text = std::getenv("KOREL_SAVER_WINDOW");
    if (!text || *text < '1' || *text > '9') return 0;
    char* end = nullptr;
    const unsigned long id = std::strtoul(text, &end, 10);
    return (end && *end == '\0' && id <= 0xFFFFFFFFul) ? id : 0;
}
constexpr uint32_t kDisplayCheckMs = 500;
constexpr uint32_t kOpaqueBlack = 0xFF000000u;
// From a terminate request to the end of the process, whatever the program is doing; the quit
// sequence's files are written well within it, and the user is promised 2 s.
constexpr int kTerminateDeadlineMs = 1000;

// The classic desktop's static colours, which stand in until the program sets its palette so
// that drawing done before that is not all black.
Palette defaultPalette() {
    static constexpr Rgb kLow[10] = {
        {0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
        {128, 0, 128}, {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {166, 202, 240}};
    static constexpr Rgb kHigh[10] = {
        {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
        {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};
    Palette p{};
    for (int i = 0; i < 10; ++i) {
        p[size_t(i)] = PaletteEntry{kLow[i].r, kLow[i].g, kLow[i].b, 0};
        p[size_t(246 + i)] = PaletteEntry{kHigh[i].r, kHigh[i].g, kHigh[i].b, 0};
    }
    return p;
}

}  // namespace

DesktopPlatform::DesktopPlatform() {
    // First, so that a request during the display's slow start is not lost. The quit event
    // wakes a loop that waits for events; pump() turns it into Terminate.
    terminate_ = std::make_unique<desktop::TerminateWatch>(
        [] {
            SDL_Event ev{};
            ev.type = SDL_QUIT;
            SDL_PushEvent(&ev);
        },
        kTerminateDeadlineMs);
    palette_ = defaultPalette();
    argb_ = desktop::argbTable(palette_);
    // Like any desktop program the visualiser lets the screen saver run (it has its own
    // settings for that); the last window closing is the program's business, not SDL's.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    // Window surfaces are the display server's own images, not a GL texture: without a GPU a
    // software GL present costs several milliseconds of CPU for a full-HD window.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // The terminate signals are the watch's (above): SIGHUP too, and with a deadline.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        startError_ = SDL_GetError();
        return;
    }
    // Without a display SDL falls back to drivers that show nothing; a program the user cannot
    // see must not run, unless someone asked for such a driver by name.
    const std::string driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if ((driver == "offscreen" || driver == "dummy") && !(asked && driver == asked)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        startError_ = "no display could be opened";
        return;
    }
    videoStarted_ = true;
    ttfStarted_ = TTF_Init() == 0;
    fonts_ = std::make_unique<desktop::TtfFonts>(ttfStarted_ ? desktop::findFontFiles()
                                                             : desktop::FontFiles{});
    beeper_ = std::make_unique<desktop::Beeper>();
    x11_ = std::make_unique<desktop::X11Desktop>();
    if (driver == "x11") saverHost_ = saverHostFromEnvironment();
    arrowCursor_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    waitCursor_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAIT);
    SDL_StartTextInput();
}

DesktopPlatform::~DesktopPlatform() {
    terminate_.reset();
    windows_.clear();
    fonts_.reset();
    beeper_.reset();
    x11_.reset();
    if (arrowCursor_) SDL_FreeCursor(arrowCursor_);
    if (waitCursor_) SDL_FreeCursor(waitCursor_);
    if (icon_) SDL_FreeSurface(icon_);
    if (ttfStarted_) TTF_Quit();
    if (videoStarted_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

std::unique_ptr<DesktopPlatform> makeDesktopPlatform(std::string* error) {
    // A display server under heavy load can refuse a connection now and then; a few tries a
    // moment apart tell that from a display that is not there.
    constexpr int kTries = 3;
    for (int attempt = 1;; ++attempt) {
        auto p = std::make_unique<DesktopPlatform>();
        if (p->ok()) return p;
        const bool displayNamed = SDL_getenv("DISPLAY") || SDL_getenv("WAYLAND_DISPLAY");
        if (attempt == kTries || !displayNamed) {
            if (error) *error = p->startError();
            return nullptr;
        }
        p.reset();
        SDL_Delay(100);
    }
}

uint32_t DesktopPlatform::tickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

uint32_t DesktopPlatform::eventTime(uint32_t sdlTimestamp) {
    // SDL stamps events with its own millisecond clock; move the stamp onto ours.
    const uint32_t age = SDL_GetTicks() - sdlTimestamp;
    return tickCount() - (age > 0x7FFFFFFFu ? 0 : age);
}

// --- Display ------------------------------------------------------------------------------

bool DesktopPlatform::monitorAtCursor(Rect& out) {
    if (!videoStarted_) return false;
    int hostWidth = 0, hostHeight = 0;
    if (saverHost_ && x11_ && x11_->windowSize(saverHost_, hostWidth, hostHeight)) {
        out = Rect{0, 0, hostWidth, hostHeight};
        return true;
    }
    const int count = SDL_GetNumVideoDisplays();
    if (count < 1) return false;
    int x = 0, y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    int chosen = 0;
    for (int i = 0; i < count; ++i) {
        SDL_Rect b;
        if (SDL_GetDisplayBounds(i, &b) == 0 && x >= b.x && y >= b.y && x < b.x + b.w &&
            y < b.y + b.h) {
            chosen = i;
            break;
        }
    }
    SDL_Rect b;
    if (SDL_GetDisplayBounds(chosen, &b) != 0) return false;
    out = Rect{b.x, b.y, b.x + b.w, b.y + b.h};
    watchedDisplay_ = chosen;
    watchedX_ = b.x;
    watchedY_ = b.y;
    watchedWidth_ = b.w;
    watchedHeight_ = b.h;
    return true;
}

void DesktopPlatform::checkDisplaySize() {
    if (watchedDisplay_ < 0) return;
    // SDL keeps the sizes it read at start-up, so on X11 the monitor is asked itself.
    int width = 0, height = 0;
    if (!x11_ || !x11_->monitorSize(watchedX_, watchedY_, width, height)) {
        SDL_Rect b;
        if (SDL_GetDisplayBounds(watchedDisplay_, &b) != 0) return;
        width = b.w;
        height = b.h;
    }
    if (width == watchedWidth_ && height == watchedHeight_) return;
    watchedWidth_ = width;
    watchedHeight_ = height;
    for (const auto& [id, win] : windows_) {
        Event e;
        e.kind = EventKind::DisplayChange;
        e.window = id;
        e.width = width;
        e.height = height;
        e.depth = 32;
        push(e);
    }
}

void DesktopPlatform::setPalette(const Palette& palette) {
    palette_ = palette;
    argb_ = desktop::argbTable(palette);
}

// --- Windows ------------------------------------------------------------------------------

DesktopWindow* DesktopPlatform::find(WindowId w) const {
    auto it = windows_.find(w);
    return it == windows_.end() ? nullptr : it->second.get();
}

DesktopWindow* DesktopPlatform::findBySdlId(uint32_t sdlId) const {
    auto it = bySdlId_.find(sdlId);
    return it == bySdlId_.end() ? nullptr : find(it->second);
}

bool DesktopPlatform::matchCanvas(DesktopWindow& win) {
    // The canvas is a plain Surface that a caller could resize, so its size is the truth the
    // copy and the texture follow; nothing is expanded into a copy of another size.
    const int width = win.shownWidth(), height = win.shownHeight();
    // The texture is never smaller than 1 x 1 (SDL refuses empty ones); the canvas may be empty.
    const int tw = std::max(1, width), th = std::max(1, height);
    if (!win.useSurface && (!win.texture || tw != win.textureWidth || th != win.textureHeight)) {
        SDL_Texture* t = SDL_CreateTexture(win.renderer, SDL_PIXELFORMAT_ARGB8888,
                                           SDL_TEXTUREACCESS_STREAMING, tw, th);
        if (!t) return false;
        if (win.texture) SDL_DestroyTexture(win.texture);
        win.texture = t;
        win.textureWidth = tw;
        win.textureHeight = th;
    }
    const size_t pixels = size_t(width) * size_t(height);
    if (win.shown.size() != pixels) win.shown.assign(pixels, kOpaqueBlack);
    return true;
}

bool DesktopPlatform::resizeBuffers(DesktopWindow& win, int width, int height) {
    width = std::max(0, width);
    height = std::max(0, height);
    if (win.canvas.width() != width || win.canvas.height() != height)
        win.canvas.resize(width, height, 0);
    return matchCanvas(win);
}

WindowId DesktopPlatform::createWindow(const WindowDesc& desc) {
    if (!videoStarted_ || (nextId_ & kForeignBit)) return kNoWindow;
    auto win = std::make_unique<DesktopWindow>();
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (!desc.framed) flags |= SDL_WINDOW_BORDERLESS;
    if (desc.topmost) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    win->scale = windowScaleOf(desc.scale);
    const int w = std::max(1, desc.rect.width()) * win->scale;
    const int h = std::max(1, desc.rect.height()) * win->scale;
    win->sdl = SDL_CreateWindow(desc.title.c_str(), desc.rect.left, desc.rect.top, w, h, flags);
    if (!win->sdl) return kNoWindow;
    win->useSurface = directSurface(win->sdl) != nullptr;
    if (!win->useSurface) {
        win->renderer = SDL_CreateRenderer(win->sdl, -1, 0);
        if (!win->renderer) return kNoWindow;
    }
    // After the renderer, which may make the X window anew; and while the window is unmapped,
    // for window managers to take the class.
    desktop::setX11Class(win->sdl, desc.className);
    // Screen-saver runs show the animation inside the launcher's window; a host that is gone
    // leaves it an ordinary window.
    if (saverHost_ && !hostedAnimation_ && desc.title == kAnimationTitle)
        hostedAnimation_ = desktop::embedX11(win->sdl, saverHost_);
    if (icon_) SDL_SetWindowIcon(win->sdl, icon_);
    win->id = nextId_++;
    win->className = desc.className;
    win->title = desc.title;
    win->modal = desc.modal;
    win->rect = desc.rect;
    if (win->rect.right < win->rect.left) win->rect.right = win->rect.left;
    if (win->rect.bottom < win->rect.top) win->rect.bottom = win->rect.top;
    if (!resizeBuffers(*win, win->rect.width(), win->rect.height())) return kNoWindow;
    const WindowId id = win->id;
    bySdlId_[SDL_GetWindowID(win->sdl)] = id;
    windows_[id] = std::move(win);
    if (desc.visible) showWindow(id, true);
    return id;
}

void DesktopPlatform::setWindowIcon(const Surface& icon, uint8_t clear) {
    if (!videoStarted_ || icon.empty()) return;
    SDL_Surface* rgba =
        SDL_CreateRGBSurfaceWithFormat(0, icon.width(), icon.height(), 32, SDL_PIXELFORMAT_RGBA32);
    if (!rgba) return;
    SDL_LockSurface(rgba);
    for (int y = 0; y < icon.height(); ++y) {
        uint8_t* out = static_cast<uint8_t*>(rgba->pixels) + size_t(y) * size_t(rgba->pitch);
        for (int x = 0; x < icon.width(); ++x, out += 4) {
            const uint8_t v = icon.row(y)[x];
            const PaletteEntry& e = palette_[v];
            out[0] = e.r;
            out[1] = e.g;
            out[2] = e.b;
            out[3] = v == clear ? 0 : 255;
        }
    }
    SDL_UnlockSurface(rgba);
    if (icon_) SDL_FreeSurface(icon_);
    icon_ = rgba;
    for (auto& [id, win] : windows_) SDL_SetWindowIcon(win->sdl, icon_);
}

void DesktopPlatform::destroyWindow(WindowId w) {
    auto it = windows_.find(w);
    if (it == windows_.end()) return;
    bySdlId_.erase(SDL_GetWindowID(it->second->sdl));
    windows_.erase(it);
    std::erase_if(queue_, [w](const Event& e) { return e.window == w; });
    if (focusLostFrom_ == w) focusLostFrom_ = kNoWindow;
}

void DesktopPlatform::showWindow(WindowId w, bool show) {
    DesktopWindow* win = find(w);
    if (!win || win->visible == show) return;
    win->visible = show;
    if (show) {
        SDL_ShowWindow(win->sdl);  // mapped on top of the others
        repaint(*win);
        queueExpose(w);  // whether or not the X server reports the exposure
        if (!win->modal) keepModalOnTop(w, false);
    } else {
        SDL_HideWindow(win->sdl);
    }
}

bool DesktopPlatform::windowVisible(WindowId w) {
    DesktopWindow* win = find(w);
    return win && win->visible;
}

void DesktopPlatform::raiseWindow(WindowId w, bool activate) {
    DesktopWindow* win = find(w);
    if (!win) return;
    // Under a shown alert another window rises only as far as the alert, which keeps the focus.
    const bool underModal = !win->modal && modalShown(w);
    if (!activate || underModal) {
        if (!desktop::raiseX11(win->sdl)) SDL_RaiseWindow(win->sdl);
        if (underModal) keepModalOnTop(w, activate);
        return;
    }
    SDL_RaiseWindow(win->sdl);
    // Focusing an unmapped window is an X protocol error, so only shown windows take it.
    if (win->visible && (SDL_GetWindowFlags(win->sdl) & SDL_WINDOW_SHOWN))
        SDL_SetWindowInputFocus(win->sdl);
}

bool DesktopPlatform::modalShown(WindowId except) const {
    return std::any_of(windows_.begin(), windows_.end(), [except](const auto& entry) {
        return entry.first != except && entry.second->modal && entry.second->visible;
    });
}

void DesktopPlatform::keepModalOnTop(WindowId except, bool focus) {
    for (const auto& [id, win] : windows_) {
        if (id == except || !win->modal || !win->visible) continue;
        if (!desktop::raiseX11(win->sdl)) SDL_RaiseWindow(win->sdl);
        if (focus && (SDL_GetWindowFlags(win->sdl) & SDL_WINDOW_SHOWN)) {
            SDL_SetWindowInputFocus(win->sdl);
            focus = false;
        }
    }
}

WindowId DesktopPlatform::activeWindow() {
    SDL_Window* focus = SDL_GetKeyboardFocus();
    if (!focus) return kNoWindow;
    DesktopWindow* win = findBySdlId(SDL_GetWindowID(focus));
    return win ? win->id : kNoWindow;
}

void DesktopPlatform::setWindowRect(WindowId w, const Rect& r) {
    DesktopWindow* win = find(w);
    if (!win) return;
    const int width = std::max(0, r.width()), height = std::max(0, r.height());
    const bool resized = width != win->rect.width() || height != win->rect.height();
    SDL_SetWindowPosition(win->sdl, r.left, r.top);
    if (resized) {
        SDL_SetWindowSize(win->sdl, std::max(1, width) * win->scale,
                          std::max(1, height) * win->scale);
        // When no texture of the new size can be made, presents are skipped until one can.
        resizeBuffers(*win, width, height);
    }
    win->rect = Rect{r.left, r.top, r.left + width, r.top + height};
    if (resized) queueExpose(w);
}

Rect DesktopPlatform::windowRect(WindowId w) {
    DesktopWindow* win = find(w);
    return win ? win->rect : Rect{};
}

Point DesktopPlatform::clientPoint(WindowId w, Point screen) {
    const DesktopWindow* win = find(w);
    if (!win) return screen;
    return unscalePoint(Point{screen.x - win->rect.left, screen.y - win->rect.top}, win->scale);
}

void DesktopPlatform::enableWindow(WindowId w, bool enable) {
    if (DesktopWindow* win = find(w)) win->enabled = enable;
}

void DesktopPlatform::invalidateWindow(WindowId w) {
    if (find(w)) queueExpose(w);
}

Surface& DesktopPlatform::canvas(WindowId w) {
    if (DesktopWindow* win = find(w)) return win->canvas;
    // Drawing for a window that is gone lands here and is thrown away.
    noCanvas_.release();
    return noCanvas_;
}

void DesktopPlatform::present(WindowId w, const Rect& r) {
    DesktopWindow* win = find(w);
    if (!win || !matchCanvas(*win)) return;
    const int pitch = win->shownWidth();
    const Rect drawn =
        desktop::expandRectScaled(win->canvas, r, argb_, win->shown.data(), pitch, win->scale);
    if (drawn.empty() || !win->visible) return;
    const int k = win->scale;
    const Rect a{drawn.left * k, drawn.top * k, drawn.right * k, drawn.bottom * k};
    if (win->useSurface) {
        SDL_Surface* s = directSurface(win->sdl);
        if (!s) return;
        // A surface of another size than the picture (a resize on its way) is fully drawn.
        if (s->w != win->shownWidth() || s->h != win->shownHeight()) {
            repaint(*win);
            return;
        }
        const Rect done = copyToSurface(s, win->shown, pitch, a);
        const SDL_Rect area{done.left, done.top, done.width(), done.height()};
        if (!done.empty()) SDL_UpdateWindowSurfaceRects(win->sdl, &area, 1);
        return;
    }
    const SDL_Rect area{a.left, a.top, a.width(), a.height()};
    SDL_UpdateTexture(win->texture, &area,
                      win->shown.data() + size_t(a.top) * size_t(pitch) + size_t(a.left),
                      pitch * int(sizeof(uint32_t)));
    const SDL_Rect whole{0, 0, win->shownWidth(), win->shownHeight()};
    SDL_RenderCopy(win->renderer, win->texture, &whole, nullptr);
    SDL_RenderPresent(win->renderer);
}

void DesktopPlatform::repaint(DesktopWindow& win) {
    if (!matchCanvas(win) || win.canvas.empty()) return;
    const int pitch = win.shownWidth();
    const Rect picture{0, 0, win.shownWidth(), win.shownHeight()};
    if (win.useSurface) {
        SDL_Surface* s = directSurface(win.sdl);
        if (!s) return;
        if (s->w > picture.right || s->h > picture.bottom)
            SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 0, 0, 0));
        copyToSurface(s, win.shown, pitch, picture);
        SDL_UpdateWindowSurface(win.sdl);
        return;
    }
    const SDL_Rect whole{0, 0, picture.right, picture.bottom};
    SDL_UpdateTexture(win.texture, &whole, win.shown.data(), pitch * int(sizeof(uint32_t)));
    SDL_RenderCopy(win.renderer, win.texture, &whole, nullptr);
    SDL_RenderPresent(win.renderer);
}

WindowId DesktopPlatform::findWindow(std::string_view className, std::string_view title) {
    for (const auto& [id, win] : windows_)
        if (win->className == className && win->title == title) return id;
    if (!x11_) return kNoWindow;
    const unsigned long xid = x11_->find(className, title);
    if (!xid) return kNoWindow;
    auto it = std::find(foreign_.begin(), foreign_.end(), xid);
    if (it != foreign_.end()) return WindowId(it - foreign_.begin()) | kForeignBit;
    if (foreign_.size() >= 0x7FFFFFFFu) return kNoWindow;
    foreign_.push_back(xid);
    return WindowId(foreign_.size() - 1) | kForeignBit;
}

void DesktopPlatform::closeForeignWindow(WindowId w) {
    if (find(w)) {
        Event e;
        e.kind = EventKind::Close;
        e.window = w;
        push(e);
        return;
    }
    if (!(w & kForeignBit) || !x11_) return;
    const size_t index = w & ~kForeignBit;
    if (index < foreign_.size()) x11_->requestClose(foreign_[index]);
}

void DesktopPlatform::endScreenSaverLauncher() {
    const int pid = InstanceLock::heldBy(InstanceLock::defaultFolder(), kSaverLockName);
    if (pid > 0) ::kill(pid_t(pid), SIGTERM);
}

// --- Events -------------------------------------------------------------------------------

void DesktopPlatform::push(Event e) {
    if (e.time == 0) e.time = tickCount();
    queue_.push_back(e);
}

void DesktopPlatform::queueExpose(WindowId w) {
    // Like paint requests on the classic desktop, exposes of one window merge into one.
    for (const Event& e : queue_)
        if (e.kind == EventKind::Expose && e.window == w) return;
    Event e;
    e.kind = EventKind::Expose;
    e.window = w;
    push(e);
}

void DesktopPlatform::pump() {
    if (!videoStarted_) return;
    SDL_Event ev;
    while (SDL_PollEvent(&ev)) translate(&ev);
    if (terminate_ && terminate_->takeRequest()) {
        // The quit event that should have carried the request was lost (a full queue, or the
        // request came before the event queue was up).
        Event e;
        e.kind = EventKind::Terminate;
        push(e);
    }
    focusLostFrom_ = kNoWindow;
    const uint32_t now = tickCount();
    if (int32_t(now - nextDisplayCheck_) >= 0) {
        nextDisplayCheck_ = now + kDisplayCheckMs;
        checkDisplaySize();
    }
}

namespace {

int buttonNumber(uint8_t sdlButton) {
    if (sdlButton == SDL_BUTTON_LEFT) return 1;
    if (sdlButton == SDL_BUTTON_RIGHT) return 2;
    return 0;
}

void setModifiers(Event& e, uint16_t mod) {
    e.shift = (mod & KMOD_SHIFT) != 0;
    e.ctrl = (mod & KMOD_CTRL) != 0;
    e.alt = (mod & KMOD_ALT) != 0;
}

// The SDL window that gains the focus next, when SDL already holds that event: focus moving
// between our own windows comes as a loss and a gain back to back.
uint32_t pendingFocusGain() {
    SDL_PumpEvents();
    SDL_Event peek[64];
    const int n = SDL_PeepEvents(peek, 64, SDL_PEEKEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT);
    for (int i = 0; i < n; ++i)
        if (peek[i].window.event == SDL_WINDOWEVENT_FOCUS_GAINED) return peek[i].window.windowID;
    return 0;
}

}  // namespace

void DesktopPlatform::translate(const void* p) {
    const SDL_Event& ev = *static_cast<const SDL_Event*>(p);
    Event e;
    switch (ev.type) {
        case SDL_QUIT:
            if (terminate_) terminate_->takeRequest();
            e.kind = EventKind::Terminate;
            e.time = eventTime(ev.quit.timestamp);
            push(e);
            return;
        case SDL_DISPLAYEVENT:
            checkDisplaySize();
            return;
        case SDL_KEYDOWN: {
            DesktopWindow* win = findBySdlId(ev.key.windowID);
            if (!win || !win->enabled) return;
            e.window = win->id;
            e.time = eventTime(ev.key.timestamp);
            setModifiers(e, ev.key.keysym.mod);
            lastKeyMods_ = ev.key.keysym.mod;
            const int key = desktop::virtualKeyFor(ev.key.keysym.sym);
            if (key != 0) {
                e.kind = EventKind::KeyDown;
                e.key = key;
                push(e);
            }
            const uint32_t ch = desktop::controlCharFor(ev.key.keysym.sym, e.ctrl, e.alt);
            if (ch != 0) {
                e.kind = EventKind::Char;
                e.key = 0;
                e.ch = ch;
                push(e);
            }
            return;
        }
        case SDL_TEXTINPUT: {
            DesktopWindow* win = findBySdlId(ev.text.windowID);
            if (!win || !win->enabled) return;
            e.kind = EventKind::Char;
            e.window = win->id;
            e.time = eventTime(ev.text.timestamp);
            setModifiers(e, lastKeyMods_);
            if (!desktop::textFromKeys(e.ctrl, e.alt)) return;
            for (uint32_t ch : desktop::decodeUtf8(ev.text.text)) {
                e.ch = ch;
                push(e);
            }
            return;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            DesktopWindow* win = findBySdlId(ev.button.windowID);
            const int button = buttonNumber(ev.button.button);
            if (!win || !win->enabled || button == 0) return;
            e.kind = ev.type == SDL_MOUSEBUTTONDOWN ? EventKind::ButtonDown : EventKind::ButtonUp;
            e.window = win->id;
            e.time = eventTime(ev.button.timestamp);
            e.button = button;
            const Point client = unscalePoint(Point{ev.button.x, ev.button.y}, win->scale);
            e.x = client.x;
            e.y = client.y;
            setModifiers(e, uint16_t(SDL_GetModState()));
            push(e);
            return;
        }
        case SDL_WINDOWEVENT:
            break;
        default:
            return;
    }
    DesktopWindow* win = findBySdlId(ev.window.windowID);
    if (!win) return;
    e.window = win->id;
    e.time = eventTime(ev.window.timestamp);
    switch (ev.window.event) {
        case SDL_WINDOWEVENT_EXPOSED:
            repaint(*win);
            queueExpose(win->id);
            break;
        case SDL_WINDOWEVENT_MOVED:
            win->rect = Rect{ev.window.data1, ev.window.data2, ev.window.data1 + win->rect.width(),
                             ev.window.data2 + win->rect.height()};
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED: {
            // The size comes in screen pixels; a scaled window's canvas takes the whole canvas
            // pixels that fit (an odd remainder shows black).
            const int width = ev.window.data1 / win->scale, height = ev.window.data2 / win->scale;
            if (width != win->rect.width() || height != win->rect.height()) {
                if (resizeBuffers(*win, width, height)) {
                    win->rect.right = win->rect.left + width;
                    win->rect.bottom = win->rect.top + height;
                    queueExpose(win->id);
                }
            }
            break;
        }
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            e.kind = EventKind::Activate;
            e.other = focusLostFrom_;
            focusLostFrom_ = kNoWindow;
            push(e);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST: {
            e.kind = EventKind::Deactivate;
            const DesktopWindow* gaining = findBySdlId(pendingFocusGain());
            e.other = gaining ? gaining->id : kNoWindow;
            focusLostFrom_ = win->id;
            push(e);
            break;
        }
        case SDL_WINDOWEVENT_CLOSE:
            e.kind = EventKind::Close;
            push(e);
            break;
        default:
            break;
    }
}

bool DesktopPlatform::pollEvent(Event& out) {
    pump();
    if (queue_.empty()) return false;
    out = queue_.front();
    queue_.pop_front();
    return true;
}

namespace {
bool matches(const Event& e, WindowId w, EventKind kind, int button) {
    return e.window == w && e.kind == kind && (button == 0 || e.button == button);
}
}  // namespace

bool DesktopPlatform::hasQueued(WindowId w, EventKind kind, int button) {
    pump();
    return std::any_of(queue_.begin(), queue_.end(),
                       [&](const Event& e) { return matches(e, w, kind, button); });
}

int DesktopPlatform::discardQueued(WindowId w, EventKind kind, int button) {
    pump();
    return int(std::erase_if(queue_, [&](const Event& e) { return matches(e, w, kind, button); }));
}

void DesktopPlatform::postQuit(int code) {
    Event e;
    e.kind = EventKind::Quit;
    e.code = code;
    push(e);
}

void DesktopPlatform::waitEvent(uint32_t ms) {
    if (!videoStarted_ || !queue_.empty() || ms == 0) return;
    // SDL sleeps in the display connection's poll; a signal or another thread's event wakes it.
    SDL_WaitEventTimeout(nullptr, int(std::min<uint32_t>(ms, 0x7FFFFFFF)));
}

uint32_t DesktopPlatform::refreshInterval() {
    constexpr uint32_t kDefaultHz = 60;
    SDL_DisplayMode mode;
    const int display = watchedDisplay_ < 0 ? 0 : watchedDisplay_;
    int hz = int(kDefaultHz);
    if (videoStarted_ && SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0)
        hz = mode.refresh_rate;
    return uint32_t(1000 / std::max(1, hz));
}

// --- Cursor -------------------------------------------------------------------------------

Point DesktopPlatform::cursorPos() {
    if (!videoStarted_) return Point{};
    int x = 0, y = 0;
    bool left = false;
    if (!windows_.empty() && desktop::x11Pointer(windows_.begin()->second->sdl, x, y, left))
        return Point{x, y};
    SDL_GetGlobalMouseState(&x, &y);
    return Point{x, y};
}

bool DesktopPlatform::leftButtonDown() {
    if (!videoStarted_) return false;
    int x = 0, y = 0;
    bool left = false;
    if (!windows_.empty() && desktop::x11Pointer(windows_.begin()->second->sdl, x, y, left))
        return left;
    return (SDL_GetGlobalMouseState(nullptr, nullptr) & SDL_BUTTON_LMASK) != 0;
}

void DesktopPlatform::showCursor(bool show) {
    if (videoStarted_) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

void DesktopPlatform::setBusyCursor(bool busy) {
    SDL_Cursor* c = busy ? waitCursor_ : arrowCursor_;
    if (c) SDL_SetCursor(c);
}

// --- Text and sound -----------------------------------------------------------------------

Fonts& DesktopPlatform::fonts() {
    if (!fonts_) fonts_ = std::make_unique<desktop::TtfFonts>(desktop::FontFiles{});
    return *fonts_;
}

void DesktopPlatform::beep() {
    if (beeper_) beeper_->beep();
}

bool DesktopPlatform::chooseOpenFile(WindowId owner, const std::string& title,
                                     const std::vector<std::pair<std::string, std::string>>& filters,
                                     std::string& path) {
    (void)owner;  // GTK cannot parent its dialog to our windows; it is modal to the program
    if (!chooser_) chooser_ = std::make_unique<desktop::FileChooser>();
    const bool chosen = chooser_->chooseOpenFile(title, filters, path);
    // Input given to our windows while the dialog was up is not meant for them.
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_KEYDOWN, SDL_MOUSEWHEEL);
    return chosen;
}

// --- Inspection ---------------------------------------------------------------------------

uint32_t DesktopPlatform::shownPixel(WindowId w, int x, int y) const {
    const DesktopWindow* win = find(w);
    if (!win || !win->canvas.bounds().contains(x, y)) return 0;
    const size_t i = size_t(y * win->scale) * size_t(win->shownWidth()) + size_t(x * win->scale);
    return i < win->shown.size() ? win->shown[i] : 0;
}

bool DesktopPlatform::readBack(WindowId w, const Rect& r, std::vector<uint32_t>& out) {
    DesktopWindow* win = find(w);
    if (!win || !matchCanvas(*win)) return false;
    const Rect a = intersect(r, Rect{0, 0, win->shownWidth(), win->shownHeight()});
    if (a.empty()) return false;
    if (win->useSurface) {
        // A hidden window's surface is not kept up to date, so the copy goes in first.
        SDL_Surface* s = directSurface(win->sdl);
        if (!s) return false;
        const Rect b = intersect(a, Rect{0, 0, s->w, s->h});
        if (b != a) return false;
        copyToSurface(s, win->shown, win->shownWidth(), a);
        if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) != 0) return false;
        out.assign(size_t(a.width()) * size_t(a.height()), 0);
        const auto* base = static_cast<const uint8_t*>(s->pixels);
        for (int y = a.top; y < a.bottom; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(base + size_t(y) * size_t(s->pitch));
            for (int x = a.left; x < a.right; ++x)
                out[size_t(y - a.top) * size_t(a.width()) + size_t(x - a.left)] =
                    kOpaqueBlack | (row[x] & 0x00FFFFFFu);
        }
        if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
        return true;
    }
    // The back buffer's content after a present is undefined (and a hidden window's texture
    // is not kept up to date), so draw the copy again first.
    const SDL_Rect whole{0, 0, win->shownWidth(), win->shownHeight()};
    SDL_UpdateTexture(win->texture, &whole, win->shown.data(),
                      win->shownWidth() * int(sizeof(uint32_t)));
    SDL_RenderCopy(win->renderer, win->texture, &whole, nullptr);
    out.assign(size_t(a.width()) * size_t(a.height()), 0);
    const SDL_Rect area{a.left, a.top, a.width(), a.height()};
    return SDL_RenderReadPixels(win->renderer, &area, SDL_PIXELFORMAT_ARGB8888, out.data(),
                                a.width() * int(sizeof(uint32_t))) == 0;
}

bool DesktopPlatform::windowPixelSize(WindowId w, int& width, int& height) {
    DesktopWindow* win = find(w);
    if (!win) return false;
    if (desktop::x11WindowSize(win->sdl, width, height)) return true;
    SDL_GetWindowSize(win->sdl, &width, &height);
    return true;
}

bool DesktopPlatform::currentMonitorSize(int x, int y, int& width, int& height) {
    return x11_ && x11_->monitorSize(x, y, width, height);
}

WindowId DesktopPlatform::windowOnTopAt(int x, int y) {
    if (!x11_) return kNoWindow;
    const unsigned long top = x11_->topLevelAt(x, y);
    if (!top) return kNoWindow;
    for (const auto& [id, win] : windows_)
        if (x11_->topLevelOf(desktop::x11Window(win->sdl)) == top) return id;
    return kNoWindow;
}

std::string DesktopPlatform::videoDriver() const {
    const char* name = videoStarted_ ? SDL_GetCurrentVideoDriver() : nullptr;
    return name ? name : "";
}

std::string DesktopPlatform::rendererName(WindowId w) const {
    const DesktopWindow* win = find(w);
    if (win && win->useSurface) return "window surface";
    SDL_RendererInfo info;
    if (!win || SDL_GetRendererInfo(win->renderer, &info) != 0 || !info.name) return {};
    return info.name;
}

void DesktopPlatform::injectKey(WindowId w, int32_t sdlKeycode, bool shift, bool ctrl, bool alt) {
    DesktopWindow* win = find(w);
    if (!win) return;
    SDL_Event ev{};
    ev.type = SDL_KEYDOWN;
    ev.key.timestamp = SDL_GetTicks();
    ev.key.windowID = SDL_GetWindowID(win->sdl);
    ev.key.state = SDL_PRESSED;
    ev.key.keysym.sym = sdlKeycode;
    ev.key.keysym.scancode = SDL_GetScancodeFromKey(sdlKeycode);
    ev.key.keysym.mod =
        uint16_t((shift ? KMOD_LSHIFT : 0) | (ctrl ? KMOD_LCTRL : 0) | (alt ? KMOD_LALT : 0));
    SDL_PushEvent(&ev);
}

void DesktopPlatform::injectText(WindowId w, const std::string& utf8) {
    DesktopWindow* win = find(w);
    if (!win) return;
    SDL_Event ev{};
    ev.type = SDL_TEXTINPUT;
    ev.text.timestamp = SDL_GetTicks();
    ev.text.windowID = SDL_GetWindowID(win->sdl);
    SDL_strlcpy(ev.text.text, utf8.c_str(), sizeof(ev.text.text));
    SDL_PushEvent(&ev);
}

void DesktopPlatform::injectButton(WindowId w, int sdlButton, bool down, int x, int y) {
    DesktopWindow* win = find(w);
    if (!win) return;
    SDL_Event ev{};
    ev.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    ev.button.timestamp = SDL_GetTicks();
    ev.button.windowID = SDL_GetWindowID(win->sdl);
    ev.button.button = uint8_t(sdlButton);
    ev.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    ev.button.clicks = 1;
    ev.button.x = x;
    ev.button.y = y;
    SDL_PushEvent(&ev);
}

}  // namespace korel
