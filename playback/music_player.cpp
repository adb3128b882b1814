// The transport of the MP3 edition and the songlist operations behind the controls.
#include "playback/music_player.h"

#include <cstdlib>

#include <cmath>
#include <fstream>
#include <mutex>

#include "persist/program_files.h"
#include "platform/files.h"

namespace korel {

bool appendErrorLine(Services& services, const std::string& tag, int code) {
    std::ofstream out(services.dataPath("error.txt"), std::ios::binary | std::ios::app);
    if (!out) return false;
    out << tag << ": " << (unsigned(code) & 0xFFFFu) << "\r\n";
    return bool(out.flush());
}

std::vector<std::pair<std::string, std::string>> musicFileFilters() {
    return {{"MP3 or WAV files", "*.MP3;*.WAV"},
            {"All sound files",
             "*.MP3;*.WAV;*.FLAC;*.OGG;*.OGA;*.OPUS;*.AIF;*.AIFF;*.AU;*.CAF;*.W64"}};
}

MusicPlayer::MusicPlayer(Services& services, MusicGraph* graph, PlayerHost& host)
    : services_(services), graph_(graph), host_(host) {}

// --- The songlist ----------------------------------------------------------------------

void MusicPlayer::setSonglistName(const std::string& name) {
    wantedList_ = name.empty() ? std::string(kFirstSonglistName) : name;
    loaded_ = false;
}

bool MusicPlayer::ensureLoaded() {
    if (loaded_) return true;
    loaded_ = true;
    if (wantedList_ == kFirstSonglistName) ensureFirstSonglist(services_);
    if (loadSonglistFile(services_, list_, wantedList_)) return true;
    // A missing or damaged list is left as it is on disk; the first list takes its place.
    if (wantedList_ != kFirstSonglistName && ensureFirstSonglist(services_) &&
        loadSonglistFile(services_, list_, kFirstSonglistName))
        return true;
    resetSonglist(list_, kFirstSonglistName);
    return false;
}

bool MusicPlayer::loadSonglist(const std::string& name) {
    Songlist read = list_;
    if (!loadSonglistFile(services_, read, name)) return false;
    stopSong(false);
    list_ = std::move(read);
    loaded_ = true;
    host_.songFieldsChanged();
    return true;
}

bool MusicPlayer::saveSonglist() { return saveSonglistFile(services_, list_); }

bool MusicPlayer::chooseAndInsertSong(WindowId owner) {
    ensureLoaded();
    if (playing_ || paused_) stopSong(true);
    const std::string title = list_.empty() ? "Load New Song" : "Insert New Song";
    std::string path;
    if (!services_.platform().chooseOpenFile(owner, title, musicFileFilters(), path)) return false;
    return insertSong(path);
}

bool MusicPlayer::insertSong(const std::string& path) {
    ensureLoaded();
    if (playing_ || paused_) stopSong(true);
    if (!fileExists(path) || folderExists(path)) {
        services_.showAlert("Unable to open file!");
        return false;
    }
    Songlist changed = list_;
    if (!korel::insertSong(services_, changed, path)) return false;
    list_ = std::move(changed);
    saveSonglist();
    playSong(list_.current);
    return true;
}

bool MusicPlayer::removeSong() {
    ensureLoaded();
    Songlist changed = list_;
    if (!removeCurrentSong(services_, changed)) return false;
    stopSong(false);
    list_ = std::move(changed);
    saveSonglist();
    host_.songFieldsChanged();
    return true;
}

bool MusicPlayer::renameSong(const std::string& typed) {
    ensureLoaded();
    Songlist changed = list_;
    if (!renameCurrentSong(services_, changed, typed)) return false;
    list_ = std::move(changed);
    saveSonglist();
    host_.songFieldsChanged();
    return true;
}

bool MusicPlayer::createEmptySonglist(const std::string& name) {
    if (name.empty()) {
        services_.showAlert("Text field is empty! Please type text into field.");
        return false;
    }
    ensureLoaded();
    stopSong(false);
    std::string stored = storedName(name);
    if (stored.size() >= kSongNameField) stored.resize(kSongNameField - 1);
    resetSonglist(list_, stored);
    const bool saved = saveSonglist();
    host_.songFieldsChanged();
    return saved;
}

bool MusicPlayer::renameSonglist(const std::string& from, const std::string& to) {
    ensureLoaded();
    if (!renameSonglistFile(services_, list_, from, to)) return false;
    host_.songFieldsChanged();
    return true;
}

bool MusicPlayer::deleteSonglist(const std::string& name) {
    ensureLoaded();
    return deleteSonglistFile(services_, list_, name);
}

// --- Transport -------------------------------------------------------------------------

void MusicPlayer::recordGraphFailure(const GraphFailure& failure) {
    if (!failure.tag.empty()) appendErrorLine(services_, failure.tag, failure.code);
}

std::unique_lock<std::mutex> MusicPlayer::lockGraph() {
    return graphLock_ ? std::unique_lock<std::mutex>(*graphLock_) : std::unique_lock<std::mutex>();
}

bool MusicPlayer::graphOpen() {
    if (!graph_) return false;
    auto lock = lockGraph();
    return graph_->isOpen();
}

void MusicPlayer::setRunning(bool playing, bool paused) {
    auto lock = lockGraph();
    playing_ = playing;
    paused_ = paused;
}

bool MusicPlayer::openSong(const std::string& path) {
    if (!graph_) return true;
    GraphFailure failure;
    bool opened;
    {
        auto lock = lockGraph();
        opened = graph_->open(path, failure);
    }
    if (opened) return true;
    recordGraphFailure(failure);
    const std::string& tag = failure.tag;
    if (tag == "CI" || tag == "QI" || tag == "GH") {
        services_.showAlert("Unable to initialize sound filter!");
    } else if (tag == "RF") {
        services_.showAlert("Unable to load sound file!");
    }
    services_.showAlert("Unable to open file!");
    return false;
}

void MusicPlayer::setStartTick(uint32_t tick) {
    startTick_ = tick;
    // The animation's timers run on the shell's song clock.
    services_.shell().songClockOrigin = tick;
}

void MusicPlayer::playSong(size_t index, bool startUp) {
    if (playing_ || paused_ || wind_.active()) stopSong(false);
    nextAfterTextEntry_ = false;
    ensureLoaded();
    const size_t count = list_.entries.size();
    if (startUp && services_.shell().screenSaverMode && count > 1)
        index = size_t(services_.random().below(int(count)));
    if (index >= count) index = 0;
    list_.current = index;
    const SongEntry entry = list_.currentEntry();

    length_ = kSongLengthWithoutFile;
    bool sounding = false;
    if (entry.isNone()) {
        if (graph_) {
            auto lock = lockGraph();
            graph_->close();
        }
    } else if (openSong(entry.path) && graphOpen()) {
        sounding = true;
        double seconds;
        {
            auto lock = lockGraph();
            seconds = graph_->duration();
        }
        const double ms = seconds * 1000.0;
        if (std::isfinite(ms) && ms >= 1.0 && ms < 4.0e9) length_ = uint32_t(ms);
    }

    const bool otherSong = !hasStarted_ || lastStartedPath_ != entry.path;
    hasStarted_ = true;
    lastStartedPath_ = entry.path;
    host_.songStarting(entry, otherSong);

    setStartTick(services_.platform().tickCount());
    setRunning(true, false);
    pauseTime_ = 0;
    bool ran = true;
    if (sounding) {
        auto lock = lockGraph();
        ran = graph_->seek(0) && graph_->run();
    }
    if (!ran) services_.showAlert("Unable to play sound file!");
    host_.songFieldsChanged();
}

bool MusicPlayer::setCurrentRave(bool attached, const std::string& raveName) {
    SongEntry& e = list_.currentEntry();
    e.raveAttached = attached;
    e.raveName = attached ? raveName.substr(0, 27) : std::string();
    return saveSonglist();
}

void MusicPlayer::pauseSong() {
    if (!playing_) return;
    bool held = true;
    if (graphOpen()) {
        auto lock = lockGraph();
        held = graph_->pause();
    }
    if (!held) services_.showAlert("Unable to pause sound file!");
    pauseTime_ = services_.platform().tickCount() - startTick_;
    setRunning(false, true);
    host_.songFieldsChanged();
}

void MusicPlayer::resumeSong() {
    if (!paused_ || wind_.active()) return;
    // The start tick moves on by the time spent paused.
    setStartTick(services_.platform().tickCount() - pauseTime_);
    bool ran = true;
    if (graphOpen()) {
        auto lock = lockGraph();
        ran = graph_->run();
    }
    if (!ran) services_.showAlert("Unable to play sound file!");
    setRunning(true, false);
    host_.songFieldsChanged();
}

void MusicPlayer::stopSong(bool refreshUi) {
    bool stopped = true;
    if (graphOpen()) {
        auto lock = lockGraph();
        graph_->pause();
        graph_->seek(0);
        graph_->state();
        stopped = graph_->stop();
    }
    if (!stopped) services_.showAlert("Unable to stop sound file!");
    setRunning(false, false);
    wind_.end();
    nextAfterTextEntry_ = false;
    pauseTime_ = 0;
    setStartTick(services_.platform().tickCount());
    host_.songStopped();
    if (refreshUi) host_.songFieldsChanged();
}

void MusicPlayer::nextSong(int step) {
    ensureLoaded();
    const int count = int(list_.entries.size());
    const int index = ((int(list_.current) + step) % count + count) % count;
    if (playing_ || paused_ || wind_.active()) {
        playSong(size_t(index));
    } else {
        list_.current = size_t(index);
        host_.songFieldsChanged();
    }
}

bool MusicPlayer::selectSong(int number) {
    ensureLoaded();
    if (number < 1 || size_t(number) > list_.entries.size()) return false;
    nextSong(number - 1 - int(list_.current));
    return true;
}

void MusicPlayer::moveOn() {
    const size_t count = list_.entries.size();
    playSong((list_.current + 1) % count);
}

void MusicPlayer::tick() {
    if (wind_.active()) return;
    if (nextAfterTextEntry_) {
        if (!host_.textEntryOpen()) moveOn();
        return;
    }
    if (playing_ && songTime() >= length_) {
        if (host_.textEntryOpen()) {
            stopSong(true);
            nextAfterTextEntry_ = true;
        } else {
            moveOn();
        }
    }
}

void MusicPlayer::followHeard(uint32_t heardMs, bool heardYet) {
    if (!playing_ || wind_.active()) return;
    const uint32_t now = services_.platform().tickCount();
    const int64_t songMs = int64_t(uint32_t(now - startTick_));
    if (!heardYet) {
        // The output is still starting: the song has not begun for the listener.
        if (songMs < kHeardStartWait) setStartTick(now);
        return;
    }
    if (std::llabs(songMs - int64_t(heardMs)) > kHeardDrift) setStartTick(now - heardMs);
}

// --- Winding ---------------------------------------------------------------------------

bool MusicPlayer::beginWind(int direction) {
    if (wind_.active()) return false;
    const int dir = direction < 0 ? -1 : 1;
    if (!playing_ && !paused_) {
        // A stopped song is at its start already: nothing to rewind.
        if (dir > 0) services_.showAlert("The song must be playing or paused to use this feature!");
        return false;
    }
    const uint32_t base = songTime();
    const bool wasPaused = paused_;
    if (playing_ && graphOpen()) {
        auto lock = lockGraph();
        graph_->pause();
    }
    setRunning(false, true);
    pauseTime_ = base;
    wind_.begin(base, dir, length_, services_.platform().tickCount(), wasPaused);
    host_.songFieldsChanged();
    return true;
}

void MusicPlayer::windPass() {
    if (wind_.pass(services_.platform().tickCount())) host_.songFieldsChanged();
}

void MusicPlayer::endWind() {
    if (!wind_.active()) return;
    wind_.end();
    const uint32_t target = wind_.target();
    bool ran = true;
    if (graphOpen()) {
        auto lock = lockGraph();
        graph_->pause();
        graph_->seek(target / 1000.0);
        graph_->resetTap();
        ran = graph_->run();
    }
    if (!ran) services_.showAlert("Unable to play sound file!");
    setStartTick(services_.platform().tickCount() - target);
    setRunning(true, false);
    // The song clock stands at the target: what the rave applies there carries its time.
    host_.songWound(target, wind_.rewinding());
    if (wind_.wasPaused()) pauseSong();
    host_.songFieldsChanged();
}

uint32_t MusicPlayer::songTime() {
    if (wind_.active()) return wind_.target();
    if (paused_) return pauseTime_;
    if (playing_) return services_.platform().tickCount() - startTick_;
    return 0;
}

}  // namespace korel
