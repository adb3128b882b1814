// Set files: the slots of one category (gradients, fills, brushes with their attachments,
// movements with their parameters) saved under a name in "Settings".
#pragma once

#include <string>

#include "persist/visual_state.h"
#include "core/services.h"

namespace korel {

enum class SetKind { Gradient, Fill, Brush, Movement };

// What loading a set needs from the engine and the trigger engine.
class SetLoader {
public:
    virtual ~SetLoader() = default;
    // Loads the named asset into a 0-based slot of its kind (gradient 0-7, fill, movement 0-5).
    virtual bool loadGradient(int slot, const std::string& name) = 0;
    virtual bool loadFill(int slot, const std::string& name) = 0;
    virtual bool loadMovement(int slot, const std::string& name) = 0;
    virtual bool loadBrush(int slot, const std::string& name) = 0;
    // The trigger engine's apply operation with a change code (1 gradient, 4 fill, 9 movement,
    // 10 brush) and a 0-based slot.
    virtual void applyChange(int code, int slot) = 0;
};

const char* setExtension(SetKind kind);
// "Settings/<name><ext>" under the data folder.
std::string setPath(const Services& services, SetKind kind, const std::string& name);

// The set file's bytes for the current record.
Bytes encodeSet(const VisualState& state, SetKind kind);

// Saves the set and, on success, names it in the record's set-name field. The old file stays
// intact when the write fails ("File write error!").
bool saveSet(Services& services, VisualState& state, SetKind kind, const std::string& name);

// Loads the set: assets whose names differ are loaded, then the file's current slot is applied
// and the set name recorded. A missing file, a wrong letter or a truncated file changes nothing
// and shows its message.
bool loadSet(Services& services, VisualState& state, SetKind kind, const std::string& name,
             SetLoader& loader);

}  // namespace korel
