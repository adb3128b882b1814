// SDL2_ttf fonts sized by their character cell height, drawn solid in one palette index.
#include "platform/desktop/desktop_fonts.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <filesystem>
#include <system_error>

#include "platform/desktop/desktop_keys.h"

namespace korel::desktop {

namespace {

constexpr int kCellHeights[3] = {9, 13, 56};

bool isFile(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

// The first file called `name` below the system font folders, or "" when there is none.
std::string searchFonts(const std::string& name) {
    for (const char* root : {"/usr/share/fonts", "/usr/local/share/fonts"}) {
        std::error_code ec;
        auto it = std::filesystem::recursive_directory_iterator(
            root, std::filesystem::directory_options::skip_permission_denied, ec);
        if (ec) continue;
        for (auto end = std::filesystem::recursive_directory_iterator(); it != end;
             it.increment(ec)) {
            if (ec) break;
            const auto& p = it->path();
            if (name.empty() ? p.extension() == ".ttf" : p.filename() == name) {
                if (isFile(p.string())) return p.string();
            }
        }
    }
    return {};
}

std::string firstFound(std::initializer_list<const char*> paths, const char* fileName) {
    for (const char* p : paths)
        if (isFile(p)) return p;
    return searchFonts(fileName);
}

}  // namespace

FontFiles findFontFiles() {
    FontFiles f;
    f.small = firstFound({"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"}, "DejaVuSans.ttf");
    f.large = firstFound({"/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
                          "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"},
                         "LiberationSans-Regular.ttf");
    if (f.small.empty()) f.small = f.large;
    if (f.small.empty()) f.small = searchFonts("");
    if (f.large.empty()) f.large = f.small;
    return f;
}

struct TtfFonts::Face {
    TTF_Font* font = nullptr;
    int cell = 0;
    int ascent = 0;

    ~Face() {
        if (font) TTF_CloseFont(font);
    }

    // Opens the file at the largest size whose cell fits `cellHeight`, the way a desktop font
    // of that height is chosen. The cell is the rendered line height: ascent and descent
    // rounded separately undercount it by a row, and the descenders then leave the cell. The
    // size is tuned through the resolution because SDL2_ttf takes whole points only.
    bool open(const std::string& path, int cellHeight) {
        if (path.empty()) return false;
        font = TTF_OpenFontDPI(path.c_str(), cellHeight, 72, 72);
        if (!font) return false;
        for (unsigned dpi = 72; dpi > 24; --dpi) {
            if (TTF_SetFontSizeDPI(font, cellHeight, dpi, dpi) != 0) break;
            if (TTF_FontHeight(font) <= cellHeight) break;
        }
        TTF_SetFontHinting(font, TTF_HINTING_NORMAL);
        ascent = TTF_FontAscent(font);
        cell = TTF_FontHeight(font);
        return true;
    }

    void standIn(int cellHeight) {
        cell = cellHeight;
        ascent = cellHeight * 4 / 5;
    }
};

TtfFonts::TtfFonts(const FontFiles& files) {
    for (int i = 0; i < 3; ++i) {
        auto f = std::make_unique<Face>();
        const std::string& first = i == 2 ? files.large : files.small;
        const std::string& second = i == 2 ? files.small : files.large;
        if (!f->open(first, kCellHeights[i]) && !f->open(second, kCellHeights[i]))
            f->standIn(kCellHeights[i]);
        faces_[size_t(i)] = std::move(f);
    }
}

TtfFonts::~TtfFonts() = default;

TtfFonts::Face& TtfFonts::face(FontId font) {
    int i = int(font);
    if (i < 0 || i > 2) i = 0;
    return *faces_[size_t(i)];
}

bool TtfFonts::loaded(FontId font) const {
    int i = int(font);
    return i >= 0 && i <= 2 && faces_[size_t(i)]->font != nullptr;
}

int TtfFonts::lineHeight(FontId font) {
    return face(font).cell;
}

int TtfFonts::ascent(FontId font) {
    return face(font).ascent;
}

int TtfFonts::textWidth(FontId font, std::string_view text) {
    if (text.empty()) return 0;
    Face& f = face(font);
    if (!f.font) return int(decodeUtf8(text).size()) * (f.cell / 2);
    int w = 0;
    int h = 0;
    if (TTF_SizeUTF8(f.font, toUtf8(text).c_str(), &w, &h) != 0) return 0;
    return w;
}

void TtfFonts::drawRun(Surface& dst, FontId font, int x, int top, std::string_view text,
                       uint8_t colour) {
    Face& f = face(font);
    if (!f.font || text.empty() || dst.empty()) return;
    // Solid rendering gives an 8-bit image whose index 0 is the background: every other
    // pixel is ink, so the run lands in exactly one palette index with no blending.
    SDL_Surface* img =
        TTF_RenderUTF8_Solid(f.font, toUtf8(text).c_str(), SDL_Color{255, 255, 255, 255});
    if (!img) return;
    if (SDL_LockSurface(img) == 0) {
        const Rect clip = dst.clip();
        const auto* pixels = static_cast<const uint8_t*>(img->pixels);
        // The image's first row is the font's ascent line; our cell starts at the same line.
        const Rect area = intersect(clip, Rect{x, top, x + img->w, top + img->h});
        for (int y = area.top; y < area.bottom; ++y) {
            const uint8_t* in = pixels + size_t(y - top) * size_t(img->pitch);
            uint8_t* out = dst.row(y);
            for (int px = area.left; px < area.right; ++px)
                if (in[px - x] != 0) out[px] = colour;
        }
        SDL_UnlockSurface(img);
    }
    SDL_FreeSurface(img);
}

}  // namespace korel::desktop
