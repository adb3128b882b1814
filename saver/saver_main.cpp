// The screen-saver launcher program (korel-saver-mp3, korel-saver-cd): shows the logo in a
// preview window, or covers the screen in black and starts its edition to save the screen.
// Every failure ends quietly with code 0: a screen saver has nobody to tell.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "persist/preferences.h"
#include "platform/desktop/saver_x11.h"
#include "platform/instance.h"
#include "platform/process.h"
#include "saver/launcher.h"

namespace {

using namespace korel;

constexpr const char* kSaverClass = "WindowsScreenSaverClass";
constexpr const char* kSaverTitle = "KorelSS";
constexpr const char* kPreviewClass = "PreviewScreenSaverClass";
constexpr const char* kPreviewTitle = "KorelSSPreview";
// How long an edition on its way out may take before it is killed; its own terminate path
// ends it within a second.
constexpr int kEditionGraceMs = 5000;

std::string ownPath() {
    std::error_code ec;
    const auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : p.string();
}

std::string configFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg) return std::string(xdg) + "/korel";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.config/korel";
}

int preview(unsigned long window) {
    Logo logo;
    const std::string folder = pictureFolderFor(ownPath(), std::getenv("KOREL_SEED"));
    if (folder.empty() || !loadLogo(folder, logo)) return 0;
    desktop::SaverScreen screen;
    if (!screen.open()) return 0;
    screen.showPictureUntilGone(window, kPreviewClass, kPreviewTitle, logo.argb, logo.width,
                                logo.height);
    return 0;
}

int saveScreen(const SaverBuild& build, unsigned long host) {
    // Before anything else, so that no request to end is lost while we start.
    SystemProcessWatch watch;
    InstanceLock lock;
    if (!lock.acquire(InstanceLock::defaultFolder(), kSaverLockName) || !lock.held()) return 0;
    lock.recordOwner();
    desktop::SaverScreen screen;
    if (!screen.open()) return 0;
    const unsigned long window = screen.blackWindow(host, kSaverClass, kSaverTitle);
    if (!window) return 0;
    if (!markLaunchedBySaver(configFolder(), build.edition)) return 0;
    const std::string program = editionProgramPath(ownPath(), build.program);
    if (program.empty()) return 0;
    const std::string folder = std::filesystem::path(program).parent_path().string();
    // Ended while starting up: no edition is started only to be ended again.
    if (watch.wait(0).kind == ProcessWake::Terminate) return 0;
    if (!watch.start(program, folder, {"KOREL_SAVER_WINDOW=" + std::to_string(window)})) return 0;
    superviseEdition(watch, kEditionGraceMs);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const SaverBuild build = saverBuild(Edition::KOREL_SAVER_EDITION);
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const SaverRequest request = decideSaverRequest(args, std::getenv("XSCREENSAVER_WINDOW"));
    switch (request.mode) {
        case SaverRequest::Preview:
            return preview(request.window);
        case SaverRequest::Saver:
            return saveScreen(build, request.window);
        case SaverRequest::End:
            break;
    }
    return 0;
}
