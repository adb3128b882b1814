// The settings panels: one at a time fills the settings panel area (client (7, 68, 204, 158)),
// each a fixed arrangement of labels, value fields, small buttons and at most one slider; the
// sliders, small buttons, beat tapping and the text-entry field that the panels are made of.
#pragma once

#include <cstdint>
#include <string>

#include "controls/view.h"

namespace korel {

class Panels {
public:
    explicit Panels(ControlsView& view);
    ~Panels();

    // Shows a panel: destroys a text-entry field, redraws the area's background, the icon and
    // the panel with its current values. Entering a file panel remembers the return panel.
    void show(int panelId);
    // Draws the current panel again (paint).
    void draw();
    // Returns from a file panel to the panel shown before it.
    void returnFromFilePanel();
    // A left click inside the settings panel area (client coordinates); true when it hit a
    // control. Press and drag loops start through the view's track().
    bool click(Point p, int modifier);
    // The frame tick's share while the panel shows: the sound-scale meter, the spectrograph,
    // and once a second the time fields.
    void tick(uint32_t songTime);
    // Redraws a slider's knob and value when its setting changed elsewhere (keys, styles).
    void redrawSlider(int sliderId);
    // Redraws the panel if it shows `panelId` (e.g. the tempo panels after a tap).
    void redrawIf(int panelId);

    // --- The text-entry field -------------------------------------------------------------
    // Shows TEXT ENTRY for `purpose` (the popup number of the kind of file) with a proposed
    // name; the field takes characters until Save, Cancel, Enter or Control+C.
    void beginTextEntry(int purpose, const std::string& proposed);
    bool textEntryActive() const;
    // A typed character while the field shows: true when the field took it (typed, dropped at
    // the limit, Backspace, Enter or Control+C); any other character is handed to
    // host().commandChar here and false returned.
    bool typeChar(uint32_t ch, int modifier);
    // Shows DELETE FILE for `kind` (the popup number of the kind of file); its field opens the
    // delete popup popup::deleteFor(kind).
    void beginDeleteFile(int kind);
    // The HoverId of the control at p in the panel area (0: none).
    int hoverAt(Point p) const;

private:
    struct Impl;
    Impl* impl_;
};

}  // namespace korel
