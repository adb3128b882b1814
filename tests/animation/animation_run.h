// Shared set-up of the animation tests: a data folder made from the bundled library, a style
// placed as the last session, and a whole program on the headless platform driven pass by pass.
#pragma once

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "persist/visual_state.h"
#include "platform/files.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/headless_sound.h"
#include "shell/data_folder.h"
#include "shell/program.h"
#include "support/test_services.h"

namespace korel::test {

// Writes a style file byte for byte: a style is the record's 1006 bytes.
inline bool placeStyle(const std::string& dataFolder, const std::string& name,
                       const VisualState& record) {
    VisualState named = record;
    named.setName(vs::StyleName, name);
    if (createFolders(dataFolder + "/Styles") != 0) return false;
    return writeFileReplacing(dataFolder + "/Styles/" + name + ".sty",
                              Bytes(named.bytes.begin(), named.bytes.end())) == 0;
}

// The default record with listening off, so beats come from the tempo (beats per minute x 100).
inline VisualState tempoState(uint16_t tempo) {
    VisualState s = defaultVisualState();
    s.setSwitch(vs::kSwitchListening, false);
    s.setTempo(tempo);
    return s;
}

// 11025 Hz 8-bit mono: a tone at `hertz` sounding for `onMs` at the start of every `periodMs`.
inline std::vector<uint8_t> pulsedTone(double hertz, int periodMs, int onMs, int seconds) {
    const int rate = 11025;
    std::vector<uint8_t> s(size_t(rate) * size_t(seconds), 128);
    for (size_t i = 0; i < s.size(); ++i) {
        const int ms = int(i * 1000 / rate) % periodMs;
        if (ms < onMs)
            s[i] = uint8_t(128 + std::lround(110 * std::sin(2 * M_PI * hertz * double(i) / rate)));
    }
    return s;
}

// One program on its own folders. The data folder is filled from the bundled library before
// the program starts, which lets a test arrange "Styles" first (the program seeds an asset
// folder again only when it is missing or empty).
struct ProgramRun {
    explicit ProgramRun(int width = 640, int height = 480, Edition e = Edition::LIVE)
        : platform(width, height), sound(platform), edition(e) {
        sound.addLine("Line In", LineType::Line);
        options.soundInput = &sound;
        options.dataFolder = temp.file("data");
        options.configFolder = temp.file("config");
        options.lockFolder = temp.path();
        options.seedFolder = KOREL_SEED_DIR;
        seedDataFolder(KOREL_SEED_DIR, options.dataFolder);
    }

    // The bundled library brings styles of its own; tests that count styles start without.
    void removeStyles() {
        std::error_code ec;
        std::filesystem::remove_all(options.dataFolder + "/Styles", ec);
    }

    bool start() {
        program = std::make_unique<Program>(platform, edition, options);
        return program->start("");
    }

    // Handles every waiting event, then runs one pass with none waiting (one frame tick).
    void pump() {
        for (int i = 0; i < 1000 && platform.hasPending() && program->phase() != Phase::Ended; ++i)
            program->pass();
        program->pass();
    }

    // Advances the clock in `step` ms steps, one frame tick each.
    void run(uint32_t ms, uint32_t step = 10) {
        for (uint32_t t = 0; t < ms && program->phase() == Phase::Running; t += step) {
            platform.advance(step);
            pump();
        }
    }

    // Quits as the user does and lets the closing play out.
    void quit() {
        if (program->phase() == Phase::Running) program->quitProgram();
        for (int i = 0; i < 10000 && program->phase() != Phase::Ended; ++i) {
            platform.advance(10);
            program->pass();
        }
    }

    // A fresh program on the same folders and platform (the previous one must have ended).
    // The quit message the old one posted at shutdown is dropped first.
    bool restart() {
        program.reset();
        Event e;
        while (platform.pollEvent(e)) {
        }
        return start();
    }

    std::string data(const std::string& relative) const {
        return options.dataFolder + "/" + relative;
    }

    TempFolder temp;
    HeadlessPlatform platform;
    HeadlessSound sound;
    Edition edition;
    ProgramOptions options;
    std::unique_ptr<Program> program;
};

}  // namespace korel::test
