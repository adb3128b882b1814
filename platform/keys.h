// Virtual key codes carried by key-down events (the classic desktop key numbering).
#pragma once

namespace korel::vk {
constexpr int Back = 0x08, Tab = 0x09, Return = 0x0D, Shift = 0x10, Control = 0x11, Menu = 0x12;
constexpr int Pause = 0x13, Escape = 0x1B, Space = 0x20, Prior = 0x21, Next = 0x22, End = 0x23;
constexpr int Home = 0x24, Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28, Insert = 0x2D;
constexpr int Delete = 0x2E, Help = 0x2F;
// '0'..'9' are 0x30..0x39 and 'A'..'Z' are 0x41..0x5A, as their characters.
constexpr int Numpad0 = 0x60, Multiply = 0x6A, Add = 0x6B, Subtract = 0x6D, Decimal = 0x6E;
constexpr int Divide = 0x6F, F1 = 0x70, F12 = 0x7B;
constexpr int Oem1 = 0xBA;  // ";"
constexpr int OemPlus = 0xBB, OemComma = 0xBC, OemMinus = 0xBD, OemPeriod = 0xBE;
constexpr int Oem2 = 0xBF;  // "/"
}  // namespace korel::vk
