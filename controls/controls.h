// The controls window: Korel's instrument panel, painted by our own code into the window's
// 8-bit canvas. This object owns the window's state and its off-screen pictures, routes the
// clicks the shell hands it to the top row, the title line, the boxes and the settings panels,
// and redraws exactly what a change touches.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "assets/assets.h"
#include "controls/keys.h"
#include "controls/layout.h"
#include "controls/panels.h"
#include "controls/pictures.h"
#include "controls/popups.h"
#include "controls/view.h"

namespace korel {

class Controls {
public:
    Controls(Services& services, ControlsHost& host);
    ~Controls();

    // Reads the pictures from `folder`; false with the fatal word in `failure` ("Pict").
    bool loadPictures(const std::string& folder, std::string& failure);
    // Builds "ControlsWorld", "PaletteWorld" and "Preview" for the window; false with the
    // fatal word in `failure`.
    bool attachWindow(WindowId window, std::string& failure);
    WindowId window() const { return view_.window(); }

    ControlsState& state() { return state_; }
    ControlsView& view() { return view_; }
    Panels& panels() { return *panels_; }
    // --- Popups ---
    Popups& popups() { return *popups_; }
    const ControlPictures& pictures() const { return pictures_; }

    // --- The window ------------------------------------------------------------------------
    // The whole client area, as an expose asks.
    void paint();
    // Shows the window (drawn expanded as the program settings lock says); hides it.
    void show(bool activate);
    void hide();
    bool visible() const { return state_.visible; }
    // Program Settings: the lock and the window's size.
    void toggleSettingsLock();
    // Resizes the window collapsed or expanded without moving it.
    void setDrawnExpanded(bool expanded);
    // The size of the client area collapsed or expanded.
    static Rect clientRect(bool expanded);
    // The Animation Window button's share: before the animation window hides (collapses a
    // locked window and remembers it) and after it shows again (re-expands).
    void animationHiding();
    void animationShown();

    // --- Input -----------------------------------------------------------------------------
    // A left button press in the window (client coordinates) with its modifier.
    void buttonDown(Point p, int modifier);
    // A typed character: the text-entry field (and REPLACE FILE's Enter) takes what it types;
    // every other character goes to host().commandChar. True when the panels took it.
    bool typeChar(uint32_t ch, int modifier);
    // The keyboard commands.
    KeyCommands& keys() { return *keys_; }
    // Runs the press or drag that is under way (every main-loop pass); true while one runs.
    bool followMouse();
    bool tracking() const { return state_.tracking; }

    // --- Redraws of what a change touches ----------------------------------------------------
    void redrawTopButton(TopAction action);
    void redrawTopRow();
    // After an animation change with this code (1-14), or 0 for everything live.
    void redrawChange(int code);
    void redrawAll();
    // The switches changed: the top row, the Vol./Fre. buttons and the beat meter's field.
    void redrawSwitches();
    void redrawTitleLine();
    // The song changed (or its list, number or length): the title line, the track display and
    // MUSIC SETTINGS.
    void redrawSongFields();
    void redrawRows(Box box);
    void redrawColourStrips();
    void redrawTriggerWidgets(Box box);
    // A slot's cell after a load (also while hidden): the icon is kept, fills and brushes at
    // half size, and the row redrawn.
    void slotCell(AssetKind kind, int slot, const Surface* icon, uint8_t backdrop);
    // A brush's or movement's kept icon shrunk into a 16 x 16 square at `at`.
    void drawSlotIcon(AssetKind kind, int slot, Surface& canvas, Point at);

    // --- The frame tick's share --------------------------------------------------------------
    void redrawMeters(uint8_t level, bool beat);
    void halfSecond(uint32_t t);
    // The hover preview of Program Settings and the hover help: every frame tick while the
    // window is visible. Allocates nothing when the control under the cursor did not change.
    void updateHover();

    // --- Hover help ----------------------------------------------------------------------------
    // The HoverId of the control at p (client coordinates, inside the window).
    int hoverIdAt(Point p);
    // The help text of the HoverId last drawn ("" before the first).
    const std::string& helpText() const { return helpText_; }
    // How often the hover help was drawn (the title display and/or the help window).
    uint32_t hoverRedraws() const { return hoverRedraws_; }

private:
    void drawTopButton(int index);
    void buildControlsWorld();
    void buildPaletteWorld();
    void drawLive();
    void drawSongAndRaveFields();
    void drawStyleField();
    void drawManualButton();
    void drawRecordingLight();
    void drawRows(Box box);
    void drawColourStrip(bool brushRow);
    void drawTriggerWidgets(Box box);
    void drawFilesBox();
    void drawListenButtons();
    void drawIndicator(bool lit);
    void topButton(int index, int modifier);
    void boxClick(const Hit& hit, Point p, int modifier);
    void meterPress(const Hit& hit, Point p);
    bool meterRefused(bool sensitivity);
    Platform& platform() { return services_.platform(); }
    void pressThen(const Rect& r, const std::function<void(bool down)>& draw,
                   std::function<void()> action);
    Point clientCursor();
    void hoverPreview(Point p);
    // Recomputes the HoverId at p and draws it when it changed.
    void refreshHover(Point p);
    void drawHoverTitle();

    Services& services_;
    ControlsHost& host_;
    ControlsState state_;
    ControlPictures pictures_;
    ControlsView view_;
    std::unique_ptr<Panels> panels_;
    std::unique_ptr<Popups> popups_;  // --- Popups ---
    std::unique_ptr<KeyCommands> keys_;
    Surface controlsWorld_;  // the expanded area's static background, shown at (7, 26)
    Surface paletteWorld_;   // the colour strip of the gradient previews
    Surface preview_;        // scratch for asset previews
    Surface spectrumWork_;
    std::array<TopAction, kTopButtons> topActions_{};
    // The rows' icons by slot (an empty surface: none).
    std::array<Surface, 6> fillIcons_, brushIcons_, movementIcons_;
    std::array<uint8_t, 6> brushBackdrop_{};
    bool indicatorOn_ = false;
    uint32_t indicatorTime_ = 0;
    bool raveNearEnd_ = false;
    int topCount_ = 0;
    // --- Hover help ---
    std::string helpText_;
    std::string parameterName_;
    uint32_t hoverRedraws_ = 0;
};

}  // namespace korel
