// The entry point of korel-cd, korel-mp3 and korel-live (KOREL_EDITION picks the edition).
#include <iostream>
#include <string>

#include "platform/desktop/desktop_platform.h"
#include "platform/pulse/pulse_sound.h"
#include "shell/program.h"

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
    korel::Program program(*platform, korel::Edition::KOREL_EDITION, options);
    return program.run(commandLine);
}
