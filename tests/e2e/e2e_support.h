// Shared pieces of the end-to-end tests: the built programs and desktop tools run as child
// processes with bounded waits, a private set of folders for each run, the desktop session
// check, the trace file, the synthesized kick song and screenshots.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/bytes.h"
#include "platform/desktop/desktop_platform.h"

namespace korel::e2e {

// The built editions (compile definitions of tests/e2e/CMakeLists.txt).
inline const char* const kLiveProgram = KOREL_LIVE_PROGRAM;
inline const char* const kCdProgram = KOREL_CD_PROGRAM;
inline const char* const kMp3Program = KOREL_MP3_PROGRAM;

constexpr const char* kWindowClass = "Korel";
constexpr const char* kAnimationTitle = "Korel Animation";
constexpr const char* kControlsTitle = "Korel Controls";

// A child process. The destructor kills a child that is still running, so a failing test never
// leaves one behind.
class Child {
  public:
    Child() = default;
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Starts argv[0] (looked up on PATH when `searchPath`) with the environment `env`; standard
    // input is /dev/null, standard output and error go to `logPath` (/dev/null when empty).
    bool start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
               const std::string& logPath, bool searchPath = false);
    bool running();
    // Waits at most `ms` for the child to end; true when it has ended.
    bool waitExit(int ms);
    // SIGTERM first (the programs quit cleanly on it), SIGKILL after `graceMs`.
    void stop(int graceMs = 6000);
    bool exited() const { return ended_; }
    // The exit code, or -1 when the child was ended by a signal or has not ended.
    int exitCode() const;
    pid_t pid() const { return pid_; }

  private:
    pid_t pid_ = -1;
    bool ended_ = false;
    int status_ = 0;
};

// The current environment with the given NAME=value entries in place of the ones it had.
std::vector<std::string> environmentWith(const std::vector<std::string>& overrides);

struct ToolResult {
    bool ran = false;   // the tool started and ended within the time allowed
    int exitCode = -1;  // -1 when it ended by a signal
    std::string out;    // its standard output
};
// Runs a desktop tool (looked up on PATH) to its end within `ms`, in the current environment.
ToolResult runTool(const std::vector<std::string>& argv, int ms = 10000);

// The private folders of one program run under a fresh temporary folder, removed at the end
// unless KOREL_E2E_KEEP is set: the data folder (KOREL_PATH), the config folder
// (XDG_CONFIG_HOME), a home, the trace and the program's log.
class RunFolders {
  public:
    RunFolders();
    ~RunFolders();
    RunFolders(const RunFolders&) = delete;
    RunFolders& operator=(const RunFolders&) = delete;

    bool ok() const { return !root_.empty(); }
    const std::string& root() const { return root_; }
    std::string data() const { return root_ + "/data"; }
    std::string config() const { return root_ + "/config"; }
    std::string trace() const { return root_ + "/trace.txt"; }
    std::string file(const std::string& name) const { return root_ + "/" + name; }

    // The environment a program runs in: ours with the run's folders in place of the user's.
    // XDG_RUNTIME_DIR stays: it locates the sound server (and the single-instance lock).
    std::vector<std::string> programEnvironment() const;

  private:
    std::string root_;
};

// Why this machine offers no usable desktop session (no X display, a display that is not X11,
// no sound server); empty when it does.
std::string sessionUnavailable();

// A program run: starts an edition on the run's folders and waits for its windows.
class ProgramRun {
  public:
    ProgramRun(DesktopPlatform& desktop, const char* program, const RunFolders& folders);

    // Runs the program in `environment` instead of the folders' programEnvironment().
    void setEnvironment(std::vector<std::string> environment) {
        environment_ = std::move(environment);
    }

    // Starts the program and waits at most `ms` for its animation and controls windows;
    // false with the reason in `error`.
    bool startAndWaitForWindows(int ms, std::string& error);
    // Asks the controls window to close, as the window manager does, and waits at most `ms` for
    // the program to end; false when it did not. `elapsedMs` is the time the exit took.
    bool closeControlsAndWait(int ms, int& elapsedMs);
    Child& child() { return child_; }
    // The program's standard output and error so far.
    std::string log() const;

  private:
    DesktopPlatform& desktop_;
    std::string program_;
    const RunFolders& folders_;
    Child child_;
    WindowId controls_ = kNoWindow;
    std::vector<std::string> environment_;
};

// Where a window of another program is and whether it is shown (from xwininfo; `known` is false
// when the tool is missing or no such window exists).
struct WindowGeometry {
    bool known = false;
    int x = 0, y = 0, width = 0, height = 0;
    bool viewable = false;
};
WindowGeometry windowGeometry(const std::string& title);

// The trace of beats and changes a run writes (KOREL_TRACE), in file order.
struct TraceLine {
    enum Kind { Beat, Change } kind = Beat;
    uint32_t time = 0;
    int level = 0;  // beats
    int code = 0;   // changes
    int value = 0;
};
// False when the file is missing or a line does not parse.
bool readTrace(const std::string& path, std::vector<TraceLine>& lines, std::string& error);
// The beats' times of a trace, and `seen`: each as " time(level)", for the failure messages.
std::vector<int64_t> beatTimes(const std::vector<TraceLine>& trace, std::string& seen);

// A kick drum at `bpm` whose body is a sine at `bassHz`, `kicks` times, as 16-bit mono samples
// at `rate`; the first kick starts after `leadSeconds` of silence. Between kicks, on the
// off-beat, a soft bass note at the same frequency (a tenth of the kick's loudness) plays.
std::vector<int16_t> kickSong(int kicks, double bpm, double bassHz, int rate, double leadSeconds,
                              bool offBeatBass);
// A PCM WAV file of 16-bit mono samples, written byte by byte.
Bytes wavFile(const std::vector<int16_t>& samples, int rate);

// A 24-bit picture of the whole screen.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // width * height * 3 bytes, row by row
};
// Takes a screenshot of the root window into `path` (binary PPM) with ImageMagick's import;
// false when the tool is missing or failed.
bool takeScreenshot(const std::string& path);
// Reads a binary PPM (P6, maxval 255); false for anything else or a truncated file.
bool readPpm(const std::string& path, Picture& out);
// The share of pixels (0..1) that differ between two pictures of one size; 1 for different sizes.
double differingShare(const Picture& a, const Picture& b);
// The number of distinct colours in the picture (counted up to `cap`).
int distinctColours(const Picture& p, int cap = 1000);
// The rows [top, bottom) of a picture (clipped to it).
Picture rows(const Picture& p, int top, int bottom);
// The share of pixels (0..1) that have the picture's commonest colour.
double commonestShare(const Picture& p);

}  // namespace korel::e2e

// Skips the test when no desktop session is available.
#define KOREL_E2E_REQUIRE_SESSION()                                 \
    do {                                                            \
        const std::string why = ::korel::e2e::sessionUnavailable(); \
        if (!why.empty()) GTEST_SKIP() << why;                      \
    } while (0)
