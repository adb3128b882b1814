// The ".mvm" loader, parameter values, and starting and running movements.
#include "engine/movement.h"

#include <algorithm>

#include "engine/brush.h"
#include "engine/coded_image.h"

namespace korel {

MovementAsset emptyMovement() {
    MovementAsset m;
    appendInstruction(m.programs.blocks[kStartProgram], pf::xp, literalField(4), pf::xc, pf::PR);
    return m;
}

MovementSlots::MovementSlots() {
    slots.fill(emptyMovement());
}

const char* decodeMovement(std::span<const uint8_t> file, MovementAsset& out, Surface* icon) {
    if (file.empty() || file[0] != mvm::kTag) return kNotValidFile;
    ByteReader in(file);
    uint16_t iconLength = 0;
    if (!in.seek(mvm::IconLength) || !in.le16(iconLength) || !in.seek(mvm::Icon))
        return kEndOfFileError;
    bool ok = false;
    auto iconCode = in.take(iconLength, ok);
    if (!ok) return kEndOfFileError;
    // A zero length is a movement without an icon: `icon` becomes empty and no picture is drawn.
    Surface iconImage;
    if (!iconCode.empty()) {
        iconImage.resize(mvm::kIconSize, mvm::kIconSize);
        if (!decodeZeroRunImage(iconCode, iconImage)) return kNotValidFile;
    }

    MovementAsset m;
    uint8_t centred = 0, count = 0;
    if (!in.u8(centred) || !in.u8(count)) return kEndOfFileError;
    if (count > mvm::kMaxParams) return kNotValidFile;
    m.centred = centred != 0;
    m.paramCount = int8_t(count);
    for (auto* values : {&m.paramMin, &m.paramMax, &m.paramDefault})
        for (uint8_t i = 0; i < count; ++i)
            if (!in.s8((*values)[i])) return kEndOfFileError;
    for (uint8_t i = 0; i < count; ++i) {
        auto field = in.take(mvm::kParamNameSize, ok);
        if (!ok) return kEndOfFileError;
        m.paramNames[i] = readNameField(field.data(), mvm::kParamNameSize);
    }
    for (uint8_t i = 0; i < count; ++i) {
        auto field = in.take(mvm::kParamDescriptionSize, ok);
        if (!ok) return kEndOfFileError;
        m.paramDescriptions[i] = readNameField(field.data(), mvm::kParamDescriptionSize);
    }
    if (const char* message = trailerMessage(readProgramTrailer(in, m.programs)))
        return message;
    out = std::move(m);
    if (icon) *icon = std::move(iconImage);
    return nullptr;
}

void chooseParameterValues(const MovementAsset& movement, uint8_t* params, Random& random,
                           bool onlyUnfixed) {
    for (int i = 0; i < movement.paramCount && i < mvm::kMaxParams; ++i) {
        const bool randomDefault = movement.paramDefault[size_t(i)] == mvm::kRandomDefault;
        if (onlyUnfixed) {
            if (params[3 + i] != 0) continue;
        } else if (!randomDefault) {
            params[i] = uint8_t(movement.paramDefault[size_t(i)]);
            params[3 + i] = 1;
            continue;
        }
        const int lo = movement.paramMin[size_t(i)], hi = movement.paramMax[size_t(i)];
        // trunc toward zero, as the integer arithmetic it stands for.
        const int64_t drawn = int64_t(random.next()) * (hi - lo + 1) / 32768;
        params[i] = uint8_t(int8_t(lo + drawn));
        params[3 + i] = 0;
    }
}

bool loadMovement(Services& services, VisualState& state, AssetHooks& hooks, MovementSlots& slots,
                  int slot, std::string_view name, const LoadOptions& options) {
    if (slot < 0 || slot >= kMovementSlots) return false;
    MovementAsset& target = slots.slots[size_t(slot)];
    auto emptied = [&] {
        target = emptyMovement();
        if (options.redrawCell)
            hooks.redrawSlotCell(AssetKind::Movement, slot, kNoneName, nullptr, 0);
    };
    if (isNoneName(name)) {
        emptied();
        finishLoad(services, state, hooks, AssetKind::Movement, slot, name, options);
        return true;
    }
    Bytes file;
    switch (readAsset(services, AssetKind::Movement, name, file, options.suppressMessages)) {
        case ReadResult::Ok:
            break;
        case ReadResult::ReadFailed:
            return false;
        case ReadResult::CannotOpen:
            clearSlotName(state, AssetKind::Movement, slot);
            assetMessage(services, assetOpenMessage(AssetKind::Movement), options.suppressMessages);
            emptied();
            return false;
    }
    if (!checkTag(services, file, mvm::kTag, mvm::kTag, options.suppressMessages)) return false;
    MovementAsset loaded;
    Surface icon;
    if (const char* message = decodeMovement(file, loaded, &icon)) {
        assetMessage(services, message, options.suppressMessages);
        return false;
    }
    target = std::move(loaded);
    finishLoad(services, state, hooks, AssetKind::Movement, slot, name, options);
    if (options.chooseParameters)
        chooseParameterValues(target, state.at(VisualState::movementParams(slot)),
                              services.random());
    if (options.redrawCell)
        hooks.redrawSlotCell(AssetKind::Movement, slot, name, icon.empty() ? nullptr : &icon, 0);
    return true;
}

MovementInputs movementInputs(const Services& services, const VisualState& state,
                              const BrushAsset* brush, int movementSlot, double soundLevel) {
    MovementInputs in;
    in.centreX = services.shell().centreX;
    in.centreY = services.shell().centreY;
    if (in.centreX <= 0 || in.centreY <= 0) {
        // Before the shell has set the centre (tests, tools) it is the picture's.
        const Rect& picture = services.display().windowRect;
        in.centreX = picture.width() / 2.0;
        in.centreY = picture.height() / 2.0;
    }
    in.soundLevel = soundLevel;
    in.spread = int8_t(state.get(vs::MovementSpread));
    if (brush) {
        in.frameWidth = brush->frameWidth;
        in.frameHeight = brush->height;
        in.extentRight = brush->extentRight;
        in.extentBottom = brush->extentBottom;
        in.cycleLength = brush->cycleLength;
    }
    const int slot = std::clamp(movementSlot, 0, kMovementSlots - 1);
    const uint8_t* params = state.at(VisualState::movementParams(slot));
    for (size_t i = 0; i < in.params.size(); ++i) in.params[i] = int8_t(params[i]);
    return in;
}

void startMovement(MovementSlots& slots, int slot, const MovementInputs& in,
                   MovementMachine& machine, Random& random) {
    if (slot < 0 || slot >= kMovementSlots) return;
    slots.current = slot;
    MovementAsset& m = slots.slots[size_t(slot)];
    m.stampCount = 1;
    runMovementProgram(m.programs.program(kStartProgram), m.centred, in, machine, m.stampCount,
                       random);
    runMovementProgram(m.programs.program(kBeatProgram), m.centred, in, machine, m.stampCount,
                       random);
}

void runMovement(MovementSlots& slots, MovementProgram program, const MovementInputs& in,
                 MovementMachine& machine, Random& random) {
    MovementAsset& m = slots.slots[size_t(std::clamp(slots.current, 0, kMovementSlots - 1))];
    runMovementProgram(m.programs.program(program), m.centred, in, machine, m.stampCount, random);
}

}  // namespace korel
