// The SCREEN SAVER panel on the desktop screen saver's settings file: read at start-up, switched
// off at once, installed only at shut-down and only with the launcher in place.
#include <gtest/gtest.h>

#include "persist/saver_settings.h"
#include "platform/files.h"
#include "shell/saver_link.h"
#include "support/test_services.h"

using namespace korel;

namespace {

struct Rig {
    Rig() : link(sv, sv.dataPath("xscreensaver"), sv.dataPath("korel-saver-mp3")) {}
    std::string text() {
        Bytes b;
        readWholeFile(sv.dataPath("xscreensaver"), b);
        return std::string(b.begin(), b.end());
    }
    void write(const std::string& t) { writeFileReplacing(sv.dataPath("xscreensaver"), Bytes(t.begin(), t.end())); }
    void launcherInstalled() { writeFileReplacing(sv.dataPath("korel-saver-mp3"), Bytes{1}); }
    test::TestServices sv{Edition::MP3};
    SaverLink link;
};

}  // namespace

TEST(SaverLink, StartUpReadsWhetherOursRunsAndItsDelay) {
    Rig r;
    Preferences p;
    p.saverEnabled = true;
    p.saverDelay = 3;
    r.link.readSettings(p);  // no file: ours does not run; the delay is kept
    EXPECT_FALSE(p.saverEnabled);
    EXPECT_EQ(p.saverDelay, 3);

    r.write(installSaverText("", "/x/korel-saver-mp3", "Korel MP3", 25 * 60));
    r.link.readSettings(p);
    EXPECT_TRUE(p.saverEnabled);
    EXPECT_EQ(p.saverDelay, 25);
    // Another program selected, or the screen saver off: disabled.
    r.write("mode: one\nselected: 0\ntimeout: 3:00:00\nprograms: \\\n  maze --root \\n\n");
    r.link.readSettings(p);
    EXPECT_FALSE(p.saverEnabled);
    EXPECT_EQ(p.saverDelay, 120);
    r.write(switchOffSaverText(installSaverText("", "/x/korel-saver-mp3", "Korel MP3", 60)));
    p.saverEnabled = true;
    r.link.readSettings(p);
    EXPECT_FALSE(p.saverEnabled);
}

TEST(SaverLink, OffIsWrittenAtOnceOnOnlyAtShutDown) {
    Rig r;
    r.launcherInstalled();
    const std::string ours = installSaverText("lock: False\n", r.sv.dataPath("korel-saver-mp3"), "Korel MP3", 600);
    r.write(ours);
    r.link.switched(false);
    EXPECT_EQ(parseSaverSettings(r.text()).mode, "off");
    const std::string off = r.text();

    Preferences p;
    p.saverEnabled = true;
    p.saverDelay = 9;
    r.link.switched(true);
    EXPECT_EQ(r.text(), off) << "nothing is written before shut-down";
    r.link.install(p);
    const SaverSettings s = parseSaverSettings(r.text());
    EXPECT_TRUE(saverRunsOurs(s));
    EXPECT_EQ(s.timeoutSeconds, 9 * 60);
    EXPECT_EQ(s.commands.size(), 1u);
    EXPECT_EQ(r.text().rfind("lock: False\n", 0), 0u);

    // Enabled before this run and not switched now: shut-down leaves the file alone.
    Rig kept;
    kept.launcherInstalled();
    kept.write("mode: off\n");
    kept.link.install(p);
    EXPECT_EQ(kept.text(), "mode: off\n");
}

TEST(SaverLink, AMissingLauncherIsSaidAndNothingChanges) {
    Rig r;
    r.write("mode: off\n");
    Preferences p;
    p.saverEnabled = true;
    r.link.switched(true);
    r.link.install(p);
    ASSERT_FALSE(r.sv.alerts.empty());
    EXPECT_EQ(r.sv.alerts.back(), kSaverNotFound);
    EXPECT_EQ(r.text(), "mode: off\n");
}
