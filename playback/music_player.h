// The MP3 edition's transport: the current songlist, the song being played through the playback
// graph, the song time and the songlist operations the controls offer.
//
// The graph may be missing or fail on a file: the song then runs silently for its length (60 s
// without a file) and the animation goes on. Every failure is shown through the alert; graph
// failures also leave a "TAG: code" line in "error.txt" in the data folder.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "core/services.h"
#include "platform/music_graph.h"
#include "playback/songlist.h"
#include "playback/transport.h"

namespace korel {

// What the program does for the player. Called on the program's thread.
class PlayerHost {
public:
    virtual ~PlayerHost() = default;
    // A song starts at song time 0: take the style for the song, start a fresh event list and
    // restart listening. `otherSong` is false when the same file starts again.
    virtual void songStarting(const SongEntry& entry, bool otherSong) = 0;
    // The song was stopped: the song time, the last beat and the event list go back to 0.
    virtual void songStopped() {}
    // A wind ended at `target` ms; `rewound` for a rewind (the event list goes back to its start
    // first).
    virtual void songWound(uint32_t target, bool rewound) { (void)target, (void)rewound; }
    // The song field, track number, list name or times must be redrawn.
    virtual void songFieldsChanged() = 0;
    // True while the text entry or the replace panel is open: a song that ends then is stopped
    // and the next one starts once the panel closes.
    virtual bool textEntryOpen() = 0;
};

constexpr uint32_t kSongLengthWithoutFile = 60000;

class MusicPlayer {
public:
    // `graph` may be null: songs then play silently for their length.
    MusicPlayer(Services& services, MusicGraph* graph, PlayerHost& host);
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;

    // The lock the tap's notices take: every graph call and every change of the playing and
    // paused flags is made under it (never while an alert is up). Null: no lock.
    void setGraphLock(std::mutex* lock) { graphLock_ = lock; }

    // --- The songlist ------------------------------------------------------------------
    // The list to load at the first play (the preferences' songlist name).
    void setSonglistName(const std::string& name);
    const Songlist& songlist() const { return list_; }
    bool songlistLoaded() const { return loaded_; }
    // Loads the named list in place of the current one (stopping the song); the list is
    // unchanged when the file cannot be read.
    bool loadSonglist(const std::string& name);
    bool saveSonglist();
    // Asks for a music file with the desktop's chooser ("Load New Song" while the list is empty,
    // else "Insert New Song") and inserts it. False when cancelled or refused.
    bool chooseAndInsertSong(WindowId owner);
    // Stops the song, puts the file in the list (in place of "None", else after the current
    // entry), saves the list and plays the new song.
    bool insertSong(const std::string& path);
    bool removeSong();
    bool renameSong(const std::string& typed);
    // The current song's rave was attached (with its name), renamed or detached: kept in its
    // entry and the list saved.
    bool setCurrentRave(bool attached, const std::string& raveName);
    // Stops the song; the list becomes "None" alone, saved under `name`.
    bool createEmptySonglist(const std::string& name);
    bool renameSonglist(const std::string& from, const std::string& to);
    bool deleteSonglist(const std::string& name);

    // --- Transport ---------------------------------------------------------------------
    // Opens the file in the graph; false (with the messages shown) when it cannot be played.
    bool openSong(const std::string& path);
    // Starts entry `index` from its beginning. `startUp` is the run's first song: in a screen-
    // saver run a random entry is chosen instead.
    void playSong(size_t index, bool startUp = false);
    void pauseSong();
    void resumeSong();
    void stopSong(bool refreshUi);
    // step 1 next, -1 previous (wrapping); a playing song moves to the new one, a stopped one
    // only changes the current entry.
    void nextSong(int step);
    // A typed track number (1-based); false when there is no such entry.
    bool selectSong(int number);

    // The wind buttons, driven by the main loop without blocking: begin when the button goes
    // down (-1 rewind, 1 fast forward), pass on every loop turn while it is held, end at its
    // release. False from begin when winding is not possible now.
    bool beginWind(int direction);
    void windPass();
    void endWind();
    bool winding() const { return wind_.active(); }

    // Once per frame: moves on at the end of the song (or stops and waits for the text entry).
    void tick();
    // The song time follows the music heard (`heardMs` into the song; `heardYet` false while
    // the output has not started): it waits at 0 until the music is heard and is set again
    // when it drifts more than 30 ms from it.
    void followHeard(uint32_t heardMs, bool heardYet);

    // --- State -------------------------------------------------------------------------
    // Milliseconds into the song: the wind target while winding, the pause time while paused,
    // 0 when stopped.
    uint32_t songTime();
    uint32_t songLength() const { return length_; }
    // Other threads read these under the graph lock.
    bool playing() const { return playing_; }
    bool paused() const { return paused_; }
    // 1-based number of the current entry.
    int trackNumber() const { return int(list_.current) + 1; }

private:
    std::unique_lock<std::mutex> lockGraph();
    bool graphOpen();
    void setRunning(bool playing, bool paused);
    bool ensureLoaded();
    void recordGraphFailure(const GraphFailure& failure);
    void setStartTick(uint32_t tick);
    void moveOn();

    Services& services_;
    MusicGraph* graph_;
    PlayerHost& host_;
    std::mutex* graphLock_ = nullptr;
    Songlist list_;
    std::string wantedList_ = kFirstSonglistName;
    bool loaded_ = false;

    bool playing_ = false;
    bool paused_ = false;
    bool hasStarted_ = false;
    std::string lastStartedPath_;
    uint32_t startTick_ = 0;
    uint32_t pauseTime_ = 0;
    uint32_t length_ = kSongLengthWithoutFile;
    bool nextAfterTextEntry_ = false;

    WindTarget wind_;
};

// Appends "TAG: code" and CR LF to "error.txt" in the data folder (created when missing); the
// code is written as its low 16 bits.
bool appendErrorLine(Services& services, const std::string& tag, int code);

// The chooser's filters for music files.
std::vector<std::pair<std::string, std::string>> musicFileFilters();

}  // namespace korel
