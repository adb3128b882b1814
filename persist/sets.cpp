// Gradient, fill, brush and movement set files.
#include "persist/sets.h"

#include <cstring>

#include "persist/attachments.h"
#include "persist/program_files.h"
#include "platform/files.h"

namespace korel {

namespace {

constexpr uint8_t kVersion = 3;

struct Block {
    size_t offset;
    size_t size;
};

// Record slices, in file order.
constexpr Block kGradientBlock{vs::GradientCount, 130};   // 542-671
constexpr Block kFillBlock{vs::FillCount, 98};            // 839-936
constexpr Block kBrushBlock{vs::BrushCount, 98};          // 55-152
constexpr Block kAttachBlock{vs::AttachmentEntrySize, 373};  // 169-541
constexpr Block kMovementBlock{vs::MovementCount, 98};    // 688-785
constexpr Block kParamsBlock{vs::ParamsPerMovement, 37};  // 802-838

char letter(SetKind k) {
    switch (k) {
        case SetKind::Gradient: return 'g';
        case SetKind::Fill: return 'f';
        case SetKind::Brush: return 'B';
        case SetKind::Movement: return 'm';
    }
    return '?';
}

const char* invalidMessage(SetKind k) {
    switch (k) {
        case SetKind::Gradient: return "Not a valid gradient set file!";
        case SetKind::Fill: return "Not a valid fill set file!";
        case SetKind::Brush: return "Not a valid brush set file!";
        case SetKind::Movement: return "Not a valid movement set file!";
    }
    return "";
}

size_t setNameOffset(SetKind k) {
    switch (k) {
        case SetKind::Gradient: return vs::GradientSetName;
        case SetKind::Fill: return vs::FillSetName;
        case SetKind::Brush: return vs::BrushSetName;
        case SetKind::Movement: return vs::MovementSetName;
    }
    return vs::GradientSetName;
}

std::vector<Block> blocks(SetKind k, bool oldBrushForm) {
    switch (k) {
        case SetKind::Gradient: return {kGradientBlock};
        case SetKind::Fill: return {kFillBlock};
        case SetKind::Movement: return {kMovementBlock, kParamsBlock};
        case SetKind::Brush:
            if (oldBrushForm) return {kBrushBlock, kAttachBlock, kGradientBlock, kMovementBlock};
            return {kBrushBlock, kAttachBlock, kGradientBlock, kMovementBlock, kFillBlock};
    }
    return {};
}

// A slot-name block as read from the file: count, current slot, names.
struct SlotBlock {
    const uint8_t* bytes;
    int count;
    std::string name(int slot) const { return readNameField(bytes + 2 + size_t(slot) * kNameField); }
    int current() const { return bytes[1]; }
};

}  // namespace

const char* setExtension(SetKind kind) {
    switch (kind) {
        case SetKind::Gradient: return ".gst";
        case SetKind::Fill: return ".fst";
        case SetKind::Brush: return ".bst";
        case SetKind::Movement: return ".mst";
    }
    return "";
}

std::string setPath(const Services& services, SetKind kind, const std::string& name) {
    return services.dataPath("Settings/" + name + setExtension(kind));
}

Bytes encodeSet(const VisualState& state, SetKind kind) {
    ByteWriter w;
    w.u8(uint8_t(letter(kind)));
    w.u8(0);
    w.u8(kVersion);
    w.u8(uint8_t(kNameField));
    for (const Block& b : blocks(kind, false)) w.bytes({state.at(b.offset), b.size});
    return w.data();
}

bool saveSet(Services& services, VisualState& state, SetKind kind, const std::string& name) {
    static const FileKind kinds[] = {FileKind::GradientSet, FileKind::FillSet, FileKind::BrushSet,
                                     FileKind::MovementSet};
    if (!writeProgramFile(services, kinds[int(kind)], name, encodeSet(state, kind))) return false;
    state.setName(setNameOffset(kind), name);
    return true;
}

bool loadSet(Services& services, VisualState& state, SetKind kind, const std::string& name,
             SetLoader& loader) {
    // Attached gradients, fills or movements must be detached before a set replaces them.
    if (kind != SetKind::Brush) {
        AttachedCategory c = kind == SetKind::Gradient ? AttachedCategory::Gradient
                             : kind == SetKind::Fill   ? AttachedCategory::Fill
                                                       : AttachedCategory::Movement;
        std::string refusal = setProtection(state, c);
        if (!refusal.empty()) {
            services.showAlert(refusal);
            return false;
        }
    }

    Bytes file;
    if (readWholeFile(setPath(services, kind, name), file, 1 << 16) != 0) {
        services.showAlert("Unable to load file set!");
        return false;
    }
    if (file.size() < 6) {
        services.showAlert(file.empty() ? invalidMessage(kind) : "End of file error!");
        return false;
    }
    const char want = letter(kind);
    const bool oldBrush = kind == SetKind::Brush && file[0] == 'b';
    if (file[0] != uint8_t(want) && !oldBrush) {
        services.showAlert(invalidMessage(kind));
        return false;
    }
    // The whole content is checked before anything changes, so a truncated or corrupt file
    // leaves the record as it was.
    size_t need = 4;
    for (const Block& b : blocks(kind, oldBrush)) need += b.size;
    if (file.size() < need) {
        services.showAlert("End of file error!");
        return false;
    }
    std::vector<const uint8_t*> at;
    size_t pos = 4;
    for (const Block& b : blocks(kind, oldBrush)) {
        at.push_back(file.data() + pos);
        pos += b.size;
    }
    auto slotsValid = [](const uint8_t* block, int count) {
        return block[1] >= 1 && block[1] <= count;
    };

    switch (kind) {
        case SetKind::Gradient: {
            if (!slotsValid(at[0], kGradientSlots)) break;
            SlotBlock g{at[0], kGradientSlots};
            for (int i = 0; i < kGradientSlots; ++i)
                if (g.name(i) != state.name(VisualState::gradientName(i))) loader.loadGradient(i, g.name(i));
            loader.applyChange(1, g.current() - 1);
            state.setName(vs::GradientSetName, name);
            return true;
        }
        case SetKind::Fill: {
            if (!slotsValid(at[0], kFillSlots)) break;
            SlotBlock f{at[0], kFillSlots};
            for (int i = 0; i < kFillSlots; ++i)
                if (f.name(i) != state.name(VisualState::fillName(i))) loader.loadFill(i, f.name(i));
            loader.applyChange(4, f.current() - 1);
            state.setName(vs::FillSetName, name);
            return true;
        }
        case SetKind::Movement: {
            if (!slotsValid(at[0], kMovementSlots)) break;
            SlotBlock m{at[0], kMovementSlots};
            for (int i = 0; i < kMovementSlots; ++i)
                if (m.name(i) != state.name(VisualState::movementName(i))) loader.loadMovement(i, m.name(i));
            // The parameter-count byte is skipped; the 36 parameter bytes follow it.
            std::memcpy(state.at(vs::MovementParams), at[1] + 1, 36);
            loader.applyChange(9, m.current() - 1);
            state.setName(vs::MovementSetName, name);
            return true;
        }
        case SetKind::Brush: {
            if (!slotsValid(at[0], kBrushSlots) || !slotsValid(at[2], kGradientSlots) ||
                !slotsValid(at[3], kMovementSlots) || (!oldBrush && !slotsValid(at[4], kFillSlots)))
                break;
            SlotBlock b{at[0], kBrushSlots};
            for (int i = 0; i < kBrushSlots; ++i)
                if (b.name(i) != state.name(VisualState::brushName(i))) loader.loadBrush(i, b.name(i));
            std::memcpy(state.at(vs::AttachmentEntrySize), at[1], kAttachBlock.size);
            state.set(vs::AttachmentEntrySize, kAttachmentSize);
            SlotBlock g{at[2], kGradientSlots};
            SlotBlock m{at[3], kMovementSlots};
            for (int brush = 0; brush < kBrushSlots; ++brush) {
                const size_t e = VisualState::attachment(brush);
                int gs = state.get(e + att::Gradient);
                if (gs >= 1 && gs <= kGradientSlots &&
                    g.name(gs - 1) != state.name(VisualState::gradientName(gs - 1)))
                    loader.loadGradient(gs - 1, g.name(gs - 1));
                int ms = state.get(e + att::Movement);
                if (ms >= 1 && ms <= kMovementSlots &&
                    m.name(ms - 1) != state.name(VisualState::movementName(ms - 1)))
                    loader.loadMovement(ms - 1, m.name(ms - 1));
                if (!oldBrush) {
                    SlotBlock f{at[4], kFillSlots};
                    int fs = state.get(e + att::Fill);
                    if (fs >= 1 && fs <= kFillSlots &&
                        f.name(fs - 1) != state.name(VisualState::fillName(fs - 1)))
                        loader.loadFill(fs - 1, f.name(fs - 1));
                }
            }
            loader.applyChange(10, b.current() - 1);
            state.setName(vs::BrushSetName, name);
            return true;
        }
    }
    services.showAlert(invalidMessage(kind));
    return false;
}

}  // namespace korel
