// What the two players' transports share: the wind buttons' target and how closely the song
// time follows the music heard.
#pragma once

#include <cstdint>

namespace korel {

constexpr uint32_t kWindFirstStep = 3000;
constexpr uint32_t kWindStep = 2000;
constexpr uint32_t kWindStepInterval = 150;
constexpr int64_t kHeardDrift = 30;        // ms the song time may stray from the music heard
constexpr int64_t kHeardStartWait = 5000;  // ms a song waits at 0 for its output to start

// Where a held wind button has got to: a first step of 3 s from the song time, then 2 s every
// 150 ms, back to 0 past either end of the song.
class WindTarget {
public:
    void begin(uint32_t songTime, int direction, uint32_t length, uint32_t now, bool wasPaused) {
        active_ = true;
        direction_ = direction < 0 ? -1 : 1;
        length_ = length;
        wasPaused_ = wasPaused;
        target_ = int64_t(songTime) + direction_ * int64_t(kWindFirstStep);
        wrap();
        nextStep_ = now + kWindStepInterval;
    }
    // True when the target moved.
    bool pass(uint32_t now) {
        bool moved = false;
        while (active_ && int32_t(now - nextStep_) >= 0) {
            target_ += direction_ * int64_t(kWindStep);
            wrap();
            nextStep_ += kWindStepInterval;
            moved = true;
        }
        return moved;
    }
    void end() { active_ = false; }
    bool active() const { return active_; }
    bool rewinding() const { return direction_ < 0; }
    bool wasPaused() const { return wasPaused_; }
    uint32_t target() const { return uint32_t(target_); }

private:
    void wrap() {
        if (target_ < 0 || target_ >= int64_t(length_)) target_ = 0;
    }

    bool active_ = false;
    int direction_ = 1;
    bool wasPaused_ = false;
    uint32_t length_ = 0;
    int64_t target_ = 0;
    uint32_t nextStep_ = 0;
};

}  // namespace korel
