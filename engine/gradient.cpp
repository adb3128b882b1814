// Gradient slots and the ".gra" loader.
#include "engine/gradient.h"

#include <cstdlib>

namespace korel {

Gradient defaultGradient() {
    Gradient g;
    for (int half = 0; half < 2; ++half) {
        for (int i = 0; i < kGradientHalf; ++i) {
            int red = std::abs((22950 - 510 * i) / 90);
            g.colours[size_t(half * kGradientHalf + i)] = Rgb{uint8_t(red), 0, 0};
        }
    }
    return g;
}

bool decodeGradient(std::span<const uint8_t> file, Gradient& out, bool* truncated) {
    if (truncated) *truncated = false;
    if (file.empty() || file[0] != gra::kTag) return false;
    ByteReader reader(file);
    if (!reader.seek(gra::kColoursOffset) || reader.remaining() < gra::kColourBytes) {
        if (truncated) *truncated = true;
        return false;
    }
    Gradient g;
    for (Rgb& c : g.colours) {
        reader.u8(c.r);
        reader.u8(c.g);
        reader.u8(c.b);
    }
    out = g;
    return true;
}

bool loadGradient(Services& services, VisualState& state, AssetHooks& hooks, GradientSlots& slots,
                  int slot, std::string_view name, const LoadOptions& options) {
    if (slot < 0 || slot >= kGradientSlots) return false;
    Gradient& target = slots.slots[size_t(slot)];
    if (isNoneName(name)) {
        target = defaultGradient();
        finishLoad(services, state, hooks, AssetKind::Gradient, slot, name, options);
        if (options.redrawCell) {
            hooks.redrawSlotCell(AssetKind::Gradient, slot, kNoneName, nullptr, 0);
        }
        return true;
    }
    Bytes file;
    switch (readAsset(services, AssetKind::Gradient, name, file, options.suppressMessages)) {
        case ReadResult::Ok:
            break;
        case ReadResult::ReadFailed:
            return false;
        case ReadResult::CannotOpen:
            target = defaultGradient();
            clearSlotName(state, AssetKind::Gradient, slot);
            assetMessage(services, assetOpenMessage(AssetKind::Gradient), options.suppressMessages);
            if (options.redrawCell) {
                hooks.redrawSlotCell(AssetKind::Gradient, slot, kNoneName, nullptr, 0);
            }
            return false;
    }
    if (!checkTag(services, file, gra::kTag, gra::kTag, options.suppressMessages)) return false;
    bool truncated = false;
    Gradient loaded;
    if (!decodeGradient(file, loaded, &truncated)) {
        assetMessage(services, truncated ? kEndOfFileError : kNotValidFile,
                     options.suppressMessages);
        return false;
    }
    target = loaded;
    finishLoad(services, state, hooks, AssetKind::Gradient, slot, name, options);
    if (options.redrawCell) hooks.redrawSlotCell(AssetKind::Gradient, slot, name, nullptr, 0);
    return true;
}

}  // namespace korel
