// The controls window: painting, the top row, the title line, showing and hiding, the window's
// size and the hover preview of Program Settings. The boxes of the expanded area are drawn and
// clicked in boxes.cpp; the settings panels live in panels.cpp.
#include "controls/controls.h"

#include <algorithm>

#include "persist/visual_state.h"
#include "sound/sound.h"
#include "triggers/triggers.h"

namespace korel {

namespace {

// The picture of each top-row action in the strip of 16 images.
int topImage(TopAction a, Edition edition) {
    switch (a) {
        case TopAction::Quit: return topimg::Quit;
        case TopAction::EjectOrLoad:
            return edition == Edition::CD ? topimg::Eject : topimg::LoadMusicFile;
        case TopAction::PreviousTrack:
        case TopAction::PreviousStyle: return topimg::PreviousTrack;
        case TopAction::Rewind: return topimg::Rewind;
        case TopAction::Stop: return topimg::Stop;
        case TopAction::PlayPause: return topimg::PlayPause;
        case TopAction::FastForward: return topimg::Fastforward;
        case TopAction::NextTrack:
        case TopAction::NextStyle: return topimg::NextTrack;
        case TopAction::Listening: return topimg::Listening;
        case TopAction::ProgramSettings: return topimg::Settings;
        case TopAction::AnimationWindow: return topimg::AnimationWindow;
        case TopAction::Trails: return topimg::Trails;
        case TopAction::EraseTrails: return topimg::EraseTrails;
        case TopAction::Help: return topimg::Help;
    }
    return topimg::Quit;
}

}  // namespace

Controls::Controls(Services& services, ControlsHost& host)
    : services_(services),
      host_(host),
      view_(services, host, pictures_, state_),
      panels_(std::make_unique<Panels>(view_)),
      popups_(std::make_unique<Popups>(*this)),
      keys_(std::make_unique<KeyCommands>(services, host, *this)) {
    topCount_ = topRowActions(services.edition(), topActions_);
    state_.panel = services.edition() == Edition::LIVE ? panel::Music : panel::Music;
}

Controls::~Controls() = default;

bool Controls::loadPictures(const std::string& folder, std::string& failure) {
    return loadControlPictures(folder, pictures_, failure);
}

bool Controls::attachWindow(WindowId window, std::string& failure) {
    view_.setWindow(window);
    preview_.resize(128, 48, 0);
    if (preview_.empty()) {
        failure = "Preview";
        return false;
    }
    controlsWorld_.resize(kControlsWorldWidth, kControlsWorldHeight, cc::Background);
    if (controlsWorld_.empty()) {
        failure = "ControlsWorld";
        return false;
    }
    paletteWorld_.resize(181, 38, 0);
    if (paletteWorld_.empty()) {
        failure = "PaletteWorld";
        return false;
    }
    buildPaletteWorld();
    buildControlsWorld();
    return true;
}

Rect Controls::clientRect(bool expanded) {
    return expanded ? Rect{0, 0, kExpandedWidth, kExpandedHeight}
                    : Rect{0, 0, kCollapsedWidth, kCollapsedHeight};
}

void Controls::buildPaletteWorld() {
    // 45 stripes of 4 pixels, stripe i in the preview entry 245 - i.
    for (int i = 0; i < 45; ++i)
        paletteWorld_.fillRect(Rect{i * 4, 0, i * 4 + 4, 38}, uint8_t(245 - i));
}

// --- Painting ---------------------------------------------------------------------------------

void Controls::paint() {
    if (view_.window() == kNoWindow) return;
    Surface& c = view_.canvas();
    c.resetClip();
    c.fill(cc::Background);
    for (int i = 0; i < topCount_; ++i)
        if (i < 11 || state_.drawnExpanded) drawTopButton(i);
    if (state_.drawnExpanded) {
        copySurface(c, kControlsWorldAt.x, kControlsWorldAt.y, controlsWorld_,
                    controlsWorld_.bounds());
        drawLive();
    } else {
        copySurface(c, kControlsWorldAt.x, kControlsWorldAt.y, controlsWorld_, Rect{0, 0, 199, 134});
        drawSongAndRaveFields();
    }
    panels_->draw();
    // The hover help is drawn again whatever the cursor rests on.
    state_.hoverId = -1;
    if (state_.drawnExpanded) drawHoverTitle();
    refreshHover(clientCursor());
    if (popups_->isOpen()) popups_->repaint();  // --- Popups ---
    platform().present(view_.window(), c.bounds());
}

void Controls::drawLive() {
    drawSongAndRaveFields();
    drawStyleField();
    drawManualButton();
    drawRecordingLight();
    if (!view_.live()) drawFilesBox();
    for (Box b : {Box::Gradients, Box::Fills, Box::Brushes, Box::Movements}) drawRows(b);
    drawColourStrip(true);
    drawColourStrip(false);
    drawListenButtons();
    for (const BoxLayout& b : boxLayouts())
        if (b.kind >= 0 || b.box == Box::BeatMeter) drawTriggerWidgets(b.box);
    // The beat meter starts over from an empty bar.
    ListenState& listen = host_.sound().listen;
    const bool listening = host_.visual().switchOn(vs::kSwitchListening);
    const bool replaying = host_.ravePlayback() != RavePlayback::None;
    view_.canvas().fillRect(kBeatMeter, (listening && !replaying) ? cc::Black : cc::Grey97);
    listen.drawnBeatMeter = 0;
    drawIndicator(false);
}

void Controls::drawIndicator(bool lit) {
    copySurface(view_.canvas(), kBeatIndicatorPicture.left, kBeatIndicatorPicture.top,
                lit ? pictures_.indicator : pictures_.indicatorOff, kIndicator);
}

void Controls::drawTopButton(int i) {
    if (i < 0 || i >= topCount_) return;
    const TopAction a = topActions_[size_t(i)];
    const VisualState& vs = host_.visual();
    bool on = false;
    int image = topImage(a, services_.edition());
    switch (a) {
        case TopAction::PlayPause: on = host_.playing() && !host_.paused(); break;
        case TopAction::Listening: on = vs.switchOn(vs::kSwitchListening); break;
        case TopAction::ProgramSettings: on = state_.drawnExpanded; break;
        case TopAction::AnimationWindow: on = host_.animationShown(); break;
        case TopAction::Trails: {
            on = vs.switchOn(vs::kSwitchTrails);
            const int brush = vs.get(vs::CurrentBrush);
            if (brush >= 1 && brush <= kBrushSlots &&
                vs.get(VisualState::attachment(brush - 1) + att::Trails) != kNone80)
                image = topimg::TrailsAttached;
            break;
        }
        case TopAction::Help: on = host_.helpOpen(); break;
        case TopAction::Quit: on = host_.quitting(); break;
        default: break;
    }
    if (state_.pressedTop == i) on = true;
    const Rect r = topButtonRect(i);
    const Rect from = kTopImage(image, on);
    copySurface(view_.canvas(), r.left, r.top, pictures_.topRow, from);
}

void Controls::redrawTopButton(TopAction action) {
    for (int i = 0; i < topCount_; ++i) {
        if (topActions_[size_t(i)] != action) continue;
        if (i >= 11 && !state_.drawnExpanded) continue;
        drawTopButton(i);
        view_.present(topButtonRect(i));
    }
}

void Controls::redrawTopRow() {
    if (!state_.visible) return;
    for (int i = 0; i < topCount_; ++i)
        if (i < 11 || state_.drawnExpanded) drawTopButton(i);
    view_.present(Rect{0, 0, kExpandedWidth, 20});
}

// --- The title line ---------------------------------------------------------------------------

void Controls::drawSongAndRaveFields() {
    if (view_.live()) return;
    Surface& c = view_.canvas();
    const std::string song = host_.songText();
    c.fillRect(kSongField, cc::Black);
    view_.textIn(Rect{kSongField.left + 3, kSongField.top, kSongField.right - 2, kSongField.bottom},
                 song, cc::LightGrey, Align::Left);
    c.fillRect(kRaveField, cc::Black);
    if (state_.raveBlinkOn) c.frameRect(kRaveField, cc::Green);
    if (!song.empty() || host_.trackNumber() > 0) {
        view_.textIn(Rect{kRaveField.left + 3, kRaveField.top, kRaveField.right - 2,
                          kRaveField.bottom},
                     host_.raveText(), cc::White, Align::Left);
    }
}

void Controls::drawStyleField() {
    Surface& c = view_.canvas();
    c.fillRect(kStyleField, cc::Black);
    view_.textIn(Rect{kStyleField.left + 3, kStyleField.top, kStyleField.right - 2,
                      kStyleField.bottom},
                 host_.visual().name(vs::StyleName), cc::White, Align::Left);
}

void Controls::drawManualButton() {
    Surface& c = view_.canvas();
    const bool on = host_.triggers().manualMode();
    c.fillRect(kManualButton, on ? cc::Black : cc::BoxBody);
    c.frameRect(kManualButton, on ? cc::Green : cc::Black);
    if (!on) {
        c.hline(kManualButton.left + 1, kManualButton.right - 1, kManualButton.top + 1, cc::White);
        c.vline(kManualButton.left + 1, kManualButton.top + 1, kManualButton.bottom - 1, cc::White);
    }
    view_.textIn(kManualButton, "Manual", on ? cc::Green : cc::Black);
}

void Controls::drawRecordingLight() {
    if (view_.live()) return;
    Surface& c = view_.canvas();
    const bool recording = host_.recording();
    c.fillRect(kRecordingLight, recording ? cc::Red : cc::Grey97);
    c.frameRect(kRecordingLight, cc::Black);
    c.fillRect(Rect{228, 47, 340, 60}, cc::Background);
    view_.text(228, 57, recording ? "Recording Status: ON" : "Recording Status: OFF", cc::White);
}

void Controls::redrawSongFields() {
    if (!state_.visible) return;
    redrawTitleLine();
    if (state_.drawnExpanded) {
        drawFilesBox();
        view_.present(Rect{kFilesButton.left, kFilesButton.top, kTrackDisplay.right, kTrackDisplay.bottom});
    }
    panels_->redrawIf(panel::Music);
}

void Controls::redrawTitleLine() {
    if (!state_.visible) return;
    drawSongAndRaveFields();
    if (state_.drawnExpanded) {
        drawStyleField();
        drawManualButton();
        drawRecordingLight();
        view_.present(Rect{0, 20, kExpandedWidth, 66});
    } else {
        view_.present(Rect{0, 20, kCollapsedWidth, 66});
    }
}

// --- Showing, hiding and the window's size -----------------------------------------------------

void Controls::show(bool activate) {
    Platform& pf = platform();
    state_.visible = true;
    if (state_.drawnExpanded != state_.settingsLock) setDrawnExpanded(state_.settingsLock);
    pf.showWindow(view_.window(), true);
    pf.raiseWindow(view_.window(), activate);
    paint();
}

void Controls::hide() {
    state_.visible = false;
    platform().showWindow(view_.window(), false);
}

void Controls::setDrawnExpanded(bool expanded) {
    state_.drawnExpanded = expanded;
    Platform& pf = platform();
    const Rect now = pf.windowRect(view_.window());
    const Rect size = clientRect(expanded);
    pf.setWindowRect(view_.window(),
                     Rect{now.left, now.top, now.left + size.right, now.top + size.bottom});
    if (state_.visible) paint();
    host_.controlsResized(expanded);
}

void Controls::toggleSettingsLock() {
    state_.settingsLock = !state_.settingsLock;
    state_.hoverPreview = 0;
    setDrawnExpanded(state_.settingsLock);
    redrawTopButton(TopAction::ProgramSettings);
}

void Controls::animationHiding() {
    if (state_.drawnExpanded && state_.settingsLock) {
        state_.reExpandOnShow = true;
        setDrawnExpanded(false);
    }
}

void Controls::animationShown() {
    if (state_.reExpandOnShow) {
        state_.reExpandOnShow = false;
        setDrawnExpanded(true);
    }
    redrawTopButton(TopAction::AnimationWindow);
}

Point Controls::clientCursor() {
    Platform& pf = platform();
    return pf.clientPoint(view_.window(), pf.cursorPos());
}

void Controls::hoverPreview(Point p) {
    if (state_.tracking || !host_.animationShown()) return;
    int settingsButton = -1;
    for (int i = 0; i < topCount_; ++i)
        if (topActions_[size_t(i)] == TopAction::ProgramSettings) settingsButton = i;
    const bool on = topButtonAt(p, topCount_, state_.drawnExpanded) == settingsButton &&
                    p.y >= 2 && p.x >= 2;
    if (on && state_.hoverPreview == 0) {
        if (!state_.drawnExpanded && !state_.settingsLock) {
            state_.hoverPreview = 2;
            setDrawnExpanded(true);
        } else {
            state_.hoverPreview = 1;
        }
    } else if (!on && state_.hoverPreview != 0) {
        if (state_.hoverPreview == 2) setDrawnExpanded(!state_.drawnExpanded);
        state_.hoverPreview = 0;
    }
}

// --- Input ------------------------------------------------------------------------------------

void Controls::topButton(int index, int modifier) {
    const TopAction a = topActions_[size_t(index)];
    switch (a) {
        case TopAction::ProgramSettings:
            if (state_.hoverPreview == 2) {
                // The preview expanded the window: the click keeps it expanded as the lock.
                state_.hoverPreview = 1;
                state_.settingsLock = true;
                redrawTopButton(a);
                return;
            }
            toggleSettingsLock();
            return;
        case TopAction::Trails:
            host_.applyUserChange(kChangeSwitches,
                                  host_.visual().get(vs::Switches) ^ vs::kSwitchTrails, modifier);
            break;
        case TopAction::EraseTrails:
            host_.applyUserChange(kChangeFill, host_.visual().get(vs::CurrentFill) + kWipeRequest,
                                  modifier);
            break;
        case TopAction::Listening:
            host_.topAction(a, modifier);
            redrawSwitches();
            return;
        case TopAction::Rewind:
        case TopAction::FastForward: {
            // Held down, the song winds on every pass until the release.
            if (!host_.beginWind(a == TopAction::Rewind ? -1 : 1)) break;
            Tracker t;
            t.move = [this](Point) {
                host_.windPass();
                panels_->redrawIf(panel::Music);
            };
            t.release = [this](Point) {
                host_.endWind();
                redrawSongFields();
                redrawTopRow();
            };
            view_.track(std::move(t));
            return;
        }
        default:
            host_.topAction(a, modifier);
            break;
    }
    redrawTopRow();
}

void Controls::buttonDown(Point p, int modifier) {
    if (state_.ignoreNextClick) {
        state_.ignoreNextClick = false;
        return;
    }
    if (state_.tracking) return;
    // --- Popups --- an open popup takes the click: it chooses or closes.
    if (popups_->isOpen()) {
        popups_->click(p, modifier);
        return;
    }
    const int top = topButtonAt(p, topCount_, state_.drawnExpanded);
    if (top >= 0) {
        topButton(top, modifier);
        return;
    }
    const Hit hit = hitTest(p, services_.edition(), state_.drawnExpanded);
    boxClick(hit, p, modifier);
}

bool Controls::typeChar(uint32_t ch, int modifier) {
    // The open field forwards what it does not type itself.
    const bool fieldOpen = panels_->textEntryActive();
    if (panels_->typeChar(ch, modifier)) return true;
    if (!fieldOpen) host_.commandChar(ch, modifier);
    return false;
}

bool Controls::followMouse() {
    // --- Popups --- an open popup follows the cursor on every pass.
    if (!state_.tracking && popups_->active()) {
        popups_->pass(clientCursor(), platform().tickCount());
        return popups_->isOpen();
    }
    if (!state_.tracking) return false;
    const Point p = clientCursor();
    if (platform().leftButtonDown()) {
        if (view_.tracker().move) view_.tracker().move(p);
        return true;
    }
    Tracker t = std::move(view_.tracker());
    view_.tracker() = Tracker{};
    state_.tracking = false;
    if (t.release) t.release(p);
    return false;
}

void Controls::pressThen(const Rect& r, const std::function<void(bool)>& draw,
                         std::function<void()> action) {
    draw(true);
    view_.present(r);
    Tracker t;
    t.release = [this, r, draw, action = std::move(action)](Point) {
        draw(false);
        view_.present(r);
        action();
    };
    view_.track(std::move(t));
}

// --- Redraws after changes ----------------------------------------------------------------------

void Controls::redrawChange(int code) {
    if (!state_.visible) return;
    switch (code) {
        case kChangeGradient: redrawRows(Box::Gradients); break;
        case kChangeBrushColour:
        case kChangeFillColour: redrawColourStrips(); break;
        case kChangeFill: redrawRows(Box::Fills); break;
        case kChangeSwitches:
            redrawSwitches();
            break;
        case kChangeMovement: redrawRows(Box::Movements); break;
        case kChangeBrush:
            redrawRows(Box::Brushes);
            redrawTopButton(TopAction::Trails);
            break;
        case kChangeParameter1:
        case kChangeParameter2:
        case kChangeParameter3:
            panels_->redrawSlider(slider::Parameter);
            break;
        case kChangeBrushSpeed: panels_->redrawSlider(slider::BrushSpeed); break;
        case kChangeColourSpeed: panels_->redrawSlider(slider::ColourSpeed); break;
        case kChangeSpread: panels_->redrawSlider(slider::Spread); break;
        case kChangeColourKick: panels_->redrawSlider(slider::ColourKick); break;
        default: redrawAll(); break;
    }
}

void Controls::redrawSwitches() {
    redrawTopRow();
    if (!state_.visible || !state_.drawnExpanded) return;
    drawListenButtons();
    view_.present(Rect{kVolumeButton.left, kVolumeButton.top, kFrequencyButton.right,
                       kFrequencyButton.bottom});
    // The beat meter's field is black while listening, grey otherwise.
    const bool listening = host_.visual().switchOn(vs::kSwitchListening);
    const bool replaying = host_.ravePlayback() != RavePlayback::None;
    view_.canvas().fillRect(kBeatMeter, (listening && !replaying) ? cc::Black : cc::Grey97);
    host_.sound().listen.drawnBeatMeter = 0;
    view_.present(kBeatMeter);
}

void Controls::redrawAll() {
    if (state_.visible) paint();
}

// --- The frame tick's share ----------------------------------------------------------------------

void Controls::redrawMeters(uint8_t level, bool beat) {
    // An open popup covers the window; it is drawn whole again when the popup closes.
    if (!state_.visible || popups_->isOpen()) return;
    Surface& c = view_.canvas();
    if (state_.drawnExpanded) {
        BeatMeterView v;
        v.expanded = true;
        v.listening = host_.visual().switchOn(vs::kSwitchListening);
        v.replaying = host_.ravePlayback() != RavePlayback::None;
        v.indicatorPicture = nullptr;
        drawBeatMeter(c, host_.sound().listen, v, level, beat);
        view_.present(kBeatMeter);
        const uint32_t now = host_.songTime();
        if (beat) {
            drawIndicator(true);
            indicatorOn_ = true;
            indicatorTime_ = now;
            view_.present(kBeatIndicatorPicture);
        } else if (indicatorOn_ && songTimeSince(indicatorTime_, now) >= 128) {
            drawIndicator(false);
            indicatorOn_ = false;
            view_.present(kBeatIndicatorPicture);
        }
    } else {
        host_.sound().listen.drawnBeatMeter = level;
    }
    panels_->tick(host_.songTime());
}

void Controls::halfSecond(uint32_t t) {
    (void)t;
    if (!state_.visible || view_.live() || popups_->isOpen()) return;
    // From 6 seconds before a song's end the rave field's frame blinks green and grey.
    const uint32_t length = host_.songLength();
    const bool nearEnd = length > 0 && host_.playing() && host_.songPosition() + 6000 >= length;
    if (nearEnd || raveNearEnd_) {
        state_.raveBlinkOn = nearEnd && !state_.raveBlinkOn;
        Surface& c = view_.canvas();
        c.frameRect(kRaveField, !nearEnd ? cc::Black : state_.raveBlinkOn ? cc::Green : cc::LightField);
        view_.present(kRaveField);
    }
    raveNearEnd_ = nearEnd;
    // The time fields follow the song whether or not the sound is analysed.
    panels_->tick(host_.songTime());
    if (state_.drawnExpanded) {
        drawRecordingLight();
        view_.present(Rect{kRecordingLight.left, kRecordingLight.top, 340, kRecordingLight.bottom});
    }
}

}  // namespace korel
