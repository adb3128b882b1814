// The boxes of the expanded window: their static background in "ControlsWorld", the rows of
// the asset boxes, the colour strips, the BEAT METER box's buttons, the trigger widgets
// (threshold meters, beat counters, sensitivity meter, trigger-mode buttons) and their clicks.
#include <algorithm>
#include <string>

#include "controls/controls.h"
#include "persist/visual_state.h"
#include "sound/sound.h"
#include "triggers/triggers.h"

namespace korel {

namespace {

// The picture of each box's title button in the strip of box buttons.
int titleImage(Box box) {
    switch (box) {
        case Box::Files: return boxpic::Files;
        case Box::Gradients: return boxpic::Gradients;
        case Box::Colors: return boxpic::Colors;
        case Box::BeatMeter: return boxpic::BeatMeter;
        case Box::Fills: return boxpic::Fills;
        case Box::Brushes: return boxpic::Brushes;
        case Box::Movements: return boxpic::Movements;
    }
    return boxpic::Files;
}

const char* modeLabel(int mode) {
    switch (mode) {
        case kModeFixed: return "fix.";
        case kModeRandomSelection: return "rnd.";
        case kModeSequentialSelection: return "seq.";
        case kModeRandomFile: return "file";
        case kModeSequentialFile: return "sfile";
        case kModeRandomStyle: return "rsty";
        case kModeSequentialStyle: return "ssty";
        default: return "";
    }
}

int modePopup(Box box) {
    switch (box) {
        case Box::Fills: return popup::FillModes;
        case Box::Gradients: return popup::GradientModes;
        case Box::Colors: return popup::ColorModes;
        case Box::Brushes: return popup::BrushModes;
        default: return popup::MovementModes;
    }
}

// A small bevelled button face drawn by code (the fixed-size buttons of the boxes).
void bevel(Surface& s, const Rect& r, bool down) {
    s.fillRect(r, cc::BoxBody);
    s.frameRect(r, cc::Black);
    const uint8_t light = down ? cc::Grey97 : cc::White;
    const uint8_t dark = down ? cc::White : cc::Grey97;
    s.hline(r.left + 1, r.right - 1, r.top + 1, light);
    s.vline(r.left + 1, r.top + 1, r.bottom - 1, light);
    s.hline(r.left + 1, r.right - 1, r.bottom - 2, dark);
    s.vline(r.right - 2, r.top + 1, r.bottom - 1, dark);
}

Rect shifted(const Rect& r, int dx, int dy) {
    return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

}  // namespace

// --- The static background ----------------------------------------------------------------------

void Controls::buildControlsWorld() {
    Surface& w = controlsWorld_;
    w.resetClip();
    w.fill(cc::Background);
    const int ox = -kControlsWorldAt.x, oy = -kControlsWorldAt.y;
    Fonts& fonts = view_.fonts();
    auto label = [&](int x, int baseline, std::string_view s, uint8_t colour) {
        fonts.drawRun(w, FontId::Small, x + ox, baseline + oy - fonts.ascent(FontId::Small), s,
                      colour);
    };
    // The title line's labels.
    if (!view_.live()) {
        label(10, 37, "Song:", cc::White);
        label(10, 57, "Rave:", cc::White);
    }
    label(273, 37, "Style:", cc::White);
    // The settings panel area.
    const int dy = view_.panelShift();
    view_.boxBody(w, shifted(kPanelArea, ox, oy + dy));
    w.fillRect(shifted(kPanelInterior, ox, oy + dy), cc::LightField);
    for (const BoxLayout& b : boxLayouts()) {
        if (b.box == Box::Files && view_.live()) continue;
        view_.boxBody(w, shifted(b.rect, ox, oy));
        copySurface(w, b.rect.left + 3 + ox, b.rect.top + 3 + oy, pictures_.titleButtons,
                    kTitleButton(titleImage(b.box), false));
        label(b.rect.left + 26, b.rect.top + 17, b.title, cc::Black);
        if (b.kind >= 0)
            copySurface(w, b.anchor.x + 4 + ox, b.anchor.y - 25 + oy, pictures_.scale,
                        pictures_.scale.bounds());
    }
    if (!view_.live()) {
        label(kTrackDisplay.left, kTrackDisplay.top - 3,
              services_.edition() == Edition::CD ? "Track:" : "Song:", cc::Black);
    }
    // The COLORS box's row labels over the strips' left ends, and the BEAT METER's labels.
    label(147, 225, "Sensitivity:", cc::Black);
    label(219, 241, "Maximum", cc::Black);
    // The gradient preview buttons.
    for (int slot = 0; slot < kGradientSlots; ++slot) {
        const Rect row = rowRect(Box::Gradients, slot);
        bevel(w, shifted(Rect{kGradientPreviewButtons.left, row.top + 1, kGradientPreviewButtons.right,
                              row.bottom - 1}, ox, oy), false);
    }
    w.fillRect(shifted(kGradientPreviewStrip, ox, oy), cc::Black);
}

// --- Rows -------------------------------------------------------------------------------------------

void Controls::drawRows(Box box) {
    const VisualState& vs = host_.visual();
    int slots = 0, current = 0;
    size_t (*nameAt)(int) = nullptr;
    switch (box) {
        case Box::Gradients:
            slots = kGradientSlots;
            current = vs.get(vs::CurrentGradient);
            nameAt = &VisualState::gradientName;
            break;
        case Box::Fills:
            slots = kFillSlots;
            current = vs.get(vs::CurrentFill);
            nameAt = &VisualState::fillName;
            break;
        case Box::Brushes:
            slots = kBrushSlots;
            current = vs.get(vs::CurrentBrush);
            nameAt = &VisualState::brushName;
            break;
        case Box::Movements:
            slots = kMovementSlots;
            current = vs.get(vs::CurrentMovement);
            nameAt = &VisualState::movementName;
            break;
        default:
            return;
    }
    Surface& c = view_.canvas();
    for (int slot = 0; slot < slots; ++slot) {
        const Rect r = rowRect(box, slot);
        const bool isCurrent = slot + 1 == current;
        const Rect field{r.left, r.top + 1, r.right, r.bottom - 1};
        c.fillRect(r, cc::BoxBody);
        c.fillRect(field, isCurrent ? cc::Black : cc::LightField);
        if (isCurrent) c.frameRect(field, cc::Green);
        int textLeft = field.left + 4;
        const Surface* icon = box == Box::Fills     ? &fillIcons_[size_t(slot)]
                              : box == Box::Brushes ? &brushIcons_[size_t(slot)]
                              : box == Box::Movements ? &movementIcons_[size_t(slot)]
                                                      : nullptr;
        if (icon) {
            const int width = box == Box::Fills ? 32 : 24;
            const Rect well{field.left + 1, field.top, field.left + 1 + width, field.bottom};
            c.fillRect(well, box == Box::Brushes ? brushBackdrop_[size_t(slot)] : cc::Black);
            if (!icon->empty())
                copySurface(c, well.left, well.top + (well.height() - icon->height()) / 2, *icon,
                            icon->bounds());
            textLeft = well.right + 4;
        }
        const std::string name = vs.name(nameAt(slot));
        const bool empty = isNoneName(name) || name.empty();
        view_.textIn(Rect{textLeft, field.top, field.right - 12, field.bottom},
                     empty ? std::string_view(kNoneName) : std::string_view(name),
                     isCurrent ? cc::White : empty ? cc::Grey97 : cc::Black, Align::Left);
        copySurface(c, r.right - 11, r.top + (r.height() - 12) / 2, pictures_.marker,
                    kPopupMarker);
    }
}

void Controls::slotCell(AssetKind kind, int slot, const Surface* icon, uint8_t backdrop) {
    if (slot < 0 || slot >= 6) return;
    Box box = Box::Gradients;
    Surface* kept = nullptr;
    switch (kind) {
        case AssetKind::Fill: box = Box::Fills; kept = &fillIcons_[size_t(slot)]; break;
        case AssetKind::Brush:
            box = Box::Brushes;
            kept = &brushIcons_[size_t(slot)];
            brushBackdrop_[size_t(slot)] = backdrop;
            break;
        case AssetKind::Movement: box = Box::Movements; kept = &movementIcons_[size_t(slot)]; break;
        default: break;
    }
    if (kept) {
        if (!icon || icon->empty()) {
            kept->release();
        } else if (kind == AssetKind::Movement) {
            *kept = *icon;
        } else {
            // Fills (64 x 48) and brushes (48 x 48) show at half size.
            kept->resize(icon->width() / 2, icon->height() / 2);
            stretchSurface(*kept, kept->bounds(), *icon, icon->bounds());
        }
    }
    redrawRows(box);
}

void Controls::drawSlotIcon(AssetKind kind, int slot, Surface& canvas, Point at) {
    if (slot < 0 || slot >= 6) return;
    const Rect square{at.x, at.y, at.x + 16, at.y + 16};
    const bool brush = kind == AssetKind::Brush;
    const Surface& icon = brush ? brushIcons_[size_t(slot)] : movementIcons_[size_t(slot)];
    canvas.fillRect(square, brush ? brushBackdrop_[size_t(slot)] : cc::Black);
    if (!icon.empty()) stretchSurface(canvas, square, icon, icon.bounds());
}

void Controls::redrawRows(Box box) {
    if (!state_.visible || !state_.drawnExpanded) return;
    drawRows(box);
    const Rect first = rowRect(box, 0);
    const int slots = box == Box::Gradients ? kGradientSlots : kFillSlots;
    view_.present(Rect{first.left, first.top, first.right, rowRect(box, slots - 1).bottom});
}

// --- Colour strips ----------------------------------------------------------------------------------

void Controls::drawColourStrip(bool brushRow) {
    Surface& c = view_.canvas();
    const Rect strip = brushRow ? kBrushStrip : kFillStrip;
    // The range's own entries: the strip cycles with the palette.
    const int first = brushRow ? 21 : 111;
    for (int x = 0; x < strip.width(); ++x)
        c.vline(strip.left + x, strip.top, strip.bottom, uint8_t(first + x * 90 / strip.width()));
    const int colour = host_.visual().get(brushRow ? vs::BrushColour : vs::FillColour);
    if (colour >= 1 && colour <= 120) {
        const int x = colourX(colour);
        c.vline(x, strip.top, strip.bottom, cc::White);
        c.vline(x - 1, strip.top, strip.bottom, cc::Black);
        c.vline(x + 1, strip.top, strip.bottom, cc::Black);
    }
    // The row's label over the strip's left end, its background left out.
    const Rect label = kRowLabel(!brushRow);
    copySurface(c, strip.left + 1, strip.top, pictures_.rowLabels, label,
                keyed(pictures_.rowLabels.at(label.left, label.top)));
    const Rect button = brushRow ? kBrushEffectButton : kFillEffectButton;
    bevel(c, button, false);
    copySurface(c, button.left + 1, button.top, pictures_.marker, Rect{0, 0, 10, 11});
}

void Controls::redrawColourStrips() {
    if (!state_.visible || !state_.drawnExpanded) return;
    drawColourStrip(true);
    drawColourStrip(false);
    view_.present(Rect{kBrushStrip.left, kBrushStrip.top, kFillEffectButton.right,
                       kFillEffectButton.bottom});
}

// --- FILES and BEAT METER ---------------------------------------------------------------------------

void Controls::drawFilesBox() {
    Surface& c = view_.canvas();
    bevel(c, kFilesButton, false);
    view_.textIn(kFilesButton, services_.edition() == Edition::CD ? "Drive" : "Load", cc::Black);
    c.fillRect(kTrackDisplay, cc::Black);
    const int track = host_.trackNumber();
    if (track > 0) {
        const int shown = track % 100;
        copySurface(c, 227, 125, pictures_.digits, kDigit(shown / 10));
        copySurface(c, 240, 125, pictures_.digits, kDigit(shown % 10));
    }
}

void Controls::drawListenButtons() {
    Surface& c = view_.canvas();
    const bool volume = host_.visual().switchOn(vs::kSwitchVolume);
    for (int i = 0; i < 2; ++i) {
        const Rect r = i == 0 ? kVolumeButton : kFrequencyButton;
        const bool on = (i == 0) == volume;
        bevel(c, r, on);
        if (on) c.frameRect(r, cc::Green);
        view_.textIn(r, i == 0 ? "Vol." : "Fre.", on ? cc::Black : cc::Grey97);
    }
}

// --- Trigger widgets ---------------------------------------------------------------------------------

void Controls::drawTriggerWidgets(Box box) {
    const BoxLayout* b = boxLayout(box);
    if (!b) return;
    const VisualState& vs = host_.visual();
    Surface& c = view_.canvas();
    const Point a = b->anchor;
    const bool disabled = host_.triggers().manualMode() || host_.ravePlayback() != RavePlayback::None;
    const Rect counter = beatCounterRect(a);
    c.fillRect(Rect{counter.left, counter.top, b->rect.right - 2, counter.bottom}, cc::BoxBody);
    // The counter's (or the sensitivity meter's) track.
    c.fillRect(Rect{a.x + 4, a.y - 7, a.x + 71, a.y - 5}, cc::Black);
    c.hline(a.x + 4, a.x + 71, a.y - 5, cc::White);
    if (box == Box::BeatMeter) {
        const int position = std::clamp(64 - int(vs.get(vs::BeatSensitivity)), 0, 63);
        copySurface(c, counter.left + position + 1, counter.top, pictures_.widgets,
                    kKnobLook(false, true));
        return;
    }
    const int kind = b->kind;
    const int beats = std::min<int>(vs.get(vs::BeatsPerTrigger + size_t(kind)), 64);
    copySurface(c, counter.left + beats + 1, counter.top, pictures_.widgets,
                kKnobLook(false, !disabled));
    const std::string count = beats == 0 ? "Off" : std::to_string(beats) + (beats == 1 ? " beat" : " beats");
    view_.text(counter.left + 73, counter.bottom - 3, count, cc::Black);

    const Rect threshold = thresholdMeterRect(a);
    c.fillRect(threshold, cc::BoxBody);
    copySurface(c, a.x + 4, a.y - 25, pictures_.scale, pictures_.scale.bounds());
    const int level = std::min<int>(vs.get(vs::Thresholds + size_t(kind)), 64);
    copySurface(c, threshold.left + level + 1, threshold.top, pictures_.widgets,
                kMarkerUpper(!(disabled)));
    copySurface(c, threshold.left + level + 1, threshold.bottom - 6, pictures_.widgets,
                kMarkerLower(!(disabled)));

    const Rect mode = modeButtonRect(a, b->modeOffset);
    c.fillRect(mode, cc::Black);
    c.frameRect(mode, cc::LightField);
    view_.text(box == Box::Colors ? 104 : a.x + 89, a.y - 17,
               modeLabel(vs.get(vs::TriggerModes + size_t(kind))), cc::White);
}

void Controls::redrawTriggerWidgets(Box box) {
    if (!state_.visible || !state_.drawnExpanded) return;
    drawTriggerWidgets(box);
    const BoxLayout* b = boxLayout(box);
    if (b) view_.present(Rect{b->rect.left, b->anchor.y - 28, b->rect.right, b->anchor.y});
}

bool Controls::meterRefused(bool sensitivity) {
    (void)sensitivity;
    if (host_.triggers().manualMode()) {
        services_.showAlert(kManualSliderRefusal);
        return true;
    }
    switch (host_.ravePlayback()) {
        case RavePlayback::BeforeEnd:
            services_.showAlert(
                "Slider is disabled. You cannot use this feature while a rave is attached and the "
                "song has not exceeded the length of the rave.");
            return true;
        case RavePlayback::AfterRewind:
            services_.showAlert(
                "Slider is disabled. You cannot use this feature after rewinding until the song has "
                "passed the rewind point.");
            return true;
        case RavePlayback::None:
            break;
    }
    return false;
}

void Controls::meterPress(const Hit& hit, Point p) {
    const Box box = Box(hit.arg);
    const BoxLayout* b = boxLayout(box);
    if (!b) return;
    const bool sensitivity = box == Box::BeatMeter;
    if (meterRefused(sensitivity)) return;
    VisualState& vs = host_.visual();
    const int left = b->anchor.x + 4;
    const int most = sensitivity ? 63 : 64;
    auto position = [left, most](Point q) { return std::clamp(q.x - left, 0, most); };
    size_t offset = 0;
    if (sensitivity) {
        offset = vs::BeatSensitivity;
    } else if (hit.kind == HitKind::BeatCounter) {
        offset = vs::BeatsPerTrigger + size_t(b->kind);
    } else {
        offset = vs::Thresholds + size_t(b->kind);
    }
    auto store = [this, box, offset, sensitivity, position](Point q) {
        const int pos = position(q);
        host_.visual().set(offset, uint8_t(sensitivity ? 64 - pos : pos));
        redrawTriggerWidgets(box);
    };
    store(p);
    Tracker t;
    t.move = store;
    const bool counter = hit.kind == HitKind::BeatCounter && !sensitivity;
    const int kind = b->kind;
    t.release = [this, store, counter, kind, offset](Point q) {
        store(q);
        if (counter) host_.triggers().beatCounterChanged(kind);
        host_.settingStored(offset);
    };
    (void)vs;
    view_.track(std::move(t));
}

// --- Clicks in the title line and the boxes ---------------------------------------------------------

void Controls::boxClick(const Hit& hit, Point p, int modifier) {
    VisualState& vs = host_.visual();
    switch (hit.kind) {
        case HitKind::None:
        case HitKind::SettingsButton:
            return;
        case HitKind::SongField:
            host_.openPopup(popup::Songs, -1, hit.rect);
            return;
        case HitKind::RaveField:
            host_.openPopup(popup::Raves, -1, hit.rect);
            return;
        case HitKind::StyleField:
            host_.openPopup(popup::Styles, -1, hit.rect);
            return;
        case HitKind::ManualButton:
            host_.setManualMode(!host_.triggers().manualMode());
            drawManualButton();
            view_.present(kManualButton);
            for (const BoxLayout& b : boxLayouts())
                if (b.kind >= 0) redrawTriggerWidgets(b.box);
            return;
        case HitKind::PanelArea:
            panels_->click(p, modifier);
            return;
        case HitKind::BoxTitle: {
            const Box box = Box(hit.arg);
            const BoxLayout* b = boxLayout(box);
            int target = b ? b->panelId : panel::Music;
            // BEAT METER shows the panel of the listening state at the moment of the click.
            if (box == Box::BeatMeter)
                target = vs.switchOn(vs::kSwitchListening) ? panel::Frequency : panel::Tempo;
            const Rect r = hit.rect;
            const int image = titleImage(box);
            pressThen(r,
                      [this, r, image](bool down) {
                          copySurface(view_.canvas(), r.left, r.top, pictures_.titleButtons,
                                      kTitleButton(image, down));
                      },
                      [this, target] { panels_->show(target); });
            return;
        }
        case HitKind::FilesButton:
            host_.filesButton();
            return;
        case HitKind::GradientRow:
        case HitKind::FillRow:
        case HitKind::BrushRow:
        case HitKind::MovementRow: {
            const int slot = hit.arg;
            if (p.x >= hit.rect.right - 10) {
                host_.openPopup(hit.hoverId, slot, hit.rect);
                return;
            }
            const int code = hit.kind == HitKind::GradientRow ? kChangeGradient
                             : hit.kind == HitKind::FillRow   ? kChangeFill
                             : hit.kind == HitKind::BrushRow  ? kChangeBrush
                                                              : kChangeMovement;
            host_.applyUserChange(code, slot + 1, modifier);
            return;
        }
        case HitKind::GradientPreview:
            host_.previewGradient(hit.arg);
            return;
        case HitKind::ColourStrip:
            host_.applyUserChange(hit.arg == 0 ? kChangeBrushColour : kChangeFillColour,
                                  colourAt(p.x), modifier);
            return;
        case HitKind::ColourEffect:
            host_.openPopup(hit.hoverId, -1, hit.rect);
            return;
        case HitKind::EffectButton:
            host_.openPopup(popup::BrushEffects, -1, hit.rect);
            return;
        case HitKind::BeatIndicator:
            host_.forceBeat();
            return;
        case HitKind::VolumeButton:
        case HitKind::FrequencyButton: {
            const bool volume = vs.switchOn(vs::kSwitchVolume);
            if (volume == (hit.kind == HitKind::VolumeButton)) return;  // already active
            host_.applyUserChange(kChangeSwitches, vs.get(vs::Switches) ^ vs::kSwitchVolume,
                                  modifier);
            return;
        }
        case HitKind::ThresholdMeter:
        case HitKind::BeatCounter:
            meterPress(hit, p);
            return;
        case HitKind::ModeButton:
            host_.openPopup(modePopup(Box(hit.arg)), -1, hit.rect);
            return;
    }
}

}  // namespace korel
