// The previews of the popups: the preview panel over the settings panel area and, while the
// cursor rests on a file row, the file's picture, colours or description; the cycling gradient
// preview of the gradient popup and of the GRADIENTS box's preview buttons.
#include <algorithm>

#include "assets/assets.h"
#include "controls/controls.h"
#include "controls/layout.h"
#include "controls/panel_table.h"
#include "controls/popups.h"

namespace korel {

namespace {

constexpr uint32_t kCycleMs = 50;
constexpr int kCycleStep = 3;
constexpr int kPreviewEntries = 45;
constexpr uint8_t kFirstPreviewEntry = 201;

const char* previewTitle(AssetKind k) {
    switch (k) {
        case AssetKind::Fill: return "FILL PREVIEW";
        case AssetKind::Brush: return "BRUSH PREVIEW";
        case AssetKind::Movement: return "MOVEMENT PREVIEW";
        case AssetKind::Gradient: return "GRADIENT PREVIEW";
        case AssetKind::ColourEffect: return "COLOR EFF. PREVIEW";
        case AssetKind::BrushEffect: return "BRUSH EFF. PREVIEW";
    }
    return "";
}

int previewIcon(AssetKind k) {
    switch (k) {
        case AssetKind::Fill: return boxpic::Fills;
        case AssetKind::Brush:
        case AssetKind::BrushEffect: return boxpic::Brushes;
        case AssetKind::Movement: return boxpic::Movements;
        case AssetKind::Gradient: return boxpic::Gradients;
        case AssetKind::ColourEffect: return boxpic::Colors;
    }
    return boxpic::Colors;
}

// The places of the preview panel (before the LIVE edition's shift).
constexpr Rect kNameLine{13, 95, 201, 107};
constexpr Rect kField{12, 108, 201, 156};
constexpr Rect kPictureStrip{13, 108, 77, 156};
constexpr Point kFactsAt{82, 117};
constexpr Rect kMovementStrip{13, 110, 43, 152};
constexpr Rect kMovementText{43, 110, 198, 152};
constexpr Rect kGradientStrip{15, 112, 196, 150};
constexpr Rect kColourEffectText{13, 110, 119, 152};
constexpr Rect kBrushEffectText{13, 110, 143, 152};
constexpr int kLineStep = 11;

}  // namespace

Rect Popups::panelRect(const Rect& r) const {
    const int dy = view_.panelShift();
    return Rect{r.left, r.top + dy, r.right, r.bottom + dy};
}

void Popups::showPreviewPanel() {
    AssetKind kind;
    if (!popupPreviewKind(id_, kind)) return;
    previewPanel_ = true;
    Surface& c = view_.canvas();
    const Rect area = panelRect(panels::kArea);
    c.fillRect(area, cc::BoxBody);
    c.frameRect(area, cc::Green);
    const Rect t = kTitleButton(previewIcon(kind), false);
    copySurface(c, panels::kIconAt.x, panels::kIconAt.y + view_.panelShift(),
                view_.pictures().titleButtons, Rect{t.left + 2, t.top + 2, t.right - 2, t.bottom - 2});
    view_.text(panels::kTitleAt.x, panels::kTitleAt.y + view_.panelShift(), previewTitle(kind),
               cc::Black);
    view_.present(area);
}

void Popups::clearPreviewField() {
    if (!previewPanel_) return;
    Surface& c = view_.canvas();
    const Rect r = panelRect(Rect{kNameLine.left, kNameLine.top, kField.right, kField.bottom});
    c.fillRect(r, cc::BoxBody);
    view_.present(r);
}

void Popups::wrappedText(const Rect& box, std::string_view text) {
    Surface& c = view_.canvas();
    Fonts& f = view_.fonts();
    const Rect clip = c.clip();
    c.setClip(intersect(box, clip));
    const int width = box.width() - 4;
    int baseline = box.top + 10;
    std::string line;
    auto flush = [&] {
        view_.text(box.left + 2, baseline, line, cc::Black);
        baseline += kLineStep;
        line.clear();
    };
    size_t i = 0;
    while (i < text.size() && baseline < box.bottom + kLineStep) {
        if (text[i] == '\r' || text[i] == '\n') {
            flush();
            ++i;
            continue;
        }
        size_t end = i;
        while (end < text.size() && text[end] != ' ' && text[end] != '\r' && text[end] != '\n') ++end;
        const std::string word(text.substr(i, end - i));
        const std::string joined = line.empty() ? word : line + " " + word;
        if (!line.empty() && f.textWidth(FontId::Small, joined) > width) {
            flush();
            line = word;
        } else {
            line = joined;
        }
        i = end;
        while (i < text.size() && text[i] == ' ') ++i;
    }
    if (!line.empty()) flush();
    c.setClip(clip);
}

void Popups::setPreviewColours(const std::vector<Rgb>& colours, size_t first) {
    if (colours.empty()) return;
    Palette& p = view_.services().display().palette;
    for (int i = 0; i < kPreviewEntries; ++i) {
        const Rgb& rgb = colours[(first + size_t(i)) % colours.size()];
        PaletteEntry& e = p[size_t(kFirstPreviewEntry + i)];
        e.r = rgb.r;
        e.g = rgb.g;
        e.b = rgb.b;
    }
    view_.services().pushPalette();
}

void Popups::drawGradientStrip(const Rect& at) {
    // Stripe i shows entry 245 - i, so the cycle moves the colours towards the start.
    Surface& c = view_.canvas();
    const bool across = at.width() >= at.height();
    const int length = across ? at.width() : at.height();
    for (int i = 0; i < kPreviewEntries; ++i) {
        const int a = i * length / kPreviewEntries;
        const int b = (i + 1) * length / kPreviewEntries;
        const Rect stripe = across ? Rect{at.left + a, at.top, at.left + b, at.bottom}
                                   : Rect{at.left, at.top + a, at.right, at.top + b};
        c.fillRect(stripe, uint8_t(245 - i));
    }
    view_.present(at);
}

void Popups::cycleGradient(uint32_t now) {
    if (gradient_.empty() || now - nextCycle_ > 0x80000000u) return;
    cycleStart_ = (cycleStart_ + kCycleStep) % int(gradient_.size());
    nextCycle_ = now + kCycleMs;
    setPreviewColours(gradient_, size_t(cycleStart_));
    view_.present(cycleStrip_);
}

void Popups::preview(int index) {
    AssetKind kind;
    if (!popupPreviewKind(id_, kind) || !previewPanel_) return;
    clearPreviewField();
    const std::string& name = items_[size_t(index)].text;
    Surface& c = view_.canvas();
    view_.text(kNameLine.left, 104 + view_.panelShift(), shownText(name), cc::Black);
    AssetPreview p;
    const bool ok = view_.host().previewAsset(kind, name, p);
    switch (kind) {
        case AssetKind::Fill:
        case AssetKind::Brush: {
            const Rect strip = panelRect(kPictureStrip);
            c.fillRect(strip, cc::Black);
            const Point at = Point{kFactsAt.x, kFactsAt.y + view_.panelShift()};
            const std::string& lines = ok ? p.facts : p.failure;
            int baseline = at.y;
            size_t start = 0;
            while (start <= lines.size()) {
                size_t end = lines.find('\r', start);
                if (end == std::string::npos) end = lines.size();
                const Rect clip = c.clip();
                c.setClip(intersect(panelRect(Rect{at.x, kField.top, kField.right, kField.bottom}), clip));
                view_.text(at.x, baseline, lines.substr(start, end - start), cc::Black);
                c.setClip(clip);
                baseline += kLineStep;
                start = end + 1;
            }
            if (ok && !p.picture.empty()) {
                setPreviewColours(p.colours, 0);
                // The picture through the 128 x 48 preview surface, centred in the strip.
                const int w = std::min(p.picture.width(), strip.width());
                const int h = std::min(p.picture.height(), strip.height());
                copySurface(c, strip.left + (strip.width() - w) / 2, strip.top + (strip.height() - h) / 2,
                            p.picture, Rect{0, 0, w, h});
            }
            break;
        }
        case AssetKind::Movement:
            c.fillRect(panelRect(kMovementStrip), cc::Black);
            wrappedText(panelRect(kMovementText), ok ? p.description : p.failure);
            break;
        case AssetKind::Gradient:
            if (!ok || p.colours.empty()) {
                wrappedText(panelRect(Rect{13, 110, 198, 152}), p.failure);
                break;
            }
            gradient_ = p.colours;
            cycleStart_ = 0;
            cycleStrip_ = panelRect(kGradientStrip);
            nextCycle_ = view_.platform().tickCount() + kCycleMs;
            setPreviewColours(gradient_, 0);
            drawGradientStrip(cycleStrip_);
            break;
        case AssetKind::ColourEffect:
        case AssetKind::BrushEffect: {
            const Rect field =
                panelRect(kind == AssetKind::ColourEffect ? kColourEffectText : kBrushEffectText);
            c.fillRect(field, cc::White);
            wrappedText(field, ok ? p.description : p.failure);
            break;
        }
    }
    view_.present(panelRect(panels::kArea));
}

void Popups::previewGradientButton(int slot, const Rect& button) {
    if (isOpen() || slot < 0 || slot >= kGradientSlots) return;
    AssetPreview p;
    const std::string name = view_.host().visual().name(VisualState::gradientName(slot));
    if (!view_.host().previewAsset(AssetKind::Gradient, name, p) || p.colours.empty()) {
        if (!p.failure.empty()) view_.services().showAlert(p.failure);
        return;
    }
    buttonSlot_ = slot;
    button_ = button;
    gradient_ = p.colours;
    cycleStart_ = 0;
    cycleStrip_ = kGradientPreviewStrip;
    nextCycle_ = view_.platform().tickCount() + kCycleMs;
    setPreviewColours(gradient_, 0);
    drawGradientStrip(cycleStrip_);
}

}  // namespace korel
