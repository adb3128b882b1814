// Headless sound devices: a scripted mixer and a capture fed from a WAV file (or samples) at the
// virtual clock's pace.
//
// Capture delivers samples when the program asks for the position (or when pump() is called):
// everything due since startCapture by the platform's tick count, in 10 ms pieces, on the
// caller's thread, so runs repeat exactly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "platform/platform.h"
#include "platform/sound_input.h"

namespace korel {

// Decodes a WAV file (PCM 8, 16, 24 or 32 bits, or 32/64-bit float; any rate and channel
// count) into 11025 Hz 8-bit unsigned mono, resampled through a low-pass filter as a sound
// server would. False with a message for anything else.
bool decodeWav(const Bytes& file, std::vector<uint8_t>& samples, std::string& error);

// Something heard by the capture instead of the fixed feed (a playing drive, say).
class CaptureFeed {
  public:
    virtual ~CaptureFeed() = default;
    // Fills `n` samples (11025 Hz 8-bit unsigned mono) of what is heard from `first` on, a time
    // in 1/11025 s of the platform's clock (tick count × 11025 / 1000).
    virtual void feedCapture(uint64_t first, uint8_t* out, size_t n) = 0;
};

class HeadlessSound : public SoundInput {
  public:
    // One line of a scripted mixer destination.
    struct Line {
        MixerLine line;
        bool muted = true;
        uint16_t volume = 0;
        bool fails = false;  // every call on this line fails
    };

    explicit HeadlessSound(Platform& platform);

    // --- Script ------------------------------------------------------------------------------
    std::vector<std::string> outputs{"Headless Output"};
    std::vector<std::string> inputs{"Headless Input"};
    std::string preferredOutput, preferredInput;  // empty: no preference
    std::vector<Line> recordingLines;
    std::vector<Line> playbackLines;
    // The recording selector; its items are the recording lines' names unless set here.
    std::vector<std::string> selectorItems;
    std::vector<bool> selectorValues;
    bool multipleSelect = false;
    bool playbackMixerMissing = false, recordingMixerMissing = false;
    int recordingDestinationError = 0;  // non-zero: the destination is missing with this code
    bool selectorFails = false;
    uint16_t speakerVolume = 0;
    bool speakerVolumeFails = false;
    CaptureOpen openResult = CaptureOpen::Ok;
    // The recording line whose selection makes the feed audible; -1: the feed is always heard.
    // Other selections record silence.
    int liveLine = -1;
    // Every mixer write, as "side line mute 0/1", "side line volume v", "selector i..." and
    // "speaker v", for tests.
    std::vector<std::string> log;

    // Adds a line to both destinations (the usual case) and returns its index.
    int addLine(const std::string& name, LineType type, const std::string& shortName = "");

    // The feed: 11025 Hz 8-bit unsigned mono. After its end the capture records silence, or
    // starts again when `loop` is set.
    void setSamples(std::vector<uint8_t> samples, bool loop = false);
    // Loads a WAV file as the feed; false with a message when it cannot be used (the previous
    // feed is kept).
    bool loadWav(const std::string& path, std::string& error, bool loop = false);
    // While set, the capture hears `feed` instead of the samples above (null: the samples
    // again). Whoever changes what it will hear calls pump() first, so that what was due
    // before the change is delivered as it was.
    void setCaptureFeed(CaptureFeed* feed) { captureFeed_ = feed; }
    CaptureFeed* captureFeed() const { return captureFeed_; }
    // Delivers the samples due by the platform's clock.
    void pump();
    bool capturing() const { return started_; }

    // The sound server. killServer ends it: a loss when the program was connected, the capture
    // dies, the selector forgets its choice and every call fails as with no server. startServer runs one again; the program
    // reaches it through reconnect, which answers `connectMs` later by the platform's clock.
    void killServer();
    void startServer() { serverUp_ = true; }
    bool connected() const { return connected_; }
    uint32_t connectMs = 5;
    // The tick counts at which the program asked to reconnect.
    std::vector<uint32_t> reconnects;
    // Bumped by a script to report a change of the devices or volumes (see changeCount).
    uint32_t changes = 0;

    // --- SoundInput ------------------------------------------------------------------------
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
    uint32_t lossCount() override { return losses_; }
    uint32_t changeCount() override { return changes; }

  private:
    std::vector<Line>* side(MixerSide s);
    Line* findLine(MixerSide s, int line);
    bool mixerMissing(MixerSide s) const;
    bool feedAudible();
    void syncSelector();

    Platform& platform_;
    CaptureQueue queue_;
    bool open_ = false;
    bool started_ = false;
    uint32_t startTick_ = 0;
    uint64_t delivered_ = 0;
    std::vector<uint8_t> feed_;
    bool loop_ = false;
    CaptureFeed* captureFeed_ = nullptr;
    bool serverUp_ = true;
    bool connected_ = true;
    bool connecting_ = false;
    uint32_t connectStart_ = 0;
    uint32_t losses_ = 0;
};

}  // namespace korel
