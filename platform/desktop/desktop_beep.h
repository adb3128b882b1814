// The warning beep: a short generated tone played through the sound server (libpulse).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace korel::desktop {

// The beep's samples: signed 16-bit mono at `rate`, `ms` long, with short fades at both ends so
// the tone starts and stops without a click.
std::vector<int16_t> beepTone(int rate, int ms, double frequency);

class Beeper {
  public:
    Beeper();
    ~Beeper();
    Beeper(const Beeper&) = delete;
    Beeper& operator=(const Beeper&) = delete;

    // Plays the tone on the server's default sink without waiting for it. The server is
    // contacted on the first beep, in the background and at most once a second; while there is
    // none the beep is silent (a beep asked for during the first attempt plays when it
    // succeeds). Nothing is printed and no server is started.
    void beep();

    // Beeps that reached the server (for tests).
    int played() const;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace korel::desktop
