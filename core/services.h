// What every subsystem may use: the platform, the alert, the random generator, the shell and
// display state, and the copy of the drawing surface to the animation window.
//
// Subsystems take a Services& instead of reaching for globals, so a test can build a fresh
// program (or only the pieces it needs) on the headless platform.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/random.h"
#include "platform/surface.h"

namespace korel {

enum class Edition { CD, MP3, LIVE };

// The shell's state (one per run).
struct ShellState {
    bool running = true;
    bool startingUp = true;
    bool alertShowing = false;
    std::string pendingMessage;
    bool showControlsAtStart = true;
    bool screenSaverMode = false;
    bool animationShown = true;
    bool backgrounded = false;
    bool paletteLive = true;
    bool xpStyle = false;
    uint32_t songClockOrigin = 0;
    std::string dataFolder;    // where assets, Styles, Settings, Raves, ... and "error.txt" live
    std::string configFolder;  // where the preferences files live
    std::string seedFolder;    // the installed default library copied into a new data folder
    Rect monitorRect;
    double centreX = 0;
    double centreY = 0;
};

// The display: the palette and the 8-bit drawing surface the animation is painted into.
struct DisplayState {
    int displayDepth = 8;
    Palette palette{};       // the program's palette, pushed to the platform when it changes
    Surface drawingSurface;  // "PaintWorld": the size of the animation window
    Rect windowRect;         // (0, 0, width, height) of the animation window
    WindowId animationWindow = kNoWindow;
};

class Services {
public:
    Services(Platform& platform, Edition edition) : platform_(platform), edition_(edition) {}
    virtual ~Services() = default;

    Platform& platform() { return platform_; }
    Edition edition() const { return edition_; }
    Random& random() { return random_; }
    ShellState& shell() { return shell_; }
    const ShellState& shell() const { return shell_; }
    DisplayState& display() { return display_; }
    const DisplayState& display() const { return display_; }

    // The one modal message. During start-up the text is only kept; the last one is shown
    // when the main loop starts. Every call beeps.
    virtual void showAlert(std::string_view text) = 0;
    // Copies a rectangle of the drawing surface to the animation window.
    virtual void copySurfaceToWindow(const Rect& r) = 0;
    // Sends the program's palette (display().palette) to the screen.
    virtual void pushPalette() { platform_.setPalette(display_.palette); }
    // Song time: milliseconds since the song (or the LIVE animation) started.
    uint32_t songClock();

    std::string dataPath(const std::string& relative) const;

private:
    Platform& platform_;
    Edition edition_;
    Random random_;
    ShellState shell_;
    DisplayState display_;
};

// songClock's arithmetic: t0 - origin, or t0 - origin - 2^31 when the tick count wrapped below
// the origin (all unsigned 32-bit).
inline uint32_t songTime(uint32_t t0, uint32_t origin) {
    return t0 >= origin ? t0 - origin : t0 - origin - 0x80000000u;
}

// --- Due times on the song clock ---------------------------------------------------------------
// When the tick count wraps during a song, songTime jumps by 2^31. Song times are therefore
// compared modulo 2^31, where that jump vanishes: a due time taken before the wrap is still
// reached at the right moment after it. Times compare correctly while they lie less than 2^30 ms
// (12 days) apart.

// "Never" for every due time: the largest signed 32-bit value.
constexpr uint32_t kNeverTime = 0x7FFFFFFF;

// Milliseconds from `earlier` to `now` on the song clock.
inline uint32_t songTimeSince(uint32_t earlier, uint32_t now) {
    return (now - earlier) & 0x7FFFFFFFu;
}
// True once `now` has reached `due` (never for kNeverTime).
inline bool songTimeReached(uint32_t now, uint32_t due) {
    return due != kNeverTime && songTimeSince(due, now) < 0x40000000u;
}
// True once `now` lies past `due`.
inline bool songTimePassed(uint32_t now, uint32_t due) {
    const uint32_t late = songTimeSince(due, now);
    return due != kNeverTime && late != 0 && late < 0x40000000u;
}
// The due time `interval` ms after `t`; an interval of kNeverTime or more is never. A sum that
// lands on the kNeverTime value is moved by 2^31 to the same time modulo 2^31.
inline uint32_t songTimePlus(uint32_t t, uint32_t interval) {
    if (interval >= kNeverTime) return kNeverTime;
    const uint32_t due = t + interval;
    return due == kNeverTime ? due + 0x80000000u : due;
}

}  // namespace korel
