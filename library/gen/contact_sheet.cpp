// Drawing the contact sheet from the decoded assets.
//
// Brushes are coloured through the default gradients in turn (or their own colours), fills
// through the fill half, so the sheet shows each piece as the animation would at one moment.
#include "library/gen/contact_sheet.h"

#include <algorithm>

#include "engine/brush.h"
#include "engine/fill.h"
#include "engine/gradient.h"
#include "platform/files.h"
#include "platform/headless/headless_platform.h"

namespace korel::art {

namespace {

constexpr int kWidth = 1280;
constexpr int kMargin = 16;
constexpr Rgb kPage{10, 10, 16};
constexpr Rgb kPanel{0, 0, 0};
constexpr Rgb kText{230, 230, 240};
constexpr Rgb kDim{140, 140, 160};

class Canvas {
  public:
    explicit Canvas(int height) : image_(kWidth, height, kPage) {}

    void set(int x, int y, Rgb c) {
        if (x >= 0 && y >= 0 && x < image_.width && y < image_.height) image_.at(x, y) = c;
    }
    void fillRect(int x, int y, int w, int h, Rgb c) {
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i) set(x + i, y + j, c);
    }
    void text(int x, int y, std::string_view s, Rgb c, FontId font = FontId::Medium) {
        const int w = fonts_.textWidth(font, s), h = fonts_.lineHeight(font);
        if (w <= 0 || h <= 0) return;
        Surface scratch(w, h, 0);
        fonts_.drawRun(scratch, font, 0, 0, s, 1);
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i)
                if (scratch.at(i, j)) set(x + i, y + j, c);
    }
    int textWidth(std::string_view s, FontId font = FontId::Medium) {
        return fonts_.textWidth(font, s);
    }
    Image24 take() { return std::move(image_); }

  private:
    Image24 image_;
    HeadlessFonts fonts_;
};

// What an 8-bit pixel shows, given the colours of the two animated ranges.
struct Colours {
    const Rgb* brush = nullptr;  // 90 colours for indices 21-110
    const Rgb* fill = nullptr;   // 90 colours for indices 111-200
    Rgb operator()(uint8_t i) const {
        if (i >= kBrushRangeFirst && i < kBrushRangeFirst + kRangeSize)
            return brush[i - kBrushRangeFirst];
        if (i >= kFillRangeFirst && i < kFillRangeFirst + kRangeSize)
            return fill[i - kFillRangeFirst];
        if (i == 255) return Rgb{255, 255, 255};
        return Rgb{0, 0, 0};
    }
};

std::vector<std::string> listNames(const std::string& folder, const std::string& ext) {
    std::vector<std::string> names;
    listFolder(folder, ext, names);
    std::sort(names.begin(), names.end());
    return names;
}

std::string stem(const std::string& file) {
    const size_t dot = file.rfind('.');
    return dot == std::string::npos ? file : file.substr(0, dot);
}

// Draws frame `frame` of a brush scaled by `scale` (nearest neighbour) with its top-left at
// (x, y): the mask in `maskColour` under the colour image, transparency showing the panel.
void drawFrame(Canvas& c, const BrushAsset& b, int frame, int x, int y, double scale,
               const Colours& colours, Rgb maskColour) {
    const int fw = b.frameWidth, h = b.height;
    const int w = int(fw * scale), hh = int(h * scale);
    for (int j = 0; j < hh; ++j)
        for (int i = 0; i < w; ++i) {
            const int sx = frame * fw + std::min(fw - 1, int(i / scale));
            const int sy = std::min(h - 1, int(j / scale));
            if (b.hasMask() && b.mask.at(sx, sy) == 0xFF) c.set(x + i, y + j, maskColour);
            if (b.hasColour()) {
                const uint8_t v = b.colour.at(sx, sy);
                if (v != kColourKey) c.set(x + i, y + j, colours(v));
            }
        }
}

}  // namespace

ContactSheet drawContactSheet(const std::string& seed) {
    ContactSheet sheet;
    const std::string brushDir = joinPath(seed, "Brushes"), fillDir = joinPath(seed, "Fills"),
                      gradientDir = joinPath(seed, "Gradients");
    const auto brushFiles = listNames(brushDir, ".bru");
    const auto fillFiles = listNames(fillDir, ".fil");
    const auto gradientFiles = listNames(gradientDir, ".gra");

    // Gradients first: the brushes and fills borrow them.
    std::vector<std::pair<std::string, Gradient>> gradients;
    for (const auto& f : gradientFiles) {
        Bytes data;
        Gradient g;
        if (readWholeFile(joinPath(gradientDir, f), data) != 0 || !decodeGradient(data, g)) {
            sheet.problems.push_back("Gradients/" + f + ": does not decode");
            continue;
        }
        gradients.emplace_back(stem(f), g);
    }
    if (gradients.empty()) gradients.emplace_back("(None)", defaultGradient());
    // The default state's gradients colour the pieces, when they are there.
    std::vector<const Gradient*> palette;
    for (const char* name : {"Aurora", "Flame", "Rainbow_Fade6", "Metallic3", "Vortex9",
                             "Lunar_Lookout", "Dropout5", "Streak3"})
        for (const auto& [n, g] : gradients)
            if (n == name) palette.push_back(&g);
    if (palette.empty()) palette.push_back(&gradients.front().second);

    constexpr int kBrushColumns = 8, kBrushCell = (kWidth - 2 * kMargin) / kBrushColumns;
    constexpr int kBrushBox = 110, kBrushCellHeight = 190;
    constexpr int kFillColumns = 4, kFillCell = (kWidth - 2 * kMargin) / kFillColumns;
    constexpr int kFillW = kFillCell - 12, kFillH = kFillW * 3 / 4, kFillCellHeight = kFillH + 40;
    constexpr int kGradientColumns = 2, kGradientCell = (kWidth - 2 * kMargin) / kGradientColumns;
    constexpr int kGradientCellHeight = 58;
    auto rows = [](size_t n, int columns) {
        return int((n + size_t(columns) - 1) / size_t(columns));
    };
    const int height = 70 + 40 + rows(brushFiles.size(), kBrushColumns) * kBrushCellHeight + 40 +
                       rows(fillFiles.size(), kFillColumns) * kFillCellHeight + 40 +
                       rows(gradients.size(), kGradientColumns) * kGradientCellHeight + kMargin;
    Canvas c(height);
    c.text(kMargin, 14, "Korel - the bundled library", kText, FontId::Large);
    int y = 84;

    c.text(kMargin, y, "Brushes", kText);
    y += 26;
    int index = 0;
    for (const auto& f : brushFiles) {
        Bytes data;
        BrushAsset b;
        const char* message = nullptr;
        if (readWholeFile(joinPath(brushDir, f), data) != 0) message = "cannot be read";
        if (!message) message = decodeBrush(data, 0, b);
        if (message) {
            sheet.problems.push_back("Brushes/" + f + ": " + message);
            continue;
        }
        const int cx = kMargin + (index % kBrushColumns) * kBrushCell;
        const int cy = y + (index / kBrushColumns) * kBrushCellHeight;
        const Gradient& g = *palette[size_t(index) % palette.size()];
        const Rgb* brushColours = b.ownColourCount ? b.ownColours.data() : g.colours.data();
        const Colours colours{brushColours, g.colours.data() + kGradientHalf};
        const Rgb maskColour = colours(b.ownColourCount ? kFillRangeFirst : kBrushRangeFirst + 45);
        c.fillRect(cx, cy, kBrushCell - 6, kBrushCellHeight - 8, kPanel);
        const int fw = std::max<int>(1, b.frameWidth), fh = std::max<int>(1, b.height);
        const double scale =
            std::min(3.0, std::min(double(kBrushBox) / fw, double(kBrushBox) / fh));
        drawFrame(c, b, 0, cx + (kBrushCell - 6 - int(fw * scale)) / 2,
                  cy + 6 + (kBrushBox - int(fh * scale)) / 2, scale, colours, maskColour);
        // The first frames of the cycle in small, and the beat frame last when there is one.
        const int frames = std::max<int>(1, b.frameCount);
        const int shown = std::min(frames, 6);
        const double small = std::min(20.0 / fw, 20.0 / fh);
        for (int k = 0; k < shown; ++k) {
            const int frame = (k == shown - 1 && b.beatFrame) ? frames - 1 : k * frames / shown;
            drawFrame(c, b, frame, cx + 4 + k * 24, cy + kBrushBox + 14, small, colours,
                      maskColour);
        }
        c.text(cx + 4, cy + kBrushBox + 40, stem(f), kText);
        std::string traits = std::to_string(frames) + (frames == 1 ? " frame" : " frames");
        if (b.beatFrame) traits += ", beat";
        if (b.palindrome) traits += ", palin.";
        if (b.hasMask()) traits += ", mask";
        if (b.ownColourCount) traits += ", own";
        c.text(cx + 4, cy + kBrushBox + 58, traits, kDim, FontId::Small);
        ++index;
        ++sheet.brushes;
    }
    y += rows(size_t(index), kBrushColumns) * kBrushCellHeight + 14;

    c.text(kMargin, y, "Fills", kText);
    y += 26;
    const FillGeometry reference{320, 240, Rect{0, 0, 640, 480}};
    index = 0;
    for (const auto& f : fillFiles) {
        Bytes data;
        FillAsset fill;
        const char* message = nullptr;
        if (readWholeFile(joinPath(fillDir, f), data) != 0) message = "cannot be read";
        if (!message) message = decodeFill(data, reference, 0, fill);
        if (message) {
            sheet.problems.push_back("Fills/" + f + ": " + message);
            continue;
        }
        const int cx = kMargin + (index % kFillColumns) * kFillCell;
        const int cy = y + (index / kFillColumns) * kFillCellHeight;
        const Gradient& g = *palette[size_t(index + 3) % palette.size()];
        const Rgb* fillColours =
            fill.ownColourCount ? fill.ownColours.data() : g.colours.data() + kGradientHalf;
        const Colours colours{g.colours.data(), fillColours};
        const Surface& s = fill.surface;
        const bool tile = fill.kind == fil::kTileTag;
        // Full fills are shown whole, scaled down; tiles repeat at their own size.
        for (int j = 0; j < kFillH; ++j)
            for (int i = 0; i < kFillW; ++i) {
                int sx, sy;
                if (tile) {
                    sx = i % std::max(1, s.width());
                    sy = j % std::max(1, s.height());
                } else {
                    sx = fill.source.left + i * fill.source.width() / kFillW;
                    sy = fill.source.top + j * fill.source.height() / kFillH;
                }
                c.set(cx + i, cy + j, colours(s.at(sx, sy)));
            }
        c.text(cx, cy + kFillH + 6, stem(f), kText);
        const std::string traits =
            std::string(tile ? "tile " : "full ") + std::to_string(fill.width) + " x " +
            std::to_string(fill.height) + (fill.ownColourCount ? ", own" : "");
        c.text(cx + c.textWidth(stem(f)) + 10, cy + kFillH + 9, traits, kDim, FontId::Small);
        ++index;
        ++sheet.fills;
    }
    y += rows(size_t(index), kFillColumns) * kFillCellHeight + 14;

    c.text(kMargin, y, "Gradients (brush half above, fill half below)", kText);
    y += 26;
    index = 0;
    for (const auto& [name, g] : gradients) {
        const int cx = kMargin + (index % kGradientColumns) * kGradientCell;
        const int cy = y + (index / kGradientColumns) * kGradientCellHeight;
        const int barW = kGradientCell - 20;
        for (int half = 0; half < 2; ++half)
            for (int i = 0; i < barW; ++i) {
                const Rgb col = g.colours[size_t(half * kGradientHalf + i * kGradientHalf / barW)];
                for (int j = 0; j < 14; ++j) c.set(cx + i, cy + 20 + half * 16 + j, col);
            }
        c.text(cx, cy, name, kText);
        ++index;
        ++sheet.gradients;
    }
    sheet.image = c.take();
    return sheet;
}

}  // namespace korel::art
