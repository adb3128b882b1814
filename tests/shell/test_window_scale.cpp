// The small windows' magnification: chosen from KOREL_SCALE or the monitor, given to the
// controls, help and alert windows, never to the animation window.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "platform/headless/headless_sound.h"
#include "shell/program.h"
#include "shell/window_scale.h"
#include "support/test_services.h"

using namespace korel;

namespace {

// Sets KOREL_SCALE (or unsets it) for one test and puts back what was there.
class ScaleVariable {
  public:
    explicit ScaleVariable(const char* value) {
        if (const char* had = std::getenv("KOREL_SCALE")) saved_ = had;
        if (value) {
            ::setenv("KOREL_SCALE", value, 1);
        } else {
            ::unsetenv("KOREL_SCALE");
        }
    }
    ~ScaleVariable() {
        if (saved_) {
            ::setenv("KOREL_SCALE", saved_->c_str(), 1);
        } else {
            ::unsetenv("KOREL_SCALE");
        }
    }
    ScaleVariable(const ScaleVariable&) = delete;
    ScaleVariable& operator=(const ScaleVariable&) = delete;

  private:
    std::optional<std::string> saved_;
};

struct ScaledRun {
    ScaledRun(int width, int height) : platform(width, height), sound(platform) {
        sound.addLine("Line In", LineType::Line);
        options.soundInput = &sound;
        options.dataFolder = temp.file("data");
        options.configFolder = temp.file("config");
        options.lockFolder = temp.path();
        options.seedFolder = KOREL_SEED_DIR;
    }
    test::TempFolder temp;
    HeadlessPlatform platform;
    HeadlessSound sound;
    ProgramOptions options;
};

}  // namespace

TEST(WindowScale, TheVariableDecidesElseTheMonitorWidth) {
    EXPECT_EQ(chooseWindowScale(nullptr, 2559).scale, 1);
    EXPECT_EQ(chooseWindowScale(nullptr, 2560).scale, 2);
    EXPECT_EQ(chooseWindowScale(nullptr, 3840).scale, 2);
    EXPECT_EQ(chooseWindowScale("2", 1024).scale, 2);
    EXPECT_EQ(chooseWindowScale("1", 3840).scale, 1);
    EXPECT_TRUE(chooseWindowScale("1", 3840).warning.empty());
    for (const char* odd : {"", "3", "0", "2x", " 2", "-1"}) {
        const WindowScaleChoice c = chooseWindowScale(odd, 3840);
        EXPECT_EQ(c.scale, 2) << odd;
        EXPECT_NE(c.warning.find("KOREL_SCALE must be 1 or 2"), std::string::npos) << odd;
    }
    // A long value is cut short in the message.
    EXPECT_LT(chooseWindowScale(std::string(5000, 'x').c_str(), 800).warning.size(), 100u);
}

TEST(WindowScale, TheSmallWindowsAreDoubledOnALargeMonitorAndTheAnimationNever) {
    struct Case {
        const char* variable;
        int monitorWidth;
        int want;
    };
    for (const Case c :
         {Case{nullptr, 2560, 2}, Case{nullptr, 1920, 1}, Case{"2", 1024, 2}, Case{"1", 3840, 1}}) {
        ScaleVariable v(c.variable);
        ScaledRun r(c.monitorWidth, 1080);
        Program p(r.platform, Edition::LIVE, r.options);
        ASSERT_TRUE(p.start(""));
        const std::string what = std::string(c.variable ? c.variable : "unset") + " at " +
                                 std::to_string(c.monitorWidth);
        EXPECT_EQ(r.platform.windowScale(p.controlsWindow()), c.want) << what;
        EXPECT_EQ(r.platform.windowScale(p.helpWindow()), c.want) << what;
        EXPECT_EQ(r.platform.windowScale(p.alertWindow()), c.want) << what;
        EXPECT_EQ(r.platform.windowScale(p.animationWindow()), 1) << what;
        // The program's own coordinates stay unscaled.
        EXPECT_EQ(r.platform.windowRect(p.controlsWindow()).width(), 211) << what;
        EXPECT_EQ(r.platform.windowRect(p.alertWindow()).width(), 242) << what;
        EXPECT_EQ(r.platform.windowRect(p.animationWindow()).width(), c.monitorWidth) << what;
        // The help window stands beside the controls as the screen shows them, and the alert
        // is centred on the monitor.
        EXPECT_EQ(r.platform.windowRect(p.helpWindow()).left, 402 * c.want) << what;
        EXPECT_EQ(r.platform.windowRect(p.alertWindow()).left, c.monitorWidth / 2 - 120 * c.want)
            << what;
    }
}

TEST(WindowScale, TheAlertsOkButtonTakesAClickOnItsDoubledPixels) {
    ScaleVariable v("2");
    ScaledRun r(1280, 1024);
    Program p(r.platform, Edition::LIVE, r.options);
    ASSERT_TRUE(p.start(""));
    p.showAlert("Scaled");
    ASSERT_TRUE(p.shell().alertShowing);
    // The OK button's last client pixel is (149, 103): window pixels (299, 207).
    r.platform.pushWindowPixelClick(p.alertWindow(), 2 * 149 + 1, 2 * 103 + 1);
    for (int i = 0; i < 20 && r.platform.hasPending(); ++i) p.pass();
    EXPECT_FALSE(p.shell().alertShowing);

    // Just right of the button is not on it.
    p.showAlert("Again");
    r.platform.pushWindowPixelClick(p.alertWindow(), 2 * 150, 2 * 103);
    for (int i = 0; i < 20 && r.platform.hasPending(); ++i) p.pass();
    EXPECT_TRUE(p.shell().alertShowing);
}
