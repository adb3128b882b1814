// The tempo and pattern clock: generated beats while not listening, tapped tempos and patterns,
// aligning, and the sound scale between generated beats.
#include <algorithm>

#include "triggers/triggers.h"

namespace korel {

void TriggerEngine::setTempo(uint16_t tempo, uint32_t time) {
    tempo_.patternMode = false;
    tempo_.interval = tempoInterval(tempo);
    tempo_.intervalInUse = tempo_.interval;
    if (!host_.raveReplaying())
        tempo_.nextBeatTime =
            vs_.switchOn(vs::kSwitchListening) ? kNeverTime : songTimePlus(time, tempo_.interval);
    vs_.setTempo(tempo);
    host_.redrawTempoPanel();
}

void TriggerEngine::switchListeningOff(uint32_t time) {
    if (tempo_.patternMode && tempo_.patternLength >= 1) {
        tempo_.intervalInUse = tempo_.pattern[0];
        tempo_.patternIndex = 1 % tempo_.patternLength;
    } else {
        tempo_.intervalInUse = tempo_.interval;
    }
    tempo_.nextBeatTime = songTimePlus(time, tempo_.intervalInUse);
}

void TriggerEngine::setListening(bool on, uint32_t time) {
    vs_.setSwitch(vs::kSwitchListening, on);
    trig_.currentValue[size_t(kChangeSwitches - 1)] = vs_.get(vs::Switches);
    host_.setListening(on);
    if (on)
        tempo_.nextBeatTime = kNeverTime;
    else if (!host_.raveReplaying())
        switchListeningOff(time);
}

bool TriggerEngine::nextGeneratedBeat(uint32_t now, bool standIn) {
    if (host_.raveReplaying()) return false;
    if (vs_.switchOn(vs::kSwitchListening)) {
        if (!standIn) return false;
        if (!tempo_.standingIn || tempo_.nextBeatTime >= kNeverTime) {
            tempo_.standingIn = true;
            switchListeningOff(now);
        }
    }
    if (!songTimeReached(now, tempo_.nextBeatTime)) return false;
    tempo_.lastBeatTime = tempo_.nextBeatTime;
    if (tempo_.patternMode && tempo_.patternLength >= 1) {
        int i = std::clamp(tempo_.patternIndex, 0, tempo_.patternLength - 1);
        tempo_.intervalInUse = tempo_.pattern[size_t(i)];
        tempo_.patternIndex = (i + 1) % tempo_.patternLength;
    } else {
        tempo_.intervalInUse = tempo_.interval;
    }
    tempo_.nextBeatTime = songTimePlus(tempo_.nextBeatTime, tempo_.intervalInUse);
    return true;
}

double TriggerEngine::soundScaleAt(uint32_t now) const {
    if (!songTimePassed(now, tempo_.lastBeatTime) || tempo_.intervalInUse == 0) return 1.0;
    double s = 1.0 - double(songTimeSince(tempo_.lastBeatTime, now)) / double(tempo_.intervalInUse);
    return std::clamp(s, 0.0, 1.0);
}

double TriggerEngine::beatFraction(uint32_t now) const {
    if (tempo_.nextBeatTime == kNeverTime || tempo_.intervalInUse == 0) return 0.0;
    if (songTimeReached(now, tempo_.nextBeatTime)) return 1.0;
    double f = 1.0 - double(songTimeSince(now, tempo_.nextBeatTime)) / double(tempo_.intervalInUse);
    return std::clamp(f, 0.0, 1.0);
}

// --- Taps -------------------------------------------------------------------------------------

bool TriggerEngine::allowTap() {
    if (!host_.raveReplaying()) return true;
    services_.showAlert(kRaveReplayRefusal);
    return false;
}

// Both panels fill the same buffer, so a pattern applied after tempo taps (or the other way
// round) works from the taps that were really made.
void TriggerEngine::recordTap(uint32_t time) {
    // The count is one byte: the 256th tap clears it, and the next begins a new sequence.
    if (tempo_.tapCount == kMaxTaps) {
        tempo_.tapCount = 0;
        host_.redrawTempoPanel();
        return;
    }
    ++tempo_.tapCount;
    if (tempo_.tapCount == 1)
        tempo_.firstTapTime = time;
    else
        tempo_.lastTapTime = time;
    if (tempo_.tapCount <= kStoredTaps) tempo_.tapTimes[tempo_.tapCount - 1] = time;
    host_.redrawTempoPanel();
}

uint16_t TriggerEngine::tappedTempo() const {
    if (tempo_.tapCount < 2) return 0;
    // Taps at the same moment (or a clock that went back) count as the fastest tempo.
    if (tempo_.lastTapTime <= tempo_.firstTapTime) return kMaxTappedTempo;
    uint64_t t =
        uint64_t(tempo_.tapCount - 1) * 6000000u / (tempo_.lastTapTime - tempo_.firstTapTime);
    return uint16_t(std::min<uint64_t>(t, kMaxTappedTempo));
}

void TriggerEngine::tapTempo(uint32_t time) {
    if (!allowTap()) return;
    tempo_.patternMode = false;
    recordTap(time);
}

void TriggerEngine::tapPattern(uint32_t time) {
    if (!allowTap()) return;
    recordTap(time);
}

void TriggerEngine::alignNow(uint32_t time) {
    tempo_.nextBeatTime = time;
    if (tempo_.patternMode) tempo_.patternIndex = 0;
}

void TriggerEngine::align(uint32_t time) {
    if (!allowTap()) return;
    if (!vs_.switchOn(vs::kSwitchListening)) alignNow(time);
}

void TriggerEngine::clearTaps() {
    if (!allowTap()) return;
    tempo_.tapCount = 0;
    host_.redrawTempoPanel();
}

void TriggerEngine::applyTappedTempo(uint32_t time) {
    if (!allowTap()) return;
    if (tempo_.tapCount < 2) {
        if (tempo_.tapCount == 0 && !vs_.switchOn(vs::kSwitchListening)) alignNow(time);
        return;
    }
    setTempo(tappedTempo(), time);
    if (vs_.switchOn(vs::kSwitchListening))
        applyChange(kChangeSwitches, vs_.get(vs::Switches) & ~vs::kSwitchListening, time,
                    host_.controlsVisible(), true, kHoldApply, false);
    tempo_.nextBeatTime = time;
    tempo_.tapCount = 0;
    host_.redrawTempoPanel();
}

void TriggerEngine::applyTappedPattern(uint32_t time) {
    if (!allowTap()) return;
    if (tempo_.tapCount < 2) {
        if (tempo_.tapCount == 0 && !vs_.switchOn(vs::kSwitchListening)) alignNow(time);
        return;
    }
    int n = int(std::min<uint32_t>(tempo_.tapCount, kStoredTaps));
    std::array<uint32_t, kMaxPatternIntervals> pattern{};
    uint64_t total = 0;
    for (int i = 0; i + 1 < n; ++i) {
        uint32_t a = tempo_.tapTimes[size_t(i)];
        uint32_t b = tempo_.tapTimes[size_t(i + 1)];
        pattern[size_t(i)] = b >= a ? b - a : 0;
        total += pattern[size_t(i)];
    }
    tempo_.tapCount = 0;
    // A pattern of nothing but simultaneous taps would beat on every frame.
    if (total == 0) {
        host_.redrawTempoPanel();
        return;
    }
    tempo_.patternMode = true;
    tempo_.patternLength = n - 1;
    tempo_.pattern = pattern;
    if (vs_.switchOn(vs::kSwitchListening))
        applyChange(kChangeSwitches, vs_.get(vs::Switches) & ~vs::kSwitchListening, time,
                    host_.controlsVisible(), true, kHoldApply, false);
    tempo_.nextBeatTime = time;
    tempo_.patternIndex = 0;
    tempo_.intervalInUse = tempo_.pattern[0];
    host_.redrawTempoPanel();
}

}  // namespace korel
