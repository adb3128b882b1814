// The screen-saver launcher: what it was asked to do, the preferences flag it sets, where the
// edition and the logo are, and how it sees the edition's run through to the end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/services.h"
#include "platform/process.h"
#include "platform/surface.h"
#include "platform/types.h"

namespace korel {

// What one launcher build starts: its edition, the program file and the description.
struct SaverBuild {
    Edition edition;
    const char* program;      // "korel-mp3", "korel-cd"
    const char* description;  // "KorelMP3 Screen Saver", "Korel Screen Saver"
};
SaverBuild saverBuild(Edition edition);

struct SaverRequest {
    enum Mode { End, Preview, Saver } mode = End;
    // Preview: the window to draw in. Saver: the window to save inside (xscreensaver's); 0 for
    // a full-screen window of our own.
    unsigned long window = 0;
};

// Decides from the arguments (after the program name) and $XSCREENSAVER_WINDOW (null when
// unset). xscreensaver's forms come first: "-root", "-window-id ID" (decimal or 0x hex), each
// also with two dashes; then the classic line, searched as one text: a "p" with the decimal
// window id two characters after it is a preview, else an "s" is a saver run. With no
// argument at all, xscreensaver's window makes a saver run. Anything else ends.
SaverRequest decideSaverRequest(const std::vector<std::string>& args, const char* saverWindowEnv);

// Sets the preferences file's "started by the screen saver" byte (1) to 1, keeping every other
// byte, including whatever follows the first 12; a missing or short file takes the launcher's
// default bytes where it has none. False when the folder or file cannot be made or written.
bool markLaunchedBySaver(const std::string& configFolder, Edition edition);

// The edition's program for a launcher at `launcherPath`: "<prefix>/bin/<program>" when the
// launcher is installed in "<prefix>/libexec/korel", or the build tree's "shell/<program>"
// beside the launcher's "saver" folder. Empty when neither exists.
std::string editionProgramPath(const std::string& launcherPath, const char* program);
// The program pictures' folder for a launcher at `launcherPath`: $KOREL_SEED's "Controls" when
// `seedEnv` is given, else the installed "<prefix>/share/korel/seed/Controls", else the build
// tree's "seed/Controls". Empty when none exists.
std::string pictureFolderFor(const std::string& launcherPath, const char* seedEnv);

// The logo (picture 128) with the colours of its own colour table, as 0xAARRGGBB rows. False,
// `out` untouched, for a file that is missing, short, or not an 8-bit picture of its size.
struct Logo {
    int width = 0, height = 0;
    std::vector<uint32_t> argb;
};
bool loadLogo(const std::string& pictureFolder, Logo& out);

// Runs the edition's session to its end once it has been started in `watch`:
// - the edition ends by itself: done;
// - the edition asks us to end (a terminate request sent by the edition itself): it is on its
//   way out, so it is only waited for;
// - anyone else asks us to end (xscreensaver, the session): the request is passed on to the
//   edition, whose own terminate path saves its last session.
// Waits for an edition on its way out are bounded by `graceMs`, after which it is killed.
// Returns when no edition is left.
void superviseEdition(ProcessWatch& watch, int graceMs);

}  // namespace korel
