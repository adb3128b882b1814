// The popups' share of the controls link: the folder listings, choosing files for slots,
// effects, styles and sets (with the attachment refusals), deleting listed files, and decoding
// a hovered file for its preview.
#include <algorithm>

#include "engine/brush.h"
#include "engine/effect.h"
#include "engine/fill.h"
#include "engine/gradient.h"
#include "engine/movement.h"
#include "engine/palette_range.h"
#include "persist/attachments.h"
#include "persist/program_files.h"
#include "platform/files.h"
#include "shell/conductor.h"
#include "shell/controls_link.h"
#include "shell/cd_link.h"
#include "shell/music_link.h"
#include "shell/program.h"

namespace korel {

namespace {

constexpr const char* kCannotPreview = "Unable \rto open!";
constexpr int kPreviewColours = 45;
constexpr uint8_t kFirstPreviewEntry = 201;

size_t currentOffset(AssetKind kind) {
    switch (kind) {
        case AssetKind::Gradient: return vs::CurrentGradient;
        case AssetKind::Fill: return vs::CurrentFill;
        case AssetKind::Brush: return vs::CurrentBrush;
        default: return vs::CurrentMovement;
    }
}

int changeCode(AssetKind kind) {
    switch (kind) {
        case AssetKind::Gradient: return kChangeGradient;
        case AssetKind::Fill: return kChangeFill;
        case AssetKind::Brush: return kChangeBrush;
        default: return kChangeMovement;
    }
}

// A fixed-size text field of a file (a description), up to its first NUL.
std::string fileText(const Bytes& file, size_t offset, size_t size) {
    if (file.size() <= offset) return {};
    const size_t n = std::min(size, file.size() - offset);
    std::string s(reinterpret_cast<const char*>(file.data() + offset), n);
    const size_t nul = s.find('\0');
    if (nul != std::string::npos) s.resize(nul);
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

// The 45 preview colours of a fill or brush: every second colour of its range (its own colours
// when it has them, else what the range shows now), the last one repeated to fill 45.
std::vector<Rgb> previewColours(const Palette& palette, uint8_t rangeFirst, int ownCount,
                                const OwnColours& own) {
    std::vector<Rgb> out;
    for (int i = 0; i < kPreviewColours; ++i) {
        const int k = 2 * i;
        if (ownCount > 0) {
            const int j = std::min(k, ownCount - 1);
            out.push_back(own[size_t(j)]);
        } else {
            const PaletteEntry& e = palette[size_t(rangeFirst + std::min(k, kRangeSize - 1))];
            out.push_back(Rgb{e.r, e.g, e.b});
        }
    }
    return out;
}

// The picture with the range's indices moved onto the preview entries (two range entries per
// preview entry); other indices are kept.
Surface previewPicture(const Surface& from, uint8_t rangeFirst) {
    Surface s(std::min(from.width(), 128), std::min(from.height(), 48), 0);
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            const int v = from.at(x, y);
            const int k = v - rangeFirst;
            s.set(x, y, k >= 0 && k < kRangeSize ? uint8_t(kFirstPreviewEntry + k / 2) : uint8_t(v));
        }
    return s;
}

}  // namespace

// --- Opening ------------------------------------------------------------------------------------

void ControlsLink::openPopup(int id, int slot, const Rect& at) {
    controls_.popups().open(id, slot, at);
}

void ControlsLink::previewGradient(int slot) {
    const Rect row = rowRect(Box::Gradients, slot);
    controls_.popups().previewGradientButton(
        slot, Rect{kGradientPreviewButtons.left, row.top, kGradientPreviewButtons.right, row.bottom});
}

std::vector<std::string> ControlsLink::listNames(const std::string& folder, const std::string& ext,
                                                 int width) {
    std::string items;
    // The raves listed are the current song's: its own folder below "Raves".
    std::string from = folder;
    if ((folder == "Raves" || folder == "CD Lists") && program_.songs()) {
        // A disc's CD lists live beside its raves, in the disc folder.
        const SongRaveFields song = program_.songs()->raveFields();
        if (song.raveFolder.empty()) return {};
        from = "Raves/" + song.raveFolder;
    }
    if (!listFolderRecords(program_, from, ext, size_t(std::max(width, 1)), items)) return {};
    return listingNames(items);
}

// --- Choosing -----------------------------------------------------------------------------------

bool ControlsLink::chooseAsset(AssetKind kind, int slot, const std::string& name, bool alt) {
    Conductor& c = program_.conductor();
    VisualState& v = visual();
    EngineRecords& e = c.engine();
    const int slots = kind == AssetKind::Gradient ? kGradientSlots : kFillSlots;
    if (slot < 0 || slot >= slots) return false;
    // A slot an attachment holds cannot change.
    if (kind == AssetKind::Gradient || kind == AssetKind::Fill || kind == AssetKind::Movement) {
        const AttachedCategory cat = kind == AssetKind::Gradient ? AttachedCategory::Gradient
                                     : kind == AssetKind::Fill   ? AttachedCategory::Fill
                                                                 : AttachedCategory::Movement;
        const std::string refusal = slotProtection(v, cat, slot);
        if (!refusal.empty()) {
            program_.showAlert(refusal);
            return false;
        }
    }
    const bool current = v.get(currentOffset(kind)) == slot + 1;
    if (v.name(slotNameOffset(kind, slot)) == name) {
        if (kind == AssetKind::Brush) {
            std::fill_n(v.at(VisualState::attachment(slot)), kAttachmentSize, kNone80);
            controls_.redrawTopButton(TopAction::Trails);
        } else if (kind == AssetKind::Movement && current) {
            c.startMovement(slot);
        }
        return false;
    }
    LoadOptions o;
    o.redrawCell = true;
    o.raveMode = alt ? 2 : 1;
    bool loaded = false;
    switch (kind) {
        case AssetKind::Gradient:
            loaded = loadGradient(program_, v, c, e.gradients, slot, name, o);
            break;
        case AssetKind::Fill:
            loaded = loadFill(program_, v, c, e.fills, slot, name, o);
            break;
        case AssetKind::Brush:
            o.resetAttachments = true;
            loaded = loadBrush(program_, v, c, e.brushes, slot, name, o);
            break;
        case AssetKind::Movement:
            o.chooseParameters = true;
            loaded = loadMovement(program_, v, c, e.movements, slot, name, o);
            break;
        default:
            return false;
    }
    if (loaded && current) applyUserChange(changeCode(kind), slot + 1, 0);
    return loaded;
}

bool ControlsLink::chooseFile(int kind, const std::string& name, bool alt) {
    Conductor& c = program_.conductor();
    VisualState& v = visual();
    auto refused = [&](const std::string& refusal) {
        if (refusal.empty()) return false;
        program_.showAlert(refusal);
        return true;
    };
    LoadOptions o;
    o.redrawCell = true;
    o.raveMode = alt ? 2 : 1;
    switch (kind) {
        case popup::PanelBrushColourEffects:
        case popup::BrushColourEffects:
        case popup::PanelFillColourEffects:
        case popup::FillColourEffects: {
            const bool brush = kind <= popup::BrushColourEffects;
            if (v.name(brush ? vs::BrushColourEffect : vs::FillColourEffect) == name) return false;
            if (refused(effectProtection(v, brush ? AttachedCategory::BrushColourEffect
                                                  : AttachedCategory::FillColourEffect)))
                return false;
            return loadColourEffect(program_, v, c, brush ? c.engine().brushRange : c.engine().fillRange,
                                    name, o, sound().listen.soundScale);
        }
        case popup::BrushEffects: {
            if (v.name(vs::BrushEffect) == name) return false;
            if (refused(effectProtection(v, AttachedCategory::BrushEffect))) return false;
            BrushEffectInputs in;
            in.centreX = program_.shell().centreX;
            in.centreY = program_.shell().centreY;
            in.soundLevel = sound().listen.soundScale;
            return loadBrushEffect(program_, v, c, c.engine().brushEffect, name, o, in);
        }
        case popup::Styles: {
            const bool loaded = c.loadStyle(name);
            controls_.redrawAll();
            return loaded;
        }
        case popup::GradientSets:
        case popup::FillSets:
        case popup::MovementSets:
            if (refused(setProtection(v, kind == popup::GradientSets ? AttachedCategory::Gradient
                                         : kind == popup::FillSets   ? AttachedCategory::Fill
                                                                     : AttachedCategory::Movement)))
                return false;
            [[fallthrough]];
        case popup::BrushSets: {
            const SetKind set = kind == popup::GradientSets ? SetKind::Gradient
                                : kind == popup::FillSets   ? SetKind::Fill
                                : kind == popup::BrushSets  ? SetKind::Brush
                                                            : SetKind::Movement;
            const bool loaded = c.loadSetFile(set, name);
            controls_.redrawAll();
            return loaded;
        }
        default:
            return false;
    }
}

bool ControlsLink::deleteListed(int kind, const std::string& name) {
    if (kind == int(FileKind::Rave) && program_.songs()) {
        SongLink& m = *program_.songs();
        SongRaveFields song = m.raveFields();
        const bool wasAttached = song.attached && song.raveName == name;
        if (!deleteRave(program_, song, name)) return false;
        if (wasAttached) {
            m.keepRaveFields(song);
            m.restartSong();
        }
        return true;
    }
    std::string path;
    if (kind == popup::Songlists && program_.cd()) {
        return deleteCdList(program_, program_.cd()->player().list(), name);
    }
    if (kind == int(FileKind::Style) || kind == int(FileKind::Rave) ||
               kind == int(FileKind::Songlist) ||
               (kind >= int(FileKind::GradientSet) && kind <= int(FileKind::MovementSet))) {
        path = makeFileName(program_, FileKind(kind), name);
    } else {
        return false;
    }
    const int err = removeFile(path);
    if (err != 0) {
        reportFileError(program_, err);
        return false;
    }
    return true;
}

// --- Previews -----------------------------------------------------------------------------------

bool ControlsLink::previewAsset(AssetKind kind, const std::string& name, AssetPreview& out) {
    out = AssetPreview{};
    const bool picture = kind == AssetKind::Fill || kind == AssetKind::Brush;
    const std::string failure = picture ? kCannotPreview : assetOpenMessage(kind);
    Bytes file;
    if (readAsset(program_, kind, name, file, true) != ReadResult::Ok || file.empty()) {
        out.failure = failure;
        return false;
    }
    const Palette& palette = program_.display().palette;
    switch (kind) {
        case AssetKind::Fill: {
            FillAsset fill;
            Surface icon;
            if (decodeFill(file, fillGeometry(program_), 0, fill, &icon) != nullptr) break;
            out.colours = previewColours(palette, kFillRangeFirst, fill.ownColourCount, fill.ownColours);
            out.picture = previewPicture(icon, kFillRangeFirst);
            out.facts = std::string(fill.kind == fil::kTileTag ? "Tiled fill" : "Full picture") + "\r" +
                        std::to_string(fill.width) + " x " + std::to_string(fill.height) + "\r" +
                        std::to_string(fill.ownColourCount) + " own colours\r" +
                        std::to_string((file.size() + 1023) / 1024) + " KB";
            return true;
        }
        case AssetKind::Brush: {
            BrushAsset brush;
            Surface icon;
            if (decodeBrush(file, 0, brush, &icon) != nullptr) break;
            out.colours = previewColours(palette, kBrushRangeFirst, brush.ownColourCount, brush.ownColours);
            out.picture = previewPicture(icon, kBrushRangeFirst);
            out.facts = std::to_string(brush.frameCount) + (brush.frameCount == 1 ? " frame" : " frames") +
                        "\r" + std::to_string(brush.frameWidth) + " x " + std::to_string(brush.height) +
                        "\r" + (brush.hasColour() ? (brush.hasMask() ? "Colour + mask" : "Colour") : "Mask") +
                        "\r" + std::to_string(brush.ownColourCount) + " own colours";
            return true;
        }
        case AssetKind::Movement: {
            MovementAsset m;
            if (decodeMovement(file, m) != nullptr) break;
            out.description = fileText(file, mvm::Description, mvm::kDescriptionSize);
            return true;
        }
        case AssetKind::Gradient: {
            Gradient g;
            if (!decodeGradient(file, g)) break;
            // The brush half as the live palette shows it: turned, dimmed and desaturated.
            PaletteRange r = makeBrushRange();
            buildBaseEntries(r, g.half(0), rangeSettings(visual(), program_.conductor().engine().brushRange));
            for (const PaletteEntry& e : r.base) out.colours.push_back(Rgb{e.r, e.g, e.b});
            return true;
        }
        case AssetKind::ColourEffect:
        case AssetKind::BrushEffect: {
            ProgramSet programs;
            const uint8_t tag = kind == AssetKind::BrushEffect ? efx::kBrushTag : efx::kColourTag;
            if (decodeEffect(file, tag, programs) != nullptr) break;
            out.description = fileText(file, efx::kDescriptionOffset, efx::kDescriptionSize);
            return true;
        }
    }
    out.failure = failure;
    return false;
}

}  // namespace korel
