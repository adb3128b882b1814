// Translation of SDL key codes and typed text into the program's virtual keys and characters.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace korel::desktop {

// The virtual key (platform/keys.h) of an SDL key code, or 0 for keys the program never sees.
int virtualKeyFor(int32_t sdlKeycode);

// The character a key press types by itself, for the keys whose characters SDL's text input
// leaves out: Ctrl+letter gives its control character (Ctrl+C is 3), Enter 13, Backspace 8,
// Tab 9, Escape 27. 0 when the key types nothing of this kind (its text comes as text input).
uint32_t controlCharFor(int32_t sdlKeycode, bool ctrl, bool alt);

// Whether text input counts while these modifiers are held. With Control alone a key is a
// command: its key-down (Control + digit) or control character says it all, and the text some
// layouts still produce for it (Control+1 types "1" on X11) would run it twice. Control+Alt is
// AltGr, whose text is what the user typed.
bool textFromKeys(bool ctrl, bool alt);

// The code points of UTF-8 text; a malformed byte stands for itself (as Latin-1), so nothing
// typed is lost and nothing is read past the end.
std::vector<uint32_t> decodeUtf8(std::string_view text);

// The program's strings as UTF-8 for the font renderer: valid UTF-8 is kept, anything else is
// taken as Latin-1.
std::string toUtf8(std::string_view text);

}  // namespace korel::desktop
