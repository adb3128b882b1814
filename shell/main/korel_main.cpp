// The entry point of korel-cd, korel-mp3 and korel-live (KOREL_EDITION picks the edition).
#include <iostream>
#include <memory>
#include <string>

#include "platform/cdio/cdio_drive.h"
#include "platform/desktop/desktop_platform.h"
#include "platform/pulse/pulse_music.h"
#include "platform/pulse/pulse_sound.h"
#include "shell/program.h"

namespace {
// The edition this program was built as; a variable, so comparing it is no constant condition.
const korel::Edition kEdition = korel::Edition::KOREL_EDITION;
}  // namespace

int main(int argc, char** argv) {
    // The command line is the text after the program name, as one string.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }
    auto platform = korel::makeDesktopPlatform();
    if (!platform) {
        std::cerr << "Korel: cannot open the display.\n";
        return 1;
    }
    korel::PulseSoundInput sound;
    korel::ProgramOptions options;
    options.soundInput = &sound;
    // The CD edition plays discs through the sound server and listens to what it plays there.
    std::unique_ptr<korel::CdioCdSystem> cd;
    if (kEdition == korel::Edition::CD) {
        cd = std::make_unique<korel::CdioCdSystem>();
        options.cdSystem = cd.get();
        sound.setCdChannel(true);
    }
    // The MP3 edition plays its songs through the sound server.
    std::unique_ptr<korel::PulseMusicGraph> music;
    if (kEdition == korel::Edition::MP3) {
        music = std::make_unique<korel::PulseMusicGraph>();
        options.musicGraph = music.get();
    }
    korel::Program program(*platform, kEdition, options);
    return program.run(commandLine);
}
