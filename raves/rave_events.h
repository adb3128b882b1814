// The rave of the current song: the event list recorded while a song plays and replayed when
// it plays again.
//
// RaveState is the record (one per run, owned by the program object); RaveEngine records into
// it and replays it, and reaches the animation only through a RaveHost. The list is a fixed
// array of nodes linked in song order: replaying can insert nodes in the middle (a user change
// between two recorded beats), so the array order is the order of recording, not of time.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "core/services.h"
#include "persist/visual_state.h"
#include "raves/rave_recorder.h"

namespace korel {

constexpr int kRaveNodes = 8999;        // nodes per song; also the index that ends the list
constexpr int32_t kRaveEnd = kRaveNodes;
constexpr size_t kRavePayload = 16;     // current values by change code 1-16, or a name
constexpr int kRaveValueCodes = 16;
constexpr uint8_t kRaveBeat = 0x81;     // a counted beat (flashes the beat indicator)
constexpr uint8_t kRaveChangePoint = 0x80;  // a user change between beats
constexpr uint32_t kRaveMargin = 200;   // ms around a beat within which a change joins it

constexpr const char* kRaveFullMessage =
    "The maximum allowed number of beats per song has been exceeded! Further recording is now "
    "disabled for this song.";

// File event kinds: -126 + 8 x category + slot, as a byte.
inline uint8_t raveFileKind(int category, int slot) {
    return uint8_t(int8_t(-126 + 8 * category + slot));
}
inline bool raveIsPoint(uint8_t kind) { return kind == kRaveBeat || kind == kRaveChangePoint; }
// The category and slot of a file event kind.
inline int raveKindCategory(uint8_t kind) { return (int(int8_t(kind)) + 126) / 8; }
inline int raveKindSlot(uint8_t kind) { return (int(int8_t(kind)) + 126) % 8; }

struct RaveEvent {
    int32_t time = 0;             // song time, ms
    int32_t previous = -1;        // -1 for node 0
    int32_t next = kRaveEnd;      // kRaveEnd ends the list
    uint8_t kind = kRaveBeat;
    // Beats and change points: the value of each change code 1-16 (index code - 1) as a signed
    // byte, negative where that value was changed. File events: the asset name, NUL-padded.
    std::array<uint8_t, kRavePayload> payload{};
};

struct RaveState {
    std::array<RaveEvent, kRaveNodes> events{};
    int nodeCount = 1;           // nodes in use, 1-8999
    int current = 0;             // the node the song is at
    int replayPosition = 1;      // nodes passed; the song replays while below nodeCount
    uint32_t nextEventTime = kNeverTime;
    bool recordingDisabled = false;
    // Set by a change just before a recorded point, so replaying that point keeps the change.
    std::array<bool, kRaveValueCodes> skipOnce{};
    VisualState songStart{};     // the state when the song started (a rave file's header)
    VisualState userState{};     // the user's own settings while a rave's are in force
    bool userStateAside = false;
    // The song plays an attached rave (loaded at its start, or saved since): a replay is of
    // that rave rather than of the song's own recording after a rewind.
    bool raveLoaded = false;
    bool applyingSongStart = false;
};

// What replaying and recording need of the rest of the program. The program implements it over
// the trigger engine and the conductor; change codes and slots are as the trigger engine has
// them (slots of apply 1-based; asset slots 0-based).
class RaveHost {
  public:
    virtual ~RaveHost() = default;

    // The live visual state.
    virtual VisualState& visualState() = 0;
    // Applies a change as a replay does (not a user change: no attachment refusal, nothing
    // recorded), refreshing the control when nothing is held for the code.
    virtual void applyRecordedChange(int code, int value, uint32_t time) = 0;
    // Loads an asset by file event category into a 0-based slot. When the slot is the current
    // one, its value is applied again and its panel refreshed.
    virtual bool loadRecordedAsset(int category, int slot, std::string_view name) = 0;
    // The trigger engine's current value by change code 1-16 (index code - 1).
    virtual std::array<uint8_t, kRaveValueCodes> currentValues() const = 0;
    virtual void setCurrentValues(const std::array<uint8_t, kRaveValueCodes>& values) = 0;
    // Makes movement slot 1-6 current without restarting it (its parameters follow).
    virtual void makeMovementCurrent(int slot) = 0;
    virtual bool manualMode() const = 0;
    virtual bool listening() const = 0;
    // The tempo's next generated beat (kNeverTime while listening).
    virtual uint32_t nextTempoBeat() const = 0;
    // A replay ended while not listening: the tempo or pattern goes on from `lastBeat`; returns
    // its next beat time.
    virtual uint32_t continueTempo(uint32_t lastBeat) = 0;
    // Flashes the beat indicator.
    virtual void flashBeat() = 0;
    // Applies a whole state as a style loaded from a rave (not as user changes).
    virtual void applyStyle(const VisualState& state) = 0;
    // A song without a rave: "Last_Session" at the first song start, otherwise the kept state
    // with a new random fill for a different song.
    virtual void loadSongStyle() = 0;
    virtual uint32_t lastBeatTime() const = 0;
    virtual void setLastBeatTime(uint32_t time) = 0;
    // A change point counts as a beat: the beat count goes up by 1.
    virtual void countChangePoint() = 0;
    // Beat count 0, counter offsets 1, last beat time 0.
    virtual void songStarted() = 0;
    // The brush and colour step timers start again from `time` (after a seek).
    virtual void restartTimers(uint32_t time) = 0;
    // Now, on the song clock.
    virtual uint32_t songTime() const = 0;
};

// The VisualState offset a change code writes (codes 6-8: of movement slot 1-6); 0 for none.
size_t raveRecordOffset(int code, int movementSlot);

// Records into and replays a RaveState. Holds references only; the program owns all three.
class RaveEngine final : public RaveRecorder {
  public:
    RaveEngine(Services& services, RaveState& state, RaveHost& host)
        : services_(services), rave_(state), host_(host) {}

    RaveState& state() { return rave_; }
    const RaveState& state() const { return rave_; }
    RaveHost& host() { return host_; }

    // A fresh list: node 0 at time 0 with the current values, nothing else.
    void freshList();
    // After a song start (with or without a rave): the song-start state is the current state,
    // the song is at node 0, recording is enabled, the trigger counters restart.
    void beginSong();

    // Appends a node after the current one: kRaveBeat or kRaveChangePoint with the current
    // values, or a file event (raveFileKind) with `name`. False when recording is disabled or
    // the list is full (the message is shown once and recording stops for the song).
    bool appendNode(uint8_t kind, std::string_view name = {});

    // RaveRecorder (the hooks of the trigger engine and the asset loaders).
    void recordBeat() override;
    void recordChange(int code, int newValue, int oldValue, uint32_t time, int holdMode) override;
    void recordFileEvent(int category, int slot, std::string_view name, int raveMode) override;

    // True while the song replays its rave (the position is before the end of the list).
    bool isReplaying() const { return rave_.replayPosition < rave_.nodeCount; }
    // Recording (not replaying) and not disabled.
    bool isRecording() const { return !isReplaying() && !rave_.recordingDisabled; }
    // The frame tick: replays every node due at `now`. Does nothing unless replaying.
    void replayStep(uint32_t now);
    // After fast forward or a song-position change: the list is followed to `time` (assets of
    // file events loaded on the way), the last point at or before it applied.
    void seekRave(uint32_t time);
    // After a rewind: back to node 0, the song-start state applied, then seekRave(time).
    void rewindToStart(uint32_t time);

  private:
    void replayNode(int index);
    void applyPoint(int index, uint32_t time, bool honourSkips);
    void loadFileEvent(const RaveEvent& e);
    void storeValue(int node, int code, int value);
    void propagate(int from, int code, int oldValue, int newValue);
    uint32_t nextBeatTime() const;
    uint32_t timeAfter(int index) const;

    Services& services_;
    RaveState& rave_;
    RaveHost& host_;
};

}  // namespace korel
