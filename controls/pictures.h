// The controls window's pictures: the numbered picture files of the "Controls" resource folder,
// their loader, and the rectangles of every sub-picture, so drawing code names what it cuts.
//
// The files are 8-bit uncompressed BMPs whose pixel values are the program's palette indices
// (only the fixed entries 0-20 and 246-255); their colour tables only serve image viewers.
#pragma once

#include <cstdint>
#include <iterator>
#include <span>
#include <string>

#include "platform/bytes.h"
#include "platform/surface.h"
#include "platform/types.h"

namespace korel {

// --- The pictures and their sizes ----------------------------------------------------------

namespace pict {
constexpr int Splash = 128;        // 145 x 71: the mark and the wordmark
constexpr int Scale = 130;         // 79 x 10: the threshold meters' scale
constexpr int RowLabels = 131;     // 112 x 11: "Brush" and "Fill" labels of the COLORS box
constexpr int TopRow = 132;        // 272 x 34: 16 top-row images, "off" above, "on" below
constexpr int TitleButtons = 133;  // 143 x 40: 7 box title buttons, up above, pressed below
constexpr int Digits = 134;        // 100 x 17: the digits 0 to 9
constexpr int Widgets = 135;       // 192 x 26: knobs, markers, slider tracks, small button
constexpr int Indicator = 136;     // 20 x 20: the lit beat indicator
constexpr int Marker = 137;        // 17 x 13: the popup marker
constexpr int Arrows = 138;        // 22 x 14: the popup scroll arrows
}  // namespace pict

struct PictureSize {
    int number, width, height;
};

constexpr PictureSize kPictureSizes[] = {
    {pict::Splash, 145, 71}, {pict::Scale, 79, 10},       {pict::RowLabels, 112, 11},
    {pict::TopRow, 272, 34}, {pict::TitleButtons, 143, 40}, {pict::Digits, 100, 17},
    {pict::Widgets, 192, 26}, {pict::Indicator, 20, 20},  {pict::Marker, 17, 13},
    {pict::Arrows, 22, 14},
};
constexpr int kPictureCount = int(std::size(kPictureSizes));

// "<folder>/<number>.bmp"
std::string pictureFileName(int number);

// Whether a palette index may appear in a picture: the entries no palette animation touches.
constexpr bool isFixedPaletteIndex(int index) {
    return (index >= 0 && index <= 20) || (index >= 246 && index <= 255);
}

struct ControlPictures {
    Surface splash;        // 128
    Surface scale;         // 130
    Surface rowLabels;     // 131
    Surface topRow;        // 132
    Surface titleButtons;  // 133
    Surface digits;        // 134
    Surface widgets;       // 135
    Surface indicator;     // 136
    Surface marker;        // 137
    Surface arrows;        // 138
    // The beat indicator put out: picture 136 with its lamp colours dimmed (made by the loader).
    Surface indicatorOff;

    Surface* byNumber(int number);
    const Surface* byNumber(int number) const;
};

// Reads every picture from `folder` ("<seed>/Controls"); on failure returns false and sets
// `failure` to the fatal word: "Pict" when a file is missing, unreadable or not exactly its
// size and depth. `out` is only changed on success.
bool loadControlPictures(const std::string& folder, ControlPictures& out, std::string& failure);

// --- The file form -------------------------------------------------------------------------

namespace bmp {
constexpr size_t kFileHeader = 14;
constexpr size_t kInfoHeader = 40;  // the smallest info header accepted; larger ones are skipped
constexpr size_t kOffBits = 10;     // in the file header: where the pixel rows start
constexpr size_t kOffInfoSize = 14, kOffWidth = 18, kOffHeight = 22, kOffPlanes = 26,
                 kOffBitCount = 28, kOffCompression = 30, kOffImageSize = 34, kOffColoursUsed = 46;
constexpr size_t kPaletteAt = kFileHeader + kInfoHeader;
constexpr int kMaxSide = 4096;  // no picture of ours comes near; larger is rejected unread
}  // namespace bmp

// Reads an uncompressed 8-bit BMP of exactly width x height (rows either way up) into `out`.
// Anything else (another depth, compression, size, a short file) returns false, `out` unchanged.
bool decodePicture(std::span<const uint8_t> data, int width, int height, Surface& out);

// Writes `picture` as a bottom-up 8-bit BMP with `palette` as its 256-colour table.
Bytes encodePicture(const Surface& picture, const Palette& palette);

// --- Sub-pictures --------------------------------------------------------------------------

// 132: the top-row images. Each edition's button uses the image named here; the strip's order
// is the CD edition's button order, then the two images no CD button uses.
namespace topimg {
constexpr int Quit = 0;
constexpr int Eject = 1;
constexpr int PreviousTrack = 2;  // also the LIVE edition's Previous Style
constexpr int Rewind = 3;
constexpr int Stop = 4;  // also Stop Animation
constexpr int PlayPause = 5;  // also Play / Pause Animation
constexpr int Fastforward = 6;
constexpr int NextTrack = 7;  // also Next Style
constexpr int Listening = 8;
constexpr int Settings = 9;
constexpr int AnimationWindow = 10;
constexpr int Trails = 11;
constexpr int EraseTrails = 12;
constexpr int Help = 13;
constexpr int TrailsAttached = 14;  // replaces Trails (both rows) while the brush holds trails
constexpr int LoadMusicFile = 15;
constexpr int Count = 16;
}  // namespace topimg

constexpr int kTopImageSize = 17;
constexpr Rect kTopImage(int image, bool on) {
    return Rect{image * kTopImageSize, on ? kTopImageSize : 0, (image + 1) * kTopImageSize,
                on ? 2 * kTopImageSize : kTopImageSize};
}

// 133: one title button per box, in this order; the 16 x 16 middle is the panel icon.
namespace boxpic {
constexpr int Files = 0;
constexpr int Gradients = 1;
constexpr int Colors = 2;
constexpr int BeatMeter = 3;
constexpr int Fills = 4;
constexpr int Brushes = 5;
constexpr int Movements = 6;
constexpr int Count = 7;
}  // namespace boxpic

constexpr int kTitleButtonSize = 20;
constexpr Rect kTitleButton(int box, bool pressed) {
    return Rect{box * kTitleButtonSize, pressed ? kTitleButtonSize : 0,
                (box + 1) * kTitleButtonSize, pressed ? 2 * kTitleButtonSize : kTitleButtonSize};
}
constexpr Rect kPanelIcon(int box) {
    return Rect{box * kTitleButtonSize + 2, 2, box * kTitleButtonSize + 18, 18};
}

// 134: the digits of the track-number display.
constexpr int kDigitWidth = 10, kDigitHeight = 17;
constexpr Rect kDigit(int d) { return Rect{d * kDigitWidth, 0, (d + 1) * kDigitWidth, kDigitHeight}; }

// 135: the widget parts.
constexpr int kKnobWidth = 6, kKnobHeight = 11;
constexpr Rect kKnob(bool enabled = true) {
    return Rect{0, enabled ? 0 : kKnobHeight, kKnobWidth, enabled ? kKnobHeight : 2 * kKnobHeight};
}
// The second look: a slider's pending value.
constexpr Rect kKnobPending(bool enabled = true) {
    return Rect{6, enabled ? 0 : kKnobHeight, 12, enabled ? kKnobHeight : 2 * kKnobHeight};
}
constexpr Rect kKnobLook(bool pending, bool enabled = true) {
    return pending ? kKnobPending(enabled) : kKnob(enabled);
}
// The threshold markers: above the track (6 x 5, pointing down) and below it (6 x 6, pointing up).
constexpr Rect kMarkerUpper(bool enabled = true) {
    return enabled ? Rect{12, 0, 18, 5} : Rect{12, 11, 18, 16};
}
constexpr Rect kMarkerLower(bool enabled = true) {
    return enabled ? Rect{12, 5, 18, 11} : Rect{12, 16, 18, 22};
}
// Style 1 is the two-way track of a movement's "Direction" parameter.
constexpr int kTrackWidth = 133, kTrackHeight = 13;
constexpr Rect kTrack(int style = 0) {
    return Rect{18, style ? kTrackHeight : 0, 18 + kTrackWidth, style ? 2 * kTrackHeight : kTrackHeight};
}
constexpr int kSmallButtonWidth = 41, kSmallButtonHeight = 13;
constexpr Rect kSmallButton(bool down) {
    return Rect{151, down ? kSmallButtonHeight : 0, 151 + kSmallButtonWidth,
                down ? 2 * kSmallButtonHeight : kSmallButtonHeight};
}

// 131: the two row labels.
constexpr Rect kRowLabel(bool fill) { return fill ? Rect{56, 0, 112, 11} : Rect{0, 0, 56, 11}; }

// 136: all of it; drawn so the lamp covers the indicator's 17 x 17 click area, which starts
// (2, 2) inside the picture.
constexpr Rect kIndicator{0, 0, 20, 20};
constexpr Point kIndicatorLampOffset{2, 2};

// 137: only the upper-left part is drawn, at (field right - 12, field top + 1).
constexpr Rect kPopupMarker{0, 0, 10, 12};

// 138: the arrows of a popup's arrow rows.
constexpr int kArrowWidth = 11, kArrowHeight = 7;
constexpr Rect kScrollArrow(bool corner, bool down) {
    return Rect{corner ? kArrowWidth : 0, down ? kArrowHeight : 0,
                corner ? 2 * kArrowWidth : kArrowWidth, down ? 2 * kArrowHeight : kArrowHeight};
}

// The window icon: not a numbered picture; a square 8-bit BMP whose index kIconClear is clear.
constexpr const char* kIconFile = "icon.bmp";
constexpr int kIconSize = 64;
constexpr uint8_t kIconClear = 253;

// Reads the window icon; false (and nothing else) when it is missing or malformed: the windows
// then keep the desktop's default icon.
bool loadProgramIcon(const std::string& folder, Surface& out);

}  // namespace korel
