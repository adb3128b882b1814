// The gradient and style builders: colour stops, named settings, exact round trips and errors.
#include <gtest/gtest.h>

#include <random>

#include "engine/gradient.h"
#include "formats_examples.h"
#include "platform/files.h"
#include "support/test_services.h"
#include "tools/gradient_builder.h"
#include "tools/style_builder.h"

namespace korel::tools {
namespace {

GradientFile gradient(const std::string& source) {
    GradientFile g;
    Diagnostic d;
    EXPECT_TRUE(buildGradient(source, g, d)) << d.line << ": " << d.message;
    return g;
}

TEST(Gradient, StopsBlendAndHold) {
    const GradientFile g =
        gradient("brush\n10 #000000  # held before\n20 200 100 0\n\nfill\n0 #ff0000\n90 #ff0000\n");
    EXPECT_EQ(g.colours[0], (Rgb{0, 0, 0}));
    EXPECT_EQ(g.colours[15], (Rgb{100, 50, 0}));
    EXPECT_EQ(g.colours[11], (Rgb{20, 10, 0}));
    EXPECT_EQ(g.colours[89], (Rgb{200, 100, 0}));
    for (int i = 90; i < 180; ++i) EXPECT_EQ(g.colours[size_t(i)], (Rgb{255, 0, 0}));

    const GradientFile both = gradient("both\n0 0 0 0\n3 1 2 255\n");
    EXPECT_EQ(both.colours[1], (Rgb{0, 1, 85}));
    EXPECT_EQ(both.colours[2], (Rgb{1, 1, 170}));
    EXPECT_EQ(both.colours[92], both.colours[2]);

    const auto ember = test::formatsExamples("# Ember");
    ASSERT_EQ(ember.size(), 1u);
    const Bytes file = writeGradientFile(gradient(ember[0]));
    ASSERT_EQ(file.size(), kGradientFileSize);
    Gradient loaded;
    ASSERT_TRUE(decodeGradient(file, loaded));
    EXPECT_EQ(loaded.colours[30], (Rgb{0xc0, 0, 0}));
    EXPECT_EQ(loaded.colours[90 + 75], (Rgb{255, 255, 0}));
    // Toward the anchor at 90 the ramp returns to black.
    EXPECT_EQ(loaded.colours[89], (Rgb{17, 17, 0}));
}

TEST(Gradient, WritesBackAsStopsExactly) {
    std::mt19937 rng(3);
    GradientFile g;
    for (auto& b : g.header) b = uint8_t(rng());
    for (auto& c : g.colours) c = Rgb{uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
    const GradientFile back = gradient(gradientToStops(g));
    EXPECT_EQ(writeGradientFile(back), writeGradientFile(g));
}

TEST(Gradient, ErrorsNameTheLine) {
    struct Case {
        const char* source;
        int line;
        const char* message;
    };
    const Case cases[] = {
        {"0 #000000\n", 1, "before 'brush'"},
        {"brush\n0 #000000\n0 #ffffff\n", 3, "does not rise"},
        {"both\n91 #000000\n", 2, "outside 0-90"},
        {"brush\n5 #00zz00\n", 2, "a colour is"},
        {"brush\n5 1 2 256\n", 2, "not a colour value"},
        {"brush\n5 #000000\n", 0, "the fill half has no colour stops"},
        {"both\n0 #000000\nfill\n", 3, "described twice"},
        {"ramp\n", 1, "unknown statement"},
    };
    for (const Case& c : cases) {
        GradientFile g;
        Diagnostic d;
        EXPECT_FALSE(buildGradient(c.source, g, d)) << c.source;
        EXPECT_EQ(d.line, c.line) << c.source;
        EXPECT_NE(d.message.find(c.message), std::string::npos) << c.source << " -> " << d.message;
    }
}

VisualState style(const std::string& source, const std::string& name = "Test") {
    VisualState st;
    Diagnostic d;
    EXPECT_TRUE(buildStyle(source, name, ".", st, d)) << d.line << ": " << d.message;
    return st;
}

TEST(Style, NamedSettingsLandOnTheirOffsets) {
    VisualState expected = defaultVisualState();
    expected.setName(vs::StyleName, "Test");
    EXPECT_EQ(style(""), expected);

    const VisualState st = style(
        "trails = off\nvolume-mode = on\nbrush-color = 7\ntempo = 120.5\nmode.brush = "
        "sequential-style\nthreshold.colour = 64\nbeats.movement = 0\nbrush.3 = \"Paper "
        "Pinwheel\"\ncurrent-fill = 6\nparams.2 = -5 0 127\nfixed.2 = 1 0 1\nattach.4.gradient = "
        "3\nattach.4.brush-effect = Pulse\nbyte.25 = 9\n");
    EXPECT_EQ(st.get(vs::Switches), 0x05);
    EXPECT_EQ(st.get(vs::BrushColour), 7);
    EXPECT_EQ(st.tempo(), 12050);
    EXPECT_EQ(st.get(vs::TriggerModes + kKindBrush), 6);
    EXPECT_EQ(st.get(vs::Thresholds + kKindColor), 64);
    EXPECT_EQ(st.get(vs::BeatsPerTrigger + kKindMovement), 0);
    EXPECT_EQ(st.name(VisualState::brushName(2)), "Paper_Pinwheel");
    EXPECT_EQ(st.get(vs::CurrentFill), 6);
    EXPECT_EQ(int8_t(st.get(VisualState::movementParams(1))), -5);
    EXPECT_EQ(st.get(VisualState::movementParams(1) + 2), 127);
    EXPECT_EQ(st.get(VisualState::movementParams(1) + 5), 1);
    const size_t a4 = VisualState::attachment(3);
    EXPECT_EQ(st.get(a4 + att::Any), 1);
    EXPECT_EQ(st.get(a4 + att::Gradient), 3);
    EXPECT_EQ(st.get(a4 + att::Fill), kNone80);
    EXPECT_EQ(st.name(a4 + att::BrushEffect), "Pulse");
    EXPECT_EQ(st.get(VisualState::attachment(0) + att::Any), kNone80);  // untouched slots stay
    EXPECT_EQ(st.get(25), 9);
    EXPECT_EQ(st.name(vs::StyleName), "Test");
    EXPECT_EQ(style("style-name = Other\n").name(vs::StyleName), "Other");

    const auto night = test::formatsExamples("# Night_Drive");
    ASSERT_EQ(night.size(), 1u);
    const VisualState n = style(night[0], "Night_Drive");
    EXPECT_EQ(n.get(vs::BrushSpeed), 25);
    EXPECT_EQ(n.name(vs::BrushEffect), "Pulse");
}

TEST(Style, WritesBackAsSettingsExactly) {
    VisualState d = defaultVisualState();
    VisualState back;
    Diagnostic diag;
    ASSERT_TRUE(buildStyle(styleToSettings(d), "X", ".", back, diag)) << diag.message;
    EXPECT_EQ(back, d);
    std::mt19937 rng(9);
    for (int trial = 0; trial < 50; ++trial) {
        VisualState st = defaultVisualState();
        // Random bytes in some trials, plausible edits in others.
        for (size_t i = 0; i < vs::kSize; ++i) {
            if (trial % 2 ? rng() % 3 == 0 : rng() % 40 == 0) st.set(i, uint8_t(rng()));
        }
        st.set(vs::Tag, 'S');
        const std::string text = styleToSettings(st);
        ASSERT_TRUE(buildStyle(text, "X", ".", back, diag)) << diag.line << ": " << diag.message;
        for (size_t i = 0; i < vs::kSize; ++i) {
            ASSERT_EQ(back.get(i), st.get(i)) << "offset " << i << "\n" << text;
        }
    }
}

TEST(Style, BaseFilesAndErrors) {
    test::TempFolder dir;
    VisualState base = defaultVisualState();
    base.set(vs::BrushSpeed, 99);
    ASSERT_EQ(writeFileReplacing(dir.file("Base.sty"), Bytes(base.bytes.begin(), base.bytes.end())),
              0);
    VisualState st;
    Diagnostic d;
    ASSERT_TRUE(buildStyle("base \"Base.sty\"\nfill-colour = 3\n", "New", dir.path(), st, d));
    EXPECT_EQ(st.get(vs::BrushSpeed), 99);
    EXPECT_EQ(st.get(vs::FillColour), 3);

    struct Case {
        const char* source;
        int line;
        const char* message;
    };
    const Case cases[] = {
        {"brush-speed = 121\n", 1, "'brush-speed' takes 0-120"},
        {"\nmode.fill = random-style\n", 2, "'mode.fill' takes"},
        {"brush.7 = Veve\n", 1, "unknown setting 'brush.7'"},
        {"brush.1 = Sixteen_letters_\n", 1, "1 to 15 characters"},
        {"params.1 = 1 2\n", 1, "three values"},
        {"trails off\n", 1, "write: name = value"},
        {"tempo = 700\n", 1, "'tempo' takes"},
        {"attach.1.gradient = 9\n", 1, "1-8 or none"},
        {"byte.1006 = 1\n", 1, "outside 0-1005"},
        {"trails = off\nbase default\n", 2, "must come before"},
        {"base \"Missing.sty\"\n", 1, "cannot read the base style"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(buildStyle(c.source, "X", dir.path(), st, d)) << c.source;
        EXPECT_EQ(d.line, c.line) << c.source;
        EXPECT_NE(d.message.find(c.message), std::string::npos) << c.source << " -> " << d.message;
    }
    EXPECT_FALSE(buildStyle("", "A_name_too_long_", ".", st, d));
    EXPECT_NE(d.message.find("set style-name"), std::string::npos);
}

}  // namespace
}  // namespace korel::tools
