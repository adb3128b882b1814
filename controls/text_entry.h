// The TEXT ENTRY panel's edit field, drawn by the panels themselves: its text, selection and
// character filter. Local to controls/.
#pragma once

#include <cstdint>
#include <string>

namespace korel::panels {

struct TextEntry {
    bool active = false;
    std::string text;
    bool selected = false;  // the whole text is selected (as it is when the field opens)
    int limit = 15;
    int purpose = 0;  // the PopupId of the kind of file being named
};

// What a character did to the field.
enum class EntryResult : uint8_t {
    Typed,     // taken into the text (or replaced the selection)
    Dropped,   // an allowed character past the limit with nothing selected
    Edited,    // Backspace
    Accept,    // Enter or Control+C
    NotTyped,  // every other character: it belongs to the keyboard commands
};

// 27 for song, rave and songlist names, 15 for style and set names.
int entryLimit(int purpose);
// "style", "gradient set", ... for the prompt "Type a <word> name below.".
const char* entryKindWord(int purpose);
// Letters, digits, space and # $ % & ' ( ) - ; ^ _ ` are typed.
bool entryCharAllowed(uint32_t ch);

// Opens the field pre-filled with `proposed` (cut to the limit), fully selected.
void openEntry(TextEntry& e, int purpose, const std::string& proposed);
// One character with its modifier (0 none, 1 Alt, 2 Shift, 3 Control).
EntryResult typeIntoEntry(TextEntry& e, uint32_t ch, int modifier);
// The name an accepted text is saved under: at most 31 characters, spaces as "_".
std::string entryName(const std::string& text);

}  // namespace korel::panels
