// A deterministic headless run of 120 simulated seconds at 120 beats per minute: its trace of
// beats and changes follows the default record's beat counters, repeats exactly, and ends on a
// known picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "animation/animation_run.h"
#include "shell/driver/driver.h"
#include "triggers/triggers.h"

using namespace korel;

namespace {

// FNV-1a over the snapshot's PNG bytes.
//
// To update after an intended change of the picture, run
//   KOREL_KEEP_SNAPSHOT=1 animation_test_long_run --gtest_filter=*KnownPicture*
// which writes the picture to two-minutes-final.png in the current folder; look at it, then copy
// the checksum the failure prints here. The bytes come from the headless platform's PNG writer,
// so a new libpng or zlib can also change them while the picture stays the same.
constexpr uint64_t kFinalSnapshotChecksum = 0xa0304ef8cad56673ull;

uint64_t checksum(const Bytes& b) {
    uint64_t h = 14695981039346656037ull;
    for (uint8_t c : b) h = (h ^ c) * 1099511628211ull;
    return h;
}

struct TraceLine {
    std::string kind;  // "beat" or "change"
    uint32_t time = 0;
    int a = 0, b = 0;  // beat: level; change: code and value
};

struct RunResult {
    int exitCode = -1;
    std::string output;
    std::vector<TraceLine> trace;
    std::vector<std::string> alerts;
    Bytes png;
};

// Runs the script over a data folder made from the bundled library with a last session at
// 120 beats per minute and listening off.
RunResult runTwoMinutes(const test::TempFolder& t) {
    RunResult r;
    const std::string data = t.file("data");
    seedDataFolder(KOREL_SEED_DIR, data);
    EXPECT_TRUE(test::placeStyle(data, "Last_Session", test::tempoState(12000)));
    const std::string png = t.file("final.png");
    std::string text = "edition live\nmonitor 640 480\nstep 10\n";
    text += "data " + data + "\nconfig " + t.file("config") + "\n";
    text += "start\nwait 120000\nsnapshot animation " + png + "\nquit\n";
    std::istringstream script(text);
    std::ostringstream out;
    r.exitCode = runDriverScript(script, out, "two-minutes");
    r.output = out.str();
    std::istringstream lines(r.output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream w(line);
        TraceLine l;
        w >> l.kind;
        if (l.kind == "beat") {
            w >> l.time >> l.a;
            r.trace.push_back(l);
        } else if (l.kind == "change") {
            w >> l.time >> l.a >> l.b;
            r.trace.push_back(l);
        } else if (l.kind == "alert:") {
            r.alerts.push_back(line);
        }
    }
    readWholeFile(png, r.png);
    return r;
}

class TwoMinutes : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = new test::TempFolder;
        first_ = new RunResult(runTwoMinutes(*folder_));
    }
    static void TearDownTestSuite() {
        delete first_;
        delete folder_;
    }
    static test::TempFolder* folder_;
    static RunResult* first_;
};
test::TempFolder* TwoMinutes::folder_ = nullptr;
RunResult* TwoMinutes::first_ = nullptr;

}  // namespace

TEST_F(TwoMinutes, BeatsComeEveryHalfSecondAtFullLevel) {
    const RunResult& r = *first_;
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.alerts.empty()) << r.alerts.front();
    std::vector<uint32_t> beats;
    for (const TraceLine& l : r.trace) {
        if (l.kind != "beat") continue;
        beats.push_back(l.time);
        EXPECT_EQ(l.a, 64) << "at " << l.time;
    }
    ASSERT_EQ(beats.size(), 240u);
    for (size_t i = 0; i < beats.size(); ++i) EXPECT_EQ(beats[i], 500 * (i + 1));
}

TEST_F(TwoMinutes, ChangesFollowTheBeatCountersOfTheDefaultRecord) {
    const RunResult& r = *first_;
    // Start-up applies the restored record at time 0, before any beat.
    size_t i = 0;
    for (; i < r.trace.size() && r.trace[i].kind == "change"; ++i) EXPECT_EQ(r.trace[i].time, 0u);
    ASSERT_LT(i, r.trace.size());

    // Gradient and both colours on every beat; fill, movement and brush on every 20th, all in
    // the apply order and at the beat's time.
    int beat = 0;
    std::vector<int> codes;
    uint32_t beatTime = 0;
    auto checkBeat = [&] {
        std::vector<int> want = {kChangeGradient, kChangeBrushColour, kChangeFillColour};
        if (beat % 20 == 0)
            want = {kChangeGradient, kChangeBrushColour, kChangeFillColour,
                    kChangeFill,     kChangeMovement,    kChangeBrush};
        EXPECT_EQ(codes, want) << "beat " << beat;
    };
    for (; i < r.trace.size(); ++i) {
        const TraceLine& l = r.trace[i];
        if (l.kind == "beat") {
            if (beat > 0) checkBeat();
            ++beat;
            beatTime = l.time;
            codes.clear();
            continue;
        }
        EXPECT_EQ(l.time, beatTime);
        codes.push_back(l.a);
    }
    checkBeat();
    EXPECT_EQ(beat, 240);
}

TEST_F(TwoMinutes, EachModeOfTheDefaultRecordChoosesAsItShould) {
    // Random Selection moves away from the current value (a colour by more than 10); Random
    // File loads a new file into the current slot, so the fill and brush slots stay.
    int last[kChangeCodes + 1] = {};
    for (const TraceLine& l : first_->trace) {
        if (l.kind != "change") continue;
        if (l.time > 0) {
            switch (l.a) {
                case kChangeGradient:
                case kChangeMovement:
                    EXPECT_NE(l.b, last[l.a]) << "code " << l.a << " at " << l.time;
                    break;
                case kChangeBrushColour:
                case kChangeFillColour:
                    EXPECT_GT(std::abs(l.b - last[l.a]), 10) << "code " << l.a << " at " << l.time;
                    EXPECT_GE(l.b, 1);
                    EXPECT_LE(l.b, 120);
                    break;
                case kChangeFill:
                    EXPECT_EQ(l.b, 2) << "at " << l.time;
                    break;
                case kChangeBrush:
                    EXPECT_EQ(l.b, 1) << "at " << l.time;
                    break;
                default:
                    break;
            }
        }
        last[l.a] = l.b;
    }
}

TEST_F(TwoMinutes, RunningTheScriptAgainGivesTheSameTraceAndPicture) {
    test::TempFolder other;
    RunResult again = runTwoMinutes(other);
    ASSERT_EQ(again.trace.size(), first_->trace.size());
    for (size_t i = 0; i < again.trace.size(); ++i) {
        const TraceLine &a = again.trace[i], &b = first_->trace[i];
        ASSERT_TRUE(a.kind == b.kind && a.time == b.time && a.a == b.a && a.b == b.b)
            << "line " << i << ": " << a.kind << " " << a.time << " " << a.a << " " << a.b
            << " against " << b.kind << " " << b.time << " " << b.a << " " << b.b;
    }
    ASSERT_FALSE(first_->png.empty());
    EXPECT_EQ(again.png, first_->png);
}

TEST_F(TwoMinutes, EndsOnTheKnownPicture) {
    ASSERT_GT(first_->png.size(), 8u);
    const uint64_t sum = checksum(first_->png);
    if (sum != kFinalSnapshotChecksum && std::getenv("KOREL_KEEP_SNAPSHOT")) {
        const std::string kept = "two-minutes-final.png";
        writeFileReplacing(kept, first_->png);
        ADD_FAILURE() << "snapshot kept in " << kept;
    }
    EXPECT_EQ(sum, kFinalSnapshotChecksum) << "checksum 0x" << std::hex << sum;
}
