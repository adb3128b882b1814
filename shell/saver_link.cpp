// The SCREEN SAVER panel's settings on the desktop screen saver.
#include "shell/saver_link.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "persist/saver_settings.h"
#include "platform/files.h"

namespace korel {

std::string defaultSaverSettingsFile() {
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.xscreensaver";
}

std::string defaultSaverLauncher(Edition edition) {
    const std::string name = edition == Edition::CD ? "korel-saver-cd" : "korel-saver-mp3";
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    const fs::path installed = exe.parent_path().parent_path() / "libexec" / "korel" / name;
    if (fs::exists(installed, ec)) return installed.string();
    const fs::path built = exe.parent_path().parent_path() / "saver" / name;
    if (fs::exists(built, ec)) return built.string();
    return installed.string();
}

SaverLink::SaverLink(Services& services, std::string settingsFile, std::string launcher)
    : services_(services),
      settingsFile_(settingsFile.empty() ? defaultSaverSettingsFile() : std::move(settingsFile)),
      launcher_(launcher.empty() ? defaultSaverLauncher(services.edition()) : std::move(launcher)) {}

bool SaverLink::readFile(std::string& text, bool& exists) {
    Bytes file;
    const int e = readWholeFile(settingsFile_, file, 1 << 20);
    exists = e == 0;
    if (e == kErrNoFile || e == kErrNoPath) return true;
    if (e != 0) return false;
    text.assign(file.begin(), file.end());
    return true;
}

bool SaverLink::writeFile(const std::string& text) {
    if (writeFileReplacing(settingsFile_, Bytes(text.begin(), text.end())) == 0) return true;
    services_.showAlert("File write error!");
    return false;
}

void SaverLink::readSettings(Preferences& prefs) {
    std::string text;
    bool exists = false;
    if (!readFile(text, exists)) return;
    const SaverSettings s = parseSaverSettings(text);
    prefs.saverEnabled = saverRunsOurs(s);
    if (s.timeoutSeconds > 0) prefs.saverDelay = uint8_t(std::clamp(s.timeoutSeconds / 60, 1, 120));
}

void SaverLink::switched(bool on) {
    if (on) {
        enabledThisRun_ = true;
        return;
    }
    enabledThisRun_ = false;
    std::string text;
    bool exists = false;
    if (!readFile(text, exists) || !exists) return;
    const std::string off = switchOffSaverText(text);
    if (off != text) writeFile(off);
}

void SaverLink::install(const Preferences& prefs) {
    if (!prefs.saverEnabled || !enabledThisRun_) return;
    enabledThisRun_ = false;
    if (!fileExists(launcher_)) {
        services_.showAlert(kSaverNotFound);
        return;
    }
    std::string text;
    bool exists = false;
    if (!readFile(text, exists)) return;
    const char* label = services_.edition() == Edition::CD ? "Korel CD" : "Korel MP3";
    const int delay = std::clamp(int(prefs.saverDelay), 1, 120);
    writeFile(installSaverText(text, launcher_, label, delay * 60));
}

}  // namespace korel
