// The TEXT ENTRY panel's edit field: the character filter, the limits and the typed name.
#include "controls/text_entry.h"

#include "controls/ids.h"

namespace korel::panels {

int entryLimit(int purpose) {
    switch (purpose) {
        case popup::Songs:
        case popup::Raves:
        case popup::Songlists:
            return 27;
        default:
            return 15;
    }
}

const char* entryKindWord(int purpose) {
    switch (purpose) {
        case popup::Styles:
            return "style";
        case popup::GradientSets:
            return "gradient set";
        case popup::FillSets:
            return "fill set";
        case popup::BrushSets:
            return "brush set";
        case popup::MovementSets:
            return "movement set";
        case popup::Songs:
            return "song";
        case popup::Raves:
            return "rave";
        case popup::Songlists:
            return "songlist";
        default:
            return "file";
    }
}

bool entryCharAllowed(uint32_t ch) {
    if ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9'))
        return true;
    switch (ch) {
        case ' ':
        case '#':
        case '$':
        case '%':
        case '&':
        case '\'':
        case '(':
        case ')':
        case '-':
        case ';':
        case '^':
        case '_':
        case '`':
            return true;
        default:
            return false;
    }
}

void openEntry(TextEntry& e, int purpose, const std::string& proposed) {
    e.active = true;
    e.purpose = purpose;
    e.limit = entryLimit(purpose);
    e.text = proposed.substr(0, size_t(e.limit));
    e.selected = !e.text.empty();
}

EntryResult typeIntoEntry(TextEntry& e, uint32_t ch, int modifier) {
    const bool control = modifier == 3;
    // Enter, and Control+C (which arrives as character 3 or as 'c' with Control).
    if (ch == '\r' || ch == '\n' || ch == 3 || (control && (ch == 'c' || ch == 'C')))
        return EntryResult::Accept;
    if (ch == 8) {
        if (e.selected)
            e.text.clear();
        else if (!e.text.empty())
            e.text.pop_back();
        e.selected = false;
        return EntryResult::Edited;
    }
    if (control || !entryCharAllowed(ch)) return EntryResult::NotTyped;
    if (e.selected) {
        e.text.clear();
        e.selected = false;
    }
    if (int(e.text.size()) >= e.limit) return EntryResult::Dropped;
    e.text.push_back(char(ch));
    return EntryResult::Typed;
}

std::string entryName(const std::string& text) {
    std::string name = text.substr(0, 31);
    for (char& c : name)
        if (c == ' ') c = '_';
    return name;
}

}  // namespace korel::panels
