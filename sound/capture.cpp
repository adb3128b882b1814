// Device set-up and the capture ring's recording cycle.
#include <functional>
#include <string>
#include <vector>

#include "sound/sound.h"

namespace korel {

namespace {

const char* const kFormatRejected =
    "Sound device not supported! Try selecting a different sound recording device in Windows "
    "and restart Korel.";

// One device: device 0; several: the first whose name equals the preferred one exactly, or
// device 0 when there is no preference or no match.
unsigned chooseDevice(SoundInput& input, const std::vector<std::string>& names, bool output) {
    if (names.size() == 1) return 0;
    std::string preferred;
    if (!input.preferredDevice(output, preferred)) return 0;
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == preferred) return unsigned(i);
    }
    return 0;
}

constexpr LineType kChannelOrder[] = {
    LineType::CompactDisc, LineType::Digital,    LineType::Auxiliary,   LineType::Line,
    LineType::WaveOutput,  LineType::Microphone, LineType::Synthesizer, LineType::Analog,
    LineType::Telephone,   LineType::PcSpeaker,  LineType::Undefined,
};

// Lists the recording destination's lines as channels and selects the remembered ones.
bool enumerateChannels(Sound& sound) {
    SoundDevices& d = sound.devices;
    std::vector<MixerLine> lines;
    int code = 0;
    MixerStatus st =
        sound.input->destinationLines(MixerSide::Recording, d.recordMixer, lines, code);
    if (st == MixerStatus::NoMixer) {
        sound.fatalFailure = "MixerInputs";
        return false;
    }
    if (st == MixerStatus::Failed) {
        sound.fatalFailure = "AudioLineInfo:" + std::to_string(code);
        return false;
    }
    const bool cd = sound.edition == Edition::CD;
    d.channelCount = 0;
    for (LineType type : kChannelOrder) {
        for (const MixerLine& line : lines) {
            if (line.type != type || d.channelCount >= kMaxChannels) continue;
            d.channels[size_t(d.channelCount++)] = InputChannel{lineDisplayName(line), line.type};
        }
    }
    // A remembered channel that this device does not have is chosen afresh.
    if (d.cdChannel != kNoChannel && d.cdChannel >= d.channelCount) d.cdChannel = kNoChannel;
    if (d.externalChannel != kNoChannel && d.externalChannel >= d.channelCount) {
        d.externalChannel = kNoChannel;
    }
    if (cd) {
        for (int i = 0; i < d.channelCount; ++i) {
            if (d.cdChannel == kNoChannel && d.channels[size_t(i)].type == LineType::CompactDisc) {
                d.cdChannel = uint8_t(i);
            }
            if (d.externalChannel == kNoChannel &&
                d.channels[size_t(i)].type == LineType::Microphone) {
                d.externalChannel = uint8_t(i);
            }
        }
    }
    if (d.channelCount == 0) return true;
    if (cd) {
        if (d.cdChannel == kNoChannel) d.cdChannel = 0;
        selectInputChannel(sound, d.cdChannel);
        if (!sound.fatalFailure.empty()) return false;
    }
    if (d.externalChannel == kNoChannel) d.externalChannel = uint8_t(d.channelCount - 1);
    selectInputChannel(sound, d.externalChannel);
    return sound.fatalFailure.empty();
}

// True when the sound server did not answer: a failure then says nothing about the devices.
bool serverAway(const Sound& sound) {
    return sound.input && sound.input->serverState() != ServerState::Ready;
}

// Start-up without a sound server: not a missing sound card. The program runs without input
// and the server watch opens it when a server answers.
bool runWithoutServer(Sound& sound, Services& services) {
    SoundDevices& d = sound.devices;
    sound.fatalFailure.clear();
    if (d.inputOpen) sound.input->closeCapture();
    d.inputOpen = false;
    if (sound.edition != Edition::MP3) {
        d.inputLost = true;
        services.showAlert(kInputBusy);
    }
    d.setUpDone = true;
    return true;
}

}  // namespace

void Sound::Hook::bufferDone(int header) {
    captureCallback(sound, header);
}

bool setUpSound(Sound& sound, Services& services, const std::function<void()>& openCdDrive) {
    SoundDevices& d = sound.devices;
    sound.fatalFailure.clear();
    d.setUpDone = false;
    if (sound.input) d.seenLosses = sound.input->lossCount();
    std::vector<std::string> outputs;
    if (sound.input) outputs = sound.input->outputDevices();
    if (outputs.empty()) {
        if (serverAway(sound)) {
            if (sound.edition == Edition::CD && openCdDrive) openCdDrive();
            return runWithoutServer(sound, services);
        }
        sound.fatalFailure = "NoSoundMixers";
        return false;
    }
    d.playbackDevice = chooseDevice(*sound.input, outputs, true);
    d.playbackMixer = d.playbackDevice;

    if (sound.edition != Edition::MP3) {
        if (sound.edition == Edition::CD && openCdDrive) openCdDrive();
        std::vector<std::string> inputs = sound.input->inputDevices();
        if (inputs.empty()) {
            if (serverAway(sound)) return runWithoutServer(sound, services);
            sound.fatalFailure = "WaveInGetNumDevs";
            return false;
        }
        d.recordDevice = chooseDevice(*sound.input, inputs, false);
        d.recordMixer = d.recordDevice;
        switch (sound.input->openCapture(d.recordDevice, &sound.hook)) {
            case CaptureOpen::Ok:
                d.inputOpen = true;
                break;
            case CaptureOpen::FormatRejected:
                services.showAlert(kFormatRejected);
                break;
            case CaptureOpen::Failed:
                if (serverAway(sound)) return runWithoutServer(sound, services);
                services.showAlert(kInputBusy);
                break;
        }
        if (!enumerateChannels(sound)) {
            // A server that went away in the middle is not a missing mixer either.
            if (serverAway(sound)) return runWithoutServer(sound, services);
            return false;
        }
    }
    readOutputVolume(sound);
    setOutputVolume(sound, d.outputVolume);
    d.setUpDone = true;
    return true;
}

bool reopenSoundInput(Sound& sound) {
    SoundDevices& d = sound.devices;
    if (!sound.input || sound.edition == Edition::MP3) return false;
    if (d.inputOpen) sound.input->closeCapture();
    d.inputOpen = false;
    d.capturing.store(false);
    const std::vector<std::string> outputs = sound.input->outputDevices();
    const std::vector<std::string> inputs = sound.input->inputDevices();
    if (outputs.empty() || inputs.empty()) return false;
    d.playbackDevice = chooseDevice(*sound.input, outputs, true);
    d.playbackMixer = d.playbackDevice;
    d.recordDevice = chooseDevice(*sound.input, inputs, false);
    d.recordMixer = d.recordDevice;
    if (sound.input->openCapture(d.recordDevice, &sound.hook) != CaptureOpen::Ok) return false;
    d.inputOpen = true;
    // The channel list may differ on the new server; the remembered channel is selected again.
    // Mixer failures here are not fatal.
    const bool listed = enumerateChannels(sound);
    sound.fatalFailure.clear();
    if (!listed) {
        sound.input->closeCapture();
        d.inputOpen = false;
        return false;
    }
    readOutputVolume(sound);
    if (d.wantCapture) startCapture(sound);
    return true;
}

void startCapture(Sound& sound) {
    SoundDevices& d = sound.devices;
    d.wantCapture = true;
    sound.listen.lastCapturePosition = 0;
    sound.listen.decidedPosition = 0;
    d.bufferTurn.store(0);
    sound.ring.fill(0, 2 * kRingThird, 0);
    sound.ring.fill(2 * kRingThird, kRingSize, 128);
    if (!d.inputOpen || !sound.input) return;
    d.capturing.store(true);
    sound.input->queueBuffer(0, sound.ring.third(0), kRingThird);
    sound.input->startCapture();
    sound.input->queueBuffer(1, sound.ring.third(1), kRingThird);
    sound.input->queueBuffer(2, sound.ring.third(2), kRingThird);
}

void stopCapture(Sound& sound) {
    sound.devices.wantCapture = false;
    sound.devices.capturing.store(false);
    if (sound.devices.inputOpen && sound.input) sound.input->resetCapture();
}

void closeSound(Sound& sound) {
    stopCapture(sound);
    if (sound.devices.inputOpen && sound.input) sound.input->closeCapture();
    sound.devices.inputOpen = false;
}

void captureCallback(Sound& sound, int header) {
    SoundDevices& d = sound.devices;
    if (!d.capturing.load() || header < 0 || header > 2) return;
    // Clear the third after the one now being recorded, so that zeros mark where the newest
    // data ends once recording reaches it.
    switch (d.bufferTurn.load()) {
        case 0:
            sound.ring.fill(2 * kRingThird, kRingSize, 0);
            d.bufferTurn.store(1);
            break;
        case 1:
            sound.ring.fill(0, kRingThird, 0);
            d.bufferTurn.store(2);
            break;
        default:
            sound.ring.fill(kRingThird, 2 * kRingThird, 0);
            d.bufferTurn.store(0);
            break;
    }
    if (sound.input) sound.input->queueBuffer(header, sound.ring.third(header), kRingThird);
}

uint32_t capturePosition(Sound& sound) {
    if (!sound.devices.inputOpen || !sound.input) return 0;
    return sound.input->capturePosition();
}

}  // namespace korel
