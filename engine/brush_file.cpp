// Writers of ".bru" and ".mvm" files in the loaders' layout.
#include "engine/brush_file.h"

#include "engine/coded_image.h"

namespace korel {

bool buildBrushFile(const BrushFileContent& desc, Bytes& out) {
    const Surface& strip = desc.colour.empty() ? desc.mask : desc.colour;
    if (strip.empty() || desc.ownColours.size() > bru::kMaxOwnColours) return false;
    const int width = strip.width(), height = strip.height();
    Bytes icon, colour, mask;
    Surface blankIcon(bru::kIconSize, bru::kIconSize, kColourKey);
    if (!encodeCodedImage(desc.icon.empty() ? blankIcon : desc.icon, icon)) return false;
    if (!desc.colour.empty() && !encodeCodedImage(desc.colour, colour)) return false;
    if (!desc.mask.empty()) mask = encodeMask(desc.mask, width, desc.plainMask);

    ByteWriter w;
    w.u8(bru::kTag);
    w.u8(3);
    w.u8(1);
    w.le16(uint16_t(width));
    w.le16(uint16_t(height));
    w.le32(uint32_t(colour.size()));
    w.le32(uint32_t(mask.size()));
    w.u8(uint8_t(desc.ownColours.size()));
    w.u8(desc.iconBackdrop ? 1 : 0);
    w.u8(desc.plainMask ? bru::kPlainMask : 0);
    w.u8(0);
    w.u8(uint8_t(bru::kFrameBlockSize));
    w.u8(0);
    w.le16(uint16_t(icon.size()));
    const size_t imageOffset =
        bru::kHeaderSize + bru::kFrameBlockSize + 3 * desc.ownColours.size() + icon.size();
    w.le16(uint16_t(imageOffset));
    w.u8(desc.beatFrame ? 1 : 0);
    w.fill(0, 3);
    w.u8(1);
    w.le16(uint16_t(desc.frameCount));
    w.u8(desc.palindrome ? 1 : 0);
    for (const Rgb& c : desc.ownColours) {
        w.u8(c.r);
        w.u8(c.g);
        w.u8(c.b);
    }
    w.bytes(icon);
    w.bytes(colour);
    w.bytes(mask);
    out = std::move(w.data());
    return true;
}

bool buildMovementFile(const MovementFileContent& desc, Bytes& out) {
    Bytes icon;
    Surface blankIcon(mvm::kIconSize, mvm::kIconSize, 0);
    if (!encodeZeroRunImage(desc.icon.empty() ? blankIcon : desc.icon, icon)) return false;
    if (desc.paramCount < 0 || desc.paramCount > mvm::kMaxParams) return false;
    ByteWriter w;
    w.u8(mvm::kTag);
    w.fill(0, 4);
    w.le16(uint16_t(icon.size()));
    Bytes text(mvm::kDescriptionSize);
    writeNameField(text.data(), desc.description, mvm::kDescriptionSize);
    w.bytes(text);
    w.bytes(icon);
    w.u8(desc.centred ? 1 : 0);
    w.u8(uint8_t(desc.paramCount));
    for (const auto* values : {&desc.paramMin, &desc.paramMax, &desc.paramDefault})
        for (int i = 0; i < desc.paramCount; ++i) w.u8(uint8_t((*values)[size_t(i)]));
    for (int i = 0; i < desc.paramCount; ++i) {
        Bytes field(mvm::kParamNameSize);
        writeNameField(field.data(), desc.paramNames[size_t(i)], mvm::kParamNameSize);
        w.bytes(field);
    }
    for (int i = 0; i < desc.paramCount; ++i) {
        Bytes field(mvm::kParamDescriptionSize);
        writeNameField(field.data(), desc.paramDescriptions[size_t(i)], mvm::kParamDescriptionSize);
        w.bytes(field);
    }
    writeProgramTrailer(w, desc.programs);
    out = std::move(w.data());
    return true;
}

}  // namespace korel
