// How long the main loop may sleep: the time until the frame tick's earliest timer is due.
#include <algorithm>

#include "shell/conductor.h"

namespace korel {

namespace {

constexpr uint32_t kListeningMs = 2;  // the analysis runs at least this often while listening
constexpr uint32_t kLongestMs = 100;  // the loop looks round at least this often

// Milliseconds from t until a timer that fires once t passes `due` (kNeverTime: never).
uint32_t until(uint32_t t, uint32_t due) {
    if (due >= kNeverTime) return kLongestMs;
    const int32_t d = int32_t(due - t);
    return d < 0 ? 0 : uint32_t(d) + 1;
}

}  // namespace

uint32_t Conductor::msUntilDue() {
    if (!playing_) return kLongestMs;
    const uint32_t t = services_.songClock();
    uint32_t wait = kLongestMs;
    if (vs_.switchOn(vs::kSwitchListening)) {
        if (sound_.devices.inputOpen) wait = kListeningMs;
    } else {
        const uint32_t next = triggers_.tempo().nextBeatTime;
        if (next < kNeverTime) wait = std::min(wait, int32_t(next - t) <= 0 ? 0 : next - t);
    }
    if (tick_.beatLightOn) wait = std::min(wait, until(t, tick_.beatLightTime + kBeatLightMs));
    wait = std::min(wait, until(t, tick_.nextTrailTime));
    if (services_.shell().paletteLive) {
        wait = std::min(wait, until(t, tick_.nextColourTime));
        if (tick_.colourInterval > kScaleRefreshMs)
            wait = std::min(wait, until(t, tick_.nextScaleRefresh));
    }
    wait = std::min(wait, (t / 500 + 1) * 500 - t);
    return wait;
}

}  // namespace korel
