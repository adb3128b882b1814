// Brush attachments protect the slots and effects they name: the refusal messages.
#pragma once

#include <string>

#include "persist/visual_state.h"

namespace korel {

enum class AttachedCategory { Gradient, Fill, Movement, BrushEffect, BrushColourEffect, FillColourEffect };

// Loading another asset into a gradient, fill or movement slot (0-based) that some brush's
// attachment names. Empty when allowed.
std::string slotProtection(const VisualState& state, AttachedCategory category, int slot);

// Loading a new effect of this kind while a brush has one attached. Empty when allowed.
std::string effectProtection(const VisualState& state, AttachedCategory category);

// Loading a gradient, fill or movement set while any brush has one of them attached.
std::string setProtection(const VisualState& state, AttachedCategory category);

}  // namespace korel
