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
#include "platform/types.h"

namespace korel {

struct VisualState;
class TriggerEngine;
struct Sound;
struct Preferences;
enum class AssetKind : uint8_t;
class Surface;

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
