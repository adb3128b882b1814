// The conductor of the animation: song start, style records, the frame tick, the beat flash,
// the trigger engine's host and the closing brush.
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

AssetKind assetKind(FileCategory c) {
    switch (c) {
        case FileCategory::Fill: return AssetKind::Fill;
        case FileCategory::Gradient: return AssetKind::Gradient;
        case FileCategory::Brush: return AssetKind::Brush;
        case FileCategory::Movement: return AssetKind::Movement;
        case FileCategory::Style: break;
    }
    return AssetKind::Gradient;
}

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

std::string Conductor::setUpSound() {
    korel::setUpSound(sound_, services_);
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

void Conductor::startAnimation(bool firstStart, const std::function<void(const char*)>& progress) {
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
        if (!triggers_.manualMode() && attachedFill == kNone80) {
            int cur = vs_.get(vs::CurrentFill);
            int pick = cur;
            for (int i = 0; i < 100 && pick == cur; ++i) pick = services_.random().below(6) + 1;
            vs_.set(vs::CurrentFill, uint8_t(pick));
        }
    }
    sh.songClockOrigin = services_.platform().tickCount();
    const uint32_t t = 0;
    triggers_.songStart(t);
    listenSongStart(sound_.listen);
    if (!triggers_.manualMode() && !firstStart) {
        triggers_.applyChange(kChangeFill, vs_.get(vs::CurrentFill), t, false, false, kHoldApply, true);
        triggers_.applyChange(kChangeMovement, vs_.get(vs::CurrentMovement), t, false, false, kHoldApply, true);
        triggers_.applyChange(kChangeBrush, vs_.get(vs::CurrentBrush), t, false, false, kHoldApply, true);
        triggers_.applyChange(kChangeBrushSpeed, vs_.get(vs::BrushSpeed), t, false, false, kHoldApply, true);
        triggers_.applyChange(kChangeColourSpeed, vs_.get(vs::ColourSpeed), t, false, false, kHoldApply, true);
    }
    tick_.nextTrailTime = songTimePlus(t, tick_.trailInterval);
    tick_.nextColourTime = songTimePlus(t, tick_.colourInterval);
    tick_.nextScaleRefresh = t + kScaleRefreshMs;
    tick_.lastHalfSecond = 0;
    startCapture(sound_);
    playing_ = true;
    paused_ = false;
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

bool Conductor::loadStyle(const std::string& name) {
    VisualState record = vs_;
    if (!readStyleByName(services_, name, record)) return false;
    record.setName(vs::StyleName, name);
    applyRecord(record, false);
    return true;
}

bool Conductor::loadStyleFromRave(const Bytes& raveFile) {
    VisualState record;
    if (decodeRaveState(raveFile, services_.edition(), record) != StyleRead::Loaded) {
        services_.showAlert("Not a valid style file!");
        return false;
    }
    if (!userStateAside_) {
        userState_ = vs_;
        userStateAside_ = true;
    }
    applyRecord(record, false);
    return true;
}

void Conductor::restoreUserState() {
    if (!userStateAside_) return;
    userStateAside_ = false;
    applyRecord(userState_, false);
}

void Conductor::loadAllSlots(const std::function<void(const char*)>& progress) {
    auto say = [&](const char* text) {
        if (progress) progress(text);
    };
    LoadOptions o;
    say("Loading Gradients...");
    for (int i = 0; i < kGradientSlots; ++i)
        korel::loadGradient(services_, vs_, *this, engine_.gradients, i, vs_.name(VisualState::gradientName(i)), o);
    say("Loading Movements...");
    for (int i = 0; i < kMovementSlots; ++i)
        korel::loadMovement(services_, vs_, *this, engine_.movements, i, vs_.name(VisualState::movementName(i)), o);
    say("Loading Brushes...");
    for (int i = 0; i < kBrushSlots; ++i)
        korel::loadBrush(services_, vs_, *this, engine_.brushes, i, vs_.name(VisualState::brushName(i)), o);
    say("Loading Effects...");
    loadBrushEffect(services_, vs_, *this, engine_.brushEffect, vs_.name(vs::BrushEffect), o,
                    effectInputs());
    loadColourEffect(services_, vs_, *this, engine_.brushRange, vs_.name(vs::BrushColourEffect), o, level());
    loadColourEffect(services_, vs_, *this, engine_.fillRange, vs_.name(vs::FillColourEffect), o, level());
    say("Loading Fills...");
    for (int i = 0; i < kFillSlots; ++i)
        korel::loadFill(services_, vs_, *this, engine_.fills, i, vs_.name(VisualState::fillName(i)), o);
}

void Conductor::loadChangedSlots(const VisualState& previous) {
    LoadOptions o;
    o.redrawCell = true;
    for (int i = 0; i < kGradientSlots; ++i) {
        const size_t off = VisualState::gradientName(i);
        if (vs_.name(off) != previous.name(off))
            korel::loadGradient(services_, vs_, *this, engine_.gradients, i, vs_.name(off), o);
    }
    for (int i = 0; i < kMovementSlots; ++i) {
        const size_t off = VisualState::movementName(i);
        if (vs_.name(off) != previous.name(off))
            korel::loadMovement(services_, vs_, *this, engine_.movements, i, vs_.name(off), o);
    }
    for (int i = 0; i < kBrushSlots; ++i) {
        const size_t off = VisualState::brushName(i);
        if (vs_.name(off) != previous.name(off))
            korel::loadBrush(services_, vs_, *this, engine_.brushes, i, vs_.name(off), o);
    }
    if (vs_.name(vs::BrushEffect) != previous.name(vs::BrushEffect)) {
        loadBrushEffect(services_, vs_, *this, engine_.brushEffect, vs_.name(vs::BrushEffect), o,
                        effectInputs());
    }
    if (vs_.name(vs::BrushColourEffect) != previous.name(vs::BrushColourEffect))
        loadColourEffect(services_, vs_, *this, engine_.brushRange, vs_.name(vs::BrushColourEffect), o, level());
    if (vs_.name(vs::FillColourEffect) != previous.name(vs::FillColourEffect))
        loadColourEffect(services_, vs_, *this, engine_.fillRange, vs_.name(vs::FillColourEffect), o, level());
    for (int i = 0; i < kFillSlots; ++i) {
        const size_t off = VisualState::fillName(i);
        if (vs_.name(off) != previous.name(off))
            korel::loadFill(services_, vs_, *this, engine_.fills, i, vs_.name(off), o);
    }
}

void Conductor::applyRecord(const VisualState& record, bool startingUp,
                            const std::function<void(const char*)>& progress) {
    const VisualState previous = vs_;
    vs_ = record;
    // A record from a file may name slots out of range; hold them to the first slot.
    auto holdSlot = [&](size_t off, int count) {
        if (vs_.get(off) < 1 || vs_.get(off) > count) vs_.set(off, 1);
    };
    holdSlot(vs::CurrentGradient, kGradientSlots);
    holdSlot(vs::CurrentBrush, kBrushSlots);
    holdSlot(vs::CurrentMovement, kMovementSlots);
    holdSlot(vs::CurrentFill, kFillSlots);
    // Loading puts the names into the record; names that fail to load become "(None)".
    if (startingUp) {
        loadAllSlots(progress);
    } else {
        loadChangedSlots(previous);
    }
    triggers_.styleLoaded();
    triggers_.syncCurrentValues();

    const uint32_t t = services_.songClock();
    auto apply = [&](int code, int value) {
        triggers_.applyChange(code, value, t, false, false, kHoldApply, false);
    };
    apply(kChangeGradient, vs_.get(vs::CurrentGradient));
    apply(kChangeBrushColour, vs_.get(vs::BrushColour));
    apply(kChangeFillColour, vs_.get(vs::FillColour));
    // While the animation runs an unchanged fill is only taken over: drawing it would wipe the
    // trails.
    if (!(playing_ && sameFill(previous, vs_))) apply(kChangeFill, vs_.get(vs::CurrentFill));
    triggers_.forceSwitchFlags(vs_.get(vs::Switches), previous.get(vs::Switches));
    apply(kChangeMovement, vs_.get(vs::CurrentMovement));
    apply(kChangeBrush, vs_.get(vs::CurrentBrush));
    apply(kChangeBrushSpeed, vs_.get(vs::BrushSpeed));
    apply(kChangeColourSpeed, vs_.get(vs::ColourSpeed));
    apply(kChangeSpread, vs_.get(vs::MovementSpread));
    apply(kChangeColourKick, vs_.get(vs::ColourKick));
    triggers_.setTempo(vs_.tempo(), t);
    triggers_.setListening(vs_.switchOn(vs::kSwitchListening), t);

    static const FileCategory files[] = {FileCategory::Fill, FileCategory::Gradient,
                                         FileCategory::Brush, FileCategory::Movement};
    static const int kinds[] = {kKindFill, kKindGradient, kKindBrush, kKindMovement};
    for (int i = 0; i < 4; ++i)
        if (vs_.get(vs::TriggerModes + size_t(kinds[i])) == kModeSequentialFile)
            triggers_.syncFilePosition(files[i]);
    if (vs_.get(vs::TriggerModes + kKindBrush) == kModeSequentialStyle)
        triggers_.syncFilePosition(FileCategory::Style);
    vs_.setName(vs::StyleName, record.name(vs::StyleName));
    pictureDrawn_ = true;
}

void Conductor::saveLastSession() {
    if (!lastSessionRestored_) return;
    // A rave's settings never become the user's own.
    writeStyle(services_, userStateAside_ ? userState_ : vs_, kLastSessionName);
}

bool Conductor::saveFile(FileKind kind, const std::string& typed,
                         const std::function<bool()>& confirmReplace, const VisualState* captured) {
    if (typed.empty()) {
        services_.showAlert("Text field is empty! Please type text into field.");
        return false;
    }
    const std::string name = storedName(typed);
    if (kind != FileKind::SongName && fileExists(makeFileName(services_, kind, name)) &&
        !(confirmReplace && confirmReplace()))
        return false;
    switch (kind) {
        case FileKind::Style: {
            VisualState record = styleToSave(captured ? *captured : vs_, name, triggers_.manualMode());
            if (!writeStyle(services_, record, name)) return false;
            vs_.setName(vs::StyleName, name);
            return true;
        }
        case FileKind::LastSession:
            return writeStyle(services_, vs_, kLastSessionName);
        case FileKind::GradientSet: return saveSet(services_, vs_, SetKind::Gradient, name);
        case FileKind::FillSet: return saveSet(services_, vs_, SetKind::Fill, name);
        case FileKind::BrushSet: return saveSet(services_, vs_, SetKind::Brush, name);
        case FileKind::MovementSet: return saveSet(services_, vs_, SetKind::Movement, name);
        case FileKind::SongName:
        case FileKind::Rave:
        case FileKind::Songlist:
            break;  // songlists and raves come with their players
    }
    return false;
}

bool Conductor::loadSetFile(SetKind kind, const std::string& name) {
    return loadSet(services_, vs_, kind, name, *this);
}

bool Conductor::loadGradient(int slot, const std::string& name) {
    LoadOptions o;
    o.redrawCell = true;
    bool ok = korel::loadGradient(services_, vs_, *this, engine_.gradients, slot, name, o);
    if (ok && slot == int(vs_.get(vs::CurrentGradient)) - 1) selectGradient(slot);
    return ok;
}

bool Conductor::loadFill(int slot, const std::string& name) {
    LoadOptions o;
    o.redrawCell = true;
    return korel::loadFill(services_, vs_, *this, engine_.fills, slot, name, o);
}

bool Conductor::loadMovement(int slot, const std::string& name) {
    LoadOptions o;
    o.redrawCell = true;
    return korel::loadMovement(services_, vs_, *this, engine_.movements, slot, name, o);
}

bool Conductor::loadBrush(int slot, const std::string& name) {
    LoadOptions o;
    o.redrawCell = true;
    return korel::loadBrush(services_, vs_, *this, engine_.brushes, slot, name, o);
}

void Conductor::applyChange(int code, int slot) {
    triggers_.applyChange(code, slot + 1, services_.songClock(), true, false, kHoldApply, false);
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
            if (sound_.devices.inputOpen) {
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

// --- The trigger engine's host ------------------------------------------------------------

void Conductor::selectGradient(int slot) {
    const Gradient& g = engine_.gradients.slots[size_t(std::clamp(slot, 0, kGradientSlots - 1))];
    rebuildRange(services_, vs_, engine_.brushRange, g, level());
    rebuildRange(services_, vs_, engine_.fillRange, g, level());
    if (services_.display().displayDepth != 8) showWholePicture();
}

void Conductor::shiftColour(bool brushRange, int oldPosition, int newPosition) {
    PaletteRange& changed = brushRange ? engine_.brushRange : engine_.fillRange;
    PaletteRange& other = brushRange ? engine_.fillRange : engine_.brushRange;
    changeColourSetting(services_, vs_, *this, changed, other, oldPosition, newPosition, level());
    if (services_.display().displayDepth != 8) showWholePicture();
}

void Conductor::drawFill(int slot, bool /*wipe*/, bool /*newName*/) {
    applyFill(services_, vs_, engine_.fills, engine_.fillRange, currentGradient(), slot, level());
    engine_.draw.previousRect = Rect{};
    showWholePicture();
}

void Conductor::setTrails(bool /*on*/) {
    // The record's switch is the trails setting; the fill is drawn again over old trails.
    if (!pictureDrawn_) return;
    drawBackground(services_, engine_.fills);
    engine_.draw.previousRect = Rect{};
    showWholePicture();
}

void Conductor::setVolumeListening(bool /*on*/) {
    // The analysis reads the switch from the record on every tick.
}

void Conductor::setListening(bool on) {
    if (!on) sound_.listen.soundScale = 0;
}

void Conductor::chooseMovementParameters(int slot) {
    if (slot < 0 || slot >= kMovementSlots) return;
    chooseParameterValues(engine_.movements.slots[size_t(slot)],
                          vs_.at(VisualState::movementParams(slot)), services_.random(), true);
}

void Conductor::startMovement(int slot) {
    if (slot < 0 || slot >= kMovementSlots) return;
    const BrushAsset* brush =
        engine_.brushes.currentBrush().parts ? &engine_.brushes.currentBrush() : nullptr;
    MovementInputs in = movementInputs(services_, vs_, brush, slot, level());
    korel::startMovement(engine_.movements, slot, in, engine_.machine, services_.random());
}

void Conductor::startBrush(int slot) {
    if (slot < 0 || slot >= kBrushSlots) return;
    applyBrush(services_, vs_, engine_.brushes, engine_.draw, engine_.brushRange, currentGradient(),
               slot, level());
}

void Conductor::brightnessChanged(bool brushRange) {
    rebuildRange(services_, vs_, brushRange ? engine_.brushRange : engine_.fillRange,
                 currentGradient(), level());
    if (services_.display().displayDepth != 8) showWholePicture();
}

void Conductor::setBrushTiming(uint32_t period, uint32_t nextStep) {
    tick_.trailInterval = period;
    tick_.nextTrailTime = nextStep;
}

void Conductor::setColourTiming(uint32_t period, int direction, uint32_t nextStep) {
    tick_.colourInterval = period;
    tick_.colourStep = int8_t(direction);
    tick_.nextColourTime = nextStep;
}

BrushEffectInputs Conductor::effectInputs() const {
    BrushEffectInputs in;
    in.centreX = services_.shell().centreX;
    in.centreY = services_.shell().centreY;
    in.soundLevel = level();
    return in;
}

bool Conductor::refusedByAttachment(AttachedCategory category, int slot) {
    std::string refusal = slotProtection(vs_, category, slot);
    if (refusal.empty()) return false;
    services_.showAlert(refusal);
    return true;
}

bool Conductor::loadFile(FileCategory category, int slot, std::string_view name) {
    LoadOptions o;
    o.redrawCell = true;
    o.raveMode = 1;
    switch (category) {
        case FileCategory::Fill: {
            if (refusedByAttachment(AttachedCategory::Fill, slot)) return false;
            return korel::loadFill(services_, vs_, *this, engine_.fills, slot, name, o);
        }
        case FileCategory::Gradient: {
            if (refusedByAttachment(AttachedCategory::Gradient, slot)) return false;
            return korel::loadGradient(services_, vs_, *this, engine_.gradients, slot, name, o);
        }
        case FileCategory::Brush:
            o.resetAttachments = true;
            return korel::loadBrush(services_, vs_, *this, engine_.brushes, slot, name, o);
        case FileCategory::Movement: {
            if (refusedByAttachment(AttachedCategory::Movement, slot)) return false;
            o.chooseParameters = true;
            return korel::loadMovement(services_, vs_, *this, engine_.movements, slot, name, o);
        }
        case FileCategory::Style:
            return loadStyle(std::string(name));
    }
    return false;
}

bool Conductor::loadEffect(EffectSlot slot, std::string_view name) {
    LoadOptions o;
    o.redrawCell = true;
    switch (slot) {
        case EffectSlot::Brush:
            return loadBrushEffect(services_, vs_, *this, engine_.brushEffect, name, o,
                                   effectInputs());
        case EffectSlot::BrushColour:
            return loadColourEffect(services_, vs_, *this, engine_.brushRange, name, o, level());
        case EffectSlot::FillColour:
            return loadColourEffect(services_, vs_, *this, engine_.fillRange, name, o, level());
    }
    return false;
}

std::string_view Conductor::listing(FileCategory category) {
    std::string& items = listings_[size_t(category)];
    items.clear();
    if (category == FileCategory::Style) {
        listFolderRecords(services_, "Styles", ".sty", kAssetRecordWidth, items);
    } else {
        listAssets(services_, assetKind(category), items);
    }
    return items;
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
