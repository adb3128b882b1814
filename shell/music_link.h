// The MP3 edition's music player wired into the program: the songs start the animation, the
// analysis follows the playback graph, and the frame tick moves on at the end of a song.
#pragma once

#include <functional>
#include <vector>
#include <string>

#include "playback/music_player.h"
#include "shell/rave_link.h"
#include "shell/tick_hooks.h"

namespace korel {

class Program;

class MusicLink : public PlayerHost {
public:
    MusicLink(Program& program, MusicGraph* graph);

    MusicPlayer& player() { return player_; }
    RaveLink& raves() { return raves_; }
    // The current song's rave fields, and their change kept in its songlist entry (saved).
    SongRaveFields raveFields();
    void keepRaveFields(const SongRaveFields& fields);
    // The identity block a rave file of this edition carries: the songlist's name.
    std::vector<uint8_t> raveIdentity();
    // A rave was attached, detached or deleted: the song starts again with it (or without).
    void restartSong();

    // Start-up: the songlist the preferences name (made on the first run), then its current
    // song plays; on this first start the last session is restored with progress on the splash.
    void startFirstSong(const std::function<void(const char*)>& progress);
    // The transport as the top row and the keys use it.
    void playPause();
    void stop();
    void step(int direction);
    bool goTo(int number);
    // The preferences keep the current songlist's name.
    void rememberSonglist();
    // Quitting: the music stops at once; the animation's closing goes on without it.
    void silence();

    // --- PlayerHost --------------------------------------------------------------------
    void songStarting(const SongEntry& entry, bool otherSong) override;
    void songStopped() override;
    void songWound(uint32_t target, bool rewound) override;
    void songFieldsChanged() override;
    bool textEntryOpen() override;

    // Once per frame tick, before the animation's: the end of a song moves on (or waits for
    // the text entry), and a format the analysis cannot use is said.
    void frame();

private:
    Program& program_;
    RaveLink raves_;  // before the player: a song start uses it
    MusicPlayer player_;
    std::function<void(const char*)> progress_;  // the first start's splash texts
    bool silencing_ = false;
};

}  // namespace korel
