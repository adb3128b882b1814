// Shared set-up of the sound tests: a Sound over scripted headless devices.
#pragma once

#include <cmath>
#include <vector>

#include "platform/headless/headless_sound.h"
#include "sound/sound.h"
#include "support/test_services.h"

namespace korel::test {

// `seconds` of a sine at `hz` with amplitude `amp` (1..127) around 128.
inline std::vector<uint8_t> tone(double hz, int amp, double seconds) {
    std::vector<uint8_t> s(size_t(seconds * kCaptureRate));
    for (size_t i = 0; i < s.size(); ++i) {
        s[i] = uint8_t(
            128 + std::lround(amp * std::sin(6.283185307179586 * hz * double(i) / kCaptureRate)));
    }
    return s;
}

struct SoundRig {
    explicit SoundRig(Edition e = Edition::LIVE)
        : services(e), devices(services.headless()), sound(e, &devices) {
        vs = defaultVisualState();
    }
    // Sets up with the scripted devices and starts capture at the current virtual time.
    void start() {
        setUpSound(sound, services);
        startCapture(sound);
        listenSongStart(sound.listen);
    }
    void advance(uint32_t ms) { services.headless().advance(ms); }
    uint32_t now() { return services.headless().tickCount(); }

    TestServices services;
    HeadlessSound devices;
    Sound sound;
    VisualState vs;
};

}  // namespace korel::test
