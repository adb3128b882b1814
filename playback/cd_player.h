// The CD edition's transport: the drive, the disc in it with its CD list, the track being played
// and the song time.
//
// Without a usable drive, or without a disc, songs run silently for 60 s and the animation goes
// on. Every failure is shown through the alert.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/services.h"
#include "platform/cd_drive.h"
#include "playback/cd_disc.h"
#include "playback/cd_list.h"
#include "playback/transport.h"

namespace korel {

// What the program does for the player. Called on the program's thread.
class CdPlayerHost {
public:
    virtual ~CdPlayerHost() = default;
    // Track `track` (0-based; -1 without a disc) starts at song time 0. `otherSong` is false
    // when the same track of the same disc starts again.
    virtual void songStarting(int track, bool otherSong) = 0;
    virtual void songStopped() {}
    virtual void songWound(uint32_t target, bool rewound) { (void)target, (void)rewound; }
    // The song field, track number, list name or times must be redrawn.
    virtual void songFieldsChanged() = 0;
    // True while the text entry is open: a track that ends then is stopped and the next one
    // starts once it closes.
    virtual bool textEntryOpen() = 0;
};

constexpr uint32_t kSeekCheckTolerance = 20;  // frames a checked seek may land from its target
constexpr uint32_t kDiscPollInterval = 1000;  // ms between looks for a disc while there is none
constexpr const char* kCdDriveUnusable =
    "Unable to access CD music drive! If another CD player is open, close it and restart Korel.";
constexpr const char* kEjectingCd = "Ejecting CD...";

enum class SeekCheck : uint8_t { NotChecked = 0, NeedsStop = 1, Good = 2 };

class CdPlayer {
public:
    // `system` may be null: no drive. `seekCheck` is the preferences' field, kept up to date.
    CdPlayer(Services& services, CdSystem* system, CdPlayerHost& host, uint8_t& seekCheck);
    CdPlayer(const CdPlayer&) = delete;
    CdPlayer& operator=(const CdPlayer&) = delete;

    // --- The drive ---------------------------------------------------------------------------
    // Chooses and opens the drive at start-up: `forced` (a device or image path) when given;
    // else the only drive, the only one holding a disc, the `remembered` one, or the first
    // (which is then remembered, with a message). False with the message shown when none
    // can be opened. `remembered` is updated.
    bool openDrive(const std::string& imageFolder, const std::string& forced, std::string& remembered);
    // The drives found at the last look (the drive popup).
    std::vector<CdDriveInfo> listDrives(const std::string& imageFolder);
    // A drive chosen in the popup: it becomes the drive in use and its disc plays.
    bool useDrive(const std::string& path);
    bool driveOpen() const { return drive_ != nullptr; }
    const std::string& drivePath() const;

    // --- The disc ---------------------------------------------------------------------------
    // Reads the disc: a new one is recognised (its CD list loaded or made). Returns whether a
    // disc is present; `same` tells whether it is the one held before.
    bool readDisc(bool* same = nullptr);
    const DiscTable& disc() const { return table_; }
    CdList& list() { return list_; }
    const CdList& list() const { return list_; }
    bool saveList();
    // "Ejecting CD..." while the door is open and no disc was read since.
    bool ejecting() const { return ejecting_; }

    // --- Transport ---------------------------------------------------------------------------
    // Plays audio track `index` (0-based) from its start; a different disc starts at track 1.
    // `randomTrack`: a random track instead (the first song of a screen-saver run).
    void playTrack(int index, bool randomTrack = false);
    void pauseCd();
    void resumeCd();
    void stopCd(bool refreshUi);
    void ejectCd();
    // step 1 next, -1 previous (wrapping).
    void nextTrack(int step);
    // A typed track number (1-based); false when there is no such track.
    bool selectTrack(int number);
    bool beginWind(int direction);
    void windPass();
    void endWind();
    bool winding() const { return wind_.active(); }

    // The disc is left alone (a screen-saver run told to ignore it): songs run silently.
    void leaveDiscAlone(bool on) { discLeftAlone_ = on; }

    // Once per frame: moves on at the end of the track; looks for a disc while there is none.
    void tick();
    // The song time follows the drive's position.
    void followDrive();

    // --- State ------------------------------------------------------------------------------
    uint32_t songTime();
    uint32_t songLength() const { return length_; }
    bool playing() const { return playing_; }
    bool paused() const { return paused_; }
    // 0-based current track; -1 when there is none (no disc, ejecting).
    int currentTrack() const { return current_; }
    int trackCount() const { return table_.trackCount; }

private:
    bool sendStop();
    bool seekTo(uint32_t frames, bool checkSeek);
    void setStartTick(uint32_t tick);
    void moveOn();
    void pollDisc();

    Services& services_;
    CdSystem* system_;
    CdPlayerHost& host_;
    uint8_t& seekCheck_;
    std::unique_ptr<CdDrive> drive_;
    std::vector<CdDriveInfo> drives_;
    DiscTable table_;
    CdList list_;
    bool ejecting_ = false;
    bool discLeftAlone_ = false;

    int current_ = -1;
    bool playing_ = false;
    bool paused_ = false;
    bool hasStarted_ = false;
    std::string lastDisc_;
    int lastTrack_ = -1;
    uint32_t startTick_ = 0;
    uint32_t pauseTime_ = 0;
    uint32_t length_ = kNoDiscSongLength;
    bool nextAfterTextEntry_ = false;
    uint32_t nextPoll_ = 0;

    WindTarget wind_;
};

}  // namespace korel
