// The SCREEN SAVER panel's settings on the desktop screen saver: read at start-up, switched off
// at once, installed at shut-down.
#pragma once

#include <string>

#include "core/services.h"
#include "persist/preferences.h"

namespace korel {

constexpr const char* kSaverNotFound =
    "Screen saver not found! Run Korel Installer to reinstall screen saver.";

// ~/.xscreensaver.
std::string defaultSaverSettingsFile();
// The edition's launcher: libexec/korel beside the installed program's bin, else the build
// tree's saver folder. The LIVE edition shares the MP3 edition's.
std::string defaultSaverLauncher(Edition edition);

class SaverLink {
public:
    // Empty paths take the defaults above.
    SaverLink(Services& services, std::string settingsFile, std::string launcher);

    // Start-up: the screen saver is enabled when it is on and runs one of our launchers; the
    // delay is its time-out.
    void readSettings(Preferences& prefs);
    // The panel's switch: off is written at once, on waits for shut-down.
    void switched(bool on);
    // Shut-down, after the preferences are written: when switched on in this run, the
    // launcher is installed as the screen saver with the delay.
    void install(const Preferences& prefs);

private:
    bool readFile(std::string& text, bool& exists);
    bool writeFile(const std::string& text);

    Services& services_;
    std::string settingsFile_;
    std::string launcher_;
    bool enabledThisRun_ = false;
};

}  // namespace korel
