// The program-file formats (.mvm, .efb, .efc) and their assembler and disassembler.
#include "tools/program_file.h"

#include <algorithm>
#include <cstdio>

namespace korel::tools {

namespace {

constexpr int kRegisterBase = 0x7E00;
constexpr int kParamBase = 0x7F00;
constexpr int kParamBytes = 6;
constexpr size_t kMaxProgramBytes = 0xFFF8;  // the largest whole number of instructions in 16 bits

// Fields travel here as their two bytes (first byte high). The program reads a field as first
// byte x 256 + second byte taken as signed, so a value whose low byte is 0x80-0xFF is stored
// with the first byte one higher: register 200 (0x7EC8) is the bytes 7F C8, register 400
// (0x7F90) the bytes 80 90.
constexpr uint16_t fieldBytes(int value) {
    const int second = int8_t(uint8_t(value & 0xFF));
    return uint16_t((((value - second) / 256) << 8) | uint8_t(second));
}
constexpr int fieldValue(uint16_t bytes) {
    return (bytes >> 8) * 256 + int8_t(uint8_t(bytes & 0xFF));
}

constexpr uint16_t field2(const char* s) {
    return uint16_t((uint8_t(s[0]) << 8) | uint8_t(s[1]));
}

// What a field of an instruction is.
enum class Role { Destination, Operand, Source, Spare, Operation };

struct Vocabulary {
    std::vector<std::string> destinations;
    std::vector<std::string> operands;
    std::vector<std::string> operations;
    int registers = 0;  // how many registers the kind addresses (0x7E00 + k)
    bool params = false;
};

const Vocabulary& vocabulary(ProgramKind kind) {
    static const Vocabulary movement{
        {"xp", "yp", "lc"},
        {"xp", "yp", "xc", "yc", "vs", "sp", "pi", "fw", "fh", "bw", "bh", "fn"},
        {"ST", "SM", "DF", "PR", "QU", "IQ", "MO", "PW", "AB", "SS", "CS", "SP",
         "CP", "SR", "RN", "RX", "RY", "WH", "WV", "IG", "IO", "SI", "SE"},
        256,
        true};
    static const Vocabulary brush{{"bs"},
                                  {"bs", "xp", "yp", "xc", "yc", "vs"},
                                  {"ST", "SM", "DF", "PR", "QU", "AF", "HP", "SD", "CD"},
                                  512,
                                  false};
    static const Vocabulary colour{{}, {"bc", "fc"}, {"SD", "SH", "SS", "QV", "SC"}, 0, false};
    switch (kind) {
        case ProgramKind::Movement:
            return movement;
        case ProgramKind::BrushEffect:
            return brush;
        case ProgramKind::ColourEffect:
            break;
    }
    return colour;
}

const char* kindName(ProgramKind kind) {
    switch (kind) {
        case ProgramKind::Movement:
            return "a movement";
        case ProgramKind::BrushEffect:
            return "a brush effect";
        case ProgramKind::ColourEffect:
            break;
    }
    return "a colour effect";
}

const std::vector<std::string>& namesFor(const Vocabulary& v, Role role) {
    static const std::vector<std::string> none;
    switch (role) {
        case Role::Destination:
            return v.destinations;
        case Role::Operand:
        case Role::Source:
            return v.operands;
        case Role::Operation:
            return v.operations;
        case Role::Spare:
            break;
    }
    return none;
}

bool contains(const std::vector<std::string>& list, std::string_view s) {
    return std::find(list.begin(), list.end(), s) != list.end();
}

bool printable(uint8_t c) {
    return c > 0x20 && c < 0x7F;
}

std::string hexField(uint16_t f) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%04X", f);
    return buf;
}

const char* roleName(Role role) {
    switch (role) {
        case Role::Destination:
            return "a destination";
        case Role::Operand:
            return "an operand";
        case Role::Source:
            return "a colour source";
        case Role::Spare:
            return "an unused field";
        case Role::Operation:
            break;
    }
    return "an operation";
}

std::string formatField(uint16_t f, ProgramKind kind, Role role);

bool parseField(const Token& t, ProgramKind kind, Role role, uint16_t& out, std::string& error) {
    const Vocabulary& v = vocabulary(kind);
    if (t.kind == Token::String) {
        error = "a field cannot be a \"string\"; write two characters as 'ab'";
        return false;
    }
    if (t.kind == Token::Chars) {
        if (t.text.size() != 2) {
            error = "a quoted field has exactly two characters";
            return false;
        }
        out = uint16_t((uint8_t(t.text[0]) << 8) | uint8_t(t.text[1]));
        return true;
    }
    const std::string& w = t.text;
    if (w.size() == 6 && (w.rfind("0x", 0) == 0 || w.rfind("0X", 0) == 0)) {
        uint8_t hi, lo;
        if (parseHexByte(w.substr(2, 2), hi) && parseHexByte(w.substr(4, 2), lo)) {
            out = uint16_t((hi << 8) | lo);
            return true;
        }
    }
    const auto& names = namesFor(v, role);
    if (contains(names, w)) {
        out = field2(w.c_str());
        return true;
    }
    if (role == Role::Operation) {
        error = "unknown operation '" + w + "' for " + kindName(kind);
        return false;
    }
    const bool registerRole = role == Role::Destination || role == Role::Operand;
    long long n = 0;
    if (w.size() >= 2 && w[0] == 'r' && parseInt(w.substr(1), n) && w[1] != '-' && w[1] != '+') {
        if (!registerRole || v.registers == 0) {
            error = "'" + w + "' cannot be " + roleName(role) + " of " + kindName(kind);
            return false;
        }
        if (n < 0 || n >= v.registers) {
            error =
                "register " + w + " is out of range (r0-r" + std::to_string(v.registers - 1) + ")";
            return false;
        }
        out = fieldBytes(kRegisterBase + int(n));
        return true;
    }
    for (int k = 0; k < kParamBytes; ++k) {
        const std::string name = (k < 3 ? "param" : "fixed") + std::to_string(k % 3 + 1);
        if (w != name) continue;
        if (!v.params || role != Role::Operand) {
            error = "'" + w + "' cannot be " + roleName(role) + " of " + kindName(kind);
            return false;
        }
        out = fieldBytes(kParamBase + k);
        return true;
    }
    if (parseInt(w, n)) {
        if (role == Role::Destination) {
            error = "a number cannot be a destination";
            return false;
        }
        if (n < 0 || n > 255) {
            error = "the number " + w + " is outside 0-255";
            return false;
        }
        out = uint16_t(n << 8);
        // 126 and 127 in the first byte address a register or a parameter, not a number.
        if (registerRole) {
            const std::string reads = formatField(out, kind, role);
            if (reads != std::to_string(n)) {
                error = "the number " + w + " cannot be written: it reads as " + reads;
                return false;
            }
        }
        return true;
    }
    if (w.size() == 2 && printable(uint8_t(w[0])) && printable(uint8_t(w[1]))) {
        error = "'" + w + "' is not " + roleName(role) + " of " + kindName(kind);
    } else {
        error = "cannot read the field '" + w + "'";
    }
    return false;
}

std::string formatField(uint16_t f, ProgramKind kind, Role role) {
    const Vocabulary& v = vocabulary(kind);
    const uint8_t hi = uint8_t(f >> 8), lo = uint8_t(f);
    const std::string two{char(hi), char(lo)};
    if (contains(namesFor(v, role), two)) return two;
    if (role != Role::Operation) {
        const bool registerRole = role == Role::Destination || role == Role::Operand;
        const int value = fieldValue(f);
        if (registerRole && v.registers > 0 && value >= kRegisterBase &&
            value < kRegisterBase + v.registers) {
            return "r" + std::to_string(value - kRegisterBase);
        }
        if (role == Role::Operand && v.params && value >= kParamBase &&
            value < kParamBase + kParamBytes) {
            const int k = value - kParamBase;
            return (k < 3 ? "param" : "fixed") + std::to_string(k % 3 + 1);
        }
        // Registers and parameters are named above, so a zero second byte is a literal here.
        if (role != Role::Destination && lo == 0) return std::to_string(hi);
    }
    if (printable(hi) && printable(lo) && hi != '\'' && lo != '\'' && hi != '\\' && lo != '\\') {
        return "'" + two + "'";
    }
    return hexField(f);
}

size_t descriptionWidth(ProgramKind kind) {
    return kind == ProgramKind::Movement ? kMovementDescription : kEffectDescription;
}

size_t headerBytes(ProgramKind kind) {
    return kind == ProgramKind::Movement ? 4 : 3;
}

void putField(ByteWriter& w, const std::string& text, size_t width) {
    Bytes field(width, 0);
    std::copy_n(text.begin(), std::min(text.size(), width), field.begin());
    w.bytes(field);
}

bool readField(ByteReader& r, size_t width, std::string& out) {
    Bytes field(width);
    if (!r.bytes(field.data(), width)) return false;
    out = fieldText(field);
    return true;
}

const char* programName(ProgramKind kind, int i) {
    static const char* const movement[3] = {"start", "beat", "stamp"};
    static const char* const numbers[3] = {"0", "1", "2"};
    return kind == ProgramKind::Movement ? movement[i] : numbers[i];
}

}  // namespace

char tagFor(ProgramKind kind) {
    switch (kind) {
        case ProgramKind::Movement:
            return 'M';
        case ProgramKind::BrushEffect:
            return 'E';
        case ProgramKind::ColourEffect:
            break;
    }
    return 'C';
}

const char* extensionFor(ProgramKind kind) {
    switch (kind) {
        case ProgramKind::Movement:
            return ".mvm";
        case ProgramKind::BrushEffect:
            return ".efb";
        case ProgramKind::ColourEffect:
            break;
    }
    return ".efc";
}

bool encodeMovementIcon(std::span<const uint8_t> pixels, Bytes& out, std::string& error) {
    constexpr int n = kMovementIconSize;
    if (pixels.size() != size_t(n) * n) {
        error = "the icon must have 24 x 24 pixels";
        return false;
    }
    ByteWriter w;
    for (int y = 0; y < n; ++y) {
        const uint8_t* row = pixels.data() + size_t(y) * n;
        for (int x = 0; x < n;) {
            if (row[x] == 0) {
                int len = 0;
                while (x + len < n && row[x + len] == 0) ++len;
                x += len;
                while (len >= 2) {
                    const int take = std::min(len, 181);
                    w.u8(uint8_t(19 + take));
                    len -= take;
                }
                if (len == 1) w.u8(0);
                continue;
            }
            if (row[x] >= 21 && row[x] <= 200) {
                error = "pixel value " + std::to_string(row[x]) + " in icon row " +
                        std::to_string(y + 1) +
                        " cannot be stored in a movement icon (21-200 are runs of black)";
                return false;
            }
            w.u8(row[x]);
            ++x;
        }
    }
    out = std::move(w.data());
    return true;
}

bool decodeMovementIcon(std::span<const uint8_t> code, std::vector<uint8_t>& pixels) {
    constexpr int n = kMovementIconSize;
    pixels.assign(size_t(n) * n, 0);
    size_t at = 0;
    for (const uint8_t c : code) {
        const size_t count = (c >= 21 && c <= 200) ? size_t(c - 19) : 1;
        // No run crosses the end of a row, and the picture has 24 rows.
        if (at % n + count > size_t(n) || at + count > pixels.size()) return false;
        if (count == 1) pixels[at] = c >= 21 && c <= 200 ? 0 : c;
        at += count;
    }
    return at == pixels.size();
}

bool readProgramFile(std::span<const uint8_t> bytes, ProgramFile& out, std::string& error) {
    ByteReader r(bytes);
    ProgramFile f;
    uint8_t tag = 0;
    if (!r.u8(tag)) {
        error = "the file is empty";
        return false;
    }
    if (tag == 'M') {
        f.kind = ProgramKind::Movement;
    } else if (tag == 'E') {
        f.kind = ProgramKind::BrushEffect;
    } else if (tag == 'C') {
        f.kind = ProgramKind::ColourEffect;
    } else {
        error = "Not a valid file!";
        return false;
    }
    const std::string cut = "the file ends too early";
    if (!r.bytes(f.header.data(), headerBytes(f.kind))) {
        error = cut;
        return false;
    }
    if (f.kind == ProgramKind::Movement) {
        uint16_t iconLength = 0;
        uint8_t count = 0;
        if (!r.le16(iconLength) || !readField(r, kMovementDescription, f.description)) {
            error = cut;
            return false;
        }
        f.iconCode.resize(iconLength);
        if (!r.bytes(f.iconCode.data(), iconLength) || !r.u8(f.centred) || !r.u8(count)) {
            error = cut;
            return false;
        }
        if (count > kMaxParams) {
            error = "the parameter count " + std::to_string(count) + " is more than 3";
            return false;
        }
        f.params.resize(count);
        bool ok = true;
        for (auto& p : f.params) ok = ok && r.s8(p.min);
        for (auto& p : f.params) ok = ok && r.s8(p.max);
        for (auto& p : f.params) ok = ok && r.s8(p.defaultValue);
        for (auto& p : f.params) ok = ok && readField(r, kParamName, p.name);
        for (auto& p : f.params) ok = ok && readField(r, kParamDescription, p.description);
        if (!ok) {
            error = cut;
            return false;
        }
        // Show the icon as pixels only when coding them again gives the same bytes.
        std::vector<uint8_t> pixels;
        Bytes again;
        std::string ignored;
        if (!f.iconCode.empty() && decodeMovementIcon(f.iconCode, pixels) &&
            encodeMovementIcon(pixels, again, ignored) && again == f.iconCode) {
            f.iconAsPixels = true;
            f.iconPixels = std::move(pixels);
        }
    } else if (!readField(r, kEffectDescription, f.description)) {
        error = cut;
        return false;
    }
    uint16_t lengths[3] = {};
    if (!r.le16(lengths[0]) || !r.le16(lengths[1]) || !r.le16(lengths[2])) {
        error = cut;
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        if (lengths[i] % kInstructionSize != 0) {
            error = "program " + std::to_string(i) + " has " + std::to_string(lengths[i]) +
                    " bytes, not a whole number of instructions";
            return false;
        }
        f.programs[size_t(i)].resize(lengths[i]);
        if (!r.bytes(f.programs[size_t(i)].data(), lengths[i])) {
            error = cut;
            return false;
        }
    }
    f.tail.resize(r.remaining());
    r.bytes(f.tail.data(), f.tail.size());
    out = std::move(f);
    return true;
}

Bytes writeProgramFile(const ProgramFile& f) {
    ByteWriter w;
    w.u8(uint8_t(tagFor(f.kind)));
    w.bytes(std::span(f.header.data(), headerBytes(f.kind)));
    if (f.kind == ProgramKind::Movement) {
        w.le16(uint16_t(f.iconCode.size()));
        putField(w, f.description, kMovementDescription);
        w.bytes(f.iconCode);
        w.u8(f.centred);
        w.u8(uint8_t(f.params.size()));
        for (const auto& p : f.params) w.u8(uint8_t(p.min));
        for (const auto& p : f.params) w.u8(uint8_t(p.max));
        for (const auto& p : f.params) w.u8(uint8_t(p.defaultValue));
        for (const auto& p : f.params) putField(w, p.name, kParamName);
        for (const auto& p : f.params) putField(w, p.description, kParamDescription);
    } else {
        putField(w, f.description, kEffectDescription);
    }
    for (const auto& p : f.programs) w.le16(uint16_t(p.size()));
    for (const auto& p : f.programs) w.bytes(p);
    w.bytes(f.tail);
    return std::move(w.data());
}

namespace {

// The assembler's state while reading a source.
class Assembler {
  public:
    bool run(std::string_view source, ProgramFile& out, Diagnostic& error) {
        const auto lines = splitLines(source);
        for (size_t i = 0; i < lines.size(); ++i) {
            line_ = int(i + 1);
            std::vector<Token> tokens;
            std::string problem;
            if (!tokenizeLine(lines[i], tokens, problem)) return fail(error, problem);
            if (tokens.empty()) continue;
            if (!statement(tokens, problem)) return fail(error, problem);
        }
        if (block_ != Block::None) {
            line_ = blockLine_;
            return fail(error, std::string("missing 'end' for the ") +
                                   (block_ == Block::Icon ? "icon" : "program") + " started here");
        }
        if (!haveKind_) {
            line_ = 0;
            return fail(error,
                        "the source names no kind (movement, brush-effect or colour-effect)");
        }
        out = std::move(file_);
        return true;
    }

  private:
    enum class Block { None, Icon, Program };

    bool fail(Diagnostic& error, std::string message) {
        error.line = line_;
        error.message = std::move(message);
        return false;
    }

    bool statement(const std::vector<Token>& t, std::string& problem) {
        const std::string& word = t[0].text;
        if (block_ == Block::Icon) return iconRow(t, problem);
        if (block_ == Block::Program) return instruction(t, problem);
        if (t[0].kind != Token::Word) {
            problem = "a statement starts with a word";
            return false;
        }
        if (!haveKind_) {
            if (word == "movement") {
                file_.kind = ProgramKind::Movement;
            } else if (word == "brush-effect") {
                file_.kind = ProgramKind::BrushEffect;
            } else if (word == "colour-effect" || word == "color-effect") {
                file_.kind = ProgramKind::ColourEffect;
            } else {
                problem = "the first statement must be movement, brush-effect or colour-effect";
                return false;
            }
            haveKind_ = true;
            return expectCount(t, 1, problem);
        }
        const bool movement = file_.kind == ProgramKind::Movement;
        if (word == "header") return header(t, problem);
        if (word == "description") {
            if (!expectCount(t, 2, problem)) return false;
            return text(t[1], descriptionWidth(file_.kind), "description", file_.description,
                        problem);
        }
        if (word == "program") return programStart(t, problem);
        if (word == "tail") return hexList(t, file_.tail, problem);
        if (word == "end") {
            problem = "'end' without an icon or program";
            return false;
        }
        if (word == "movement" || word == "brush-effect" || word == "colour-effect" ||
            word == "color-effect") {
            problem = "the kind is given twice";
            return false;
        }
        if (word == "centred" || word == "centered" || word == "param" || word == "icon") {
            if (!movement) {
                problem = "'" + word + "' is only for movements";
                return false;
            }
            if (word == "param") return param(t, problem);
            if (word == "icon") return iconStart(t, problem);
            return centred(t, problem);
        }
        problem = "unknown statement '" + word + "'";
        return false;
    }

    static bool expectCount(const std::vector<Token>& t, size_t n, std::string& problem) {
        if (t.size() == n) return true;
        problem = "'" + t[0].text + "' takes " +
                  (n == 1 ? std::string("nothing") : std::to_string(n - 1) + " value(s)") +
                  " after it";
        return false;
    }

    static bool text(const Token& t, size_t width, const char* what, std::string& out,
                     std::string& problem) {
        if (t.kind != Token::String) {
            problem = std::string("the ") + what + " is a \"quoted string\"";
            return false;
        }
        if (t.text.size() > width - 1) {
            problem = std::string("the ") + what + " is longer than " + std::to_string(width - 1) +
                      " characters";
            return false;
        }
        out = t.text;
        return true;
    }

    static bool hexList(const std::vector<Token>& t, Bytes& out, std::string& problem) {
        out.clear();
        for (size_t i = 1; i < t.size(); ++i) {
            uint8_t b;
            if (t[i].kind != Token::Word || !parseHexByte(t[i].text, b)) {
                problem = "'" + t[i].text + "' is not a hexadecimal byte";
                return false;
            }
            out.push_back(b);
        }
        return true;
    }

    bool header(const std::vector<Token>& t, std::string& problem) {
        Bytes b;
        if (!hexList(t, b, problem)) return false;
        const size_t n = headerBytes(file_.kind);
        if (b.size() != n) {
            problem = "'header' takes " + std::to_string(n) + " bytes for " + kindName(file_.kind);
            return false;
        }
        std::copy(b.begin(), b.end(), file_.header.begin());
        return true;
    }

    bool centred(const std::vector<Token>& t, std::string& problem) {
        if (!expectCount(t, 2, problem)) return false;
        const std::string& v = t[1].text;
        long long n = 0;
        if (v == "yes" || v == "on") {
            file_.centred = 1;
        } else if (v == "no" || v == "off") {
            file_.centred = 0;
        } else if (parseInt(v, n) && n >= 0 && n <= 255) {
            file_.centred = uint8_t(n);
        } else {
            problem = "'centred' takes yes or no";
            return false;
        }
        return true;
    }

    static bool signedValue(const Token& t, const char* what, int8_t& out, bool allowRandom,
                            std::string& problem) {
        long long n = 0;
        if (allowRandom && t.kind == Token::Word && t.text == "random") {
            out = kRandomDefault;
            return true;
        }
        if (t.kind != Token::Word || !parseInt(t.text, n) || n < -128 || n > 127) {
            problem = std::string("the ") + what + " '" + t.text + "' is not a number -128..127";
            return false;
        }
        out = int8_t(n);
        return true;
    }

    // param "name" min N max N default N|random ["description"]
    bool param(const std::vector<Token>& t, std::string& problem) {
        if (file_.params.size() >= size_t(kMaxParams)) {
            problem = "a movement has at most 3 parameters";
            return false;
        }
        if (t.size() != 8 && t.size() != 9) {
            problem = "write: param \"name\" min N max N default N \"description\"";
            return false;
        }
        MovementParam p;
        if (!text(t[1], kParamName, "parameter name", p.name, problem)) return false;
        const char* keys[3] = {"min", "max", "default"};
        int8_t* values[3] = {&p.min, &p.max, &p.defaultValue};
        for (int k = 0; k < 3; ++k) {
            const Token& key = t[size_t(2 + 2 * k)];
            if (key.kind != Token::Word || key.text != keys[k]) {
                problem = std::string("expected '") + keys[k] + "' where '" + key.text + "' stands";
                return false;
            }
            if (!signedValue(t[size_t(3 + 2 * k)], keys[k], *values[k], k == 2, problem)) {
                return false;
            }
        }
        if (p.min > p.max) {
            problem = "the minimum " + std::to_string(p.min) + " is above the maximum " +
                      std::to_string(p.max);
            return false;
        }
        if (p.defaultValue != kRandomDefault &&
            (p.defaultValue < p.min || p.defaultValue > p.max)) {
            problem = "the default " + std::to_string(p.defaultValue) + " is outside " +
                      std::to_string(p.min) + ".." + std::to_string(p.max);
            return false;
        }
        if (t.size() == 9 &&
            !text(t[8], kParamDescription, "parameter description", p.description, problem)) {
            return false;
        }
        file_.params.push_back(std::move(p));
        return true;
    }

    bool iconStart(const std::vector<Token>& t, std::string& problem) {
        if (iconGiven_) {
            problem = "the icon is given twice";
            return false;
        }
        iconGiven_ = true;
        if (t.size() == 2 && t[1].text == "none") {
            file_.iconCode.clear();
            return true;
        }
        if (t.size() >= 2 && t[1].text == "code") {
            Bytes code;
            std::vector<Token> rest(t.begin() + 1, t.end());
            if (!hexList(rest, code, problem)) return false;
            file_.iconCode = std::move(code);
            return true;
        }
        if (!expectCount(t, 1, problem)) return false;
        block_ = Block::Icon;
        blockLine_ = line_;
        iconPixels_.clear();
        return true;
    }

    bool iconRow(const std::vector<Token>& t, std::string& problem) {
        if (t.size() == 1 && t[0].text == "end") {
            block_ = Block::None;
            const size_t rows = iconPixels_.size() / kMovementIconSize;
            if (rows != size_t(kMovementIconSize)) {
                problem = "the icon has " + std::to_string(rows) + " rows; 24 are needed";
                return false;
            }
            return encodeMovementIcon(iconPixels_, file_.iconCode, problem);
        }
        if (t.size() != size_t(kMovementIconSize)) {
            problem = "an icon row has " + std::to_string(t.size()) + " pixels; 24 are needed";
            return false;
        }
        if (iconPixels_.size() >= size_t(kMovementIconSize) * kMovementIconSize) {
            problem = "the icon has more than 24 rows";
            return false;
        }
        for (const Token& p : t) {
            long long n = 0;
            if (p.kind == Token::Word && p.text == ".") {
                n = 0;
            } else if (p.kind != Token::Word || !parseInt(p.text, n) || n < 0 || n > 255) {
                problem = "'" + p.text + "' is not a pixel value 0-255 or '.'";
                return false;
            }
            if (n >= 21 && n <= 200) {
                problem = "pixel value " + std::to_string(n) +
                          " cannot be stored in a movement icon (21-200 are runs of black)";
                return false;
            }
            iconPixels_.push_back(uint8_t(n));
        }
        return true;
    }

    bool programStart(const std::vector<Token>& t, std::string& problem) {
        if (!expectCount(t, 2, problem)) return false;
        const std::string& n = t[1].text;
        int index = -1;
        for (int i = 0; i < 3; ++i) {
            if (n == programName(ProgramKind::BrushEffect, i)) index = i;
            if (file_.kind == ProgramKind::Movement && n == programName(ProgramKind::Movement, i)) {
                index = i;
            }
        }
        if (index < 0) {
            problem =
                "unknown program '" + n + "'; use " +
                (file_.kind == ProgramKind::Movement ? "start, beat, stamp or 0-2" : "0, 1 or 2");
            return false;
        }
        if (programSeen_[size_t(index)]) {
            problem = "program " + n + " is given twice";
            return false;
        }
        programSeen_[size_t(index)] = true;
        current_ = index;
        block_ = Block::Program;
        blockLine_ = line_;
        return true;
    }

    bool instruction(const std::vector<Token>& t, std::string& problem) {
        if (t.size() == 1 && t[0].kind == Token::Word && t[0].text == "end") {
            block_ = Block::None;
            return true;
        }
        if (t.size() > 4) {
            problem = "an instruction has an operation and at most three fields";
            return false;
        }
        const ProgramKind kind = file_.kind;
        const bool colour = kind == ProgramKind::ColourEffect;
        const Role roles[3] = {colour ? Role::Source : Role::Destination,
                               colour ? Role::Spare : Role::Operand,
                               colour ? Role::Spare : Role::Operand};
        uint16_t op = 0, fields[3] = {0, 0, 0};
        if (!parseField(t[0], kind, Role::Operation, op, problem)) return false;
        for (size_t i = 1; i < t.size(); ++i) {
            if (!parseField(t[i], kind, roles[i - 1], fields[i - 1], problem)) return false;
        }
        Bytes& p = file_.programs[size_t(current_)];
        if (p.size() + kInstructionSize > kMaxProgramBytes) {
            problem = "the program is longer than 8191 instructions";
            return false;
        }
        for (const uint16_t f : fields) {
            p.push_back(uint8_t(f >> 8));
            p.push_back(uint8_t(f));
        }
        p.push_back(uint8_t(op >> 8));
        p.push_back(uint8_t(op));
        return true;
    }

    ProgramFile file_;
    bool haveKind_ = false;
    bool iconGiven_ = false;
    Block block_ = Block::None;
    int blockLine_ = 0;
    int line_ = 0;
    int current_ = 0;
    std::array<bool, 3> programSeen_{};
    std::vector<uint8_t> iconPixels_;
};

}  // namespace

bool assembleProgram(std::string_view source, ProgramFile& out, Diagnostic& error) {
    return Assembler().run(source, out, error);
}

std::string disassembleProgram(const ProgramFile& f) {
    std::string s;
    const bool movement = f.kind == ProgramKind::Movement;
    s += movement ? "movement\n"
                  : (f.kind == ProgramKind::BrushEffect ? "brush-effect\n" : "colour-effect\n");
    const size_t hn = headerBytes(f.kind);
    if (std::any_of(f.header.begin(), f.header.begin() + long(hn), [](uint8_t b) { return b; })) {
        s += "header " + hexBytes(std::span(f.header.data(), hn)) + "\n";
    }
    s += "description " + quote(f.description) + "\n";
    if (movement) {
        const std::string centred = f.centred == 0   ? "no"
                                    : f.centred == 1 ? "yes"
                                                     : std::to_string(f.centred);
        s += "centred " + centred + "\n";
        for (const auto& p : f.params) {
            s += "param " + quote(p.name) + " min " + std::to_string(p.min) + " max " +
                 std::to_string(p.max) + " default " +
                 (p.defaultValue == kRandomDefault ? std::string("random")
                                                   : std::to_string(p.defaultValue));
            if (!p.description.empty()) s += " " + quote(p.description);
            s += "\n";
        }
        if (f.iconCode.empty()) {
            s += "icon none\n";
        } else if (f.iconAsPixels) {
            s += "\nicon\n";
            for (int y = 0; y < kMovementIconSize; ++y) {
                for (int x = 0; x < kMovementIconSize; ++x) {
                    const uint8_t v = f.iconPixels[size_t(y * kMovementIconSize + x)];
                    std::string cell = v == 0 ? "." : std::to_string(v);
                    if (x + 1 < kMovementIconSize) cell.resize(4, ' ');
                    s += cell;
                }
                s += "\n";
            }
            s += "end\n";
        } else {
            s += "icon code " + hexBytes(f.iconCode) + "\n";
        }
    }
    const bool colour = f.kind == ProgramKind::ColourEffect;
    for (int i = 0; i < 3; ++i) {
        const Bytes& p = f.programs[size_t(i)];
        if (p.empty()) continue;
        s += std::string("\nprogram ") + programName(f.kind, i) + "\n";
        for (size_t at = 0; at + kInstructionSize <= p.size(); at += kInstructionSize) {
            uint16_t fields[4];
            for (int k = 0; k < 4; ++k) fields[k] = getBe16(&p[at + 2 * size_t(k)]);
            std::string line = "    " + formatField(fields[3], f.kind, Role::Operation);
            line.resize(std::max<size_t>(line.size() + 1, 8), ' ');
            if (colour) {
                line += formatField(fields[0], f.kind, Role::Source);
                if (fields[1] || fields[2])
                    line += ", " + formatField(fields[1], f.kind, Role::Spare);
                if (fields[2]) line += ", " + formatField(fields[2], f.kind, Role::Spare);
            } else {
                line += formatField(fields[0], f.kind, Role::Destination) + ", " +
                        formatField(fields[1], f.kind, Role::Operand) + ", " +
                        formatField(fields[2], f.kind, Role::Operand);
            }
            s += line + "\n";
        }
        s += "end\n";
    }
    if (!f.tail.empty()) s += "\ntail " + hexBytes(f.tail) + "\n";
    return s;
}

}  // namespace korel::tools
