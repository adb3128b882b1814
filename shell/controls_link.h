// The controls window wired into the program: the ControlsHost the controls call, and the
// frame tick's display hooks that redraw them.
#pragma once

#include <array>
#include <memory>

#include "controls/controls.h"
#include "shell/tick_hooks.h"

namespace korel {

class Program;

class ControlsLink : public ControlsHost, public TickDisplay {
public:
    explicit ControlsLink(Program& program);
    ~ControlsLink() override;

    Controls& controls() { return controls_; }

    // --- ControlsHost ----------------------------------------------------------------------
    VisualState& visual() override;
    TriggerEngine& triggers() override;
    Sound& sound() override;
    Preferences& preferences() override;
    uint32_t songTime() override;
    void applyUserChange(int code, int value, int modifier) override;
    void settingStored(size_t offset) override;
    uint8_t outputVolume() override;
    void setOutputVolume(uint8_t volume) override;
    void forceBeat() override;
    void setManualMode(bool on) override;
    void setScreenSaver(bool on) override;
    void topAction(TopAction action, int modifier) override;
    bool playing() override;
    bool paused() override;
    bool helpOpen() override;
    bool animationShown() override;
    bool quitting() override;
    void controlsResized(bool expanded) override;
    bool movementParameter(int slot, int index, std::string& name, int& min, int& max) override;
    void drawAssetIcon(int kind, int slot, Surface& canvas, Point at) override;
    bool fileExists(int purpose, const std::string& name) override;
    bool saveTyped(int purpose, const std::string& name) override;
    // --- Popups (controls_link_popups.cpp) ---
    void openPopup(int id, int slot, const Rect& at) override;
    void previewGradient(int slot) override;
    std::vector<std::string> listNames(const std::string& folder, const std::string& ext,
                                       int width) override;
    bool chooseAsset(AssetKind kind, int slot, const std::string& name, bool alt) override;
    bool chooseFile(int kind, const std::string& name, bool alt) override;
    bool previewAsset(AssetKind kind, const std::string& name, AssetPreview& out) override;
    bool deleteListed(int kind, const std::string& name) override;

    // --- Keys (controls_link_keys.cpp) -----------------------------------------------------------
    void commandChar(uint32_t ch, int modifier) override;
    void toggleControls() override;
    void beginStyleSave(bool beatCountersOff) override;

    // --- The CD and MP3 players (controls_link_player.cpp) ---
    std::string songText() override;
    std::string raveText() override;
    int trackNumber() override;
    std::string songlistName() override;
    uint32_t songPosition() override;
    uint32_t songLength() override;
    std::vector<std::string> songNames() override;
    void playerCommand(PlayerCommand command) override;
    void chooseListed(int popupId, int index, const std::string& name, bool alt) override;
    int trackCount() override;
    void goToTrack(int n) override;
    bool recording() override;
    RavePlayback ravePlayback() override;
    bool raveAttached() override;
    bool saveAttachedRave() override;
    void filesButton() override;
    std::vector<std::string> cdDrives() override;
    bool trackTitled() override;
    bool beginWind(int direction) override;
    void windPass() override;
    void endWind() override;
    // The player's part of topAction, playing, paused and the typed names; false when the
    // edition has no player.
    bool playerAction(TopAction action);
    bool playerSaves(int purpose, const std::string& name, bool& saved);

    // --- Hover help (controls_link_help.cpp) ---
    void showHelpText(std::string_view text) override;
    bool discPresent() override;

    // --- TickDisplay ------------------------------------------------------------------------
    void redrawMeters(uint8_t level, bool beat) override;
    void halfSecond(uint32_t t) override;
    void updateHoverHelp() override;
    void redrawControl(int code) override;
    void redrawControls() override;
    void redrawTempoPanel() override;
    void redrawSlotCell(AssetKind kind, int slot, const Surface* icon, uint8_t backdrop) override;
    void redrawEffectPanel() override;
    void redrawColourStrip(bool brushRange) override;
    bool controlsVisible() const override;

private:
    Program& program_;
    Controls controls_;
    // The state a style save began with (the keyboard's save-style command).
    std::unique_ptr<VisualState> styleCapture_;
    // The songlist name typed next is for a new empty list (else: a rename of the current).
    bool creatingSonglist_ = false;
    // The rave name typed next renames the attached rave (else: saves and attaches).
    bool renamingRave_ = false;
};

}  // namespace korel
