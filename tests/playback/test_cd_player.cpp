// The CD transport on the headless clock with a scripted drive: choosing the drive, a disc put
// in and taken out, the seek check, pause and resume across a disc change, the end of a track,
// winding and typed track numbers.
#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "platform/files.h"
#include "playback/cd_player.h"
#include "support/test_services.h"

using namespace korel;

namespace {

std::string lastAlert(const test::TestServices& sv) {
    return sv.alerts.empty() ? std::string() : sv.alerts.back();
}

struct Disc {
    std::vector<uint32_t> starts;  // drive tracks, all audio
    uint32_t leadOut = 0;
};

Disc threeTracks(uint32_t shift = 0) {
    return Disc{{150 + shift, 150 + 75 * 60 + shift, 150 + 75 * 130 + shift}, 150 + 75 * 200 + shift};
}

// A drive on the headless clock: the position moves at 75 frames a second while playing.
struct Drive : CdDrive {
    explicit Drive(test::TestServices& sv, std::string p) : sv(sv), where(std::move(p)) {}
    test::TestServices& sv;
    std::string where;
    std::optional<Disc> disc;
    uint32_t pos = 0, since = 0;
    bool running = false;
    int seekSlip = 0;   // frames every seek lands away from its target until a stop
    bool stoppedOnce = false;
    std::vector<std::string> log;

    uint32_t now() { return sv.platform().tickCount(); }
    uint32_t at() { return running ? pos + (now() - since) * 75 / 1000 : pos; }
    bool mediaPresent() override { return disc.has_value(); }
    int trackCount() override { return disc ? int(disc->starts.size()) : 0; }
    bool trackStart(int t, uint32_t& f) override {
        if (!disc || t < 1 || t > trackCount()) return false;
        f = disc->starts[size_t(t - 1)];
        return true;
    }
    bool trackLength(int t, uint32_t& f) override {
        if (!disc || t < 1 || t > trackCount()) return false;
        const uint32_t end = t == trackCount() ? disc->leadOut : disc->starts[size_t(t)];
        f = end - disc->starts[size_t(t - 1)];
        return true;
    }
    bool trackIsAudio(int) override { return true; }
    bool position(uint32_t& f) override {
        f = at();
        return disc.has_value();
    }
    bool seek(uint32_t f) override {
        log.push_back("seek " + std::to_string(f));
        pos = f + (stoppedOnce ? 0 : uint32_t(seekSlip));
        running = false;
        return disc.has_value();
    }
    bool play() override {
        log.push_back("play");
        pos = at();
        since = now();
        running = true;
        return disc.has_value();
    }
    bool pause() override {
        log.push_back("pause");
        pos = at();
        running = false;
        return true;
    }
    bool stop() override {
        log.push_back("stop");
        pos = at();
        running = false;
        stoppedOnce = true;
        return true;
    }
    bool playing() override { return running; }
    bool openDoor() override {
        log.push_back("door");
        disc.reset();
        running = false;
        return true;
    }
    const std::string& path() const override { return where; }
};

struct System : CdSystem {
    explicit System(test::TestServices& sv) : sv(sv) {}
    test::TestServices& sv;
    std::vector<CdDriveInfo> found;
    std::map<std::string, Drive*> opened;
    std::vector<std::string> refused;
    std::vector<CdDriveInfo> drives(const std::string&) override { return found; }
    std::unique_ptr<CdDrive> open(const std::string& path, std::string& reason) override {
        for (const std::string& r : refused)
            if (r == path) {
                reason = "busy";
                return nullptr;
            }
        auto d = std::make_unique<Drive>(sv, path);
        d->disc = discs.count(path) ? std::optional<Disc>(discs[path]) : std::nullopt;
        opened[path] = d.get();
        return d;
    }
    std::map<std::string, Disc> discs;
};

struct Host : CdPlayerHost {
    std::vector<int> started;
    std::vector<bool> other;
    int stopped = 0;
    bool entryOpen = false;
    void songStarting(int track, bool otherSong) override {
        started.push_back(track);
        other.push_back(otherSong);
    }
    void songStopped() override { ++stopped; }
    void songFieldsChanged() override {}
    bool textEntryOpen() override { return entryOpen; }
};

struct Rig {
    Rig() : system(sv), player(sv, &system, host, seekCheck) {
        createFolders(sv.dataPath("Raves"));
        system.found = {CdDriveInfo{"/dev/sr0", "sr0", true, false}};
        system.discs["/dev/sr0"] = threeTracks();
    }
    Drive& drive() { return *system.opened.at("/dev/sr0"); }
    bool open() {
        std::string remembered;
        return player.openDrive("", "", remembered);
    }
    test::TestServices sv{Edition::CD};
    System system;
    Host host;
    uint8_t seekCheck = 0;
    CdPlayer player;
};

}  // namespace

TEST(CdPlayer, TheDriveIsChosenByDiscThenMemoryThenFirst) {
    struct Case {
        std::vector<CdDriveInfo> found;
        std::string remembered, forced, opened, rememberedAfter, alert;
    };
    const CdDriveInfo a{"/dev/sr0", "sr0", false, false}, b{"/dev/sr1", "sr1", false, false};
    CdDriveInfo bDisc = b;
    bDisc.mediaPresent = true;
    const CdDriveInfo image{"/d/Discs/x.cue", "x", true, true}, image2{"/d/Discs/y.cue", "y", true, true};
    const std::string multiple = "Multiple CD-ROM drives found! Default drive is now set to sr0.";
    const Case cases[] = {
        {{a}, "", "", "/dev/sr0", "", ""},
        {{a, bDisc}, "", "", "/dev/sr1", "", ""},
        // A disc in a drive wins over the images, which always hold one.
        {{bDisc, image, image2}, "", "", "/dev/sr1", "", ""},
        {{a, image}, "", "", "/d/Discs/x.cue", "", ""},
        {{a, b}, "/dev/sr1", "", "/dev/sr1", "/dev/sr1", ""},
        {{a, b}, "/dev/gone", "", "/dev/sr0", "/dev/sr0", multiple},
        {{a, b}, "", "/tmp/disc.cue", "/tmp/disc.cue", "", ""},
        {{}, "", "", "", "", kCdDriveUnusable},
    };
    for (const Case& c : cases) {
        Rig r;
        r.system.found = c.found;
        std::string remembered = c.remembered;
        const bool ok = r.player.openDrive("", c.forced, remembered);
        EXPECT_EQ(ok, !c.opened.empty()) << c.opened;
        EXPECT_EQ(r.player.drivePath(), c.opened);
        EXPECT_EQ(remembered, c.rememberedAfter);
        EXPECT_EQ(lastAlert(r.sv), c.alert);
    }
    // A drive that refuses to open says so; the program runs on without it.
    Rig r;
    r.system.refused = {"/dev/sr0"};
    EXPECT_FALSE(r.open());
    EXPECT_EQ(lastAlert(r.sv), kCdDriveUnusable);
    r.player.playTrack(0);
    EXPECT_TRUE(r.player.playing());
    EXPECT_EQ(r.player.songLength(), kNoDiscSongLength);
    EXPECT_EQ(r.player.currentTrack(), -1);
}

TEST(CdPlayer, TracksPlayFromTheirStartAndTheSongTimeFollowsTheDrive) {
    Rig r;
    ASSERT_TRUE(r.open());
    r.sv.headless().setTime(1000);
    r.player.playTrack(1);
    EXPECT_EQ(r.player.currentTrack(), 1);
    EXPECT_EQ(r.player.songLength(), 70u * 1000 - 225);
    EXPECT_EQ(r.drive().log, (std::vector<std::string>{"seek 4650", "play"}));
    EXPECT_EQ(r.seekCheck, uint8_t(SeekCheck::Good));
    EXPECT_EQ(r.host.started, std::vector<int>{1});
    // The new disc was recognised: its folder and list exist.
    EXPECT_TRUE(fileExists(r.sv.dataPath("Raves/" + r.player.list().discFolder() + "/Unnamed.cds")));

    // The drive lags by a second: the song time follows it.
    r.sv.headless().advance(3000);
    r.drive().since += 1000;
    r.player.followDrive();
    EXPECT_EQ(r.player.songTime(), 2000u);

    // The end of the track moves on to the next, wrapping after the last.
    r.sv.headless().advance(70000);
    r.player.tick();
    EXPECT_EQ(r.player.currentTrack(), 2);
    r.sv.headless().advance(71000);
    r.player.tick();
    EXPECT_EQ(r.player.currentTrack(), 0);
    EXPECT_EQ(r.host.other, (std::vector<bool>{true, true, true}));

    // Typed numbers: only tracks the disc has.
    EXPECT_FALSE(r.player.selectTrack(4));
    EXPECT_TRUE(r.player.selectTrack(3));
    EXPECT_EQ(r.player.currentTrack(), 2);
    r.player.nextTrack(1);
    EXPECT_EQ(r.player.currentTrack(), 0);
    r.player.nextTrack(-1);
    EXPECT_EQ(r.player.currentTrack(), 2);
}

TEST(CdPlayer, ADriveThatSlipsOnSeeksIsStoppedFirstFromThenOn) {
    Rig r;
    ASSERT_TRUE(r.open());
    r.drive().seekSlip = 40;
    r.player.playTrack(0);  // track 1 is not checked
    EXPECT_EQ(r.seekCheck, uint8_t(SeekCheck::NotChecked));
    r.player.playTrack(2);
    EXPECT_EQ(r.seekCheck, uint8_t(SeekCheck::NeedsStop));
    uint32_t at = 0;
    r.drive().position(at);
    EXPECT_EQ(at, 150u + 75 * 130);
    // The stop command is a stop from now on.
    r.drive().log.clear();
    r.player.pauseCd();
    EXPECT_EQ(r.drive().log, std::vector<std::string>{"stop"});

    // A slip within 20 frames passes the check.
    Rig good;
    ASSERT_TRUE(good.open());
    good.drive().seekSlip = 20;
    good.player.playTrack(1);
    EXPECT_EQ(good.seekCheck, uint8_t(SeekCheck::Good));
    good.drive().log.clear();
    good.player.pauseCd();
    EXPECT_EQ(good.drive().log, std::vector<std::string>{"pause"});
}

TEST(CdPlayer, PauseResumeEjectAndANewDisc) {
    Rig r;
    ASSERT_TRUE(r.open());
    r.player.playTrack(2);
    r.sv.headless().advance(5000);
    r.player.pauseCd();
    r.sv.headless().advance(9000);
    EXPECT_EQ(r.player.songTime(), 5000u);
    r.player.resumeCd();
    EXPECT_TRUE(r.player.playing());
    EXPECT_EQ(r.player.currentTrack(), 2);
    r.sv.headless().advance(1000);
    EXPECT_EQ(r.player.songTime(), 6000u);

    // Another disc went in while paused: it starts at its first track.
    r.player.pauseCd();
    r.drive().disc = threeTracks(3000);
    r.player.resumeCd();
    EXPECT_EQ(r.player.currentTrack(), 0);
    EXPECT_EQ(r.host.started.back(), 0);
    EXPECT_TRUE(r.host.other.back());

    r.player.ejectCd();
    EXPECT_TRUE(r.player.ejecting());
    EXPECT_EQ(r.player.list().name, kEjectingCd);
    EXPECT_EQ(r.player.currentTrack(), -1);
    EXPECT_EQ(r.player.songLength(), kNoDiscSongLength);
    EXPECT_EQ(r.player.disc().code, "0000");
    EXPECT_FALSE(r.player.playing());

    // Nothing happens until a disc is in; then its first track plays.
    r.sv.headless().advance(1500);
    r.player.tick();
    EXPECT_FALSE(r.player.playing());
    r.drive().disc = threeTracks();
    r.sv.headless().advance(1000);
    r.player.tick();
    EXPECT_TRUE(r.player.playing());
    EXPECT_EQ(r.player.currentTrack(), 0);
    EXPECT_FALSE(r.player.ejecting());
    EXPECT_NE(r.player.list().name, kEjectingCd);

    // An empty drive at start: a silent song runs, and a disc put in plays at once.
    Rig empty;
    empty.system.discs.clear();
    ASSERT_TRUE(empty.open());
    empty.player.playTrack(0);
    EXPECT_TRUE(empty.player.playing());
    EXPECT_EQ(empty.player.currentTrack(), -1);
    EXPECT_EQ(empty.player.songLength(), kNoDiscSongLength);
    empty.sv.headless().advance(5000);
    empty.drive().disc = threeTracks();
    empty.player.tick();
    EXPECT_EQ(empty.player.currentTrack(), 0);
    EXPECT_EQ(empty.player.songLength(), 60u * 1000 - 225);

    // A disc left alone is neither read nor played: the songs are silent.
    Rig alone;
    ASSERT_TRUE(alone.open());
    alone.player.leaveDiscAlone(true);
    alone.player.playTrack(0, true);
    alone.sv.headless().advance(61000);
    alone.player.tick();
    EXPECT_TRUE(alone.player.playing());
    EXPECT_EQ(alone.player.currentTrack(), -1);
    EXPECT_TRUE(alone.drive().log.empty());
}

TEST(CdPlayer, WindingSeeksTheDriveWithinTheTrack) {
    Rig r;
    ASSERT_TRUE(r.open());
    r.player.playTrack(0);
    r.sv.headless().advance(10000);
    ASSERT_TRUE(r.player.beginWind(1));
    EXPECT_EQ(r.player.songTime(), 13000u);
    r.sv.headless().advance(300);
    r.player.windPass();
    EXPECT_EQ(r.player.songTime(), 17000u);
    r.drive().log.clear();
    r.player.endWind();
    EXPECT_EQ(r.drive().log, (std::vector<std::string>{"seek " + std::to_string(150 + 17 * 75), "play"}));
    EXPECT_TRUE(r.player.playing());
    EXPECT_EQ(r.player.songTime(), 17000u);
    // A stopped track cannot be wound.
    r.player.stopCd(true);
    EXPECT_FALSE(r.player.beginWind(1));
    EXPECT_EQ(lastAlert(r.sv), "The song must be playing or paused to use this feature!");
}
