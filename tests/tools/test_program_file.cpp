// The assembler and disassembler of movements and effects: the published examples, exact round
// trips, files the engine loads, and error reports naming the line.
#include <gtest/gtest.h>

#include <random>

#include "engine/effect.h"
#include "engine/movement.h"
#include "formats_examples.h"
#include "tools/program_file.h"

namespace korel::tools {
namespace {

ProgramFile assembled(const std::string& source) {
    ProgramFile f;
    Diagnostic d;
    EXPECT_TRUE(assembleProgram(source, f, d)) << d.line << ": " << d.message;
    return f;
}

// Disassembles, assembles again and expects the same bytes.
void expectRoundTrip(const Bytes& bytes) {
    ProgramFile f;
    std::string error;
    ASSERT_TRUE(readProgramFile(bytes, f, error)) << error;
    const std::string text = disassembleProgram(f);
    ProgramFile again;
    Diagnostic d;
    ASSERT_TRUE(assembleProgram(text, again, d)) << d.line << ": " << d.message << "\n" << text;
    ASSERT_EQ(writeProgramFile(again), bytes) << text;
}

TEST(Examples, PublishedSourcesAssembleAndLoad) {
    const auto movements = test::formatsExamples("# Orbit");
    ASSERT_EQ(movements.size(), 1u);
    const ProgramFile orbit = assembled(movements[0]);
    const Bytes mvm = writeProgramFile(orbit);
    MovementAsset m;
    Surface icon;
    ASSERT_EQ(decodeMovement(mvm, m, &icon), nullptr);
    EXPECT_TRUE(m.centred);
    EXPECT_EQ(m.paramCount, 2);
    EXPECT_EQ(m.paramDefault[0], -128);
    EXPECT_EQ(m.paramDefault[1], 12);
    EXPECT_EQ(m.paramNames[0], "Radius");
    EXPECT_EQ(m.programs.instructionCount(kStampProgram), 6u);
    EXPECT_EQ(icon.at(10, 2), 201);
    EXPECT_EQ(icon.at(12, 10), 245);
    EXPECT_EQ(icon.at(0, 0), 0);
    // "CS xp, r0, r2" is stored as destination, A, B, operation.
    const Bytes& stamp = orbit.programs[2];
    EXPECT_EQ(Bytes(stamp.begin() + 16, stamp.begin() + 24),
              (Bytes{'x', 'p', 0x7E, 0, 0x7E, 2, 'C', 'S'}));
    expectRoundTrip(mvm);

    const auto brush = test::formatsExamples("# Pulse");
    const auto colour = test::formatsExamples("# Blue_Rise");
    ASSERT_EQ(brush.size(), 1u);
    ASSERT_EQ(colour.size(), 1u);
    const Bytes efb = writeProgramFile(assembled(brush[0]));
    const Bytes efc = writeProgramFile(assembled(colour[0]));
    ProgramSet programs;
    ASSERT_EQ(decodeEffect(efb, 'E', programs), nullptr);
    EXPECT_EQ(programs.instructionCount(2), 2u);
    ASSERT_EQ(decodeEffect(efc, 'C', programs), nullptr);
    EXPECT_EQ(Bytes(programs.program(0).begin(), programs.program(0).end()),
              (Bytes{80, 0, 0, 0, 0, 0, 'S', 'H'}));
    expectRoundTrip(efb);
    expectRoundTrip(efc);
}

TEST(RoundTrip, EveryByteOfRandomFilesIsKept) {
    std::mt19937 rng(5);
    auto byte = [&] { return uint8_t(rng()); };
    for (int trial = 0; trial < 300; ++trial) {
        ProgramFile f;
        f.kind = ProgramKind(trial % 3);
        for (auto& b : f.header) b = trial % 4 ? 0 : byte();
        if (f.kind != ProgramKind::Movement) f.header[3] = 0;
        const size_t width = f.kind == ProgramKind::Movement ? 119 : 89;
        for (size_t i = rng() % width; i > 0; --i) f.description.push_back(char(byte() | 1));
        if (f.kind == ProgramKind::Movement) {
            f.centred = uint8_t(rng() % 3);
            for (int p = int(rng() % 4); p > 0; --p) {
                MovementParam mp;
                mp.min = int8_t(-int(rng() % 100));
                mp.max = int8_t(rng() % 100);
                mp.defaultValue = rng() % 2 ? kRandomDefault : int8_t(mp.min + int(rng() % 5));
                mp.name = std::string("P").append(std::to_string(p));
                mp.description = trial % 2 ? "" : "with \"quotes\"\\";
                f.params.push_back(mp);
            }
            if (trial % 5) {
                std::vector<uint8_t> px(576);
                for (auto& v : px)
                    v = rng() % 3 ? 0 : uint8_t(rng() % 2 ? 201 + rng() % 55 : rng() % 21);
                std::string ignored;
                ASSERT_TRUE(encodeMovementIcon(px, f.iconCode, ignored));
            }
        }
        for (auto& p : f.programs) {
            for (size_t n = rng() % 12; n > 0; --n) {
                for (int k = 0; k < 8; ++k) {
                    // Mostly letters, registers and small numbers; some of anything.
                    const int pick = int(rng() % 4);
                    p.push_back(pick == 0   ? byte()
                                : pick == 1 ? uint8_t('a' + rng() % 26)
                                : pick == 2 ? uint8_t(0x7E + rng() % 3)
                                            : uint8_t(rng() % 8));
                }
            }
        }
        if (trial % 7 == 0) f.tail = {1, 2, 3};
        expectRoundTrip(writeProgramFile(f));
    }
}

TEST(RoundTrip, IconsThatDoNotCodeCanonicallyStayRaw) {
    ProgramFile f;
    f.iconCode.assign(288, 21);  // 2 zeros per byte, twelve bytes per row
    expectRoundTrip(writeProgramFile(f));
    ProgramFile r;
    std::string error;
    ASSERT_TRUE(readProgramFile(writeProgramFile(f), r, error));
    EXPECT_FALSE(r.iconAsPixels);
    EXPECT_NE(disassembleProgram(r).find("icon code 15 15"), std::string::npos);
}

TEST(ReadingFiles, DamagedFilesAreRefused) {
    const Bytes good = writeProgramFile(assembled(test::formatsExamples("# Orbit")[0]));
    std::string error;
    ProgramFile f;
    for (size_t n = 0; n + 1 < good.size(); n += 7) {
        // Cut inside the programs or before: refused; a cut tail is never read past.
        const Bytes cut(good.begin(), good.begin() + long(n));
        EXPECT_FALSE(readProgramFile(cut, f, error)) << n;
    }
    Bytes wrong = good;
    wrong[0] = 'X';
    EXPECT_FALSE(readProgramFile(wrong, f, error));
    EXPECT_EQ(error, "Not a valid file!");
    Bytes odd = writeProgramFile(ProgramFile{});
    putLe16(&odd[odd.size() - 6], 5);
    odd.resize(odd.size() + 5);
    EXPECT_FALSE(readProgramFile(odd, f, error));
    EXPECT_NE(error.find("not a whole number"), std::string::npos);
}

TEST(Errors, NameTheLineAndTheProblem) {
    struct Case {
        const char* source;
        int line;
        const char* message;
    };
    const Case cases[] = {
        {"program start\nend\n", 1, "the first statement must be"},
        {"movement\nprogram stamp\n  ST bs, 1, 2\nend\n", 3,
         "'bs' is not a destination of a movement"},
        {"brush-effect\nprogram 2\n  IG bs, 1, 2\nend\n", 3,
         "unknown operation 'IG' for a brush effect"},
        {"movement\nprogram stamp\n  ST xp, r256\nend\n", 3, "register r256 is out of range"},
        {"movement\nprogram beat\n  ST xp, 126\nend\n", 3, "it reads as r0"},
        {"movement\nprogram beat\n  ST xp, 127\nend\n", 3, "it reads as param1"},
        {"brush-effect\nprogram 1\n  ST bs, 127\nend\n", 3, "it reads as r256"},
        {"brush-effect\nprogram 1\n  ST r512, 1\nend\n", 3, "out of range (r0-r511)"},
        {"movement\nprogram beat\n  ST xp, 300\nend\n", 3, "outside 0-255"},
        {"movement\nprogram beat\n  ST 5, 1\nend\n", 3, "a number cannot be a destination"},
        {"movement\nprogram beat\n  ST xp, 1, 2, 3\nend\n", 3, "at most three fields"},
        {"movement\n\nprogram beat\n  ST xp, 1\n", 3, "missing 'end'"},
        {"movement\nprogram beat\nend\nprogram beat\nend\n", 4, "given twice"},
        {"movement\nprogram loop\nend\n", 2, "unknown program 'loop'"},
        {"colour-effect\ncentred yes\n", 2, "only for movements"},
        {"colour-effect\nprogram 0\n  SH param1\nend\n", 3, "cannot be a colour source"},
        {"movement\nparam \"A\" min 5 max 1 default 2\n", 2, "above the maximum"},
        {"movement\nparam \"A\" min 1 max 5 default 9\n", 2, "outside 1..5"},
        {"movement\nparam \"A\" min 1 max 500 default 2\n", 2, "not a number -128..127"},
        {"movement\nparam \"A\" 1 5 2\n", 2, "write: param"},
        {"movement\nicon\n. . .\nend\n", 3, "24 are needed"},
        {"movement\nheader 01 02\n", 2, "takes 4 bytes"},
        {"movement\ndescription \"unterminated\n", 2, "unterminated string"},
        {"movement\nfrobnicate\n", 2, "unknown statement 'frobnicate'"},
        {"# nothing\n", 0, "names no kind"},
    };
    for (const Case& c : cases) {
        ProgramFile f;
        Diagnostic d;
        EXPECT_FALSE(assembleProgram(c.source, f, d)) << c.source;
        EXPECT_EQ(d.line, c.line) << c.source;
        EXPECT_NE(d.message.find(c.message), std::string::npos) << c.source << " -> " << d.message;
    }

    std::string icon = "movement\nicon\n";
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) icon += y == 5 && x == 3 ? "50 " : ". ";
        icon += "\n";
    }
    icon += "end\n";
    ProgramFile f;
    Diagnostic d;
    EXPECT_FALSE(assembleProgram(icon, f, d));
    EXPECT_EQ(d.line, 8);
    EXPECT_NE(d.message.find("21-200 are runs of black"), std::string::npos);
}

// Every register name reaches the register it names, as destination and as operand, and
// disassembles to the same name; registers from r128 are stored with a negative second byte.
TEST(Registers, EveryNameIsTheRegisterTheEngineReads) {
    const ProgramFile r200 = assembled("movement\nprogram start\n  ST r200, 9\nend\n");
    EXPECT_EQ(r200.programs[0], (Bytes{0x7F, 0xC8, 9, 0, 0, 0, 'S', 'T'}));
    EXPECT_TRUE(r200.iconCode.empty());
    MovementAsset m;
    Surface icon;
    ASSERT_EQ(decodeMovement(writeProgramFile(r200), m, &icon), nullptr);
    MovementMachine machine;
    Random random;
    int16_t stamps = 1;
    runMovementProgram(m.programs.program(kStartProgram), false, MovementInputs{}, machine, stamps,
                       random);
    EXPECT_EQ(machine.registers[200], 9);

    for (int k = 0; k < kMovementRegisters; ++k) {
        const std::string r = "r" + std::to_string(k);
        const ProgramFile f = assembled("movement\nprogram stamp\n  SM " + r + ", " + r +
                                        ", 1\n  ST xp, " + r + "\n  ST yp, param1\nend\n");
        MovementMachine mm;
        MovementInputs in;
        in.params[0] = -3;
        runMovementProgram(f.programs[2], false, in, mm, stamps, random);
        double others = 0;
        for (int j = 0; j < kMovementRegisters; ++j) others += j == k ? 0 : mm.registers[size_t(j)];
        ASSERT_EQ(mm.registers[size_t(k)], 1) << r;
        ASSERT_EQ(others, 0) << r;
        ASSERT_EQ(mm.x, 1) << r;
        ASSERT_EQ(mm.y, -3) << r;
        EXPECT_NE(disassembleProgram(f).find("SM  " + r + ", " + r + ", 1"), std::string::npos);
        expectRoundTrip(writeProgramFile(f));
    }

    EXPECT_EQ(assembled("brush-effect\nprogram 0\n  ST r400, r383\nend\n").programs[0],
              (Bytes{0x80, 0x90, 0x7F, 0x7F, 0, 0, 'S', 'T'}));
    for (int k = 0; k < kBrushEffectRegisters; ++k) {
        const std::string r = "r" + std::to_string(k);
        const ProgramFile f = assembled("brush-effect\nprogram 2\n  SM " + r + ", " + r +
                                        ", 1\n  SM bs, " + r + ", " + r + "\nend\n");
        BrushEffectRegisters registers;
        ASSERT_EQ(runBrushEffectProgram(f.programs[2], BrushEffectInputs{}, registers), 2) << r;
        double others = 0;
        for (int j = 0; j < kBrushEffectRegisters; ++j)
            others += j == k ? 0 : registers.values[size_t(j)];
        ASSERT_EQ(registers.values[size_t(k)], 1) << r;
        ASSERT_EQ(others, 0) << r;
        expectRoundTrip(writeProgramFile(f));
    }

    // Bytes that only look like a register (the old 7E C8) stay raw and are kept.
    ProgramFile raw;
    raw.programs[0] = {0x7E, 0xC8, 0, 0, 0, 0, 'S', 'T'};
    const std::string text = disassembleProgram(raw);
    EXPECT_NE(text.find("0x7EC8"), std::string::npos) << text;
    expectRoundTrip(writeProgramFile(raw));
}

TEST(Fields, RawAndQuotedFormsAreKeptAsWritten) {
    const ProgramFile f = assembled(
        "movement\nprogram 0\n  'zz' 'qq', 0x7F09, fixed3\n  AB xp\n  PR lc, pi, param2\nend\n");
    EXPECT_EQ(f.programs[0],
              (Bytes{'q', 'q', 0x7F, 0x09, 0x7F, 0x05, 'z', 'z', 'x',  'p',  0,   0,
                     0,   0,   'A',  'B',  'l',  'c',  'p', 'i', 0x7F, 0x01, 'P', 'R'}));
    expectRoundTrip(writeProgramFile(f));
}

}  // namespace
}  // namespace korel::tools
