// The main loop's pacing: on a display that refreshes at a fixed rate the animation window's
// copies are merged into at most one present per refresh, and the loop sleeps until the next
// timed work instead of spinning (no longer than 2 ms while listening).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "persist/visual_state.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/headless_sound.h"
#include "shell/program.h"
#include "support/test_services.h"

namespace korel {
namespace {

class PacedPlatform : public HeadlessPlatform {
  public:
    using HeadlessPlatform::HeadlessPlatform;
    uint32_t refreshInterval() override { return refresh; }
    void present(WindowId w, const Rect& r) override {
        presents[w].push_back(tickCount());
        HeadlessPlatform::present(w, r);
    }
    void waitEvent(uint32_t ms) override { waits.push_back(ms); }

    uint32_t refresh = 16;
    std::map<WindowId, std::vector<uint32_t>> presents;
    std::vector<uint32_t> waits;
};

struct PacedRun {
    explicit PacedRun(uint32_t refresh) : platform(800, 600), sound(platform) {
        platform.refresh = refresh;
        sound.addLine("Line In", LineType::Line);
        options.soundInput = &sound;
        options.dataFolder = temp.file("data");
        options.configFolder = temp.file("config");
        options.lockFolder = temp.path();
        options.seedFolder = KOREL_SEED_DIR;
    }
    // Runs the LIVE edition for `ms` of 1 ms clock steps.
    void run(Program& p, uint32_t ms) {
        for (uint32_t t = 0; t < ms; ++t) {
            platform.advance(1);
            for (int i = 0; i < 1000 && platform.hasPending(); ++i) p.pass();
            p.pass();
        }
    }
    test::TempFolder temp;
    PacedPlatform platform;
    HeadlessSound sound;
    ProgramOptions options;
};

TEST(Pacing, CopiesMergeIntoAtMostOnePresentPerRefresh) {
    PacedRun unpaced(0), paced(16);
    Program a(unpaced.platform, Edition::LIVE, unpaced.options);
    Program b(paced.platform, Edition::LIVE, paced.options);
    ASSERT_TRUE(a.start(""));
    ASSERT_TRUE(b.start(""));
    unpaced.platform.presents.clear();
    paced.platform.presents.clear();
    unpaced.run(a, 2000);
    paced.run(b, 2000);
    const auto& many = unpaced.platform.presents[a.animationWindow()];
    const auto& merged = paced.platform.presents[b.animationWindow()];
    size_t close = 0;
    for (size_t i = 1; i < many.size(); ++i) close += many[i] - many[i - 1] < 16 ? 1 : 0;
    ASSERT_GT(close, 10u) << "unpaced, copies come closer together than a refresh";
    EXPECT_LT(merged.size(), many.size());
    EXPECT_GT(merged.size(), many.size() / 2) << "the paced animation still moves";
    for (size_t i = 1; i < merged.size(); ++i)
        EXPECT_GE(merged[i] - merged[i - 1], 16u) << "present " << i;
}

TEST(Pacing, TheLoopSleepsUntilTheNextWork) {
    PacedRun run(16);
    Program p(run.platform, Edition::LIVE, run.options);
    ASSERT_TRUE(p.start(""));
    run.run(p, 1000);
    ASSERT_FALSE(run.platform.waits.empty());
    const uint32_t longest =
        *std::max_element(run.platform.waits.begin(), run.platform.waits.end());
    if (p.visual().switchOn(vs::kSwitchListening)) {
        EXPECT_LE(longest, 2u) << "listening keeps the analysis at least every 2 ms";
    }
    EXPECT_LE(longest, 100u);

    // Listening off: the sleeps reach to the next trail, colour or tempo step.
    p.visual().setSwitch(vs::kSwitchListening, false);
    run.platform.waits.clear();
    run.run(p, 1000);
    ASSERT_FALSE(run.platform.waits.empty());
    EXPECT_GT(*std::max_element(run.platform.waits.begin(), run.platform.waits.end()), 2u);
}

}  // namespace
}  // namespace korel
