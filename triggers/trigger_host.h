// What the trigger engine asks of the rest of the program to make a change visible: the
// animation engine, the asset loaders, rave recording and the controls window.
//
// The engine itself only decides and keeps records; every effect on the screen, the palette, the
// loaded assets or the rave goes through one of these calls. Slots are 0-based here.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/services.h"  // kNeverTime and the comparisons of due times

namespace korel {

// The folders the file trigger modes step through.
enum class FileCategory : uint8_t { Fill = 0, Gradient = 1, Brush = 2, Movement = 3, Style = 4 };
constexpr int kFileCategories = 5;

// The three effects a brush can carry attached.
enum class EffectSlot : uint8_t { Brush, BrushColour, FillColour };

class TriggerHost {
  public:
    virtual ~TriggerHost() = default;

    // --- The animation ------------------------------------------------------------------
    // Makes gradient slot 0-7 current: both palette ranges are rebuilt from it and both
    // colour-effect contexts recomputed.
    virtual void selectGradient(int slot) = 0;
    // Turns the brush range's (or the fill range's) hue from the old to the new colour position
    // (1-120) and re-applies its colour effect.
    virtual void shiftColour(bool brushRange, int oldPosition, int newPosition) = 0;
    // Draws fill slot 0-5 over the whole background, which erases the brush trails. `newName` is
    // false when the fill drawn last had the same name, so its colour effect need not be
    // derived again.
    virtual void drawFill(int slot, bool wipe, bool newName) = 0;
    // The brush trails switch; with a drawn frame on screen the current fill is redrawn.
    virtual void setTrails(bool on) = 0;
    // Beat detection on overall volume (true) or on the listening frequency.
    virtual void setVolumeListening(bool on) = 0;
    // Beat detection from the sound (true) or from the tempo clock. Switching it on must not
    // reset the beat detector (a song start does that), or the next loud moment is a beat.
    virtual void setListening(bool on) = 0;
    // Draws new values for the parameters of movement slot 0-5 whose fixed flag is 0, between
    // the movement's minimum and maximum, into the record.
    virtual void chooseMovementParameters(int slot) = 0;
    // Makes movement slot 0-5 current and starts it with the record's parameters.
    virtual void startMovement(int slot) = 0;
    // Makes brush slot 0-5 current and starts its animation sequence.
    virtual void startBrush(int slot) = 0;
    // The brush (or fill) brightness in the record changed: recompute that colour-effect context.
    virtual void brightnessChanged(bool brushRange) = 0;
    // The brush speed: a trail step every `period` ms from `nextStep` (both kNeverTime when the
    // brush stands still).
    virtual void setBrushTiming(uint32_t period, uint32_t nextStep) = 0;
    // The colour speed: a shift of `direction` (-1, 0, +1) every `period` ms from `nextStep`.
    virtual void setColourTiming(uint32_t period, int direction, uint32_t nextStep) = 0;

    // --- Assets -------------------------------------------------------------------------
    // Loads a file of the category into a slot (styles: loads the style; the slot is ignored).
    // The loaders show their own messages; the loaded name goes into the record on success.
    virtual bool loadFile(FileCategory category, int slot, std::string_view name) = 0;
    // Loads an effect because the current brush carries it attached (or because its attachment
    // went away). An attachment must not be refused by the protection of attached effects.
    virtual bool loadEffect(EffectSlot slot, std::string_view name) = 0;
    // The category's sorted folder listing: 16-byte records, each a name padded with spaces and
    // ended by "\r" (assets/assets.h, listFolderRecords). The view must stay valid until the
    // next call into the engine.
    virtual std::string_view listing(FileCategory category) = 0;

    // --- Raves and the controls ---------------------------------------------------------
    virtual void recordBeat(uint32_t /*time*/) {}
    virtual void recordChange(int /*code*/, int /*value*/, uint32_t /*time*/) {}
    // Redraws the control a change code affects (code 5: the trails and frequency/volume
    // buttons).
    virtual void redrawControl(int /*code*/) {}
    // Redraws every control (after a style trigger loaded a style).
    virtual void redrawControls() {}
    // Redraws the tempo or pattern panel when it is shown (taps, a new tempo).
    virtual void redrawTempoPanel() {}
    virtual bool controlsVisible() const { return false; }
    virtual bool raveReplaying() const { return false; }
};

// Where the engine writes one line per beat and per applied change (the trace the headless
// driver prints, or the file KOREL_TRACE names).
class TraceSink {
  public:
    virtual ~TraceSink() = default;
    // "beat <time> <level>"
    virtual void beat(uint32_t time, int level) = 0;
    // "change <time> <code> <value>"
    virtual void change(uint32_t time, int code, int value) = 0;
};

}  // namespace korel
