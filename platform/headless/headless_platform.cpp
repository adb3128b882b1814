// Headless platform: virtual clock, memory windows, scripted input, PNG snapshots.
#include "platform/headless/headless_platform.h"

#include <png.h>

#include <cstdio>

#include "platform/headless/headless_font_data.h"
#include "platform/scale.h"

namespace korel {

// --- Fonts ------------------------------------------------------------------------------

namespace {

struct FontTable {
    int cell;
    const headless_font::Glyph* glyphs;
    const uint32_t* rows;
    int scale;
};

FontTable table(FontId f) {
    using namespace headless_font;
    switch (f) {
        case FontId::Small: return {kCell9, kGlyphs9, kRows9, 1};
        case FontId::Medium: return {kCell13, kGlyphs13, kRows13, 1};
        case FontId::Large: return {kCell13, kGlyphs13, kRows13, 4};
    }
    return {kCell9, kGlyphs9, kRows9, 1};
}

int glyphIndex(unsigned char c) { return (c >= 32 && c < 127) ? c - 32 : '?' - 32; }

}  // namespace

int HeadlessFonts::lineHeight(FontId font) {
    FontTable t = table(font);
    return t.cell * t.scale;
}

int HeadlessFonts::ascent(FontId font) { return lineHeight(font) * 4 / 5; }

int HeadlessFonts::textWidth(FontId font, std::string_view text) {
    FontTable t = table(font);
    int w = 0;
    for (unsigned char c : text) w += t.glyphs[glyphIndex(c)].width * t.scale;
    return w;
}

void HeadlessFonts::drawRun(Surface& dst, FontId font, int x, int top, std::string_view text,
                            uint8_t colour) {
    FontTable t = table(font);
    for (unsigned char c : text) {
        const auto& g = t.glyphs[glyphIndex(c)];
        for (int r = 0; r < t.cell; ++r) {
            uint32_t bits = t.rows[g.offset + uint32_t(r)];
            for (int i = 0; i < g.width && bits; ++i) {
                if (!(bits & (1u << i))) continue;
                for (int sy = 0; sy < t.scale; ++sy)
                    for (int sx = 0; sx < t.scale; ++sx)
                        dst.set(x + i * t.scale + sx, top + r * t.scale + sy, colour);
            }
        }
        x += g.width * t.scale;
    }
}

// --- Platform ---------------------------------------------------------------------------

HeadlessPlatform::HeadlessPlatform(int monitorWidth, int monitorHeight)
    : monitorWidth_(monitorWidth), monitorHeight_(monitorHeight) {}

void HeadlessPlatform::setMonitorSize(int width, int height) {
    monitorWidth_ = width;
    monitorHeight_ = height;
    for (auto& [id, w] : windows_) {
        Event e;
        e.kind = EventKind::DisplayChange;
        e.window = id;
        e.width = width;
        e.height = height;
        e.depth = 32;
        e.time = now_;
        queue_.push_back(e);
    }
}

bool HeadlessPlatform::monitorAtCursor(Rect& out) {
    if (!monitorAvailable_) return false;
    out = Rect{0, 0, monitorWidth_, monitorHeight_};
    return true;
}

HeadlessPlatform::Window* HeadlessPlatform::find(WindowId w) {
    auto it = windows_.find(w);
    return it == windows_.end() ? nullptr : &it->second;
}

const HeadlessPlatform::Window* HeadlessPlatform::find(WindowId w) const {
    auto it = windows_.find(w);
    return it == windows_.end() ? nullptr : &it->second;
}

WindowId HeadlessPlatform::createWindow(const WindowDesc& desc) {
    if (!failTitle_.empty() && desc.title == failTitle_) return kNoWindow;
    WindowId id = nextId_++;
    Window& w = windows_[id];
    w.desc = desc;
    w.scale = windowScaleOf(desc.scale);
    w.desc.scale = w.scale;
    w.canvas.resize(desc.rect.width(), desc.rect.height());
    w.clearScreen();
    if (desc.visible) showWindow(id, true);
    return id;
}

void HeadlessPlatform::destroyWindow(WindowId w) {
    windows_.erase(w);
    if (active_ == w) active_ = kNoWindow;
    std::erase_if(queue_, [w](const Event& e) { return e.window == w; });
}

void HeadlessPlatform::showWindow(WindowId id, bool show) {
    Window* w = find(id);
    if (!w || w->visible == show) return;
    w->visible = show;
    if (show) {
        invalidateWindow(id);
    } else if (active_ == id) {
        activate(kNoWindow);
    }
}

bool HeadlessPlatform::windowVisible(WindowId id) {
    const Window* w = find(id);
    return w && w->visible;
}

void HeadlessPlatform::activate(WindowId id) {
    if (active_ == id) return;
    WindowId old = active_;
    active_ = id;
    if (old != kNoWindow && find(old)) {
        Event e;
        e.kind = EventKind::Deactivate;
        e.window = old;
        e.other = id;
        e.time = now_;
        queue_.push_back(e);
    }
    if (id != kNoWindow) {
        Event e;
        e.kind = EventKind::Activate;
        e.window = id;
        e.other = old;
        e.time = now_;
        queue_.push_back(e);
    }
}

void HeadlessPlatform::raiseWindow(WindowId id, bool activateIt) {
    if (!find(id)) return;
    if (activateIt) activate(id);
}

void HeadlessPlatform::setWindowRect(WindowId id, const Rect& r) {
    Window* w = find(id);
    if (!w) return;
    bool resized = r.width() != w->desc.rect.width() || r.height() != w->desc.rect.height();
    w->desc.rect = r;
    if (resized) {
        w->canvas.resize(r.width(), r.height());
        w->clearScreen();
        invalidateWindow(id);
    }
}

Rect HeadlessPlatform::windowRect(WindowId id) {
    const Window* w = find(id);
    return w ? w->desc.rect : Rect{};
}

Point HeadlessPlatform::clientPoint(WindowId id, Point screen) {
    const Window* w = find(id);
    if (!w) return screen;
    return unscalePoint(Point{screen.x - w->desc.rect.left, screen.y - w->desc.rect.top}, w->scale);
}

int HeadlessPlatform::windowScale(WindowId id) const {
    const Window* w = find(id);
    return w ? w->scale : 1;
}

void HeadlessPlatform::enableWindow(WindowId id, bool enable) {
    if (Window* w = find(id)) w->enabled = enable;
}

bool HeadlessPlatform::windowEnabled(WindowId id) const {
    const Window* w = find(id);
    return w && w->enabled;
}

void HeadlessPlatform::invalidateWindow(WindowId id) {
    if (!find(id)) return;
    for (const Event& e : queue_)
        if (e.window == id && e.kind == EventKind::Expose) return;
    Event e;
    e.kind = EventKind::Expose;
    e.window = id;
    e.time = now_;
    queue_.push_back(e);
}

Surface& HeadlessPlatform::canvas(WindowId id) {
    Window* w = find(id);
    if (!w) {
        dummy_.resize(0, 0);
        return dummy_;
    }
    return w->canvas;
}

void HeadlessPlatform::present(WindowId id, const Rect& r) {
    Window* w = find(id);
    if (!w || !w->visible) return;
    // A canvas resized behind the platform's back is shown at its new size.
    if (w->screen.size() != size_t(w->screenWidth()) * size_t(w->screenHeight())) w->clearScreen();
    const Rect c = intersect(r, w->canvas.bounds());
    const int k = w->scale;
    const size_t pitch = size_t(w->screenWidth());
    for (int y = c.top; y < c.bottom; ++y) {
        const uint8_t* src = w->canvas.row(y);
        for (int sy = 0; sy < k; ++sy) {
            Rgb* dst = w->screen.data() + size_t(y * k + sy) * pitch;
            for (int x = c.left; x < c.right; ++x) {
                const PaletteEntry& p = palette_[src[x]];
                for (int sx = 0; sx < k; ++sx) dst[x * k + sx] = Rgb{p.r, p.g, p.b};
            }
        }
    }
}

WindowId HeadlessPlatform::windowByTitle(std::string_view title) const {
    for (const auto& [id, w] : windows_)
        if (w.desc.title == title) return id;
    return kNoWindow;
}

std::vector<WindowId> HeadlessPlatform::windows() const {
    std::vector<WindowId> ids;
    for (const auto& [id, w] : windows_) ids.push_back(id);
    return ids;
}

const WindowDesc* HeadlessPlatform::describe(WindowId id) const {
    const Window* w = find(id);
    return w ? &w->desc : nullptr;
}

WindowId HeadlessPlatform::addForeignWindow(const std::string& className, const std::string& title) {
    WindowId id = nextId_++;
    foreign_[id] = Foreign{className, title, false};
    return id;
}

bool HeadlessPlatform::foreignWindowClosed(WindowId id) const {
    auto it = foreign_.find(id);
    return it != foreign_.end() && it->second.closed;
}

WindowId HeadlessPlatform::findWindow(std::string_view className, std::string_view title) {
    for (const auto& [id, f] : foreign_)
        if (!f.closed && f.className == className && f.title == title) return id;
    for (const auto& [id, w] : windows_)
        if (w.desc.className == className && w.desc.title == title) return id;
    return kNoWindow;
}

void HeadlessPlatform::closeForeignWindow(WindowId id) {
    auto it = foreign_.find(id);
    if (it != foreign_.end()) it->second.closed = true;
}

void HeadlessPlatform::pushEvent(Event e) {
    if (e.time == 0) e.time = now_;
    queue_.push_back(e);
}

void HeadlessPlatform::pushKey(WindowId w, int key, bool shift, bool ctrl, bool alt) {
    Event e;
    e.kind = EventKind::KeyDown;
    e.window = w;
    e.key = key;
    e.shift = shift;
    e.ctrl = ctrl;
    e.alt = alt;
    pushEvent(e);
}

void HeadlessPlatform::pushChar(WindowId w, uint32_t ch, bool ctrl) {
    Event e;
    e.kind = EventKind::Char;
    e.window = w;
    e.ch = ch;
    e.ctrl = ctrl;
    pushEvent(e);
}

void HeadlessPlatform::pushButton(WindowId w, int x, int y, bool down, int button) {
    Event e;
    e.kind = down ? EventKind::ButtonDown : EventKind::ButtonUp;
    e.window = w;
    e.x = x;
    e.y = y;
    e.button = button;
    pushEvent(e);
}

void HeadlessPlatform::pushClick(WindowId w, int x, int y, int button) {
    pushButton(w, x, y, true, button);
    pushButton(w, x, y, false, button);
}

void HeadlessPlatform::pushWindowPixelButton(WindowId w, int x, int y, bool down, int button) {
    const Point p = unscalePoint(Point{x, y}, windowScale(w));
    pushButton(w, p.x, p.y, down, button);
}

void HeadlessPlatform::pushWindowPixelClick(WindowId w, int x, int y, int button) {
    pushWindowPixelButton(w, x, y, true, button);
    pushWindowPixelButton(w, x, y, false, button);
}

void HeadlessPlatform::pushClose(WindowId w) {
    Event e;
    e.kind = EventKind::Close;
    e.window = w;
    pushEvent(e);
}

bool HeadlessPlatform::chooseOpenFile(
    WindowId owner, const std::string& title,
    const std::vector<std::pair<std::string, std::string>>& filters, std::string& path) {
    chooserCalls_.push_back(ChooserCall{owner, title, filters});
    if (chosenFiles_.empty()) return false;
    std::string answer = std::move(chosenFiles_.front());
    chosenFiles_.pop_front();
    if (answer.empty()) return false;
    path = std::move(answer);
    return true;
}

bool HeadlessPlatform::pollEvent(Event& out) {
    while (!queue_.empty()) {
        out = queue_.front();
        queue_.pop_front();
        if (out.kind == EventKind::Quit || out.kind == EventKind::Terminate) return true;
        const Window* w = find(out.window);
        if (!w) continue;
        bool input = out.kind == EventKind::KeyDown || out.kind == EventKind::Char ||
                     out.kind == EventKind::ButtonDown || out.kind == EventKind::ButtonUp;
        if (input && !w->enabled) continue;  // a disabled window gets no input
        if (out.kind == EventKind::ButtonDown || out.kind == EventKind::ButtonUp) {
            leftDown_ = out.kind == EventKind::ButtonDown && out.button == 1;
            cursor_ = Point{w->desc.rect.left + out.x * w->scale, w->desc.rect.top + out.y * w->scale};
        }
        return true;
    }
    return false;
}

bool HeadlessPlatform::hasQueued(WindowId w, EventKind kind, int button) {
    for (const Event& e : queue_)
        if (e.window == w && e.kind == kind && (button == 0 || e.button == button)) return true;
    return false;
}

int HeadlessPlatform::discardQueued(WindowId w, EventKind kind, int button) {
    return int(std::erase_if(queue_, [&](const Event& e) {
        return e.window == w && e.kind == kind && (button == 0 || e.button == button);
    }));
}

void HeadlessPlatform::postQuit(int code) {
    Event e;
    e.kind = EventKind::Quit;
    e.code = code;
    e.time = now_;
    queue_.push_back(e);
}

std::vector<Rgb> HeadlessPlatform::screenPixels(WindowId id) const {
    const Window* w = find(id);
    return w ? w->screen : std::vector<Rgb>{};
}

bool HeadlessPlatform::snapshotPng(WindowId id, const std::string& path) const {
    const Window* w = find(id);
    if (!w) return false;
    return writeRgbPng(path, w->screen, w->screenWidth(), w->screenHeight());
}

static_assert(sizeof(Rgb) == 3, "PNG rows are written straight from Rgb pixels");

bool writeRgbPng(const std::string& path, const std::vector<Rgb>& pixels, int width, int height) {
    if (width <= 0 || height <= 0 || pixels.size() < size_t(width) * size_t(height)) return false;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<png_bytep>(const_cast<Rgb*>(pixels.data() + size_t(y) * size_t(width)));
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

}  // namespace korel
