// The MP3 edition's music player wired into the program: the songs start the animation, the
// analysis follows the playback graph, and the frame tick moves on at the end of a song.
#pragma once

#include <functional>
#include <vector>
#include <string>

#include "playback/music_player.h"
#include "shell/song_link.h"
#include "shell/tick_hooks.h"

namespace korel {

class Program;

class MusicLink : public SongLink, public PlayerHost {
public:
    MusicLink(Program& program, MusicGraph* graph);

    MusicPlayer& player() { return player_; }

    // --- SongLink ------------------------------------------------------------------------
    RaveLink& raves() override { return raves_; }
    SongRaveFields raveFields() override;
    void keepRaveFields(const SongRaveFields& fields) override;
    // The songlist's name.
    std::vector<uint8_t> raveIdentity() override;
    void restartSong() override;
    // The songlist the preferences name (made on the first run), then its current song.
    void startFirstSong(const std::function<void(const char*)>& progress) override;
    // The end of a song moves on (or waits for the text entry), and a format the analysis
    // cannot use is said.
    void frame() override;
    void silence() override;
    // The preferences keep the current songlist's name.
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
    std::string listName() override { return player_.songlist().name; }
    uint32_t songTime() override { return player_.songTime(); }
    uint32_t songLength() override { return player_.songLength(); }
    std::vector<std::string> songNames() override;

    // --- PlayerHost --------------------------------------------------------------------
    void songStarting(const SongEntry& entry, bool otherSong) override;
    void songStopped() override;
    void songWound(uint32_t target, bool rewound) override;
    void songFieldsChanged() override;
    bool textEntryOpen() override;

private:
    Program& program_;
    RaveLink raves_;  // before the player: a song start uses it
    MusicPlayer player_;
    std::function<void(const char*)> progress_;  // the first start's splash texts
    bool silencing_ = false;
};

}  // namespace korel
