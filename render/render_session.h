// One render: the song plays through the MP3 edition on the headless platform, every frame of
// the animation window is taken at its media time and written with the song's sound.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/video/video_writer.h"
#include "render/render_options.h"

namespace korel {

// What the caller sees of a render while it runs.
class RenderHooks {
  public:
    virtual ~RenderHooks() = default;
    // Asked between frames; true ends the render with what was written so far.
    virtual bool stopRequested() { return false; }
    virtual void progress(int64_t framesDone, int64_t framesTotal) {
        (void)framesDone;
        (void)framesTotal;
    }
    // Frame `n` of the song (counted from its start) as the animation window shows it, before
    // it is encoded.
    virtual void frameTaken(int64_t n, const std::vector<Rgb>& pixels) {
        (void)n;
        (void)pixels;
    }
    // A message the program showed while it ran (it goes on after it).
    virtual void alert(const std::string& text) { (void)text; }
};

struct RenderReport {
    int64_t frames = 0;       // frames written
    int64_t framesTotal = 0;  // frames asked for
    bool stopped = false;     // ended early by stopRequested()
    double seconds = 0;       // the whole render
    double animation = 0;     // running the program and taking its frames
    double reading = 0;       // decoding the song's sound
    VideoWriterTimes writer;
};

// Exit codes.
constexpr int kRenderDone = 0;
constexpr int kRenderFailed = 2;      // unusable input or output: `error` says which
constexpr int kRenderStopped = 130;   // stopped by the user; the file holds what was rendered

// The data folder read (never written): $KOREL_PATH or the user's. `seedFolder` empty: the
// installed library. Returns one of the codes above.
int renderSong(const RenderOptions& options, RenderHooks& hooks, RenderReport& report,
               std::string& error, const std::string& seedFolder = {});

// The files of the user's data folder a render copies into its own: all but the songs, raves
// and songlists (the render writes its own list and copies only the rave it plays).
bool copyDataForRender(const std::string& from, const std::string& to, std::string& error);

}  // namespace korel
