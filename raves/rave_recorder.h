// What the trigger engine and the asset loaders tell the rave of the current song.
//
// Both hold a pointer to this interface, null while no recorder is attached (the LIVE edition,
// tests, start-up); with a null pointer nothing is recorded and nothing else changes. The
// recorder itself decides whether recording is enabled: callers report every event.
#pragma once

#include <cstdint>
#include <string_view>

namespace korel {

class RaveRecorder {
  public:
    virtual ~RaveRecorder() = default;

    // A counted beat (the trigger step added 1 to the beat count). Its time is the last beat
    // time the recorder asks of its host.
    virtual void recordBeat() = 0;
    // A user (or trigger) change that was applied: `code` a change code 1-14, `newValue` the
    // value now current, `oldValue` the one it replaced, `time` the song time of the change,
    // `holdMode` the modifier it was applied with (1 asks for the retroactive form).
    virtual void recordChange(int code, int newValue, int oldValue, uint32_t time,
                              int holdMode) = 0;
    // An asset was loaded into a slot outside start-up: `category` the file event category
    // (0 brush effect, 1 gradient, 2 brush colour effect, 3 fill colour effect, 4 fill,
    // 9 movement, 10 brush), `slot` 0-based (0 for effects), `raveMode` 0 nothing, 1 append a
    // file event, 2 rename the last file event of that category and slot.
    virtual void recordFileEvent(int category, int slot, std::string_view name, int raveMode) = 0;
};

}  // namespace korel
