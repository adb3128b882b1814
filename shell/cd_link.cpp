// The CD edition's player wired into the program.
#include "shell/cd_link.h"

#include "controls/controls.h"
#include "controls/panels.h"
#include "persist/program_files.h"
#include "platform/files.h"
#include "shell/conductor.h"
#include "shell/program.h"

namespace korel {

namespace {

// The drive chosen when several could be: kept beside the preferences, one path.
constexpr const char* kRememberedDriveFile = "Korel CD Drive.txt";

}  // namespace

CdLink::CdLink(Program& program, CdSystem* system, std::string forcedDevice)
    : program_(program),
      raves_(program),
      player_(program, system, *this, program.conductor().preferences().cdSeekCheck),
      forcedDevice_(std::move(forcedDevice)) {}

std::string CdLink::imageFolder() { return program_.dataPath("Discs"); }

std::string CdLink::rememberedDrivePath() {
    return joinPath(program_.shell().configFolder, kRememberedDriveFile);
}

void CdLink::openDrive() {
    if (driveTried_) return;
    driveTried_ = true;
    std::string remembered;
    Bytes file;
    if (readWholeFile(rememberedDrivePath(), file, 4096) == 0)
        remembered.assign(file.begin(), file.end());
    const std::string before = remembered;
    const bool open = player_.openDrive(imageFolder(), forcedDevice_, remembered);
    if (remembered != before) {
        createFolders(program_.shell().configFolder);
        writeFileReplacing(rememberedDrivePath(), Bytes(remembered.begin(), remembered.end()));
    }
    // The disc is the music the capture listens to.
    program_.conductor().sound().devices.musicFromCd = open;
}

std::vector<std::string> CdLink::driveNames() {
    drives_ = player_.listDrives(imageFolder());
    std::vector<std::string> names;
    for (const CdDriveInfo& d : drives_) names.push_back(d.name.substr(0, 27));
    return names;
}

void CdLink::chooseDrive(size_t index) {
    if (index >= drives_.size()) return;
    const std::string path = drives_[index].path;
    if (!player_.useDrive(path)) return;
    createFolders(program_.shell().configFolder);
    writeFileReplacing(rememberedDrivePath(), Bytes(path.begin(), path.end()));
    program_.conductor().sound().devices.musicFromCd = true;
}

bool CdLink::trackTitled() {
    const int t = player_.currentTrack();
    return t >= 0 && !player_.list().entries[size_t(t)].trackName.empty();
}

bool CdLink::titleTrack(const std::string& title) {
    const int t = player_.currentTrack();
    if (t < 0) return false;
    player_.list().entries[size_t(t)].trackName = title.substr(0, kCdNameField - 1);
    return player_.saveList();
}

// --- SongLink -----------------------------------------------------------------------------------

SongRaveFields CdLink::raveFields() {
    if (!player_.disc().present()) return SongRaveFields{};
    return cdTrackRave(player_.list(), player_.currentTrack());
}

void CdLink::keepRaveFields(const SongRaveFields& fields) {
    if (player_.currentTrack() < 0) return;
    storeCdTrackRave(player_.list(), player_.currentTrack(), fields);
    player_.saveList();
    if (program_.controlsReady()) program_.controls().redrawSongFields();
}

std::vector<uint8_t> CdLink::raveIdentity() {
    const auto id = cdRaveIdentity(player_.list());
    return std::vector<uint8_t>(id.begin(), id.end());
}

void CdLink::restartSong() { player_.playTrack(std::max(player_.currentTrack(), 0)); }

void CdLink::startFirstSong(const std::function<void(const char*)>& progress) {
    progress_ = progress;
    // A screen-saver run plays a random track, or leaves the disc alone when told to ignore it.
    const bool saver = program_.shell().screenSaverMode;
    const bool play = program_.conductor().preferences().playWhenLaunched != 0;
    player_.leaveDiscAlone(saver && !play);
    player_.playTrack(0, saver && play);
    progress_ = {};
}

void CdLink::frame() {
    player_.tick();
    player_.followDrive();
    if (player_.playing() || player_.paused() || player_.winding())
        program_.conductor().holdSong(!player_.playing());
}

void CdLink::silence() {
    silencing_ = true;
    player_.stopCd(false);
    silencing_ = false;
}

void CdLink::rememberList() {}

void CdLink::playPause() {
    if (player_.playing()) {
        player_.pauseCd();
    } else if (player_.paused()) {
        player_.resumeCd();
    } else {
        player_.playTrack(std::max(player_.currentTrack(), 0));
    }
    program_.conductor().holdSong(player_.paused());
    if (!player_.playing() && !player_.paused()) program_.conductor().stop();
}

void CdLink::stop() { player_.stopCd(true); }

void CdLink::step(int direction) { player_.nextTrack(direction < 0 ? -1 : 1); }

bool CdLink::goTo(int number) { return player_.selectTrack(number); }

void CdLink::playListed(size_t index) {
    if (int(index) < player_.trackCount()) player_.playTrack(int(index));
}

void CdLink::loadOrEject() { player_.ejectCd(); }

std::string CdLink::songText() {
    const int t = player_.currentTrack();
    if (t < 0) return {};
    const std::string& name = player_.list().entries[size_t(t)].trackName;
    return name.empty() ? "Track " + std::to_string(t + 1) : std::to_string(t + 1) + ": " + name;
}

int CdLink::trackNumber() { return player_.currentTrack() + 1; }

std::string CdLink::listName() {
    if (!player_.disc().present() && !player_.ejecting()) return {};
    return player_.list().name;
}

std::vector<std::string> CdLink::songNames() {
    std::vector<std::string> names;
    for (int i = 0; i < player_.trackCount(); ++i) {
        const std::string& n = player_.list().entries[size_t(i)].trackName;
        names.push_back(n.empty() ? "Track " + std::to_string(i + 1) : n);
    }
    return names;
}

// --- CdPlayerHost -------------------------------------------------------------------------------

void CdLink::songStarting(int track, bool otherSong) {
    (void)track;
    Conductor& c = program_.conductor();
    program_.shell().songClockOrigin = program_.platform().tickCount();
    const bool first = !c.lastSessionRestored();
    SongRaveFields fields = raveFields();
    if (raves_.startSong(fields, first, otherSong, progress_)) keepRaveFields(fields);
    c.songBegins(first);
}

void CdLink::songStopped() {
    if (!silencing_) program_.conductor().stop();
}

void CdLink::songWound(uint32_t target, bool rewound) {
    if (rewound) raves_.engine().rewindToStart(target);
    else raves_.engine().seekRave(target);
    listenSongStart(program_.conductor().sound().listen);
}

void CdLink::songFieldsChanged() {
    if (program_.controlsReady()) program_.controls().redrawSongFields();
}

bool CdLink::textEntryOpen() {
    return program_.controlsReady() && program_.controls().panels().textEntryActive();
}

}  // namespace korel
