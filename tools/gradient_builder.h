// Gradient files (.gra) built from colour stops, and written back as stops.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/bytes.h"
#include "platform/types.h"
#include "tools/source_text.h"

namespace korel::tools {

constexpr int kGradientHalf = 90;
constexpr size_t kGradientFileSize = 545;  // tag, 4 unread bytes, 180 colours

struct GradientFile {
    std::array<uint8_t, 4> header{};
    std::array<Rgb, 2 * kGradientHalf> colours{};  // brush half 0-89, fill half 90-179
};

bool buildGradient(std::string_view source, GradientFile& out, Diagnostic& error);
Bytes writeGradientFile(const GradientFile& g);
bool readGradientFile(std::span<const uint8_t> bytes, GradientFile& out, std::string& error);
// Every colour as a stop, so building the text again gives the same file.
std::string gradientToStops(const GradientFile& g);

}  // namespace korel::tools
