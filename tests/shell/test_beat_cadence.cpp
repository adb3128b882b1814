// Beats do not depend on the tick rate: the groove of 40 kicks, fed through the headless driver
// to the LIVE edition, gives one beat per kick at every clock step from 1 to 16 ms.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "shell/driver/driver.h"
#include "support/groove.h"
#include "support/test_services.h"

namespace korel::test {
namespace {

std::vector<int> beatsAtStep(const std::string& wav, int step) {
    std::istringstream script("edition live\nmonitor 320 240\nsound " + wav + "\nstep " +
                              std::to_string(step) + "\nstart\nwait 20500\n");
    std::ostringstream out;
    runDriverScript(script, out, "groove");
    std::vector<int> beats;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string kind;
        int time = 0;
        if (words >> kind >> time && kind == "beat") beats.push_back(time);
    }
    return beats;
}

TEST(BeatCadence, TheGrooveGivesOneBeatPerKickAtEveryTickRate) {
    TempFolder folder;
    const std::string wav = folder.file("groove.wav");
    ASSERT_EQ(writeFileReplacing(wav, grooveWav(44100)), 0);
    for (int step : {1, 2, 5, 10, 16}) {
        const std::vector<int> beats = beatsAtStep(wav, step);
        const GrooveScore score = scoreGroove(beats, 45);
        EXPECT_GE(score.beats, Groove::kKicks - 1) << "step " << step;
        EXPECT_LE(score.beats, Groove::kKicks + 1) << "step " << step;
        EXPECT_GE(score.kicksHeard, Groove::kKicks - 1) << "step " << step;
        EXPECT_LE(score.worstLagMs, 45) << "step " << step;
    }
}

}  // namespace
}  // namespace korel::test
