// korel-cd on the headless platform with a disc image in its drive: the tracks play and their
// kicks are beats; a title, a rave and a new CD list are kept in the disc's folder, the master
// folder gathers them, and the disc put back after an eject is known again and replays its rave.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/files.h"
#include "shell/driver/driver.h"
#include "support/disc_image.h"
#include "support/test_services.h"

namespace korel::test {
namespace {

using Change = std::tuple<int, int, int>;  // time, code, value

struct Trace {
    std::vector<std::vector<int>> beats{1};        // per song start
    std::vector<std::vector<Change>> changes{1};   // per song start
};

// The driver's trace cut at every song start (the song time goes back).
Trace readTrace(const std::string& out) {
    Trace t;
    std::istringstream lines(out);
    int last = -1;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string kind;
        int time = 0, a = 0, b = 0;
        if (!(words >> kind >> time >> a) || (kind != "change" && kind != "beat")) continue;
        if (time < last) {
            t.beats.emplace_back();
            t.changes.emplace_back();
        }
        last = time;
        if (kind == "beat") t.beats.back().push_back(time);
        else if (words >> b) t.changes.back().emplace_back(time, a, b);
    }
    return t;
}

std::vector<Change> between(const std::vector<Change>& changes, int from, int to) {
    std::vector<Change> out;
    for (const Change& c : changes)
        if (std::get<0>(c) >= from && std::get<0>(c) <= to) out.push_back(c);
    return out;
}

std::vector<std::string> folderNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        names.push_back(e.path().filename().string());
    return names;
}

std::string run(const std::string& script) {
    std::istringstream in(script);
    std::ostringstream out;
    runDriverScript(in, out, "cd");
    return out.str();
}

TEST(CdSongs, TheTracksOfADiscPlayAndTheirKicksAreBeats) {
    TempFolder folder;
    DiscTrack track;
    track.seconds = 8;
    track.bpm = 120;
    track.firstKick = 0.25;
    const std::string cue = writeDiscImage(folder.path(), "disc", {track, track});
    ASSERT_FALSE(cue.empty());
    for (int step : {1, 10, 16}) {
        const std::string out = run("edition cd\nmonitor 320 240\ndata " + folder.file("data" + std::to_string(step)) +
                                    "\nstep " + std::to_string(step) + "\ndisc " + cue + "\nstart\nwait 15500\n");
        const Trace t = readTrace(out);
        // Track 1, then track 2 from its own start.
        ASSERT_EQ(t.beats.size(), 2u) << out;
        const std::vector<double> kicks = discKickTimes(track);
        for (const std::vector<int>& beats : t.beats) {
            // Every kick is heard within the capture's 100 ms after it (the falling kick may
            // give a second beat as it passes the listened frequency), and nothing else is.
            size_t heard = 0;
            for (double k : kicks) {
                bool found = false;
                for (int b : beats) found = found || (b >= k * 1000 && b < k * 1000 + 100);
                heard += found ? 1 : 0;
            }
            EXPECT_GE(heard, kicks.size() - 1) << "step " << step << "\n" << out;
            for (int b : beats) {
                bool near = false;
                for (double k : kicks) near = near || (b >= k * 1000 && b < k * 1000 + 100);
                EXPECT_TRUE(near) << "a beat at " << b << " ms is no kick's (step " << step << ")";
            }
        }
    }
}

TEST(CdSongs, TitlesRavesAndListsStayWithTheDiscAndTheMasterFolderGathersThem) {
    TempFolder folder;
    DiscTrack track;
    track.seconds = 20;
    const std::string cue = writeDiscImage(folder.path(), "disc", {track, track});
    ASSERT_FALSE(cue.empty());
    const std::string data = folder.file("data");
    // Track 1 plays; its title "Intro" is typed in the song popup, the show is saved and
    // attached as the rave "Show" at 3.6 s, a new CD list "Party" is made and the master folder
    // created from the CD list popup. Then the disc is ejected and put back.
    const std::string out =
        run("edition cd\nmonitor 320 240\ndata " + data + "\ndisc " + cue +
            "\nstart\nwait 2000\nclick controls 178 8\nwait 300\n"
            "click controls 100 33\nwait 300\nclick controls 100 34\nwait 300\ntype controls Intro\ntype controls\n"
            "wait 600\nclick controls 100 53\nwait 300\nclick controls 100 54\nwait 300\n"
            "type controls Show\ntype controls\nwait 300\n"
            "click controls 100 100\nwait 300\nclick controls 100 101\nwait 300\ntype controls Party\ntype controls\n"
            "wait 300\nclick controls 100 100\nwait 300\nclick controls 100 137\nwait 500\n"
            "click controls 29 10\nwait 3000\ndisc " + cue + "\nwait 8000\n");

    // One folder for the disc, named by the list in use and the disc's code.
    const std::vector<std::string> discs = folderNames(joinPath(data, "Raves"));
    ASSERT_EQ(discs.size(), 1u) << out;
    const std::string disc = discs[0];
    ASSERT_EQ(disc.rfind("Party", 0), 0u) << disc;
    EXPECT_EQ(disc.size(), 9u);
    const std::string discFolder = joinPath(data, "Raves/" + disc);
    EXPECT_TRUE(fileExists(joinPath(discFolder, "Show.rav")));
    EXPECT_TRUE(fileExists(joinPath(discFolder, "Unnamed.cds")));
    Bytes list;
    ASSERT_EQ(readWholeFile(joinPath(discFolder, "Party.cds"), list), 0);
    ASSERT_EQ(list.size(), 16u + 2 * 57);
    EXPECT_EQ(list[0], 'l');
    EXPECT_EQ(list[1], 2);
    EXPECT_EQ(std::string(list.begin() + 4, list.begin() + 8), disc.substr(5));
    EXPECT_EQ(list[16], 1) << "track 1 has its rave";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&list[17])), "Intro");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&list[17 + 28])), "Show");

    // The master folder: the list in use, its rave and the assets the rave names.
    const std::string master = joinPath(data, "KorelCD");
    EXPECT_EQ(folderNames(joinPath(master, "Raves")), std::vector<std::string>{disc});
    std::vector<std::string> copied = folderNames(joinPath(master, "Raves/" + disc));
    std::sort(copied.begin(), copied.end());
    EXPECT_EQ(copied, (std::vector<std::string>{"Party.cds", "Show.rav"}));
    EXPECT_EQ(folderNames(joinPath(master, "Gradients")).size(), 8u);
    EXPECT_FALSE(folderNames(joinPath(master, "Brushes")).empty());

    // The disc put back is the same disc: its rave replays the recorded show.
    const Trace t = readTrace(out);
    ASSERT_EQ(t.changes.size(), 2u) << out;
    const std::vector<Change> recorded = between(t.changes[0], 1, 3500);
    EXPECT_GE(recorded.size(), 3u) << out;
    EXPECT_EQ(between(t.changes[1], 1, 3500), recorded);
    EXPECT_EQ(out.find("alert:"), std::string::npos) << out;
}

}  // namespace
}  // namespace korel::test

namespace korel::test {
namespace {

TEST(CdSongs, TheDriveButtonListsDrivesAndImagesAndTheChoiceIsRemembered) {
    TempFolder folder;
    DiscTrack shortTrack;
    shortTrack.seconds = 6;
    const std::string inDrive = writeDiscImage(folder.path(), "disc", {shortTrack, shortTrack});
    const std::string data = folder.file("data");
    ASSERT_EQ(createFolders(joinPath(data, "Discs")), 0);
    DiscTrack longTrack;
    longTrack.seconds = 12;
    const std::string image = writeDiscImage(joinPath(data, "Discs"), "other", {longTrack});
    ASSERT_FALSE(inDrive.empty() || image.empty());
    // The drive's disc plays (it wins over the image); the Drive button's popup lists the drive
    // and the image, and the image's row is chosen.
    const std::string out = run("edition cd\nmonitor 320 240\ndata " + data + "\nconfig " +
                                folder.file("config") + "\ndisc " + inDrive +
                                "\nstart\nwait 1000\nclick controls 178 8\nwait 300\n"
                                "click controls 238 101\nwait 300\nclick controls 238 108\nwait 1000\n");
    EXPECT_EQ(out.find("alert:"), std::string::npos) << out;
    EXPECT_EQ(folderNames(joinPath(data, "Raves")).size(), 2u) << "both discs were played";
    Bytes remembered;
    ASSERT_EQ(readWholeFile(joinPath(folder.file("config"), "Korel CD Drive.txt"), remembered), 0);
    EXPECT_EQ(std::string(remembered.begin(), remembered.end()), image);
}

}  // namespace
}  // namespace korel::test
