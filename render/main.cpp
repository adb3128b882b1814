// korel-render SONG [options] -o OUT.mp4: writes a song's show, as the MP3 edition plays it, to
// a video file with the song's sound.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/process.h"
#include "render/progress.h"
#include "render/render_options.h"
#include "render/render_session.h"

namespace {

using namespace korel;

// The terminal side of a render: the progress line, the program's alerts, Ctrl-C.
class TerminalHooks : public RenderHooks {
  public:
    TerminalHooks(bool showProgress) : showProgress_(showProgress) {}

    bool stopRequested() override { return watch_.terminatePending(); }

    void progress(int64_t done, int64_t total) override {
        if (!showProgress_) return;
        const auto now = std::chrono::steady_clock::now();
        // A few redraws a second are plenty; the last frame always shows.
        if (done < total && now - lastDraw_ < std::chrono::milliseconds(200)) return;
        lastDraw_ = now;
        const double elapsed = std::chrono::duration<double>(now - start_).count();
        std::fprintf(stderr, "\r%s ", progressLine(done, total, elapsed).c_str());
        std::fflush(stderr);
        drawn_ = true;
    }

    void alert(const std::string& text) override {
        endLine();
        std::fprintf(stderr, "korel-render: the program says: %s\n", text.c_str());
    }

    void endLine() {
        if (drawn_) std::fputc('\n', stderr);
        drawn_ = false;
    }

  private:
    // Holds SIGINT and SIGTERM back from construction on: they are taken between frames.
    SystemProcessWatch watch_;
    bool showProgress_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lastDraw_{};
};

void printBench(const RenderOptions& o, const RenderReport& r) {
    const double total = r.seconds > 0 ? r.seconds : 1;
    const double media = double(r.frames) / o.fps;
    std::fprintf(stderr,
                 "%dx%d at %d fps: %lld frames in %.2f s = %.1f frames/s (%.2fx real time)\n"
                 "  animation %.0f%%, colour conversion %.0f%%, video encoder %.0f%%, "
                 "sound %.0f%%, other %.0f%%\n",
                 o.width, o.height, o.fps, static_cast<long long>(r.frames), r.seconds,
                 double(r.frames) / total, media / total, 100 * r.animation / total,
                 100 * r.writer.conversion / total, 100 * r.writer.video / total,
                 100 * (r.writer.audio + r.reading) / total,
                 100 * (total - r.animation - r.writer.conversion - r.writer.video -
                        r.writer.audio - r.reading) /
                     total);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    RenderOptions options;
    std::string error;
    if (!parseRenderOptions(args, options, error)) {
        std::fprintf(stderr, "korel-render: %s\n%s\n", error.c_str(), kRenderUsage);
        return 2;
    }
    TerminalHooks hooks(!options.quiet && ::isatty(STDERR_FILENO));
    RenderReport report;
    const int code = renderSong(options, hooks, report, error);
    hooks.endLine();
    if (code == kRenderFailed) {
        std::fprintf(stderr, "korel-render: %s\n", error.c_str());
    } else if (code == kRenderStopped) {
        std::fprintf(stderr, "korel-render: stopped; %s holds the %lld frames rendered\n",
                     options.output.c_str(), static_cast<long long>(report.frames));
    }
    if (options.bench && report.frames > 0) printBench(options, report);
    return code;
}
