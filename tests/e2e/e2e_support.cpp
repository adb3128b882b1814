// Shared pieces of the end-to-end tests: child processes, run folders, the session check,
// windows, the trace, the kick song and screenshots.
#include "e2e/e2e_support.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "platform/files.h"
#include "platform/pulse/pulse_sound.h"

extern char** environ;

namespace korel::e2e {

namespace {

using Clock = std::chrono::steady_clock;

int elapsedSince(Clock::time_point start) {
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

void pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (std::string& s : strings) p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

std::string readText(const std::string& path) {
    Bytes b;
    if (readWholeFile(path, b) != 0) return {};
    return std::string(b.begin(), b.end());
}

}  // namespace

// --- Child processes ---------------------------------------------------------------------

Child::~Child() {
    if (pid_ > 0 && !ended_) {
        ::kill(pid_, SIGKILL);
        waitExit(5000);
    }
}

bool Child::start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                  const std::string& logPath, bool searchPath) {
    if (argv.empty() || pid_ > 0) return false;
    std::vector<std::string> args = argv;
    std::vector<std::string> envCopy = env;
    std::vector<char*> argp = pointers(args);
    std::vector<char*> envp = pointers(envCopy);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const std::string out = logPath.empty() ? "/dev/null" : logPath;
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    const int rc = searchPath
                       ? posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), envp.data())
                       : posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    pid_ = pid;
    ended_ = false;
    return true;
}

bool Child::running() {
    if (pid_ <= 0 || ended_) return false;
    return !waitExit(0);
}

bool Child::waitExit(int ms) {
    if (pid_ <= 0) return false;
    if (ended_) return true;
    const auto start = Clock::now();
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_ || (r < 0 && errno == ECHILD)) {
            status_ = r == pid_ ? status : 0;
            ended_ = true;
            return true;
        }
        if (elapsedSince(start) >= ms) return false;
        pause(10);
    }
}

void Child::stop(int graceMs) {
    if (!running()) return;
    ::kill(pid_, SIGTERM);
    if (waitExit(graceMs)) return;
    ::kill(pid_, SIGKILL);
    waitExit(5000);
}

int Child::exitCode() const {
    if (!ended_ || !WIFEXITED(status_)) return -1;
    return WEXITSTATUS(status_);
}

std::vector<std::string> environmentWith(const std::vector<std::string>& overrides) {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        const bool replaced = std::any_of(overrides.begin(), overrides.end(), [&](const auto& o) {
            return o.compare(0, name.size() + 1, name + "=") == 0;
        });
        if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), overrides.begin(), overrides.end());
    return env;
}

ToolResult runTool(const std::vector<std::string>& argv, int ms) {
    ToolResult result;
    char name[] = "/tmp/korel-e2e-tool-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) return result;
    ::close(fd);
    {
        Child child;
        if (child.start(argv, environmentWith({}), name, true)) {
            if (child.waitExit(ms)) {
                result.ran = true;
                result.exitCode = child.exitCode();
            } else {
                child.stop(1000);
            }
        }
    }
    result.out = readText(name);
    ::unlink(name);
    // posix_spawnp reports a missing tool as exit code 127 of the child.
    if (result.exitCode == 127) result.ran = false;
    return result;
}

// --- Run folders -----------------------------------------------------------------------------

RunFolders::RunFolders() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "korel-e2e-XXXXXX").string();
    if (::mkdtemp(tmpl.data())) root_ = tmpl;
    if (!root_.empty()) createFolders(root_ + "/home");
}

RunFolders::~RunFolders() {
    if (root_.empty()) return;
    // KOREL_E2E_KEEP keeps the folders (trace, logs, data) for a look after the test.
    if (std::getenv("KOREL_E2E_KEEP")) {
        std::cout << "kept " << root_ << '\n';
        return;
    }
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

std::vector<std::string> RunFolders::programEnvironment() const {
    return environmentWith({
        "KOREL_PATH=" + data(),
        "KOREL_SEED=" + std::string(KOREL_SEED_DIR),
        "KOREL_TRACE=" + trace(),
        "XDG_CONFIG_HOME=" + config(),
        "XDG_DATA_HOME=" + root_ + "/home/.local/share",
        "HOME=" + root_ + "/home",
        // The display and sound libraries leave allocations behind at exit that are not ours.
        "ASAN_OPTIONS=detect_leaks=0",
    });
}

// --- The session -------------------------------------------------------------------------

std::string sessionUnavailable() {
    {
        std::string error;
        auto desktop = makeDesktopPlatform(&error);
        if (!desktop) return "no display: " + error;
        if (desktop->videoDriver() != "x11") return "the display is not an X11 display";
    }
    PulseSoundInput sound;
    if (!sound.connected()) return "no sound server";
    return {};
}

// --- Program runs -----------------------------------------------------------------------------

ProgramRun::ProgramRun(DesktopPlatform& desktop, const char* program, const RunFolders& folders)
    : desktop_(desktop), program_(program), folders_(folders) {}

bool ProgramRun::startAndWaitForWindows(int ms, std::string& error) {
    if (desktop_.findWindow(kWindowClass, kAnimationTitle) != kNoWindow) {
        error = "another Korel is already running on this display";
        return false;
    }
    const std::vector<std::string> env =
        environment_.empty() ? folders_.programEnvironment() : environment_;
    if (!child_.start({program_}, env, folders_.file("program.log"))) {
        error = "cannot start " + program_;
        return false;
    }
    const auto start = Clock::now();
    WindowId animation = kNoWindow;
    while (elapsedSince(start) < ms) {
        if (animation == kNoWindow) animation = desktop_.findWindow(kWindowClass, kAnimationTitle);
        controls_ = desktop_.findWindow(kWindowClass, kControlsTitle);
        if (animation != kNoWindow && controls_ != kNoWindow) return true;
        if (!child_.running()) {
            error = program_ + " ended before showing its windows (exit code " +
                    std::to_string(child_.exitCode()) + "): " + log();
            return false;
        }
        pause(50);
    }
    error = program_ + " did not show both of its windows within " + std::to_string(ms) + " ms";
    return false;
}

bool ProgramRun::closeControlsAndWait(int ms, int& elapsedMs) {
    const auto start = Clock::now();
    if (controls_ != kNoWindow) desktop_.closeForeignWindow(controls_);
    const bool ended = child_.waitExit(ms);
    elapsedMs = elapsedSince(start);
    return ended;
}

std::string ProgramRun::log() const {
    return readText(folders_.file("program.log"));
}

WindowGeometry windowGeometry(const std::string& title) {
    WindowGeometry g;
    const ToolResult r = runTool({"xwininfo", "-name", title});
    if (!r.ran || r.exitCode != 0) return g;
    std::istringstream in(r.out);
    std::string line;
    int found = 0;
    auto value = [&](const char* label, int& out) {
        const size_t at = line.find(label);
        if (at == std::string::npos) return;
        out = std::atoi(line.c_str() + at + std::string(label).size());
        ++found;
    };
    while (std::getline(in, line)) {
        value("Absolute upper-left X:", g.x);
        value("Absolute upper-left Y:", g.y);
        value("Width:", g.width);
        value("Height:", g.height);
        if (line.find("Map State:") != std::string::npos)
            g.viewable = line.find("IsViewable") != std::string::npos;
    }
    g.known = found == 4;
    return g;
}

// --- The trace -------------------------------------------------------------------------------

std::vector<int64_t> beatTimes(const std::vector<TraceLine>& trace, std::string& seen) {
    std::vector<int64_t> beats;
    std::ostringstream out;
    for (const TraceLine& t : trace) {
        if (t.kind != TraceLine::Beat) continue;
        beats.push_back(t.time);
        out << ' ' << t.time << '(' << t.level << ')';
    }
    seen = out.str();
    return beats;
}

bool readTrace(const std::string& path, std::vector<TraceLine>& lines, std::string& error) {
    lines.clear();
    Bytes b;
    if (readWholeFile(path, b) != 0) {
        error = "no trace file " + path;
        return false;
    }
    std::istringstream in(std::string(b.begin(), b.end()));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        std::istringstream words(line);
        std::string kind;
        TraceLine t;
        words >> kind >> t.time;
        if (kind == "beat") {
            t.kind = TraceLine::Beat;
            words >> t.level;
        } else if (kind == "change") {
            t.kind = TraceLine::Change;
            words >> t.code >> t.value;
        } else {
            words.setstate(std::ios::failbit);
        }
        if (!words) {
            error = "unreadable trace line: " + line;
            return false;
        }
        lines.push_back(t);
    }
    return true;
}

// --- The kick song ---------------------------------------------------------------------------

std::vector<int16_t> kickSong(int kicks, double bpm, double bassHz, int rate, double leadSeconds,
                              bool offBeatBass) {
    constexpr double kTwoPi = 6.283185307179586;
    constexpr double kKickLength = 0.4, kAttack = 0.003, kDecay = 0.1, kKickLevel = 0.8;
    constexpr double kBassLength = 0.12, kBassFade = 0.01, kBassLevel = 0.08;
    const double interval = 60.0 / bpm;
    const double seconds = leadSeconds + kicks * interval + 0.5;
    std::vector<double> mix(size_t(seconds * rate), 0.0);
    auto add = [&](double at, double length, auto envelope) {
        const size_t from = size_t(at * rate);
        const size_t n = size_t(length * rate);
        for (size_t i = 0; i < n && from + i < mix.size(); ++i) {
            const double t = double(i) / rate;
            mix[from + i] += envelope(t) * std::sin(kTwoPi * bassHz * t);
        }
    };
    for (int k = 0; k < kicks; ++k) {
        const double at = leadSeconds + k * interval;
        add(at, kKickLength, [&](double t) {
            return kKickLevel * std::min(1.0, t / kAttack) * std::exp(-t / kDecay);
        });
        if (offBeatBass) {
            add(at + interval / 2, kBassLength, [&](double t) {
                const double edge = std::min({1.0, t / kBassFade, (kBassLength - t) / kBassFade});
                return kBassLevel * std::max(0.0, edge);
            });
        }
    }
    std::vector<int16_t> samples(mix.size());
    for (size_t i = 0; i < mix.size(); ++i)
        samples[i] = int16_t(std::lround(std::clamp(mix[i], -1.0, 1.0) * 32767));
    return samples;
}

Bytes wavFile(const std::vector<int16_t>& samples, int rate) {
    constexpr uint32_t kHeader = 44;
    const uint32_t dataBytes = uint32_t(samples.size() * 2);
    ByteWriter w;
    w.bytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("RIFF"), 4));
    w.le32(kHeader - 8 + dataBytes);
    w.bytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("WAVEfmt "), 8));
    w.le32(16);              // the format chunk's size
    w.le16(1);               // PCM
    w.le16(1);               // mono
    w.le32(uint32_t(rate));  // frames per second
    w.le32(uint32_t(rate) * 2);
    w.le16(2);   // bytes per frame
    w.le16(16);  // bits per sample
    w.bytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("data"), 4));
    w.le32(dataBytes);
    for (int16_t s : samples) w.le16(uint16_t(s));
    return w.data();
}

// --- Screenshots -----------------------------------------------------------------------------

bool takeScreenshot(const std::string& path) {
    const ToolResult r =
        runTool({"import", "-window", "root", "-depth", "8", "ppm:" + path}, 15000);
    return r.ran && r.exitCode == 0 && fileExists(path);
}

bool readPpm(const std::string& path, Picture& out) {
    Bytes b;
    if (readWholeFile(path, b, size_t(256) << 20) != 0) return false;
    ByteReader r(b);
    // The header: "P6", width, height and maxval as decimal words separated by white space
    // (with # comments), then exactly one white-space byte before the pixels.
    auto word = [&](std::string& w) {
        w.clear();
        uint8_t c = 0;
        for (;;) {
            if (!r.u8(c)) return false;
            if (c == '#') {
                while (c != '\n')
                    if (!r.u8(c)) return false;
            } else if (!std::isspace(c)) {
                break;
            }
        }
        w.push_back(char(c));
        while (r.u8(c)) {
            if (std::isspace(c)) return true;
            w.push_back(char(c));
        }
        return false;
    };
    std::string magic, width, height, maxval;
    if (!word(magic) || magic != "P6" || !word(width) || !word(height) || !word(maxval))
        return false;
    if (maxval != "255") return false;
    const long w = std::atol(width.c_str()), h = std::atol(height.c_str());
    if (w <= 0 || h <= 0 || w > 16384 || h > 16384) return false;
    const size_t bytes = size_t(w) * size_t(h) * 3;
    if (r.remaining() < bytes) return false;
    out.width = int(w);
    out.height = int(h);
    out.rgb.assign(b.begin() + long(r.position()), b.begin() + long(r.position() + bytes));
    return true;
}

double differingShare(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size()) return 1;
    const size_t pixels = a.rgb.size() / 3;
    if (pixels == 0) return 0;
    size_t differ = 0;
    for (size_t i = 0; i < pixels; ++i) {
        if (a.rgb[3 * i] != b.rgb[3 * i] || a.rgb[3 * i + 1] != b.rgb[3 * i + 1] ||
            a.rgb[3 * i + 2] != b.rgb[3 * i + 2])
            ++differ;
    }
    return double(differ) / double(pixels);
}

int distinctColours(const Picture& p, int cap) {
    std::unordered_set<uint32_t> seen;
    for (size_t i = 0; i + 2 < p.rgb.size() && int(seen.size()) < cap; i += 3)
        seen.insert(uint32_t(p.rgb[i]) << 16 | uint32_t(p.rgb[i + 1]) << 8 | p.rgb[i + 2]);
    return int(seen.size());
}

Picture rows(const Picture& p, int top, int bottom) {
    Picture out;
    top = std::clamp(top, 0, p.height);
    bottom = std::clamp(bottom, top, p.height);
    out.width = p.width;
    out.height = bottom - top;
    const size_t stride = size_t(p.width) * 3;
    out.rgb.assign(p.rgb.begin() + long(size_t(top) * stride),
                   p.rgb.begin() + long(size_t(bottom) * stride));
    return out;
}

double commonestShare(const Picture& p) {
    std::unordered_map<uint32_t, size_t> counts;
    size_t most = 0;
    for (size_t i = 0; i + 2 < p.rgb.size(); i += 3) {
        const uint32_t c = uint32_t(p.rgb[i]) << 16 | uint32_t(p.rgb[i + 1]) << 8 | p.rgb[i + 2];
        most = std::max(most, ++counts[c]);
    }
    const size_t pixels = p.rgb.size() / 3;
    return pixels ? double(most) / double(pixels) : 0;
}

}  // namespace korel::e2e
