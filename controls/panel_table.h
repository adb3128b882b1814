// The settings panels as data: for each panel its title, icon and a table of the places it
// holds (labels, popup fields, value displays, small buttons, its slider), and the slider
// ranges. Drawing, hit-testing and hover help all read these tables, so a control exists in one
// place only. Local to controls/.
#pragma once

#include <cstdint>
#include <span>

#include "controls/ids.h"
#include "platform/types.h"

namespace korel::panels {

// What kind of place an item is.
enum class Part : uint8_t {
    Label,    // static text, centred in its rectangle
    Field,    // a popup field: id is the PopupId it opens
    Value,    // a value display (green on black): id tells what it shows
    Button,   // a small labelled button: id is its ButtonId
    Slider,   // the slider line: id is the SliderId
    Picture,  // drawn by someone else (meters, digits, the pattern bar, the edit field)
};

// When an item is present; evaluated against the live state when drawing and hit-testing.
enum class When : uint8_t {
    Always,
    NotLive,    // MUSIC SETTINGS' song side
    CdOnly,     // "Play CD When Launched:"
    SaverOn,    // the screen-saver delay slider
    TwoTaps,    // "Apply New ...:" once two taps are pending
    FewerTaps,  // "Align Current ...:" otherwise
};

// What a Value display shows (ids of Part::Value and Part::Picture items).
enum Show : int {
    kShowElapsed = 1,
    kShowTotal,
    kShowAverageTempo,
    kShowSliderValue,  // the slider's own value text
    kShowTrackDigits,
    kShowScaleMeter,
    kShowSpectrograph,
    kShowPatternBar,
    kShowEditField,
    kShowPrompt,  // TEXT ENTRY's "Type a ... name below."
};

struct Item {
    Part part;
    Rect rect;
    int id;             // PopupId, ButtonId, SliderId or a Show code
    const char* label;  // drawn right-aligned before the rectangle (or the text of a Label)
    When when = When::Always;
    int hover = 0;  // the HoverId (0: the id itself for fields, buttons and sliders)
};

struct PanelSpec {
    int id;
    const char* title;
    int icon;  // the Box whose title-button picture is the icon, -1 for none
    std::span<const Item> items;
};

// The panel's table, or null for an unknown PanelId.
const PanelSpec* findPanel(int panelId);
// The ATTACHMENTS panel's items for a category (151..156); empty for another number.
std::span<const Item> attachmentItems(int category);
// "Brush Effects", "Fills & Trails", ... for the category field; "" for another number.
const char* attachmentCategoryName(int category);

// The area and its fixed places (before the LIVE edition's shift).
constexpr Rect kArea{7, 68, 204, 158};
constexpr Rect kInterior{10, 93, 201, 155};
constexpr Rect kSettingsButton{144, 71, 201, 84};
constexpr Point kTitleAt{31, 85};
constexpr Point kFileTitleAt{10, 85};
constexpr Point kIconAt{12, 73};
constexpr Rect kSliderLine{39, 140, 172, 153};
constexpr Point kTrackAt{39, 140};
constexpr int kKnobY = 141;
constexpr Point kMaxLabelAt{174, 150};
constexpr Rect kValueText{158, 125, 199, 138};
constexpr Rect kFrequencyText{158, 95, 199, 108};
constexpr Rect kEditField{14, 116, 198, 130};
constexpr Rect kPatternBar{13, 125, 198, 138};
constexpr Rect kWideEffectPopup{147, 0, 238, 0};  // x span of the effect popups of two panels

// --- Sliders --------------------------------------------------------------------------------

struct SliderRange {
    int min;
    int max;
};
// The range of a SliderId (the parameter slider's comes from its movement; 0..120 here).
SliderRange sliderRange(int sliderId);
// The knob's x for a value: (value - min) * 127 / (max - min) + 39.
int knobX(int value, SliderRange r);
// A dragged cursor x to a value: x clamped to 42..169, then min + (max - min) * (x - 42) / 127.
int valueAtX(int x, SliderRange r);
// The four main sliders and the parameter slider pass Shift and Control on as hold modes.
bool passesModifier(int sliderId);
bool isAttachmentSlider(int sliderId);
// The ChangeCode a main slider sends (0 for the others).
int changeCodeOf(int sliderId);
// The byte of a BrushAttachment entry an attachment slider (or a blocked main slider) uses;
// -1 when none.
int attachmentByteOf(int sliderId);
// The value display's HoverId of a slider with value text: 200..219.
int valueHoverOf(int sliderId);

}  // namespace korel::panels
