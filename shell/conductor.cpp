// The conductor of the animation: set-up, song start and transport, the frame tick, the beat
// flash and the closing brush. Styles and sets are in conductor_styles.cpp, the trigger engine's
// host in conductor_host.cpp.
#include "shell/conductor.h"

#include <algorithm>
#include <cmath>

#include "persist/attachments.h"
#include "persist/program_files.h"
#include "persist/styles.h"
#include "platform/files.h"

namespace korel {

namespace {

constexpr uint32_t kClosingTrailMs = 75;
constexpr uint32_t kClosingColourMs = 25;

}  // namespace

// --- Set-up and song start ----------------------------------------------------------------

Conductor::Conductor(Services& services, VisualState& state, SoundInput* soundInput)
    : services_(services),
      vs_(state),
      sound_(services.edition(), soundInput),
      triggers_(services, state, *this) {}

Conductor::~Conductor() { triggers_.setTrace(nullptr); }

void Conductor::setUpRanges() {
    engine_.brushRange = makeBrushRange();
    engine_.fillRange = makeFillRange();
}

void Conductor::loadPreferences() {
    prefs_ = readPreferences(services_);
    services_.shell().screenSaverMode = prefs_.launchedBySaver;
}

std::string Conductor::setUpSound(const std::function<void()>& openCdDrive) {
    korel::setUpSound(sound_, services_, openCdDrive);
    return sound_.fatalFailure;
}

void Conductor::openTrace(const std::string& path) {
    if (path.empty()) return;
    traceFile_.open(path, std::ios::out | std::ios::trunc);
    if (!traceFile_) return;
    trace_ = std::make_unique<StreamTrace>(traceFile_);
    triggers_.setTrace(trace_.get());
}

void Conductor::setTrace(TraceSink* trace) { triggers_.setTrace(trace); }

void Conductor::startAnimation(bool firstStart, const std::function<void(const char*)>& progress,
                               bool newFill) {
    songStyle(firstStart, progress, newFill);
    songBegins(firstStart);
}

void Conductor::songStyle(bool firstStart, const std::function<void(const char*)>& progress,
                          bool newFill) {
    // The song time starts now, so the changes the start applies carry song times.
    ShellState& sh = services_.shell();
    sh.songClockOrigin = services_.platform().tickCount();
    if (firstStart) {
        VisualState record;
        readStyleByName(services_, kLastSessionName, record);
        applyRecord(record, services_.shell().startingUp, progress);
        lastSessionRestored_ = true;
    } else {
        // A later start keeps the state and, unless manual mode is on, takes a new random fill.
        const int attachedFill =
            vs_.get(VisualState::attachment(int(vs_.get(vs::CurrentBrush)) - 1) + att::Fill);
        if (newFill && !triggers_.manualMode() && attachedFill == kNone80) {
            int cur = vs_.get(vs::CurrentFill);
            int pick = cur;
            for (int i = 0; i < 100 && pick == cur; ++i) pick = services_.random().below(6) + 1;
            vs_.set(vs::CurrentFill, uint8_t(pick));
        }
    }
    restartWithFill_ = !firstStart;
}

void Conductor::songBegins(bool firstStart) {
    ShellState& sh = services_.shell();
    sh.songClockOrigin = services_.platform().tickCount();
    const uint32_t t = 0;
    triggers_.songStart(t);
    listenSongStart(sound_.listen);
    if (!triggers_.manualMode() && !firstStart && restartWithFill_) {
        triggers_.applyChange(kChangeFill, vs_.get(vs::CurrentFill), t, false, false, kHoldApply, true);
        triggers_.applyChange(kChangeMovement, vs_.get(vs::CurrentMovement), t, false, false, kHoldApply, true);
        triggers_.applyChange(kChangeBrush, vs_.get(vs::CurrentBrush), t, false, false, kHoldApply, true);
        triggers_.applyChange(kChangeBrushSpeed, vs_.get(vs::BrushSpeed), t, false, false, kHoldApply, true);
        triggers_.applyChange(kChangeColourSpeed, vs_.get(vs::ColourSpeed), t, false, false, kHoldApply, true);
    }
    restartTimers(t);
    tick_.lastHalfSecond = 0;
    startCapture(sound_);
    playing_ = true;
    paused_ = false;
}

void Conductor::restartTimers(uint32_t t) {
    tick_.nextTrailTime = songTimePlus(t, tick_.trailInterval);
    tick_.nextColourTime = songTimePlus(t, tick_.colourInterval);
    tick_.nextScaleRefresh = t + kScaleRefreshMs;
}

void Conductor::play() {
    if (paused_) {
        // Resuming shifts the animation's time by the pause.
        ShellState& sh = services_.shell();
        sh.songClockOrigin += services_.platform().tickCount() - pausedAt_;
        paused_ = false;
        playing_ = true;
        startCapture(sound_);
        return;
    }
    if (playing_) return;
    startAnimation(!lastSessionRestored_, {});
}

void Conductor::pause() {
    if (!playing_ || paused_) return;
    paused_ = true;
    playing_ = false;
    pausedAt_ = services_.platform().tickCount();
    stopCapture(sound_);
}

void Conductor::stop() {
    playing_ = false;
    paused_ = false;
    stopCapture(sound_);
    listenMusicStop(sound_.listen);
    DisplayState& d = services_.display();
    d.drawingSurface.fill(0);
    engine_.draw.previousRect = Rect{};
    services_.shell().songClockOrigin = services_.platform().tickCount();
    showWholePicture();
}

void Conductor::stepStyle(bool forward) {
    triggers_.stepFile(FileCategory::Style, forward);
}

// --- The frame tick and the beat flash --------------------------------------------------------

const Gradient& Conductor::currentGradient() const {
    int g = std::clamp(int(vs_.get(vs::CurrentGradient)) - 1, 0, kGradientSlots - 1);
    return engine_.gradients.slots[size_t(g)];
}

void Conductor::showWholePicture() {
    services_.copySurfaceToWindow(services_.display().windowRect);
}

void Conductor::trailStep(int effectProgram) {
    DrawCall call;
    call.effectProgram = effectProgram;
    call.updateWindow = true;
    call.soundLevel = level();
    drawBrush(services_, vs_, engine_.brushes, engine_.draw, engine_.movements, engine_.machine,
              engine_.brushEffect, engine_.fills, call);
}

void Conductor::frameTick() {
    ShellState& sh = services_.shell();
    uint32_t t = services_.songClock();
    // 0. A sound input lost with the sound server comes back in the background.
    watchSoundServer(sound_, services_, services_.platform().tickCount());
    // 1-2. Nothing plays, or the song has just ended (the players decide what comes next).
    if (playing_ && !songEnded(t)) {
        // 3. The beat light goes out 128 ms after a beat.
        if (tick_.beatLightOn && songTimeSince(tick_.beatLightTime, t) > kBeatLightMs) {
            tick_.beatLightOn = false;
            if (!vs_.switchOn(vs::kSwitchListening)) sound_.listen.drawnBeatMeter = 0;
        }

        // 4-5. Beats: replayed from a rave, detected from the sound, or generated from the tempo.
        const bool replayed = replayRave(t);
        if (replayed) {
            // The rave's events stand in for the beats.
        } else if (vs_.switchOn(vs::kSwitchListening) && soundAvailable(sound_)) {
            triggers_.tempo().standingIn = false;
            if (sound_.devices.inputOpen || sound_.edition == Edition::MP3) {
                BeatReading r = detectBeat(sound_, vs_, t);
                redrawMeters(r.level, r.beat);
                if (r.beat) {
                    triggers_.tempo().lastBeatTime = t;
                    triggers_.triggerStep(t, r.level);
                    beatFlash(t, true);
                }
            }
        } else if (triggers_.nextGeneratedBeat(t, !soundAvailable(sound_))) {
            sound_.listen.soundScale = 1;
            redrawMeters(64, true);
            triggers_.triggerStep(triggers_.tempo().lastBeatTime, 64);
            beatFlash(t, true);
        } else {
            sound_.listen.soundScale = triggers_.soundScaleAt(t);
        }

        // 6-7. The trail timer and the colour step.
        colourStep(t);

        // 8. The half-second clock: one step of an active-sound search.
        const uint32_t h = t / 500;
        if (h > tick_.lastHalfSecond) {
            tick_.lastHalfSecond = h;
            if (hooks_.display) hooks_.display->halfSecond(t);
            if (sound_.devices.searchChannel != kNoSearch) searchStep(sound_, services_, t);
        }
    }
    // 9. The output volume follows changes made outside the program.
    if (sh.backgrounded) followOutputVolume(sound_, services_.platform().tickCount());
    // 10. The hover help.
    updateHoverHelp();
}

void Conductor::colourStep(uint32_t t) {
    ShellState& sh = services_.shell();
    bool trailDue = false;
    if (songTimePassed(t, tick_.nextTrailTime)) {
        tick_.nextTrailTime = songTimePlus(t, tick_.trailInterval);
        trailDue = true;
    }
    bool updated = false;
    if (sh.paletteLive) {
        if (songTimePassed(t, tick_.nextColourTime)) {
            tick_.nextColourTime = songTimePlus(t, tick_.colourInterval);
            int shift = tick_.colourStep;
            if (vs_.switchOn(vs::kSwitchListening)) {
                const int percent = int(vs_.get(vs::ColourKick)) - 50;
                const int kick = int(percent * sound_.listen.meterFraction);
                if (kick != tick_.lastKick && kick != tick_.colourStep) {
                    int sum = kick * 90 / 100 + tick_.colourStep;
                    shift = sum != 0 ? sum : tick_.colourStep;
                }
                tick_.lastKick = kick;
            }
            const int fillShift = shift % 90;
            if (trailDue) trailStep(timedEffectProgram(engine_.brushEffect));
            trailDue = false;
            stepRange(services_, engine_.brushRange, shift, level(), false);
            stepRange(services_, engine_.fillRange, fillShift, level(), false);
            updated = true;
        } else if (tick_.colourInterval > kScaleRefreshMs &&
                   songTimePassed(t, tick_.nextScaleRefresh)) {
            tick_.nextScaleRefresh = songTimePlus(t, kScaleRefreshMs);
            if (level() != tick_.lastRefreshScale) {
                tick_.lastRefreshScale = level();
                if (trailDue) trailStep(timedEffectProgram(engine_.brushEffect));
                trailDue = false;
                if (engine_.brushRange.effectLoaded) {
                    stepRange(services_, engine_.brushRange, 0, level(), false);
                    updated = true;
                }
                if (engine_.fillRange.effectLoaded) {
                    stepRange(services_, engine_.fillRange, 0, level(), false);
                    updated = true;
                }
            }
        }
    }
    if (trailDue) trailStep(timedEffectProgram(engine_.brushEffect));
    if (updated && services_.display().displayDepth != 8) showWholePicture();
}

void Conductor::beatFlash(uint32_t time, bool realBeat) {
    tick_.beatLightTime = services_.songClock();
    tick_.beatLightOn = true;
    if (!realBeat) return;
    armBeatFrame(engine_.draw);
    const BrushAsset* brush =
        engine_.brushes.currentBrush().parts ? &engine_.brushes.currentBrush() : nullptr;
    MovementInputs in = movementInputs(services_, vs_, brush, engine_.movements.current, level());
    runMovement(engine_.movements, kBeatProgram, in, engine_.machine, services_.random());
    tick_.nextTrailTime = songTimePlus(time, tick_.trailInterval);
    trailStep(beatEffectProgram(engine_.brushEffect));
    if (services_.shell().paletteLive) {
        colourKick(services_, engine_.brushRange, engine_.fillRange, vs_.get(vs::ColourKick), level());
        if (services_.display().displayDepth != 8) showWholePicture();
    }
}

void Conductor::forceBeat() {
    const uint32_t t = services_.songClock();
    triggers_.forceBeat(t);
    beatFlash(t, true);
}

// --- Quitting and closing -------------------------------------------------------------------

void Conductor::prepareClosing(int& brushLeft, int& brushBottom) {
    // The brush effect is released; the closing brush is one the user has not loaded.
    engine_.brushEffect = BrushEffect{};
    const std::vector<std::string> names = listingNames(listing(FileCategory::Brush));
    if (names.size() >= 7) {
        std::vector<std::string> candidates;
        for (const std::string& name : names) {
            bool loaded = false;
            for (int s = 0; s < kBrushSlots; ++s)
                loaded |= vs_.name(VisualState::brushName(s)) == name;
            if (!loaded) candidates.push_back(name);
        }
        if (!candidates.empty()) {
            const int index = services_.random().below(int(candidates.size()));
            const std::string pick = candidates[size_t(index)];
            const int current = engine_.brushes.current;
            for (auto& b : engine_.brushes.slots) emptyBrush(b);
            LoadOptions o;
            o.suppressMessages = true;
            korel::loadBrush(services_, vs_, *this, engine_.brushes, current, pick, o);
            startBrush(current);
        }
    }
    const BrushAsset& b = engine_.brushes.currentBrush();
    brushLeft = b.extentLeft;
    brushBottom = b.extentBottom;
    playing_ = false;
    stopCapture(sound_);
}

void Conductor::drawClosingBrush() {
    ShellState& sh = services_.shell();
    DisplayState& d = services_.display();
    tick_.colourInterval = kClosingColourMs;
    tick_.trailInterval = kClosingTrailMs;
    tick_.nextColourTime = 0;
    tick_.nextTrailTime = engine_.brushes.currentBrush().cycleLength == 1 ? kNeverTime : 0;
    // No fill, no colour effect on the fill range: the brush stands alone on black.
    vs_.setName(VisualState::fillName(engine_.fills.current), kNoneName);
    engine_.fillRange.effectLoaded = false;
    d.drawingSurface.fill(0);
    engine_.draw.previousRect = stampBrush(d.drawingSurface, d.windowRect,
                                           engine_.brushes.currentBrush(), engine_.draw,
                                           sh.centreX, sh.centreY, false, 1.0, false);
}

void Conductor::closingTick(uint32_t elapsed) {
    ShellState& sh = services_.shell();
    DisplayState& d = services_.display();
    bool trailDue = false;
    if (elapsed > tick_.nextTrailTime) {
        tick_.nextTrailTime = songTimePlus(elapsed, tick_.trailInterval);
        trailDue = true;
    }
    if (trailDue) {
        // The closing brush animates in place at the centre.
        Rect prev = engine_.draw.previousRect;
        d.drawingSurface.fillRect(prev, 0);
        Rect r = stampBrush(d.drawingSurface, d.windowRect, engine_.brushes.currentBrush(),
                            engine_.draw, sh.centreX, sh.centreY, false, 1.0, true);
        engine_.draw.previousRect = r;
        services_.copySurfaceToWindow(unite(prev, r));
    }
    if (elapsed > tick_.nextColourTime) {
        tick_.nextColourTime = elapsed + kClosingColourMs;
        rotateRange(services_, engine_.brushRange, 1, false);
        rotateRange(services_, engine_.fillRange, 1, false);
        if (d.displayDepth != 8) showWholePicture();
    }
}

void Conductor::pictureResized() {
    reloadAllFills(services_, vs_, engine_.fills);
    applyFill(services_, vs_, engine_.fills, engine_.fillRange, currentGradient(),
              engine_.fills.current, level());
    engine_.draw.previousRect = Rect{};
}

void Conductor::shutdown() {
    stopCapture(sound_);
    closeSound(sound_);
    for (auto& b : engine_.brushes.slots) emptyBrush(b);
    triggers_.setTrace(nullptr);
    trace_.reset();
    if (traceFile_.is_open()) traceFile_.close();
}

}  // namespace korel
