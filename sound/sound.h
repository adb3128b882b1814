// Sound input and beat detection: the capture ring, devices, input channels and volumes, the
// active-sound search, the analysis at the listening frequency, beats, sound scale and meters.
//
// All state is in one record, Sound, owned by the program object. The only code that runs on
// another thread is captureCallback (the platform's capture thread); it touches the ring,
// `capturing` and `bufferTurn` only.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "persist/visual_state.h"
#include "platform/music_graph.h"
#include "platform/sound_input.h"
#include "platform/surface.h"
#include "platform/types.h"
#include "core/services.h"

namespace korel {

constexpr size_t kRingSize = 33075;   // three seconds at 11025 samples per second
constexpr size_t kRingThird = 11025;  // one capture buffer
constexpr int kMaxChannels = 16;
constexpr uint8_t kNoChannel = 255;       // cdChannel / externalChannel not chosen yet
constexpr uint8_t kNoSearch = 129;        // searchChannel when no search runs
constexpr uint8_t kSearchStarting = 255;  // searchChannel when a search starts
constexpr uint8_t kSearchNone = 0, kSearchAutomatic = 1, kSearchByUser = 2;
constexpr uint32_t kScaleAnchorNever = 0x7FFFFFFF;
constexpr size_t kSampleBufferSamples = 2205;
// Said when the input cannot be opened, or goes away with the sound server.
constexpr const char* kInputBusy =
    "Unable to open sound input device! Close any applications that may be recording.";  // MP3 edition: the samples one request delivers
// The beat decision's cadence: one per 110 new samples (10 ms), and at most 64 of them caught up
// in one tick (older sound is skipped, it may have been cleared from the ring).
constexpr uint32_t kDecisionSamples = 110;
constexpr uint32_t kMaxCatchUp = 64;

// The capture ring: 8-bit unsigned samples (128 silence), 0 = not recorded yet. The capture
// thread writes it while the program thread reads it, without a lock; every access is a relaxed
// atomic byte access, which costs nothing more than a plain one.
class CaptureRing {
  public:
    uint8_t get(size_t i) const {
        return std::atomic_ref<uint8_t>(const_cast<uint8_t&>(bytes_[i]))
            .load(std::memory_order_relaxed);
    }
    void put(size_t i, uint8_t v) {
        std::atomic_ref<uint8_t>(bytes_[i]).store(v, std::memory_order_relaxed);
    }
    // Sets [from, to) to v.
    void fill(size_t from, size_t to, uint8_t v) {
        for (size_t i = from; i < to && i < kRingSize; ++i) put(i, v);
    }
    uint8_t* third(int k) { return bytes_.data() + size_t(k) * kRingThird; }

  private:
    std::array<uint8_t, kRingSize> bytes_{};
};

struct InputChannel {
    std::string name;  // at most 15 characters
    LineType type = LineType::Undefined;
};

struct SoundDevices {
    unsigned playbackDevice = 0;
    unsigned playbackMixer = 0;
    uint8_t outputVolume = 0;  // 0..255, the mixer value / 257
    unsigned recordDevice = 0;
    unsigned recordMixer = 0;
    bool inputOpen = false;
    std::atomic<bool> capturing{false};
    std::atomic<uint8_t> bufferTurn{0};  // the ring third the next completed buffer clears
    std::array<InputChannel, kMaxChannels> channels{};
    int channelCount = 0;
    uint8_t cdChannel = kNoChannel;
    uint8_t externalChannel = kNoChannel;
    uint8_t currentChannel = 0;
    uint8_t searchChannel = kNoSearch;
    uint8_t searchMode = kSearchNone;
    bool searchArmed = false;  // CD edition: search when the next CD starts

    // Set by the CD player while the drive is the music source; chooses which channel a choice
    // or a search remembers.
    bool musicFromCd = false;
    // Set when a search remembered a new channel; the controls redraw the SOUND INPUT panel
    // when it shows and clear it.
    bool inputPanelChanged = false;

    // --- The sound server (see watchSoundServer) ---
    // Start-up's set-up is over: from then on a failing mixer call is not fatal.
    bool setUpDone = false;
    // The input went away with the sound server (or no server answered at start-up); the watch
    // opens it again when the server answers.
    bool inputLost = false;
    // Music (or the LIVE animation) plays, so capture runs whenever the input is open.
    bool wantCapture = false;
    bool awaitingServer = false;  // an attempt to reach the server is under way
    uint32_t nextServerTry = 0;   // tick count
    uint32_t seenLosses = 0;
    uint32_t seenChanges = 0;
    uint32_t lastVolumePoll = 0;  // tick count
};

// The analysis state. Settings come from the VisualState at each call.
struct ListenState {
    uint8_t soundLevel = 0;
    uint8_t peakLevel = 0;
    uint32_t lastPeakDecay = 0;
    uint32_t scaleAnchor = kScaleAnchorNever;  // a signed moment kept modulo 2^32
    double soundScale = 0;
    double meterFraction = 0;
    bool freshSamples = false;
    uint8_t valleyLevel = 0;
    bool beatLatched = false;
    uint32_t lastBeatTime = 0;
    uint8_t drawnBeatMeter = 0;
    uint8_t drawnScaleMeter = 0;
    uint32_t lastCapturePosition = 0;
    uint32_t windowEnd = 0;
    uint32_t decidedPosition = 0;  // the capture position of the last beat decision
    int64_t lastRequestTime = 0;  // MP3 edition
    // The 40 ms refresh of sound-scaled colour effects is to run at once; the frame tick clears it.
    bool scaleRefreshDue = false;

    // cos and sin of the Fourier sum's angles for one period, so that repeated analyses at the
    // listening frequency do not recompute them. The angles are accumulated exactly as the
    // direct sum does, so the results are identical.
    int tablePeriod = 0;
    int tableLength = 0;
    std::array<double, kSampleBufferSamples> cosTable{};
    std::array<double, kSampleBufferSamples> sinTable{};
};

// MP3 edition: the decoded samples the playback graph's tap delivers (-128..128, newest last),
// with the rate and channel count of its latest format notice.
//
// The graph is safe to call from the program's thread while its streaming thread runs; `lock`
// guards the notice record the streaming thread writes. It is never held across a call into the
// graph, which may be waiting for its own lock on the streaming thread. `samples` and the rest
// belong to the program's thread.
struct SampleBuffer {
    std::array<double, kSampleBufferSamples + 1> samples{};
    MusicGraph* graph = nullptr;  // none: songs play without analysis
    std::recursive_mutex lock;  // a headless graph reports on the caller's thread
    // --- Written under `lock` by the notices ---
    uint32_t sampleRate = 0;
    uint32_t channels = 0;
    uint32_t noticeKind = 0;       // word 0 of the latest notice: 0 format, else data
    uint8_t format = 0;            // 1 mono 8-bit, 2 stereo 8-bit, 3 mono 16-bit, 4 stereo 16-bit
    bool songPlaying = false;      // data notices count only while a song plays
    bool formatRejected = false;   // a format notice of no known format; said once on the main thread
    uint32_t dataNotices = 0;      // the auto-reset event: moves with each data notice
    // --- The program's thread ---
    double seekOffset = 0;         // where the last seek went (s); the tap's time restarts there
    int64_t decidedTime = 0;       // tap time (100 ns) of the last beat decision
    uint32_t seenDataNotices = 0;

    // The tap's client: records the notices.
    struct Hook : TapClient {
        explicit Hook(SampleBuffer& b) : buffer(b) {}
        void notice(const TapNotice& block) override;
        SampleBuffer& buffer;
    };
    Hook hook{*this};
};

// The sound subsystem's record. It must not move while capture runs (the platform writes the
// ring through pointers), so it is neither copied nor moved.
struct Sound {
    explicit Sound(Edition e, SoundInput* in = nullptr) : edition(e), input(in) {}
    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;

    Edition edition;
    SoundInput* input;  // the platform's devices; null means there are none
    SoundDevices devices;
    ListenState listen;
    CaptureRing ring;
    SampleBuffer mp3;
    // The name of a fatal failure met by the last call ("NoSoundMixers", "MixerInChannel",
    // ...); the shell ends the program with it. Empty when there was none.
    std::string fatalFailure;

    // What the platform calls back with full buffers.
    struct Hook : CaptureClient {
        explicit Hook(Sound& s) : sound(s) {}
        void bufferDone(int header) override;
        Sound& sound;
    };
    Hook hook{*this};
};

// --- Devices and capture ------------------------------------------------------------------

// The device set-up of start-up. False when a fatal failure was met (its name is in
// fatalFailure). An input that cannot be opened shows its alert and returns true. The CD
// edition opens its drive through `openCdDrive`, between the output and the input devices.
bool setUpSound(Sound& sound, Services& services, const std::function<void()>& openCdDrive = {});
// Music (or the LIVE animation) starts and stops.
void startCapture(Sound& sound);
void stopCapture(Sound& sound);
// Shutdown: stops and closes the input.
void closeSound(Sound& sound);
// A buffer came back full (capture thread).
void captureCallback(Sound& sound, int header);
uint32_t capturePosition(Sound& sound);

// --- Channels, search and volume ------------------------------------------------------------

// Selects channel n for recording. False when any mixer call failed; a mixer that cannot be
// opened also sets fatalFailure.
bool selectInputChannel(Sound& sound, uint8_t n);
// The user's choice from the sound-input popup.
void chooseInputChannel(Sound& sound, Services& services, uint8_t n);
// The "Search" button; `playing` is whether music (or the LIVE animation) plays.
void startSearch(Sound& sound, Services& services, bool playing);
// CD edition: a CD starts playing.
void cdStarted(Sound& sound);
// One search step; the frame tick's half-second clock calls it while searchChannel != 129.
void searchStep(Sound& sound, Services& services, uint32_t songTime);
// Reads the output volume into outputVolume; true when it changed.
bool readOutputVolume(Sound& sound);
void setOutputVolume(Sound& sound, uint8_t volume);
// The background volume poll (`tick` is the platform's tick count): reads the output volume
// when the server reported a change, otherwise at most twice a second. True when it changed.
bool followOutputVolume(Sound& sound, uint32_t tick);

// --- The sound server ---------------------------------------------------------------------------

// Once per frame tick, whatever plays (`tick` is the platform's tick count). A lost input gets
// the input-device alert once; then the server is tried at most once a second without waiting,
// and when it answers the input is opened again, the remembered channel selected and capture
// resumed if music plays. Never fatal, never waits for a server that does not answer.
void watchSoundServer(Sound& sound, Services& services, uint32_t tick);
// Opens the recording side again after the server came back: devices, capture, channels, and
// capture started when music plays. False (nothing fatal) when the server did not allow it.
bool reopenSoundInput(Sound& sound);
// Whether beats can come from the sound now: the input is open (CD, LIVE) or the decoded music
// is analysed (MP3). When not, the frame tick runs on tempo beats.
bool soundAvailable(const Sound& sound);

// --- Analysis ---------------------------------------------------------------------------------

struct BeatReading {
    uint8_t level = 0;  // the beat meter level of the peak reading, 0..64
    bool beat = false;
};

// Refreshes the analysis when new samples exist; returns the beat meter level 0..64.
uint8_t analyseSound(Sound& sound, const VisualState& vs, uint32_t now);
void updateSoundScale(Sound& sound, const VisualState& vs, uint32_t now);
// MP3 edition: analyses the sample buffer just refilled with the samples at the playing
// position (rate and channels in sound.mp3); returns the beat meter level.
uint8_t analyseDecodedSamples(Sound& sound, const VisualState& vs, uint32_t now);
// The normalised magnitude at `frequency` hertz over the current window.
double frequencyMagnitude(Sound& sound, const VisualState& vs, double frequency);
// The beat decisions on the sound that arrived since the last call, one per 10 ms of it, in
// order (the MP3 edition: one on the latest analysis). Returns the highest reading and whether
// any of them was a beat.
BeatReading detectBeat(Sound& sound, const VisualState& vs, uint32_t now);
// MP3 edition: the playback graph the analysis reads (null: none); its tap reports to
// sound.mp3.hook.
void attachMusicGraph(Sound& sound, MusicGraph* graph);
// MP3 edition: a song starts or stops playing (data notices count only while one plays), and the
// graph was sought to `seconds` (its tap starts again at time 0 there).
void decodedSongPlaying(Sound& sound, bool playing);
void decodedSeek(Sound& sound, double seconds);
// MP3 edition: says "Unrecognized sound format!" once after a notice of a format the analysis
// does not know. Called on the program's thread.
void reportDecodedFormat(Sound& sound, Services& services);
// A song (or the LIVE animation) starts; the music stops.
void listenSongStart(ListenState& listen);
void listenMusicStop(ListenState& listen);
// The listening frequency in hertz: 20 + 4 x column.
double listeningFrequency(const VisualState& vs);

// --- Displays (the controls window's canvas) ---------------------------------------------------

constexpr uint8_t kMeterBlack = 0;
constexpr uint8_t kMeterBlue = 17;     // (0, 128, 255)
constexpr uint8_t kMeterGrey = 12;     // (97, 97, 97)
constexpr uint8_t kSpectrumOlive = 3;  // (128, 128, 0), the palette's nearest to (127, 127, 0)
constexpr uint8_t kSpectrumYellow = 251;
constexpr Rect kBeatMeterBar{147, 190, 211, 207};
constexpr Rect kScaleMeterBar{135, 95, 199, 108};
// The lit indicator is all of picture 136 (20 x 20); drawn here, its lamp covers the indicator's
// 17 x 17 click area at (230, 190), its socket the pixels around it.
constexpr Rect kBeatIndicatorFrom{0, 0, 20, 20};
constexpr Point kBeatIndicatorAt{228, 188};
constexpr Point kSpectrographAt{42, 112};
constexpr int kSpectrographWidth = 127;
constexpr int kSpectrographHeight = 28;

struct BeatMeterView {
    bool expanded = true;                       // the controls window is expanded
    bool listening = true;                      // the listening switch
    bool replaying = false;                     // a rave is being replayed
    const Surface* indicatorPicture = nullptr;  // picture 136; no indicator when null
    Rect bar = kBeatMeterBar;
    Point indicatorAt = kBeatIndicatorAt;
};

void drawBeatMeter(Surface& canvas, ListenState& listen, const BeatMeterView& view, uint8_t level,
                   bool beat);
void drawScaleMeter(Surface& canvas, ListenState& listen, const Rect& bar = kScaleMeterBar);
// Draws into `work` (made 127 x 28 when it is not) and copies it to the canvas at `at`.
void drawSpectrograph(Surface& canvas, Surface& work, Sound& sound, const VisualState& vs,
                      Point at = kSpectrographAt);

}  // namespace korel
