// Attachment protection messages.
#include "persist/attachments.h"

namespace korel {

namespace {

const char* word(AttachedCategory c) {
    switch (c) {
        case AttachedCategory::Gradient: return "gradient";
        case AttachedCategory::Fill: return "fill";
        case AttachedCategory::Movement: return "movement";
        case AttachedCategory::BrushEffect: return "brush effect";
        case AttachedCategory::BrushColourEffect: return "brush color effect";
        case AttachedCategory::FillColourEffect: return "fill color effect";
    }
    return "";
}

// The byte of an attachment entry that holds the category's value.
size_t entryByte(AttachedCategory c) {
    switch (c) {
        case AttachedCategory::Gradient: return att::Gradient;
        case AttachedCategory::Fill: return att::Fill;
        case AttachedCategory::Movement: return att::Movement;
        case AttachedCategory::BrushEffect: return att::BrushEffect;
        case AttachedCategory::BrushColourEffect: return att::BrushColourEffect;
        case AttachedCategory::FillColourEffect: return att::FillColourEffect;
    }
    return att::Gradient;
}

std::string head(const char* article, AttachedCategory c, int brush) {
    return std::string(article) + word(c) + " is attached to brush number " + std::to_string(brush + 1);
}

}  // namespace

std::string slotProtection(const VisualState& s, AttachedCategory c, int slot) {
    for (int b = 0; b < kBrushSlots; ++b) {
        uint8_t v = s.get(VisualState::attachment(b) + entryByte(c));
        if (v != kNone80 && v == slot + 1)
            return head("This ", c, b) + " and cannot be changed until it is detached.";
    }
    return {};
}

std::string effectProtection(const VisualState& s, AttachedCategory c) {
    for (int b = 0; b < kBrushSlots; ++b) {
        if (s.get(VisualState::attachment(b) + entryByte(c)) != kNone80)
            return head("A ", c, b) + ". You cannot load a new effect until it is detached.";
    }
    return {};
}

std::string setProtection(const VisualState& s, AttachedCategory c) {
    const char* plural = c == AttachedCategory::Gradient ? "gradients"
                         : c == AttachedCategory::Fill   ? "fills"
                                                         : "movements";
    for (int b = 0; b < kBrushSlots; ++b) {
        if (s.get(VisualState::attachment(b) + entryByte(c)) != kNone80)
            return head("A ", c, b) + ". You cannot load a new set until all " + plural +
                   " are detached.";
    }
    return {};
}

}  // namespace korel
