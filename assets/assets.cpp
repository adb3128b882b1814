// Asset kinds, paths, the shared load steps and folder listings.
#include "assets/assets.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "platform/files.h"

namespace korel {

namespace {

struct KindInfo {
    const char* folder;
    const char* extension;
    const char* openMessage;
};

const KindInfo& info(AssetKind kind) {
    static constexpr KindInfo kInfo[] = {
        {"Gradients", ".gra", "Unable to open or find gradient!"},
        {"Fills", ".fil", "Unable to open or find fill!"},
        {"Brushes", ".bru", "Unable to open or find brush!"},
        {"Movements", ".mvm", "Unable to open or find movement!"},
        {"Effects", ".efb", "Unable to open or find effect!"},
        {"Effects", ".efc", "Unable to open or find effect!"},
    };
    return kInfo[size_t(kind)];
}

bool cannotOpen(int err) {
    return err == kErrNoFile || err == kErrNoPath || err == EACCES || err == EISDIR ||
           err == ENAMETOOLONG || err == ELOOP || err == EPERM;
}

}  // namespace

const char* assetFolder(AssetKind kind) {
    return info(kind).folder;
}
const char* assetExtension(AssetKind kind) {
    return info(kind).extension;
}
const char* assetOpenMessage(AssetKind kind) {
    return info(kind).openMessage;
}

std::string assetPath(const Services& services, AssetKind kind, std::string_view name) {
    return listedFilePath(joinPath(services.shell().dataFolder, assetFolder(kind)),
                          std::string(name), assetExtension(kind));
}

void assetMessage(Services& services, std::string_view text, bool suppress) {
    if (!suppress) services.showAlert(text);
}

ReadResult readAsset(Services& services, AssetKind kind, std::string_view name, Bytes& out,
                     bool suppressMessages) {
    // A name with a path separator or a NUL would reach outside the asset folder.
    if (name.empty() || name.find('/') != std::string_view::npos ||
        name.find('\0') != std::string_view::npos || name == "." || name == "..") {
        out.clear();
        return ReadResult::CannotOpen;
    }
    int err = readWholeFile(assetPath(services, kind, name), out);
    if (err == 0) return ReadResult::Ok;
    if (cannotOpen(err)) return ReadResult::CannotOpen;
    const char* message = kFileReadError;
    // Larger than any asset the program could hold: refused before it is read.
    if (err == EFBIG) {
        message = kind == AssetKind::Fill    ? kNoMemoryFill
                  : kind == AssetKind::Brush ? kNoMemoryBrush
                                             : kNotValidFile;
    }
    assetMessage(services, message, suppressMessages);
    return ReadResult::ReadFailed;
}

bool checkTag(Services& services, const Bytes& file, uint8_t tag, uint8_t otherTag,
              bool suppressMessages) {
    if (!file.empty() && (file[0] == tag || file[0] == otherTag)) return true;
    assetMessage(services, kNotValidFile, suppressMessages);
    return false;
}

size_t memoryLimit(size_t currentSize, size_t available) {
    return std::max(available, currentSize);
}

size_t slotNameOffset(AssetKind kind, int slot) {
    switch (kind) {
        case AssetKind::Gradient:
            return VisualState::gradientName(slot);
        case AssetKind::Fill:
            return VisualState::fillName(slot);
        case AssetKind::Brush:
            return VisualState::brushName(slot);
        case AssetKind::Movement:
            return VisualState::movementName(slot);
        case AssetKind::BrushEffect:
            return vs::BrushEffect;
        case AssetKind::ColourEffect:
            return slot == kFillColourEffectSlot ? vs::FillColourEffect : vs::BrushColourEffect;
    }
    return vs::BrushEffect;
}

RaveCategory raveCategory(AssetKind kind, int slot) {
    switch (kind) {
        case AssetKind::Gradient:
            return kRaveGradient;
        case AssetKind::Fill:
            return kRaveFill;
        case AssetKind::Brush:
            return kRaveBrush;
        case AssetKind::Movement:
            return kRaveMovement;
        case AssetKind::BrushEffect:
            return kRaveBrushEffect;
        case AssetKind::ColourEffect:
            return slot == kFillColourEffectSlot ? kRaveFillColourEffect : kRaveBrushColourEffect;
    }
    return kRaveBrushEffect;
}

void clearSlotName(VisualState& state, AssetKind kind, int slot) {
    state.setName(slotNameOffset(kind, slot), kNoneName);
}

void finishLoad(Services& services, VisualState& state, AssetHooks& hooks, AssetKind kind, int slot,
                std::string_view name, const LoadOptions& options) {
    if (services.shell().startingUp) return;
    state.setName(slotNameOffset(kind, slot), name);
    bool effect = kind == AssetKind::BrushEffect || kind == AssetKind::ColourEffect;
    if (services.edition() != Edition::LIVE) {
        hooks.recordAssetLoad(raveCategory(kind, slot), effect ? 0 : slot, name, options.raveMode);
        if (RaveRecorder* recorder = hooks.raveRecorder())
            recorder->recordFileEvent(raveCategory(kind, slot), effect ? 0 : slot, name,
                                      options.raveMode);
    }
    switch (kind) {
        case AssetKind::Gradient:
            state.setName(vs::GradientSetName, kNoneName);
            break;
        case AssetKind::Brush:
            state.setName(vs::BrushSetName, kNoneName);
            break;
        case AssetKind::Movement:
            state.setName(vs::MovementSetName, kNoneName);
            break;
        default:
            break;
    }
}

int compareRecords(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int ca = std::tolower(static_cast<unsigned char>(a[i]));
        int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool listFolderRecords(Services& services, const std::string& folder, const std::string& ext,
                       size_t recordWidth, std::string& items, std::string_view find,
                       int* foundIndex) {
    if (foundIndex) *foundIndex = -1;
    std::vector<std::string> files;
    if (listFolder(services.dataPath(folder), ext, files) != 0) {
        services.platform().beep();
        return false;
    }
    const size_t record = recordWidth + 1;
    size_t used = std::min(items.size(), kItemStringCapacity - 1);
    const size_t room = (kItemStringCapacity - used - 1) / record;

    std::vector<std::string> records;
    for (const std::string& file : files) {
        if (file.size() < ext.size() || file.size() > recordWidth + ext.size()) continue;
        std::string base = file.substr(0, file.size() - ext.size());
        if (base.empty() || base.back() == '_') continue;
        base.resize(recordWidth, ' ');
        base += '\r';
        records.push_back(std::move(base));
    }
    // Names equal but for case keep one order too, so Sequential File steps the same way on
    // every run.
    std::sort(records.begin(), records.end(), [](const std::string& a, const std::string& b) {
        const int c = compareRecords(a, b);
        return c != 0 ? c < 0 : a < b;
    });
    // A folder with more files than fit keeps the first ones in this order.
    if (records.size() > room) records.resize(room);
    for (size_t i = 0; i < records.size(); ++i) {
        if (foundIndex && *foundIndex < 0 && !find.empty() &&
            std::string_view(records[i]).starts_with(find)) {
            *foundIndex = int(i);
        }
        items += records[i];
    }
    return true;
}

bool listAssets(Services& services, AssetKind kind, std::string& items, std::string_view find,
                int* foundIndex) {
    return listFolderRecords(services, assetFolder(kind), assetExtension(kind), kAssetRecordWidth,
                             items, find, foundIndex);
}

std::vector<std::string> listingNames(std::string_view items) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start < items.size()) {
        size_t end = items.find('\r', start);
        if (end == std::string_view::npos) end = items.size();
        std::string_view item = items.substr(start, end - start);
        while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
        if (!item.empty()) names.emplace_back(item);
        start = end + 1;
    }
    return names;
}

}  // namespace korel
