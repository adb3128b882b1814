// The desktop sound devices on the PulseAudio sound server.
//
// Output devices are the server's sinks and input devices its sources; the preferred ones are
// the server's defaults. Every source is a line of the recording destination (a sink's monitor
// is the "wave output" type, so the program can listen to what the desktop plays); the selector
// moves the capture stream to the chosen source. The playback destination has the same lines:
// for a monitor its mute is the monitored sink's, other sources have nothing to unmute there.
// The speakers' volume is the chosen sink's volume, kept current by the server's change events.
//
// The server may be away at start or go away later: the connection is made in the background
// (never starting a server), every call fails at once while there is none, and a server or a
// capture stream that went away counts as a loss (see SoundInput::lossCount).
#pragma once

#include <memory>

#include "platform/sound_input.h"

namespace korel {

class PulseSoundInput : public SoundInput {
  public:
    // `cdChannel`: the CD edition's input, where the monitor of the default sink (what the CD
    // drive plays into) is the line "CD" of type CompactDisc rather than a wave output.
    explicit PulseSoundInput(bool cdChannel = false);
    ~PulseSoundInput() override;
    PulseSoundInput(const PulseSoundInput&) = delete;
    PulseSoundInput& operator=(const PulseSoundInput&) = delete;

    // Tries to reach the sound server when it is not ready and waits (a few seconds at most)
    // for the answer; true when it is ready.
    bool connected();
    void setCdChannel(bool on);

    std::vector<std::string> outputDevices() override;
    std::vector<std::string> inputDevices() override;
    bool preferredDevice(bool output, std::string& name) override;
    MixerStatus destinationLines(MixerSide side, unsigned device, std::vector<MixerLine>& lines,
                                 int& errorCode) override;
    MixerStatus lineMute(MixerSide side, unsigned device, int line, bool& muted) override;
    MixerStatus setLineMute(MixerSide side, unsigned device, int line, bool muted) override;
    MixerStatus setLineVolume(MixerSide side, unsigned device, int line, uint16_t volume) override;
    MixerStatus inputSelector(unsigned device, InputSelector& selector) override;
    MixerStatus setInputSelector(unsigned device, const std::vector<bool>& values) override;
    MixerStatus outputVolume(unsigned device, uint16_t& volume) override;
    MixerStatus setOutputVolume(unsigned device, uint16_t volume) override;
    CaptureOpen openCapture(unsigned device, CaptureClient* client) override;
    bool queueBuffer(int header, uint8_t* data, size_t size) override;
    bool startCapture() override;
    void resetCapture() override;
    void closeCapture() override;
    uint32_t capturePosition() override;
    ServerState serverState() override;
    void reconnect() override;
    uint32_t lossCount() override;
    uint32_t changeCount() override;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace korel
