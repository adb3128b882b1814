// The MP3 edition plays its songlist on the headless graph through the driver: the decoded
// groove gives one beat per kick at every clock step, the same beats the LIVE edition hears from
// its capture, and a song whose file is gone is reported and still runs its minute.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "playback/songlist.h"
#include "shell/driver/driver.h"
#include "support/groove.h"
#include "support/test_services.h"

namespace korel::test {
namespace {

struct DriverRun {
    std::vector<int> beats;
    std::string out;
};

// A data folder whose first songlist holds `song` alone.
std::string dataWithSong(TempFolder& folder, const std::string& song) {
    const std::string data = folder.file("data");
    createFolders(joinPath(data, "Songlists"));
    Songlist list;
    list.entries = {songEntryForFile(song)};
    writeFileReplacing(joinPath(data, "Songlists/My_Songlist.sls"), encodeSonglist(list));
    return data;
}

DriverRun drive(const std::string& script) {
    std::istringstream in(script);
    std::ostringstream out;
    runDriverScript(in, out, "mp3");
    DriverRun r;
    r.out = out.str();
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string kind;
        int time = 0;
        if (words >> kind >> time && kind == "beat") r.beats.push_back(time);
    }
    return r;
}

TEST(Mp3Songs, TheDecodedGrooveGivesOneBeatPerKickAtEveryStepAsLiveCaptureDoes) {
    TempFolder folder;
    const std::string wav = folder.file("groove.wav");
    ASSERT_EQ(writeFileReplacing(wav, grooveWav(44100)), 0);
    std::vector<int> at10;
    for (int step : {1, 4, 10, 16}) {
        TempFolder run;
        const DriverRun r = drive("edition mp3\nmonitor 320 240\ndata " + dataWithSong(run, wav) +
                            "\nstep " + std::to_string(step) + "\nstart\nwait 20500\n");
        const GrooveScore score = scoreGroove(r.beats, 45);
        EXPECT_GE(score.beats, Groove::kKicks - 1) << "step " << step;
        EXPECT_LE(score.beats, Groove::kKicks + 1) << "step " << step;
        EXPECT_GE(score.kicksHeard, Groove::kKicks - 1) << "step " << step;
        if (step == 10) at10 = r.beats;
    }
    // The LIVE edition fed the same song at 11025 Hz: every beat within one decision (and a
    // tick) of the MP3 edition's.
    const DriverRun live =
        drive("edition live\nmonitor 320 240\nsound " + wav + "\nstep 10\nstart\nwait 20500\n");
    // (One beat more or less is allowed: a fill can tip over the threshold in one of them.)
    ASSERT_NEAR(double(live.beats.size()), double(at10.size()), 1.0);
    int matched = 0;
    for (int b : live.beats)
        for (int m : at10)
            if (std::abs(b - m) <= 25) {
                ++matched;
                break;
            }
    EXPECT_GE(matched, int(live.beats.size()) - 1);
}

TEST(Mp3Songs, TheDemoSongGivesTheBeatsTheLiveCaptureHears) {
    // The bundled song, decoded from its MP3 by the MP3 edition and fed as its WAV to the LIVE
    // edition's capture: every beat the capture gives comes from the decoded song too, a little
    // earlier. (The decoded buffer holds 22050 samples a second of a 44.1 kHz stereo song, so
    // the same window of samples is half as long and also catches the drum fills.)
    const std::string music = std::string(KOREL_SEED_DIR) + "/Music/";
    TempFolder folder;
    const DriverRun mp3 = drive("edition mp3\nmonitor 320 240\ndata " +
                                dataWithSong(folder, music + "Demo_Song.mp3") +
                                "\nstep 10\nstart\nwait 30000\n");
    const DriverRun live = drive("edition live\nmonitor 320 240\nsound " + music +
                                 "Demo_Song.wav\nstep 10\nstart\nwait 30000\n");
    ASSERT_GE(live.beats.size(), 30u);
    int matched = 0;
    for (int b : live.beats)
        for (int m : mp3.beats)
            if (m <= b && b - m <= 50) {
                ++matched;
                break;
            }
    EXPECT_GE(matched + 1, int(live.beats.size())) << live.out << "\n---\n" << mp3.out;
    EXPECT_LE(mp3.beats.size() * 2, live.beats.size() * 3);
}

TEST(Mp3Songs, AMissingFileIsReportedAndTheSongRunsItsMinute) {
    TempFolder folder;
    const std::string data = dataWithSong(folder, folder.file("gone.mp3"));
    const DriverRun r = drive("edition mp3\nmonitor 320 240\ndata " + data +
                              "\nstep 50\nstart\nwait 30000\nclick alert 120 90\nwait 31000\n");
    Bytes log;
    ASSERT_EQ(readWholeFile(joinPath(data, "error.txt"), log), 0);
    EXPECT_EQ(std::string(log.begin(), log.end()).substr(0, 4), "RF: ");
    // Without sound the animation runs on the style's tempo beats for the song's minute...
    EXPECT_GE(r.beats.size(), 10u) << r.out;
    EXPECT_LT(r.beats.back(), 60000);
    // ...then the song starts again and is reported again.
    size_t reports = 0;
    for (size_t at = 0; (at = r.out.find("alert: Unable to load sound file!", at)) != std::string::npos; ++at)
        ++reports;
    EXPECT_EQ(reports, 2u) << r.out;
}

}  // namespace
}  // namespace korel::test
