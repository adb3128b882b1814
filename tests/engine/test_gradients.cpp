// Tests of gradients, the ".gra" loader and the palette ranges (conversions, shifts, kicks).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "engine/gradient.h"
#include "engine/palette_range.h"
#include "platform/files.h"
#include "support/test_services.h"

namespace korel {
namespace {

using test::TestServices;

Bytes gradientFile(uint8_t tag, uint8_t seed, size_t size = gra::kFileSize) {
    Bytes b(size, 0);
    if (!b.empty()) b[0] = tag;
    for (size_t i = gra::kColoursOffset; i < size; ++i) b[i] = uint8_t(i * 7 + seed);
    return b;
}

void writeAsset(TestServices& s, const std::string& folder, const std::string& file,
                const Bytes& content) {
    ASSERT_EQ(createFolders(s.dataPath(folder)), 0);
    ASSERT_EQ(writeFileReplacing(joinPath(s.dataPath(folder), file), content), 0);
}

Gradient greys() {
    Gradient g;
    for (int i = 0; i < kGradientColours; ++i) {
        uint8_t v = uint8_t(i * 255 / 179);
        g.colours[size_t(i)] = Rgb{v, v, v};
    }
    return g;
}

TEST(Gradient, DefaultRamp) {
    Gradient g = defaultGradient();
    for (int half = 0; half < 2; ++half) {
        auto h = g.half(half);
        EXPECT_EQ(h[0], (Rgb{255, 0, 0}));
        EXPECT_EQ(h[45], (Rgb{0, 0, 0}));
        EXPECT_EQ(h[89], (Rgb{249, 0, 0}));
        EXPECT_EQ(h[44].r, 5);  // (22950 - 22440) / 90 = 5
        EXPECT_EQ(h[46].r, 5);  // |-510 / 90| = 5
    }
}

TEST(Gradient, LoadNoneMissingBadAndShort) {
    TestServices s;
    VisualState state = defaultVisualState();
    AssetHooks hooks;
    GradientSlots slots;
    writeAsset(s, "Gradients", "Good.gra", gradientFile('G', 3));
    writeAsset(s, "Gradients", "Bad.gra", gradientFile('X', 3));
    writeAsset(s, "Gradients", "Short.gra", gradientFile('G', 3, 300));

    ASSERT_TRUE(loadGradient(s, state, hooks, slots, 2, "Good", {}));
    EXPECT_EQ(slots.slots[2].colours[0],
              (Rgb{uint8_t(5 * 7 + 3), uint8_t(6 * 7 + 3), uint8_t(7 * 7 + 3)}));
    EXPECT_EQ(state.name(VisualState::gradientName(2)), "Good");
    const Gradient good = slots.slots[2];

    // A wrong tag and a short file keep the previous colours and name.
    EXPECT_FALSE(loadGradient(s, state, hooks, slots, 2, "Bad", {}));
    EXPECT_FALSE(loadGradient(s, state, hooks, slots, 2, "Short", {}));
    EXPECT_EQ(slots.slots[2], good);
    EXPECT_EQ(state.name(VisualState::gradientName(2)), "Good");
    EXPECT_EQ(s.alerts, (std::vector<std::string>{"Not a valid file!", "End of file error!"}));

    // "(None)" gives the red ramp silently; in lower case it is a file name that is not there.
    s.alerts.clear();
    ASSERT_TRUE(loadGradient(s, state, hooks, slots, 2, "(None)", {}));
    EXPECT_EQ(slots.slots[2], defaultGradient());
    EXPECT_TRUE(s.alerts.empty());
    slots.slots[2] = good;
    EXPECT_FALSE(loadGradient(s, state, hooks, slots, 2, "(none)", {}));
    EXPECT_EQ(slots.slots[2], defaultGradient());
    EXPECT_EQ(state.name(VisualState::gradientName(2)), "(None)");
    EXPECT_EQ(s.alerts, std::vector<std::string>{"Unable to open or find gradient!"});

    // Suppressed messages stay unshown.
    s.alerts.clear();
    LoadOptions quiet;
    quiet.suppressMessages = true;
    EXPECT_FALSE(loadGradient(s, state, hooks, slots, 1, "Absent", quiet));
    EXPECT_FALSE(loadGradient(s, state, hooks, slots, 1, "Bad", quiet));
    EXPECT_TRUE(s.alerts.empty());
}

TEST(PaletteConversions, GreyRoundTripAndRounding) {
    for (int v = 0; v < 256; ++v) {
        Hsv hsv = rgbToHsv(uint8_t(v), uint8_t(v), uint8_t(v));
        EXPECT_EQ(hsv.saturation, 0);
        EXPECT_EQ(hsvToRgb(hsv), (Rgb{uint8_t(v), uint8_t(v), uint8_t(v)}));
    }
    // Other colours come back within one rounding step.
    for (int r = 0; r < 256; r += 17) {
        for (int g = 0; g < 256; g += 15) {
            for (int b = 0; b < 256; b += 51) {
                Rgb back = hsvToRgb(rgbToHsv(uint8_t(r), uint8_t(g), uint8_t(b)));
                EXPECT_LE(std::abs(back.r - r), 1);
                EXPECT_LE(std::abs(back.g - g), 1);
                EXPECT_LE(std::abs(back.b - b), 1);
            }
        }
    }
    // Red as the maximum with blue above green gives a negative sextant that wraps.
    EXPECT_EQ(rgbToHsv(255, 0, 1).hue, uint16_t(int(-(1.0 / 255) * 65535 / 6)));
    EXPECT_EQ(rgbToHsv(0, 255, 255).hue, 32767);
    EXPECT_EQ(hueTurn(60 - 1), 32221);
    EXPECT_EQ(hueTurn(-1), -546);
}

TEST(PaletteRange, BuildWithSettings) {
    TestServices s;
    VisualState state = defaultVisualState();
    PaletteRange brush = makeBrushRange();
    Gradient g = greys();
    rebuildRange(s, state, brush, g, 0);
    for (int i = 0; i < kRangeSize; ++i) {
        EXPECT_EQ(brush.base[size_t(i)].r, g.colours[size_t(i)].r);
        EXPECT_EQ(brush.base[size_t(i)].flags, kRangeFlags);
    }
    EXPECT_EQ(s.display().palette[21], brush.base[0]);
    EXPECT_EQ(s.headless().palette()[110], brush.base[89]);
    EXPECT_EQ(s.copied.size(), 1u);  // a 32-bit display copies the surface after a change

    // Pure red turned by colour setting 41 (a third of the circle) becomes green.
    Gradient red;
    red.colours.fill(Rgb{255, 0, 0});
    state.set(vs::BrushColour, 41);
    rebuildRange(s, state, brush, red, 0);
    EXPECT_EQ(brush.base[0], (PaletteEntry{0, 255, 0, kRangeFlags}));

    // Brightness and saturation at 50 percent.
    state.set(vs::BrushColour, 1);
    state.set(vs::BrushBrightness, 50);
    state.set(vs::BrushSaturation, 50);
    rebuildRange(s, state, brush, red, 0);
    // V = 127.5 rounds down: the rounding adds 0.49999999, not a half.
    EXPECT_EQ(brush.base[0], (PaletteEntry{127, 64, 64, kRangeFlags}));
    EXPECT_EQ(brush.brightness, 50);

    // Own colours at full brightness and saturation are copied as they are.
    state.set(vs::BrushBrightness, 100);
    state.set(vs::BrushSaturation, 100);
    OwnColours own;
    own.fill(Rgb{10, 200, 30});
    useOwnColours(s, state, brush, red, &own, 0);
    EXPECT_TRUE(brush.ownColours);
    EXPECT_EQ(brush.base[5], (PaletteEntry{10, 200, 30, kRangeFlags}));
    useOwnColours(s, state, brush, red, nullptr, 0);
    EXPECT_FALSE(brush.ownColours);
    EXPECT_EQ(brush.base[5], (PaletteEntry{255, 0, 0, kRangeFlags}));

    // While the palette is not live the entries are kept but not sent.
    s.shell().paletteLive = false;
    s.headless().setPalette(Palette{});
    rebuildRange(s, state, brush, g, 0);
    EXPECT_EQ(s.display().palette[22], brush.base[1]);
    EXPECT_EQ(s.headless().palette()[22], PaletteEntry{});
}

TEST(PaletteRange, RotationKickAndSpeed) {
    TestServices s;
    VisualState state = defaultVisualState();
    PaletteRange brush = makeBrushRange();
    PaletteRange fill = makeFillRange();
    Gradient g = greys();
    rebuildRange(s, state, brush, g, 0);
    rebuildRange(s, state, fill, g, 0);
    const auto before = brush.base;

    rotateRange(s, brush, 0);
    EXPECT_EQ(brush.base, before);
    rotateRange(s, brush, -1);
    for (int i = 0; i < 89; ++i) EXPECT_EQ(brush.base[size_t(i)], before[size_t(i + 1)]);
    EXPECT_EQ(brush.base[89], before[0]);
    rotateRange(s, brush, 1);
    EXPECT_EQ(brush.base, before);

    EXPECT_EQ(colourKickShift(50), 0);
    EXPECT_EQ(colourKickShift(0), -45);
    EXPECT_EQ(colourKickShift(43), -6);
    EXPECT_EQ(colourKickShift(100), 45);
    colourKick(s, brush, fill, 43, 0);
    for (int i = 0; i < kRangeSize; ++i) {
        EXPECT_EQ(brush.base[size_t(i)], before[size_t((i + 12) % 90)]);
    }
    size_t copies = s.copied.size();
    colourKick(s, brush, fill, 50, 0);
    EXPECT_EQ(s.copied.size(), copies);

    // A brush with its own colours keeps its range still while the fill range moves.
    OwnColours own;
    for (int i = 0; i < kRangeSize; ++i) own[size_t(i)] = Rgb{uint8_t(i), 0, 0};
    useOwnColours(s, state, brush, g, &own, 0);
    const auto ownBase = brush.base;
    const auto fillBefore = fill.base;
    stepRange(s, brush, 1, 0);
    stepRange(s, fill, 1, 0);
    EXPECT_EQ(brush.base, ownBase);
    EXPECT_EQ(fill.base[1], fillBefore[0]);

    EXPECT_EQ(colourTiming(60).step, 0);
    EXPECT_EQ(colourTiming(60).interval, 2147483647u);
    EXPECT_EQ(colourTiming(75).step, 1);
    EXPECT_EQ(colourTiming(75).interval, 66u);
    EXPECT_EQ(colourTiming(0).step, -1);
    EXPECT_EQ(colourTiming(0).interval, 16u);
}

TEST(PaletteRange, ColourChangeTurnsHues) {
    PaletteRange brush = makeBrushRange();
    for (auto& e : brush.base) e = PaletteEntry{255, 0, 0, kRangeFlags};
    turnRangeHue(brush, 1, 81);  // two thirds of the circle: red to blue
    EXPECT_EQ(brush.base[0], (PaletteEntry{0, 0, 255, kRangeFlags}));
    brush.ownColours = true;
    turnRangeHue(brush, 1, 41);
    EXPECT_EQ(brush.base[0], (PaletteEntry{0, 0, 255, kRangeFlags}));
}

}  // namespace
}  // namespace korel
