// The trigger engine: beat counting, trigger modes, the apply operation, attachments and held
// values, and the file trigger modes.
#include "triggers/triggers.h"

#include <algorithm>
#include <bitset>
#include <cstdlib>
#include <cstring>
#include <string>

#include "persist/attachments.h"

namespace korel {

namespace {

// A random choice that keeps being equal to the current value gives up after this many draws
// and takes a deterministic neighbour instead.
constexpr int kMaxRandomDraws = 1000;

constexpr uint8_t kSwitchBits = vs::kSwitchListening | vs::kSwitchTrails | vs::kSwitchVolume;
constexpr uint8_t kHoldableSwitches = vs::kSwitchTrails | vs::kSwitchVolume;

// The record field each change code writes (codes 6-8 depend on the movement slot).
size_t recordOffset(int code) {
    switch (code) {
        case kChangeGradient:
            return vs::CurrentGradient;
        case kChangeBrushColour:
            return vs::BrushColour;
        case kChangeFillColour:
            return vs::FillColour;
        case kChangeFill:
            return vs::CurrentFill;
        case kChangeSwitches:
            return vs::Switches;
        case kChangeMovement:
            return vs::CurrentMovement;
        case kChangeBrush:
            return vs::CurrentBrush;
        case kChangeBrushSpeed:
            return vs::BrushSpeed;
        case kChangeColourSpeed:
            return vs::ColourSpeed;
        case kChangeSpread:
            return vs::MovementSpread;
        case kChangeColourKick:
            return vs::ColourKick;
        default:
            return 0;
    }
}

// The attachment byte that blocks a change code, or 0 when none does.
size_t attachmentByte(int code) {
    switch (code) {
        case kChangeGradient:
            return att::Gradient;
        case kChangeFill:
            return att::Fill;
        case kChangeSwitches:
            return att::Trails;
        case kChangeMovement:
            return att::Movement;
        case kChangeBrushSpeed:
            return att::BrushSpeed;
        case kChangeColourSpeed:
            return att::ColourSpeed;
        case kChangeSpread:
            return att::MovementSpread;
        case kChangeColourKick:
            return att::ColourKick;
        default:
            return 0;
    }
}

const char* refusalText(int code) {
    switch (code) {
        case kChangeGradient:
            return "The current brush has an attached gradient.";
        case kChangeFill:
            return "The current brush has an attached fill.";
        case kChangeSwitches:
            return "The current brush has an attached brush trails setting.";
        case kChangeMovement:
            return "The current brush has an attached movement.";
        case kChangeBrushSpeed:
            return "The current brush has an attached brush speed setting.";
        case kChangeColourSpeed:
            return "The current brush has an attached color speed setting.";
        case kChangeSpread:
            return "The current brush has an attached movement spread setting.";
        case kChangeColourKick:
            return "The current brush has an attached color kick setting.";
        default:
            return nullptr;
    }
}

// The attachment bytes a new brush applies, in order, with the change code that applies each
// (0: a brightness, written straight into the record).
struct AttachedField {
    size_t attByte;
    int code;
    size_t offset;
};
constexpr AttachedField kAttachedFields[] = {
    {att::Gradient, kChangeGradient, vs::CurrentGradient},
    {att::Fill, kChangeFill, vs::CurrentFill},
    {att::Trails, kChangeSwitches, vs::Switches},
    {att::Movement, kChangeMovement, vs::CurrentMovement},
    {att::BrushSpeed, kChangeBrushSpeed, vs::BrushSpeed},
    {att::ColourSpeed, kChangeColourSpeed, vs::ColourSpeed},
    {att::MovementSpread, kChangeSpread, vs::MovementSpread},
    {att::BrushBrightness, 0, vs::BrushBrightness},
    {att::FillBrightness, 0, vs::FillBrightness},
};

struct AttachedEffect {
    size_t attByte;
    size_t offset;
    EffectSlot slot;
};
constexpr AttachedEffect kAttachedEffects[] = {
    {att::BrushEffect, vs::BrushEffect, EffectSlot::Brush},
    {att::BrushColourEffect, vs::BrushColourEffect, EffectSlot::BrushColour},
    {att::FillColourEffect, vs::FillColourEffect, EffectSlot::FillColour},
};

int slotCount(FileCategory c) {
    return c == FileCategory::Gradient ? kGradientSlots : 6;
}

size_t currentSlotOffset(FileCategory c) {
    switch (c) {
        case FileCategory::Fill:
            return vs::CurrentFill;
        case FileCategory::Gradient:
            return vs::CurrentGradient;
        case FileCategory::Brush:
            return vs::CurrentBrush;
        case FileCategory::Movement:
            return vs::CurrentMovement;
        case FileCategory::Style:
            return 0;
    }
    return 0;
}

size_t slotNameOffset(FileCategory c, int slot) {
    switch (c) {
        case FileCategory::Fill:
            return VisualState::fillName(slot);
        case FileCategory::Gradient:
            return VisualState::gradientName(slot);
        case FileCategory::Brush:
            return VisualState::brushName(slot);
        case FileCategory::Movement:
            return VisualState::movementName(slot);
        case FileCategory::Style:
            return vs::StyleName;
    }
    return vs::StyleName;
}

// Sequential Selection: the next slot, wrapping.
int nextSlot(int cur, int count) {
    return (cur % count) + 1;
}
// A colour 8 positions back, wrapping within 1-120.
int colourBack(int cur) {
    return ((cur + 111) % 120) + 1;
}

}  // namespace

std::string_view nameFieldView(const uint8_t* field) {
    size_t n = 0;
    while (n < kNameField && field[n] != 0) ++n;
    return std::string_view(reinterpret_cast<const char*>(field), n);
}

int listingCount(std::string_view listing) {
    return int(std::min(listing.size() / kListingRecord, size_t(kMaxListingEntries)));
}

std::string_view listingEntry(std::string_view listing, int i) {
    std::string_view e = listing.substr(size_t(i) * kListingRecord, kListingRecord);
    while (!e.empty() && (e.back() == '\r' || e.back() == ' ' || e.back() == '\0'))
        e.remove_suffix(1);
    return e;
}

TriggerState::TriggerState() {
    held.fill(kNone80);
    preAttachmentValue.fill(kNone80);
    for (auto& n : preAttachmentName) {
        n.fill(0);
        n[0] = kNone80;
    }
}

TriggerEngine::TriggerEngine(Services& services, VisualState& state, TriggerHost& host)
    : services_(services), vs_(state), host_(host) {
    syncCurrentValues();
    tempo_.interval = tempoInterval(vs_.tempo());
    tempo_.intervalInUse = tempo_.interval;
}

void TriggerEngine::syncCurrentValues() {
    for (int code = 1; code <= kChangeCodes; ++code) {
        if (code >= kChangeParameter1 && code <= kChangeParameter3) {
            int m = vs_.get(vs::CurrentMovement);
            if (m >= 1 && m <= kMovementSlots)
                trig_.currentValue[size_t(code - 1)] =
                    vs_.get(VisualState::movementParams(m - 1) + size_t(code - kChangeParameter1));
            continue;
        }
        trig_.currentValue[size_t(code - 1)] = vs_.get(recordOffset(code));
    }
}

// --- Random choices ---------------------------------------------------------------------------

int TriggerEngine::randomChoice(int code) {
    int count = 0;
    int cur = 0;
    bool colour = false;
    switch (code) {
        case kChangeGradient:
            count = kGradientSlots, cur = vs_.get(vs::CurrentGradient);
            break;
        // Only the first four fill slots take part in a random choice.
        case kChangeFill:
            count = 4, cur = vs_.get(vs::CurrentFill);
            break;
        case kChangeMovement:
            count = kMovementSlots, cur = vs_.get(vs::CurrentMovement);
            break;
        case kChangeBrush:
            count = kBrushSlots, cur = vs_.get(vs::CurrentBrush);
            break;
        case kChangeBrushColour:
        case kChangeFillColour:
            count = 120, cur = vs_.get(recordOffset(code)), colour = true;
            break;
        default:
            return kRandomChoice;
    }
    for (int draw = 0; draw < kMaxRandomDraws; ++draw) {
        int v = services_.random().next() * count / 32768 + 1;
        if (colour ? (v < cur - 10 || v > cur + 10) : v != cur) return v;
    }
    return colour ? ((cur + 59) % 120) + 1 : nextSlot(cur, count);
}

// --- The apply operation ----------------------------------------------------------------------

bool TriggerEngine::valueValid(int code, int v) const {
    switch (code) {
        case kChangeGradient:
            return v >= 1 && v <= kGradientSlots;
        case kChangeFill: {
            int slot = (v & 63) ? (v & 63) : vs_.get(vs::CurrentFill);
            return slot >= 1 && slot <= kFillSlots;
        }
        case kChangeMovement:
            return v >= 1 && v <= kMovementSlots;
        case kChangeBrush:
            return v >= 1 && v <= kBrushSlots;
        case kChangeParameter1:
        case kChangeParameter2:
        case kChangeParameter3: {
            int m = vs_.get(vs::CurrentMovement);
            return m >= 1 && m <= kMovementSlots;
        }
        default:
            return true;
    }
}

const char* TriggerEngine::attachmentRefusal(int code, int v) const {
    size_t byte = attachmentByte(code);
    int brush = vs_.get(vs::CurrentBrush);
    if (byte == 0 || brush < 1 || brush > kBrushSlots) return nullptr;
    uint8_t attached = vs_.get(VisualState::attachment(brush - 1) + byte);
    if (attached == kNone80) return nullptr;
    int compared = v;
    if (code == kChangeFill) {
        // A wipe alone re-draws the current fill, which the attachment allows.
        compared = (v & 63) ? (v & 63) : vs_.get(vs::CurrentFill);
    } else if (code == kChangeSwitches) {
        if (host_.raveReplaying()) return nullptr;
        compared = (v & vs::kSwitchTrails) ? 1 : 0;
    }
    return attached == compared ? nullptr : refusalText(code);
}

bool TriggerEngine::hold(int code, int v, bool store) {
    size_t i = size_t(code - 1);
    if (code == kChangeFill) {
        if (!store) {
            trig_.held[i] = kNone80;
            trig_.heldWipe = false;
            return true;
        }
        if (v & 63) trig_.held[i] = uint8_t(v & 63);
        if (v & kWipeRequest) trig_.heldWipe = true;
    } else if (code == kChangeSwitches) {
        if (!store) {
            trig_.held[i] = kNone80;
            trig_.heldSwitchMask = 0;
            return true;
        }
        // Each bit the change turns is held on its own; the held value carries their states.
        // A change that turns no bit has nothing to hold.
        uint8_t turned = uint8_t((v ^ vs_.get(vs::Switches)) & kHoldableSwitches);
        if (!turned) return false;
        uint8_t bits = trig_.heldSwitchMask ? trig_.held[i] : 0;
        trig_.heldSwitchMask |= turned;
        trig_.held[i] = uint8_t((bits & ~turned) | (v & turned));
    } else {
        trig_.held[i] = store ? uint8_t(v) : kNone80;
    }
    return true;
}

void TriggerEngine::release(int code) {
    hold(code, 0, false);
}

bool TriggerEngine::applyChange(int code, int value, uint32_t time, bool refreshUi, bool userChange,
                                int holdMode, bool fromTrigger) {
    if (code < 1 || code > kChangeCodes) return false;
    int v = int8_t(uint8_t(value));
    if (v < 0) v = -v;
    if (v > 127) return false;  // -128 has no magnitude in a byte
    if (v == kRandomChoice &&
        (code <= kChangeFill || code == kChangeMovement || code == kChangeBrush))
        v = randomChoice(code);
    if (!valueValid(code, v)) return false;

    if (userChange) {
        if (const char* refusal = attachmentRefusal(code, v)) {
            services_.showAlert(refusal);
            return false;
        }
    }
    if (holdMode >= kHoldStore) return hold(code, v, holdMode == kHoldStore);

    uint8_t stored = uint8_t(v);
    const uint8_t replaced = trig_.currentValue[size_t(code - 1)];
    if (trace_) trace_->change(time, code, v);
    switch (code) {
        case kChangeGradient:
            vs_.set(vs::CurrentGradient, stored);
            host_.selectGradient(v - 1);
            break;
        case kChangeBrushColour:
        case kChangeFillColour: {
            int old = trig_.currentValue[size_t(code - 1)];
            vs_.set(recordOffset(code), stored);
            host_.shiftColour(code == kChangeBrushColour, old, v);
            break;
        }
        case kChangeFill: {
            int slot = (v & 63) ? (v & 63) : vs_.get(vs::CurrentFill);
            stored = uint8_t(slot);
            vs_.set(vs::CurrentFill, stored);
            const uint8_t* name = vs_.at(VisualState::fillName(slot - 1));
            bool newName = std::memcmp(name, trig_.lastFillName.data(), kNameField) != 0;
            std::memcpy(trig_.lastFillName.data(), name, kNameField);
            host_.drawFill(slot - 1, (v & kWipeRequest) != 0, newName);
            break;
        }
        case kChangeSwitches:
            stored = uint8_t(v & kSwitchBits);
            applySwitches(stored, time);
            break;
        case kChangeParameter1:
        case kChangeParameter2:
        case kChangeParameter3: {
            size_t entry = VisualState::movementParams(vs_.get(vs::CurrentMovement) - 1);
            size_t p = size_t(code - kChangeParameter1);
            vs_.set(entry + p, stored);
            if (fromTrigger) vs_.set(entry + 3 + p, 1);
            break;
        }
        case kChangeMovement:
            vs_.set(vs::CurrentMovement, stored);
            if (fromTrigger) host_.chooseMovementParameters(v - 1);
            host_.startMovement(v - 1);
            break;
        case kChangeBrush:
            vs_.set(vs::CurrentBrush, stored);
            host_.startBrush(v - 1);
            applyAttachments(time, refreshUi, fromTrigger);
            break;
        case kChangeBrushSpeed:
            vs_.set(vs::BrushSpeed, stored);
            trig_.brushPeriod = v ? uint32_t(1000 / v) : kNeverTime;
            trig_.nextBrushStep = songTimePlus(time, trig_.brushPeriod);
            host_.setBrushTiming(trig_.brushPeriod, trig_.nextBrushStep);
            break;
        case kChangeColourSpeed: {
            vs_.set(vs::ColourSpeed, stored);
            int shifts = v - 60;
            trig_.colourDirection = shifts > 0 ? 1 : shifts < 0 ? -1 : 0;
            trig_.colourPeriod = shifts ? uint32_t(1000 / std::abs(shifts)) : kNeverTime;
            trig_.nextColourStep = songTimePlus(time, trig_.colourPeriod);
            host_.setColourTiming(trig_.colourPeriod, trig_.colourDirection, trig_.nextColourStep);
            break;
        }
        case kChangeSpread:
        case kChangeColourKick:
            vs_.set(recordOffset(code), stored);
            break;
        default:
            break;
    }
    trig_.currentValue[size_t(code - 1)] = stored;
    if (userChange) release(code);
    if (refreshUi) host_.redrawControl(code);
    if (userChange) {
        host_.recordChange(code, v, time);
        if (recorder_) recorder_->recordChange(code, stored, replaced, time, holdMode);
    }
    return true;
}

void TriggerEngine::applySwitches(uint8_t flags, uint32_t time) {
    uint8_t old = vs_.get(vs::Switches);
    uint8_t turned = uint8_t(old ^ flags);
    vs_.set(vs::Switches, uint8_t((old & ~kSwitchBits) | (flags & kSwitchBits)));
    if (turned & vs::kSwitchTrails) host_.setTrails((flags & vs::kSwitchTrails) != 0);
    if (turned & vs::kSwitchVolume) host_.setVolumeListening((flags & vs::kSwitchVolume) != 0);
    if (turned & vs::kSwitchListening) setListening((flags & vs::kSwitchListening) != 0, time);
}

void TriggerEngine::forceSwitchFlags(uint8_t flags, uint8_t shown) {
    flags = uint8_t(flags & kSwitchBits);
    vs_.set(vs::Switches, uint8_t((vs_.get(vs::Switches) & ~kSwitchBits) | flags));
    // Setting the trails redraws the fill over them, so it waits for a real change.
    if ((flags ^ shown) & vs::kSwitchTrails) host_.setTrails((flags & vs::kSwitchTrails) != 0);
    host_.setVolumeListening((flags & vs::kSwitchVolume) != 0);
    trig_.currentValue[size_t(kChangeSwitches - 1)] = vs_.get(vs::Switches);
}

// --- Attachments ------------------------------------------------------------------------------

uint8_t TriggerEngine::attachedFieldValue(size_t attByte) const {
    for (const AttachedField& f : kAttachedFields) {
        if (f.attByte != attByte) continue;
        if (f.code == kChangeSwitches) return vs_.switchOn(vs::kSwitchTrails) ? 1 : 0;
        return vs_.get(f.offset);
    }
    return kNone80;
}

void TriggerEngine::applyAttachedValue(size_t attByte, uint8_t value, uint32_t time, bool refreshUi,
                                       bool fromTrigger) {
    for (const AttachedField& f : kAttachedFields) {
        if (f.attByte != attByte) continue;
        if (f.code == 0) {
            vs_.set(f.offset, value);
            host_.brightnessChanged(f.offset == vs::BrushBrightness);
        } else if (f.code == kChangeSwitches) {
            uint8_t flags = vs_.get(vs::Switches);
            flags = uint8_t(value ? (flags | vs::kSwitchTrails) : (flags & ~vs::kSwitchTrails));
            applyChange(kChangeSwitches, flags, time, refreshUi, false, kHoldApply, fromTrigger);
        } else {
            applyChange(f.code, value, time, refreshUi, false, kHoldApply, fromTrigger);
        }
        return;
    }
}

void TriggerEngine::applyAttachments(uint32_t time, bool refreshUi, bool fromTrigger) {
    size_t entry = VisualState::attachment(vs_.get(vs::CurrentBrush) - 1);
    for (const AttachedField& f : kAttachedFields) {
        uint8_t attached = vs_.get(entry + f.attByte);
        uint8_t& remembered = trig_.preAttachmentValue[f.attByte - 1];
        if (attached != kNone80) {
            if (remembered == kNone80) remembered = attachedFieldValue(f.attByte);
            applyAttachedValue(f.attByte, attached, time, refreshUi, fromTrigger);
        } else if (remembered != kNone80) {
            uint8_t restore = remembered;
            remembered = kNone80;
            applyAttachedValue(f.attByte, restore, time, refreshUi, fromTrigger);
        }
    }
    applyAttachedEffects();
}

void TriggerEngine::applyAttachedEffects() {
    size_t entry = VisualState::attachment(vs_.get(vs::CurrentBrush) - 1);
    for (size_t i = 0; i < std::size(kAttachedEffects); ++i) {
        const AttachedEffect& e = kAttachedEffects[i];
        const uint8_t* attached = vs_.at(entry + e.attByte);
        auto& remembered = trig_.preAttachmentName[i];
        std::string_view current = nameFieldView(vs_.at(e.offset));
        // An empty name attaches nothing either: there is no file to load for it.
        if (attached[0] != kNone80 && attached[0] != 0) {
            if (remembered[0] == kNone80)
                std::memcpy(remembered.data(), vs_.at(e.offset), kNameField);
            std::string_view name = nameFieldView(attached);
            if (name != current) host_.loadEffect(e.slot, name);
        } else if (remembered[0] != kNone80) {
            std::array<uint8_t, kNameField> restore = remembered;
            remembered[0] = kNone80;
            std::string_view name = nameFieldView(restore.data());
            if (name != current) host_.loadEffect(e.slot, name);
        }
    }
}

// --- The trigger step -------------------------------------------------------------------------

void TriggerEngine::countBeat(uint32_t time) {
    ++trig_.beatCount;
    host_.recordBeat(time);
    if (recorder_) recorder_->recordBeat();
}

void TriggerEngine::forceBeat(uint32_t time) {
    tempo_.lastBeatTime = time;
    triggerStep(time, 64);
}

void TriggerEngine::triggerStep(uint32_t time, int snapshot) {
    if (trace_) trace_->beat(time, snapshot);

    // The collected changes, in the order they are applied.
    enum Order { kGradient, kBrushColour, kFillColour, kFill, kMovement, kBrush, kOrders };
    constexpr int kCodes[kOrders] = {kChangeGradient, kChangeBrushColour, kChangeFillColour,
                                     kChangeFill,     kChangeMovement,    kChangeBrush};
    std::array<int, kOrders> collected;
    collected.fill(-1);
    bool styleTrigger = false;
    bool styleLoaded = false;

    bool listening = vs_.switchOn(vs::kSwitchListening);
    int brush = vs_.get(vs::CurrentBrush);
    auto attached = [&](size_t byte) {
        return brush >= 1 && brush <= kBrushSlots &&
               vs_.get(VisualState::attachment(brush - 1) + byte) != kNone80;
    };
    // A held wipe counts as a held fill: it waits for the held values to be applied.
    auto heldFor = [&](int code) {
        return trig_.held[size_t(code - 1)] != kNone80 || (code == kChangeFill && trig_.heldWipe);
    };

    // Fill, Gradient and Movement choose alike over their slots.
    auto slotKind = [&](FileCategory cat, int mode) {
        int cur = vs_.get(currentSlotOffset(cat));
        switch (mode) {
            case kModeRandomSelection:
                return kRandomChoice;
            case kModeSequentialSelection:
                return nextSlot(cur, slotCount(cat));
            case kModeRandomFile:
                pickRandomFile(cat);
                break;
            case kModeSequentialFile:
                stepFile(cat, true);
                break;
            default:
                break;
        }
        return cur;
    };

    for (int k = 0; k < kTriggerKinds && !trig_.manualMode && !styleTrigger; ++k) {
        int n = vs_.get(vs::BeatsPerTrigger + size_t(k));
        if (n == 0 || (n & 0x80)) continue;
        if ((uint32_t(trig_.counterOffset[size_t(k)]) + trig_.beatCount) % uint32_t(n) != 0)
            continue;
        if (listening && snapshot < vs_.get(vs::Thresholds + size_t(k))) continue;
        int mode = vs_.get(vs::TriggerModes + size_t(k));
        switch (k) {
            case kKindFill:
                if (!heldFor(kChangeFill) && !attached(att::Fill))
                    collected[kFill] = slotKind(FileCategory::Fill, mode);
                break;
            case kKindGradient:
                if (!heldFor(kChangeGradient) && !attached(att::Gradient))
                    collected[kGradient] = slotKind(FileCategory::Gradient, mode);
                break;
            case kKindColor:
                for (int code : {kChangeBrushColour, kChangeFillColour}) {
                    if (heldFor(code)) continue;
                    int cur = vs_.get(recordOffset(code));
                    int v = cur;
                    if (mode == kModeSequentialSelection || mode == kModeSequentialFile)
                        v = colourBack(cur);
                    else if (mode == kModeRandomSelection || mode == kModeRandomFile)
                        v = kRandomChoice;
                    collected[code == kChangeBrushColour ? kBrushColour : kFillColour] = v;
                }
                break;
            case kKindBrush:
                if (heldFor(kChangeBrush)) break;
                if (mode == kModeRandomStyle || mode == kModeSequentialStyle) {
                    // A style replaces everything this beat would have changed.
                    styleTrigger = true;
                    styleLoaded = mode == kModeRandomStyle ? pickRandomFile(FileCategory::Style)
                                                           : stepFile(FileCategory::Style, true);
                    break;
                }
                collected[kBrush] = slotKind(FileCategory::Brush, mode);
                break;
            case kKindMovement:
                if (!heldFor(kChangeMovement) && !attached(att::Movement))
                    collected[kMovement] = slotKind(FileCategory::Movement, mode);
                break;
            default:
                break;
        }
    }

    countBeat(time);
    if (styleTrigger) {
        if (styleLoaded) host_.redrawControls();
        return;
    }
    bool refresh = host_.controlsVisible();
    for (int i = 0; i < kOrders; ++i) {
        if (collected[size_t(i)] >= 0)
            applyChange(kCodes[i], collected[size_t(i)], time, refresh, true, kHoldApply, true);
    }
}

// --- Held values, colours, counters, lifecycle ------------------------------------------------

void TriggerEngine::applyHeldValues(uint32_t time) {
    bool refresh = host_.controlsVisible();
    for (int code = 1; code <= kChangeCodes; ++code) {
        uint8_t h = trig_.held[size_t(code - 1)];
        int v;
        if (code == kChangeFill) {
            if (h == kNone80 && !trig_.heldWipe) continue;
            v = (h == kNone80 ? 0 : h) | (trig_.heldWipe ? kWipeRequest : 0);
        } else if (code == kChangeSwitches) {
            if (!trig_.heldSwitchMask) continue;
            v = (vs_.get(vs::Switches) & ~trig_.heldSwitchMask) | (h & trig_.heldSwitchMask);
        } else {
            if (h == kNone80) continue;
            v = h;
        }
        applyChange(code, v, time, refresh, true, kHoldApply, true);
    }
}

void TriggerEngine::changeBothColours(uint32_t time, bool refreshUi, int holdMode) {
    bool sequential = vs_.get(vs::TriggerModes + kKindColor) == kModeSequentialSelection;
    for (int code : {kChangeBrushColour, kChangeFillColour}) {
        int v = sequential ? colourBack(vs_.get(recordOffset(code))) : kRandomChoice;
        applyChange(code, v, time, refreshUi, true, holdMode, false);
    }
}

void TriggerEngine::beatCounterChanged(int kind) {
    if (kind < 0 || kind >= kTriggerKinds) return;
    int n = vs_.get(vs::BeatsPerTrigger + size_t(kind));
    trig_.counterOffset[size_t(kind)] =
        (n == 0 || (n & 0x80)) ? 0 : int16_t(n - int(trig_.beatCount % uint32_t(n)) + 1);
}

void TriggerEngine::songStart(uint32_t time) {
    trig_.beatCount = 0;
    trig_.counterOffset.fill(1);
    tempo_.lastBeatTime = 0;
    if (vs_.switchOn(vs::kSwitchListening))
        tempo_.nextBeatTime = kNeverTime;
    else
        switchListeningOff(time);
}

void TriggerEngine::styleLoaded() {
    for (int k = 0; k < kTriggerKinds; ++k) {
        int n = vs_.get(vs::BeatsPerTrigger + size_t(k));
        trig_.counterOffset[size_t(k)] =
            (n == 0 || (n & 0x80)) ? 0 : int16_t(n - int(trig_.beatCount % uint32_t(n)));
    }
    trig_.preAttachmentValue.fill(kNone80);
    for (auto& n : trig_.preAttachmentName) n[0] = kNone80;
    trig_.currentValue[kChangeBrushColour - 1] = vs_.get(vs::BrushColour);
    trig_.currentValue[kChangeFillColour - 1] = vs_.get(vs::FillColour);
    constexpr FileCategory kKindCategory[kTriggerKinds] = {
        FileCategory::Fill, FileCategory::Gradient, FileCategory::Style, FileCategory::Brush,
        FileCategory::Movement};
    for (int k = 0; k < kTriggerKinds; ++k) {
        if (k == kKindColor) continue;
        int mode = vs_.get(vs::TriggerModes + size_t(k));
        if (mode == kModeSequentialFile) syncFilePosition(kKindCategory[k]);
        if (k == kKindBrush && mode == kModeSequentialStyle) syncFilePosition(FileCategory::Style);
    }
}

// --- File trigger modes -----------------------------------------------------------------------

int TriggerEngine::currentSlot(FileCategory c) const {
    if (c == FileCategory::Style) return 0;
    int cur = vs_.get(currentSlotOffset(c));
    return (cur >= 1 && cur <= slotCount(c)) ? cur - 1 : -1;
}

std::string_view TriggerEngine::currentName(FileCategory c) const {
    int slot = currentSlot(c);
    if (slot < 0) return {};
    return nameFieldView(vs_.at(slotNameOffset(c, slot)));
}

bool TriggerEngine::slotProtected(FileCategory c, int slot) {
    AttachedCategory a;
    switch (c) {
        case FileCategory::Fill:
            a = AttachedCategory::Fill;
            break;
        case FileCategory::Gradient:
            a = AttachedCategory::Gradient;
            break;
        case FileCategory::Movement:
            a = AttachedCategory::Movement;
            break;
        default:
            return false;
    }
    std::string refusal = slotProtection(vs_, a, slot);
    if (refusal.empty()) return false;
    services_.showAlert(refusal);
    return true;
}

bool TriggerEngine::pickRandomFile(FileCategory c) {
    std::string_view listing = host_.listing(c);
    int count = listingCount(listing);
    int slot = currentSlot(c);
    if (count == 0 || slot < 0 || slotProtected(c, slot)) return false;
    // Each entry is tried once: a random one among those not tried yet.
    std::bitset<kMaxListingEntries> tried;
    for (int left = count; left > 0; --left) {
        int k = services_.random().next() * left / 32768;
        int i = 0;
        for (;; ++i) {
            if (!tried[size_t(i)] && k-- == 0) break;
        }
        tried.set(size_t(i));
        std::string_view name = listingEntry(listing, i);
        if (name.empty() || name == currentName(c)) continue;
        if (host_.loadFile(c, slot, name)) return true;
    }
    return false;
}

bool TriggerEngine::stepFile(FileCategory c, bool forward) {
    std::string_view listing = host_.listing(c);
    int count = listingCount(listing);
    int slot = currentSlot(c);
    if (count == 0 || slot < 0 || slotProtected(c, slot)) return false;
    int16_t& pos = trig_.filePosition[size_t(c)];
    for (int tries = 0; tries < count; ++tries) {
        if (pos < 0 || pos >= count) pos = int16_t(forward ? -1 : count);
        pos = int16_t(forward ? (pos + 1) % count : (pos + count - 1) % count);
        // Unlike Random File, the entry is loaded even when it is the slot's current name.
        std::string_view name = listingEntry(listing, pos);
        if (name.empty()) continue;
        if (host_.loadFile(c, slot, name)) return true;
    }
    return false;
}

void TriggerEngine::syncFilePosition(FileCategory c) {
    std::string_view listing = host_.listing(c);
    std::string_view name = currentName(c);
    int count = listingCount(listing);
    for (int i = 0; i < count; ++i) {
        if (listingEntry(listing, i) == name) {
            trig_.filePosition[size_t(c)] = int16_t(i);
            return;
        }
    }
}

}  // namespace korel
