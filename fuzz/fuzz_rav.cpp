// Fuzz target: ".rav" rave files, read as both editions would read them, then written back.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "raves/rave_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const korel::Bytes file(data, data + size);
    auto rave = std::make_unique<korel::RaveState>();
    for (korel::Edition edition : {korel::Edition::MP3, korel::Edition::CD}) {
        korel::VisualState start;
        if (korel::decodeRaveFile(file, edition, start, *rave)) {
            rave->songStart = start;
            korel::encodeRaveFile(*rave, edition, {});
        }
    }
    return 0;
}
