// Painting designs in the converter's colour code.
#include "library/gen/colour_code.h"

namespace korel::art {

Rgb paintColour(const Ink& ink) {
    switch (ink.kind) {
        case Ink::Clear:
            return Rgb{255, 255, 255};
        case Ink::Black:
            return Rgb{0, 0, 0};
        case Ink::Mask:
            return Rgb{0, 0, 255};
        case Ink::Shade:
            return Rgb{0, shadeIntensity(ink.position), 0};
        case Ink::Shade2:
            return Rgb{shadeIntensity(ink.position), 0, 0};
        case Ink::Fixed: {
            Rgb c = ink.colour;
            // Keep a fixed colour off the reserved codes: white, black and pure blue have their
            // own meaning before fixed colours are considered.
            if (c == Rgb{255, 255, 255}) c.b = 254;
            if (c == Rgb{0, 0, 0}) c.b = 1;
            if (c == Rgb{0, 0, 255}) c.g = 1;
            if (c.r == 0 && c.b == 0) c.b = 1;  // would read as a green shade without fixed colours
            return c;
        }
    }
    return Rgb{255, 255, 255};
}

Image24 paint(const InkImage& design) {
    Image24 out(design.width, design.height);
    for (size_t i = 0; i < design.inks.size(); ++i) out.pixels[i] = paintColour(design.inks[i]);
    return out;
}

}  // namespace korel::art
