// Tests of brush effects and colour effects: files, programs, deltas and how ranges show them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/effect.h"
#include "engine/gradient.h"
#include "platform/files.h"
#include "support/test_services.h"

namespace korel {
namespace {

using test::TestServices;

Bytes effectFile(uint8_t tag, const std::array<Bytes, 3>& programs) {
    Bytes b(efx::kProgramsOffset, 0);
    b[0] = tag;
    const char* text = "Pulls every colour toward cyan.";
    std::copy(text, text + 31, b.begin() + efx::kDescriptionOffset);
    for (int i = 0; i < 3; ++i)
        putLe16(&b[efx::kLengthsOffset + 2 * i], uint16_t(programs[size_t(i)].size()));
    for (const Bytes& p : programs) b.insert(b.end(), p.begin(), p.end());
    return b;
}

Bytes colourProgram(std::vector<std::pair<int, int>> sourceAndOp) {
    Bytes p;
    for (auto [source, op] : sourceAndOp) appendInstruction(p, source, 0, 0, op);
    return p;
}

struct EffectFixture {
    EffectFixture() : state(defaultVisualState()) {
        EXPECT_EQ(createFolders(s.dataPath("Effects")), 0);
        // Red, green and blue thirds, so hues differ along the range.
        for (int i = 0; i < kGradientColours; ++i) {
            int third = (i % 90) / 30;
            gradient.colours[size_t(i)] =
                Rgb{uint8_t(third == 0 ? 200 : 20), uint8_t(third == 1 ? 200 : 20),
                    uint8_t(third == 2 ? 200 : 20)};
        }
        rebuildRange(s, state, brush, gradient, 0);
        rebuildRange(s, state, fill, gradient, 0);
    }
    void write(const std::string& file, const Bytes& b) {
        ASSERT_EQ(writeFileReplacing(joinPath(s.dataPath("Effects"), file), b), 0);
    }
    bool loadColour(PaletteRange& range, const std::string& name, double level,
                    LoadOptions o = {}) {
        return loadColourEffect(s, state, hooks, range, name, o, level);
    }

    TestServices s;
    VisualState state;
    AssetHooks hooks;
    Gradient gradient;
    PaletteRange brush = makeBrushRange();
    PaletteRange fill = makeFillRange();
};

uint64_t checksum(const Palette& palette, int first, int count) {
    uint64_t h = 1469598103934665603ull;
    for (int i = first; i < first + count; ++i) {
        for (uint8_t v : {palette[size_t(i)].r, palette[size_t(i)].g, palette[size_t(i)].b}) {
            h = (h ^ v) * 1099511628211ull;
        }
    }
    return h;
}

TEST(ColourEffect, HueTargetAtHalfLevel) {
    EffectFixture f;
    f.state.set(vs::BrushColour, 60);
    f.write("Cyan.efc", effectFile('C', {colourProgram({{pf::bc, pf::SH}}), {}, {}}));
    ASSERT_TRUE(f.loadColour(f.brush, "Cyan", 0.5));
    EXPECT_TRUE(f.brush.effectLoaded);
    EXPECT_FALSE(f.brush.crossDependence);
    for (int i = 0; i < kRangeSize; ++i) {
        const PaletteEntry& b = f.brush.base[size_t(i)];
        Rgb target =
            hsvToRgb(Hsv{32767, rgbToHsv(b.r, b.g, b.b).saturation, rgbToHsv(b.r, b.g, b.b).value});
        EXPECT_EQ(target.r, 20);
        const PaletteEntry& shown = f.brush.shown[size_t(i)];
        EXPECT_EQ(shown.r, uint8_t((target.r - b.r) * 0.5 + b.r));
        EXPECT_EQ(shown.g, uint8_t((target.g - b.g) * 0.5 + b.g));
        EXPECT_EQ(shown.b, uint8_t((target.b - b.b) * 0.5 + b.b));
    }
    EXPECT_EQ(f.s.display().palette[21], f.brush.shown[0]);
    EXPECT_EQ(f.s.headless().palette()[110], f.brush.shown[89]);
    // The golden checksum of the shown brush range at half level.
    EXPECT_EQ(checksum(f.s.headless().palette(), 21, 90), 6510043180658576411ull);

    // At silence the base shows; at full level the targets.
    showThroughEffect(f.s, f.brush, 0, 0);
    EXPECT_EQ(f.brush.shown, f.brush.base);
    showThroughEffect(f.s, f.brush, 0, 1);
    EXPECT_EQ(f.brush.shown[0], (PaletteEntry{20, 200, 200, kRangeFlags}));

    // A colour step turns base and deltas together.
    const auto deltas = f.brush.deltas;
    const auto base = f.brush.base;
    stepRange(f.s, f.brush, 5, 1);
    EXPECT_EQ(f.brush.base[5], base[0]);
    EXPECT_EQ(f.brush.deltas[5], deltas[0]);
    EXPECT_EQ(f.brush.deltas[2], deltas[87]);
}

TEST(ColourEffect, InvertedDesaturationAndOtherOperations) {
    EffectFixture f;
    f.write(
        "Grey.efc",
        effectFile(
            'C',
            {colourProgram({{literalField(1), pf::SD}, {literalField(0) | 0, pf::SS}}), {}, {}}));
    ASSERT_TRUE(f.loadColour(f.fill, "Grey", 0));
    EXPECT_TRUE(f.fill.invertedResponse);
    for (const PaletteEntry& e : f.fill.shown) {
        EXPECT_EQ(e.r, e.g);
        EXPECT_EQ(e.g, e.b);
    }
    showThroughEffect(f.s, f.fill, 0, 1);
    EXPECT_EQ(f.fill.shown, f.fill.base);

    // "QV" by 0 divides by zero without harm; "SC" removes red; "fc" makes the brush range
    // depend on the fill colour.
    f.write("Odd.efc", effectFile('C', {colourProgram({{pf::fc, pf::QV}}), {}, {}}));
    f.state.set(vs::FillColour, 0);
    ASSERT_TRUE(f.loadColour(f.brush, "Odd", 1));
    EXPECT_TRUE(f.brush.crossDependence);
    EXPECT_FALSE(f.brush.invertedResponse);
    EXPECT_EQ(f.brush.shown[0], (PaletteEntry{255, 255, 255, kRangeFlags}));

    f.write("NoRed.efc", effectFile('C', {colourProgram({{literalField(1), pf::SC}}), {}, {}}));
    ASSERT_TRUE(f.loadColour(f.brush, "NoRed", 1));
    EXPECT_FALSE(f.brush.crossDependence);
    EXPECT_LE(f.brush.shown[0].r, 25);
}

TEST(ColourEffect, CrossDependenceFollowsColourChanges) {
    EffectFixture f;
    f.write("Follow.efc", effectFile('C', {colourProgram({{pf::bc, pf::SH}}), {}, {}}));
    ASSERT_TRUE(f.loadColour(f.fill, "Follow", 1));
    EXPECT_TRUE(f.fill.crossDependence);
    const PaletteEntry before = f.fill.shown[0];
    const PaletteEntry brushBefore = f.brush.base[0];

    f.state.set(vs::BrushColour, 41);
    changeColourSetting(f.s, f.state, f.hooks, f.brush, f.fill, 1, 41, 1);
    EXPECT_NE(f.brush.base[0], brushBefore);
    EXPECT_EQ(f.brush.base[0].g, 200);  // red turned a third of the circle
    EXPECT_NE(f.fill.shown[0], before);
    EXPECT_EQ(f.fill.shown[0].g, 200);  // the fill's target hue is now the brush colour's
}

TEST(ColourEffect, LoadFailuresKeepOrRemove) {
    EffectFixture f;
    f.write("Cyan.efc", effectFile('C', {colourProgram({{pf::bc, pf::SH}}), {}, {}}));
    f.write("Wrong.efc", effectFile('E', std::array<Bytes, 3>{}));
    Bytes odd = effectFile('C', {Bytes(7, 1), {}, {}});
    f.write("Odd.efc", odd);
    Bytes cut = effectFile('C', {colourProgram({{pf::bc, pf::SH}, {pf::bc, pf::SH}}), {}, {}});
    cut.resize(cut.size() - 3);
    f.write("Cut.efc", cut);
    f.write("Tiny.efc", Bytes{'C', 0, 0});

    ASSERT_TRUE(f.loadColour(f.brush, "Cyan", 1));
    f.state.setName(vs::BrushColourEffect, "Cyan");
    LoadOptions quiet;
    quiet.suppressMessages = true;
    EXPECT_FALSE(f.loadColour(f.brush, "Wrong", 1, quiet));
    EXPECT_EQ(f.s.alerts, std::vector<std::string>{"Not a valid file!"});  // shown regardless
    EXPECT_FALSE(f.loadColour(f.brush, "Odd", 1));
    EXPECT_FALSE(f.loadColour(f.brush, "Cut", 1));
    EXPECT_FALSE(f.loadColour(f.brush, "Tiny", 1));
    EXPECT_EQ(f.s.alerts, (std::vector<std::string>{"Not a valid file!", "Not a valid file!",
                                                    "End of file error!", "End of file error!"}));
    EXPECT_TRUE(f.brush.effectLoaded);
    EXPECT_EQ(f.brush.programs.instructionCount(0), 1u);
    EXPECT_EQ(f.state.name(vs::BrushColourEffect), "Cyan");

    f.s.alerts.clear();
    EXPECT_FALSE(f.loadColour(f.brush, "Gone", 1));
    EXPECT_FALSE(f.brush.effectLoaded);
    EXPECT_EQ(f.state.name(vs::BrushColourEffect), "(None)");
    EXPECT_EQ(f.s.alerts, std::vector<std::string>{"Unable to open or find effect!"});
    EXPECT_EQ(f.brush.shown, f.brush.base);

    ASSERT_TRUE(f.loadColour(f.brush, "Cyan", 1));
    ASSERT_TRUE(f.loadColour(f.brush, "(None)", 1));
    EXPECT_FALSE(f.brush.effectLoaded);
    EXPECT_EQ(f.brush.shown, f.brush.base);

    // During start-up the effect is loaded but nothing is computed or shown yet.
    f.s.shell().startingUp = true;
    f.brush.shown = {};
    ASSERT_TRUE(f.loadColour(f.brush, "Cyan", 1));
    EXPECT_EQ(f.brush.shown[0], PaletteEntry{});
}

TEST(BrushEffect, ResultRegistersAndLoading) {
    EffectFixture f;
    // Program 0 stores 7 in register 5; program 1: bs = vs; program 2: bs = 0 - 1 + register 5.
    Bytes p0, p1, p2;
    appendInstruction(p0, kRegisterBase + 5, literalField(7), 0, pf::ST);
    appendInstruction(p1, pf::bs, pf::vs, 0, pf::ST);
    appendInstruction(p2, pf::bs, 0, literalField(1), pf::DF);
    appendInstruction(p2, kRegisterBase + 6, pf::bs, kRegisterBase + 5, pf::SM);
    f.write("Grow.efb", effectFile('E', {p0, p1, p2}));
    f.write("Colour.efb", effectFile('C', {p0, p1, p2}));

    BrushEffect effect;
    BrushEffectInputs in;
    ASSERT_TRUE(loadBrushEffect(f.s, f.state, f.hooks, effect, "Grow", {}, in));
    EXPECT_EQ(f.state.name(vs::BrushEffect), "Grow");
    EXPECT_EQ(effect.registers.values[5], 7);
    in.soundLevel = 0;
    EXPECT_EQ(runBrushEffect(effect, 1, in), 0);  // silence: the stamp vanishes
    in.soundLevel = 1;
    EXPECT_EQ(runBrushEffect(effect, 1, in), 1);
    EXPECT_EQ(runBrushEffect(effect, 2, in), -1);  // negative: nothing is drawn
    EXPECT_EQ(effect.registers.values[6], 6);

    // A wrong tag keeps the effect, registers survive a new load, "(None)" empties it.
    EXPECT_FALSE(loadBrushEffect(f.s, f.state, f.hooks, effect, "Colour", {}, in));
    EXPECT_TRUE(effect.loaded);
    EXPECT_TRUE(effect.hasProgram(2));
    ASSERT_TRUE(loadBrushEffect(f.s, f.state, f.hooks, effect, "(None)", {}, in));
    EXPECT_FALSE(effect.loaded);
    EXPECT_EQ(runBrushEffect(effect, 1, in), 0);
    EXPECT_EQ(effect.registers.values[6], 6);
}

}  // namespace
}  // namespace korel
