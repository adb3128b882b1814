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

namespace {

// The slot files a rave loads: their file category, change code and current-slot field.
struct SlotKind {
    int raveCategory;
    FileCategory category;
    int code;
    size_t currentField;
};
constexpr SlotKind kSlotKinds[] = {
    {kRaveGradient, FileCategory::Gradient, kChangeGradient, vs::CurrentGradient},
    {kRaveFill, FileCategory::Fill, kChangeFill, vs::CurrentFill},
    {kRaveMovement, FileCategory::Movement, kChangeMovement, vs::CurrentMovement},
    {kRaveBrush, FileCategory::Brush, kChangeBrush, vs::CurrentBrush},
};

}  // namespace

bool RaveLink::loadRecordedAsset(int category, int slot, std::string_view name) {
    Conductor& c = program_.conductor();
    switch (category) {
        case kRaveBrushEffect: return c.loadEffect(EffectSlot::Brush, name);
        case kRaveBrushColourEffect: return c.loadEffect(EffectSlot::BrushColour, name);
        case kRaveFillColourEffect: return c.loadEffect(EffectSlot::FillColour, name);
        default: break;
    }
    for (const SlotKind& k : kSlotKinds) {
        if (k.raveCategory != category) continue;
        if (!c.loadFile(k.category, slot, name)) return false;
        // A file loaded into the current slot shows at once.
        if (slot == program_.visual().get(k.currentField) - 1)
            c.triggers().applyChange(k.code, slot + 1, program_.songClock(), true, false,
                                     kHoldApply, false);
        return true;
    }
    return false;
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
    c.applyRecord(state, program_.shell().startingUp);
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
