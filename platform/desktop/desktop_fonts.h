// The three program fonts drawn with SDL2_ttf into 8-bit canvases.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace korel::desktop {

// Where the font files are looked for; tests point it at other folders.
struct FontFiles {
    std::string small;  // also used for Medium
    std::string large;
};

// The Debian font files, or the best stand-ins found under the system font folders.
FontFiles findFontFiles();

class TtfFonts : public Fonts {
  public:
    // Needs TTF_Init done by the caller (the platform). A font that cannot be opened falls back
    // to the other face and then to a stand-in that measures like a plain cell font and draws
    // nothing, so text layout keeps working without any font files.
    explicit TtfFonts(const FontFiles& files);
    ~TtfFonts() override;
    TtfFonts(const TtfFonts&) = delete;
    TtfFonts& operator=(const TtfFonts&) = delete;

    int lineHeight(FontId font) override;
    int ascent(FontId font) override;
    int textWidth(FontId font, std::string_view text) override;
    void drawRun(Surface& dst, FontId font, int x, int top, std::string_view text,
                 uint8_t colour) override;

    // True when the face was opened from a file (false: the drawing-less stand-in).
    bool loaded(FontId font) const;

  private:
    struct Face;
    Face& face(FontId font);
    std::array<std::unique_ptr<Face>, 3> faces_;
};

}  // namespace korel::desktop
