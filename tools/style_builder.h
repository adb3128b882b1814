// Style files (.sty) built from named settings, and written back as named settings.
#pragma once

#include <string>
#include <string_view>

#include "persist/visual_state.h"
#include "tools/source_text.h"

namespace korel::tools {

// Builds a style. `defaultName` is the style name used when the source sets none (the output
// file's name); `folder` is where a `base "file.sty"` path is looked up.
bool buildStyle(std::string_view source, const std::string& defaultName, const std::string& folder,
                VisualState& out, Diagnostic& error);

// Reads a style file: 1006 bytes (longer files are cut), or a 953-byte version-1 file, which is
// upgraded. The first byte must be "S".
bool readStyleFile(std::span<const uint8_t> bytes, VisualState& out, std::string& error);

// Every setting by name; building the text again gives the same 1006 bytes.
std::string styleToSettings(const VisualState& state);

}  // namespace korel::tools
