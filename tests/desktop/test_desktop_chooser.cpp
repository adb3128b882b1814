// The desktop's file chooser: case-blind patterns, the real dialog answered under a display, and
// no dialog (and no hang) without one. GTK starts once per process, so each dialog case runs in
// a child process of its own.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>

#include "platform/desktop/desktop_chooser.h"
#include "support/test_services.h"

using namespace korel;
using desktop::FileChooser;

namespace {

// Runs `body` in a child process; its exit code (or -1 when it did not exit normally).
int inChild(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("GSETTINGS_BACKEND", "memory", 1);  // the dialog's settings stay in the child
        _exit(body());
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

const std::vector<std::pair<std::string, std::string>> kFilters{
    {"MP3 or WAV files", "*.MP3;*.WAV"}, {"All sound files", "*.FLAC;*.OGG"}};

}  // namespace

TEST(DesktopChooser, PatternsMatchEitherCase) {
    const auto p = desktop::caseBlindPatterns("*.Mp3");
    EXPECT_NE(std::find(p.begin(), p.end(), "*.mp3"), p.end());
    EXPECT_NE(std::find(p.begin(), p.end(), "*.MP3"), p.end());
    EXPECT_NE(std::find(p.begin(), p.end(), "*.[mM][pP]3"), p.end());
    EXPECT_EQ(desktop::caseBlindPatterns("*.123").size(), 1u);
}

TEST(DesktopChooser, NoDisplayMeansNoDialog) {
    const int rc = inChild([] {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        FileChooser chooser;
        std::string path = "unchanged";
        const bool chosen = chooser.chooseOpenFile("Load New Song", kFilters, path);
        return !chosen && path == "unchanged" ? 0 : 1;
    });
    EXPECT_EQ(rc, 0);
}

TEST(DesktopChooser, TheDialogShowsAndAnswers) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    test::TempFolder temp;
    const std::string song = temp.file("song.mp3");
    std::ofstream(song) << "x";
    const int rc = inChild([&] {
        FileChooser chooser;
        std::string path;
        chooser.answerNextDialog(song);
        if (!chooser.chooseOpenFile("Insert New Song", kFilters, path)) return 2;
        if (path != song) return 3;
        if (chooser.shown().title != "Insert New Song") return 4;
        if (chooser.shown().filterNames !=
            std::vector<std::string>{"MP3 or WAV files", "All sound files"})
            return 5;
        chooser.answerNextDialog("");
        std::string kept = "kept";
        if (chooser.chooseOpenFile("Insert New Song", kFilters, kept) || kept != "kept") return 6;
        return 0;
    });
    EXPECT_EQ(rc, 0);
}
