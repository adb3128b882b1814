// The hover help's texts: one per HoverId, in the form title, "\r\r", description, with an
// optional shortcut paragraph at the end ("\r\rShortcut Key = W (Wipe)."). Shared paragraphs are
// written once and assembled; the state decides among a text's variants.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/services.h"

namespace korel {

// What the variants of the texts depend on.
struct HelpContext {
    Edition edition = Edition::MP3;
    bool discPresent = false;        // CD edition: a disc is in the drive ("Total Song Time")
    int panel = 0;                   // the panel showing: the tap buttons name its kind of beat
    int entryLimit = 15;             // the text field's limit of letters
    std::string_view parameterName;  // PARAMETER DETAILS: the parameter the slider sets
};

// Writes the text of `hoverId` into `out`, reusing its capacity (no allocation once it is large
// enough for the longest text); false, with `out` empty, when the id has no text.
bool helpText(int hoverId, const HelpContext& ctx, std::string& out);
// The title: the text up to its first carriage return.
std::string_view helpTitle(std::string_view text);
// Room enough for every text; reserve it once and assembling never allocates.
constexpr size_t kHelpTextCapacity = 1536;

// Every HoverId the window can produce in an edition, 0 and 65535 included.
std::vector<int> hoverIds(Edition edition);

}  // namespace korel
