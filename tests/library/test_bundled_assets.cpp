// The built seed folder: every file loads through the engine's loaders without a message, the
// default state's names are all there, each category has its variety, movements keep the brush
// on the picture and styles name only bundled assets.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "engine/brush.h"
#include "engine/effect.h"
#include "engine/fill.h"
#include "engine/gradient.h"
#include "engine/movement.h"
#include "persist/visual_state.h"
#include "platform/files.h"
#include "support/test_services.h"

namespace korel {
namespace {

const std::string kSeed = KOREL_SEED_DIR;

std::vector<std::string> names(const std::string& folder, const std::string& ext) {
    std::vector<std::string> files;
    listFolder(joinPath(kSeed, folder), ext, files);
    for (auto& f : files) f = f.substr(0, f.size() - ext.size());
    return files;
}

struct SeedServices : test::TestServices {
    SeedServices() : test::TestServices(Edition::MP3, 1024, 768) { shell().dataFolder = kSeed; }
};

TEST(BundledLibrary, HasEveryDefaultNameAndEnoughOfEachKind) {
    const VisualState d = defaultVisualState();
    auto has = [](const std::vector<std::string>& list, const std::string& n) {
        return std::find(list.begin(), list.end(), n) != list.end();
    };
    const auto brushes = names("Brushes", ".bru"), gradients = names("Gradients", ".gra"),
               movements = names("Movements", ".mvm"), fills = names("Fills", ".fil");
    for (int i = 0; i < kBrushSlots; ++i)
        EXPECT_TRUE(has(brushes, d.name(VisualState::brushName(i))));
    for (int i = 0; i < kGradientSlots; ++i)
        EXPECT_TRUE(has(gradients, d.name(VisualState::gradientName(i))));
    for (int i = 0; i < kMovementSlots; ++i)
        EXPECT_TRUE(has(movements, d.name(VisualState::movementName(i))));
    for (int i = 0; i < kFillSlots; ++i) {
        const std::string n = d.name(VisualState::fillName(i));
        if (!isNoneName(n)) {
            EXPECT_TRUE(has(fills, n)) << n;
        }
    }
    EXPECT_GE(gradients.size(), 24u);
    EXPECT_GE(brushes.size(), 16u);
    EXPECT_GE(movements.size(), 16u);
    EXPECT_GE(fills.size(), 8u);
    EXPECT_GE(names("Effects", ".efb").size(), 6u);
    EXPECT_GE(names("Effects", ".efc").size(), 6u);
    EXPECT_GE(names("Styles", ".sty").size(), 6u);
    EXPECT_TRUE(fileExists(joinPath(kSeed, "Music/Demo_Song.wav")));
}

TEST(BundledLibrary, EveryAssetLoadsWithoutAMessage) {
    SeedServices s;
    VisualState state = defaultVisualState();
    AssetHooks hooks;
    const LoadOptions options;

    GradientSlots gradients;
    for (const auto& n : names("Gradients", ".gra")) {
        EXPECT_TRUE(loadGradient(s, state, hooks, gradients, 0, n, options)) << n;
        EXPECT_NE(gradients.slots[0], defaultGradient()) << n;
    }
    BrushSlots brushes;
    int multiFrame = 0, beat = 0, palindrome = 0, masked = 0, own = 0;
    for (const auto& n : names("Brushes", ".bru")) {
        ASSERT_TRUE(loadBrush(s, state, hooks, brushes, 0, n, options)) << n;
        const BrushAsset& b = brushes.slots[0];
        EXPECT_TRUE(b.hasColour()) << n;
        EXPECT_GT(b.frameWidth, 0) << n;
        multiFrame += b.frameCount > 1;
        beat += b.beatFrame;
        palindrome += b.palindrome;
        masked += b.hasMask();
        own += b.ownColourCount > 0;
    }
    EXPECT_GE(multiFrame, 12);
    EXPECT_GE(beat, 2);
    EXPECT_GE(palindrome, 2);
    EXPECT_GE(masked, 2);
    EXPECT_GE(own, 2);
    FillSlots fills;
    int tiles = 0, full = 0;
    for (const auto& n : names("Fills", ".fil")) {
        ASSERT_TRUE(loadFill(s, state, hooks, fills, 0, n, options)) << n;
        tiles += fills.slots[0].kind == fil::kTileTag;
        full += fills.slots[0].kind == fil::kFullTag;
    }
    EXPECT_GE(tiles, 2);
    EXPECT_GE(full, 4);
    MovementSlots movements;
    for (const auto& n : names("Movements", ".mvm"))
        EXPECT_TRUE(loadMovement(s, state, hooks, movements, 0, n, options)) << n;
    BrushEffect effect;
    for (const auto& n : names("Effects", ".efb"))
        EXPECT_TRUE(loadBrushEffect(s, state, hooks, effect, n, options, BrushEffectInputs{})) << n;
    PaletteRange range = makeBrushRange();
    for (const auto& n : names("Effects", ".efc"))
        EXPECT_TRUE(loadColourEffect(s, state, hooks, range, n, options, 0.5)) << n;
    EXPECT_TRUE(s.alerts.empty()) << s.alerts.front();
}

// Each movement, driven with a beat every 25 stamps, keeps the brush on the picture most of
// the time and moves it about.
TEST(BundledLibrary, MovementsKeepTheBrushOnThePictureAndMoving) {
    SeedServices s;
    VisualState state = defaultVisualState();
    AssetHooks hooks;
    BrushSlots brushes;
    ASSERT_TRUE(loadBrush(s, state, hooks, brushes, 0, "Veve", LoadOptions{}));
    for (const auto& n : names("Movements", ".mvm")) {
        MovementSlots slots;
        LoadOptions options;
        options.chooseParameters = true;
        ASSERT_TRUE(loadMovement(s, state, hooks, slots, 0, n, options)) << n;
        MovementMachine machine;
        const MovementInputs in = movementInputs(s, state, &brushes.slots[0], 0, 0.5);
        startMovement(slots, 0, in, machine, s.random());
        int onPicture = 0, total = 0;
        std::set<std::pair<int, int>> places;
        for (int step = 0; step < 1000; ++step) {
            if (step % 25 == 24) runMovement(slots, kBeatProgram, in, machine, s.random());
            runMovement(slots, kStampProgram, in, machine, s.random());
            ASSERT_TRUE(std::isfinite(machine.x) && std::isfinite(machine.y)) << n;
            ++total;
            onPicture += machine.x >= 0 && machine.x < 1024 && machine.y >= 0 && machine.y < 768;
            places.insert({int(machine.x) / 8, int(machine.y) / 8});
        }
        EXPECT_GE(onPicture * 10, total * 6) << n;
        EXPECT_GE(places.size(), 5u) << n;
    }
}

// A movement started from a record (the default record, or a style that leaves a slot's
// parameters at 0) runs with the record's values rather than drawn ones, and may get no beat
// for a long while (an intro, a quiet passage, no sound at all): it must still show the brush.
TEST(BundledLibrary, MovementsMoveWithRecordParametersAndNoBeats) {
    SeedServices s;
    VisualState state = defaultVisualState();
    AssetHooks hooks;
    BrushSlots brushes;
    ASSERT_TRUE(loadBrush(s, state, hooks, brushes, 0, "Veve", LoadOptions{}));
    for (const auto& n : names("Movements", ".mvm")) {
        MovementSlots slots;
        ASSERT_TRUE(loadMovement(s, state, hooks, slots, 0, n, LoadOptions{})) << n;
        MovementMachine machine;
        machine.x = -5000;  // where a previous movement may have left the brush
        const MovementInputs in = movementInputs(s, state, &brushes.slots[0], 0, 0);
        startMovement(slots, 0, in, machine, s.random());
        int onPicture = 0;
        std::set<std::pair<int, int>> places;
        for (int step = 0; step < 600; ++step) {
            runMovement(slots, kStampProgram, in, machine, s.random());
            if (!std::isfinite(machine.x) || !std::isfinite(machine.y)) {
                ADD_FAILURE() << n << ": the position is not a number";
                break;
            }
            onPicture += machine.x >= 0 && machine.x < 1024 && machine.y >= 0 && machine.y < 768;
            places.insert({int(machine.x) / 8, int(machine.y) / 8});
        }
        EXPECT_GE(onPicture, 300) << n;
        if (n != "Centre_Stage" && n != "Star_Jumps") {  // these rest where the last beat left them
            EXPECT_GE(places.size(), 20u) << n;
        }
    }
}

// Every movement slot of every style holds parameter values inside its movement's ranges, so
// the style's movements start as their author meant.
TEST(BundledLibrary, StylesGiveMovementParametersInRange) {
    SeedServices s;
    AssetHooks hooks;
    for (const auto& style : names("Styles", ".sty")) {
        Bytes data;
        ASSERT_EQ(readWholeFile(joinPath(kSeed, "Styles/" + style + ".sty"), data), 0) << style;
        ASSERT_EQ(data.size(), vs::kSize) << style;
        VisualState st;
        std::copy(data.begin(), data.end(), st.bytes.begin());
        for (int slot = 0; slot < kMovementSlots; ++slot) {
            const std::string n = st.name(VisualState::movementName(slot));
            MovementSlots slots;
            ASSERT_TRUE(loadMovement(s, st, hooks, slots, 0, n, LoadOptions{}))
                << style << ": " << n;
            const MovementAsset& m = slots.slots[0];
            for (int p = 0; p < m.paramCount; ++p) {
                const int v = int8_t(st.get(VisualState::movementParams(slot) + size_t(p)));
                EXPECT_GE(v, m.paramMin[size_t(p)]) << style << " slot " << slot + 1 << ": " << n;
                EXPECT_LE(v, m.paramMax[size_t(p)]) << style << " slot " << slot + 1 << ": " << n;
            }
        }
    }
}

TEST(BundledLibrary, StylesNameOnlyBundledAssets) {
    std::set<std::string> known = {kNoneName};
    for (const char* folder : {"Brushes", "Gradients", "Movements", "Fills", "Effects"})
        for (const char* ext : {".bru", ".gra", ".mvm", ".fil", ".efb", ".efc"})
            for (const auto& n : names(folder, ext)) known.insert(n);
    for (const auto& n : names("Styles", ".sty")) {
        Bytes data;
        ASSERT_EQ(readWholeFile(joinPath(kSeed, "Styles/" + n + ".sty"), data), 0) << n;
        ASSERT_EQ(data.size(), vs::kSize) << n;
        VisualState st;
        std::copy(data.begin(), data.end(), st.bytes.begin());
        EXPECT_EQ(st.get(vs::Tag), 'S');
        EXPECT_EQ(st.get(vs::Version), 3);
        EXPECT_EQ(st.name(vs::StyleName), n);
        std::vector<size_t> fields = {vs::BrushColourEffect, vs::FillColourEffect, vs::BrushEffect};
        for (int i = 0; i < kBrushSlots; ++i) fields.push_back(VisualState::brushName(i));
        for (int i = 0; i < kGradientSlots; ++i) fields.push_back(VisualState::gradientName(i));
        for (int i = 0; i < kMovementSlots; ++i) fields.push_back(VisualState::movementName(i));
        for (int i = 0; i < kFillSlots; ++i) fields.push_back(VisualState::fillName(i));
        for (size_t f : fields) EXPECT_TRUE(known.count(st.name(f))) << n << ": " << st.name(f);
    }
}

// Brush effects scale stamps to something visible for ordinary input, and the ones that follow
// the sound respond to it.
TEST(BundledLibrary, BrushEffectsGiveVisibleScales) {
    SeedServices s;
    VisualState state = defaultVisualState();
    AssetHooks hooks;
    for (const auto& n : names("Effects", ".efb")) {
        BrushEffect effect;
        BrushEffectInputs in{600, 400, 512, 384, 0.6};
        ASSERT_TRUE(loadBrushEffect(s, state, hooks, effect, n, LoadOptions{}, in)) << n;
        const int p = effect.hasProgram(2) ? 2 : 1;
        double largest = 0;
        for (int i = 0; i < 200; ++i) {
            in.soundLevel = (i % 11) / 10.0;
            const double scale = runBrushEffect(effect, p, in);
            ASSERT_TRUE(std::isfinite(scale)) << n;
            ASSERT_LT(scale, 6.0) << n;
            largest = std::max(largest, scale);
        }
        EXPECT_GT(largest, 0.5) << n;
    }
}

}  // namespace
}  // namespace korel
