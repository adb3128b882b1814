// The places in the frame tick where the players, the rave replay and the controls window take
// part. Each is an interface of its own so the conductor never learns more of them than this;
// a part that is not there (LIVE has no player, no rave) is simply not attached.
#pragma once

#include <cstdint>

#include "assets/assets.h"

namespace korel {

// The music player of the CD and MP3 editions.
class SongWatch {
public:
    virtual ~SongWatch() = default;
    // True when the song has just ended at song time `t`; the player decides what comes next.
    virtual bool songEnded(uint32_t t) = 0;
};

// The current song's rave.
class RaveReplay {
public:
    virtual ~RaveReplay() = default;
    // Replays the events due at `t`; true when the rave's events stand in for the beats.
    virtual bool replayStep(uint32_t t) = 0;
    // The song replays its rave now (taps and aligning are refused meanwhile).
    virtual bool replaying() const { return false; }
};

// The controls window's share of each tick.
class TickDisplay {
public:
    virtual ~TickDisplay() = default;
    // The beat meter and the spectrograph after one analysis (`level` 0-64).
    virtual void redrawMeters(uint8_t level, bool beat) = 0;
    // The half-second clock: time display and recording light.
    virtual void halfSecond(uint32_t t) = 0;
    virtual void updateHoverHelp() = 0;

    // What the trigger engine and the asset loaders changed, redrawn when it shows.
    virtual void redrawControl(int /*code*/) {}
    virtual void redrawControls() {}
    virtual void redrawTempoPanel() {}
    virtual void redrawSlotCell(AssetKind /*kind*/, int /*slot*/, const Surface* /*icon*/,
                                uint8_t /*backdrop*/) {}
    virtual void redrawEffectPanel() {}
    virtual void redrawColourStrip(bool /*brushRange*/) {}
    virtual bool controlsVisible() const { return false; }
};

struct TickHooks {
    SongWatch* song = nullptr;
    RaveReplay* rave = nullptr;
    TickDisplay* display = nullptr;
};

}  // namespace korel
