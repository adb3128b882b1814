// Tests of the instruction interpreter: the program trailer, every movement destination,
// operand and operation, skips, and the brush-effect programs.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/program.h"

namespace korel {
namespace {

constexpr int reg(int k) {
    return kRegisterBase + k;
}
constexpr int lit(int v) {
    return literalField(uint8_t(v));
}

struct Program {
    Bytes bytes;
    Program& op(int dest, int a, int b, int operation) {
        appendInstruction(bytes, dest, a, b, operation);
        return *this;
    }
};

class MovementProgramTest : public ::testing::Test {
  protected:
    MovementProgramTest() {
        in.centreX = 160;
        in.centreY = 120;
        in.soundLevel = 0.25;
        in.spread = -40;
        in.frameWidth = 31;
        in.frameHeight = 20;
        in.extentRight = 15;
        in.extentBottom = 10;
        in.cycleLength = 4;
        in.params = {5, -6, 7, 1, 0, 1};
    }
    void run(const Program& p, bool centred = false) {
        runMovementProgram(p.bytes, centred, in, m, stampCount, random);
    }
    double& r(int k) { return m.registers[size_t(k)]; }

    MovementInputs in;
    MovementMachine m;
    int16_t stampCount = 1;
    Random random;
};

TEST_F(MovementProgramTest, ArithmeticOperations) {
    struct Case {
        int op;
        double expected;
    };
    const double a = 7.5, b = -2;
    const Case cases[] = {
        {pf::ST, a},
        {pf::SM, a + b},
        {pf::DF, a - b},
        {pf::PR, a * b},
        {pf::QU, a / b},
        {pf::IQ, std::floor(a / b)},
        {pf::MO, std::fmod(a, b)},
        {pf::PW, std::pow(a, b)},
        {pf::SS, std::sin(2 * kProgramPi * a / b)},
        {pf::CS, std::cos(2 * kProgramPi * a / b)},
        {pf::SP, std::sin(a * b)},
        {pf::CP, std::cos(a * b)},
        {pf::SR, a * (5 * 120.0 / 3) / 100},
    };
    for (const Case& c : cases) {
        r(1) = a;
        r(2) = b;
        r(0) = 99;
        run(Program().op(reg(0), reg(1), reg(2), c.op));
        EXPECT_DOUBLE_EQ(r(0), c.expected) << std::hex << c.op;
    }
    r(0) = -3;
    run(Program().op(reg(0), 0, 0, pf::AB));
    EXPECT_EQ(r(0), 3);
    r(3) = 4;
    run(Program().op(reg(3), lit(1), lit(1), fieldCode('Z', 'Z')));  // unknown: nothing
    EXPECT_EQ(r(3), 4);
}

TEST_F(MovementProgramTest, OperandsAndDestinations) {
    m.x = 11;
    m.y = 12;
    r(7) = 2.5;
    const std::pair<int, double> operands[] = {
        {0, 0},
        {pf::xp, 11},
        {pf::yp, 12},
        {pf::xc, 160},
        {pf::yc, 120},
        {pf::vs, 0.25},
        {pf::sp, -40},
        {pf::pi, kProgramPi},
        {pf::fw, 31},
        {pf::fh, 20},
        {pf::bw, 15},
        {pf::bh, 10},
        {pf::fn, 4},
        {reg(7), 2.5},
        {kMovementParamBase + 1, -6},
        {kMovementParamBase + 5, 1},
        {lit(200), 200},
        {fieldCode('q', 'q'), 'q'},
    };
    for (auto [field, value] : operands) {
        run(Program().op(reg(0), field, 0, pf::ST));
        EXPECT_DOUBLE_EQ(r(0), value) << std::hex << field;
    }
    // Registers 128-255 have a negative second byte; the last one is 0x7EFF.
    run(Program().op(reg(200), lit(9), 0, pf::ST).op(reg(255), reg(200), lit(1), pf::SM));
    EXPECT_EQ(r(200), 9);
    EXPECT_EQ(r(255), 10);
    // "lc" is the previous instruction's destination; before any, it stores nothing.
    run(Program()
            .op(pf::lc, lit(3), 0, pf::ST)
            .op(pf::xp, lit(5), 0, pf::ST)
            .op(pf::lc, lit(6), 0, pf::ST));
    EXPECT_EQ(m.x, 6);
    run(Program().op(pf::yp, lit(8), 0, pf::ST));
    EXPECT_EQ(m.y, 8);
    run(Program().op(fieldCode('z', 'z'), lit(8), 0, pf::ST));  // unknown destination: no store
}

TEST_F(MovementProgramTest, RandomOperations) {
    for (int i = 0; i < 200; ++i) {
        run(Program().op(reg(0), lit(17), lit(17), pf::RN).op(reg(1), lit(3), lit(9), pf::RN));
        EXPECT_EQ(r(0), 17);
        EXPECT_TRUE(r(1) >= 3 && r(1) <= 9 && r(1) == std::floor(r(1)));
        run(Program().op(pf::xp, 0, 0, pf::RX).op(pf::yp, 0, 0, pf::RY));
        EXPECT_TRUE(m.x >= -15 && m.x <= 320 + 31 - 15) << m.x;
        EXPECT_TRUE(m.y >= -10 && m.y <= 240 + 20 - 10) << m.y;
    }
}

TEST_F(MovementProgramTest, WrapsOnlyOffThePicture) {
    // M = 160 + 15 = 175: D stays while |trunc(X - CX)| < 175.
    m.x = 160 + 174.9;
    r(0) = 50;
    run(Program().op(reg(0), 0, 0, pf::WH));
    EXPECT_EQ(r(0), 50);
    m.x = 160 + 175;
    run(Program().op(pf::xp, 0, 0, pf::WH));
    EXPECT_EQ(m.x, 160 + 175 - 350);
    m.y = 120 - 130.5;  // M = 130, q = trunc(-130 / 130) = -1
    run(Program().op(pf::yp, 0, 0, pf::WV));
    EXPECT_EQ(m.y, 120 - 130.5 + 260);
    in.centreX = 0;
    in.frameWidth = 1;  // M = 0: no wrapping instead of a division by zero
    m.x = 40;
    run(Program().op(pf::xp, 0, 0, pf::WH));
    EXPECT_EQ(m.x, 40);
}

TEST_F(MovementProgramTest, SkipsCountWholeInstructionsAndStopAtTheEnd) {
    const Program skipTwo = Program()
                                .op(reg(0), lit(1), 0, pf::ST)
                                .op(reg(0), lit(5), lit(2), pf::IG)  // 5 >= 1: skip two
                                .op(reg(1), lit(1), 0, pf::ST)
                                .op(reg(2), lit(1), 0, pf::ST)
                                .op(reg(3), lit(1), 0, pf::ST);
    run(skipTwo);
    EXPECT_EQ(r(1) + r(2), 0);
    EXPECT_EQ(r(3), 1);
    r(0) = 10;  // 5 < 10: no skip
    run(Program().op(reg(0), lit(5), lit(2), pf::IG).op(reg(1), lit(4), 0, pf::ST));
    EXPECT_EQ(r(1), 4);
    // A skip past the end ends the run; the centre is still added.
    m.x = m.y = 0;
    run(Program().op(pf::xp, lit(1), 0, pf::ST).op(reg(0), lit(200), lit(255), pf::IG), true);
    EXPECT_EQ(m.x, 161);
    // A negative count is taken mod 256: -254 skips two.
    r(5) = -254;
    r(1) = r(2) = 0;
    run(Program()
            .op(reg(0), lit(200), reg(5), pf::IG)
            .op(reg(1), lit(1), 0, pf::ST)
            .op(reg(2), lit(1), 0, pf::ST)
            .op(reg(3), lit(7), 0, pf::ST));
    EXPECT_EQ(r(1) + r(2), 0);
    EXPECT_EQ(r(3), 7);
    // NaN compares false: no skip, in either direction.
    r(6) = std::numeric_limits<double>::quiet_NaN();
    r(1) = 0;
    run(Program().op(reg(6), lit(5), lit(1), pf::IG).op(reg(1), lit(1), 0, pf::ST));
    EXPECT_EQ(r(1), 1);
    r(1) = 0;
    run(Program().op(reg(0), reg(6), lit(1), pf::IG).op(reg(1), lit(1), 0, pf::ST));
    EXPECT_EQ(r(1), 1);
    // "IO": on or near the picture skips, far off it does not; NaN does not.
    m.x = 170;
    m.y = 100;
    r(1) = 0;
    run(Program().op(0, lit(1), 0, pf::IO).op(reg(1), lit(1), 0, pf::ST));
    EXPECT_EQ(r(1), 0);
    m.x = 160 + 160 + 31;
    run(Program().op(0, lit(1), 0, pf::IO).op(reg(1), lit(1), 0, pf::ST));
    EXPECT_EQ(r(1), 1);
    m.x = std::numeric_limits<double>::quiet_NaN();
    r(1) = 0;
    run(Program().op(0, lit(1), 0, pf::IO).op(reg(1), lit(1), 0, pf::ST));
    EXPECT_EQ(r(1), 1);
}

TEST_F(MovementProgramTest, StampCountsAndCentring) {
    run(Program().op(0, lit(3), 0, pf::SI));
    EXPECT_EQ(stampCount, 3);
    run(Program().op(0, lit(3), 0, pf::SE));
    EXPECT_EQ(stampCount, -3);
    r(0) = 1e12;
    run(Program().op(0, reg(0), 0, pf::SI));
    EXPECT_EQ(stampCount, 32767);
    r(0) = std::numeric_limits<double>::quiet_NaN();
    run(Program().op(0, reg(0), 0, pf::SE));
    EXPECT_EQ(stampCount, 0);

    // Storing 0 into both keeps a centred brush at the centre; setting only X lets Y grow.
    const Program both = Program().op(pf::xp, 0, 0, pf::ST).op(pf::yp, 0, 0, pf::ST);
    for (int i = 0; i < 3; ++i) run(both, true);
    EXPECT_EQ(m.x, 160);
    EXPECT_EQ(m.y, 120);
    const Program onlyX = Program().op(pf::xp, 0, 0, pf::ST);
    for (int i = 0; i < 3; ++i) run(onlyX, true);
    EXPECT_EQ(m.x, 160);
    EXPECT_EQ(m.y, 120 + 3 * 120);
    run(Program(), true);  // an empty program is not run at all
    EXPECT_EQ(m.y, 480);
    // Registers keep their values from run to run.
    const Program count = Program().op(reg(9), reg(9), lit(1), pf::SM);
    for (int i = 0; i < 5; ++i) run(count);
    EXPECT_EQ(r(9), 5);
}

TEST(ProgramTrailer, ChecksLengthsAgainstTheBuffer) {
    ProgramSet programs;
    appendInstruction(programs.blocks[0], pf::xp, lit(4), pf::xc, pf::PR);
    appendInstruction(programs.blocks[2], pf::yp, lit(1), 0, pf::ST);
    appendInstruction(programs.blocks[2], pf::xp, lit(2), 0, pf::ST);
    ByteWriter w;
    writeProgramTrailer(w, programs);
    ASSERT_EQ(w.size(), 6u + 24u);

    ProgramSet read;
    ByteReader in(w.data());
    ASSERT_EQ(readProgramTrailer(in, read), TrailerStatus::Ok);
    EXPECT_EQ(read, programs);
    EXPECT_EQ(read.instructionCount(2), 2u);
    EXPECT_FALSE(read.has(1));

    ProgramSet kept = read;
    for (size_t cut = 0; cut < w.size(); ++cut) {
        ByteReader shorter(std::span(w.data().data(), cut));
        EXPECT_EQ(readProgramTrailer(shorter, kept), TrailerStatus::Truncated) << cut;
    }
    EXPECT_EQ(kept, programs);
    Bytes odd = w.data();
    odd[4] = 9;  // program 2 declares 9 bytes
    ByteReader oddIn(odd);
    EXPECT_EQ(readProgramTrailer(oddIn, kept), TrailerStatus::BadLength);
}

TEST(BrushEffectProgram, OperationsOperandsAndResult) {
    BrushEffectInputs in{100, 50, 160, 120, 0.5};
    BrushEffectRegisters regs;
    regs.values[1] = 3;
    regs.values[2] = 4;
    auto result = [&](int op) {
        Program p;
        p.op(pf::bs, reg(1), reg(2), op);
        return runBrushEffectProgram(p.bytes, in, regs);
    };
    EXPECT_EQ(result(pf::ST), 3);
    EXPECT_EQ(result(pf::SM), 7);
    EXPECT_EQ(result(pf::DF), -1);
    EXPECT_EQ(result(pf::PR), 12);
    EXPECT_EQ(result(pf::QU), 0.75);
    EXPECT_EQ(result(pf::AF), 3.25);
    EXPECT_EQ(result(pf::HP), 5);
    EXPECT_DOUBLE_EQ(result(pf::SD), std::sin(kProgramPi * 3 / 8));
    EXPECT_DOUBLE_EQ(result(pf::CD), std::cos(kProgramPi * 3 / 8));
    EXPECT_EQ(result(pf::IG), 0);  // not a brush-effect operation: "bs" stays at its start, 0

    Program p;
    p.op(reg(511), pf::xp, pf::yp, pf::DF)     // 0x7FFF, the last register
        .op(pf::bs, reg(511), pf::xc, pf::QU)  // 50 / 160
        .op(pf::bs, pf::bs, pf::vs, pf::PR)    // x 0.5
        .op(reg(3), pf::yc, lit(1), pf::SM);
    EXPECT_DOUBLE_EQ(runBrushEffectProgram(p.bytes, in, regs), 50.0 / 160 * 0.5);
    EXPECT_EQ(regs.values[511], 50);
    EXPECT_EQ(regs.values[3], 121);
    EXPECT_EQ(runBrushEffectProgram({}, in, regs), 0);
}

}  // namespace
}  // namespace korel
