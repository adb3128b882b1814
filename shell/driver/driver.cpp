// The headless driver's script interpreter.
//
// Commands (one per line, "#" starts a comment):
//   edition cd|mp3|live        monitor W H           data FOLDER        seed FOLDER
//   config FOLDER              step MS               start [COMMAND-LINE]
//   wait MS                    key WINDOW KEY [shift] [ctrl] [alt]
//   type WINDOW TEXT           click WINDOW X Y [right]
//   drag WINDOW X0 Y0 X1 Y1    close WINDOW          snapshot WINDOW FILE.png
//   resize W H                 quit                  sound FILE.wav [loop]
//   trace on|off               style NAME            move WINDOW X Y
// WINDOW is animation, controls, help or alert.
#include "shell/driver/driver.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>
#include <vector>

#include "platform/files.h"
#include "platform/headless/headless_cd.h"
#include "platform/headless/headless_music.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/headless_sound.h"
#include "platform/keys.h"
#include "shell/conductor.h"
#include "shell/program.h"
#include "shell/splash.h"
#include "triggers/trace.h"

namespace korel {

namespace {

// The one drive the driver's CD edition has.
constexpr const char* kDriverDrive = "/dev/sr0";

// A program that also prints every alert raised.
class DriverProgram : public Program {
public:
    DriverProgram(Platform& p, Edition e, ProgramOptions o, std::ostream& out)
        : Program(p, e, std::move(o)), out_(out) {}
    void showAlert(std::string_view text) override {
        out_ << "alert: " << (text.empty() ? shell().pendingMessage : std::string(text)) << "\n";
        Program::showAlert(text);
    }

private:
    std::ostream& out_;
};

// --- Keys ---
// A named key: its virtual key and the character it types (0: none).
struct NamedKey {
    int key;
    uint32_t ch;
};

const std::map<std::string, NamedKey>& keyNames() {
    static const std::map<std::string, NamedKey> names = {
        {"space", {vk::Space, ' '}},     {"enter", {vk::Return, 13}},    {"escape", {vk::Escape, 27}},
        {"left", {vk::Left, 0}},         {"right", {vk::Right, 0}},      {"up", {vk::Up, 0}},
        {"down", {vk::Down, 0}},         {"tab", {vk::Tab, 9}},          {"back", {vk::Back, 8}},
        {"delete", {vk::Delete, 0}},     {"home", {vk::Home, 0}},        {"end", {vk::End, 0}},
        {"pageup", {vk::Prior, 0}},      {"pagedown", {vk::Next, 0}},    {"plus", {vk::OemPlus, '+'}},
        {"minus", {vk::OemMinus, '-'}},  {"f1", {vk::F1, 0}},            {"help", {vk::Help, 0}},
        {"semicolon", {vk::Oem1, ';'}},  {"equals", {vk::OemPlus, '='}}, {"slash", {vk::Oem2, '/'}},
        {"question", {vk::Oem2, '?'}},   {"period", {vk::OemPeriod, '.'}}};
    return names;
}

// What a key press gives, as a keyboard does: the key-down and, for keys that type, the
// character (Control + letter its control character; Control + anything else nothing).
bool keyPress(const std::string& name, bool shift, bool ctrl, NamedKey& out) {
    auto it = keyNames().find(name);
    if (it != keyNames().end()) {
        out = it->second;
    } else if (name.size() == 1 && std::isgraph(static_cast<unsigned char>(name[0]))) {
        const char c = name[0];
        out.ch = uint8_t(c);
        if (std::isalpha(static_cast<unsigned char>(c))) {
            out.key = std::toupper(static_cast<unsigned char>(c));
            out.ch = uint8_t(shift ? std::toupper(c) : std::tolower(c));
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            out.key = c;
        } else {
            out.key = c == ';' ? vk::Oem1 : c == '/' || c == '?' ? vk::Oem2 : c == '.' ? vk::OemPeriod
                    : c == '-' ? vk::OemMinus : c == '=' || c == '+' ? vk::OemPlus : 0;
        }
    } else {
        return false;
    }
    if (ctrl && out.ch >= 0x20) {
        out.ch = out.key >= 'A' && out.key <= 'Z' ? uint32_t(out.key - 'A' + 1) : 0;
    }
    return true;
}

class Driver {
public:
    Driver(std::ostream& out, std::string scriptName) : out_(out), scriptName_(std::move(scriptName)) {}

    int run(std::istream& in) {
        std::string line;
        int lineNo = 0;
        while (std::getline(in, line)) {
            ++lineNo;
            size_t hash = line.find('#');
            if (hash != std::string::npos) line.erase(hash);
            std::istringstream words(line);
            std::string cmd;
            if (!(words >> cmd)) continue;
            std::string rest;
            std::getline(words >> std::ws, rest);
            std::string err = command(cmd, rest);
            if (!err.empty()) {
                out_ << scriptName_ << ":" << lineNo << ": " << err << "\n";
                return 2;
            }
            if (ended_) break;
        }
        if (program_ && program_->phase() != Phase::Ended) finish();
        int code = program_ ? program_->exitCode() : 0;
        out_ << "exit " << code << "\n";
        return code;
    }

private:
    std::string command(const std::string& cmd, const std::string& rest) {
        std::istringstream a(rest);
        if (cmd == "edition") {
            if (program_) return "edition must come before start";
            if (rest == "cd") edition_ = Edition::CD;
            else if (rest == "mp3") edition_ = Edition::MP3;
            else if (rest == "live") edition_ = Edition::LIVE;
            else return "unknown edition \"" + rest + "\"";
            return {};
        }
        if (cmd == "monitor") {
            if (!(a >> width_ >> height_) || width_ <= 0 || height_ <= 0) return "monitor W H";
            return {};
        }
        if (cmd == "data") return folderOption(rest, options_.dataFolder);
        if (cmd == "seed") return folderOption(rest, options_.seedFolder);
        if (cmd == "config") return folderOption(rest, options_.configFolder);
        if (cmd == "step") {
            if (!(a >> stepMs_) || stepMs_ == 0) return "step MS (above 0)";
            return {};
        }
        if (cmd == "sound") {
            std::string file, loop;
            if (!(a >> file)) return "sound FILE.wav [loop]";
            a >> loop;
            wav_ = file;
            wavLoop_ = loop == "loop";
            return sound_ ? loadSound() : std::string();
        }
        if (cmd == "server") {
            if (rest != "up" && rest != "down") return "server up|down";
            serverDown_ = rest == "down";
            if (sound_ && serverDown_) sound_->killServer();
            if (sound_ && !serverDown_) sound_->startServer();
            return {};
        }
        if (cmd == "trace") {
            if (rest != "on" && rest != "off") return "trace on|off";
            traceOn_ = rest == "on";
            if (program_) program_->conductor().setTrace(traceOn_ ? &trace_ : nullptr);
            return {};
        }
        if (cmd == "disc") {
            // A disc image goes into the headless drive (before start: it is there at start).
            if (rest.empty()) return "disc FILE.cue";
            if (!cd_) {
                disc_ = rest;
                return {};
            }
            std::string reason;
            if (!cd_->insert(kDriverDrive, rest, reason)) return "disc " + rest + ": " + reason;
            return {};
        }
        if (cmd == "eject") {
            // The drive's own button: the disc comes out.
            if (!cd_) return "\"eject\" needs a started program";
            cd_->eject(kDriverDrive);
            return {};
        }
        if (cmd == "choose") {
            // The next file chooser's answer; an empty name answers as a cancel.
            if (platform_) platform_->queueChosenFile(rest);
            else chosen_.push_back(rest);
            return {};
        }
        if (cmd == "start") return start(rest);
        if (!program_) return "\"" + cmd + "\" needs a started program";
        if (cmd == "wait") {
            uint32_t ms = 0;
            if (!(a >> ms)) return "wait MS";
            wait(ms);
            return {};
        }
        if (cmd == "quit") {
            finish();
            return {};
        }
        if (cmd == "style") {
            if (rest.empty()) return "style NAME";
            program_->conductor().loadStyle(rest);
            pump();
            return {};
        }
        std::string win;
        a >> win;
        WindowId w = window(win);
        if (w == kNoWindow && cmd != "resize") return "unknown or closed window \"" + win + "\"";
        if (cmd == "key") {
            std::string key, mod;
            if (!(a >> key)) return "key WINDOW KEY";
            bool shift = false, ctrl = false, alt = false;
            while (a >> mod) {
                shift |= mod == "shift";
                ctrl |= mod == "ctrl";
                alt |= mod == "alt";
            }
            NamedKey press{};
            if (!keyPress(key, shift, ctrl, press)) return "unknown key \"" + key + "\"";
            if (press.key) platform_->pushKey(w, press.key, shift, ctrl, alt);
            if (press.ch) {
                Event e;
                e.kind = EventKind::Char;
                e.window = w;
                e.ch = press.ch;
                e.shift = shift, e.ctrl = ctrl, e.alt = alt;
                platform_->pushEvent(e);
            }
            pump();
            return {};
        }
        if (cmd == "type") {
            std::string text;
            std::getline(a >> std::ws, text);
            for (unsigned char c : text) platform_->pushChar(w, c);
            if (text.empty()) platform_->pushChar(w, 13);
            pump();
            return {};
        }
        if (cmd == "click") {
            int x, y;
            std::string b;
            if (!(a >> x >> y)) return "click WINDOW X Y [right]";
            a >> b;
            platform_->pushClick(w, x, y, b == "right" ? 2 : 1);
            pump();
            return {};
        }
        if (cmd == "move") {
            int x, y;
            if (!(a >> x >> y)) return "move WINDOW X Y";
            const Rect r = platform_->windowRect(w);
            platform_->setCursor(Point{r.left + x, r.top + y});
            wait(stepMs_);
            return {};
        }
        if (cmd == "drag") {
            int x0, y0, x1, y1;
            if (!(a >> x0 >> y0 >> x1 >> y1)) return "drag WINDOW X0 Y0 X1 Y1";
            // The cursor moves in screen pixels, which a scaled window multiplies.
            const Rect r = platform_->windowRect(w);
            const int k = platform_->windowScale(w);
            platform_->pushButton(w, x0, y0, true);
            pump();
            for (int i = 1; i <= 10; ++i) {
                platform_->setCursor(Point{r.left + k * (x0 + (x1 - x0) * i / 10),
                                           r.top + k * (y0 + (y1 - y0) * i / 10)});
                platform_->setLeftButton(true);
                wait(stepMs_);
            }
            platform_->pushButton(w, x1, y1, false);
            pump();
            return {};
        }
        if (cmd == "close") {
            platform_->pushClose(w);
            pump();
            return {};
        }
        if (cmd == "snapshot") {
            std::string file;
            if (!(a >> file)) return "snapshot WINDOW FILE";
            if (!platform_->snapshotPng(w, file)) return "cannot write \"" + file + "\"";
            out_ << "snapshot " << win << " " << file << "\n";
            return {};
        }
        if (cmd == "splash") {
            // Shows the start-up splash again (for looking at it), with the given text.
            std::string text;
            std::getline(a >> std::ws, text);
            Surface& c = platform_->canvas(w);
            const Rect r = drawSplashScreen(c, platform_->fonts(), program_->pictures().splash,
                                            c.width() / 2, c.height() / 2,
                                            text.empty() ? "Initializing..." : text);
            platform_->present(w, r);
            return {};
        }
        if (cmd == "resize") {
            int nw = 0, nh = 0;
            std::istringstream b(rest);
            if (!(b >> nw >> nh) || nw <= 0 || nh <= 0) return "resize W H";
            platform_->setMonitorSize(nw, nh);
            pump();
            return {};
        }
        return "unknown command \"" + cmd + "\"";
    }

    std::string folderOption(const std::string& rest, std::string& field) {
        if (program_) return "folders must be set before start";
        if (rest.empty()) return "a folder is needed";
        field = rest;
        return {};
    }

    std::string start(const std::string& commandLine) {
        if (program_) return "already started";
        namespace fs = std::filesystem;
        temp_ = (fs::temp_directory_path() / ("korel-driver-" + std::to_string(::getpid()))).string();
        fs::create_directories(temp_);
        if (options_.dataFolder.empty()) options_.dataFolder = temp_ + "/data";
        if (options_.configFolder.empty()) options_.configFolder = temp_ + "/config";
        options_.lockFolder = temp_;
        // The desktop screen saver's settings stay in the run's own folder.
        options_.saverSettingsFile = temp_ + "/xscreensaver";
        options_.exitProcess = [this](int code) {
            Bytes word;
            if (readWholeFile(joinPath(options_.dataFolder, "error.txt"), word) != 0)
                readWholeFile(joinPath(options_.currentFolder, "error.txt"), word);
            out_ << "fatal: " << std::string(word.begin(), word.end()) << "\nexit " << code << "\n";
            out_.flush();
            cleanUp();
        };
        platform_ = std::make_unique<HeadlessPlatform>(width_, height_);
        sound_ = std::make_unique<HeadlessSound>(*platform_);
        sound_->addLine("Line In", LineType::Line);
        sound_->addLine("Stereo Mix", LineType::WaveOutput);
        if (serverDown_) sound_->killServer();
        if (!wav_.empty()) {
            std::string err = loadSound();
            if (!err.empty()) return err;
        }
        options_.soundInput = sound_.get();
        // The CD edition's drive, heard by the capture; empty until a disc goes in.
        cd_ = std::make_unique<HeadlessCdSystem>(*platform_);
        cd_->addDrive(kDriverDrive, "Headless CD");
        cd_->sound = sound_.get();
        if (!disc_.empty()) {
            std::string reason;
            if (!cd_->insert(kDriverDrive, disc_, reason)) return "disc " + disc_ + ": " + reason;
        }
        if (edition_ == Edition::CD) options_.cdSystem = cd_.get();
        music_ = std::make_unique<HeadlessMusicGraph>(*platform_);
        options_.musicGraph = music_.get();
        for (const std::string& path : chosen_) platform_->queueChosenFile(path);
        chosen_.clear();
        program_ = std::make_unique<DriverProgram>(*platform_, edition_, options_, out_);
        if (traceOn_) program_->conductor().setTrace(&trace_);
        if (!program_->start(commandLine)) ended_ = true;
        else pump();
        return {};
    }

    // Feeds the sound input from the script's WAV file; a message when it cannot be used.
    std::string loadSound() {
        std::string error;
        if (sound_->loadWav(wav_, error, wavLoop_)) return {};
        return "cannot use \"" + wav_ + "\": " + error;
    }

    WindowId window(const std::string& name) const {
        if (!program_) return kNoWindow;
        if (name == "animation") return program_->animationWindow();
        if (name == "controls") return program_->controlsWindow();
        if (name == "help") return program_->helpWindow();
        if (name == "alert") return program_->alertWindow();
        return kNoWindow;
    }

    // Handles every waiting event and then one frame tick.
    void pump() {
        pumpHeadless(*platform_, *program_);
        if (program_->phase() == Phase::Ended) ended_ = true;
    }

    void wait(uint32_t ms) {
        for (uint32_t t = 0; t < ms && !ended_; t += stepMs_) {
            platform_->advance(std::min(stepMs_, ms - t));
            pump();
        }
    }

    // Ends the run the way a user would: close the controls window, then let the closing play.
    void finish() {
        if (program_->phase() == Phase::Running) {
            if (program_->alertWindow() != kNoWindow && program_->shell().alertShowing)
                program_->dismissAlert();
            program_->quitProgram();
        }
        for (int i = 0; i < 100000 && program_->phase() != Phase::Ended; ++i) {
            platform_->advance(stepMs_);
            program_->pass();
            if (program_->shell().alertShowing) program_->dismissAlert();
        }
        ended_ = true;
    }

    void cleanUp() {
        std::error_code ec;
        if (!temp_.empty()) std::filesystem::remove_all(temp_, ec);
        temp_.clear();
    }

public:
    ~Driver() {
        program_.reset();
        cleanUp();
    }

private:

    std::ostream& out_;
    std::string scriptName_;
    Edition edition_ = Edition::LIVE;
    int width_ = 1024, height_ = 768;
    uint32_t stepMs_ = 10;
    ProgramOptions options_;
    std::string temp_;
    std::unique_ptr<HeadlessPlatform> platform_;
    std::unique_ptr<HeadlessSound> sound_;
    std::unique_ptr<HeadlessMusicGraph> music_;
    std::unique_ptr<HeadlessCdSystem> cd_;
    std::string disc_;  // the disc image given before start
    std::vector<std::string> chosen_;  // file chooser answers given before start
    bool serverDown_ = false;
    std::unique_ptr<DriverProgram> program_;
    std::string wav_;
    bool wavLoop_ = false;
    bool traceOn_ = true;
    StreamTrace trace_{out_};
    bool ended_ = false;
};

}  // namespace

void pumpHeadless(HeadlessPlatform& platform, Program& program) {
    for (int guard = 0; guard < 100000; ++guard) {
        if (program.phase() == Phase::Ended) return;
        if (!platform.hasPending()) break;
        program.pass();
    }
    program.pass();
}

int runDriverScript(std::istream& script, std::ostream& out, const std::string& scriptName) {
    Driver d(out, scriptName);
    return d.run(script);
}

}  // namespace korel
