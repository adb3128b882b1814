// CD lists: the file byte for byte, older and bad files, recognising a disc by its folder, and
// the list operations that keep the disc folder named after the current list.
#include <gtest/gtest.h>

#include "persist/program_files.h"
#include "platform/files.h"
#include "playback/cd_disc.h"
#include "playback/cd_list.h"
#include "support/fake_cd_drive.h"
#include "support/test_services.h"

using namespace korel;
using korel::test::FakeCdDrive;

namespace {

CdList threeTracks() {
    CdList l;
    l.name = "Road_Trip";
    l.code = "0A#!";
    l.discId = "04018e02";
    l.count = 3;
    l.entries[0].trackName = "Opening";
    l.entries[1] = {true, "A Very Long Track Name Indeed Yes", "Wild"};
    l.entries[2].trackName = "Closing";
    return l;
}

DiscTable discOf(std::vector<uint32_t> lengths) {
    FakeCdDrive drive;
    drive.pressAudio(150, lengths);
    DiscTable t;
    EXPECT_TRUE(readDisc(drive, t).present);
    return t;
}

std::string ravesPath(const test::TestServices& sv, const std::string& folder) {
    return joinPath(sv.dataPath("Raves"), folder);
}

}  // namespace

TEST(CdList, FileRoundTripsByteForByte) {
    test::TestServices sv(Edition::CD);
    const CdList list = threeTracks();
    ASSERT_TRUE(saveCdList(sv, list));
    Bytes file;
    ASSERT_EQ(readWholeFile(joinPath(ravesPath(sv, "Road_Trip0A#!"), "Road_Trip.cds"), file), 0);
    ASSERT_EQ(file.size(), 16 + 3 * 57u);
    EXPECT_EQ(file[0], 'l');
    EXPECT_EQ(file[1], 3);
    EXPECT_EQ(file[2], 3);
    EXPECT_EQ(file[3], 28);
    EXPECT_EQ(std::string(file.begin() + 4, file.begin() + 8), "0A#!");
    EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 16), "04018e02");
    const uint8_t* second = &file[16 + 57];
    EXPECT_EQ(second[0], 1);
    EXPECT_EQ(readNameField(second + 1, 28), "A Very Long Track Name Inde");  // 27 characters
    EXPECT_EQ(second[28], 0);
    EXPECT_EQ(readNameField(second + 29, 28), "Wild");

    CdList same = list;
    same.entries = {};
    ASSERT_TRUE(loadCdList(sv, same, "Road_Trip"));
    EXPECT_EQ(same.entries[0], list.entries[0]);
    EXPECT_EQ(same.entries[2], list.entries[2]);
    EXPECT_EQ(encodeCdList(same), file);
}

TEST(CdList, OlderAndBareFilesRead) {
    // Version 2: 29-byte entries; the rave name is the track name.
    Bytes old = {'l', 2, 2, 28, 'W', 'X', 'Y', 'Z', '1', '2', '3', '4', '5', '6', '7', '8'};
    for (const char* name : {"Intro", "Finale"}) {
        uint8_t entry[29] = {1};
        writeNameField(entry + 1, name, 28);
        old.insert(old.end(), entry, entry + 29);
    }
    CdList l = threeTracks();
    std::string message;
    ASSERT_TRUE(decodeCdList(old, l, message));
    EXPECT_EQ(l.count, 2);
    EXPECT_EQ(l.code, "WXYZ");
    EXPECT_EQ(l.discId, "12345678");
    EXPECT_EQ(l.entries[1], (CdTrackEntry{true, "Finale", "Finale"}));
    EXPECT_EQ(l.entries[2], CdTrackEntry{});  // beyond the file's count
    EXPECT_EQ(l.name, "Road_Trip");

    // "L": no code and identifier; the list keeps its own.
    Bytes bare(4 + 57, 0);
    bare[0] = 'L';
    bare[1] = 1;
    bare[2] = 3;
    bare[3] = 28;
    writeNameField(bare.data() + 4 + 1, "Solo", 28);
    writeNameField(bare.data() + 4 + 29, "Jam", 28);
    CdList b = threeTracks();
    ASSERT_TRUE(decodeCdList(bare, b, message));
    EXPECT_EQ(b.code, "0A#!");
    EXPECT_EQ(b.entries[0], (CdTrackEntry{false, "Solo", "Jam"}));
}

TEST(CdList, BadFilesLeaveTheListAlone) {
    test::TestServices sv(Edition::CD);
    const CdList before = threeTracks();
    ASSERT_EQ(createFolders(ravesPath(sv, before.discFolder())), 0);
    const Bytes good = encodeCdList(before);
    auto tryFile = [&](const Bytes& content, const std::string& expected) {
        SCOPED_TRACE(content.size());
        ASSERT_EQ(writeFileReplacing(joinPath(ravesPath(sv, before.discFolder()), "Bad.cds"),
                                     content), 0);
        CdList l = before;
        sv.alerts.clear();
        EXPECT_FALSE(loadCdList(sv, l, "Bad"));
        EXPECT_EQ(l.entries, before.entries);
        EXPECT_EQ(l.name, before.name);
        ASSERT_EQ(sv.alerts.size(), 1u);
        EXPECT_EQ(sv.alerts[0], expected);
    };
    Bytes wrongTag = good;
    wrongTag[0] = 'S';
    tryFile(wrongTag, "Not a valid CD file!");
    for (size_t cut = 0; cut < good.size(); cut += 7)
        tryFile(Bytes(good.begin(), good.begin() + long(cut)), "End of file error!");
    tryFile(Bytes(good.begin(), good.end() - 1), "End of file error!");
    Bytes none = good;
    none[1] = 0;
    tryFile(none, "Not a valid CD file!");
    Bytes tooMany = good;
    tooMany[1] = 100;
    tryFile(tooMany, "Not a valid CD file!");

    // A missing list, and a name that would leave the folder.
    CdList l = before;
    sv.alerts.clear();
    EXPECT_FALSE(loadCdList(sv, l, "Nowhere"));
    EXPECT_FALSE(loadCdList(sv, l, "../Bad"));
    EXPECT_EQ(sv.alerts, (std::vector<std::string>{"Unable to find file!", "Unable to find file!"}));
    EXPECT_EQ(l.name, before.name);
}

TEST(CdList, ANewDiscGetsAnUnnamedFolderAndList) {
    test::TestServices sv(Edition::CD);
    const DiscTable disc = discOf({20000, 30000, 25000, 40000});
    CdList list = threeTracks();
    ASSERT_TRUE(recogniseDisc(sv, disc, list));
    EXPECT_EQ(list.name, "Unnamed");
    EXPECT_EQ(list.code, disc.code);
    EXPECT_EQ(list.discId, disc.discId);
    EXPECT_EQ(list.count, 4);
    for (const CdTrackEntry& e : list.entries) EXPECT_EQ(e, CdTrackEntry{});
    EXPECT_EQ(list.discFolder(), "Unnamed" + disc.code);
    Bytes file;
    ASSERT_EQ(readWholeFile(joinPath(ravesPath(sv, "Unnamed" + disc.code), "Unnamed.cds"), file), 0);
    EXPECT_EQ(file, encodeCdList(list));

    // A folder of another disc is not this disc's.
    const DiscTable other = discOf({21000, 30000});
    CdList second;
    ASSERT_TRUE(recogniseDisc(sv, other, second));
    EXPECT_EQ(second.discFolder(), "Unnamed" + other.code);

    // No disc: nothing is made for it.
    ASSERT_TRUE(recogniseDisc(sv, DiscTable{}, second));
    EXPECT_EQ(second.code, "0000");
    EXPECT_FALSE(folderExists(ravesPath(sv, "Unnamed0000")));
    EXPECT_TRUE(sv.alerts.empty());
}

TEST(CdList, TrackRavesLiveInTheDiscFolder) {
    CdList list = threeTracks();
    SongRaveFields rave = cdTrackRave(list, 1);
    EXPECT_TRUE(rave.attached);
    EXPECT_EQ(rave.raveName, "Wild");
    EXPECT_EQ(rave.raveFolder, "Road_Trip0A#!");
    rave.raveName = "Calm";
    storeCdTrackRave(list, 2, rave);
    EXPECT_EQ(list.entries[2], (CdTrackEntry{true, "Closing", "Calm"}));
    // Beyond the disc's tracks there is nothing to attach to.
    EXPECT_FALSE(cdTrackRave(list, 3).attached);
    storeCdTrackRave(list, 3, rave);
    EXPECT_EQ(list.entries[3], CdTrackEntry{});

    const auto id = cdRaveIdentity(list);
    EXPECT_EQ(readNameField(id.data(), 32), "Road_Trip");
    EXPECT_EQ(std::string(id.begin() + 32, id.begin() + 40), "04018e02");
    EXPECT_EQ(id[40] | id[41] | id[42] | id[43], 0);
}

TEST(CdList, TheDiscFolderFollowsTheCurrentList) {
    test::TestServices sv(Edition::CD);
    const DiscTable disc = discOf({20000, 30000, 25000});
    CdList list;
    ASSERT_TRUE(recogniseDisc(sv, disc, list));
    list.entries[1] = {true, "Groove", "Night_Rave"};
    ASSERT_TRUE(saveCdList(sv, list));
    ASSERT_EQ(writeFileReplacing(joinPath(cdDiscFolderPath(sv, list), "Night_Rave.rav"), {'r'}), 0);

    // Renaming the current list renames the folder; the raves go with it.
    ASSERT_TRUE(renameCdList(sv, list, "Unnamed", "Party_Mix"));
    EXPECT_EQ(list.name, "Party_Mix");
    EXPECT_FALSE(folderExists(ravesPath(sv, "Unnamed" + disc.code)));
    EXPECT_TRUE(fileExists(joinPath(ravesPath(sv, "Party_Mix" + disc.code), "Night_Rave.rav")));
    EXPECT_EQ(listCdLists(sv, list), std::vector<std::string>{"Party_Mix"});

    // Put back in the drive, the disc finds its renamed list.
    CdList again;
    ASSERT_TRUE(recogniseDisc(sv, disc, again));
    EXPECT_EQ(again.name, "Party_Mix");
    EXPECT_EQ(again.entries[1], list.entries[1]);

    // A new list becomes current: the folder carries its name, both lists inside.
    ASSERT_TRUE(newCdList(sv, list, "Quiet_Evening"));
    EXPECT_EQ(list.discFolder(), "Quiet_Evening" + disc.code);
    EXPECT_EQ(listCdLists(sv, list), (std::vector<std::string>{"Party_Mix", "Quiet_Evening"}));
    ASSERT_TRUE(recogniseDisc(sv, disc, again));
    EXPECT_EQ(again.name, "Quiet_Evening");

    // Choosing the other list by name makes it current the same way.
    list.entries[0].trackName = "Unsaved";
    ASSERT_TRUE(loadCdList(sv, list, "Party_Mix"));
    EXPECT_EQ(list.entries[0].trackName, "");
    EXPECT_TRUE(folderExists(ravesPath(sv, "Party_Mix" + disc.code)));
    ASSERT_TRUE(recogniseDisc(sv, disc, again));
    EXPECT_EQ(again.name, "Party_Mix");

    // Renaming another list leaves the folder; the current one cannot be deleted.
    ASSERT_TRUE(renameCdList(sv, list, "Quiet_Evening", "Loud_Evening"));
    EXPECT_EQ(list.discFolder(), "Party_Mix" + disc.code);
    EXPECT_FALSE(deleteCdList(sv, list, "Party_Mix"));
    EXPECT_EQ(sv.alerts.back(), "Cannot delete current CD list!");
    ASSERT_TRUE(deleteCdList(sv, list, "Loud_Evening"));
    EXPECT_EQ(listCdLists(sv, list), std::vector<std::string>{"Party_Mix"});

    // Another folder already carrying the new name is not merged into.
    ASSERT_EQ(createFolders(ravesPath(sv, "Taken" + disc.code)), 0);
    sv.alerts.clear();
    EXPECT_FALSE(newCdList(sv, list, "Taken"));
    EXPECT_EQ(sv.alerts, std::vector<std::string>{"Error 183"});
    EXPECT_EQ(list.name, "Party_Mix");
    EXPECT_TRUE(fileExists(joinPath(ravesPath(sv, "Party_Mix" + disc.code), "Party_Mix.cds")));

    // Typed names: empty refused, long ones cut to 27 characters.
    EXPECT_FALSE(newCdList(sv, list, ""));
    EXPECT_EQ(sv.alerts.back(), "Text field is empty! Please type text into field.");
    ASSERT_TRUE(newCdList(sv, list, "A_Name_Longer_Than_The_Field_Holds"));
    EXPECT_EQ(list.name, "A_Name_Longer_Than_The_Fiel");
}

TEST(CdList, AFolderWithoutItsOwnListLoadsTheFirstOne) {
    test::TestServices sv(Edition::CD);
    const DiscTable disc = discOf({20000, 30000});
    // "Rock<code>" lost its own list but holds two others.
    const std::string rock = ravesPath(sv, "Rock" + disc.code);
    ASSERT_EQ(createFolders(rock), 0);
    CdList made;
    made.count = 2;
    for (const char* name : {"Beta", "Alpha"}) {
        made.entries[0].trackName = std::string("From_") + name;
        ASSERT_EQ(writeFileReplacing(joinPath(rock, std::string(name) + ".cds"),
                                     encodeCdList(made)), 0);
    }

    CdList list;
    ASSERT_TRUE(recogniseDisc(sv, disc, list));
    EXPECT_EQ(list.name, "Alpha");
    EXPECT_EQ(list.entries[0].trackName, "From_Alpha");
    EXPECT_EQ(list.discFolder(), "Alpha" + disc.code);
    EXPECT_TRUE(folderExists(ravesPath(sv, "Alpha" + disc.code)));

    // A folder that holds no lists at all gets one named like it.
    const DiscTable bare = discOf({22000, 30000});
    ASSERT_EQ(createFolders(ravesPath(sv, "Jazz" + bare.code)), 0);
    ASSERT_TRUE(recogniseDisc(sv, bare, list));
    EXPECT_EQ(list.name, "Jazz");
    EXPECT_TRUE(fileExists(joinPath(ravesPath(sv, "Jazz" + bare.code), "Jazz.cds")));
    EXPECT_TRUE(sv.alerts.empty());
}
