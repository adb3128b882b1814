// Recording into and replaying the rave of the current song.
#include "raves/rave_events.h"

#include <cstdlib>
#include <cstring>

#include "triggers/triggers.h"

namespace korel {

namespace {

int magnitude(uint8_t b) { return std::abs(int(int8_t(b))); }

// Signed distance from `a` to `b` in ms (times of one song stay far below 2^31).
int64_t msFrom(uint32_t a, uint32_t b) { return int64_t(b) - int64_t(a); }

// The asset category a change code selects a slot of, or -1.
int codeCategory(int code) {
    switch (code) {
        case kChangeGradient: return 1;
        case kChangeFill: return 4;
        case kChangeMovement: return 9;
        case kChangeBrush: return 10;
        default: return -1;
    }
}

// The name field of a file event's slot in the record; 0 when the category or slot is not one.
size_t slotNameOffset(int category, int slot) {
    const bool six = slot >= 0 && slot < 6;
    switch (category) {
        case 0: return slot == 0 ? vs::BrushEffect : 0;
        case 1: return slot >= 0 && slot < kGradientSlots ? VisualState::gradientName(slot) : 0;
        case 2: return slot == 0 ? vs::BrushColourEffect : 0;
        case 3: return slot == 0 ? vs::FillColourEffect : 0;
        case 4: return six ? VisualState::fillName(slot) : 0;
        case 9: return six ? VisualState::movementName(slot) : 0;
        case 10: return six ? VisualState::brushName(slot) : 0;
        default: return 0;
    }
}

}  // namespace

size_t raveRecordOffset(int code, int movementSlot) {
    switch (code) {
        case kChangeGradient: return vs::CurrentGradient;
        case kChangeBrushColour: return vs::BrushColour;
        case kChangeFillColour: return vs::FillColour;
        case kChangeFill: return vs::CurrentFill;
        case kChangeSwitches: return vs::Switches;
        case kChangeParameter1:
        case kChangeParameter2:
        case kChangeParameter3:
            if (movementSlot < 1 || movementSlot > kMovementSlots) return 0;
            return VisualState::movementParams(movementSlot - 1) + size_t(code - kChangeParameter1);
        case kChangeMovement: return vs::CurrentMovement;
        case kChangeBrush: return vs::CurrentBrush;
        case kChangeBrushSpeed: return vs::BrushSpeed;
        case kChangeColourSpeed: return vs::ColourSpeed;
        case kChangeSpread: return vs::MovementSpread;
        case kChangeColourKick: return vs::ColourKick;
        default: return 0;
    }
}

// --- The list ---------------------------------------------------------------------------------

void RaveEngine::freshList() {
    RaveEvent& first = rave_.events[0];
    first = RaveEvent{};
    first.payload = host_.currentValues();
    rave_.nodeCount = 1;
    rave_.current = 0;
    rave_.replayPosition = 1;
    rave_.nextEventTime = kNeverTime;
}

void RaveEngine::beginSong() {
    rave_.songStart = host_.visualState();
    rave_.current = 0;
    rave_.replayPosition = 1;
    rave_.recordingDisabled = false;
    rave_.skipOnce.fill(false);
    const int32_t second = rave_.events[0].next;
    rave_.nextEventTime = rave_.nodeCount > 1 && second != kRaveEnd
                              ? uint32_t(rave_.events[size_t(second)].time)
                              : kNeverTime;
    host_.songStarted();
}

bool RaveEngine::appendNode(uint8_t kind, std::string_view name) {
    if (rave_.recordingDisabled) return false;
    if (rave_.nodeCount >= kRaveNodes) {
        services_.showAlert(kRaveFullMessage);
        rave_.recordingDisabled = true;
        return false;
    }
    const int index = rave_.nodeCount;
    RaveEvent& cur = rave_.events[size_t(rave_.current)];
    RaveEvent& node = rave_.events[size_t(index)];
    node = RaveEvent{};
    node.previous = rave_.current;
    node.next = cur.next;
    if (cur.next != kRaveEnd) rave_.events[size_t(cur.next)].previous = index;
    cur.next = index;
    node.kind = kind;
    if (raveIsPoint(kind)) {
        node.payload = host_.currentValues();
    } else {
        const uint32_t now = host_.songTime();
        if (int32_t(now) != cur.time) host_.setLastBeatTime(now);
        writeNameField(node.payload.data(), name, kRavePayload);
    }
    node.time = int32_t(host_.lastBeatTime());
    rave_.current = index;
    ++rave_.replayPosition;
    ++rave_.nodeCount;
    return true;
}

// --- Recording --------------------------------------------------------------------------------

void RaveEngine::recordBeat() {
    if (services_.edition() == Edition::LIVE || !isRecording()) return;
    appendNode(kRaveBeat);
}

uint32_t RaveEngine::nextBeatTime() const {
    if (isReplaying()) return rave_.nextEventTime;
    return host_.nextTempoBeat();
}

void RaveEngine::recordChange(int code, int newValue, int oldValue, uint32_t time, int holdMode) {
    if (services_.edition() == Edition::LIVE || rave_.recordingDisabled) return;
    if (code < 1 || code > kChangeCodes) return;
    const bool retroactive = holdMode == 1;
    const uint32_t next = nextBeatTime();
    const bool clearOfNext = next == kNeverTime || msFrom(time, next) >= kRaveMargin;

    // 1. A change well between two beats (or after a file event) gets a point of its own.
    const uint8_t curKind = rave_.events[size_t(rave_.current)].kind;
    const bool ownPoint =
        raveIsPoint(curKind)
            ? !retroactive && msFrom(host_.lastBeatTime(), time) >= kRaveMargin && clearOfNext
            : true;
    if (ownPoint) {
        if (rave_.nodeCount < kRaveNodes) {
            host_.countChangePoint();
            host_.setLastBeatTime(time);
        }
        appendNode(kRaveChangePoint);  // a full list shows its message here
    }

    // 2. The node that carries the change.
    int target = rave_.current;
    if (retroactive) {
        target = 0;
        int steps = 0;
        for (int i = rave_.current; i > 0 && steps <= rave_.nodeCount;
             i = rave_.events[size_t(i)].previous, ++steps) {
            const RaveEvent& e = rave_.events[size_t(i)];
            if (raveIsPoint(e.kind) && int(int8_t(e.payload[size_t(code - 1)])) == -oldValue) {
                target = i;
                break;
            }
        }
    } else if (msFrom(host_.lastBeatTime(), time) >= kRaveMargin && !clearOfNext) {
        const int32_t following = rave_.events[size_t(rave_.current)].next;
        if (following != kRaveEnd && raveIsPoint(rave_.events[size_t(following)].kind)) {
            target = following;
            rave_.skipOnce[size_t(code - 1)] = true;
        } else if (appendNode(kRaveChangePoint)) {
            // It stands for the coming beat, so a replay makes the change on that beat.
            rave_.events[size_t(rave_.current)].time = int32_t(next);
            target = rave_.current;
        }
    }
    // A full list may leave the song on a file event, which has no values to carry.
    for (int steps = 0; target > 0 && !raveIsPoint(rave_.events[size_t(target)].kind) &&
                        steps <= rave_.nodeCount;
         ++steps)
        target = rave_.events[size_t(target)].previous;
    if (target < 0) target = 0;

    // 3. Store.
    storeValue(target, code, newValue);

    // 4. Later points that still hold the old value follow the change.
    if (isReplaying() || retroactive) propagate(target, code, oldValue, newValue);
}

void RaveEngine::storeValue(int node, int code, int value) {
    RaveEvent& e = rave_.events[size_t(node)];
    VisualState& live = host_.visualState();
    auto put = [&](int c, int v, size_t offset) {
        if (node == 0) {
            e.payload[size_t(c - 1)] = uint8_t(v);
            if (offset) rave_.songStart.set(offset, uint8_t(v));
        } else {
            e.payload[size_t(c - 1)] = uint8_t(-v);
        }
    };
    put(code, value, raveRecordOffset(code, live.get(vs::CurrentMovement)));
    if (code == kChangeMovement && value >= 1 && value <= kMovementSlots) {
        const size_t params = VisualState::movementParams(value - 1);
        for (int p = 0; p < 3; ++p)
            put(kChangeParameter1 + p, live.get(params + size_t(p)), params + size_t(p));
    }
}

void RaveEngine::propagate(int from, int code, int oldValue, int newValue) {
    const int category = codeCategory(code);
    const VisualState& live = host_.visualState();
    int steps = 0;
    for (int32_t i = rave_.events[size_t(from)].next; i != kRaveEnd && steps < rave_.nodeCount;
         i = rave_.events[size_t(i)].next, ++steps) {
        RaveEvent& e = rave_.events[size_t(i)];
        if (raveIsPoint(e.kind)) {
            if (int(int8_t(e.payload[size_t(code - 1)])) != oldValue) break;
            e.payload[size_t(code - 1)] = uint8_t(newValue);
            if (code == kChangeMovement && newValue >= 1 && newValue <= kMovementSlots) {
                const size_t params = VisualState::movementParams(newValue - 1);
                for (size_t p = 0; p < 3; ++p)
                    e.payload[size_t(kChangeParameter1 - 1) + p] = live.get(params + p);
            }
        } else if (category >= 0 && raveKindCategory(e.kind) == category &&
                   raveKindSlot(e.kind) == oldValue - 1) {
            break;
        }
    }
}

void RaveEngine::recordFileEvent(int category, int slot, std::string_view name, int raveMode) {
    if (services_.edition() == Edition::LIVE || raveMode == 0) return;
    const size_t offset = slotNameOffset(category, slot);
    if (!offset) return;
    if (isRecording()) {
        const uint8_t kind = raveFileKind(category, slot);
        if (raveMode == 1) {
            appendNode(kind, name);
            return;
        }
        // Mode 2 renames the last load of this slot instead of adding one.
        int steps = 0;
        for (int i = rave_.current; i >= 0 && steps <= rave_.nodeCount;
             i = rave_.events[size_t(i)].previous, ++steps) {
            RaveEvent& e = rave_.events[size_t(i)];
            if (e.kind == kind && i != 0) {
                writeNameField(e.payload.data(), name, kRavePayload);
                return;
            }
        }
        return;
    }
    if (isReplaying() && !rave_.applyingSongStart) rave_.songStart.setName(offset, name);
}

// --- Replaying --------------------------------------------------------------------------------

uint32_t RaveEngine::timeAfter(int index) const {
    const int32_t next = rave_.events[size_t(index)].next;
    if (next != kRaveEnd) return uint32_t(rave_.events[size_t(next)].time);
    return host_.listening() ? kNeverTime : host_.continueTempo(host_.lastBeatTime());
}

void RaveEngine::replayStep(uint32_t now) {
    int steps = 0;
    while (isReplaying() && songTimeReached(now, rave_.nextEventTime) &&
           steps++ < rave_.nodeCount) {
        const int32_t next = rave_.events[size_t(rave_.current)].next;
        if (next == kRaveEnd) {
            rave_.replayPosition = rave_.nodeCount;  // a list shorter than its count: done
            break;
        }
        const uint32_t due = rave_.nextEventTime;
        rave_.current = next;
        ++rave_.replayPosition;
        host_.setLastBeatTime(due);
        rave_.nextEventTime = timeAfter(next);
        replayNode(next);
    }
}

void RaveEngine::replayNode(int index) {
    const RaveEvent& e = rave_.events[size_t(index)];
    if (!host_.manualMode()) {
        if (raveIsPoint(e.kind))
            applyPoint(index, uint32_t(e.time), true);
        else
            loadFileEvent(e);
    }
    if (e.kind == kRaveBeat) host_.flashBeat();
}

void RaveEngine::applyPoint(int index, uint32_t time, bool honourSkips) {
    const RaveEvent& e = rave_.events[size_t(index)];
    const int movement = magnitude(e.payload[size_t(kChangeMovement - 1)]);
    if (movement >= 1 && movement <= kMovementSlots) host_.makeMovementCurrent(movement);
    for (int code = 1; code <= kChangeCodes; ++code) {
        bool& skip = rave_.skipOnce[size_t(code - 1)];
        if (honourSkips && skip) {
            skip = false;
            continue;
        }
        const int want = magnitude(e.payload[size_t(code - 1)]);
        if (want != host_.currentValues()[size_t(code - 1)])
            host_.applyRecordedChange(code, want, time);
    }
}

void RaveEngine::loadFileEvent(const RaveEvent& e) {
    const int category = raveKindCategory(e.kind);
    const int slot = raveKindSlot(e.kind);
    const size_t offset = slotNameOffset(category, slot);
    if (!offset) return;  // not a kind a load makes
    const std::string name = readNameField(e.payload.data(), kRavePayload);
    if ((category == 4 || category == 10) && host_.visualState().name(offset) == name) return;
    host_.loadRecordedAsset(category, slot, name);
}

void RaveEngine::seekRave(uint32_t time) {
    rave_.skipOnce.fill(false);
    if (msFrom(uint32_t(rave_.events[size_t(rave_.current)].time), time) < 0) {
        rave_.current = 0;
        rave_.replayPosition = 1;
    }
    int steps = 0;
    for (int32_t next = rave_.events[size_t(rave_.current)].next;
         next != kRaveEnd && msFrom(uint32_t(rave_.events[size_t(next)].time), time) >= 0 &&
         steps < rave_.nodeCount;
         next = rave_.events[size_t(next)].next, ++steps) {
        rave_.current = next;
        ++rave_.replayPosition;
        const RaveEvent& e = rave_.events[size_t(next)];
        if (!raveIsPoint(e.kind)) loadFileEvent(e);
    }
    // Back to the last point at or before the time: its values are the ones in force.
    steps = 0;
    while (rave_.current > 0 && !raveIsPoint(rave_.events[size_t(rave_.current)].kind) &&
           steps++ < rave_.nodeCount) {
        rave_.current = rave_.events[size_t(rave_.current)].previous;
        if (rave_.replayPosition > 1) --rave_.replayPosition;
    }
    if (rave_.current < 0) rave_.current = 0;
    const RaveEvent& at = rave_.events[size_t(rave_.current)];
    host_.setLastBeatTime(uint32_t(at.time));
    rave_.nextEventTime = timeAfter(rave_.current);
    applyPoint(rave_.current, time, false);
    host_.restartTimers(time);
}

void RaveEngine::rewindToStart(uint32_t time) {
    rave_.current = 0;
    rave_.replayPosition = 1;
    rave_.applyingSongStart = true;
    host_.applyStyle(rave_.songStart);
    rave_.applyingSongStart = false;
    seekRave(time);
}

}  // namespace korel
