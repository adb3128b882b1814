// The transport on the headless clock with a fake graph: song time through pause and resume,
// the end of a song, winding, track numbers, open failures and the file chooser.
#include <gtest/gtest.h>

#include "persist/program_files.h"
#include "platform/files.h"
#include "playback/music_player.h"
#include "support/fake_music_graph.h"
#include "support/test_services.h"

using namespace korel;

namespace {

struct Host : PlayerHost {
    std::vector<std::string> started;
    std::vector<bool> other;
    int stopped = 0;
    int redraws = 0;
    bool entryOpen = false;
    void songStarting(const SongEntry& e, bool otherSong) override {
        started.push_back(e.name);
        other.push_back(otherSong);
    }
    void songStopped() override { ++stopped; }
    void songFieldsChanged() override { ++redraws; }
    bool textEntryOpen() override { return entryOpen; }
};

struct Rig {
    explicit Rig(bool withGraph = true)
        : player(sv, withGraph ? &graph : nullptr, host) {
        createFolders(sv.dataPath("Music"));
    }
    std::string song(const std::string& name) {
        std::string path = sv.dataPath("Music/" + name);
        writeFileReplacing(path, Bytes(16, 0));
        return path;
    }
    uint32_t now() { return sv.platform().tickCount(); }
    test::TestServices sv{Edition::MP3};
    test::FakeMusicGraph graph;
    Host host;
    MusicPlayer player;
};

}  // namespace

TEST(MusicPlayer, PauseAndResumeMoveTheStartTick) {
    Rig r;
    r.graph.defaultSeconds = 90.5;
    r.sv.headless().setTime(1000);
    ASSERT_TRUE(r.player.insertSong(r.song("a.mp3")));
    EXPECT_TRUE(r.player.playing());
    EXPECT_EQ(r.player.songLength(), 90500u);
    EXPECT_EQ(r.host.started, std::vector<std::string>{"a"});
    EXPECT_EQ(r.sv.shell().songClockOrigin, 1000u);

    r.sv.headless().advance(5000);
    r.player.pauseSong();
    EXPECT_TRUE(r.player.paused());
    EXPECT_EQ(r.graph.state(), GraphState::Paused);
    r.sv.headless().advance(10000);
    EXPECT_EQ(r.player.songTime(), 5000u);
    r.player.resumeSong();
    EXPECT_EQ(r.graph.state(), GraphState::Running);
    EXPECT_EQ(r.sv.shell().songClockOrigin, 11000u);
    r.sv.headless().advance(1000);
    EXPECT_EQ(r.player.songTime(), 6000u);

    r.player.stopSong(true);
    EXPECT_FALSE(r.player.playing() || r.player.paused());
    EXPECT_EQ(r.player.songTime(), 0u);
    EXPECT_EQ(r.host.stopped, 1);
}

TEST(MusicPlayer, EndOfSongMovesOnOrWaitsForTheTextEntry) {
    Rig r;
    r.graph.defaultSeconds = 2;
    ASSERT_TRUE(r.player.insertSong(r.song("a.mp3")));
    ASSERT_TRUE(r.player.insertSong(r.song("b.mp3")));
    ASSERT_TRUE(r.player.insertSong(r.song("c.mp3")));
    EXPECT_EQ(r.player.trackNumber(), 3);
    r.sv.headless().advance(1999);
    r.player.tick();
    EXPECT_EQ(r.player.trackNumber(), 3);
    r.sv.headless().advance(1);
    r.player.tick();
    EXPECT_EQ(r.player.trackNumber(), 1);  // wraps to the first
    EXPECT_TRUE(r.player.playing());

    r.host.entryOpen = true;
    r.sv.headless().advance(2000);
    r.player.tick();
    EXPECT_FALSE(r.player.playing());
    EXPECT_EQ(r.player.trackNumber(), 1);
    r.sv.headless().advance(30000);
    r.player.tick();
    EXPECT_FALSE(r.player.playing());
    r.host.entryOpen = false;
    r.player.tick();
    EXPECT_TRUE(r.player.playing());
    EXPECT_EQ(r.player.trackNumber(), 2);
    EXPECT_EQ(r.player.songTime(), 0u);
}

TEST(MusicPlayer, WindingWrapsSeeksAndKeepsAPause) {
    Rig r;
    r.graph.defaultSeconds = 10;
    EXPECT_FALSE(r.player.beginWind(1));
    EXPECT_EQ(r.sv.alerts.back(), "The song must be playing or paused to use this feature!");

    ASSERT_TRUE(r.player.insertSong(r.song("a.mp3")));
    r.sv.headless().advance(4000);
    ASSERT_TRUE(r.player.beginWind(1));
    EXPECT_EQ(r.player.songTime(), 7000u);
    r.sv.headless().advance(149);
    r.player.windPass();
    EXPECT_EQ(r.player.songTime(), 7000u);
    r.sv.headless().advance(1);
    r.player.windPass();
    EXPECT_EQ(r.player.songTime(), 9000u);
    r.sv.headless().advance(150);
    r.player.windPass();
    EXPECT_EQ(r.player.songTime(), 0u);  // past the end
    r.sv.headless().advance(300);
    r.player.windPass();
    EXPECT_EQ(r.player.songTime(), 4000u);
    const int resets = r.graph.resets;
    r.player.endWind();
    EXPECT_TRUE(r.player.playing());
    EXPECT_DOUBLE_EQ(r.graph.seeks.back(), 4.0);
    EXPECT_EQ(r.graph.resets, resets + 1);
    EXPECT_EQ(r.graph.state(), GraphState::Running);
    r.sv.headless().advance(500);
    EXPECT_EQ(r.player.songTime(), 4500u);

    // A paused song rewinds below 0 to 0 and stays paused there.
    r.player.pauseSong();
    ASSERT_TRUE(r.player.beginWind(-1));
    EXPECT_EQ(r.player.songTime(), 1500u);
    r.sv.headless().advance(150);
    r.player.windPass();
    EXPECT_EQ(r.player.songTime(), 0u);
    r.player.endWind();
    EXPECT_TRUE(r.player.paused());
    EXPECT_EQ(r.graph.state(), GraphState::Paused);
    r.sv.headless().advance(5000);
    EXPECT_EQ(r.player.songTime(), 0u);
    r.player.resumeSong();
    r.sv.headless().advance(250);
    EXPECT_EQ(r.player.songTime(), 250u);
}

TEST(MusicPlayer, NextSongAndTypedNumbers) {
    Rig r;
    for (const char* n : {"a.mp3", "b.mp3", "c.mp3"}) ASSERT_TRUE(r.player.insertSong(r.song(n)));
    r.player.stopSong(true);
    const size_t starts = r.host.started.size();
    EXPECT_TRUE(r.player.selectSong(1));
    EXPECT_EQ(r.player.trackNumber(), 1);
    EXPECT_FALSE(r.player.playing());
    EXPECT_EQ(r.host.started.size(), starts);  // stopped: only the current entry changes
    EXPECT_FALSE(r.player.selectSong(4));
    EXPECT_FALSE(r.player.selectSong(0));
    r.player.nextSong(-1);
    EXPECT_EQ(r.player.trackNumber(), 3);

    r.player.playSong(r.player.songlist().current);
    r.player.nextSong(1);
    EXPECT_EQ(r.player.trackNumber(), 1);
    EXPECT_TRUE(r.player.playing());
    EXPECT_TRUE(r.player.selectSong(2));
    EXPECT_EQ(r.host.started.back(), "b");
    EXPECT_EQ(r.graph.opened.back(), r.sv.dataPath("Music/b.mp3"));
}

TEST(MusicPlayer, OpenFailuresAreLoggedAndTheSongRunsForAMinute) {
    Rig r;
    const std::string path = r.song("broken.mp3");
    r.graph.failNext = GraphFailure{"RF", 70000, "not a sound file"};
    ASSERT_TRUE(r.player.insertSong(path));
    EXPECT_EQ(r.sv.alerts, (std::vector<std::string>{"Unable to load sound file!",
                                                     "Unable to open file!"}));
    EXPECT_TRUE(r.player.playing());
    EXPECT_EQ(r.player.songLength(), 60000u);
    r.graph.failNext = GraphFailure{"CI", 5, "no output"};
    r.sv.alerts.clear();
    r.player.playSong(0);
    EXPECT_EQ(r.sv.alerts.front(), "Unable to initialize sound filter!");
    Bytes log;
    ASSERT_EQ(readWholeFile(r.sv.dataPath("error.txt"), log), 0);
    EXPECT_EQ(std::string(log.begin(), log.end()), "RF: 4464\r\nCI: 5\r\n");

    r.sv.headless().advance(59999);
    r.player.tick();
    EXPECT_EQ(r.player.songTime(), 59999u);
    r.sv.headless().advance(1);
    r.player.tick();
    EXPECT_EQ(r.player.songTime(), 0u);  // the list's one song starts again
    EXPECT_EQ(r.host.other, (std::vector<bool>{true, false, false}));

    // Without a graph songs play silently for a minute.
    Rig silent(false);
    ASSERT_TRUE(silent.player.insertSong(silent.song("a.wav")));
    EXPECT_TRUE(silent.player.playing());
    EXPECT_EQ(silent.player.songLength(), 60000u);
    EXPECT_TRUE(silent.sv.alerts.empty());
}

TEST(MusicPlayer, TheChooserInsertsAndTheListIsSaved) {
    Rig r;
    r.sv.headless().queueChosenFile("");
    EXPECT_FALSE(r.player.chooseAndInsertSong(kNoWindow));
    r.sv.headless().queueChosenFile(r.song("x.MP3"));
    r.sv.headless().queueChosenFile(r.sv.dataPath("Music/gone.mp3"));
    ASSERT_TRUE(r.player.chooseAndInsertSong(kNoWindow));
    EXPECT_FALSE(r.player.chooseAndInsertSong(kNoWindow));
    EXPECT_EQ(r.sv.alerts.back(), "Unable to open file!");
    const auto& calls = r.sv.headless().chooserCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].title, "Load New Song");
    EXPECT_EQ(calls[2].title, "Insert New Song");
    ASSERT_GE(calls[0].filters.size(), 2u);
    EXPECT_EQ(calls[0].filters[0], (std::pair<std::string, std::string>{"MP3 or WAV files",
                                                                         "*.MP3;*.WAV"}));

    Songlist saved;
    ASSERT_TRUE(loadSonglistFile(r.sv, saved, "My_Songlist"));
    ASSERT_EQ(saved.entries.size(), 1u);
    EXPECT_EQ(saved.entries[0].name, "x");

    EXPECT_FALSE(r.player.removeSong());
    ASSERT_TRUE(r.player.createEmptySonglist("Quiet one"));
    EXPECT_EQ(r.player.songlist().name, "Quiet_one");
    EXPECT_TRUE(r.player.songlist().empty());
    EXPECT_FALSE(r.player.playing());
    EXPECT_FALSE(r.player.deleteSonglist("Quiet_one"));
    ASSERT_TRUE(r.player.loadSonglist("My_Songlist"));
    EXPECT_EQ(r.player.songlist().currentEntry().name, "x");
}

TEST(MusicPlayer, GraphCallsTakeTheTapLockButAlertsDoNot) {
    Rig r;
    std::mutex lock;
    r.player.setGraphLock(&lock);
    r.graph.expectLocked = &lock;
    struct LockingServices : test::TestServices {
        std::mutex* lock = nullptr;
        int alertsUnderLock = 0;
        void showAlert(std::string_view text) override {
            if (!test::FakeMusicGraph::takeable(*lock)) ++alertsUnderLock;
            TestServices::showAlert(text);
        }
    };
    LockingServices sv;
    sv.lock = &lock;
    MusicPlayer player(sv, &r.graph, r.host);
    player.setGraphLock(&lock);
    ASSERT_TRUE(player.insertSong(r.song("a.mp3")));
    sv.headless().advance(500);
    player.pauseSong();
    player.resumeSong();
    ASSERT_TRUE(player.beginWind(1));
    sv.headless().advance(300);
    player.windPass();
    player.endWind();
    r.graph.failNext = GraphFailure{"RF", 2, ""};
    player.playSong(0);
    EXPECT_EQ(sv.alerts.size(), 2u);
    player.stopSong(true);
    EXPECT_GT(r.graph.runs, 1);
    EXPECT_EQ(r.graph.unlockedCalls, 0);
    EXPECT_EQ(sv.alertsUnderLock, 0);
}

TEST(MusicPlayer, ScreenSaverRunsStartOnARandomEntry) {
    Rig r;
    for (const char* n : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"}) ASSERT_TRUE(r.player.insertSong(r.song(n)));
    r.player.stopSong(true);
    r.sv.shell().screenSaverMode = true;
    r.sv.random().seed(7);
    Random expect;
    expect.seed(7);
    r.player.playSong(0, true);
    EXPECT_EQ(r.player.songlist().current, size_t(expect.below(4)));
    r.player.playSong(0, false);
    EXPECT_EQ(r.player.songlist().current, 0u);
}

TEST(MusicPlayer, TheSongTimeFollowsTheMusicHeard) {
    Rig r;
    r.sv.headless().setTime(1000);
    ASSERT_TRUE(r.player.insertSong(r.song("a.mp3")));
    // The output takes 800 ms to start: the song waits at 0 meanwhile.
    r.sv.headless().advance(800);
    r.player.followHeard(0, false);
    EXPECT_EQ(r.player.songTime(), 0u);
    EXPECT_EQ(r.sv.shell().songClockOrigin, 1800u);
    // Heard from then on; a few ms apart is left alone, a stall of the output is followed.
    r.sv.headless().advance(2000);
    r.player.followHeard(1990, true);
    EXPECT_EQ(r.player.songTime(), 2000u);
    r.sv.headless().advance(1000);
    r.player.followHeard(2700, true);
    EXPECT_EQ(r.player.songTime(), 2700u);
    // A paused song's time is its own.
    r.player.pauseSong();
    r.sv.headless().advance(1000);
    r.player.followHeard(0, false);
    EXPECT_EQ(r.player.songTime(), 2700u);
}
