// Drawing the credits and the curtain of the closing animation.
#include "shell/closing.h"

#include <algorithm>

#include "shell/palette.h"

namespace korel {

Surface makeCurtainPicture() {
    Surface p(kCurtainWidth, kCurtainHeight, ui::Black);
    static const uint8_t bands[] = {ui::Amber, ui::Orange, ui::Violet, ui::Blue, ui::Green191};
    for (int half = 0; half < 2; ++half) {
        const int top = half * 19;
        // Bright bands fading out toward the screen edge the half comes from.
        for (int y = 2; y < 17; ++y) {
            uint8_t colour = bands[(y - 2) / 3];
            for (int x = 0; x < kCurtainWidth; ++x) {
                int fromEdge = half == 0 ? x : kCurtainWidth - 1 - x;
                if ((fromEdge * 5) / kCurtainWidth >= (y % 3 == 1 ? 1 : 2) || fromEdge > 90)
                    p.set(x, top + y, colour);
            }
        }
        p.hline(0, kCurtainWidth, top + 1, ui::Light);
        p.hline(0, kCurtainWidth, top + 17, ui::Grey97);
    }
    return p;
}

Rect drawCredits(Surface& s, Fonts& fonts, const Surface& logo, int cx, int cy, int brushBottom) {
    // The logo ends 6 pixels above the brush, and never lower than 16 pixels above its centre.
    const int logoBottom = std::min(cy - brushBottom - 6, cy - 16);
    const Rect title{cx - logo.width() / 2, logoBottom - logo.height(),
                     cx - logo.width() / 2 + logo.width(), logoBottom};
    copySurface(s, title.left, title.top, logo, logo.bounds());

    int lineTop = std::max(cy + brushBottom + 6, cy + 16);
    TextStyle small;
    small.font = FontId::Small;
    small.colour = ui::Green;
    small.align = Align::Centre;
    small.clip = false;
    const Rect line1{cx - 200, lineTop, cx + 200, lineTop + 14};
    drawText(fonts, s, line1, "Don't forget to download the free components from our web site!", small);
    small.colour = ui::White;
    const Rect line2{cx - 200, lineTop + 14, cx + 200, lineTop + 28};
    drawText(fonts, s, line2, "Thank you for dancing with Korel.", small);
    return unite(unite(title, line1), line2);
}

Rect drawCurtain(Surface& s, const Surface& picture, int cx, int cy, int brushLeft,
                 uint32_t elapsed) {
    if (elapsed > kCurtainMs) return Rect{};
    const int x = int(int64_t(cx - brushLeft - 6) * int64_t(elapsed) / int64_t(kCurtainMs)) - kCurtainWidth;
    Rect changed{};
    if (x > 0) {
        Rect left{0, cy - 9, x, cy + 10};
        Rect right{2 * cx - x, cy - 9, 2 * cx, cy + 10};
        s.fillRect(left, ui::Black);
        s.fillRect(right, ui::Black);
        changed = unite(left, right);
    }
    changed = unite(changed, copySurface(s, x, cy - 9, picture, Rect{0, 0, kCurtainWidth, 19}));
    changed = unite(changed, copySurface(s, 2 * cx - x - kCurtainWidth, cy - 9, picture,
                                         Rect{0, 19, kCurtainWidth, kCurtainHeight}));
    return changed;
}

}  // namespace korel
