// Random File and Sequential File over the folder listings: bounded retries, positions,
// protected slots, and the file modes inside the trigger step.
#include <gtest/gtest.h>

#include "fake_host.h"

using namespace korel;
using korel::test::Rig;

TEST(FileModes, ListingEntries) {
    Rig r;
    r.host.setListing(FileCategory::Fill, {"Astral_Quilt", "A"});
    std::string_view l = r.host.listing(FileCategory::Fill);
    EXPECT_EQ(listingCount(l), 2);
    EXPECT_EQ(listingEntry(l, 0), "Astral_Quilt");
    EXPECT_EQ(listingEntry(l, 1), "A");
    EXPECT_EQ(listingCount(l.substr(0, 20)), 1);  // a cut-off record is not an entry
}

TEST(FileModes, RandomFileNeverReloadsTheCurrentNameAndGivesUp) {
    Rig r;  // current fill slot 2 holds "Astral_Quilt"
    r.host.setListing(FileCategory::Fill, {"Astral_Quilt"});
    EXPECT_FALSE(r.engine.pickRandomFile(FileCategory::Fill));
    EXPECT_TRUE(r.host.loads.empty());

    // Every other name fails: each is tried once, then the slot stays as it was.
    r.host.setListing(FileCategory::Fill, {"Bad1", "Astral_Quilt", "Bad2", "Bad3"});
    r.host.failing = {"Bad1", "Bad2", "Bad3"};
    EXPECT_FALSE(r.engine.pickRandomFile(FileCategory::Fill));
    EXPECT_EQ(r.host.loads.size(), 3u);
    EXPECT_EQ(r.state.name(VisualState::fillName(1)), "Astral_Quilt");

    // With one good name it is found, whatever the failures before it.
    r.host.failing = {"Bad1", "Bad3"};
    r.host.loads.clear();
    EXPECT_TRUE(r.engine.pickRandomFile(FileCategory::Fill));
    EXPECT_EQ(r.host.loads.back(), "0:1:Bad2");
    EXPECT_EQ(r.state.name(VisualState::fillName(1)), "Bad2");
}

TEST(FileModes, SequentialFileStepsAndWraps) {
    Rig r;  // current gradient slot 1 holds "Aurora"
    r.host.setListing(FileCategory::Gradient, {"Aurora", "Flame", "Metallic3", "Vortex9"});
    r.engine.syncFilePosition(FileCategory::Gradient);
    EXPECT_EQ(r.engine.state().filePosition[size_t(FileCategory::Gradient)], 0);
    std::vector<std::string> names;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(r.engine.stepFile(FileCategory::Gradient, true));
        names.push_back(r.state.name(VisualState::gradientName(0)));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Flame", "Metallic3", "Vortex9", "Aurora"}));
    ASSERT_TRUE(r.engine.stepFile(FileCategory::Gradient, false));
    EXPECT_EQ(r.state.name(VisualState::gradientName(0)), "Vortex9");

    // A failing name is passed over; a listing of nothing loadable gives up after one round.
    r.host.failing = {"Aurora"};
    ASSERT_TRUE(r.engine.stepFile(FileCategory::Gradient, true));
    EXPECT_EQ(r.state.name(VisualState::gradientName(0)), "Flame");
    r.host.failing = {"Aurora", "Flame", "Metallic3", "Vortex9"};
    r.host.loads.clear();
    EXPECT_FALSE(r.engine.stepFile(FileCategory::Gradient, true));
    EXPECT_EQ(r.host.loads.size(), 4u);

    // A name that is not listed leaves the position as it was; an empty listing does nothing.
    r.state.setName(VisualState::gradientName(0), "Unlisted");
    int16_t pos = r.engine.state().filePosition[size_t(FileCategory::Gradient)];
    r.engine.syncFilePosition(FileCategory::Gradient);
    EXPECT_EQ(r.engine.state().filePosition[size_t(FileCategory::Gradient)], pos);
    EXPECT_FALSE(r.engine.stepFile(FileCategory::Movement, true));
}

TEST(FileModes, AProtectedSlotRefusesOnce) {
    Rig r;
    r.attach(4, att::Fill, 2);  // brush 5 protects fill slot 2, the current one
    r.host.setListing(FileCategory::Fill, {"A", "B", "C"});
    EXPECT_FALSE(r.engine.pickRandomFile(FileCategory::Fill));
    EXPECT_FALSE(r.engine.stepFile(FileCategory::Fill, true));
    ASSERT_EQ(r.services.alerts.size(), 2u);
    EXPECT_EQ(
        r.services.alerts[0],
        "This fill is attached to brush number 5 and cannot be changed until it is detached.");
    EXPECT_TRUE(r.host.loads.empty());
}

TEST(FileModes, TriggerLoadsIntoTheCurrentSlotThenReappliesIt) {
    Rig r;
    r.only(kKindMovement, kModeSequentialFile);
    r.host.setListing(FileCategory::Movement, {"Galaxy", "Random", "Spirograph", "Zigzag"});
    r.engine.styleLoaded();  // finds "Spirograph" for the Sequential File mode
    r.engine.triggerStep(0, 64);
    EXPECT_EQ(r.state.name(VisualState::movementName(0)), "Zigzag");
    EXPECT_TRUE(r.host.logged("movement 0"));

    r.only(kKindBrush, kModeRandomFile);
    r.host.setListing(FileCategory::Brush, {"Veve", "Disc_Spin"});
    r.engine.triggerStep(1, 64);
    EXPECT_EQ(r.state.name(VisualState::brushName(0)), "Disc_Spin");
    EXPECT_TRUE(r.host.logged("brush 0"));
}

TEST(FileModes, SequentialStepsLoadTheCurrentNameWhenItsTurnComes) {
    // The position is not set yet and the current style is the first entry: a step forward
    // lands on entry 0, which is loaded although it is the current style.
    Rig r;
    r.state.setName(vs::StyleName, "Calm");
    r.host.setListing(FileCategory::Style, {"Calm", "Default", "Storm"});
    ASSERT_TRUE(r.engine.stepFile(FileCategory::Style, true));
    EXPECT_EQ(r.host.loads, (std::vector<std::string>{"4:0:Calm"}));
    ASSERT_TRUE(r.engine.stepFile(FileCategory::Style, true));
    EXPECT_EQ(r.host.loads.back(), "4:0:Default");

    // A listing of the current name alone: Sequential File reloads it, Random File does not.
    r.host.setListing(FileCategory::Fill, {"Astral_Quilt"});
    r.host.loads.clear();
    EXPECT_TRUE(r.engine.stepFile(FileCategory::Fill, true));
    EXPECT_FALSE(r.engine.pickRandomFile(FileCategory::Fill));
    EXPECT_EQ(r.host.loads, (std::vector<std::string>{"0:1:Astral_Quilt"}));
}
