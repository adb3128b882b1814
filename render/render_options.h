// korel-render's command line, and the frame timing that follows from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korel {

struct RenderOptions {
    std::string song;
    std::string rave;   // a .rav file to play instead of the song's attached one
    std::string style;  // a style of the data folder to start with, without a rave
    std::string output;
    int width = 1280, height = 720;
    int fps = 30;
    double from = 0;  // seconds of the song
    double to = -1;   // seconds; below 0: the song's end
    bool quiet = false;
    bool bench = false;  // print the time spent in each stage at the end
};

constexpr const char* kRenderUsage =
    "usage: korel-render SONG [--rave FILE.rav | --style NAME] [--size WxH] [--fps N]\n"
    "                    [--from S] [--to S] [--quiet] [--bench] -o OUT.mp4|OUT.webm";

// Reads the arguments after the program's name. False with what was wrong in `error`.
bool parseRenderOptions(const std::vector<std::string>& args, RenderOptions& out,
                        std::string& error);

// The media time of frame `n` at `fps`, in whole milliseconds (rounded to the nearest).
uint32_t frameTimeMs(int64_t n, int fps);
// The first frame at or after `seconds`.
int64_t firstFrameAt(double seconds, int fps);

}  // namespace korel
