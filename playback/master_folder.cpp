// Gathering a CD list, its raves and their assets into the master folder.
#include "playback/master_folder.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <system_error>
#include <utility>

#include "assets/assets.h"
#include "persist/program_files.h"
#include "platform/files.h"
#include "raves/rave_file.h"

namespace korel {

namespace {

constexpr const char* kMasterSubfolders[] = {"Raves",     "Gradients", "Fills",
                                             "Brushes",   "Movements", "Effects"};

// The asset kind a rave file event loads, by its category; false for unused categories.
bool eventAssetKind(int category, AssetKind& kind) {
    switch (category) {
        case kRaveBrushEffect: kind = AssetKind::BrushEffect; return true;
        case kRaveGradient: kind = AssetKind::Gradient; return true;
        case kRaveBrushColourEffect:
        case kRaveFillColourEffect: kind = AssetKind::ColourEffect; return true;
        case kRaveFill: kind = AssetKind::Fill; return true;
        case kRaveMovement: kind = AssetKind::Movement; return true;
        case kRaveBrush: kind = AssetKind::Brush; return true;
        default: return false;
    }
}

// A name from a file that stays inside its folder.
bool safeName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

std::string fileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

class MasterCopier {
  public:
    MasterCopier(Services& services, std::string master)
        : services_(services), master_(std::move(master)) {}

    bool ok() const { return ok_; }
    const std::string& master() const { return master_; }

    // Reports the first failure only: one full disk should not raise an alert per file.
    void fail(int code) {
        if (ok_) reportFileError(services_, code);
        ok_ = false;
    }
    void failWith(const char* message) {
        if (ok_) services_.showAlert(message);
        ok_ = false;
    }

    void copy(const std::string& from, const std::string& toFolder) {
        int e = createFolders(toFolder);
        if (e == 0) e = copyFile(from, joinPath(toFolder, fileName(from)));
        if (e != 0) fail(e);
    }

    // Copies a named asset once; "(None)" and assets that are not there are skipped.
    void asset(AssetKind kind, const std::string& name) {
        if (name == kNoneName || !safeName(name)) return;
        if (!copied_.emplace(kind, name).second) return;
        const std::string from = assetPath(services_, kind, name);
        if (!fileExists(from)) return;
        copy(from, joinPath(master_, assetFolder(kind)));
    }

    void stateAssets(const VisualState& s) {
        for (int i = 0; i < kGradientSlots; ++i)
            asset(AssetKind::Gradient, s.name(VisualState::gradientName(i)));
        for (int i = 0; i < kFillSlots; ++i) asset(AssetKind::Fill, s.name(VisualState::fillName(i)));
        for (int i = 0; i < kBrushSlots; ++i)
            asset(AssetKind::Brush, s.name(VisualState::brushName(i)));
        for (int i = 0; i < kMovementSlots; ++i)
            asset(AssetKind::Movement, s.name(VisualState::movementName(i)));
        asset(AssetKind::ColourEffect, s.name(vs::BrushColourEffect));
        asset(AssetKind::ColourEffect, s.name(vs::FillColourEffect));
        asset(AssetKind::BrushEffect, s.name(vs::BrushEffect));
    }

    void eventAssets(const RaveState& rave) {
        for (int i = 0; i < rave.nodeCount && i < kRaveNodes; ++i) {
            const RaveEvent& e = rave.events[size_t(i)];
            AssetKind kind;
            if (raveIsPoint(e.kind) || !eventAssetKind(raveKindCategory(e.kind), kind)) continue;
            asset(kind, readNameField(e.payload.data(), kRavePayload));
        }
    }

  private:
    Services& services_;
    std::string master_;
    std::set<std::pair<AssetKind, std::string>> copied_;
    bool ok_ = true;
};

}  // namespace

bool buildMasterFolder(Services& services, const CdList& list, bool fresh) {
    if (!safeName(list.name) || !safeName(list.discFolder())) {
        services.showAlert("File write error!");
        return false;
    }
    MasterCopier copier(services, services.dataPath(kMasterFolder));
    for (const char* sub : kMasterSubfolders) {
        const std::string folder = joinPath(copier.master(), sub);
        if (fresh) {
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
            if (ec) copier.fail(ec.value());
        }
        if (const int e = createFolders(folder)) {
            copier.fail(e);
            return false;
        }
    }

    const std::string discFolder =
        joinPath(joinPath(copier.master(), "Raves"), list.discFolder());
    int e = createFolders(discFolder);
    if (e == 0)
        e = writeFileReplacing(joinPath(discFolder, list.name + kCdListExtension),
                               encodeCdList(list));
    if (e != 0) copier.fail(e);

    auto rave = std::make_unique<RaveState>();
    const int count = std::clamp(list.count, 1, kMaxCdTracks);
    std::set<std::string> ravesDone;
    for (int i = 0; i < count; ++i) {
        const SongRaveFields song = cdTrackRave(list, i);
        if (!song.attached || !ravesDone.insert(song.raveName).second) continue;
        if (!safeName(song.raveName)) {
            copier.failWith(kRaveUnableToLoad);
            continue;
        }
        const std::string from = raveFilePath(services, song, song.raveName);
        Bytes file;
        if (const int read = readWholeFile(from, file, kRaveFileLimit)) {
            copier.fail(read);
            continue;
        }
        VisualState state;
        if (!decodeRaveFile(file, services.edition(), state, *rave)) {
            copier.failWith(kRaveNotValid);
            continue;
        }
        copier.copy(from, discFolder);
        copier.stateAssets(state);
        copier.eventAssets(*rave);
    }
    return copier.ok();
}

}  // namespace korel
