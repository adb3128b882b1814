// The CD edition's player wired into the program: the drive is chosen while the sound is set up,
// the tracks start the animation with their raves, and the frame tick follows the disc.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "playback/cd_player.h"
#include "shell/song_link.h"

namespace korel {

class Program;

class CdLink : public SongLink, public CdPlayerHost {
public:
    CdLink(Program& program, CdSystem* system, std::string forcedDevice);

    CdPlayer& player() { return player_; }
    // Chooses and opens the drive (the sound set-up calls this); the CD drive then is the music
    // source the capture listens to.
    void openDrive();
    // The drive popup: the names of the drives found, and the choice of one.
    std::vector<std::string> driveNames();
    void chooseDrive(size_t index);
    // A title typed for the current track ("Add Song Title...").
    bool titleTrack(const std::string& title);
    bool trackTitled();

    // --- SongLink ----------------------------------------------------------------------------
    RaveLink& raves() override { return raves_; }
    SongRaveFields raveFields() override;
    void keepRaveFields(const SongRaveFields& fields) override;
    // 32 bytes of the CD's name, its 8-character identifier and 4 reserved bytes.
    std::vector<uint8_t> raveIdentity() override;
    void restartSong() override;
    void startFirstSong(const std::function<void(const char*)>& progress) override;
    void frame() override;
    void silence() override;
    void rememberList() override;
    void playPause() override;
    void stop() override;
    void step(int direction) override;
    bool goTo(int number) override;
    void playListed(size_t index) override;
    void loadOrEject() override;
    bool beginWind(int direction) override { return player_.beginWind(direction); }
    void windPass() override { player_.windPass(); }
    void endWind() override { player_.endWind(); }
    bool playing() override { return player_.playing(); }
    bool paused() override { return player_.paused(); }
    std::string songText() override;
    int trackNumber() override;
    std::string listName() override;
    uint32_t songTime() override { return player_.songTime(); }
    uint32_t songLength() override { return player_.songLength(); }
    std::vector<std::string> songNames() override;

    // --- CdPlayerHost -------------------------------------------------------------------------
    void songStarting(int track, bool otherSong) override;
    void songStopped() override;
    void songWound(uint32_t target, bool rewound) override;
    void songFieldsChanged() override;
    bool textEntryOpen() override;

private:
    std::string imageFolder();
    std::string rememberedDrivePath();

    Program& program_;
    RaveLink raves_;  // before the player: a song start uses it
    CdPlayer player_;
    std::string forcedDevice_;
    std::vector<CdDriveInfo> drives_;
    std::function<void(const char*)> progress_;
    bool silencing_ = false;
    bool driveTried_ = false;  // the sound set-up runs again when the server comes back
};

}  // namespace korel
