// The sound server watch: a lost input is reported once and opened again in the background.
#include "sound/sound.h"

namespace korel {

namespace {

constexpr uint32_t kServerRetryMs = 1000;

}  // namespace

void watchSoundServer(Sound& sound, Services& services, uint32_t tick) {
    SoundDevices& d = sound.devices;
    if (!sound.input || !d.setUpDone || sound.edition == Edition::MP3) return;
    const uint32_t losses = sound.input->lossCount();
    if (losses != d.seenLosses) {
        d.seenLosses = losses;
        if (!d.inputLost) {
            // The capture is dead: close it so nothing writes the ring any more. wantCapture
            // stays, so capture resumes when the input is back.
            d.capturing.store(false);
            if (d.inputOpen) sound.input->closeCapture();
            d.inputOpen = false;
            d.inputLost = true;
            d.awaitingServer = false;
            d.nextServerTry = tick;
            services.showAlert(kInputBusy);
        }
    }
    if (!d.inputLost) return;

    const ServerState state = sound.input->serverState();
    if (state == ServerState::Connecting) return;  // the attempt under way decides
    // An attempt that just succeeded is followed up at once; otherwise one try a second.
    const bool answered = d.awaitingServer && state == ServerState::Ready;
    d.awaitingServer = false;
    if (!answered && int32_t(tick - d.nextServerTry) < 0) return;
    d.nextServerTry = tick + kServerRetryMs;
    if (state == ServerState::Unreachable) {
        sound.input->reconnect();
        d.awaitingServer = true;
        return;
    }
    // A loss while reopening is noticed on the next tick.
    const uint32_t before = sound.input->lossCount();
    if (reopenSoundInput(sound)) {
        d.inputLost = false;
        d.seenLosses = before;
    }
}

bool soundAvailable(const Sound& sound) {
    if (sound.edition == Edition::MP3) return sound.mp3.graph && sound.mp3.graph->isOpen();
    return sound.devices.inputOpen;
}

}  // namespace korel
