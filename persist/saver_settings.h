// The desktop screen saver's settings file (~/.xscreensaver): whether it runs one of our
// launchers, after how long, and the edits that install or switch it off.
//
// The file is a list of "name: value" resources; "programs:" continues over lines ending in a
// backslash, one program per line, each ending in a literal "\n". An entry may start with "-"
// (switched off), a visual ("GL:") and a quoted name before its command. "selected" counts the
// entries from 0. Edits change only the lines they must; every other byte stays as it was.
#pragma once

#include <string>
#include <vector>

namespace korel {

struct SaverSettings {
    std::string mode;           // "off", "one", "random", ...; empty when the file has none
    int selected = -1;          // the entry "one" runs; -1 when none
    int timeoutSeconds = -1;    // -1 when the file has none
    std::vector<std::string> commands;  // each entry's command line, in file order
};

SaverSettings parseSaverSettings(const std::string& text);

// True when the command runs one of our launchers (a program named "korel-saver-...").
bool isOurLauncher(const std::string& command);

// The screen saver is on and runs one of our launchers.
bool saverRunsOurs(const SaverSettings& settings);

// The file with our launcher added to the programs once (labelled `label`, run with "--root"),
// selected, the mode "one" and the time-out set. An empty text gives a new file of just these.
std::string installSaverText(const std::string& text, const std::string& launcher,
                             const std::string& label, int timeoutSeconds);

// The file with the mode "off" and none of our launchers selected.
std::string switchOffSaverText(const std::string& text);

// "H:MM:SS".
std::string saverTimeText(int seconds);

}  // namespace korel
