// The desktop's file chooser: GTK 3's native open and save dialogs, started on first use.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace korel::desktop {

class FileChooser {
public:
    // Runs the dialog modally until the user picks a file or cancels. False when cancelled or
    // when GTK cannot start (no display); `path` is then unchanged.
    bool chooseOpenFile(const std::string& title,
                        const std::vector<std::pair<std::string, std::string>>& filters,
                        std::string& path);

    // The save dialog, opened in `folder` (when not empty) with `name` proposed; an existing file
    // is replaced only after the user confirms.
    bool chooseSaveFile(const std::string& title,
                        const std::vector<std::pair<std::string, std::string>>& filters,
                        const std::string& folder, const std::string& name, std::string& path);

    // For tests: the next dialog is answered by the program itself once it shows, with `path`
    // (empty: cancelled). What the dialog showed is kept in shown().
    void answerNextDialog(const std::string& path);
    struct Shown {
        std::string title;
        std::vector<std::string> filterNames;
        std::string proposedName;  // the save dialog's
    };
    const Shown& shown() const { return shown_; }

private:
    bool started();
    bool initTried_ = false;
    bool initOk_ = false;
    bool scripted_ = false;
    std::string scriptedPath_;
    int scriptedTries_ = 0;
    Shown shown_;
    static int answerTick(void* self);
    bool run(void* dialog, const std::vector<std::pair<std::string, std::string>>& filters,
             std::string& path);
};

// The glob patterns one filter pattern is given as, so that it matches without regard to case:
// the pattern itself, its lower- and upper-case forms and a bracket form ("*.[mM][pP]3").
std::vector<std::string> caseBlindPatterns(const std::string& pattern);

}  // namespace korel::desktop
