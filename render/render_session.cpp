// The render loop: a private copy of the data folder, the MP3 edition on the headless platform,
// the virtual clock stepped to each frame's media time, the frames and the song's samples
// handed to the video writer.
#include "render/render_session.h"

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "persist/program_files.h"
#include "persist/visual_state.h"
#include "platform/audiofile/audio_file_reader.h"
#include "platform/files.h"
#include "platform/headless/headless_music.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/headless_sound.h"
#include "playback/songlist.h"
#include "raves/rave_file.h"
#include "shell/conductor.h"
#include "shell/data_folder.h"
#include "shell/driver/driver.h"
#include "shell/program.h"

namespace korel {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The clock moves in steps of at most this much between frames, as the headless driver's does,
// so the program's timed work comes when it would there.
constexpr uint32_t kStepMs = 10;
constexpr size_t kAudioChunkFrames = 4096;

double since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// The same file, whatever the spelling of its path.
bool samePath(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

// A program that passes on what it shows in its alert window.
class RenderProgram : public Program {
  public:
    RenderProgram(Platform& p, ProgramOptions o, RenderHooks& hooks)
        : Program(p, Edition::MP3, std::move(o)), hooks_(hooks) {}
    void showAlert(std::string_view text) override {
        hooks_.alert(text.empty() ? shell().pendingMessage : std::string(text));
        Program::showAlert(text);
    }

  private:
    RenderHooks& hooks_;
};

// A folder of the run's own under the system's temporary folder, removed at the end.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::error_code ec;
        std::string tmpl = (fs::temp_directory_path(ec) / "korel-render-XXXXXX").string();
        if (!ec && ::mkdtemp(tmpl.data())) path_ = tmpl;
    }
    ~ScratchFolder() { remove(); }
    void remove() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
        path_.clear();
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// Checks a rave file the way a song start reads it; a message when it cannot be played.
bool checkRave(const std::string& path, std::string& error) {
    Bytes file;
    const int rc = readWholeFile(path, file, kRaveFileLimit);
    if (rc != 0) {
        error = "cannot read the rave " + path + (rc == kErrNoFile || rc == kErrNoPath
                                                      ? std::string(": no such file")
                                                      : ": error " + std::to_string(rc));
        return false;
    }
    VisualState songStart;
    RaveState rave;
    if (!decodeRaveFile(file, Edition::MP3, songStart, rave)) {
        error = path + " is not a valid rave file (cut short or of another kind)";
        return false;
    }
    return true;
}

// The song's entry as the user's songlists have it (with its attached rave), when one lists it.
bool findListedSong(const std::string& data, const std::string& song, SongEntry& out) {
    std::vector<std::string> names;
    if (listFolder(joinPath(data, "Songlists"), ".sls", names) != 0) return false;
    std::sort(names.begin(), names.end());
    bool found = false;
    for (const std::string& name : names) {
        Bytes file;
        if (readWholeFile(joinPath(joinPath(data, "Songlists"), name), file, 1u << 20) != 0)
            continue;
        std::vector<SongEntry> entries;
        std::string ignored;
        if (!decodeSonglist(file, entries, ignored)) continue;
        for (const SongEntry& e : entries) {
            if (e.path.empty() || !samePath(e.path, song)) continue;
            // An entry with a rave attached wins over one without.
            if (!found || (e.raveAttached && !out.raveAttached)) out = e;
            found = true;
        }
    }
    return found;
}

// Everything one render holds; the program is built last and goes first.
class Session {
  public:
    Session(const RenderOptions& o, RenderHooks& hooks, RenderReport& report)
        : o_(o), hooks_(hooks), report_(report) {}

    ~Session() {
        program_.reset();
        scratch_.remove();
    }

    int run(std::string& error, const std::string& seedFolder) {
        const auto t0 = Clock::now();
        if (!openSong(error) || !prepareFolders(error) || !prepareSong(error)) return kRenderFailed;
        if (!openOutput(error)) return kRenderFailed;
        if (!startProgram(error, seedFolder)) {
            // Nothing was rendered: no file is left behind.
            std::string ignored;
            finishOutput(ignored);
            removeFile(o_.output);
            return kRenderFailed;
        }
        const int code = renderFrames(error);
        std::string finishError;
        if (!finishOutput(finishError) && code == kRenderDone) {
            error = finishError;
            return kRenderFailed;
        }
        report_.seconds = since(t0);
        return code;
    }

  private:
    bool openSong(std::string& error) {
        GraphFailure failure;
        if (!fileExists(o_.song)) {
            error = "cannot read the song " + o_.song + ": no such file";
            return false;
        }
        if (!song_.open(o_.song, failure)) {
            error = "cannot read the song " + o_.song + ": " +
                    (failure.reason.empty() ? "not a sound file" : failure.reason);
            return false;
        }
        if (song_.frames() == 0 && o_.to < 0) {
            error = "the length of " + o_.song + " is unknown: give --to";
            return false;
        }
        const double length = song_.frames() ? double(song_.frames()) / song_.rate() : 1.0e6;
        if (o_.from >= length) {
            error = "--from is past the song's end (" + std::to_string(int(length)) + " s)";
            return false;
        }
        const double to = o_.to < 0 ? length : std::min(o_.to, length);
        firstFrame_ = firstFrameAt(o_.from, o_.fps);
        endFrame_ = std::max(firstFrame_ + 1, firstFrameAt(to, o_.fps));
        report_.framesTotal = endFrame_ - firstFrame_;
        return true;
    }

    bool prepareFolders(std::string& error) {
        if (scratch_.path().empty()) {
            error = "cannot make a temporary folder";
            return false;
        }
        data_ = joinPath(scratch_.path(), "data");
        userData_ = defaultDataFolder();
        if (createFolders(data_) != 0 || createFolders(joinPath(scratch_.path(), "config")) != 0) {
            error = "cannot make a temporary folder";
            return false;
        }
        return folderExists(userData_) ? copyDataForRender(userData_, data_, error) : true;
    }

    // The one-song list the program starts with, and the rave it plays.
    bool prepareSong(std::string& error) {
        std::error_code ec;
        const std::string song = fs::absolute(o_.song, ec).lexically_normal().string();
        SongEntry entry = songEntryForFile(ec ? o_.song : song);
        if (entry.path.size() >= kSongPathField) {
            // Longer than a songlist entry holds: the list names a short link to it instead.
            const fs::path link = fs::path(scratch_.path()) / ("song" + fs::path(song).extension().string());
            fs::create_symlink(song, link, ec);
            if (ec || link.string().size() >= kSongPathField) {
                error = "the song's path is too long (" + std::to_string(kSongPathField - 1) +
                        " characters at most)";
                return false;
            }
            entry.path = link.string();
        }
        std::string raveSource;
        if (!o_.rave.empty()) {
            // The given file keeps its content, under a name a song entry can hold.
            raveSource = o_.rave;
            entry.raveName = "Given";
        } else if (o_.style.empty()) {
            SongEntry listed;
            if (folderExists(userData_) && findListedSong(userData_, song, listed) &&
                listed.raveAttached) {
                entry.raveFolder = listed.raveFolder;
                entry.raveName = listed.raveName;
                raveSource = listedFilePath(joinPath(joinPath(userData_, "Raves"), listed.raveFolder),
                                            listed.raveName, ".rav");
            }
        }
        if (!raveSource.empty()) {
            if (!checkRave(raveSource, error)) return false;
            const std::string folder = joinPath(joinPath(data_, "Raves"), entry.raveFolder);
            if (createFolders(folder) != 0 ||
                copyFile(raveSource, joinPath(folder, entry.raveName + ".rav")) != 0) {
                error = "cannot copy the rave into the temporary folder";
                return false;
            }
            entry.raveAttached = true;
        }
        Songlist list;
        list.entries = {entry};
        const std::string lists = joinPath(data_, "Songlists");
        if (createFolders(lists) != 0 ||
            writeFileReplacing(joinPath(lists, std::string(kFirstSonglistName) + ".sls"),
                               encodeSonglist(list)) != 0) {
            error = "cannot write the songlist into the temporary folder";
            return false;
        }
        return true;
    }

    bool openOutput(std::string& error) {
        // Opening the output empties it: never one of the files the render reads.
        if (samePath(o_.output, o_.song) || (!o_.rave.empty() && samePath(o_.output, o_.rave))) {
            error = "the output " + o_.output + " is one of the files the render reads";
            return false;
        }
        VideoSettings v;
        v.path = o_.output;
        v.container = containerForPath(o_.output);
        v.width = o_.width;
        v.height = o_.height;
        v.fps = o_.fps;
        v.audioRate = song_.rate();
        v.audioChannels = song_.channels();
        std::string why;
        if (!writer_.open(v, why)) {
            error = why.rfind("cannot write", 0) == 0 ? why : "cannot write " + o_.output + ": " + why;
            return false;
        }
        return true;
    }

    bool finishOutput(std::string& error) {
        report_.writer = writer_.times();
        return writer_.finish(error);
    }

    bool startProgram(std::string& error, const std::string& seedFolder) {
        ProgramOptions po;
        po.dataFolder = data_;
        po.configFolder = joinPath(scratch_.path(), "config");
        po.seedFolder = seedFolder;
        po.lockFolder = scratch_.path();
        po.currentFolder = scratch_.path();
        po.saverSettingsFile = joinPath(scratch_.path(), "xscreensaver");
        po.tracePath = joinPath(scratch_.path(), "trace.txt");
        // A fatal failure inside the program ends the process: the file is closed first.
        po.exitProcess = [this](int) {
            std::string ignored;
            writer_.finish(ignored);
            Bytes word;
            readWholeFile(joinPath(data_, "error.txt"), word, 4096);
            std::fprintf(stderr, "korel-render: the program failed (%s)\n",
                         std::string(word.begin(), word.end()).c_str());
            scratch_.remove();
            std::exit(kRenderFailed);
        };
        platform_ = std::make_unique<HeadlessPlatform>(o_.width, o_.height);
        // The devices the headless driver gives every run, so the show is the same as there.
        sound_ = std::make_unique<HeadlessSound>(*platform_);
        sound_->addLine("Line In", LineType::Line);
        sound_->addLine("Stereo Mix", LineType::WaveOutput);
        po.soundInput = sound_.get();
        music_ = std::make_unique<HeadlessMusicGraph>(*platform_);
        po.musicGraph = music_.get();
        program_ = std::make_unique<RenderProgram>(*platform_, std::move(po), hooks_);
        if (!program_->start("H")) {
            error = "the program ended while starting";
            return false;
        }
        pump();
        if (!o_.style.empty()) {
            // The program starts a style it cannot find with the defaults; a render says so.
            const std::string file =
                listedFilePath(program_->dataPath(fileFolder(FileKind::Style)), storedName(o_.style),
                               fileExtension(FileKind::Style));
            if (!fileExists(file) || !program_->conductor().loadStyle(storedName(o_.style))) {
                error = "cannot load the style \"" + o_.style + "\" from the data folder";
                return false;
            }
        }
        pump();
        origin_ = program_->shell().songClockOrigin;
        now_ = platform_->tickCount() - origin_;
        return true;
    }

    // Every waiting event, then one frame tick; an alert is dismissed as a user would.
    void pump() {
        pumpHeadless(*platform_, *program_);
        if (program_->phase() != Phase::Ended && program_->shell().alertShowing)
            program_->dismissAlert();
    }

    // Steps the clock to `ms` of media time.
    void advanceTo(uint32_t ms) {
        while (now_ < ms && program_->phase() != Phase::Ended) {
            const uint32_t next = std::min(ms, (now_ / kStepMs + 1) * kStepMs);
            platform_->advance(next - now_);
            now_ = next;
            pump();
        }
    }

    // The song's samples from frame `from` to frame `to` of the song, silence past its end.
    bool writeSound(uint64_t from, uint64_t to, std::string& error) {
        if (to <= from) return true;
        if (nextSample_ != from && !song_.seek(from)) {
            error = "cannot seek in " + o_.song;
            return false;
        }
        const size_t channels = size_t(song_.channels());
        block_.resize(kAudioChunkFrames * channels);
        for (uint64_t at = from; at < to;) {
            const size_t want = size_t(std::min<uint64_t>(to - at, kAudioChunkFrames));
            const auto t0 = Clock::now();
            const size_t got = song_.read(block_.data(), want);
            std::fill(block_.begin() + std::ptrdiff_t(got * channels),
                      block_.begin() + std::ptrdiff_t(want * channels), int16_t(0));
            report_.reading += since(t0);
            if (!writer_.writeAudio(block_.data(), want, error)) return false;
            at += want;
        }
        nextSample_ = to;
        return true;
    }

    uint64_t sampleAt(int64_t frame) const {
        return uint64_t(frame) * uint64_t(song_.rate()) / uint64_t(o_.fps);
    }

    int renderFrames(std::string& error) {
        const WindowId anim = program_->animationWindow();
        const size_t pixels = size_t(o_.width) * size_t(o_.height);
        nextSample_ = UINT64_MAX;
        for (int64_t n = firstFrame_; n < endFrame_; ++n) {
            if (hooks_.stopRequested()) {
                report_.stopped = true;
                return kRenderStopped;
            }
            const auto t0 = Clock::now();
            advanceTo(frameTimeMs(n, o_.fps));
            if (program_->phase() == Phase::Ended) {
                error = "the program ended at " + std::to_string(now_) + " ms";
                return kRenderFailed;
            }
            const std::vector<Rgb> screen = platform_->screenPixels(anim);
            report_.animation += since(t0);
            if (screen.size() != pixels) {
                error = "the animation window is not " + std::to_string(o_.width) + "x" +
                        std::to_string(o_.height);
                return kRenderFailed;
            }
            hooks_.frameTaken(n, screen);
            if (!writer_.writeFrame(screen.data(), error) ||
                !writeSound(sampleAt(n), sampleAt(n + 1), error)) {
                error = "cannot write " + o_.output + ": " + error;
                return kRenderFailed;
            }
            ++report_.frames;
            hooks_.progress(report_.frames, report_.framesTotal);
        }
        return kRenderDone;
    }

    const RenderOptions& o_;
    RenderHooks& hooks_;
    RenderReport& report_;
    ScratchFolder scratch_;
    std::string data_, userData_;
    AudioFileReader song_;
    std::vector<int16_t> block_;
    uint64_t nextSample_ = 0;
    int64_t firstFrame_ = 0, endFrame_ = 0;
    VideoWriter writer_;
    std::unique_ptr<HeadlessPlatform> platform_;
    std::unique_ptr<HeadlessSound> sound_;
    std::unique_ptr<HeadlessMusicGraph> music_;
    std::unique_ptr<RenderProgram> program_;
    uint32_t origin_ = 0;
    uint32_t now_ = 0;  // media time the clock stands at, ms
};

}  // namespace

bool copyDataForRender(const std::string& from, const std::string& to, std::string& error) {
    std::error_code ec;
    for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name == "Music" || name == "Raves" || name == "Songlists") continue;
        // Linked folders are copied as what they hold: the program must not write through them.
        fs::copy(it->path(), fs::path(to) / name, fs::copy_options::recursive, ec);
        if (ec) break;
    }
    if (ec) {
        error = "cannot copy the data folder " + from + ": " + ec.message();
        return false;
    }
    return true;
}

int renderSong(const RenderOptions& options, RenderHooks& hooks, RenderReport& report,
               std::string& error, const std::string& seedFolder) {
    report = {};
    Session session(options, hooks, report);
    return session.run(error, seedFolder);
}

}  // namespace korel
