// The keyboard commands of both windows.
#include "controls/keys.h"

#include <algorithm>
#include <cctype>

#include "controls/controls.h"
#include "controls/controls_host.h"
#include "persist/visual_state.h"
#include "platform/keys.h"
#include "triggers/triggers.h"

namespace korel {

// --- The typed number --------------------------------------------------------------------------

void TypedNumber::digit(int d) {
    if (negative || !has) {
        // "-" asks for the next digit to begin a negative number.
        value = negative ? -d : d;
        has = true;
        sign = negative ? -1 : 1;
        negative = false;
        digits = 1;
        return;
    }
    const int magnitude = (std::abs(value) * 10 + d) % 1000;
    value = sign * magnitude;
    digits = std::min(digits + 1, 3);
}

void TypedNumber::point() {
    integer = has ? std::abs(value) : 0;
    hasInteger = true;
    has = false;
    negative = false;
    value = 0;
    sign = 1;
    digits = 0;
}

int TypedNumber::last(int count) const {
    int mod = 1;
    for (int i = 0; i < count; ++i) mod *= 10;
    return std::abs(value) % mod;
}

char commandLetter(uint32_t ch, int modifier) {
    if (ch < 0x80 && std::isalpha(int(ch))) return char(std::toupper(int(ch)));
    // Control+C applies the pending values; Backspace, Tab and Enter are themselves unless
    // Control made them.
    if (ch >= 1 && ch <= 26 && ch != 3) {
        const bool plainKey = ch == 8 || ch == 9 || ch == 10 || ch == 13;
        if (modifier == 3 || !plainKey) return char('A' + int(ch) - 1);
    }
    return 0;
}

int typedTempo(const TypedNumber& n) {
    if (!n.hasInteger) return n.has ? std::abs(n.value) * 100 : -1;
    int fraction = 0;
    if (n.has) {
        const int v = std::abs(n.value);
        fraction = n.digits == 1 ? v * 10 : n.digits == 2 ? v : v / 10;
    }
    return n.integer * 100 + fraction;
}

// --- Quick-load categories ---------------------------------------------------------------------

namespace {

struct QuickCategory {
    const char* folder;
    const char* ext;
};

// Categories 1..8; 9 opens a category without files.
constexpr QuickCategory kQuickCategories[] = {
    {"Styles", ".sty"},  {"Gradients", ".gra"}, {"Fills", ".fil"},   {"Brushes", ".bru"},
    {"Movements", ".mvm"}, {"Effects", ".efc"}, {"Effects", ".efc"}, {"Effects", ".efb"},
};

std::string lowered(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

// --- Entry points ------------------------------------------------------------------------------

KeyCommands::KeyCommands(Services& services, ControlsHost& host, Controls& controls)
    : services_(services), host_(host), controls_(controls) {}

// The key-down commands change nothing that is time-stamped; Shift and Alt make no difference.
void KeyCommands::keyDown(int key, bool /*shift*/, bool ctrl, bool /*alt*/, uint32_t /*time*/) {
    if (ctrl && key >= '0' && key <= '9') {
        taken_ = number_;
        number_.clear();
        quickDigit(key - '0');
        return;
    }
    switch (key) {
        case vk::Escape:
        case vk::Left:
        case vk::Right:
        case vk::Up:
        case vk::Down:
        case vk::F1:
        case vk::Help:
            break;
        default:
            return;  // not a command: a typed number survives Shift and the other keys
    }
    taken_ = number_;
    number_.clear();
    switch (key) {
        case vk::Escape:
            host_.topAction(TopAction::Quit, 0);
            return;
        case vk::Left:
        case vk::Right:
            trackKey(key == vk::Right);
            return;
        case vk::Up:
        case vk::Down:
            volumeKey(key == vk::Up);
            return;
        default:
            host_.topAction(TopAction::Help, 0);
            controls_.redrawTopButton(TopAction::Help);
            return;
    }
}

void KeyCommands::character(uint32_t ch, int modifier, uint32_t time) {
    if (quick_.category != 0) {
        quickChar(ch);
        return;
    }
    if (ch >= '0' && ch <= '9') {
        number_.digit(int(ch - '0'));
        return;
    }
    if (ch == '-') {
        number_.negative = true;
        return;
    }
    if (ch == '.') {
        number_.point();
        return;
    }
    taken_ = number_;
    number_.clear();
    command(ch, modifier, time);
}

// --- Commands ----------------------------------------------------------------------------------

void KeyCommands::command(uint32_t ch, int modifier, uint32_t time) {
    if (const char c = commandLetter(ch, modifier)) {
        letter(c, modifier, time);
        return;
    }
    switch (ch) {
        case ' ':
            if (host_.animationShown()) host_.toggleControls();
            return;
        case 3:
        case 13:
            applyPending(modifier, time);
            return;
        case 9:
            if (raveRefusal()) return;
            host_.triggers().align(time);
            redrawTempoPanels();
            return;
        case '/':
        case '?':
            host_.topAction(TopAction::Help, 0);
            controls_.redrawTopButton(TopAction::Help);
            return;
        case ';':
            saveStyle();
            return;
        case '=':
            if (!host_.saveAttachedRave())
                services_.showAlert("A rave must be attached to use this command!");
            return;
        default:
            return;
    }
}

void KeyCommands::letter(char c, int modifier, uint32_t time) {
    VisualState& v = host_.visual();
    switch (c) {
        case 'A':
            host_.applyUserChange(kChangeSwitches, v.get(vs::Switches) ^ vs::kSwitchTrails,
                                  modifier);
            controls_.redrawTopButton(TopAction::Trails);
            return;
        case 'B': slotKey(kChangeBrush, modifier); return;
        case 'C': colourKey(kChangeBrushColour, modifier, true); return;
        case 'D': rangedKey(kChangeSpread, 3, false, 1, 120, 0, modifier); return;
        case 'E': tapKey(modifier, time); return;
        case 'F': slotKey(kChangeFill, modifier); return;
        case 'G': slotKey(kChangeGradient, modifier); return;
        case 'H':
            host_.setManualMode(!host_.triggers().manualMode());
            controls_.redrawTitleLine();
            return;
        case 'I': host_.forceBeat(); return;
        case 'J': rangedKey(kChangeColourKick, 2, true, -50, 50, 50, modifier); return;
        case 'K': colourKey(kChangeFillColour, modifier, true); return;
        case 'L':
            host_.topAction(TopAction::Listening, modifier);
            controls_.redrawSwitches();
            return;
        case 'M': slotKey(kChangeMovement, modifier); return;
        case 'N': sampleSizeKey(); return;
        case 'O':
            // Both colours by the COLORS trigger mode; a typed number does not count.
            taken_.clear();
            colourKey(kChangeBrushColour, modifier, false);
            colourKey(kChangeFillColour, modifier, false);
            return;
        case 'P':
            host_.topAction(TopAction::PlayPause, modifier);
            controls_.redrawTopRow();
            return;
        case 'Q': host_.topAction(TopAction::Quit, modifier); return;
        case 'R': rangedKey(kChangeColourSpeed, 2, true, -60, 60, 60, modifier); return;
        case 'S': rangedKey(kChangeBrushSpeed, 3, false, 0, 120, 0, modifier); return;
        case 'T': tempoKey(time); return;
        case 'U': changeEverything(modifier); return;
        case 'V': host_.topAction(TopAction::AnimationWindow, modifier); return;
        case 'W': host_.applyUserChange(kChangeFill, kWipeRequest, modifier); return;
        case 'X': parameterKey(0, modifier); return;
        case 'Y': parameterKey(1, modifier); return;
        case 'Z': parameterKey(2, modifier); return;
        default: return;
    }
}

// B, F, G, M: a slot by its last digit, or the box's trigger mode.
void KeyCommands::slotKey(int code, int modifier) {
    int kind = kKindGradient, slots = kGradientSlots;
    size_t current = vs::CurrentGradient;
    FileCategory category = FileCategory::Gradient;
    switch (code) {
        case kChangeBrush:
            kind = kKindBrush, slots = kBrushSlots, current = vs::CurrentBrush;
            category = FileCategory::Brush;
            break;
        case kChangeFill:
            kind = kKindFill, slots = kFillSlots, current = vs::CurrentFill;
            category = FileCategory::Fill;
            break;
        case kChangeMovement:
            kind = kKindMovement, slots = kMovementSlots, current = vs::CurrentMovement;
            category = FileCategory::Movement;
            break;
        default:
            break;
    }
    if (taken_.has) {
        const int slot = taken_.sign * taken_.last(1);
        if (slot >= 1 && slot <= slots) {
            host_.applyUserChange(code, slot, modifier);
            return;
        }
        // A digit naming no slot falls back to the trigger mode.
    }
    const VisualState& v = host_.visual();
    const int cur = v.get(current);
    switch (v.get(vs::TriggerModes + size_t(kind))) {
        case kModeSequentialSelection:
            host_.applyUserChange(code, (cur >= 1 && cur <= slots ? cur % slots : 0) + 1,
                                  modifier);
            return;
        case kModeRandomFile:
            if (host_.triggers().pickRandomFile(category) && cur >= 1 && cur <= slots)
                host_.applyUserChange(code, cur, modifier);
            return;
        default:
            host_.applyUserChange(code, kRandomChoice, modifier);
            return;
    }
}

// C, K, O: a colour 1..120 typed, or the COLORS trigger mode.
void KeyCommands::colourKey(int code, int modifier, bool takesNumber) {
    if (takesNumber && taken_.has) {
        const int colour = taken_.last(3);
        if (colour >= 1 && colour <= 120) host_.applyUserChange(code, colour, modifier);
        return;
    }
    const VisualState& v = host_.visual();
    if (v.get(vs::TriggerModes + kKindColor) == kModeSequentialSelection) {
        const int cur = v.get(code == kChangeBrushColour ? vs::BrushColour : vs::FillColour);
        host_.applyUserChange(code, (cur + 111) % 120 + 1, modifier);
    } else {
        host_.applyUserChange(code, kRandomChoice, modifier);
    }
}

// A value key: nothing without a number or outside its range.
void KeyCommands::rangedKey(int code, int digits, bool signedValue, int min, int max, int offset,
                            int modifier) {
    if (!taken_.has) return;
    const int value = (signedValue ? taken_.sign : 1) * taken_.last(digits);
    if (value < min || value > max) return;
    host_.applyUserChange(code, value + offset, modifier);
}

void KeyCommands::tempoKey(uint32_t time) {
    const int tempo = typedTempo(taken_);
    if (tempo < 0 || tempo > 24000) return;
    host_.triggers().setTempo(uint16_t(tempo), time);
    host_.settingStored(vs::Tempo);
    redrawTempoPanels();
}

void KeyCommands::sampleSizeKey() {
    if (!taken_.has) return;
    const int size = taken_.last(2);
    if (size < 1 || size > 20) return;
    host_.visual().set(vs::AnalysisWindow, uint8_t(size));
    host_.settingStored(vs::AnalysisWindow);
    controls_.panels().redrawIf(panel::Frequency);
}

void KeyCommands::parameterKey(int index, int modifier) {
    if (!taken_.has) return;
    std::string name;
    int min = 0, max = 0;
    const int slot = host_.visual().get(vs::CurrentMovement) - 1;
    if (!host_.movementParameter(slot, index, name, min, max)) return;
    const int value = taken_.last(3);
    if (value < min || value > max) return;
    host_.applyUserChange(kChangeParameter1 + index, value, modifier);
}

void KeyCommands::changeEverything(int modifier) {
    host_.applyUserChange(kChangeBrush, kRandomChoice, modifier);
    const VisualState& v = host_.visual();
    const int brush = v.get(vs::CurrentBrush);
    const auto attached = [&](size_t byte) {
        return brush >= 1 && brush <= kBrushSlots &&
               v.get(VisualState::attachment(brush - 1) + byte) != kNone80;
    };
    if (!attached(att::Fill)) host_.applyUserChange(kChangeFill, kRandomChoice, modifier);
    if (!attached(att::Movement)) host_.applyUserChange(kChangeMovement, kRandomChoice, modifier);
    if (!attached(att::Gradient)) host_.applyUserChange(kChangeGradient, kRandomChoice, modifier);
    host_.applyUserChange(kChangeBrushColour, kRandomChoice, modifier);
    host_.applyUserChange(kChangeFillColour, kRandomChoice, modifier);
}

// E taps on the tempo panel showing (PATTERNED BEATS: the pattern, otherwise the tempo).
void KeyCommands::tapKey(int modifier, uint32_t time) {
    if (raveRefusal()) return;
    TriggerEngine& t = host_.triggers();
    const bool pattern = controls_.state().panel == panel::PatternedBeats;
    if (modifier == 2) {
        pattern ? t.applyTappedPattern(time) : t.applyTappedTempo(time);
        host_.settingStored(vs::Tempo);
    } else if (modifier == 3) {
        t.clearTaps();
    } else {
        pattern ? t.tapPattern(time) : t.tapTempo(time);
    }
    redrawTempoPanels();
}

void KeyCommands::trackKey(bool forward) {
    if (services_.edition() == Edition::LIVE) {
        host_.topAction(forward ? TopAction::NextStyle : TopAction::PreviousStyle, 0);
        return;
    }
    if (taken_.has) {
        const int track = taken_.last(2);
        if (track >= 1 && track <= host_.trackCount()) host_.goToTrack(track);
        return;
    }
    host_.topAction(forward ? TopAction::NextTrack : TopAction::PreviousTrack, 0);
    controls_.redrawTopRow();
}

void KeyCommands::volumeKey(bool up) {
    int volume = host_.outputVolume();
    if (taken_.has && taken_.last(3) <= 255) volume = taken_.last(3);
    else volume = std::clamp(volume + (up ? 32 : -32), 0, 255);
    host_.setOutputVolume(uint8_t(volume));
    if (controls_.state().panel == panel::Music) controls_.panels().redrawSlider(slider::Volume);
}

void KeyCommands::applyPending(int modifier, uint32_t time) {
    if (controls_.state().panel == panel::ReplaceFile) {
        // REPLACE FILE's default button.
        controls_.panels().typeChar('\r', modifier);
        return;
    }
    host_.triggers().applyHeldValues(time);
    controls_.redrawAll();
}

void KeyCommands::saveStyle() {
    if (!controls_.visible()) host_.toggleControls();
    if (!controls_.state().drawnExpanded) controls_.toggleSettingsLock();
    host_.beginStyleSave(true);
    controls_.panels().beginTextEntry(popup::Styles, host_.visual().name(vs::StyleName));
}

bool KeyCommands::raveRefusal() {
    if (host_.ravePlayback() == RavePlayback::None) return false;
    services_.showAlert(kRaveReplayRefusal);
    return true;
}

void KeyCommands::redrawTempoPanels() {
    Panels& p = controls_.panels();
    p.redrawIf(panel::Tempo);
    p.redrawIf(panel::ManualBeats);
    p.redrawIf(panel::PatternedBeats);
}

// --- Quick-load typing ---------------------------------------------------------------------------

void KeyCommands::quickDigit(int digit) {
    if (quick_.category == 0) {
        quick_.category = digit;  // Control+0 opens nothing
        quick_.prefix.clear();
        return;
    }
    quickFinish(digit);
}

void KeyCommands::quickChar(uint32_t ch) {
    std::string& prefix = quick_.prefix;
    if (ch == 8) {
        if (!prefix.empty()) prefix.pop_back();
        return;
    }
    if (ch == ' ') {
        if (prefix.empty() || prefix.back() == '_') {
            quickEnd(true);
            return;
        }
        ch = '_';
    }
    if (ch < 0x21 || ch >= 0x7F) return;  // names are plain characters
    if (prefix.size() >= QuickLoad::kMaxPrefix) return;
    prefix += char(std::tolower(int(ch)));
}

void KeyCommands::quickFinish(int digit) {
    const int category = quick_.category;
    if (category < 1 || category > 8) {
        quickEnd(true);
        return;
    }
    const QuickCategory& qc = kQuickCategories[category - 1];
    std::string name;
    if (quick_.prefix == "-") {
        name = kNoneName;
    } else {
        const std::vector<std::string> names = host_.listNames(qc.folder, qc.ext);
        for (const std::string& n : names) {
            if (lowered(n).compare(0, quick_.prefix.size(), quick_.prefix) == 0) {
                name = n;
                break;
            }
        }
        if (name.empty()) {
            quickEnd(true);
            return;
        }
    }
    const VisualState& v = host_.visual();
    bool effect = false;
    switch (category) {
        case 1:
            host_.chooseFile(popup::Styles, name, false);
            break;
        case 2:
        case 3:
        case 4:
        case 5: {
            static constexpr AssetKind kinds[] = {AssetKind::Gradient, AssetKind::Fill,
                                                  AssetKind::Brush, AssetKind::Movement};
            static constexpr size_t currents[] = {vs::CurrentGradient, vs::CurrentFill,
                                                  vs::CurrentBrush, vs::CurrentMovement};
            const int slots = category == 2 ? kGradientSlots : 6;
            const int slot = digit == 0 ? v.get(currents[category - 2]) : digit;
            if (slot >= 1 && slot <= slots)
                host_.chooseAsset(kinds[category - 2], slot - 1, name, false);
            break;
        }
        case 6:
            effect = true;
            host_.chooseFile(popup::BrushColourEffects, name, false);
            break;
        case 7:
            effect = true;
            host_.chooseFile(popup::FillColourEffects, name, false);
            break;
        default:
            effect = true;
            host_.chooseFile(popup::BrushEffects, name, false);
            break;
    }
    if (controls_.state().drawnExpanded) {
        if (effect) {
            controls_.panels().redrawIf(panel::Color);
            controls_.panels().redrawIf(panel::Brush);
        } else {
            controls_.redrawAll();
        }
    }
    quickEnd(false);
}

void KeyCommands::quickEnd(bool beep) {
    quick_ = QuickLoad{};
    if (beep) services_.platform().beep();
}

}  // namespace korel
