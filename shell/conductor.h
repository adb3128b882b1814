// The conductor: owns the animation engine, the trigger engine and the listening records of a
// run, runs the frame tick, the beat flash and the closing brush, and carries the changes the
// trigger engine decides onto the engine.
//
// Its files: conductor.cpp (set-up and song start, the frame tick and the beat flash, quitting
// and closing), conductor_styles.cpp (styles, sets, the last session), conductor_host.cpp (the
// trigger engine's host and the asset hooks). The players, the rave and the controls window do
// not grow it: they attach to the frame tick through tick_hooks.h.
#pragma once

#include <cstdint>
#include <functional>
#include <fstream>
#include <memory>
#include <string>

#include "assets/assets.h"
#include "engine/brush.h"
#include "engine/effect.h"
#include "engine/fill.h"
#include "engine/gradient.h"
#include "engine/movement.h"
#include "engine/palette_range.h"
#include "persist/attachments.h"
#include "persist/preferences.h"
#include "persist/program_files.h"
#include "persist/sets.h"
#include "persist/visual_state.h"
#include "core/services.h"
#include "shell/tick_hooks.h"
#include "sound/sound.h"
#include "triggers/trace.h"
#include "triggers/triggers.h"

namespace korel {

constexpr uint32_t kBeatLightMs = 128;    // the beat light goes out this long after a beat
constexpr uint32_t kScaleRefreshMs = 40;  // sound-scaled colour effects follow the sound

// The frame tick's own timers (song-time milliseconds).
struct TickState {
    uint32_t lastHalfSecond = 0;
    uint32_t beatLightTime = 0;
    bool beatLightOn = false;
    uint32_t nextTrailTime = kNeverTime;
    uint32_t trailInterval = kNeverTime;
    uint32_t nextColourTime = kNeverTime;
    uint32_t colourInterval = kNeverTime;
    int8_t colourStep = 0;
    int lastKick = 0;
    uint32_t nextScaleRefresh = 0;
    double lastRefreshScale = -1;
    bool recordingLightBlinking = false;
    bool replayingLastTick = true;
};

// Everything the animation engine holds for a run.
struct EngineRecords {
    GradientSlots gradients;
    PaletteRange brushRange = makeBrushRange();
    PaletteRange fillRange = makeFillRange();
    FillSlots fills;
    BrushSlots brushes;
    BrushDrawState draw;
    MovementSlots movements;
    MovementMachine machine;
    BrushEffect brushEffect;
};

class Conductor : public TriggerHost, public AssetHooks, public SetLoader {
public:
    Conductor(Services& services, VisualState& state, SoundInput* soundInput);
    ~Conductor() override;

    EngineRecords& engine() { return engine_; }
    TriggerEngine& triggers() { return triggers_; }
    Sound& sound() { return sound_; }
    TickState& tick() { return tick_; }
    Preferences& preferences() { return prefs_; }

    // --- Start-up -----------------------------------------------------------------------
    // The palette ranges are made with the animation window.
    void setUpRanges();
    // Reads the preferences (in screen-saver mode this run was launched by the screen saver).
    void loadPreferences();
    // The sound devices; a fatal failure's name is returned (empty when none).
    // `openCdDrive`: the CD edition opens its drive between the output and the input devices.
    std::string setUpSound(const std::function<void()>& openCdDrive = {});
    // Writes the beats and changes of the run into the file KOREL_TRACE names, if any.
    void openTrace(const std::string& path);
    void setTrace(TraceSink* trace);

    // --- Songs (LIVE: the animation) ----------------------------------------------------
    // Starts the animation: the first time the last session is restored (every slot loaded,
    // with progress texts on the splash), later the kept state with a new random fill.
    // `newFill` false: the same song starts again and keeps its fill.
    void startAnimation(bool firstStart, const std::function<void(const char*)>& progress,
                        bool newFill = true);
    // The two halves of a song start, for a player that may take a rave's state in between:
    // the style for the song (as startAnimation takes it), then the song's clock, counters,
    // timers and the slots applied again (after a style of the song's own).
    void songStyle(bool firstStart, const std::function<void(const char*)>& progress, bool newFill);
    void songBegins(bool firstStart);
    // The brush and colour step timers start again from song time `t`.
    void restartTimers(uint32_t t);
    // A rave's state was applied in place of the song's style: the slots are not applied again.
    void keepRaveSlots() { restartWithFill_ = false; }
    // LIVE transport.
    void play();
    void pause();
    void stop();
    bool playing() const { return playing_; }
    bool paused() const { return paused_; }
    // A player paused or resumed its song; it keeps the song clock itself.
    void holdSong(bool paused) {
        paused_ = paused;
        playing_ = !paused;
    }
    // Previous / Next Style: the neighbouring style of the "Styles" listing, wrapping.
    void stepStyle(bool forward);

    // Loads a style by name and applies it (false when it could not be read).
    bool loadStyle(const std::string& name);
    // A rave's song-start state becomes current; the user's own state is put aside first, and
    // restoreUserState brings it back (and is what the last session keeps meanwhile).
    bool loadStyleFromRave(const Bytes& raveFile);
    void restoreUserState();
    // Makes the record current and applies it: every slot while starting, else the slots whose
    // names changed.
    void applyRecord(const VisualState& record, bool startingUp,
                     const std::function<void(const char*)>& progress = {});
    // Saves the current state as the style "Last_Session" (when it was restored this run).
    // `userOwn`: the user's own state, put aside while a song's rave is in force.
    void saveLastSession(const VisualState* userOwn = nullptr);

    // Saves a style or a set under the name the user typed (spaces become "_"). An empty name
    // is refused; an existing file is replaced only when `confirmReplace` agrees. A style saves
    // `captured` (the state when the save began; the current state when null), with the
    // thresholds 0 in manual mode.
    bool saveFile(FileKind kind, const std::string& typed,
                  const std::function<bool()>& confirmReplace, const VisualState* captured = nullptr);
    // Loads a set by name (the sets popup).
    bool loadSetFile(SetKind kind, const std::string& name);
    bool lastSessionRestored() const { return lastSessionRestored_; }

    // --- The frame tick -------------------------------------------------------------------
    // The player, the rave and the controls window attach here; what is not attached is skipped.
    void attach(const TickHooks& hooks) { hooks_ = hooks; }
    void frameTick();
    // Milliseconds until the frame tick has work: the earliest timer, 2 at most while
    // listening (the analysis keeps up with the sound), 100 at most otherwise.
    uint32_t msUntilDue();
    void beatFlash(uint32_t time, bool realBeat);
    void forceBeat();

    // --- Quitting and closing -------------------------------------------------------------
    // Releases the brush effect and picks the closing brush; returns its left and bottom
    // extents through the arguments.
    void prepareClosing(int& brushLeft, int& brushBottom);
    // The closing's first paint: no fill, no colour effect on the fill, the brush at the centre.
    void drawClosingBrush();
    // One closing step at `elapsed` ms since the quit: trail and colour steps.
    void closingTick(uint32_t elapsed);
    // The picture changed size: fills rebuilt and the current fill drawn again.
    void pictureResized();
    void shutdown();

    // --- TriggerHost ----------------------------------------------------------------------
    void selectGradient(int slot) override;
    void shiftColour(bool brushRange, int oldPosition, int newPosition) override;
    void drawFill(int slot, bool wipe, bool newName) override;
    void setTrails(bool on) override;
    void setVolumeListening(bool on) override;
    void setListening(bool on) override;
    void chooseMovementParameters(int slot) override;
    void startMovement(int slot) override;
    void startBrush(int slot) override;
    void brightnessChanged(bool brushRange) override;
    void setBrushTiming(uint32_t period, uint32_t nextStep) override;
    void setColourTiming(uint32_t period, int direction, uint32_t nextStep) override;
    bool loadFile(FileCategory category, int slot, std::string_view name) override;
    bool loadEffect(EffectSlot slot, std::string_view name) override;
    std::string_view listing(FileCategory category) override;
    // The controls window's redraws, passed on to the attached display.
    void redrawControl(int code) override;
    void redrawControls() override;
    void redrawTempoPanel() override;
    bool controlsVisible() const override;

    // --- SetLoader ------------------------------------------------------------------------
    bool loadGradient(int slot, const std::string& name) override;
    bool loadFill(int slot, const std::string& name) override;
    bool loadMovement(int slot, const std::string& name) override;
    bool loadBrush(int slot, const std::string& name) override;
    void applyChange(int code, int slot) override;

    // --- AssetHooks: the controls window's cells ------------------------------------------
    void redrawSlotCell(AssetKind kind, int slot, std::string_view name, const Surface* icon,
                        uint8_t backdrop) override;
    void redrawEffectPanel() override;
    void redrawColourStrip(bool brushRange) override;

private:
    bool songEnded(uint32_t t) { return hooks_.song && hooks_.song->songEnded(t); }
    bool replayRave(uint32_t t) { return hooks_.rave && hooks_.rave->replayStep(t); }
    bool raveReplaying() const override { return hooks_.rave && hooks_.rave->replaying(); }
    void redrawMeters(uint8_t level, bool beat) {
        if (hooks_.display) hooks_.display->redrawMeters(level, beat);
    }
    void updateHoverHelp() {
        if (hooks_.display) hooks_.display->updateHoverHelp();
    }

    double level() const { return sound_.listen.soundScale; }
    // What a brush-effect program reads when an effect is loaded.
    BrushEffectInputs effectInputs() const;
    // Shows the refusal when a brush's attachment protects the slot.
    bool refusedByAttachment(AttachedCategory category, int slot);
    const Gradient& currentGradient() const;
    void trailStep(int effectProgram);
    void colourStep(uint32_t t);
    void loadAllSlots(const std::function<void(const char*)>& progress);
    void loadChangedSlots(const VisualState& previous);
    void showWholePicture();

    Services& services_;
    VisualState& vs_;
    EngineRecords engine_;
    Sound sound_;
    TriggerEngine triggers_;
    TickState tick_;
    Preferences prefs_;
    std::ofstream traceFile_;
    std::unique_ptr<StreamTrace> trace_;
    std::string listings_[kFileCategories];
    bool playing_ = false;
    bool paused_ = false;
    uint32_t pausedAt_ = 0;
    bool lastSessionRestored_ = false;
    bool restartWithFill_ = false;  // songBegins applies the slots again (a kept style)
    bool userStateAside_ = false;
    VisualState userState_;
    bool pictureDrawn_ = false;
    TickHooks hooks_;
};

}  // namespace korel
