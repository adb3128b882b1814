// Movement, brush-effect and colour-effect files: the binary layout, and the readable source
// form that korel-asm assembles and disassembles.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bytes.h"
#include "tools/source_text.h"

namespace korel::tools {

enum class ProgramKind { Movement, BrushEffect, ColourEffect };

constexpr size_t kMovementDescription = 120;
constexpr size_t kEffectDescription = 90;
constexpr size_t kParamName = 24;
constexpr size_t kParamDescription = 120;
constexpr int kMaxParams = 3;
constexpr int kMovementIconSize = 24;
constexpr size_t kInstructionSize = 8;
constexpr int8_t kRandomDefault = -128;  // 0x80: the value is drawn at random

struct MovementParam {
    int8_t min = 0;
    int8_t max = 0;
    int8_t defaultValue = 0;
    std::string name;         // field bytes without the NUL padding
    std::string description;  // likewise
};

// Everything a program file holds, field by field.
struct ProgramFile {
    ProgramKind kind = ProgramKind::Movement;
    std::array<uint8_t, 4> header{};  // the unread bytes after the tag (3 used by effects)
    std::string description;
    // Movements only.
    uint8_t centred = 0;
    std::vector<MovementParam> params;
    bool iconAsPixels = false;
    std::vector<uint8_t> iconPixels;  // 24 x 24 when iconAsPixels
    Bytes iconCode;                   // the coded icon as stored
    // All kinds: the three programs (start/0, beat/1, stamp/2) and bytes after them.
    std::array<Bytes, 3> programs;
    Bytes tail;
};

// The file's tag letter and extension for a kind.
char tagFor(ProgramKind kind);
const char* extensionFor(ProgramKind kind);

// The zero-run code of movement icons. encode fails on pixel values 21-200, which the code
// reserves for runs of black.
bool encodeMovementIcon(std::span<const uint8_t> pixels, Bytes& out, std::string& error);
bool decodeMovementIcon(std::span<const uint8_t> code, std::vector<uint8_t>& pixels);

// Reads a file (kind from its tag). Fails with a message on a wrong tag, a cut-short file, more
// than three parameters or a program length that is not a whole number of instructions.
bool readProgramFile(std::span<const uint8_t> bytes, ProgramFile& out, std::string& error);
// The file's bytes.
Bytes writeProgramFile(const ProgramFile& file);

// Source text <-> file.
bool assembleProgram(std::string_view source, ProgramFile& out, Diagnostic& error);
std::string disassembleProgram(const ProgramFile& file);

}  // namespace korel::tools
