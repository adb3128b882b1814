// The conductor's styles, sets and last session: loading a record and applying what changed,
// a rave's start state and the user's state put aside, saving under typed names.
#include "shell/conductor.h"

#include <algorithm>
#include <cmath>

#include "persist/attachments.h"
#include "persist/program_files.h"
#include "persist/styles.h"
#include "platform/files.h"

namespace korel {

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
    o.redrawCell = true;  // the controls keep every slot's icon
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

void Conductor::saveLastSession(const VisualState* userOwn) {
    if (!lastSessionRestored_) return;
    // A rave's settings never become the user's own.
    if (userOwn) writeStyle(services_, *userOwn, kLastSessionName);
    else writeStyle(services_, userStateAside_ ? userState_ : vs_, kLastSessionName);
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

}  // namespace korel
