// The hover help: which control the cursor rests on, worked out every frame tick in a fixed
// order (top row, title line, the settings panel, the boxes and their trigger widgets), and,
// when it changed, its title in the shortcut help display and its whole text in the help window.
#include "controls/controls.h"
#include "controls/help_texts.h"
#include "controls/text_entry.h"
#include "persist/visual_state.h"

namespace korel {

namespace {

constexpr Rect kShortcutDisplay{270, 6, 399, 16};
constexpr Point kShortcutTitleAt{272, 14};
// The recording light with its "Recording Status: ..." words.
constexpr Rect kRecordingStatus{212, 47, 340, 60};

}  // namespace

int Controls::hoverIdAt(Point p) {
    const bool expanded = state_.drawnExpanded;
    if (p.y >= 2) {
        const int i = topButtonAt(p, topCount_, expanded);
        if (i >= 0) {
            const bool playPause = topActions_[size_t(i)] == TopAction::PlayPause;
            return hover::topButton(i, playPause && host_.playing() && !host_.paused());
        }
    }
    if (expanded && kShortcutDisplay.contains(p.x, p.y)) return hover::ShortcutDisplay;
    const Hit hit = hitTest(p, services_.edition(), expanded);
    switch (hit.kind) {
        case HitKind::None:
            break;
        case HitKind::PanelArea:
            return panels_->hoverAt(p);
        case HitKind::BoxTitle:
            // BEAT METER's title button shows the panel of the listening state.
            if (Box(hit.arg) == Box::BeatMeter)
                return host_.visual().switchOn(vs::kSwitchListening) ? panel::Frequency
                                                                     : panel::Tempo;
            return hit.hoverId;
        default:
            return hit.hoverId;
    }
    if (!expanded) return hover::NoControl;
    // Displays that take no click.
    const bool live = view_.live();
    if (!live && kRecordingStatus.contains(p.x, p.y)) return hover::RecordingLight;
    if (kGradientPreviewStrip.contains(p.x, p.y)) return hover::GradientPreviewDisplay;
    if (kBeatMeter.contains(p.x, p.y)) return hover::BeatMeter;
    if (!live && kTrackDisplay.contains(p.x, p.y)) return hover::TrackNumber;
    return hover::NoControl;
}

void Controls::updateHover() {
    if (!state_.visible || view_.window() == kNoWindow) return;
    const Point p = clientCursor();
    hoverPreview(p);
    refreshHover(p);
}

void Controls::refreshHover(Point p) {
    const Rect client = clientRect(state_.drawnExpanded);
    const int id = client.contains(p.x, p.y) ? hoverIdAt(p) : hover::Nothing;
    if (id == state_.hoverId) return;
    // Outside the window with the animation hidden there is nothing to say.
    if (id == hover::Nothing && !host_.animationShown()) return;
    state_.hoverId = id;

    HelpContext ctx;
    ctx.edition = services_.edition();
    ctx.panel = state_.panel;
    if (id == hover::TotalTime) ctx.discPresent = host_.discPresent();
    if (id == hover::TextField) ctx.entryLimit = panels::entryLimit(state_.entryPurpose);
    if (id == hover::ParameterSlider) {
        int min = 0, max = 0;
        if (!host_.movementParameter(state_.parameterSlot, state_.parameter, parameterName_, min,
                                     max))
            parameterName_.clear();
        ctx.parameterName = parameterName_;
    }
    if (helpText_.capacity() < kHelpTextCapacity) helpText_.reserve(kHelpTextCapacity);
    korel::helpText(id, ctx, helpText_);
    ++hoverRedraws_;
    if (state_.drawnExpanded) {
        drawHoverTitle();
        view_.present(kShortcutDisplay);
    }
    if (host_.helpOpen()) host_.showHelpText(helpText_);
}

void Controls::drawHoverTitle() {
    Surface& c = view_.canvas();
    c.fillRect(kShortcutDisplay, cc::LightField);
    const Rect clip = c.clip();
    c.setClip(intersect(kShortcutDisplay, clip));
    view_.text(kShortcutTitleAt.x, kShortcutTitleAt.y, helpTitle(helpText_), cc::Black);
    c.setClip(clip);
}

}  // namespace korel
