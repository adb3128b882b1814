// The three fonts and text drawing: measuring, word wrapping and alignment.
//
// A Fonts implementation only measures and draws single runs of text; the layout (wrapping,
// alignment, line breaks) is shared code, so both platform implementations break lines alike.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/surface.h"
#include "platform/types.h"

namespace korel {

// Small 9 px, medium 13 px, large 56 px ("Arial"-compatible face).
enum class FontId { Small = 0, Medium = 1, Large = 2 };

class Fonts {
public:
    virtual ~Fonts() = default;
    // Height of a line (ascent + descent) and the ascent, in pixels.
    virtual int lineHeight(FontId font) = 0;
    virtual int ascent(FontId font) = 0;
    // Width of the run in pixels.
    virtual int textWidth(FontId font, std::string_view text) = 0;
    // Draws the run with its top-left at (x, top) in palette index `colour`, transparently.
    // Drawing is clipped to the surface's clip rectangle.
    virtual void drawRun(Surface& dst, FontId font, int x, int top, std::string_view text,
                         uint8_t colour) = 0;
};

enum class Align { Left, Centre, Right };

struct TextStyle {
    FontId font = FontId::Small;
    uint8_t colour = 255;
    Align align = Align::Left;
    bool wordWrap = false;  // break lines at spaces to fit the box width
    bool vCentre = false;   // single line, centred vertically in the box
    bool clip = true;       // clip the drawing to the box
};

// Splits text into the lines it occupies in a box `width` wide ("\n" always breaks).
std::vector<std::string> layoutLines(Fonts& fonts, FontId font, std::string_view text, int width,
                                     bool wordWrap);

// Draws text into box; returns the height used.
int drawText(Fonts& fonts, Surface& dst, const Rect& box, std::string_view text,
             const TextStyle& style);

}  // namespace korel
