// The CD edition's transport.
#include "playback/cd_player.h"

#include <cstdlib>

namespace korel {

namespace {

std::string replaceDriveName(const std::string& name) {
    std::string text = "Multiple CD-ROM drives found! Default drive is now set to A.";
    const size_t at = text.rfind('A');
    return text.replace(at, 1, name);
}

}  // namespace

CdPlayer::CdPlayer(Services& services, CdSystem* system, CdPlayerHost& host, uint8_t& seekCheck)
    : services_(services), system_(system), host_(host), seekCheck_(seekCheck) {
    list_.count = 1;
}

// --- The drive --------------------------------------------------------------------------------

std::vector<CdDriveInfo> CdPlayer::listDrives(const std::string& imageFolder) {
    drives_ = system_ ? system_->drives(imageFolder) : std::vector<CdDriveInfo>{};
    if (drives_.size() > size_t(kMaxCdDrives)) drives_.resize(size_t(kMaxCdDrives));
    return drives_;
}

const std::string& CdPlayer::drivePath() const {
    static const std::string none;
    return drive_ ? drive_->path() : none;
}

bool CdPlayer::openDrive(const std::string& imageFolder, const std::string& forced,
                         std::string& remembered) {
    drive_.reset();
    if (!system_) {
        services_.showAlert(kCdDriveUnusable);
        return false;
    }
    std::string chosen = forced;
    if (chosen.empty()) {
        listDrives(imageFolder);
        // A disc in a real drive comes before the images of the "Discs" folder, which always
        // hold theirs.
        bool deviceDisc = false;
        for (const CdDriveInfo& d : drives_) deviceDisc = deviceDisc || (d.mediaPresent && !d.image);
        int withDisc = -1, discs = 0;
        for (size_t i = 0; i < drives_.size(); ++i) {
            if (drives_[i].mediaPresent && !(deviceDisc && drives_[i].image)) {
                withDisc = int(i);
                ++discs;
            }
        }
        if (drives_.size() == 1) {
            chosen = drives_[0].path;
        } else if (discs == 1) {
            chosen = drives_[size_t(withDisc)].path;
        } else {
            for (const CdDriveInfo& d : drives_)
                if (!remembered.empty() && d.path == remembered) chosen = d.path;
            if (chosen.empty() && !drives_.empty()) {
                // Nothing tells the drives apart: the first becomes the default drive.
                chosen = drives_[0].path;
                remembered = chosen;
                services_.showAlert(replaceDriveName(drives_[0].name));
            }
        }
    }
    std::string reason;
    if (!chosen.empty()) drive_ = system_->open(chosen, reason);
    if (!drive_) {
        services_.showAlert(kCdDriveUnusable);
        return false;
    }
    return true;
}

bool CdPlayer::useDrive(const std::string& path) {
    if (!system_) return false;
    if (drive_ && drive_->path() == path) return true;  // the drive in use already
    stopCd(false);
    std::string reason;
    std::unique_ptr<CdDrive> drive = system_->open(path, reason);
    if (!drive) {
        services_.showAlert(kCdDriveUnusable);
        return false;
    }
    drive_ = std::move(drive);
    clearDisc(table_);
    playTrack(0);
    return true;
}

// --- The disc ---------------------------------------------------------------------------------

bool CdPlayer::readDisc(bool* same) {
    if (same) *same = false;
    if (!drive_) {
        clearDisc(table_);
        return false;
    }
    const DiscReadResult r = korel::readDisc(*drive_, table_);
    if (!r.present) return false;
    if (same) *same = r.same && !ejecting_;
    if (!r.same || ejecting_) {
        ejecting_ = false;
        recogniseDisc(services_, table_, list_);
    }
    return true;
}

bool CdPlayer::saveList() {
    if (!table_.present()) return false;
    return saveCdList(services_, list_);
}

// --- Transport --------------------------------------------------------------------------------

bool CdPlayer::sendStop() {
    if (!drive_) return true;
    return seekCheck_ == uint8_t(SeekCheck::NeedsStop) ? drive_->stop() : drive_->pause();
}

bool CdPlayer::seekTo(uint32_t frames, bool checkSeek) {
    if (!drive_->seek(frames)) return false;
    if (!checkSeek || seekCheck_ != uint8_t(SeekCheck::NotChecked)) return true;
    // Some drives only seek from a stopped state: the first seek past track 1 is read back.
    uint32_t at = 0;
    const bool read = drive_->position(at);
    const uint32_t off = at > frames ? at - frames : frames - at;
    if (read && off > kSeekCheckTolerance) {
        seekCheck_ = uint8_t(SeekCheck::NeedsStop);
        drive_->stop();
        return drive_->seek(frames);
    }
    seekCheck_ = uint8_t(SeekCheck::Good);
    return true;
}

void CdPlayer::setStartTick(uint32_t tick) {
    startTick_ = tick;
    services_.shell().songClockOrigin = tick;
}

void CdPlayer::playTrack(int index, bool randomTrack) {
    if (playing_ || paused_ || wind_.active()) stopCd(false);
    nextAfterTextEntry_ = false;
    bool same = false;
    const bool present = !discLeftAlone_ && readDisc(&same);
    length_ = kNoDiscSongLength;
    if (present) {
        if (!same && hasStarted_) index = 0;
        if (randomTrack && table_.trackCount > 1) index = services_.random().below(table_.trackCount);
        if (index < 0 || index >= table_.trackCount) index = 0;
        current_ = index;
        length_ = songLengthMs(table_, index);
    } else {
        current_ = -1;
    }
    const bool otherSong = !hasStarted_ || lastDisc_ != table_.code || lastTrack_ != current_;
    hasStarted_ = true;
    lastDisc_ = table_.code;
    lastTrack_ = current_;
    host_.songStarting(current_, otherSong);

    setStartTick(services_.platform().tickCount());
    playing_ = true;
    paused_ = false;
    pauseTime_ = 0;
    if (present) {
        const uint32_t start = table_.start[size_t(current_)];
        if (!seekTo(start, current_ != 0) || !drive_->play())
            services_.showAlert(kCdDriveUnusable);
    }
    host_.songFieldsChanged();
}

void CdPlayer::pauseCd() {
    if (!playing_) return;
    if (current_ >= 0) sendStop();
    pauseTime_ = services_.platform().tickCount() - startTick_;
    playing_ = false;
    paused_ = true;
    host_.songFieldsChanged();
}

void CdPlayer::resumeCd() {
    if (!paused_ || wind_.active()) return;
    bool same = false;
    const bool present = readDisc(&same);
    if (present && !same) {
        // Another disc went in meanwhile: it starts from its first track.
        paused_ = false;
        playTrack(0);
        return;
    }
    setStartTick(services_.platform().tickCount() - pauseTime_);
    if (present && drive_ && !drive_->play()) services_.showAlert(kCdDriveUnusable);
    playing_ = true;
    paused_ = false;
    host_.songFieldsChanged();
}

void CdPlayer::stopCd(bool refreshUi) {
    if (drive_ && current_ >= 0 && (playing_ || paused_ || wind_.active())) sendStop();
    playing_ = false;
    paused_ = false;
    wind_.end();
    nextAfterTextEntry_ = false;
    pauseTime_ = 0;
    setStartTick(services_.platform().tickCount());
    host_.songStopped();
    if (refreshUi) host_.songFieldsChanged();
}

void CdPlayer::ejectCd() {
    stopCd(false);
    if (!drive_) {
        host_.songFieldsChanged();
        return;  // no drive, no door
    }
    ejecting_ = true;
    current_ = -1;
    length_ = kNoDiscSongLength;
    drive_->openDoor();
    clearDisc(table_);
    list_ = CdList{};
    list_.name = kEjectingCd;
    list_.code = table_.code;
    nextPoll_ = services_.platform().tickCount() + kDiscPollInterval;
    host_.songFieldsChanged();
}

void CdPlayer::nextTrack(int step) {
    const int count = table_.trackCount;
    if (count <= 0) {
        if (playing_ || paused_) playTrack(0);
        return;
    }
    const int from = current_ < 0 ? 0 : current_;
    const int index = ((from + step) % count + count) % count;
    if (playing_ || paused_ || wind_.active()) {
        playTrack(index);
    } else {
        current_ = index;
        length_ = songLengthMs(table_, index);
        host_.songFieldsChanged();
    }
}

bool CdPlayer::selectTrack(int number) {
    if (number < 1 || number > table_.trackCount) return false;
    nextTrack(number - 1 - (current_ < 0 ? 0 : current_));
    return true;
}

void CdPlayer::moveOn() {
    const int count = table_.trackCount;
    playTrack(count > 0 ? (current_ + 1) % count : 0);
}

void CdPlayer::pollDisc() {
    const uint32_t now = services_.platform().tickCount();
    if (int32_t(now - nextPoll_) < 0) return;
    nextPoll_ = now + kDiscPollInterval;
    if (!drive_ || !drive_->mediaPresent() || drive_->trackCount() <= 0) return;
    hasStarted_ = false;  // a disc that arrives starts at its first track
    playTrack(0);
}

void CdPlayer::tick() {
    if (wind_.active()) return;
    // Without a disc the silent song goes on until one is put in.
    if (!table_.present() && drive_ && !paused_ && !discLeftAlone_) pollDisc();
    if (nextAfterTextEntry_) {
        if (!host_.textEntryOpen()) moveOn();
        return;
    }
    if (playing_ && songTime() >= length_) {
        if (host_.textEntryOpen()) {
            stopCd(true);
            nextAfterTextEntry_ = true;
        } else {
            moveOn();
        }
    }
}

void CdPlayer::followDrive() {
    if (!playing_ || wind_.active() || !drive_ || current_ < 0) return;
    uint32_t at = 0;
    if (!drive_->position(at)) return;
    const uint32_t start = table_.start[size_t(current_)];
    if (at < start) return;
    const uint32_t heard = uint32_t(uint64_t(at - start) * 1000 / kCdFramesPerSecond);
    const uint32_t now = services_.platform().tickCount();
    const int64_t songMs = int64_t(uint32_t(now - startTick_));
    // The drive reports whole frames: only a real drift moves the song time.
    if (std::llabs(songMs - int64_t(heard)) > kHeardDrift) setStartTick(now - heard);
}

// --- Winding ----------------------------------------------------------------------------------

bool CdPlayer::beginWind(int direction) {
    if (wind_.active()) return false;
    const int dir = direction < 0 ? -1 : 1;
    if (!playing_ && !paused_) {
        if (dir > 0) services_.showAlert("The song must be playing or paused to use this feature!");
        return false;
    }
    const uint32_t base = songTime();
    const bool wasPaused = paused_;
    if (playing_ && current_ >= 0) sendStop();
    playing_ = false;
    paused_ = true;
    pauseTime_ = base;
    wind_.begin(base, dir, length_, services_.platform().tickCount(), wasPaused);
    host_.songFieldsChanged();
    return true;
}

void CdPlayer::windPass() {
    if (wind_.pass(services_.platform().tickCount())) host_.songFieldsChanged();
}

void CdPlayer::endWind() {
    if (!wind_.active()) return;
    wind_.end();
    const uint32_t target = wind_.target();
    if (drive_ && current_ >= 0) {
        const uint32_t frames =
            table_.start[size_t(current_)] + uint32_t(uint64_t(target) * kCdFramesPerSecond / 1000);
        if (!seekTo(frames, false) || !drive_->play()) services_.showAlert(kCdDriveUnusable);
    }
    setStartTick(services_.platform().tickCount() - target);
    playing_ = true;
    paused_ = false;
    host_.songWound(target, wind_.rewinding());
    if (wind_.wasPaused()) pauseCd();
    host_.songFieldsChanged();
}

uint32_t CdPlayer::songTime() {
    if (wind_.active()) return wind_.target();
    if (paused_) return pauseTime_;
    if (playing_) return services_.platform().tickCount() - startTick_;
    return 0;
}

}  // namespace korel
