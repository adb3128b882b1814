// The headless driver: scripts run every edition, snapshot windows and report errors by line.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/files.h"
#include "shell/driver/driver.h"
#include "support/test_services.h"

using namespace korel;

namespace {
std::string runScript(const std::string& text, int* code = nullptr) {
    std::istringstream in(text);
    std::ostringstream out;
    int c = runDriverScript(in, out, "test");
    if (code) *code = c;
    return out.str();
}
}  // namespace

TEST(Driver, EveryEditionStartsSnapshotsAndQuits) {
    for (const char* edition : {"cd", "mp3", "live"}) {
        test::TempFolder t;
        std::string script = std::string("edition ") + edition + "\nmonitor 320 200\ndata " +
                             t.file("data") + "\nseed " KOREL_SEED_DIR "\ntrace off\nstart\nwait 100\nsnapshot animation " +
                             t.file("a.png") + "\nsnapshot controls " + t.file("c.png") +
                             "\nclose controls\nwait 5000\n";
        int code = -1;
        std::string out = runScript(script, &code);
        EXPECT_EQ(code, 0);
        EXPECT_EQ(out, "snapshot animation " + t.file("a.png") + "\nsnapshot controls " +
                           t.file("c.png") + "\nexit 0\n");
        Bytes png;
        ASSERT_EQ(readWholeFile(t.file("a.png"), png), 0);
        ASSERT_GT(png.size(), 8u);
        EXPECT_EQ(png[1], 'P');
        // Same script, same output, bit for bit.
        Bytes first = png;
        runScript(script);
        ASSERT_EQ(readWholeFile(t.file("a.png"), png), 0);
        EXPECT_EQ(png, first);
    }
}

TEST(Driver, ScriptErrorsNameTheLine) {
    int code = 0;
    EXPECT_EQ(runScript("edition live\nwait 10\n", &code), "test:2: \"wait\" needs a started program\n");
    EXPECT_EQ(code, 2);
    EXPECT_EQ(runScript("edition dvd\n", &code), "test:1: unknown edition \"dvd\"\n");
    EXPECT_EQ(runScript("trace off\nstart\nclick nowhere 1 1\n", &code),
              "test:3: unknown or closed window \"nowhere\"\n");
}

TEST(Driver, TheSoundServerCanBeMissingDieAndComeBack) {
    test::TempFolder t;
    const std::string lost =
        "alert: Unable to open sound input device! Close any applications that may be recording.\n";
    // Missing at start: said once (the driver prints a start-up alert when it is raised and when
    // it is shown), whatever the waiting; back, then gone again: said again.
    std::string script = "monitor 320 200\ndata " + t.file("data") + "\nseed " KOREL_SEED_DIR
                         "\ntrace off\nserver down\nstart\nwait 3000\nserver up\nwait 1500\n"
                         "server down\nwait 3000\nquit\n";
    int code = -1;
    EXPECT_EQ(runScript(script, &code), lost + lost + lost + "exit 0\n");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(runScript("server sideways\n", &code), "test:1: server up|down\n");
}

TEST(Driver, KeysTypeTheirCharactersAndUnknownNamesAreErrors) {
    test::TempFolder t;
    const std::string head = "edition mp3\nmonitor 320 200\ndata " + t.file("data") +
                             "\nseed " KOREL_SEED_DIR "\ntrace off\nstart\nwait 100\n";
    int code = -1;
    // "=" reaches the commands only as the character its key types.
    EXPECT_EQ(runScript(head + "key animation equals\nquit\n", &code),
              "alert: A rave must be attached to use this command!\nexit 0\n");
    EXPECT_EQ(runScript(head + "key controls enter\nkey controls help\nkey animation hyper\n", &code),
              "test:10: unknown key \"hyper\"\n");
    EXPECT_EQ(code, 2);
}
