// The warning beep: a short generated tone through SDL audio.
#pragma once

#include <cstdint>
#include <vector>

namespace korel::desktop {

// The beep's samples: signed 16-bit mono at `rate`, `ms` long, with short fades at both ends so
// the tone starts and stops without a click.
std::vector<int16_t> beepTone(int rate, int ms, double frequency);

class Beeper {
  public:
    Beeper() = default;
    ~Beeper();
    Beeper(const Beeper&) = delete;
    Beeper& operator=(const Beeper&) = delete;

    // Plays the tone without waiting for it. The audio device is opened on the first beep;
    // when there is none the beep stays silent from then on.
    void beep();

  private:
    bool open();

    uint32_t device_ = 0;
    bool audioStarted_ = false;
    bool failed_ = false;
    std::vector<int16_t> tone_;
};

}  // namespace korel::desktop
