// Tests of asset paths, the shared load steps and folder listings.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "platform/files.h"
#include "support/test_services.h"

namespace korel {
namespace {

using test::TestServices;

void touch(TestServices& s, const std::string& folder, const std::string& file) {
    ASSERT_EQ(createFolders(s.dataPath(folder)), 0);
    ASSERT_EQ(writeFileReplacing(joinPath(s.dataPath(folder), file), Bytes{'G'}), 0);
}

struct RecordingHooks : AssetHooks {
    struct Load {
        RaveCategory category;
        int slot;
        std::string name;
        int mode;
    };
    std::vector<Load> loads;
    void recordAssetLoad(RaveCategory category, int slot, std::string_view name,
                         int mode) override {
        loads.push_back(Load{category, slot, std::string(name), mode});
    }
};

TEST(AssetPaths, KindsFoldersAndMessages) {
    TestServices s;
    EXPECT_EQ(assetPath(s, AssetKind::Gradient, "Aurora"),
              s.dataFolder() + "/Gradients/Aurora.gra");
    EXPECT_EQ(assetPath(s, AssetKind::BrushEffect, "Pulse"), s.dataFolder() + "/Effects/Pulse.efb");
    EXPECT_EQ(assetPath(s, AssetKind::ColourEffect, "Tint"), s.dataFolder() + "/Effects/Tint.efc");
    EXPECT_STREQ(assetOpenMessage(AssetKind::Fill), "Unable to open or find fill!");
    EXPECT_STREQ(assetOpenMessage(AssetKind::Movement), "Unable to open or find movement!");
    EXPECT_STREQ(assetOpenMessage(AssetKind::ColourEffect), "Unable to open or find effect!");
    EXPECT_EQ(raveCategory(AssetKind::ColourEffect, kFillColourEffectSlot), kRaveFillColourEffect);
    EXPECT_EQ(slotNameOffset(AssetKind::Gradient, 7), size_t(vs::GradientNames + 7 * 16));
}

TEST(AssetLoading, ReadAndTagChecks) {
    TestServices s;
    Bytes data;
    EXPECT_EQ(readAsset(s, AssetKind::Gradient, "Missing", data, false), ReadResult::CannotOpen);
    // Names that would leave the folder are never opened.
    touch(s, "Gradients", "Inside.gra");
    EXPECT_EQ(readAsset(s, AssetKind::Gradient, "../Gradients/Inside", data, false),
              ReadResult::CannotOpen);
    EXPECT_EQ(readAsset(s, AssetKind::Gradient, "Inside", data, false), ReadResult::Ok);
    EXPECT_TRUE(s.alerts.empty());

    EXPECT_TRUE(checkTag(s, Bytes{'T'}, 'F', 'T', false));
    EXPECT_FALSE(checkTag(s, Bytes{'X'}, 'F', 'T', true));
    EXPECT_TRUE(s.alerts.empty());
    EXPECT_FALSE(checkTag(s, Bytes{}, 'G', 'G', false));
    EXPECT_EQ(s.alerts, std::vector<std::string>{"Not a valid file!"});

    // A file beyond the size limit is refused with the kind's memory message, unread.
    touch(s, "Fills", "Huge.fil");
    std::filesystem::resize_file(joinPath(s.dataPath("Fills"), "Huge.fil"), (65u << 20));
    s.alerts.clear();
    EXPECT_EQ(readAsset(s, AssetKind::Fill, "Huge", data, false), ReadResult::ReadFailed);
    EXPECT_EQ(s.alerts, std::vector<std::string>{"Not enough memory to load fill!"});

    EXPECT_EQ(memoryLimit(10, 100), 100u);
    EXPECT_EQ(memoryLimit(1000, 100), 1000u);
    EXPECT_EQ(roundUp4(641), 644u);
}

TEST(AssetLoading, FinishLoadOutsideStartUp) {
    TestServices s(Edition::MP3);
    VisualState state = defaultVisualState();
    RecordingHooks hooks;
    LoadOptions options;
    options.raveMode = 2;
    finishLoad(s, state, hooks, AssetKind::Gradient, 3, "Flame", options);
    EXPECT_EQ(state.name(VisualState::gradientName(3)), "Flame");
    EXPECT_EQ(state.name(vs::GradientSetName), "(None)");
    ASSERT_EQ(hooks.loads.size(), 1u);
    EXPECT_EQ(hooks.loads[0].category, kRaveGradient);
    EXPECT_EQ(hooks.loads[0].slot, 3);
    EXPECT_EQ(hooks.loads[0].mode, 2);

    // Effects are reported with slot 0; a fill load keeps the fill set name.
    state.setName(vs::FillSetName, "MyFills");
    finishLoad(s, state, hooks, AssetKind::ColourEffect, kFillColourEffectSlot, "Glow", options);
    finishLoad(s, state, hooks, AssetKind::Fill, 2, "Quilt", options);
    EXPECT_EQ(state.name(vs::FillColourEffect), "Glow");
    EXPECT_EQ(hooks.loads[1].slot, 0);
    EXPECT_EQ(hooks.loads[1].category, kRaveFillColourEffect);
    EXPECT_EQ(state.name(vs::FillSetName), "MyFills");

    // During start-up nothing is written or recorded.
    s.shell().startingUp = true;
    finishLoad(s, state, hooks, AssetKind::Brush, 0, "Other", options);
    EXPECT_EQ(state.name(VisualState::brushName(0)), "Veve");
    EXPECT_EQ(hooks.loads.size(), 3u);

    // The LIVE edition records no raves but still names the slot.
    TestServices live(Edition::LIVE);
    RecordingHooks liveHooks;
    finishLoad(live, state, liveHooks, AssetKind::Movement, 1, "Drift", options);
    EXPECT_EQ(state.name(VisualState::movementName(1)), "Drift");
    EXPECT_TRUE(liveHooks.loads.empty());
}

TEST(AssetListing, NameRulesSortAndFind) {
    TestServices s;
    for (const char* f : {"Zeta.gra", "aurora.gra", "Aurora2.gra", "b.GRA", "ABCDEFGHIJKLMNO.gra",
                          "ABCDEFGHIJKLMNOP.gra", "Ends_.gra", "notes.txt"}) {
        touch(s, "Gradients", f);
    }
    std::string items;
    int found = -2;
    ASSERT_TRUE(listAssets(s, AssetKind::Gradient, items, "Aurora2", &found));
    std::vector<std::string> names = listingNames(items);
    // The 16-character name and the one ending in "_" are not listed; the sort is case-blind.
    EXPECT_EQ(names,
              (std::vector<std::string>{"ABCDEFGHIJKLMNO", "aurora", "Aurora2", "b", "Zeta"}));
    EXPECT_EQ(items.size(), 5u * 16);
    EXPECT_EQ(items.substr(0, 16), "ABCDEFGHIJKLMNO\r");
    EXPECT_EQ(items.substr(16, 16), "aurora         \r");
    EXPECT_EQ(found, 2);

    int none = 5;
    std::string again;
    ASSERT_TRUE(listAssets(s, AssetKind::Gradient, again, "Nothing", &none));
    EXPECT_EQ(none, -1);
}

TEST(AssetListing, CapacityAndMissingFolder) {
    TestServices s;
    for (int i = 0; i < 510; ++i) touch(s, "Brushes", std::string("b").append(std::to_string(i)).append(".bru"));
    std::string items;
    ASSERT_TRUE(listAssets(s, AssetKind::Brush, items));
    const std::vector<std::string> names = listingNames(items);
    EXPECT_EQ(names.size(), 500u);
    EXPECT_LT(items.size(), kItemStringCapacity);
    // The first 500 in the sorted order, whatever order the folder gives them in: "b0" to "b9"
    // come first, and the ten left out are "b90" to "b99".
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), "b0");
    EXPECT_EQ(names.back(), "b9");
    for (size_t i = 1; i < names.size(); ++i)
        ASSERT_LE(compareRecords(items.substr((i - 1) * 16, 16), items.substr(i * 16, 16)), 0);

    std::string head(100, 'x');
    ASSERT_TRUE(listAssets(s, AssetKind::Brush, head));
    EXPECT_EQ((head.size() - 100) / 16, (8001u - 100 - 1) / 16);

    std::string empty;
    EXPECT_FALSE(listAssets(s, AssetKind::Movement, empty));
    EXPECT_TRUE(empty.empty());
    EXPECT_EQ(s.headless().beepCount(), 1);
}

TEST(AssetListing, AFileListedWithAnUpperCaseExtensionLoads) {
    TestServices s;
    touch(s, "Brushes", "Spin.BRU");
    touch(s, "Brushes", "spin.bru");  // another name: case matters in the name itself
    std::string items;
    ASSERT_TRUE(listAssets(s, AssetKind::Brush, items));
    EXPECT_EQ(listingNames(items), (std::vector<std::string>{"Spin", "spin"}));
    Bytes data;
    EXPECT_EQ(readAsset(s, AssetKind::Brush, "Spin", data, false), ReadResult::Ok);
    EXPECT_EQ(assetPath(s, AssetKind::Brush, "Spin"), s.dataFolder() + "/Brushes/Spin.BRU");
    EXPECT_EQ(readAsset(s, AssetKind::Brush, "SPIN", data, false), ReadResult::CannotOpen);
    // With both spellings on disk the exact one is read.
    touch(s, "Brushes", "Spin.bru");
    EXPECT_EQ(assetPath(s, AssetKind::Brush, "Spin"), s.dataFolder() + "/Brushes/Spin.bru");
    EXPECT_TRUE(s.alerts.empty());
}

TEST(AssetListing, WiderRecords) {
    TestServices s;
    touch(s, "Raves", "A_song_title_of_27_chars_xy.rav");
    touch(s, "Raves", "A_song_title_of_28_chars_xyz.rav");
    std::string items;
    ASSERT_TRUE(listFolderRecords(s, "Raves", ".rav", 27, items));
    EXPECT_EQ(items, "A_song_title_of_27_chars_xy\r");
    EXPECT_LT(compareRecords("abc", "ABD"), 0);
    EXPECT_EQ(compareRecords("Abc", "aBC"), 0);
}

}  // namespace
}  // namespace korel
