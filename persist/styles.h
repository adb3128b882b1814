// Style files: a style is the 1006 bytes of a visual state (953 for the older version 1).
#pragma once

#include <string>

#include "persist/visual_state.h"
#include "platform/bytes.h"
#include "core/services.h"

namespace korel {

enum class StyleRead { Loaded, Missing, Invalid, Truncated };

// Decodes a style file's bytes (upgrading version 1). `out` is changed only when Loaded.
StyleRead decodeStyle(const Bytes& file, VisualState& out);

// The record a style save writes: the captured state named after the style, with the five
// thresholds 0 when manual mode is on.
VisualState styleToSave(const VisualState& captured, const std::string& name, bool manualMode);
// The keyboard's save-style copy: every beat counter off.
VisualState keyboardStyleCopy(const VisualState& current);

// Writes Styles/<name>.sty, making the folder when missing; the old file survives a failure.
bool writeStyle(Services& services, const VisualState& record, const std::string& name);

// The song-start state a rave file carries: after its 4-byte header, an identity block when it
// is tagged "r" (32 bytes in the MP3 edition, 44 in the CD edition; none for "R"), then the
// record's bytes 4-1005 (949 bytes for version 1, upgraded). `out` changes only on success.
StyleRead decodeRaveState(const Bytes& file, Edition edition, VisualState& out);

// True when both records make the same fill slot current and name the same fill in it: applying
// the second after the first need not draw the fill again.
bool sameFill(const VisualState& before, const VisualState& after);

// Loads a style by name. A missing file gives the default record; an invalid or short one shows
// "Not a valid style file!" ("End of file error!" when short) and fails, except that a missing or
// bad "Last_Session" silently gives the default record.
bool readStyleByName(Services& services, const std::string& name, VisualState& out);

}  // namespace korel
