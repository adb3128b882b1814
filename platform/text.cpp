// Shared text layout over a Fonts implementation.
#include "platform/text.h"

namespace korel {

std::vector<std::string> layoutLines(Fonts& fonts, FontId font, std::string_view text, int width,
                                     bool wordWrap) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t nl = text.find('\n', start);
        std::string_view para =
            text.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start);
        if (!para.empty() && para.back() == '\r') para.remove_suffix(1);
        if (!wordWrap || fonts.textWidth(font, para) <= width) {
            lines.emplace_back(para);
        } else {
            std::string current;
            size_t i = 0;
            while (i < para.size()) {
                size_t sp = para.find(' ', i);
                std::string_view word = para.substr(i, sp == std::string_view::npos ? para.size() - i : sp - i);
                std::string candidate = current.empty() ? std::string(word) : current + " " + std::string(word);
                if (current.empty() || fonts.textWidth(font, candidate) <= width) {
                    current = std::move(candidate);
                } else {
                    lines.push_back(std::move(current));
                    current = std::string(word);
                }
                if (sp == std::string_view::npos) break;
                i = sp + 1;
            }
            lines.push_back(std::move(current));
        }
        if (nl == std::string_view::npos) break;
        start = nl + 1;
    }
    return lines;
}

int drawText(Fonts& fonts, Surface& dst, const Rect& box, std::string_view text,
             const TextStyle& style) {
    const Rect savedClip = dst.clip();
    if (style.clip) dst.setClip(intersect(savedClip, box));
    const int lh = fonts.lineHeight(style.font);
    auto lines = layoutLines(fonts, style.font, text, box.width(), style.wordWrap);
    int y = box.top;
    if (style.vCentre && lines.size() == 1) y = box.top + (box.height() - lh) / 2;
    for (const auto& line : lines) {
        int w = fonts.textWidth(style.font, line);
        int x = box.left;
        if (style.align == Align::Centre) x = box.left + (box.width() - w) / 2;
        if (style.align == Align::Right) x = box.right - w;
        fonts.drawRun(dst, style.font, x, y, line, style.colour);
        y += lh;
    }
    dst.setClip(savedClip);
    return y - box.top;
}

}  // namespace korel
