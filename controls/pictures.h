// The controls window's pictures (a stand-in until the generated set lands: blank surfaces of
// the right sizes).
#pragma once

#include <string>

#include "platform/surface.h"

namespace korel {

struct ControlPictures {
    Surface splash, scale, rowLabels, topRow, titleButtons, digits, widgets, indicator, marker,
        arrows;
};

bool loadControlPictures(const std::string& folder, ControlPictures& out, std::string& failure);

// Sub-pictures.
inline Rect topImage(int i, bool on) { return Rect{i * 17, on ? 17 : 0, i * 17 + 17, on ? 34 : 17}; }
inline Rect titleButtonImage(int i, bool pressed) {
    return Rect{i * 20, pressed ? 20 : 0, i * 20 + 20, pressed ? 40 : 20};
}
inline Rect digitImage(int d) { return Rect{d * 10, 0, d * 10 + 10, 17}; }
inline Rect knobImage(bool pending, bool disabled) {
    const int x = pending ? 6 : 0, y = disabled ? 11 : 0;
    return Rect{x, y, x + 6, y + 11};
}
inline Rect trackImage(int style) { return Rect{18, style * 13, 18 + 133, style * 13 + 13}; }
inline Rect smallButtonImage(bool down) { return Rect{151, down ? 13 : 0, 192, down ? 26 : 13}; }
// Threshold markers: 6 x 5 above the track, 6 x 6 below it.
inline Rect markerAboveImage(bool disabled) {
    const int y = disabled ? 11 : 0;
    return Rect{12, y, 18, y + 5};
}
inline Rect markerBelowImage(bool disabled) {
    const int y = disabled ? 16 : 5;
    return Rect{12, y, 18, y + 6};
}
constexpr Rect kPopupMarker{0, 0, 10, 12};

}  // namespace korel
