// The raves of the CD and MP3 editions wired into the program: the recorder the trigger engine
// and the asset loaders report to, the replay in the frame tick, and what a replay does to the
// animation through the conductor.
#pragma once

#include <functional>
#include <memory>

#include "raves/rave_events.h"
#include "raves/rave_file.h"
#include "shell/tick_hooks.h"

namespace korel {

class Program;

class RaveLink : public RaveHost, public RaveReplay {
public:
    explicit RaveLink(Program& program);
    ~RaveLink() override;

    RaveEngine& engine() { return *engine_; }
    RaveState& state() { return *state_; }

    // A song starts: its attached rave replays, or a fresh recording begins with the style for
    // the song (`firstStart`: the last session; `newFill`: a different song). True when the
    // song's rave fields changed (a rave that could not be read was detached).
    bool startSong(SongRaveFields& song, bool firstStart, bool newFill,
                   const std::function<void(const char*)>& progress);

    // --- RaveReplay ---------------------------------------------------------------------
    bool replayStep(uint32_t t) override;
    bool replaying() const override { return engine_->isReplaying(); }

    // --- RaveHost -----------------------------------------------------------------------
    VisualState& visualState() override;
    void applyRecordedChange(int code, int value, uint32_t time) override;
    bool loadRecordedAsset(int category, int slot, std::string_view name) override;
    std::array<uint8_t, kRaveValueCodes> currentValues() const override;
    void setCurrentValues(const std::array<uint8_t, kRaveValueCodes>& values) override;
    void makeMovementCurrent(int slot) override;
    bool manualMode() const override;
    bool listening() const override;
    uint32_t nextTempoBeat() const override;
    uint32_t continueTempo(uint32_t lastBeat) override;
    void flashBeat() override;
    void applyStyle(const VisualState& state) override;
    void loadSongStyle() override;
    uint32_t lastBeatTime() const override;
    void setLastBeatTime(uint32_t time) override;
    void countChangePoint() override;
    void songStarted() override;
    void restartTimers(uint32_t time) override;
    uint32_t songTime() const override;

private:
    Program& program_;
    std::unique_ptr<RaveState> state_;
    std::unique_ptr<RaveEngine> engine_;
    // The style a song without a rave takes (set for the length of startSong).
    bool firstStart_ = false, newFill_ = true;
    std::function<void(const char*)> progress_;
};

}  // namespace korel
