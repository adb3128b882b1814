// The raves wired into the program.
#include "shell/rave_link.h"

#include "shell/conductor.h"
#include "shell/program.h"

namespace korel {

RaveLink::RaveLink(Program& program)
    : program_(program), state_(std::make_unique<RaveState>()) {
    engine_ = std::make_unique<RaveEngine>(program, *state_, *this);
    Conductor& c = program.conductor();
    c.triggers().setRaveRecorder(engine_.get());
    c.setRaveRecorder(engine_.get());
}

RaveLink::~RaveLink() {
    Conductor& c = program_.conductor();
    c.triggers().setRaveRecorder(nullptr);
    c.setRaveRecorder(nullptr);
}

bool RaveLink::startSong(SongRaveFields& song, bool firstStart, bool newFill,
                         const std::function<void(const char*)>& progress) {
    firstStart_ = firstStart;
    newFill_ = newFill;
    progress_ = progress;
    const bool changed = startSongWithRave(program_, *engine_, song);
    progress_ = {};
    return changed;
}

bool RaveLink::replayStep(uint32_t t) {
    if (!engine_->isReplaying()) return false;
    engine_->replayStep(t);
    return true;
}

// --- RaveHost -------------------------------------------------------------------------------

VisualState& RaveLink::visualState() { return program_.visual(); }

void RaveLink::applyRecordedChange(int code, int value, uint32_t time) {
    program_.conductor().triggers().applyChange(code, value, time, true, false, kHoldApply, false);
}

bool RaveLink::loadRecordedAsset(int category, int slot, std::string_view name) {
    Conductor& c = program_.conductor();
    TriggerEngine& t = c.triggers();
    const VisualState& v = program_.visual();
    const uint32_t now = program_.songClock();
    int code = 0, current = -1;
    bool loaded = false;
    switch (category) {
        case kRaveBrushEffect: return c.loadEffect(EffectSlot::Brush, name);
        case kRaveBrushColourEffect: return c.loadEffect(EffectSlot::BrushColour, name);
        case kRaveFillColourEffect: return c.loadEffect(EffectSlot::FillColour, name);
        case kRaveGradient:
            loaded = c.loadFile(FileCategory::Gradient, slot, name);
            code = kChangeGradient, current = v.get(vs::CurrentGradient) - 1;
            break;
        case kRaveFill:
            loaded = c.loadFile(FileCategory::Fill, slot, name);
            code = kChangeFill, current = v.get(vs::CurrentFill) - 1;
            break;
        case kRaveMovement:
            loaded = c.loadFile(FileCategory::Movement, slot, name);
            code = kChangeMovement, current = v.get(vs::CurrentMovement) - 1;
            break;
        case kRaveBrush:
            loaded = c.loadFile(FileCategory::Brush, slot, name);
            code = kChangeBrush, current = v.get(vs::CurrentBrush) - 1;
            break;
        default:
            return false;
    }
    // A file loaded into the current slot shows at once.
    if (loaded && slot == current) t.applyChange(code, slot + 1, now, true, false, kHoldApply, false);
    return loaded;
}

std::array<uint8_t, kRaveValueCodes> RaveLink::currentValues() const {
    return program_.conductor().triggers().state().currentValue;
}

void RaveLink::setCurrentValues(const std::array<uint8_t, kRaveValueCodes>& values) {
    program_.conductor().triggers().state().currentValue = values;
}

void RaveLink::makeMovementCurrent(int slot) {
    if (slot >= 1 && slot <= kMovementSlots) program_.visual().set(vs::CurrentMovement, uint8_t(slot));
}

bool RaveLink::manualMode() const { return program_.conductor().triggers().manualMode(); }

bool RaveLink::listening() const {
    return program_.visual().switchOn(vs::kSwitchListening);
}

uint32_t RaveLink::nextTempoBeat() const {
    return program_.conductor().triggers().tempo().nextBeatTime;
}

uint32_t RaveLink::continueTempo(uint32_t lastBeat) {
    TriggerEngine& t = program_.conductor().triggers();
    t.align(lastBeat);
    return t.tempo().nextBeatTime;
}

void RaveLink::flashBeat() {
    Conductor& c = program_.conductor();
    c.beatFlash(program_.songClock(), true);
}

void RaveLink::applyStyle(const VisualState& state) {
    Conductor& c = program_.conductor();
    c.applyRecord(state, false);
    c.keepRaveSlots();
}

void RaveLink::loadSongStyle() {
    program_.conductor().songStyle(firstStart_, progress_, newFill_);
}

uint32_t RaveLink::lastBeatTime() const {
    return program_.conductor().triggers().tempo().lastBeatTime;
}

void RaveLink::setLastBeatTime(uint32_t time) {
    program_.conductor().triggers().tempo().lastBeatTime = time;
}

void RaveLink::countChangePoint() { ++program_.conductor().triggers().state().beatCount; }

void RaveLink::songStarted() {
    TriggerEngine& t = program_.conductor().triggers();
    t.state().beatCount = 0;
    t.state().counterOffset.fill(1);
    t.tempo().lastBeatTime = 0;
}

void RaveLink::restartTimers(uint32_t time) { program_.conductor().restartTimers(time); }

uint32_t RaveLink::songTime() const { return program_.songClock(); }

}  // namespace korel
