// The trigger engine: beat counters, thresholds and trigger modes; the one apply operation that
// every selection or setting change passes through (brush attachments, held values); and the
// tempo and pattern clock that makes beats while the program is not listening.
//
// The engine keeps its own records (TriggerState, TempoState) beside the VisualState and makes
// every change visible through a TriggerHost. Neither triggerStep nor nextGeneratedBeat
// allocates; only the file trigger modes do, inside the loaders they call.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "persist/visual_state.h"
#include "platform/bytes.h"
#include "core/services.h"
#include "raves/rave_recorder.h"
#include "triggers/trigger_host.h"

namespace korel {

// The first argument of applyChange.
enum ChangeCode : int {
    kChangeGradient = 1,
    kChangeBrushColour = 2,
    kChangeFillColour = 3,
    kChangeFill = 4,  // + kWipeRequest asks for a wipe
    kChangeSwitches = 5,
    kChangeParameter1 = 6,
    kChangeParameter2 = 7,
    kChangeParameter3 = 8,
    kChangeMovement = 9,
    kChangeBrush = 10,
    kChangeBrushSpeed = 11,
    kChangeColourSpeed = 12,  // stored + 60
    kChangeSpread = 13,
    kChangeColourKick = 14,  // stored + 50
};
constexpr int kChangeCodes = 14;
constexpr int kCurrentValueCodes = 16;  // the rave recorder snapshots codes 1-16
constexpr int kRandomChoice = 127;      // "let the engine choose"
constexpr int kWipeRequest = 64;

// Hold modes: the modifier of a user change (0 none and 1 Alt apply, 2 Shift holds, 3 Control
// releases).
constexpr int kHoldApply = 0;
constexpr int kHoldStore = 2;
constexpr int kHoldRelease = 3;

constexpr const char* kManualSliderRefusal =
    "Slider is disabled. You cannot use this feature when manual mode is turned on.";
constexpr const char* kRaveReplayRefusal = "This feature does not work while playing back raves.";

constexpr uint16_t kMaxTappedTempo = 30000;
constexpr int kMaxPatternIntervals = 8;
constexpr int kStoredTaps = 9;
constexpr uint32_t kMaxTaps = 255;
constexpr int kMaxListingEntries = 500;
constexpr size_t kListingRecord = 16;

// The engine's records beside the VisualState.
struct TriggerState {
    uint32_t beatCount = 0;  // beats since the song (or the rave) started
    // A kind fires when (offset + beatCount) is a multiple of its beats per trigger.
    std::array<int16_t, kTriggerKinds> counterOffset{1, 1, 1, 1, 1};
    // The last value applied for each change code 1-16 (index code - 1). The colour positions
    // here are the ones the palette shows, so a colour change shifts from them.
    std::array<uint8_t, kCurrentValueCodes> currentValue{};
    // Held values by change code 1-14 (index code - 1), kNone80 when nothing is held. Code 4
    // holds its slot here and a wipe in heldWipe; code 5 holds the bits in heldSwitchMask with
    // their values in held[4].
    std::array<uint8_t, kChangeCodes> held{};
    bool heldWipe = false;
    uint8_t heldSwitchMask = 0;
    // The value of attachment bytes 1-12 (index byte - 1) before the current brush's attachment
    // forced another; kNone80 when none is remembered.
    std::array<uint8_t, 12> preAttachmentValue{};
    // The effect names (EffectSlot order) before an attachment; first byte kNone80 when none.
    std::array<std::array<uint8_t, kNameField>, 3> preAttachmentName{};
    bool manualMode = false;
    // Sequential File positions by FileCategory, -1 when not yet set.
    std::array<int16_t, kFileCategories> filePosition{-1, -1, -1, -1, -1};
    // The name of the fill drawn last.
    std::array<uint8_t, kNameField> lastFillName{};
    // The brush and colour speeds as the frame tick uses them.
    uint32_t brushPeriod = kNeverTime;
    uint32_t nextBrushStep = kNeverTime;
    uint32_t colourPeriod = kNeverTime;
    int colourDirection = 0;
    uint32_t nextColourStep = kNeverTime;

    TriggerState();
};

// The tempo clock and the taps (not saved; the tempo itself is in the VisualState).
struct TempoState {
    uint32_t interval = kNeverTime;       // 6,000,000 / tempo ms
    uint32_t nextBeatTime = kNeverTime;   // of the next generated beat
    uint32_t lastBeatTime = 0;            // of the last beat of any origin
    uint32_t intervalInUse = kNeverTime;  // from the last beat to the next one
    bool patternMode = false;
    std::array<uint32_t, kMaxPatternIntervals> pattern{};
    int patternLength = 1;
    int patternIndex = 0;
    // Listening is on but has no sound input, so the tempo makes the beats meanwhile.
    bool standingIn = false;
    // The tap buffer both panels share.
    uint32_t tapCount = 0;
    uint32_t firstTapTime = 0;
    uint32_t lastTapTime = 0;
    std::array<uint32_t, kStoredTaps> tapTimes{};
};

class TriggerEngine {
  public:
    // The engine keeps references to all three; `services` gives the alert and the random
    // generator.
    TriggerEngine(Services& services, VisualState& state, TriggerHost& host);

    TriggerState& state() { return trig_; }
    const TriggerState& state() const { return trig_; }
    TempoState& tempo() { return tempo_; }
    const TempoState& tempo() const { return tempo_; }
    void setTrace(TraceSink* trace) { trace_ = trace; }
    // Counted beats and applied user changes go to this recorder too (null: none).
    void setRaveRecorder(RaveRecorder* recorder) { recorder_ = recorder; }

    // --- Beats and changes --------------------------------------------------------------
    // One beat at song time `time` with the beat-meter snapshot 0-64 (generated beats pass 64).
    void triggerStep(uint32_t time, int snapshot);
    // The user's forced beat: the last beat time becomes `time` and the step runs with 64. The
    // caller then shows the beat (the beat flash).
    void forceBeat(uint32_t time);

    // The one apply operation. `value` is taken as a signed byte (negative: its magnitude;
    // kRandomChoice: the engine chooses for codes 1-4, 9, 10). With userChange the brush's
    // attachments are enforced, a held value of the code is released and the change recorded;
    // holdMode kHoldStore holds the value instead, kHoldRelease and above release it.
    // fromTrigger: a new movement draws its free parameters, and codes 6-8 mark the parameter as
    // set by hand. Code 5 holds only the trails and volume bits that differ from the record.
    // Returns true when the change was applied, held or released; false when it was refused
    // (attachment message shown), its value names no slot, or a code-5 hold turns no bit.
    bool applyChange(int code, int value, uint32_t time, bool refreshUi, bool userChange,
                     int holdMode, bool fromTrigger);

    // Random File: a random listing entry other than the slot's current name is loaded into the
    // current slot of the category (styles: the style is loaded), trying every entry at most
    // once. Sequential File: the file position moves one entry on (wrapping) until a load
    // succeeds, at most once round the listing. Both return false and leave the slot as it was
    // when no entry loads; a slot protected by an attachment shows its message once.
    bool pickRandomFile(FileCategory category);
    bool stepFile(FileCategory category, bool forward);
    // Sets the category's file position to the current name's entry, if listed.
    void syncFilePosition(FileCategory category);

    void setManualMode(bool on) { trig_.manualMode = on; }
    bool manualMode() const { return trig_.manualMode; }
    // Applies every held value, codes 1-14 in order, which releases each.
    void applyHeldValues(uint32_t time);
    // Both colours together: 8 positions back in Sequential Selection, otherwise at random.
    void changeBothColours(uint32_t time, bool refreshUi, int holdMode);
    // The beat counter of a kind was dragged to a new beats-per-trigger value.
    void beatCounterChanged(int kind);

    // --- Lifecycle ----------------------------------------------------------------------
    // Beat count 0, every offset 1, last beat 0, and the first generated beat one interval
    // after `time` when not listening.
    void songStart(uint32_t time);
    // After a style became the current record: offsets from the beat count, pre-attachment
    // values forgotten, the colours taken as shown, and the file positions of the Sequential
    // File (and Sequential Style) modes found.
    void styleLoaded();
    // Takes every current value from the record (start-up).
    void syncCurrentValues();
    // The switch flags of a loaded style, over the flags `shown` before it: the volume bit is
    // applied whether or not it changed, the trails bit (which redraws the fill over the trails)
    // only when it changed. The listening bit is left to setListening.
    void forceSwitchFlags(uint8_t flags, uint8_t shown);

    // --- Tempo and patterns -------------------------------------------------------------
    // The only writer of the tempo (beats per minute x 100): pattern mode off, the interval
    // and the next beat set, the record written.
    void setTempo(uint16_t tempo, uint32_t time);
    // Listening on (beats from the sound; the next generated beat becomes never) or off (beats
    // from the clock, counted from `time`). The beat detector keeps its levels: only a song
    // start resets it.
    void setListening(bool on, uint32_t time);
    // The frame tick's generated beats: true when a beat is due at `now`; the beat is then
    // scheduled forward and tempo().lastBeatTime is its time. The caller runs
    // triggerStep(lastBeatTime, 64) and the beat flash. With `standIn` the tempo also runs
    // while listening is on (there is no sound input to listen to); its clock starts afresh
    // whenever standingIn was cleared (the caller clears it while it hears sound).
    bool nextGeneratedBeat(uint32_t now, bool standIn = false);
    // The sound scale while not listening: 1 at a beat, falling linearly to 0 at the next.
    double soundScaleAt(uint32_t now) const;
    // The beat display's fraction: how far `now` is from the last beat towards the next.
    double beatFraction(uint32_t now) const;

    void tapTempo(uint32_t time);
    void applyTappedTempo(uint32_t time);
    void tapPattern(uint32_t time);
    void applyTappedPattern(uint32_t time);
    // Restarts the tempo or pattern now (listening off only).
    void align(uint32_t time);
    void clearTaps();
    // The average tempo of the taps, capped at kMaxTappedTempo; 0 with fewer than two taps.
    uint16_t tappedTempo() const;

    static uint32_t tempoInterval(uint16_t tempo) { return tempo ? 6000000u / tempo : kNeverTime; }

  private:
    int randomChoice(int code);
    bool valueValid(int code, int value) const;
    const char* attachmentRefusal(int code, int value) const;
    // False when a code-5 hold turns no bit (nothing is held).
    bool hold(int code, int value, bool store);
    void release(int code);
    void applySwitches(uint8_t flags, uint32_t time);
    void applyAttachments(uint32_t time, bool refreshUi, bool fromTrigger);
    void applyAttachedValue(size_t attByte, uint8_t value, uint32_t time, bool refreshUi,
                            bool fromTrigger);
    uint8_t attachedFieldValue(size_t attByte) const;
    void applyAttachedEffects();
    void countBeat(uint32_t time);
    int currentSlot(FileCategory category) const;  // 0-based, -1 when the record holds no slot
    std::string_view currentName(FileCategory category) const;
    bool slotProtected(FileCategory category, int slot);
    bool allowTap();
    void recordTap(uint32_t time);
    void alignNow(uint32_t time);
    void switchListeningOff(uint32_t time);

    Services& services_;
    VisualState& vs_;
    TriggerHost& host_;
    TraceSink* trace_ = nullptr;
    RaveRecorder* recorder_ = nullptr;
    TriggerState trig_;
    TempoState tempo_;
};

// A 16-byte name field as a view: up to the first NUL.
std::string_view nameFieldView(const uint8_t* field);
// Entry i of a 16-byte-record listing, with its padding and line end removed.
std::string_view listingEntry(std::string_view listing, int i);
int listingCount(std::string_view listing);

}  // namespace korel
