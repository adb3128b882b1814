// What the two players' transports share: the steps of the wind buttons and how closely the
// song time follows the music heard.
#pragma once

#include <cstdint>

namespace korel {

constexpr uint32_t kWindFirstStep = 3000;
constexpr uint32_t kWindStep = 2000;
constexpr uint32_t kWindStepInterval = 150;
constexpr int64_t kHeardDrift = 30;        // ms the song time may stray from the music heard
constexpr int64_t kHeardStartWait = 5000;  // ms a song waits at 0 for its output to start

}  // namespace korel
