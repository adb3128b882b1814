// A LIVE program (or another edition) started on the headless platform in a fresh data folder, with one silent
// "Line In" line to listen to (and, for the CD edition, a drive without a disc).
#pragma once

#include <memory>

#include "platform/headless/headless_cd.h"
#include "platform/headless/headless_sound.h"
#include "shell/program.h"
#include "support/test_services.h"

namespace korel::test {

struct RunningLive {
    explicit RunningLive(int width = 640, int height = 480, Edition edition = Edition::LIVE)
        : platform(width, height), sound(platform), cd(platform) {
        sound.addLine("Line In", LineType::Line);
        cd.addDrive("/dev/sr0", "Headless CD");
        ProgramOptions o;
        o.cdSystem = &cd;
        o.dataFolder = temp.file("data");
        o.configFolder = temp.file("config");
        o.lockFolder = temp.path();
        o.seedFolder = KOREL_SEED_DIR;
        o.soundInput = &sound;
        program = std::make_unique<Program>(platform, edition, o);
        ok = program->start("");
    }
    TempFolder temp;
    HeadlessPlatform platform;
    HeadlessSound sound;
    HeadlessCdSystem cd;
    std::unique_ptr<Program> program;
    bool ok = false;
};

}  // namespace korel::test
