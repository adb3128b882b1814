// The program's 256-entry palette: system colours, the fixed interface colours and the
// animated ranges.
#pragma once

#include "platform/types.h"

namespace korel {

// Fixed interface colours (entries 10..20).
namespace ui {
constexpr uint8_t Black = 0, White = 255, Grey192 = 7;
constexpr uint8_t Light = 10;     // (225, 225, 225)
constexpr uint8_t Grey161 = 11;   // (161, 161, 161)
constexpr uint8_t Grey97 = 12;    // (97, 97, 97)
constexpr uint8_t Grey63 = 13;    // (63, 63, 63)
constexpr uint8_t Grey33 = 14;    // (33, 33, 33)
constexpr uint8_t DarkGreen = 15; // (0, 63, 0)
constexpr uint8_t Green191 = 16;  // (0, 191, 0)
constexpr uint8_t Blue = 17;      // (0, 128, 255)
constexpr uint8_t Violet = 18;    // (127, 0, 255)
constexpr uint8_t Orange = 19;    // (255, 85, 0)
constexpr uint8_t Amber = 20;     // (255, 170, 0)
constexpr uint8_t Red = 249, Green = 250, Yellow = 251, PureBlue = 252, Cyan = 254;
}  // namespace ui

// The palette as the display is set up: entries 0-9 and 246-255 the static system colours,
// 10-20 the interface colours, 21-200 black and 201-245 (63, 63, 65), all animatable.
Palette buildProgramPalette();

// The entry among the fixed ones (0-20, 246-255) nearest to a colour, as colours given by RGB
// are drawn.
uint8_t nearestFixedIndex(const Palette& palette, Rgb colour);

}  // namespace korel
