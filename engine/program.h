// Eight-byte instruction programs: the three-program trailer shared by movements and effects,
// field reading, and the interpreters that run movement and brush-effect programs on doubles.
//
// An instruction is four two-byte fields: destination, operand A, operand B, operation. A field
// reads as first byte x 256 + second byte taken as signed, so "xp" is fieldCode('x', 'p') and
// register k of a movement is 0x7E00 + k. Programs are checked once when they are read (length
// a multiple of 8, inside the file); a run never allocates, and a skip never passes the end.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/bytes.h"
#include "platform/random.h"

namespace korel {

constexpr size_t kInstructionSize = 8;
constexpr int kProgramsPerAsset = 3;
constexpr size_t kProgramTrailerHeader = 6;  // three little-endian 16-bit byte counts

// The constant the programs call pi (operand "pi" and the trigonometric operations).
constexpr double kProgramPi = 3.14159265358979;

// The 16-bit value of a two-byte field.
inline int programField(const uint8_t* p) {
    return int(p[0]) * 256 + int(int8_t(p[1]));
}
constexpr int fieldCode(char first, char second) {
    return int(uint8_t(first)) * 256 + int(int8_t(second));
}

// A literal operand 1-255: the value sits in the first byte.
constexpr int literalField(uint8_t value) {
    return int(value) * 256;
}

constexpr int kRegisterBase = 0x7E00;       // register k of either machine: 0x7E00 + k
constexpr int kMovementParamBase = 0x7F00;  // movement operand: byte k (0-5) of MovementParams
constexpr int kMovementRegisters = 256;
constexpr int kBrushEffectRegisters = 512;

// One instruction: the four field values, and each field's first byte, which is the value of
// an operand the tables do not name (a literal 1-255) and the colour source's parameter.
struct Instruction {
    int destination = 0;
    int a = 0;
    int b = 0;
    int operation = 0;
    uint8_t destinationFirst = 0;
    uint8_t aFirst = 0;
    uint8_t bFirst = 0;
};

// Decodes instruction i of a checked program (i < program.size() / 8).
inline Instruction instructionAt(std::span<const uint8_t> program, size_t i) {
    const uint8_t* p = program.data() + i * kInstructionSize;
    return Instruction{programField(p),
                       programField(p + 2),
                       programField(p + 4),
                       programField(p + 6),
                       p[0],
                       p[2],
                       p[4]};
}

// The three programs of a movement or an effect (start/beat/stamp for movements, 0/1/2 for
// effects). Every block's length is a multiple of 8; an empty block is a program not to run.
struct ProgramSet {
    std::array<Bytes, kProgramsPerAsset> blocks;

    bool has(int i) const { return i >= 0 && i < kProgramsPerAsset && !blocks[size_t(i)].empty(); }
    std::span<const uint8_t> program(int i) const {
        if (i < 0 || i >= kProgramsPerAsset) return {};
        return blocks[size_t(i)];
    }
    size_t instructionCount(int i) const { return program(i).size() / kInstructionSize; }
    void clear() {
        for (auto& b : blocks) Bytes().swap(b);
    }
    bool operator==(const ProgramSet&) const = default;
};

// Why a trailer could not be read.
enum class TrailerStatus {
    Ok,
    Truncated,  // the lengths or a block run past the end of the buffer
    BadLength,  // a length is not a multiple of 8
};

// The load message of a trailer that did not read: "End of file error!" for a truncated one,
// "Not a valid file!" for a bad length; null when it read.
const char* trailerMessage(TrailerStatus status);

// Reads three little-endian 16-bit lengths and the three blocks that follow them. On failure
// `out` is left as it was and the reader may have moved on.
TrailerStatus readProgramTrailer(ByteReader& in, ProgramSet& out);
// Writes the lengths and the blocks (the layout readProgramTrailer reads).
void writeProgramTrailer(ByteWriter& out, const ProgramSet& programs);

// Builds one instruction's eight bytes from field values (for tools, fixtures and tests).
void appendInstruction(Bytes& program, int destination, int a, int b, int operation);

// --- Movement programs ------------------------------------------------------------------

// The running movement state shared by all movements: the stamp position (pixels of the
// animation rectangle, origin top-left) and the 256 registers, zero at program start-up and
// kept between runs and between movements.
struct MovementMachine {
    double x = 0;
    double y = 0;
    std::array<double, kMovementRegisters> registers{};
};

// What a movement program reads besides the machine. Built by movementInputs() (movement.h).
struct MovementInputs {
    double centreX = 0;              // "xc": half the animation width
    double centreY = 0;              // "yc"
    double soundLevel = 0;           // "vs": 0..1
    double spread = 0;               // "sp": the movement spread setting as a signed byte
    double frameWidth = 0;           // "fw": of the current brush
    double frameHeight = 0;          // "fh"
    double extentRight = 0;          // "bw": frame width / 2
    double extentBottom = 0;         // "bh": height / 2
    double cycleLength = 1;          // "fn"
    std::array<int8_t, 6> params{};  // the current slot's MovementParams bytes
};

// Runs one movement program (nothing for an empty one). "SI" and "SE" change `stampCount`;
// "RN", "RX" and "RY" draw from `random`. With `centred` the centre is added to X and Y after
// the run. Unknown destinations store nothing, unknown operations do nothing.
void runMovementProgram(std::span<const uint8_t> program, bool centred, const MovementInputs& in,
                        MovementMachine& machine, int16_t& stampCount, Random& random);

// --- Brush-effect programs --------------------------------------------------------------

// The 512 brush-effect registers (codes 0x7E00-0x7FFF), shared by all brush effects and kept
// between runs.
struct BrushEffectRegisters {
    std::array<double, kBrushEffectRegisters> values{};
};

struct BrushEffectInputs {
    double x = 0;  // "xp", "yp": the stamp position
    double y = 0;
    double centreX = 0;  // "xc", "yc"
    double centreY = 0;
    double soundLevel = 0;  // "vs"
};

// Runs one brush-effect program and returns its result "bs", which starts at 0 for each run.
double runBrushEffectProgram(std::span<const uint8_t> program, const BrushEffectInputs& in,
                             BrushEffectRegisters& registers);

// --- Operation and field codes ----------------------------------------------------------

// Field codes: operands and destinations in lower case, operations in upper case.
namespace pf {
constexpr int xp = fieldCode('x', 'p');
constexpr int yp = fieldCode('y', 'p');
constexpr int lc = fieldCode('l', 'c');
constexpr int xc = fieldCode('x', 'c');
constexpr int yc = fieldCode('y', 'c');
constexpr int vs = fieldCode('v', 's');
constexpr int sp = fieldCode('s', 'p');
constexpr int pi = fieldCode('p', 'i');
constexpr int fw = fieldCode('f', 'w');
constexpr int fh = fieldCode('f', 'h');
constexpr int bw = fieldCode('b', 'w');
constexpr int bh = fieldCode('b', 'h');
constexpr int fn = fieldCode('f', 'n');
constexpr int bs = fieldCode('b', 's');
constexpr int bc = fieldCode('b', 'c');  // colour-effect sources
constexpr int fc = fieldCode('f', 'c');

// Operations (movement, brush-effect and colour-effect programs share some letters with
// different meanings; each interpreter reads only its own table).
constexpr int ST = fieldCode('S', 'T');
constexpr int SM = fieldCode('S', 'M');
constexpr int DF = fieldCode('D', 'F');
constexpr int PR = fieldCode('P', 'R');
constexpr int QU = fieldCode('Q', 'U');
constexpr int IQ = fieldCode('I', 'Q');
constexpr int MO = fieldCode('M', 'O');
constexpr int PW = fieldCode('P', 'W');
constexpr int AB = fieldCode('A', 'B');
constexpr int SS = fieldCode('S', 'S');
constexpr int CS = fieldCode('C', 'S');
constexpr int SP = fieldCode('S', 'P');
constexpr int CP = fieldCode('C', 'P');
constexpr int SR = fieldCode('S', 'R');
constexpr int RN = fieldCode('R', 'N');
constexpr int RX = fieldCode('R', 'X');
constexpr int RY = fieldCode('R', 'Y');
constexpr int WH = fieldCode('W', 'H');
constexpr int WV = fieldCode('W', 'V');
constexpr int IG = fieldCode('I', 'G');
constexpr int IO = fieldCode('I', 'O');
constexpr int SI = fieldCode('S', 'I');
constexpr int SE = fieldCode('S', 'E');
constexpr int AF = fieldCode('A', 'F');
constexpr int HP = fieldCode('H', 'P');
constexpr int SD = fieldCode('S', 'D');
constexpr int CD = fieldCode('C', 'D');
constexpr int SH = fieldCode('S', 'H');
constexpr int QV = fieldCode('Q', 'V');
constexpr int SC = fieldCode('S', 'C');
}  // namespace pf

}  // namespace korel
