// Set files: round trips, wrong letters, truncation, the old brush form and attachment refusals.
#include <gtest/gtest.h>

#include "persist/attachments.h"
#include "persist/sets.h"
#include "platform/files.h"
#include "support/test_services.h"

using namespace korel;

namespace {

// Records what a set load asks for, and names the slots as a real loader would.
struct FakeLoader : SetLoader {
    explicit FakeLoader(VisualState& s) : state(s) {}
    bool loadGradient(int slot, const std::string& n) override { return note("g", VisualState::gradientName(slot), slot, n); }
    bool loadFill(int slot, const std::string& n) override { return note("f", VisualState::fillName(slot), slot, n); }
    bool loadMovement(int slot, const std::string& n) override { return note("m", VisualState::movementName(slot), slot, n); }
    bool loadBrush(int slot, const std::string& n) override { return note("b", VisualState::brushName(slot), slot, n); }
    void applyChange(int code, int slot) override { applied.push_back({code, slot}); }
    bool note(const char* k, size_t off, int slot, const std::string& n) {
        loads.push_back(std::string(k) + std::to_string(slot) + ":" + n);
        state.setName(off, n);
        return true;
    }
    VisualState& state;
    std::vector<std::string> loads;
    std::vector<std::pair<int, int>> applied;
};

}  // namespace

TEST(Sets, FileSizesAndHeaders) {
    VisualState s = defaultVisualState();
    EXPECT_EQ(encodeSet(s, SetKind::Gradient).size(), 134u);
    EXPECT_EQ(encodeSet(s, SetKind::Fill).size(), 102u);
    EXPECT_EQ(encodeSet(s, SetKind::Movement).size(), 139u);
    Bytes b = encodeSet(s, SetKind::Brush);
    ASSERT_EQ(b.size(), 801u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 0);
    EXPECT_EQ(b[2], 3);
    EXPECT_EQ(b[3], 16);
    EXPECT_EQ(b[4], 6);    // brush count, then the current brush
    EXPECT_EQ(b[102], 62);  // the attachment entry size follows the brush names
}

TEST(Sets, GradientSetRoundTripReloadsOnlyChangedSlots) {
    test::TestServices sv;
    VisualState s = defaultVisualState();
    s.setName(VisualState::gradientName(2), "Ember");
    s.set(vs::CurrentGradient, 3);
    ASSERT_TRUE(saveSet(sv, s, SetKind::Gradient, "Warm"));
    EXPECT_EQ(s.name(vs::GradientSetName), "Warm");

    VisualState now = defaultVisualState();
    FakeLoader loader(now);
    ASSERT_TRUE(loadSet(sv, now, SetKind::Gradient, "Warm", loader));
    EXPECT_EQ(loader.loads, (std::vector<std::string>{"g2:Ember"}));
    ASSERT_EQ(loader.applied.size(), 1u);
    EXPECT_EQ(loader.applied[0], (std::pair<int, int>{1, 2}));
    EXPECT_EQ(now.name(vs::GradientSetName), "Warm");

    // Loading it again reloads nothing, but still applies the current slot.
    loader.loads.clear();
    ASSERT_TRUE(loadSet(sv, now, SetKind::Gradient, "Warm", loader));
    EXPECT_TRUE(loader.loads.empty());
    EXPECT_TRUE(sv.alerts.empty());
}

TEST(Sets, MovementSetCarriesParameters) {
    test::TestServices sv;
    VisualState s = defaultVisualState();
    s.set(VisualState::movementParams(4) + 1, 77);
    s.set(vs::CurrentMovement, 5);
    ASSERT_TRUE(saveSet(sv, s, SetKind::Movement, "Paths"));
    VisualState now = defaultVisualState();
    FakeLoader loader(now);
    ASSERT_TRUE(loadSet(sv, now, SetKind::Movement, "Paths", loader));
    EXPECT_EQ(now.get(VisualState::movementParams(4) + 1), 77);
    EXPECT_EQ(loader.applied.back(), (std::pair<int, int>{9, 4}));
}

TEST(Sets, BadFilesChangeNothingAndSayWhy) {
    test::TestServices sv;
    VisualState s = defaultVisualState();
    FakeLoader loader(s);
    const VisualState before = s;

    EXPECT_FALSE(loadSet(sv, s, SetKind::Fill, "Missing", loader));
    EXPECT_EQ(sv.alerts.back(), "Unable to load file set!");

    ASSERT_TRUE(saveSet(sv, s, SetKind::Gradient, "G"));
    // A gradient set renamed to a fill set has the wrong letter.
    ASSERT_EQ(renameFile(setPath(sv, SetKind::Gradient, "G"), setPath(sv, SetKind::Fill, "G")), 0);
    EXPECT_FALSE(loadSet(sv, s, SetKind::Fill, "G", loader));
    EXPECT_EQ(sv.alerts.back(), "Not a valid fill set file!");

    Bytes truncated = encodeSet(s, SetKind::Movement);
    truncated.resize(60);
    ASSERT_EQ(writeFileReplacing(setPath(sv, SetKind::Movement, "Short"), truncated), 0);
    EXPECT_FALSE(loadSet(sv, s, SetKind::Movement, "Short", loader));
    EXPECT_EQ(sv.alerts.back(), "End of file error!");

    Bytes hostile = encodeSet(s, SetKind::Gradient);
    hostile[5] = 0;  // current slot 0 does not exist
    ASSERT_EQ(writeFileReplacing(setPath(sv, SetKind::Gradient, "Bad"), hostile), 0);
    EXPECT_FALSE(loadSet(sv, s, SetKind::Gradient, "Bad", loader));
    EXPECT_EQ(sv.alerts.back(), "Not a valid gradient set file!");

    EXPECT_TRUE(loader.loads.empty());
    EXPECT_TRUE(loader.applied.empty());
    s.setName(vs::GradientSetName, "(None)");  // the save above named the set
    EXPECT_EQ(s, before);
}

TEST(Sets, OldBrushSetLeavesFillsAndAttachedSlotsFollowTheFile) {
    test::TestServices sv;
    VisualState s = defaultVisualState();
    // Brush 2 has gradient slot 4 and fill slot 3 attached; the file's gradient 4 differs.
    s.set(VisualState::attachment(1) + att::Any, 1);
    s.set(VisualState::attachment(1) + att::Gradient, 4);
    s.set(VisualState::attachment(1) + att::Fill, 3);
    s.setName(VisualState::gradientName(3), "Night");
    s.setName(VisualState::fillName(2), "Tiles");
    s.set(vs::CurrentBrush, 2);
    Bytes full = encodeSet(s, SetKind::Brush);
    Bytes old(full.begin(), full.begin() + 4 + 98 + 373 + 130 + 98);
    old[0] = 'b';
    ASSERT_EQ(createFolder(sv.dataPath("Settings")), 0);
    ASSERT_EQ(writeFileReplacing(setPath(sv, SetKind::Brush, "Old"), old), 0);
    ASSERT_EQ(writeFileReplacing(setPath(sv, SetKind::Brush, "New"), full), 0);

    VisualState now = defaultVisualState();
    FakeLoader loader(now);
    ASSERT_TRUE(loadSet(sv, now, SetKind::Brush, "Old", loader));
    EXPECT_EQ(loader.loads, (std::vector<std::string>{"g3:Night"}));
    EXPECT_EQ(now.get(VisualState::attachment(1) + att::Gradient), 4);
    EXPECT_EQ(loader.applied.back(), (std::pair<int, int>{10, 1}));

    loader.loads.clear();
    ASSERT_TRUE(loadSet(sv, now, SetKind::Brush, "New", loader));
    EXPECT_EQ(loader.loads, (std::vector<std::string>{"f2:Tiles"}));
}

TEST(Attachments, RefusalMessages) {
    VisualState s = defaultVisualState();
    EXPECT_EQ(slotProtection(s, AttachedCategory::Gradient, 0), "");
    s.set(VisualState::attachment(2) + att::Gradient, 5);
    s.set(VisualState::attachment(3) + att::BrushColourEffect, 'X');
    EXPECT_EQ(slotProtection(s, AttachedCategory::Gradient, 4),
              "This gradient is attached to brush number 3 and cannot be changed until it is "
              "detached.");
    EXPECT_EQ(slotProtection(s, AttachedCategory::Gradient, 3), "");
    EXPECT_EQ(effectProtection(s, AttachedCategory::BrushColourEffect),
              "A brush color effect is attached to brush number 4. You cannot load a new effect "
              "until it is detached.");
    EXPECT_EQ(setProtection(s, AttachedCategory::Gradient),
              "A gradient is attached to brush number 3. You cannot load a new set until all "
              "gradients are detached.");

    test::TestServices sv;
    FakeLoader loader(s);
    EXPECT_FALSE(loadSet(sv, s, SetKind::Gradient, "Any", loader));
    EXPECT_EQ(sv.alerts.back().substr(0, 33), "A gradient is attached to brush n");
}
