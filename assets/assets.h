// The asset library: kinds, folders and paths, the steps every loader shares, and folder listings.
//
// Every loader (gradients, fills, brushes, movements, effects) follows the same procedure:
//   1. "(None)" empties the slot without a message (isNoneName).
//   2. readAsset(): the whole file into memory; a file that cannot be opened gives the kind's
//      "Unable to open or find ...!" message, the slot name becomes "(None)" and the slot is
//      emptied.
//   3. checkTag(): a wrong first byte gives "Not a valid file!" and the load fails, keeping the
//      previous asset and name.
//   4. The kind's own decoding, bounded by the file's real length (truncation: "End of file
//      error!"; inconsistent data: "Not a valid file!"); brushes and fills check needed memory
//      against memoryLimit().
//   5. finishLoad(): outside start-up the name goes into the VisualState, the load is handed to
//      rave recording, and a loaded set of that kind no longer matches.
//   6. With the redraw option the slot's cell in the controls window is redrawn (AssetHooks).
// Messages go through Services::showAlert, which holds them during start-up and shows the last.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "persist/visual_state.h"
#include "platform/bytes.h"
#include "platform/surface.h"
#include "core/services.h"
#include "raves/rave_recorder.h"

namespace korel {

enum class AssetKind : uint8_t { Gradient, Fill, Brush, Movement, BrushEffect, ColourEffect };

// Which colour effect a ColourEffect slot number means.
constexpr int kBrushColourEffectSlot = 0;
constexpr int kFillColourEffectSlot = 1;

// Rave event categories of asset loads (the rave file's event kind is built from them).
enum RaveCategory : int {
    kRaveBrushEffect = 0,
    kRaveGradient = 1,
    kRaveBrushColourEffect = 2,
    kRaveFillColourEffect = 3,
    kRaveFill = 4,
    kRaveMovement = 9,
    kRaveBrush = 10,
};

// The folder ("Gradients", ...), without a separator.
const char* assetFolder(AssetKind kind);
// The extension with its dot (".gra", ...).
const char* assetExtension(AssetKind kind);
// "Unable to open or find gradient!" and its siblings.
const char* assetOpenMessage(AssetKind kind);

constexpr const char* kNotValidFile = "Not a valid file!";
constexpr const char* kEndOfFileError = "End of file error!";
constexpr const char* kFileReadError = "File read error!";
constexpr const char* kNoMemoryBrush = "Not enough memory to load brush!";
constexpr const char* kNoMemoryFill = "Not enough memory to load fill!";

// data folder + "/" + folder + "/" + name + extension, with the extension spelt as the file
// that the listing found has it (listedFilePath).
std::string assetPath(const Services& services, AssetKind kind, std::string_view name);

// Options every loader takes.
struct LoadOptions {
    bool suppressMessages = false;  // "Not a valid file!" of effects is shown regardless
    bool redrawCell = false;        // redraw the slot's cell in the controls window
    int raveMode = 0;               // 0 nothing, 1 append a file event, 2 replace the last one
    bool resetAttachments = false;  // brushes only
    bool chooseParameters = false;  // movements only
};

// Where the program hands a finished load on: rave recording and the controls window. Every
// method does nothing by default, so a test or a program without controls passes AssetHooks{}.
class AssetHooks {
  public:
    virtual ~AssetHooks() = default;

    // A load outside start-up (not in the LIVE edition). raveMode 1 appends a file event, 2
    // replaces the name of the last file event of this category and slot; while no rave is
    // recorded the name also goes into the song-start state.
    virtual void recordAssetLoad(RaveCategory /*category*/, int /*slot*/, std::string_view /*name*/,
                                 int /*raveMode*/) {}

    // Redraws a slot's cell: its name and, when `icon` is not null, the asset's icon (fills
    // 64 x 48 and brushes 48 x 48, shown at half size; movements 24 x 24) drawn over the
    // palette index `backdrop`. A null icon clears the picture part (empty slot, gradients).
    virtual void redrawSlotCell(AssetKind /*kind*/, int /*slot*/, std::string_view /*name*/,
                                const Surface* /*icon*/, uint8_t /*backdrop*/) {}

    // The effect panel shows the names of the three effects.
    virtual void redrawEffectPanel() {}

    // The colour strip of the brush range (brushRange true) or the fill range changed.
    virtual void redrawColourStrip(bool /*brushRange*/) {}

    // Loads outside start-up also go to this recorder as file events (null: none; the LIVE
    // edition never records).
    void setRaveRecorder(RaveRecorder* recorder) { raveRecorder_ = recorder; }
    RaveRecorder* raveRecorder() const { return raveRecorder_; }

  private:
    RaveRecorder* raveRecorder_ = nullptr;
};

// Shows a load message unless suppressed. (Services::showAlert keeps it during start-up.)
void assetMessage(Services& services, std::string_view text, bool suppress);

enum class ReadResult { Ok, CannotOpen, ReadFailed };

// Reads the asset file whole. CannotOpen when it is missing or cannot be opened (the caller
// then empties the slot, names it "(None)" and shows assetOpenMessage); ReadFailed shows
// "File read error!" here (unless suppressed; a file beyond the size limit gives the kind's
// memory message or "Not a valid file!") and the caller keeps the previous asset.
ReadResult readAsset(Services& services, AssetKind kind, std::string_view name, Bytes& out,
                     bool suppressMessages);

// True when the first byte is `tag` or `otherTag`; otherwise shows "Not a valid file!" unless
// suppressed. An empty file fails the same way.
bool checkTag(Services& services, const Bytes& file, uint8_t tag, uint8_t otherTag,
              bool suppressMessages);

// The memory an asset load may use: the larger of what the program allows for one asset and
// what the asset now in the slot already uses.
constexpr size_t kAvailableAssetMemory = size_t(256) << 20;
size_t memoryLimit(size_t currentSize, size_t available = kAvailableAssetMemory);

// R4: rounds a row width up to a multiple of 4 bytes.
inline size_t roundUp4(size_t n) {
    return (n + 3) & ~size_t(3);
}

// The VisualState offset of the name field of a slot (ColourEffect: kBrushColourEffectSlot or
// kFillColourEffectSlot; BrushEffect: slot 0).
size_t slotNameOffset(AssetKind kind, int slot);
RaveCategory raveCategory(AssetKind kind, int slot);

// The slot name "(None)" after a file could not be opened.
void clearSlotName(VisualState& state, AssetKind kind, int slot);

// The steps after a successful load outside start-up: the slot's name field receives the name;
// the load is handed to rave recording (not in the LIVE edition); for gradients, brushes and
// movements the set name of that kind becomes "(None)". During start-up nothing happens.
void finishLoad(Services& services, VisualState& state, AssetHooks& hooks, AssetKind kind, int slot,
                std::string_view name, const LoadOptions& options);

// --- Folder listings ------------------------------------------------------------------------

constexpr size_t kItemStringCapacity = 8001;  // the popup item buffer, terminator included
constexpr size_t kAssetRecordWidth = 15;      // raves and songlists use 27

// Appends the sorted listing of one folder below the data folder to `items`: one record per file
// with the extension, its base name padded with spaces to `recordWidth` and ended by "\r".
// Files whose base name is longer than the record or ends in "_" are left out. The sort is
// case-blind; of a larger folder the first (8001 - items.size() - 1) / (recordWidth + 1) records
// in that order are taken.
// When `find` is not empty, `foundIndex` receives the index (within the listing) of the first
// record that starts with it, or -1. A folder that cannot be searched beeps and fails.
bool listFolderRecords(Services& services, const std::string& folder, const std::string& ext,
                       size_t recordWidth, std::string& items, std::string_view find = {},
                       int* foundIndex = nullptr);

// The same for an asset kind's folder with 15-character records.
bool listAssets(Services& services, AssetKind kind, std::string& items, std::string_view find = {},
                int* foundIndex = nullptr);

// The names of a listing, with the padding and "\r" removed (for the file trigger modes).
std::vector<std::string> listingNames(std::string_view items);

// The case-blind order of popup records: negative, zero or positive.
int compareRecords(std::string_view a, std::string_view b);

}  // namespace korel
