// The keyboard commands: a number typed before a key, the modifiers, the command keys of both
// windows and quick-load typing (Control + digit, a name prefix, Control + digit again). The
// shell hands over key-downs and the characters the text-entry field does not type, only while
// the animation runs; everything reaches the program through the controls and their host.
#pragma once

#include <cstdint>
#include <string>

namespace korel {

class Controls;
class ControlsHost;
class Services;

// The number typed before a command key. Three digits count: each further digit drops the
// oldest one (modulo 1000).
struct TypedNumber {
    bool has = false;
    int value = 0;
    int sign = 1;
    int digits = 0;           // digits typed, at most 3 count
    bool negative = false;    // "-" was typed: the next digit starts a negative number
    bool hasInteger = false;  // "." was typed: `integer` holds the part before it
    int integer = 0;

    void digit(int d);
    void point();
    void clear() { *this = TypedNumber{}; }
    // |value| modulo 10^digits (the "last n digits, taken as positive").
    int last(int digits) const;
};

// Quick-load typing: a category 1..9 (0: off) and the name prefix typed so far.
struct QuickLoad {
    int category = 0;
    std::string prefix;
    static constexpr size_t kMaxPrefix = 16;
};

// The modifier of a key or character from the keyboard state: Shift 2, else Control 3, else
// Alt 1, else 0.
constexpr int keyModifier(bool shift, bool ctrl, bool alt) {
    return shift ? 2 : ctrl ? 3 : alt ? 1 : 0;
}

// The command letter a character stands for: letters case-blind, control characters 1..26
// (with Control) mapped back to their letter; 0 when it is no letter.
char commandLetter(uint32_t ch, int modifier);

// The tempo in hundredths typed before T: the integer part and the digits after the point
// brought to two places; -1 when nothing usable was typed.
int typedTempo(const TypedNumber& n);

class KeyCommands {
public:
    KeyCommands(Services& services, ControlsHost& host, Controls& controls);

    // A key-down (a virtual key of platform/keys.h) with its modifier flags at song time `time`.
    void keyDown(int key, bool shift, bool ctrl, bool alt, uint32_t time);
    // A typed character with its modifier (0 none, 1 Alt, 2 Shift, 3 Control).
    void character(uint32_t ch, int modifier, uint32_t time);

    // The song time of the key event being handled, for characters the text field forwards.
    void setStamp(uint32_t time) { stamp_ = time; }
    uint32_t stamp() const { return stamp_; }

    const TypedNumber& number() const { return number_; }
    const QuickLoad& quickLoad() const { return quick_; }

private:
    void command(uint32_t ch, int modifier, uint32_t time);
    void letter(char c, int modifier, uint32_t time);
    void slotKey(int code, int modifier);
    void colourKey(int code, int modifier, bool takesNumber);
    void rangedKey(int code, int digits, bool signedValue, int min, int max, int offset,
                   int modifier);
    void tempoKey(uint32_t time);
    void sampleSizeKey();
    void parameterKey(int index, int modifier);
    void changeEverything(int modifier);
    void tapKey(int modifier, uint32_t time);
    void trackKey(bool forward);
    void volumeKey(bool up);
    void applyPending(int modifier, uint32_t time);
    void redrawTempoPanels();
    void saveStyle();
    void quickDigit(int digit);
    void quickChar(uint32_t ch);
    void quickFinish(int digit);
    void quickEnd(bool beep);
    bool raveRefusal();

    Services& services_;
    ControlsHost& host_;
    Controls& controls_;
    TypedNumber number_;
    TypedNumber taken_;  // the number the command being run was typed with
    QuickLoad quick_;
    uint32_t stamp_ = 0;
};

}  // namespace korel
