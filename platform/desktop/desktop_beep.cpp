// The beep through SDL audio (the sound server on a desktop).
#include "platform/desktop/desktop_beep.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korel::desktop {

namespace {
constexpr int kRate = 22050;
constexpr int kBeepMs = 80;
constexpr double kBeepHz = 880.0;
constexpr int kFadeMs = 5;
}  // namespace

std::vector<int16_t> beepTone(int rate, int ms, double frequency) {
    if (rate <= 0 || ms <= 0) return {};
    const size_t n = size_t(rate) * size_t(ms) / 1000;
    const size_t fade = std::max<size_t>(1, size_t(rate) * kFadeMs / 1000);
    std::vector<int16_t> out(n);
    for (size_t i = 0; i < n; ++i) {
        double gain = 0.3;
        if (i < fade) gain *= double(i) / double(fade);
        if (n - 1 - i < fade) gain *= double(n - 1 - i) / double(fade);
        const double s = std::sin(2.0 * std::numbers::pi * frequency * double(i) / rate);
        out[i] = int16_t(std::lround(s * gain * 32767.0));
    }
    return out;
}

Beeper::~Beeper() {
    if (device_) SDL_CloseAudioDevice(device_);
    if (audioStarted_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool Beeper::open() {
    if (device_) return true;
    if (failed_) return false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        failed_ = true;
        return false;
    }
    audioStarted_ = true;
    SDL_AudioSpec want{};
    want.freq = kRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 512;
    want.callback = nullptr;  // queued audio: SDL_QueueAudio never waits
    SDL_AudioSpec have{};
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
        failed_ = true;
        return false;
    }
    tone_ = beepTone(kRate, kBeepMs, kBeepHz);
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void Beeper::beep() {
    if (!open()) return;
    // A new beep replaces what is left of the previous one instead of piling up behind it.
    SDL_ClearQueuedAudio(device_);
    SDL_QueueAudio(device_, tone_.data(), Uint32(tone_.size() * sizeof(int16_t)));
}

}  // namespace korel::desktop
