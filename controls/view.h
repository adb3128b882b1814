// What every part of the controls window draws and tracks with: the window's canvas, the
// pictures, the host, the window's state, and the drawing helpers the boxes and panels share.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "controls/controls_host.h"
#include "controls/ids.h"
#include "controls/pictures.h"
#include "core/services.h"
#include "platform/platform.h"

namespace korel {

// Colours of the window (palette entries).
namespace cc {
constexpr uint8_t Background = 13;  // (63, 63, 63)
constexpr uint8_t BoxBody = 7;      // the stock grey (192, 192, 192)
constexpr uint8_t LightField = 11;  // (161, 161, 161)
constexpr uint8_t Edge = 10;        // light box edges and meter lines
constexpr uint8_t Black = 0;
constexpr uint8_t White = 255;
constexpr uint8_t Green = 250;      // (0, 255, 0): default-button frames, "on" toggles
constexpr uint8_t DimGreen = 16;
constexpr uint8_t Grey97 = 12;
constexpr uint8_t LightGrey = 10;
constexpr uint8_t Red = 249;
}  // namespace cc

// A press or drag that follows the mouse until the left button is released. The main loop
// calls it on every pass while it runs (the frame tick keeps running in between), with the
// cursor in client coordinates.
struct Tracker {
    std::function<void(Point)> move;     // while the button is down
    std::function<void(Point)> release;  // once, when it is up
};

// The window's state.
struct ControlsState {
    bool visible = false;
    bool settingsLock = false;   // the user's choice of the expanded window
    bool drawnExpanded = false;  // the window shows its expanded area
    bool reExpandOnShow = false;
    int hoverPreview = 0;        // 0 none, 1 on the button already expanded, 2 expanded for it
    int panel = panel::Music;
    int returnPanel = panel::Music;
    int hoverId = -1;            // the HoverId last drawn (-1: draw the next one whatever it is)
    bool ignoreNextClick = false;
    bool tracking = false;       // a press or drag loop runs
    int pressedTop = -1;         // the top-row button drawn pressed (-1 none)
    // The ATTACHMENTS panel's brush (0-based slot) and category (151..156).
    int attachBrush = 0;
    int attachCategory = 151;
    // PARAMETER DETAILS: the movement slot (0-based) and parameter (0-2) it shows.
    int parameterSlot = 0;
    int parameter = 0;
    // TEXT ENTRY's purpose (the file kind of the save: a popup number) and its limit.
    int entryPurpose = 0;
    // The rave field's blink near a song's end.
    bool raveBlinkOn = false;
};

class ControlsView {
public:
    ControlsView(Services& services, ControlsHost& host, const ControlPictures& pictures,
                 ControlsState& state)
        : services_(services), host_(host), pictures_(pictures), state_(state) {}

    Services& services() { return services_; }
    Platform& platform() { return services_.platform(); }
    ControlsHost& host() { return host_; }
    const ControlPictures& pictures() const { return pictures_; }
    ControlsState& state() { return state_; }
    Edition edition() const { return services_.edition(); }
    bool live() const { return services_.edition() == Edition::LIVE; }
    // The LIVE edition draws its settings panels 20 pixels higher.
    int panelShift() const { return live() ? -20 : 0; }

    void setWindow(WindowId w) { window_ = w; }
    WindowId window() const { return window_; }
    Surface& canvas() { return platform().canvas(window_); }
    Fonts& fonts() { return platform().fonts(); }
    // Shows a part of the canvas at once (outside paint every change redraws what it touches).
    void present(const Rect& r);

    // Starts a press or drag loop (ignored while one runs).
    void track(Tracker t);
    Tracker& tracker() { return tracker_; }

    // --- Drawing helpers ---------------------------------------------------------------------
    // Text with its baseline-left origin at (x, baseline) in the 9-pixel UI font.
    void text(int x, int baseline, std::string_view s, uint8_t colour);
    // Text centred (or right-aligned) in a box, vertically centred.
    void textIn(const Rect& box, std::string_view s, uint8_t colour, Align align = Align::Centre);
    // A black value field with white (or green) text, centred.
    void valueField(const Rect& r, std::string_view s, uint8_t colour = cc::White);
    // A black field framed grey with the popup marker at its right end and a name in white.
    void popupField(const Rect& r, std::string_view name);
    // A small labelled button (41 x 13), up or down; the default one gets a green frame.
    void smallButton(const Rect& r, std::string_view label, bool down, bool isDefault = false);
    // The grey body of a box with its light and black edges and shadow.
    void boxBody(Surface& s, const Rect& r);

private:
    Services& services_;
    ControlsHost& host_;
    const ControlPictures& pictures_;
    ControlsState& state_;
    WindowId window_ = kNoWindow;
    Tracker tracker_;
};

// The modifier of a click or key: 2 Shift, 3 Control, 1 Alt (tested in that order), else 0.
inline int clickModifier(const Event& e) { return e.shift ? 2 : e.ctrl ? 3 : e.alt ? 1 : 0; }

}  // namespace korel
