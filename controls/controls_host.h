// What the controls window asks of the rest of Korel. The controls show and change the records
// the conductor owns (the visual state, the trigger engine, the listening state); every action
// that reaches beyond them — transport, windows, files, the players and raves — goes through a
// call here, so the controls can be driven headless and the shell stays the only one that knows
// how the pieces are wired.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "controls/ids.h"
#include "platform/surface.h"
#include "platform/types.h"

namespace korel {

struct VisualState;
class TriggerEngine;
struct Sound;
struct Preferences;
enum class AssetKind : uint8_t;
class Surface;

// What a popup's preview shows of a hovered file (the host decodes it). An empty `failure`
// means the file was read.
struct AssetPreview {
    std::string failure;      // the text shown instead ("Unable \rto open!", ...)
    std::string facts;        // fills and brushes: "\r"-separated lines of the file's facts
    std::string description;  // movements and effects
    // Fills and brushes: the 45 preview colours and the first picture in preview indices
    // (201..245). Gradients: the 90 colours of the brush half as the live palette shows them.
    std::vector<Rgb> colours;
    Surface picture;
};

// Head items of the song, rave and songlist (CD list) popups the players and raves carry out.
enum class PlayerCommand : uint8_t {
    LoadSong,         // MP3: "Load New Song..." / "Insert New Song..." (the open-file dialog)
    RenameSong,       // MP3: "Rename Song..."; CD: "Add Song Title..." / "Rename Song Title..."
    RemoveSong,
    SaveRave,         // "Save & Attach Rave..." / "Save & Update Rave..."
    RenameRave,
    DetachRave,
    CreateSonglist,   // CD: "New CD List..."
    RenameSonglist,
    CreateCdMaster,
    AddToCdMaster,
};

// The rave player's state of the current track, as the meters' refusals need it.
enum class RavePlayback : uint8_t {
    None,           // no rave is replaying
    BeforeEnd,      // a rave replays and the song has not passed its length
    AfterRewind,    // a rave replays after a rewind, until the song passes the rewind point
};

class ControlsHost {
public:
    virtual ~ControlsHost() = default;

    // --- The records the controls show -------------------------------------------------
    virtual VisualState& visual() = 0;
    virtual TriggerEngine& triggers() = 0;
    virtual Sound& sound() = 0;
    virtual Preferences& preferences() = 0;
    // Song time in ms (the frame tick's clock).
    virtual uint32_t songTime() = 0;

    // --- Changes ---------------------------------------------------------------------------
    // A user change through the trigger engine's apply operation, with the modifier of the
    // click or key (0 none, 1 Alt, 2 Shift, 3 Control).
    virtual void applyUserChange(int code, int value, int modifier) = 0;
    // A stored setting of the visual state (at `offset`, already written) changed: it is also
    // written to its saved copy when no song plays, and what depends on it is recomputed
    // (brightness and saturation: the gradients; the listening frequency and the sample size:
    // the analysis restarts unless a song is playing with listening on).
    virtual void settingStored(size_t offset) = 0;
    // The output volume (0..255), live while the slider drags.
    virtual uint8_t outputVolume() = 0;
    virtual void setOutputVolume(uint8_t volume) = 0;
    // A forced beat (the beat indicator, key I).
    virtual void forceBeat() = 0;
    virtual void setManualMode(bool on) = 0;

    // --- Transport and windows ---------------------------------------------------------------
    // A top-row action other than Program Settings (which the controls do themselves).
    virtual void topAction(TopAction action, int modifier) = 0;
    virtual bool playing() = 0;  // a song plays (LIVE: the animation runs unpaused)
    virtual bool paused() = 0;
    virtual bool helpOpen() = 0;
    virtual bool animationShown() = 0;
    virtual bool quitting() = 0;
    // The window was collapsed or expanded: the help window follows (hidden while collapsed,
    // back at the right edge when expanded and open).
    virtual void controlsResized(bool expanded) { (void)expanded; }

    // --- Songs and raves (the players and raves fill these; LIVE has none) -------------------
    // The song field's text ("" when there is no current track) and the rave field's.
    virtual std::string songText() { return {}; }
    virtual std::string raveText() { return {}; }
    // The current track number from 1 (0: none); the songlist (CD list) name.
    virtual int trackNumber() { return 0; }
    virtual std::string songlistName() { return {}; }
    // Position and length of the current song in ms (the time fields).
    virtual uint32_t songPosition() { return 0; }
    virtual uint32_t songLength() { return 0; }
    virtual bool recording() { return false; }
    virtual RavePlayback ravePlayback() { return RavePlayback::None; }
    // The "Load" (MP3) or "Drive" (CD) button of the FILES box.
    virtual void filesButton() {}

    // --- Popups, keys and files (the popup menus and keys fill these) -------------------------
    // Opens popup `id` for `slot` (an asset row, the brush of the ATTACHMENTS panel; -1 when
    // none) under the control `at` (client coordinates).
    virtual void openPopup(int id, int slot, const Rect& at) { (void)id, (void)slot, (void)at; }
    // A gradient row's preview button: the row's gradient cycles in the preview strip.
    virtual void previewGradient(int slot) { (void)slot; }
    // A character the text-entry field does not type goes to the keyboard commands.
    virtual void commandChar(uint32_t ch, int modifier) { (void)ch, (void)modifier; }
    // Saves (or renames) under a typed name for the TEXT ENTRY panel's purpose; `replace`
    // once the user agreed to replace an existing file. Returns false when it was refused.
    virtual bool fileExists(int purpose, const std::string& name) { (void)purpose, (void)name; return false; }
    virtual bool saveTyped(int purpose, const std::string& name) { (void)purpose, (void)name; return false; }
    // The screen-saver feature (the system side comes with the screen savers).
    virtual void setScreenSaver(bool on) { (void)on; }
    // "Search for Active Sound:".
    virtual void searchSound() {}
    virtual std::string soundInputName() { return {}; }
    // TEXT ENTRY or REPLACE FILE ended (Save, Cancel, Yes or No): a song end deferred while
    // they showed may advance now.
    virtual void fileEntryEnded() {}

    // --- Files: the listings and loads the popups and the quick-load keys share ---------------
    // The names (without extension) of a folder's files with `ext` (".gra"), sorted case-blind,
    // as the popups list them: records `width` wide (15; 27 for raves and songlists), longer
    // names left out. `folder` is below the data folder ("Gradients", "Settings", ...).
    virtual std::vector<std::string> listNames(const std::string& folder, const std::string& ext,
                                               int width = 15) {
        (void)folder, (void)ext, (void)width;
        return {};
    }
    // The user chose a file for a slot (0-based; "(None)" empties it): refused while a brush's
    // attachment holds the slot's item, the same name clears a brush's attachments or restarts
    // a movement, otherwise the file loads and a current slot is applied again. `alt`: the rave
    // replaces its last matching file event instead of adding one. False when nothing loaded.
    virtual bool chooseAsset(AssetKind kind, int slot, const std::string& name, bool alt) {
        (void)kind, (void)slot, (void)name, (void)alt;
        return false;
    }
    // A file chosen by the number of the popup that lists it: the brush and fill colour effects
    // (303/304, 305/306) and the brush effect (307), loaded only when the name differs; a style
    // (312); a gradient, fill, brush or movement set (314..317).
    virtual bool chooseFile(int kind, const std::string& name, bool alt) {
        (void)kind, (void)name, (void)alt;
        return false;
    }

    // --- Popups --------------------------------------------------------------------------------
    // Decodes a listed file for the popup's preview; false with `out.failure` set when it
    // cannot be shown.
    virtual bool previewAsset(AssetKind kind, const std::string& name, AssetPreview& out) {
        (void)kind, (void)name;
        out.failure = "Unable \rto open!";
        return false;
    }
    // Deletes a listed file of a kind (a popup number: 312, 314..317, 339, 340) at once.
    virtual bool deleteListed(int kind, const std::string& name) { (void)kind, (void)name; return false; }
    // The songs of the songlist (CD: the tracks, each its title or "Track" and its number).
    virtual std::vector<std::string> songNames() { return {}; }
    // CD: the current track has a title.
    virtual bool trackTitled() { return false; }
    // A rave is attached to the current song.
    virtual bool raveAttached() { return false; }
    virtual void playerCommand(PlayerCommand command) { (void)command; }
    // Rewind (-1) and Fastforward (1) held down: begin at the press (false: not now), a pass on
    // every main-loop turn while held, end at the release.
    virtual bool beginWind(int direction) { (void)direction; return false; }
    virtual void windPass() {}
    virtual void endWind() {}
    // A listed entry of the song (338: index from 0), rave (339), songlist / CD list (340),
    // CD drive (341) or sound-input (342) popup was chosen.
    virtual void chooseListed(int popupId, int index, const std::string& name, bool alt) {
        (void)popupId, (void)index, (void)name, (void)alt;
    }
    virtual std::vector<std::string> cdDrives() { return {}; }
    virtual std::vector<std::string> soundInputs() { return {}; }

    // --- Keys ---------------------------------------------------------------------------------
    // Shows or hides the controls window, as the space key and a click in the animation do.
    virtual void toggleControls() {}
    // The tracks of the current songlist (the players fill these; 0 when there are none) and a
    // jump to track `n` from 1.
    virtual int trackCount() { return 0; }
    virtual void goToTrack(int n) { (void)n; }
    // A style save begins: the state it saves is copied now (with the five beats-per-trigger
    // bytes 0 when `beatCountersOff`), and kept until the typed name is saved.
    virtual void beginStyleSave(bool beatCountersOff) { (void)beatCountersOff; }
    // Saves the rave attached to the current track under its own name; false when there is
    // none.
    virtual bool saveAttachedRave() { return false; }

    // --- Hover help ---------------------------------------------------------------------------
    // The help window shows `text` (title, "\r\r", description); called when the text changed
    // while helpOpen() says the help window is open.
    virtual void showHelpText(std::string_view text) { (void)text; }
    // CD edition: a disc is in the drive (the "Total Song Time" text says so).
    virtual bool discPresent() { return false; }

    // --- Movements and pictures (the engine fills these) -------------------------------------
    // Parameter `index` (0-2) of the movement in `slot` (0-based): its name and range. False
    // when the movement has no such parameter.
    virtual bool movementParameter(int slot, int index, std::string& name, int& min, int& max) {
        (void)slot, (void)index, (void)name, (void)min, (void)max;
        return false;
    }
    // Draws the 16 x 16 picture of a brush (kind popup::Brushes) or movement (popup::Movements)
    // slot with its top-left at `at`; the panels showing one asset use it as their icon.
    virtual void drawAssetIcon(int kind, int slot, Surface& canvas, Point at) {
        (void)kind, (void)slot, (void)canvas, (void)at;
    }
};

}  // namespace korel
