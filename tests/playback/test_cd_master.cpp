// The CD master folder holds exactly the list, its raves and the assets those raves name.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>

#include "assets/assets.h"
#include "platform/files.h"
#include "playback/master_folder.h"
#include "raves/rave_file.h"
#include "support/test_services.h"

using namespace korel;

namespace {

void writeFile(const std::string& path, const std::string& content) {
    ASSERT_EQ(createFolders(path.substr(0, path.find_last_of('/'))), 0);
    ASSERT_EQ(writeFileReplacing(path, Bytes(content.begin(), content.end())), 0);
}

// A rave whose song-start state names some assets and whose list loads three more.
Bytes nightRave() {
    auto rave = std::make_unique<RaveState>();
    VisualState& s = rave->songStart;
    s = defaultVisualState();
    for (int i = 0; i < kGradientSlots; ++i) s.setName(VisualState::gradientName(i), kNoneName);
    for (int i = 0; i < kFillSlots; ++i) s.setName(VisualState::fillName(i), kNoneName);
    for (int i = 0; i < kBrushSlots; ++i) s.setName(VisualState::brushName(i), kNoneName);
    for (int i = 0; i < kMovementSlots; ++i) s.setName(VisualState::movementName(i), kNoneName);
    s.setName(VisualState::gradientName(0), "Sunset");
    s.setName(VisualState::gradientName(7), "Ocean");
    s.setName(VisualState::fillName(5), "Bricks");
    s.setName(VisualState::brushName(0), "Star");
    s.setName(VisualState::movementName(0), "Spiral");
    s.setName(VisualState::movementName(1), "Not_There");  // skipped: no such file
    s.setName(vs::BrushColourEffect, "Pulse");
    s.setName(vs::FillColourEffect, kNoneName);
    s.setName(vs::BrushEffect, "Wobble");

    const std::pair<uint8_t, const char*> nodes[] = {
        {kRaveBeat, ""},
        {raveFileKind(kRaveGradient, 3), "Dusk"},
        {raveFileKind(kRaveFillColourEffect, 0), "Flash"},
        {kRaveBeat, ""},
        {raveFileKind(kRaveMovement, 2), "Zigzag"},
        {raveFileKind(kRaveBrush, 1), "Star"},
    };
    int i = 0;
    for (const auto& [kind, name] : nodes) {
        RaveEvent& e = rave->events[size_t(i)];
        e.time = i * 500;
        e.kind = kind;
        e.previous = i - 1;
        e.next = i + 1 < int(std::size(nodes)) ? i + 1 : kRaveEnd;
        if (*name) writeNameField(e.payload.data(), name);
        ++i;
    }
    rave->nodeCount = i;
    return encodeRaveFile(*rave, Edition::CD, {});
}

std::set<std::string> filesBelow(const std::string& folder) {
    std::set<std::string> found;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
        if (e.is_regular_file())
            found.insert(std::filesystem::relative(e.path(), folder).string());
    return found;
}

struct MasterRig {
    test::TestServices sv{Edition::CD};
    CdList list;

    MasterRig() {
        for (const char* f : {"Gradients/Sunset.gra", "Gradients/Ocean.gra", "Gradients/Dusk.gra",
                              "Gradients/Unused.gra", "Fills/Bricks.fil", "Fills/Other.fil",
                              "Brushes/Star.bru", "Brushes/Other.bru", "Movements/Spiral.mvm",
                              "Movements/Zigzag.mvm", "Movements/Other.mvm", "Effects/Pulse.efc",
                              "Effects/Flash.efc", "Effects/Wobble.efb", "Effects/Unused.efc"})
            writeFile(sv.dataPath(f), f);
        list.name = "Party";
        list.code = "0A1b";
        list.count = 3;
        list.entries[0].trackName = "Plain";
        list.entries[1] = {true, "Groove", "Night"};
        list.entries[2] = {true, "Groove_Again", "Night"};
        const Bytes rave = nightRave();
        writeFile(sv.dataPath("Raves/Party0A1b/Night.rav"), std::string(rave.begin(), rave.end()));
        EXPECT_TRUE(saveCdList(sv, list));
    }
};

const std::set<std::string> kExpected = {
    "Raves/Party0A1b/Party.cds", "Raves/Party0A1b/Night.rav", "Gradients/Sunset.gra",
    "Gradients/Ocean.gra",       "Gradients/Dusk.gra",       "Fills/Bricks.fil",
    "Brushes/Star.bru",          "Movements/Spiral.mvm",     "Movements/Zigzag.mvm",
    "Effects/Pulse.efc",         "Effects/Flash.efc",        "Effects/Wobble.efb",
};

}  // namespace

TEST(CdMaster, HoldsExactlyWhatTheListAndRavesName) {
    MasterRig r;
    const std::string master = r.sv.dataPath("KorelCD");
    writeFile(joinPath(master, "Fills/Stale.fil"), "old");

    // Adding keeps what was there.
    ASSERT_TRUE(buildMasterFolder(r.sv, r.list, false));
    std::set<std::string> withStale = kExpected;
    withStale.insert("Fills/Stale.fil");
    EXPECT_EQ(filesBelow(master), withStale);

    // Creating empties the folders first; copies overwrite.
    writeFile(joinPath(master, "Gradients/Sunset.gra"), "changed");
    ASSERT_TRUE(buildMasterFolder(r.sv, r.list, true));
    EXPECT_EQ(filesBelow(master), kExpected);
    for (const char* sub : {"Raves", "Gradients", "Fills", "Brushes", "Movements", "Effects"})
        EXPECT_TRUE(folderExists(joinPath(master, sub)));
    Bytes copied;
    Bytes original;
    ASSERT_EQ(readWholeFile(joinPath(master, "Gradients/Sunset.gra"), copied), 0);
    ASSERT_EQ(readWholeFile(r.sv.dataPath("Gradients/Sunset.gra"), original), 0);
    EXPECT_EQ(copied, original);
    ASSERT_EQ(readWholeFile(joinPath(master, "Raves/Party0A1b/Party.cds"), copied), 0);
    EXPECT_EQ(copied, encodeCdList(r.list));
    EXPECT_TRUE(r.sv.alerts.empty());
}

TEST(CdMaster, MissingAndBadRavesAreReportedAndSkipped) {
    MasterRig r;
    r.list.count = 5;
    r.list.entries[3] = {true, "Lost", "Gone"};
    r.list.entries[4] = {true, "Broken", "Junk"};
    writeFile(r.sv.dataPath("Raves/Party0A1b/Junk.rav"), "r");  // cut short after its tag

    EXPECT_FALSE(buildMasterFolder(r.sv, r.list, true));
    ASSERT_FALSE(r.sv.alerts.empty());
    EXPECT_EQ(r.sv.alerts[0], "Unable to find file!");
    EXPECT_EQ(filesBelow(r.sv.dataPath("KorelCD")), kExpected);

    r.list.entries[3] = {};
    r.sv.alerts.clear();
    EXPECT_FALSE(buildMasterFolder(r.sv, r.list, true));
    EXPECT_EQ(r.sv.alerts, std::vector<std::string>{"Not a valid rave file!"});
    EXPECT_EQ(filesBelow(r.sv.dataPath("KorelCD")), kExpected);
}
