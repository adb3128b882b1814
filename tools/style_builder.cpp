// The style builder's vocabulary: every field of the visual-state record by a readable name.
#include "tools/style_builder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include "platform/files.h"

namespace korel::tools {

namespace {

enum class Type { Number, Bit, Name, Tempo, Mode, Values, Flags, AttachNumber, AttachName };

struct Setting {
    std::string name;
    size_t offset = 0;
    Type type = Type::Number;
    int min = 0;
    int max = 255;
    int kind = -1;    // trigger kind of a mode, brush slot (0-5) of an attachment field
    uint8_t bit = 0;  // switch bit
};

const char* const kKindNames[kTriggerKinds] = {"fill", "gradient", "colour", "brush", "movement"};
const char* const kModeNames[7] = {"fixed",           "random-selection", "sequential-selection",
                                   "random-file",     "sequential-file",  "random-style",
                                   "sequential-style"};

struct AttachField {
    const char* name;
    size_t offset;
    Type type;
    int min, max;
};

const AttachField kAttachFields[] = {
    {"any", att::Any, Type::AttachNumber, 0, 1},
    {"gradient", att::Gradient, Type::AttachNumber, 1, 8},
    {"fill", att::Fill, Type::AttachNumber, 1, 6},
    {"trails", att::Trails, Type::AttachNumber, 0, 1},
    {"movement", att::Movement, Type::AttachNumber, 1, 6},
    {"brush-speed", att::BrushSpeed, Type::AttachNumber, 0, 120},
    {"colour-speed", att::ColourSpeed, Type::AttachNumber, 0, 120},
    {"movement-spread", att::MovementSpread, Type::AttachNumber, 1, 120},
    {"colour-kick", att::ColourKick, Type::AttachNumber, 0, 100},
    {"brush-brightness", att::BrushBrightness, Type::AttachNumber, 0, 100},
    {"fill-brightness", att::FillBrightness, Type::AttachNumber, 0, 100},
    {"brush-saturation", att::BrushSaturation, Type::AttachNumber, 0, 100},
    {"fill-saturation", att::FillSaturation, Type::AttachNumber, 0, 100},
    {"reserved", 13, Type::AttachNumber, 0, 255},
    {"brush-effect", att::BrushEffect, Type::AttachName, 0, 0},
    {"brush-colour-effect", att::BrushColourEffect, Type::AttachName, 0, 0},
    {"fill-colour-effect", att::FillColourEffect, Type::AttachName, 0, 0},
};

std::vector<Setting> buildTable() {
    std::vector<Setting> t;
    auto num = [&](const char* n, size_t off, int lo, int hi) {
        t.push_back(Setting{n, off, Type::Number, lo, hi});
    };
    auto name = [&](std::string n, size_t off) { t.push_back(Setting{n, off, Type::Name}); };
    auto slots = [&](const char* prefix, size_t first, int count) {
        for (int i = 0; i < count; ++i) {
            name(std::string(prefix) + "." + std::to_string(i + 1), first + size_t(i) * kNameField);
        }
    };
    num("tag", vs::Tag, 0, 255);
    num("version", vs::Version, 0, 255);
    num("name-width", vs::NameWidth, 0, 255);
    t.push_back(Setting{"listening", vs::Switches, Type::Bit, 0, 1, -1, vs::kSwitchListening});
    t.push_back(Setting{"trails", vs::Switches, Type::Bit, 0, 1, -1, vs::kSwitchTrails});
    t.push_back(Setting{"volume-mode", vs::Switches, Type::Bit, 0, 1, -1, vs::kSwitchVolume});
    num("switches", vs::Switches, 0, 255);
    num("brush-colour", vs::BrushColour, 1, 120);
    num("fill-colour", vs::FillColour, 1, 120);
    num("brush-speed", vs::BrushSpeed, 0, 120);
    num("colour-speed", vs::ColourSpeed, 0, 120);
    num("movement-spread", vs::MovementSpread, 1, 120);
    num("colour-kick", vs::ColourKick, 0, 100);
    num("beat-sensitivity", vs::BeatSensitivity, 0, 64);
    num("brush-brightness", vs::BrushBrightness, 0, 100);
    num("fill-brightness", vs::FillBrightness, 0, 100);
    num("brush-saturation", vs::BrushSaturation, 0, 100);
    num("fill-saturation", vs::FillSaturation, 0, 100);
    num("analysis-window", vs::AnalysisWindow, 0, 255);
    num("listening-frequency", vs::ListeningFrequency, 0, 126);
    num("scaling-fade", vs::ScalingFade, 0, 40);
    num("scaling-threshold", vs::ScalingThreshold, 0, 100);
    num("max-scaling-fade", vs::MaxScalingFade, 0, 120);
    t.push_back(Setting{"tempo", vs::Tempo, Type::Tempo});
    name("style-name", vs::StyleName);
    num("trigger-kinds", vs::TriggerKindCount, 0, 255);
    for (int k = 0; k < kTriggerKinds; ++k) {
        num(("threshold." + std::string(kKindNames[k])).c_str(), vs::Thresholds + size_t(k), 0, 64);
    }
    for (int k = 0; k < kTriggerKinds; ++k) {
        t.push_back(Setting{"mode." + std::string(kKindNames[k]), vs::TriggerModes + size_t(k),
                            Type::Mode, 0, k == kKindBrush ? 6 : 4, k});
    }
    for (int k = 0; k < kTriggerKinds; ++k) {
        num(("beats." + std::string(kKindNames[k])).c_str(), vs::BeatsPerTrigger + size_t(k), 0,
            255);
    }
    num("brush-count", vs::BrushCount, 0, 255);
    num("current-brush", vs::CurrentBrush, 1, kBrushSlots);
    slots("brush", vs::BrushNames, kBrushSlots);
    name("brush-set", vs::BrushSetName);
    num("attachment-size", vs::AttachmentEntrySize, 0, 255);
    for (int s = 0; s < kBrushSlots; ++s) {
        for (const AttachField& f : kAttachFields) {
            t.push_back(Setting{"attach." + std::to_string(s + 1) + "." + f.name,
                                VisualState::attachment(s) + f.offset, f.type, f.min, f.max, s});
        }
    }
    num("gradient-count", vs::GradientCount, 0, 255);
    num("current-gradient", vs::CurrentGradient, 1, kGradientSlots);
    slots("gradient", vs::GradientNames, kGradientSlots);
    name("gradient-set", vs::GradientSetName);
    num("movement-count", vs::MovementCount, 0, 255);
    num("current-movement", vs::CurrentMovement, 1, kMovementSlots);
    slots("movement", vs::MovementNames, kMovementSlots);
    name("movement-set", vs::MovementSetName);
    num("params-per-movement", vs::ParamsPerMovement, 0, 255);
    for (int s = 0; s < kMovementSlots; ++s) {
        t.push_back(Setting{"params." + std::to_string(s + 1), VisualState::movementParams(s),
                            Type::Values, -128, 127});
        t.push_back(Setting{"fixed." + std::to_string(s + 1), VisualState::movementParams(s) + 3,
                            Type::Flags, 0, 1});
    }
    num("fill-count", vs::FillCount, 0, 255);
    num("current-fill", vs::CurrentFill, 1, kFillSlots);
    slots("fill", vs::FillNames, kFillSlots);
    name("fill-set", vs::FillSetName);
    name("brush-colour-effect", vs::BrushColourEffect);
    name("fill-colour-effect", vs::FillColourEffect);
    name("brush-effect", vs::BrushEffect);
    return t;
}

const std::vector<Setting>& table() {
    static const std::vector<Setting> t = buildTable();
    return t;
}

// "color" is accepted for "colour" in every name.
std::string canonicalName(std::string n) {
    for (size_t at = n.find("color"); at != std::string::npos; at = n.find("color", at + 6)) {
        n.replace(at, 5, "colour");
    }
    return n;
}

bool parseOnOff(const std::string& v, int& out) {
    if (v == "on" || v == "yes" || v == "1") {
        out = 1;
    } else if (v == "off" || v == "no" || v == "0") {
        out = 0;
    } else {
        return false;
    }
    return true;
}

bool parseTempo(const std::string& v, int& out) {
    const size_t dot = v.find('.');
    long long whole = 0, frac = 0;
    if (!parseInt(v.substr(0, dot), whole) || whole < 0 || v[0] == '+' || v[0] == '-') return false;
    if (dot != std::string::npos) {
        const std::string f = v.substr(dot + 1);
        if (f.empty() || f.size() > 2 || !parseInt(f, frac) || f[0] == '+' || f[0] == '-') {
            return false;
        }
        if (f.size() == 1) frac *= 10;
    }
    const long long t = whole * 100 + frac;
    if (t > 0xFFFF) return false;
    out = int(t);
    return true;
}

bool nameValue(const Token& t, std::string& out, std::string& problem) {
    out = t.text;
    for (char& c : out) {
        if (c == ' ') c = '_';
    }
    if (out.empty() || out.size() >= kNameField) {
        problem = "a name has 1 to 15 characters";
        return false;
    }
    return true;
}

std::string rangeText(const Setting& s) {
    return std::to_string(s.min) + "-" + std::to_string(s.max);
}

// Applies one setting; `touched` collects the attachment slots changed.
bool apply(const Setting& s, const std::vector<Token>& values, VisualState& st,
           std::set<int>& touched, std::set<int>& explicitAny, std::string& problem) {
    const size_t want = (s.type == Type::Values || s.type == Type::Flags) ? 3 : 1;
    if (values.size() != want) {
        problem = "'" + s.name + "' takes " + (want == 1 ? "one value" : "three values");
        return false;
    }
    const std::string& v = values[0].text;
    long long n = 0;
    int flag = 0;
    switch (s.type) {
        case Type::Number:
            if (!parseInt(v, n) || n < s.min || n > s.max) {
                problem = "'" + s.name + "' takes " + rangeText(s) + ", not '" + v + "'";
                return false;
            }
            st.set(s.offset, uint8_t(n));
            return true;
        case Type::Bit:
            if (!parseOnOff(v, flag)) {
                problem = "'" + s.name + "' takes on or off, not '" + v + "'";
                return false;
            }
            st.setSwitch(s.bit, flag != 0);
            return true;
        case Type::Tempo: {
            int tempo = 0;
            if (!parseTempo(v, tempo)) {
                problem = "'tempo' takes beats per minute 0-655.35, not '" + v + "'";
                return false;
            }
            st.setTempo(uint16_t(tempo));
            return true;
        }
        case Type::Name: {
            std::string name;
            if (!nameValue(values[0], name, problem)) return false;
            st.setName(s.offset, name);
            return true;
        }
        case Type::Mode:
            n = -1;
            for (int m = 0; m < 7; ++m) {
                if (v == kModeNames[m]) n = m;
            }
            if (n < 0 && !parseInt(v, n)) n = -1;
            if (n < 0 || n > s.max) {
                problem = "'" + s.name + "' takes " +
                          (s.max == 6 ? "fixed, random-selection, sequential-selection, "
                                        "random-file, sequential-file, random-style, "
                                        "sequential-style or 0-6"
                                      : "fixed, random-selection, sequential-selection, "
                                        "random-file, sequential-file or 0-4") +
                          ", not '" + v + "'";
                return false;
            }
            st.set(s.offset, uint8_t(n));
            return true;
        case Type::Values:
        case Type::Flags:
            for (size_t i = 0; i < 3; ++i) {
                const std::string& w = values[i].text;
                if (!parseInt(w, n) || n < s.min || n > s.max) {
                    problem =
                        "'" + s.name + "' takes three values " + rangeText(s) + ", not '" + w + "'";
                    return false;
                }
                st.set(s.offset + i, uint8_t(int8_t(n)));
            }
            return true;
        case Type::AttachNumber:
        case Type::AttachName:
            break;
    }
    // Attachment fields.
    const bool isAny = s.offset == VisualState::attachment(s.kind) + att::Any;
    if (isAny) {
        explicitAny.insert(s.kind);
    } else {
        touched.insert(s.kind);
    }
    if (values[0].kind == Token::Word && v == "none") {
        if (s.type == Type::AttachName) {
            std::memset(st.at(s.offset), kNone80, kNameField);
        } else {
            st.set(s.offset, kNone80);
        }
        return true;
    }
    if (s.type == Type::AttachName) {
        std::string name;
        if (!nameValue(values[0], name, problem)) return false;
        st.setName(s.offset, name);
        return true;
    }
    if (s.max == 1 && parseOnOff(v, flag)) {
        st.set(s.offset, uint8_t(flag));
        return true;
    }
    if (!parseInt(v, n) || n < s.min || n > s.max) {
        problem = "'" + s.name + "' takes " + rangeText(s) + " or none, not '" + v + "'";
        return false;
    }
    st.set(s.offset, uint8_t(n));
    return true;
}

bool attachedAnything(const VisualState& st, int slot) {
    const size_t base = VisualState::attachment(slot);
    for (size_t b = att::Gradient; b <= att::FillSaturation; ++b) {
        if (st.get(base + b) != kNone80) return true;
    }
    for (size_t b : {att::BrushEffect, att::BrushColourEffect, att::FillColourEffect}) {
        if (st.get(base + b) != kNone80) return true;
    }
    return false;
}

std::string formatName(const VisualState& st, size_t offset) {
    const std::string n = st.name(offset);
    bool bare = !n.empty() && n != "none";
    for (char c : n) {
        if (uint8_t(c) <= 0x20 || uint8_t(c) >= 0x7F || c == '#' || c == '"' || c == '\'' ||
            c == ',') {
            bare = false;
        }
    }
    return bare ? n : quote(n);
}

// The value text for a setting, or "" when the stored value has no named form.
std::string formatValue(const Setting& s, const VisualState& st) {
    const uint8_t v = st.get(s.offset);
    switch (s.type) {
        case Type::Number:
            return (v >= s.min && v <= s.max) ? std::to_string(v) : "";
        case Type::Bit:
            return st.switchOn(s.bit) ? "on" : "off";
        case Type::Tempo: {
            const int t = st.tempo();
            char buf[16];
            std::snprintf(buf, sizeof buf, "%d.%02d", t / 100, t % 100);
            return buf;
        }
        case Type::Name: {
            const std::string n = st.name(s.offset);
            return (n.empty() || n.size() >= kNameField) ? "" : formatName(st, s.offset);
        }
        case Type::Mode:
            return v <= s.max ? kModeNames[v] : "";
        case Type::Values:
        case Type::Flags: {
            std::string out;
            for (size_t i = 0; i < 3; ++i) {
                const int x = s.type == Type::Values ? int(int8_t(st.get(s.offset + i)))
                                                     : int(st.get(s.offset + i));
                if (x < s.min || x > s.max) return "";
                if (i) out += ' ';
                out += std::to_string(x);
            }
            return out;
        }
        case Type::AttachNumber:
            if (v == kNone80) return "none";
            return (v >= s.min && v <= s.max) ? std::to_string(v) : "";
        case Type::AttachName: {
            if (v == kNone80) return "none";
            const std::string n = st.name(s.offset);
            return (n.empty() || n.size() >= kNameField) ? "" : formatName(st, s.offset);
        }
    }
    return "";
}

}  // namespace

bool readStyleFile(std::span<const uint8_t> bytes, VisualState& out, std::string& error) {
    if (bytes.empty() || bytes[0] != 'S') {
        error = "Not a valid style file!";
        return false;
    }
    VisualState st = defaultVisualState();
    const bool v1 = bytes.size() > vs::Version && bytes[vs::Version] == 1;
    const size_t need = v1 ? vs::kVersion1Size : vs::kSize;
    if (bytes.size() < need) {
        error = "the style file has " + std::to_string(bytes.size()) + " bytes; " +
                std::to_string(need) + " are needed";
        return false;
    }
    std::memcpy(st.bytes.data(), bytes.data(), need);
    if (v1) upgradeVersion1(st);
    out = st;
    return true;
}

bool buildStyle(std::string_view source, const std::string& defaultName, const std::string& folder,
                VisualState& out, Diagnostic& error) {
    VisualState st = defaultVisualState();
    bool nameGiven = false, settingSeen = false;
    std::set<int> touched, explicitAny;
    // Raw bytes are set last, so they win over every derived value.
    std::vector<std::pair<size_t, uint8_t>> raw;
    const auto lines = splitLines(source);
    for (size_t i = 0; i < lines.size(); ++i) {
        error.line = int(i + 1);
        std::vector<Token> t;
        if (!tokenizeLine(lines[i], t, error.message)) return false;
        if (t.empty()) continue;
        if (t[0].kind == Token::Word && t[0].text == "base") {
            if (settingSeen) {
                error.message = "'base' must come before the settings";
                return false;
            }
            if (t.size() != 2) {
                error.message = "'base' takes default or a \"file.sty\"";
                return false;
            }
            if (t[1].kind == Token::Word && t[1].text == "default") {
                st = defaultVisualState();
                continue;
            }
            const std::string path = (!t[1].text.empty() && t[1].text[0] == '/')
                                         ? t[1].text
                                         : joinPath(folder, t[1].text);
            Bytes bytes;
            if (readWholeFile(path, bytes, 1u << 20) != 0) {
                error.message = "cannot read the base style " + path;
                return false;
            }
            std::string problem;
            if (!readStyleFile(bytes, st, problem)) {
                error.message = path + ": " + problem;
                return false;
            }
            continue;
        }
        if (t.size() < 3 || t[1].text != "=" || t[0].kind != Token::Word) {
            error.message = "write: name = value";
            return false;
        }
        settingSeen = true;
        const std::string name = canonicalName(t[0].text);
        const std::vector<Token> values(t.begin() + 2, t.end());
        if (name.rfind("byte.", 0) == 0) {
            long long off = 0, v = 0;
            if (!parseInt(name.substr(5), off) || off < 0 ||
                off >= static_cast<long long>(vs::kSize)) {
                error.message = "'" + t[0].text + "': the offset is outside 0-1005";
                return false;
            }
            if (values.size() != 1 || !parseInt(values[0].text, v) || v < 0 || v > 255) {
                error.message = "'" + t[0].text + "' takes one value 0-255";
                return false;
            }
            raw.emplace_back(size_t(off), uint8_t(v));
            if (size_t(off) >= vs::StyleName && size_t(off) < vs::StyleName + kNameField) {
                nameGiven = true;
            }
            continue;
        }
        const Setting* found = nullptr;
        for (const Setting& s : table()) {
            if (s.name == name) found = &s;
        }
        if (!found) {
            error.message = "unknown setting '" + t[0].text + "'";
            return false;
        }
        if (found->offset == vs::StyleName) nameGiven = true;
        if (!apply(*found, values, st, touched, explicitAny, error.message)) return false;
    }
    error.line = 0;
    if (!nameGiven) {
        if (defaultName.empty() || defaultName.size() >= kNameField) {
            error.message =
                "the style name '" + defaultName + "' is longer than 15 characters; set style-name";
            return false;
        }
        st.setName(vs::StyleName, defaultName);
    }
    for (int slot : touched) {
        if (explicitAny.count(slot)) continue;
        st.set(VisualState::attachment(slot) + att::Any, attachedAnything(st, slot) ? 1 : 0);
    }
    for (const auto& [offset, value] : raw) st.set(offset, value);
    out = st;
    return true;
}

std::string styleToSettings(const VisualState& st) {
    std::string s;
    for (const Setting& set : table()) {
        if (set.name == "switches") continue;  // the three switch bits say it
        if ((set.type == Type::AttachNumber || set.type == Type::AttachName)) {
            const size_t base = VisualState::attachment(set.kind);
            const bool empty = std::all_of(st.at(base), st.at(base) + kAttachmentSize,
                                           [](uint8_t b) { return b == kNone80; });
            if (empty) continue;
        }
        const std::string v = formatValue(set, st);
        if (!v.empty()) s += set.name + " = " + v + "\n";
    }
    // Whatever the names cannot say is set byte by byte.
    VisualState rebuilt;
    Diagnostic ignored;
    if (!buildStyle(s, "Default", "", rebuilt, ignored)) rebuilt = defaultVisualState();
    for (size_t i = 0; i < vs::kSize; ++i) {
        if (rebuilt.get(i) != st.get(i)) {
            s += "byte." + std::to_string(i) + " = " + std::to_string(st.get(i)) + "\n";
        }
    }
    return s;
}

}  // namespace korel::tools
