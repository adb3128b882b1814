// The controls window's fixed layout as data: the top row per edition, the title line, the
// boxes of the expanded window with their rows and widgets. One table of rectangles, tested by
// one function; the numbers are client coordinates (left, top, right, bottom).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "controls/ids.h"
#include "core/services.h"
#include "platform/types.h"

namespace korel {

constexpr int kTopButtons = 14;
constexpr int kCollapsedWidth = 211, kCollapsedHeight = 165;
constexpr int kExpandedWidth = 402, kExpandedHeight = 460;
constexpr Point kControlsWorldAt{7, 26};
constexpr int kControlsWorldWidth = 390, kControlsWorldHeight = 429;

// The top row's buttons for an edition, in order; returns how many there are.
int topRowActions(Edition edition, std::array<TopAction, kTopButtons>& out);
// The button a click at (x, y) selects, or -1 (y up to 18, x from 2, 19 pixels apart; buttons
// 11 and up only when the window is drawn expanded).
int topButtonAt(Point p, int count, bool expanded);
inline Rect topButtonRect(int i) { return Rect{2 + 19 * i, 2, 19 + 19 * i, 19}; }

// What a hit names.
enum class HitKind : uint8_t {
    None,
    SongField,
    RaveField,
    StyleField,
    ManualButton,
    SettingsButton,
    BoxTitle,         // arg: Box
    FilesButton,
    GradientRow,      // arg: slot
    GradientPreview,  // arg: slot
    ColourStrip,      // arg: 0 brush, 1 fill
    ColourEffect,     // arg: 0 brush, 1 fill
    BeatIndicator,
    VolumeButton,
    FrequencyButton,
    FillRow,
    BrushRow,
    MovementRow,
    EffectButton,
    ThresholdMeter,   // arg: Box
    BeatCounter,      // arg: Box (BEAT METER: the sensitivity meter)
    ModeButton,       // arg: Box
    PanelArea,
};

struct Hit {
    HitKind kind = HitKind::None;
    int arg = 0;
    Rect rect{};
    int hoverId = 0;
};

// The box rectangles and their trigger widgets' anchors.
struct BoxLayout {
    Box box;
    Rect rect;
    Point anchor;      // bottom-left anchor of the trigger widgets
    int modeOffset;    // x offset of the trigger-mode button from the anchor
    int kind;          // the TriggerKind of the box (-1: none)
    int panelId;       // the panel its title button shows (BEAT METER: decided at the click)
    const char* title;
    int hoverCode;     // 101..106, the box code of the trigger widgets' hover ids
};
const std::vector<BoxLayout>& boxLayouts();
const BoxLayout* boxLayout(Box box);

// The trigger widgets hung from a box's anchor.
inline Rect thresholdMeterRect(Point a) { return Rect{a.x, a.y - 28, a.x + 72, a.y - 12}; }
inline Rect beatCounterRect(Point a) { return Rect{a.x, a.y - 12, a.x + 72, a.y}; }
inline Rect modeButtonRect(Point a, int d) { return Rect{a.x + d, a.y - 26, a.x + d + 32, a.y - 15}; }

// Title line and fixed places.
constexpr Rect kSongField{42, 27, 203, 40};
constexpr Rect kRaveField{42, 47, 203, 60};
constexpr Rect kStyleField{303, 27, 394, 40};
constexpr Rect kManualButton{211, 26, 266, 41};
constexpr Rect kRecordingLight{212, 47, 225, 60};
constexpr Rect kPanelArea{7, 68, 204, 158};
constexpr Rect kPanelInterior{10, 93, 201, 155};
constexpr Rect kSettingsButton{144, 71, 201, 84};
constexpr Rect kFilesButton{214, 94, 263, 107};
constexpr Rect kTrackDisplay{223, 121, 254, 146};
constexpr Rect kGradientRows{276, 93, 367, 213};
constexpr Rect kGradientPreviewButtons{368, 93, 379, 213};
constexpr Rect kGradientPreviewStrip{380, 93, 392, 212};
constexpr Rect kBrushStrip{10, 190, 122, 201};
constexpr Rect kFillStrip{10, 203, 122, 214};
constexpr Rect kBrushEffectButton{123, 190, 134, 201};
constexpr Rect kFillEffectButton{123, 203, 134, 214};
constexpr Rect kBeatMeter{147, 190, 211, 207};
constexpr Rect kBeatIndicator{230, 190, 247, 207};
// The indicator's picture is drawn so its lamp covers the click area.
constexpr Rect kBeatIndicatorPicture{228, 188, 248, 208};
constexpr Rect kVolumeButton{217, 214, 239, 227};
constexpr Rect kFrequencyButton{241, 214, 263, 227};
constexpr Rect kFillRows{10, 275, 134, 425};
constexpr Rect kBrushRows{147, 275, 263, 425};
constexpr Rect kMovementRows{276, 275, 392, 425};
constexpr Rect kEffectButton{231, 253, 263, 266};
constexpr int kGradientRowHeight = 15;
constexpr int kAssetRowHeight = 25;

// The row rectangle of a slot in a box's rows.
Rect rowRect(Box box, int slot);

// The colour a click at x in a colour strip picks: 120 at the left edge down to 1 at the right.
int colourAt(int x);
// Where a colour position sits in the strip (the inverse, for the marker).
int colourX(int colour);

// The hit at p: the title line, the boxes and their widgets (the top row and the settings
// panel's own controls are tested apart). Only what the window shows can be hit: the expanded
// area only while drawn expanded, the song and rave fields not in the LIVE edition.
Hit hitTest(Point p, Edition edition, bool expanded);

}  // namespace korel
