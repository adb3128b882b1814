// How long the main loop may sleep: the time until the frame tick's earliest timer is due.
#include <algorithm>

#include "shell/conductor.h"

namespace korel {

namespace {

constexpr uint32_t kListeningMs = 2;  // the analysis runs at least this often while listening
constexpr uint32_t kLongestMs = 100;  // the loop looks round at least this often

// Milliseconds from t until a timer that fires once t reaches `due` (`passed`: once t lies
// past it). A timer that is never due allows the longest wait.
uint32_t until(uint32_t t, uint32_t due, bool passed = true) {
    if (due == kNeverTime) return kLongestMs;
    if (passed ? songTimePassed(t, due) : songTimeReached(t, due)) return 0;
    return songTimeSince(t, due) + (passed ? 1 : 0);
}

}  // namespace

uint32_t Conductor::msUntilDue() {
    if (!playing_) return kLongestMs;
    const uint32_t t = services_.songClock();
    uint32_t wait = kLongestMs;
    if (vs_.switchOn(vs::kSwitchListening)) {
        if (sound_.devices.inputOpen) wait = kListeningMs;
    } else {
        wait = std::min(wait, until(t, triggers_.tempo().nextBeatTime, false));
    }
    if (tick_.beatLightOn)
        wait = std::min(wait, until(t, songTimePlus(tick_.beatLightTime, kBeatLightMs)));
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
