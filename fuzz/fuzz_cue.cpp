// Fuzz target: ".cue" disc-image sheets. The files a sheet names get sizes made from their
// names, so sheets can place tracks inside, at and past the ends of their files.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/cd_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto sizeOf = [](const std::string& path, uint64_t& bytes, std::string& why) {
        uint64_t h = 1469598103934665603ull;
        for (char c : path) h = (h ^ uint8_t(c)) * 1099511628211ull;
        if (h % 7 == 0) {
            why = "missing";
            return false;
        }
        bytes = h % (2000u * korel::kCdSectorBytes);
        return true;
    };
    korel::CueSheet sheet;
    std::string reason;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (korel::parseCueSheet(text, "", sizeOf, sheet, reason)) {
        // What a reader relies on: tracks in order inside the disc, extents covering it.
        uint32_t at = korel::kCdLeadIn;
        for (const auto& e : sheet.extents) {
            if (e.start != at || e.frames == 0) __builtin_trap();
            if (e.file >= 0 && e.sector + e.frames > sheet.files[size_t(e.file)].sectors)
                __builtin_trap();
            at += e.frames;
        }
        if (at != sheet.leadOut || sheet.leadOut > korel::kCdMaxFrames) __builtin_trap();
        for (const auto& t : sheet.tracks)
            if (t.length == 0 || t.start + t.length > sheet.leadOut) __builtin_trap();
    }
    return 0;
}
