// A song's show is recorded while it plays, saved and attached as a rave from the rave popup,
// and the same changes come at the same times when the song plays again.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/files.h"
#include "platform/headless/headless_music.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/headless_sound.h"
#include "shell/program.h"
#include "shell/driver/driver.h"
#include "support/test_services.h"

namespace korel::test {
namespace {

using Change = std::tuple<int, int, int>;  // time, code, value

// The changes of each song start in the driver's trace (a new start goes back in time).
std::vector<std::vector<Change>> changesBySong(const std::string& out) {
    std::vector<std::vector<Change>> songs(1);
    std::istringstream lines(out);
    int last = -1;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string kind;
        int time = 0, code = 0, value = 0;
        if (!(words >> kind >> time >> code >> value) || kind != "change") continue;
        if (time < last) songs.emplace_back();
        last = time;
        songs.back().emplace_back(time, code, value);
    }
    return songs;
}

// The changes from `from` to `to` ms.
std::vector<Change> between(const std::vector<Change>& changes, int from, int to) {
    std::vector<Change> out;
    for (const Change& c : changes)
        if (std::get<0>(c) >= from && std::get<0>(c) <= to) out.push_back(c);
    return out;
}

TEST(Mp3Raves, ASavedAndAttachedRaveShowsTheSameChangesWhenTheSongPlaysAgain) {
    TempFolder folder;
    const std::string data = folder.file("data");
    // The demo song plays; the user picks gradient 3 at 5 s and a brush colour at 7 s; the
    // music's beats change things from 8 s on. At 12.5 s the rave popup saves it as "Show".
    const std::string script = "edition mp3\nmonitor 320 240\ndata " + data +
                               "\nstep 10\nstart\nwait 5000\nkey animation 3\nkey animation g\n"
                               "wait 2000\nkey animation c\nwait 5500\n"
                               "click controls 100 53\nwait 300\nclick controls 100 54\nwait 300\n"
                               "type controls Show\ntype controls\nwait 300\n"
                               // Stop, play from the start, and at 10 s rewind (3 s back).
                               "click controls 86 10\nwait 300\nclick controls 105 10\nwait 10000\n"
                               "click controls 67 10\nwait 5500\n";
    std::istringstream in(script);
    std::ostringstream out;
    runDriverScript(in, out, "raves");
    ASSERT_TRUE(fileExists(joinPath(data, "Raves/Demo_Song/Show.rav"))) << out.str();
    Bytes list;
    ASSERT_EQ(readWholeFile(joinPath(data, "Songlists/My_Songlist.sls"), list), 0);
    ASSERT_GE(list.size(), 4u + 573u);
    EXPECT_EQ(list[4], 1) << "the song's entry is attached";

    const auto songs = changesBySong(out.str());
    ASSERT_EQ(songs.size(), 3u) << out.str();
    const std::vector<Change> first = between(songs[0], 1, 12400);
    EXPECT_GE(first.size(), 20u);
    EXPECT_EQ(between(songs[1], 1, 9900), between(songs[0], 1, 9900));
    // After the rewind the rave goes on from where the song is again.
    EXPECT_EQ(between(songs[2], 7100, 12400), between(songs[0], 7100, 12400));
}

TEST(Mp3Raves, ARaveAttachedToTheFirstSongOfARunShowsItsPicture) {
    TempFolder folder;
    const std::string data = folder.file("data");
    // The user picks gradient 3 at 0.5 s and saves the show as "Show" at 1.5 s; then quits.
    std::istringstream in("edition mp3\nmonitor 320 240\ndata " + data +
                          "\nstep 10\nstart\nwait 500\nkey animation 3\nkey animation g\n"
                          "wait 1000\nclick controls 100 53\nwait 300\nclick controls 100 54\n"
                          "wait 300\ntype controls Show\ntype controls\nwait 300\nquit\n");
    std::ostringstream out;
    runDriverScript(in, out, "raves");
    ASSERT_TRUE(fileExists(joinPath(data, "Raves/Demo_Song/Show.rav"))) << out.str();

    // The next run starts with that song and its rave.
    HeadlessPlatform platform(320, 180);
    HeadlessSound sound(platform);
    sound.addLine("Line In", LineType::Line);
    HeadlessMusicGraph music(platform);
    ProgramOptions o;
    o.dataFolder = data;
    o.configFolder = folder.file("config");
    o.lockFolder = folder.path();
    o.seedFolder = KOREL_SEED_DIR;
    o.soundInput = &sound;
    o.musicGraph = &music;
    Program program(platform, Edition::MP3, o);
    ASSERT_TRUE(program.start("H"));
    for (int t = 0; t < 1500; t += 10) {
        platform.advance(10);
        while (platform.hasPending()) program.pass();
        program.pass();
    }
    const std::vector<Rgb> shown = platform.screenPixels(program.animationWindow());
    ASSERT_EQ(shown.size(), size_t(320 * 180));
    const size_t black = size_t(std::count(shown.begin(), shown.end(), Rgb{}));
    EXPECT_LT(black, shown.size() / 2) << "the rave's song start left the picture black";
}

}  // namespace
}  // namespace korel::test
