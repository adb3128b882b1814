// The desktop screen saver's settings file: what it says about our launcher, and edits that
// change only the lines they must.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "persist/saver_settings.h"

using namespace korel;

namespace {

// As the screen saver's own settings program writes it.
const std::string kWritten =
    "# XScreenSaver Preferences File\n"
    "# Written by xscreensaver-settings 6.06 for someone on Mon Dec  7 10:00:00 2026.\n"
    "# https://www.jwz.org/xscreensaver/man1.html\n"
    "\n"
    "timeout:\t0:10:00\n"
    "cycle:\t\t0:10:00\n"
    "lock:\t\tFalse\n"
    "fade:\t\tTrue\n"
    "mode:\t\trandom\n"
    "selected:\t2\n"
    "\n"
    "programs:\t\t\t\t\t\t\t\t      \\\n"
    "\t\t\t\tmaze --root\t\t\t\t    \\n\\\n"
    "- GL: \t\t\t\tsuperquadrics --root\t\t\t    \\n\\\n"
    "  \"Blit spin\"\t\tblitspin --root\t\t\t\t    \\n\\\n"
    "\t\t\t\tgreynetic --root\t\t\t    \\n\n"
    "\n"
    "pointerHysteresis: 10\n";

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

}  // namespace

TEST(SaverSettings, ReadsModeSelectionTimeoutAndEveryEntry) {
    const SaverSettings s = parseSaverSettings(kWritten);
    EXPECT_EQ(s.mode, "random");
    EXPECT_EQ(s.selected, 2);
    EXPECT_EQ(s.timeoutSeconds, 600);
    EXPECT_EQ(s.commands, (std::vector<std::string>{"maze --root", "superquadrics --root",
                                                    "blitspin --root", "greynetic --root"}));
    EXPECT_FALSE(saverRunsOurs(s));
    EXPECT_TRUE(isOurLauncher("/usr/libexec/korel/korel-saver-mp3 --root"));
    EXPECT_FALSE(isOurLauncher("maze --root"));
    // Times in every form the file may hold.
    EXPECT_EQ(parseSaverSettings("timeout: 5\n").timeoutSeconds, 300);
    EXPECT_EQ(parseSaverSettings("timeout: 1:30\n").timeoutSeconds, 90);
    EXPECT_EQ(parseSaverSettings("timeout: x:10\n").timeoutSeconds, -1);
    EXPECT_EQ(saverTimeText(7 * 60), "0:07:00");
    EXPECT_EQ(saverTimeText(120 * 60), "2:00:00");
}

TEST(SaverSettings, InstallingAddsOurLauncherOnceAndKeepsEveryOtherLine) {
    const std::string launcher = "/opt/korel/libexec/korel/korel-saver-mp3";
    const std::string once = installSaverText(kWritten, launcher, "Korel MP3", 7 * 60);
    const SaverSettings s = parseSaverSettings(once);
    EXPECT_EQ(s.mode, "one");
    EXPECT_EQ(s.selected, 4);
    EXPECT_EQ(s.timeoutSeconds, 420);
    ASSERT_EQ(s.commands.size(), 5u);
    EXPECT_EQ(s.commands[4], launcher + " --root");
    EXPECT_TRUE(saverRunsOurs(s));

    // Every line but the three values and the list's last line is as it was, in order.
    const std::vector<std::string> before = lines(kWritten), after = lines(once);
    ASSERT_EQ(after.size(), before.size() + 1);
    size_t changed = 0;
    for (size_t i = 0, j = 0; i < before.size(); ++i, ++j) {
        if (after[j].find("korel-saver-mp3") != std::string::npos) ++j;
        if (before[i] != after[j]) ++changed;
    }
    EXPECT_EQ(changed, 4u) << once;
    EXPECT_NE(once.find("mode:\t\tone\n"), std::string::npos);
    EXPECT_NE(once.find("timeout:\t0:07:00\n"), std::string::npos);
    EXPECT_NE(once.find("greynetic --root\t\t\t    \\n\\\n"), std::string::npos);
    EXPECT_NE(once.find("pointerHysteresis: 10\n"), std::string::npos);

    // Installing again changes the time only.
    const std::string twice = installSaverText(once, launcher, "Korel MP3", 9 * 60);
    EXPECT_EQ(parseSaverSettings(twice).commands.size(), 5u);
    EXPECT_EQ(parseSaverSettings(twice).timeoutSeconds, 540);
    EXPECT_EQ(lines(twice).size(), lines(once).size());
}

TEST(SaverSettings, SwitchingOffAndOtherProgramsShowItDisabled) {
    const std::string launcher = "/usr/local/libexec/korel/korel-saver-cd";
    const std::string on = installSaverText(kWritten, launcher, "Korel CD", 300);
    const std::string off = switchOffSaverText(on);
    const SaverSettings s = parseSaverSettings(off);
    EXPECT_EQ(s.mode, "off");
    EXPECT_EQ(s.selected, -1);
    EXPECT_FALSE(saverRunsOurs(s));
    EXPECT_EQ(s.commands.size(), 5u) << "our entry stays listed";
    // Another program selected: not ours, and switching off leaves its selection.
    std::string other = on;
    other.replace(other.find("selected:\t4"), 11, "selected:\t1");
    EXPECT_FALSE(saverRunsOurs(parseSaverSettings(other)));
    EXPECT_EQ(parseSaverSettings(switchOffSaverText(other)).selected, 1);
}

TEST(SaverSettings, AMissingOrBareFileGetsWhatItLacks) {
    const std::string launcher = "/usr/libexec/korel/korel-saver-mp3";
    for (const std::string& start :
         {std::string(), std::string("lock: False"), std::string("programs:\n"),
          std::string("mode: off\r\nprograms: \\\r\n  maze --root \\n\r\n"),
          std::string("programs: \\\n  maze --root \\n\\\n")}) {
        const std::string text = installSaverText(start, launcher, "Korel MP3", 60);
        const SaverSettings s = parseSaverSettings(text);
        EXPECT_TRUE(saverRunsOurs(s)) << text;
        EXPECT_EQ(s.timeoutSeconds, 60) << text;
        ASSERT_FALSE(s.commands.empty()) << text;
        EXPECT_EQ(s.commands.back(), launcher + " --root") << text;
        if (start.find("lock") != std::string::npos) {
            EXPECT_EQ(text.rfind("lock: False\n", 0), 0u);
        }
    }
}
