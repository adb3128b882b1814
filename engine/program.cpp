// The program trailer and the movement and brush-effect interpreters.
#include "engine/program.h"

#include <cmath>

#include "assets/assets.h"

namespace korel {

TrailerStatus readProgramTrailer(ByteReader& in, ProgramSet& out) {
    uint16_t lengths[kProgramsPerAsset];
    for (auto& length : lengths)
        if (!in.le16(length)) return TrailerStatus::Truncated;
    for (uint16_t length : lengths)
        if (length % kInstructionSize != 0) return TrailerStatus::BadLength;
    ProgramSet read;
    for (int i = 0; i < kProgramsPerAsset; ++i) {
        bool ok = false;
        auto block = in.take(lengths[i], ok);
        if (!ok) return TrailerStatus::Truncated;
        read.blocks[size_t(i)].assign(block.begin(), block.end());
    }
    out = std::move(read);
    return TrailerStatus::Ok;
}

const char* trailerMessage(TrailerStatus status) {
    switch (status) {
        case TrailerStatus::Ok:
            return nullptr;
        case TrailerStatus::Truncated:
            return kEndOfFileError;
        case TrailerStatus::BadLength:
            return kNotValidFile;
    }
    return kNotValidFile;
}

void writeProgramTrailer(ByteWriter& out, const ProgramSet& programs) {
    for (const auto& block : programs.blocks) out.le16(uint16_t(block.size()));
    for (const auto& block : programs.blocks) out.bytes(block);
}

void appendInstruction(Bytes& program, int destination, int a, int b, int operation) {
    for (int field : {destination, a, b, operation}) {
        const int8_t second = int8_t(field & 0xFF);
        program.push_back(uint8_t((field - second) / 256));
        program.push_back(uint8_t(second));
    }
}

namespace {

// Values that do not fit a 16-bit count (NaN, infinities, huge numbers) saturate; NaN gives 0.
int16_t saturate16(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 32767.0) return 32767;
    if (v <= -32768.0) return -32768;
    return int16_t(v);
}

// trunc(v) mod 256 as a count 0-255 of instructions to skip; non-finite values skip nothing.
size_t skipCount(double v) {
    if (!std::isfinite(v)) return 0;
    double m = std::fmod(std::trunc(v), 256.0);
    if (m < 0) m += 256.0;
    return size_t(m);
}

// The arithmetic that movement and effect programs share; false for any other operation.
bool commonArithmetic(int operation, double a, double b, double& result) {
    switch (operation) {
        case pf::ST:
            result = a;
            return true;
        case pf::SM:
            result = a + b;
            return true;
        case pf::DF:
            result = a - b;
            return true;
        case pf::PR:
            result = a * b;
            return true;
        case pf::QU:
            result = a / b;
            return true;
        default:
            return false;
    }
}

class MovementRun {
  public:
    MovementRun(const MovementInputs& in, MovementMachine& m) : in_(in), m_(m) {}

    double* destination(int field) {
        if (field == pf::xp) return &m_.x;
        if (field == pf::yp) return &m_.y;
        if (field >= kRegisterBase && field < kRegisterBase + kMovementRegisters)
            return &m_.registers[size_t(field - kRegisterBase)];
        return nullptr;
    }

    double operand(int field, uint8_t first) const {
        switch (field) {
            case 0:
                return 0;
            case pf::xp:
                return m_.x;
            case pf::yp:
                return m_.y;
            case pf::xc:
                return in_.centreX;
            case pf::yc:
                return in_.centreY;
            case pf::vs:
                return in_.soundLevel;
            case pf::sp:
                return in_.spread;
            case pf::pi:
                return kProgramPi;
            case pf::fw:
                return in_.frameWidth;
            case pf::fh:
                return in_.frameHeight;
            case pf::bw:
                return in_.extentRight;
            case pf::bh:
                return in_.extentBottom;
            case pf::fn:
                return in_.cycleLength;
            default:
                break;
        }
        if (field >= kRegisterBase && field < kRegisterBase + kMovementRegisters)
            return m_.registers[size_t(field - kRegisterBase)];
        if (field >= kMovementParamBase && field < kMovementParamBase + 6)
            return in_.params[size_t(field - kMovementParamBase)];
        return first;
    }

  private:
    const MovementInputs& in_;
    MovementMachine& m_;
};

// D - 2 q M with M = trunc(centre) + trunc(size / 2) and q = trunc(trunc(pos - centre) / M):
// moves D back by whole picture widths once the position has left the picture. A zero M
// (a picture and brush too small to wrap in) leaves D as it is.
double wrap(double d, double pos, double centre, double size) {
    const double m = std::trunc(centre) + std::trunc(size / 2);
    if (m == 0) return d;
    const double q = std::trunc(std::trunc(pos - centre) / m);
    return d - 2 * q * m;
}

}  // namespace

void runMovementProgram(std::span<const uint8_t> program, bool centred, const MovementInputs& in,
                        MovementMachine& machine, int16_t& stampCount, Random& random) {
    const size_t n = program.size() / kInstructionSize;
    if (n == 0) return;
    MovementRun run(in, machine);
    double* dest = nullptr;  // "lc" before any other destination stores nothing
    for (size_t i = 0; i < n; ++i) {
        const Instruction ins = instructionAt(program, i);
        if (ins.destination != pf::lc) dest = run.destination(ins.destination);
        const double a = run.operand(ins.a, ins.aFirst);
        const double b = run.operand(ins.b, ins.bFirst);
        const double d = dest ? *dest : 0.0;
        double result = 0;
        switch (ins.operation) {
            case pf::IQ:
                result = std::floor(a / b);
                break;
            case pf::MO:
                result = std::fmod(a, b);
                break;
            case pf::PW:
                result = std::pow(a, b);
                break;
            case pf::AB:
                result = std::fabs(d);
                break;
            case pf::SS:
                result = std::sin(2 * kProgramPi * a / b);
                break;
            case pf::CS:
                result = std::cos(2 * kProgramPi * a / b);
                break;
            case pf::SP:
                result = std::sin(a * b);
                break;
            case pf::CP:
                result = std::cos(a * b);
                break;
            case pf::SR:
                result = a * (5 * in.centreY / 3) / 100;
                break;
            case pf::RN:
                result = a + std::floor(random.next() * (b - a + 1) / 32768);
                break;
            case pf::RX:
                result = std::floor(random.next() * (2 * in.centreX + in.frameWidth + 1) / 32768) -
                         std::trunc(in.frameWidth / 2);
                break;
            case pf::RY:
                result = std::floor(random.next() * (2 * in.centreY + in.frameHeight + 1) / 32768) -
                         std::trunc(in.frameHeight / 2);
                break;
            case pf::WH:
                result = wrap(d, machine.x, in.centreX, in.frameWidth);
                break;
            case pf::WV:
                result = wrap(d, machine.y, in.centreY, in.frameHeight);
                break;
            case pf::IG:
                if (a >= d) i += skipCount(b);
                continue;
            case pf::IO:
                if (std::fabs(machine.x - in.centreX) < in.centreX + in.frameWidth &&
                    std::fabs(machine.y - in.centreY) < in.centreY + in.frameHeight)
                    i += skipCount(a);
                continue;
            case pf::SI:
                stampCount = saturate16(std::trunc(a));
                continue;
            case pf::SE:
                stampCount = saturate16(std::trunc(-a));
                continue;
            default:
                if (!commonArithmetic(ins.operation, a, b, result)) continue;
        }
        if (dest) *dest = result;
    }
    if (centred) {
        machine.x += in.centreX;
        machine.y += in.centreY;
    }
}

double runBrushEffectProgram(std::span<const uint8_t> program, const BrushEffectInputs& in,
                             BrushEffectRegisters& registers) {
    double bs = 0;
    const size_t n = program.size() / kInstructionSize;
    auto isRegister = [](int field) {
        return field >= kRegisterBase && field < kRegisterBase + kBrushEffectRegisters;
    };
    auto operand = [&](int field, uint8_t first) -> double {
        if (isRegister(field)) return registers.values[size_t(field - kRegisterBase)];
        switch (field) {
            case 0:
                return 0;
            case pf::bs:
                return bs;
            case pf::xp:
                return in.x;
            case pf::yp:
                return in.y;
            case pf::xc:
                return in.centreX;
            case pf::yc:
                return in.centreY;
            case pf::vs:
                return in.soundLevel;
            default:
                return first;
        }
    };
    for (size_t i = 0; i < n; ++i) {
        const Instruction ins = instructionAt(program, i);
        double* dest = nullptr;
        if (ins.destination == pf::bs)
            dest = &bs;
        else if (isRegister(ins.destination))
            dest = &registers.values[size_t(ins.destination - kRegisterBase)];
        const double a = operand(ins.a, ins.aFirst);
        const double b = operand(ins.b, ins.bFirst);
        double result = 0;
        switch (ins.operation) {
            case pf::AF:
                result = a + 1 / b;
                break;
            case pf::HP:
                result = std::sqrt(a * a + b * b);
                break;
            case pf::SD:
                result = std::sin(kProgramPi * a / (2 * b));
                break;
            case pf::CD:
                result = std::cos(kProgramPi * a / (2 * b));
                break;
            default:
                if (!commonArithmetic(ins.operation, a, b, result)) continue;
        }
        if (dest) *dest = result;
    }
    return bs;
}

}  // namespace korel
