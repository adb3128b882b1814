#include "controls/layout.h"

#include <algorithm>

#include "persist/visual_state.h"
#include "triggers/triggers.h"

namespace korel {

int topRowActions(Edition edition, std::array<TopAction, kTopButtons>& out) {
    using A = TopAction;
    static constexpr std::array<TopAction, kTopButtons> player{
        A::Quit,      A::EjectOrLoad,     A::PreviousTrack,   A::Rewind, A::Stop,
        A::PlayPause, A::FastForward,     A::NextTrack,       A::Listening,
        A::ProgramSettings, A::AnimationWindow, A::Trails, A::EraseTrails, A::Help};
    static constexpr std::array<TopAction, kTopButtons> live{
        A::Quit,      A::PreviousStyle,   A::Stop,    A::PlayPause,   A::NextStyle,
        A::Listening, A::ProgramSettings, A::AnimationWindow, A::Trails, A::EraseTrails,
        A::Help,      A::Help,            A::Help,    A::Help};
    if (edition == Edition::LIVE) {
        out = live;
        return 11;
    }
    out = player;
    return 14;
}

int topButtonAt(Point p, int count, bool expanded) {
    if (p.y > 18 || p.x < 2) return -1;
    const int i = (p.x - 2) / 19;
    if (i >= count) return -1;
    if (i >= 11 && !expanded) return -1;
    return i;
}

const std::vector<BoxLayout>& boxLayouts() {
    static const std::vector<BoxLayout> boxes{
        {Box::Files, Rect{211, 68, 266, 158}, Point{0, 0}, 0, -1, panel::Music, "FILES", 100},
        {Box::Gradients, Rect{273, 68, 395, 243}, Point{273, 243}, 87, kKindGradient,
         panel::Gradient, "GRADIENTS", 103},
        {Box::Colors, Rect{7, 165, 137, 243}, Point{7, 243}, 95, kKindColor, panel::Color,
         "COLORS", 101},
        {Box::BeatMeter, Rect{144, 165, 266, 243}, Point{144, 243}, 0, -1, panel::Tempo,
         "BEAT METER", 102},
        {Box::Fills, Rect{7, 250, 137, 453}, Point{7, 453}, 95, kKindFill, panel::Fill, "FILLS",
         104},
        {Box::Brushes, Rect{144, 250, 266, 453}, Point{144, 453}, 87, kKindBrush, panel::Brush,
         "BRUSHES", 105},
        {Box::Movements, Rect{273, 250, 395, 453}, Point{273, 453}, 87, kKindMovement,
         panel::Movement, "MOVEMENTS", 106},
    };
    return boxes;
}

const BoxLayout* boxLayout(Box box) {
    for (const BoxLayout& b : boxLayouts())
        if (b.box == box) return &b;
    return nullptr;
}

Rect rowRect(Box box, int slot) {
    switch (box) {
        case Box::Gradients:
            return Rect{kGradientRows.left, kGradientRows.top + slot * kGradientRowHeight,
                        kGradientRows.right, kGradientRows.top + (slot + 1) * kGradientRowHeight};
        case Box::Fills:
        case Box::Brushes:
        case Box::Movements: {
            const Rect area = box == Box::Fills ? kFillRows : box == Box::Brushes ? kBrushRows
                                                                                 : kMovementRows;
            return Rect{area.left, area.top + slot * kAssetRowHeight, area.right,
                        area.top + (slot + 1) * kAssetRowHeight};
        }
        default:
            return Rect{};
    }
}

int colourAt(int x) { return std::clamp((10 - x) * 121 / 112 + 122, 1, 120); }

int colourX(int colour) {
    // The left-most x whose pick is `colour`.
    for (int x = kBrushStrip.left; x < kBrushStrip.right; ++x)
        if (colourAt(x) <= colour) return x;
    return kBrushStrip.right - 1;  // colours 1 and 2 lie on the strip's right edge
}

namespace {

bool inside(const Rect& r, Point p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// A row selects its slot (the change code) except in its rightmost 10 pixels, which open the
// box's popup.
int rowHover(const Rect& row, Point p, int changeCode, int popupId) {
    return p.x >= row.right - 10 ? popupId : changeCode;
}

}  // namespace

Hit hitTest(Point p, Edition edition, bool expanded) {
    const bool live = edition == Edition::LIVE;
    const int dy = live ? -20 : 0;
    const Rect panelArea{kPanelArea.left, kPanelArea.top + dy, kPanelArea.right,
                         kPanelArea.bottom + dy};
    // The collapsed window: the title line's song and rave fields and the settings panel.
    if (!live && inside(kSongField, p)) return Hit{HitKind::SongField, 0, kSongField, popup::Songs};
    if (!live && inside(kRaveField, p)) return Hit{HitKind::RaveField, 0, kRaveField, popup::Raves};
    // The panel area holds its "Settings" field, which the panels draw and click.
    if (inside(panelArea, p)) return Hit{HitKind::PanelArea, 0, panelArea, 0};
    if (!expanded) return Hit{};

    if (inside(kStyleField, p)) return Hit{HitKind::StyleField, 0, kStyleField, popup::Styles};
    if (inside(kManualButton, p)) return Hit{HitKind::ManualButton, 0, kManualButton, hover::ManualButton};
    for (const BoxLayout& b : boxLayouts()) {
        if (b.box == Box::Files && live) continue;
        const Rect title{b.rect.left + 3, b.rect.top + 3, b.rect.left + 23, b.rect.top + 23};
        if (inside(title, p)) return Hit{HitKind::BoxTitle, int(b.box), title, b.panelId};
        if (b.box == Box::BeatMeter || b.kind >= 0) {
            const Rect counter = beatCounterRect(b.anchor);
            if (inside(counter, p))
                return Hit{HitKind::BeatCounter, int(b.box), counter,
                           b.box == Box::BeatMeter ? 600 : b.hoverCode + 500};
        }
        if (b.kind >= 0) {
            const Rect threshold = thresholdMeterRect(b.anchor);
            const Rect mode = modeButtonRect(b.anchor, b.modeOffset);
            if (inside(mode, p)) return Hit{HitKind::ModeButton, int(b.box), mode, b.hoverCode + 520};
            if (inside(threshold, p))
                return Hit{HitKind::ThresholdMeter, int(b.box), threshold, b.hoverCode + 510};
        }
    }
    if (!live && inside(kFilesButton, p))
        return Hit{HitKind::FilesButton, 0, kFilesButton,
                   edition == Edition::CD ? popup::CdDrives : hover::LoadButton};
    for (int slot = 0; slot < kGradientSlots; ++slot) {
        const Rect row = rowRect(Box::Gradients, slot);
        if (inside(row, p))
            return Hit{HitKind::GradientRow, slot, row, rowHover(row, p, kChangeGradient, popup::Gradients)};
        const Rect button{kGradientPreviewButtons.left, row.top, kGradientPreviewButtons.right,
                          row.bottom};
        if (inside(button, p)) return Hit{HitKind::GradientPreview, slot, button, hover::GradientPreview};
    }
    // The strips take their right edge too: that is where colour 1 lies.
    const Rect brushStrip{kBrushStrip.left, kBrushStrip.top, kBrushStrip.right + 1, kBrushStrip.bottom};
    const Rect fillStrip{kFillStrip.left, kFillStrip.top, kFillStrip.right + 1, kFillStrip.bottom};
    if (inside(brushStrip, p)) return Hit{HitKind::ColourStrip, 0, brushStrip, 2};
    if (inside(fillStrip, p)) return Hit{HitKind::ColourStrip, 1, fillStrip, 3};
    if (inside(kBrushEffectButton, p))
        return Hit{HitKind::ColourEffect, 0, kBrushEffectButton, popup::BrushColourEffects};
    if (inside(kFillEffectButton, p))
        return Hit{HitKind::ColourEffect, 1, kFillEffectButton, popup::FillColourEffects};
    if (inside(kBeatIndicator, p)) return Hit{HitKind::BeatIndicator, 0, kBeatIndicator, hover::BeatIndicator};
    if (inside(kVolumeButton, p)) return Hit{HitKind::VolumeButton, 0, kVolumeButton, hover::ListenVolume};
    if (inside(kFrequencyButton, p)) return Hit{HitKind::FrequencyButton, 0, kFrequencyButton, hover::ListenFrequency};
    if (inside(kEffectButton, p)) return Hit{HitKind::EffectButton, 0, kEffectButton, popup::BrushEffects};
    for (int slot = 0; slot < kFillSlots; ++slot) {
        const Rect f = rowRect(Box::Fills, slot), b = rowRect(Box::Brushes, slot),
                   m = rowRect(Box::Movements, slot);
        if (inside(f, p)) return Hit{HitKind::FillRow, slot, f, rowHover(f, p, kChangeFill, popup::Fills)};
        if (inside(b, p))
            return Hit{HitKind::BrushRow, slot, b, rowHover(b, p, kChangeBrush, popup::Brushes)};
        if (inside(m, p))
            return Hit{HitKind::MovementRow, slot, m, rowHover(m, p, kChangeMovement, popup::Movements)};
    }
    return Hit{};
}

}  // namespace korel
