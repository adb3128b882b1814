// Songlists: the entry's byte layout, files that round trip or are refused without changing the
// list, the first list, and the insert / remove / rename rules.
#include <gtest/gtest.h>

#include "persist/program_files.h"
#include "platform/files.h"
#include "playback/songlist.h"
#include "support/test_services.h"

using namespace korel;

namespace {

Songlist threeSongs() {
    Songlist l;
    l.name = "Three";
    l.entries.clear();
    for (const char* n : {"/m/a.mp3", "/m/b.mp3", "/m/c.wav"}) l.entries.push_back(songEntryForFile(n));
    l.entries[1].raveAttached = true;
    l.entries[1].raveName = "Wild";
    return l;
}

}  // namespace

TEST(Songlist, EntryLayoutAndFullFields) {
    SongEntry e = songEntryForFile("/music/My Very Long Song Title Goes On And On.mp3");
    EXPECT_EQ(e.name, "My Very Long Song Title Goe");  // 27 characters
    EXPECT_EQ(e.raveFolder, "My Very Long Song Title Goes On And On");
    e.raveAttached = true;
    e.raveName = "Party";
    uint8_t b[kSongEntrySize];
    encodeSongEntry(e, b);
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(readNameField(b + 1, 28), e.name);
    EXPECT_EQ(b[28], 0);
    EXPECT_EQ(readNameField(b + 29, 260), e.path);
    EXPECT_EQ(readNameField(b + 289, 256), e.raveFolder);
    EXPECT_EQ(readNameField(b + 545, 28), "Party");
    EXPECT_EQ(decodeSongEntry(b), e);

    // Fields with no NUL end at the field's end, never in the next field.
    std::fill(b, b + kSongEntrySize, uint8_t('x'));
    SongEntry full = decodeSongEntry(b);
    EXPECT_EQ(full.name.size(), 28u);
    EXPECT_EQ(full.path.size(), 260u);
    EXPECT_EQ(full.raveFolder.size(), 256u);
    EXPECT_EQ(full.raveName.size(), 28u);
}

TEST(Songlist, FilesRoundTripByteForByte) {
    test::TestServices sv(Edition::MP3);
    Songlist list = threeSongs();
    ASSERT_TRUE(saveSonglistFile(sv, list));
    Bytes first;
    ASSERT_EQ(readWholeFile(makeFileName(sv, FileKind::Songlist, "Three"), first), 0);
    ASSERT_EQ(first.size(), 4 + 3 * kSongEntrySize);
    EXPECT_EQ(first[0], 'S');
    EXPECT_EQ(first[1], 3);
    EXPECT_EQ(first[2], 3);
    EXPECT_EQ(first[3], 28);

    Songlist back;
    ASSERT_TRUE(loadSonglistFile(sv, back, "Three"));
    EXPECT_EQ(back.entries, list.entries);
    EXPECT_EQ(back.name, "Three");
    EXPECT_EQ(encodeSonglist(back), first);
}

TEST(Songlist, BadFilesLeaveTheListAlone) {
    test::TestServices sv(Edition::MP3);
    const Songlist before = threeSongs();
    Bytes good = encodeSonglist(before);
    ASSERT_EQ(createFolders(sv.dataPath("Songlists")), 0);
    auto tryFile = [&](const Bytes& content) {
        EXPECT_EQ(writeFileReplacing(makeFileName(sv, FileKind::Songlist, "Bad"), content), 0);
        Songlist l = before;
        sv.alerts.clear();
        EXPECT_FALSE(loadSonglistFile(sv, l, "Bad"));
        EXPECT_EQ(l.entries, before.entries);
        EXPECT_EQ(l.name, "Three");
        return sv.alerts.empty() ? std::string() : sv.alerts.back();
    };
    Bytes wrong = good;
    wrong[0] = 'T';
    EXPECT_EQ(tryFile(wrong), "Not a valid songlist file!");
    EXPECT_EQ(tryFile(Bytes(good.begin(), good.end() - 100)), "The songlist file is incomplete!");
    EXPECT_EQ(tryFile(Bytes(good.begin(), good.begin() + 2)), "The songlist file is incomplete!");
    Bytes none(good.begin(), good.begin() + 4);
    none[1] = 0;
    EXPECT_EQ(tryFile(none), "The songlist file holds no songs!");

    Songlist l = before;
    EXPECT_FALSE(loadSonglistFile(sv, l, "Missing"));
    EXPECT_EQ(sv.alerts.back(), "Unable to find file!");
}

TEST(Songlist, FirstListHoldsTheDemoSongWhenThereIsOne) {
    test::TestServices sv(Edition::MP3);
    ASSERT_TRUE(ensureFirstSonglist(sv));
    Songlist l;
    ASSERT_TRUE(loadSonglistFile(sv, l, "My_Songlist"));
    EXPECT_TRUE(l.empty());

    test::TestServices withSong(Edition::MP3);
    ASSERT_EQ(createFolders(withSong.dataPath("Music")), 0);
    ASSERT_EQ(writeFileReplacing(withSong.dataPath("Music/Demo_Song.mp3"), Bytes(10, 1)), 0);
    ASSERT_TRUE(ensureFirstSonglist(withSong));
    ASSERT_TRUE(loadSonglistFile(withSong, l, "My_Songlist"));
    ASSERT_EQ(l.entries.size(), 1u);
    EXPECT_EQ(l.entries[0].name, "Demo_Song");
    EXPECT_EQ(l.entries[0].path, withSong.dataPath("Music/Demo_Song.mp3"));

    // An existing list is never replaced.
    l.entries.push_back(songEntryForFile("/x/y.mp3"));
    ASSERT_TRUE(saveSonglistFile(withSong, l));
    ASSERT_TRUE(ensureFirstSonglist(withSong));
    ASSERT_TRUE(loadSonglistFile(withSong, l, "My_Songlist"));
    EXPECT_EQ(l.entries.size(), 2u);
}

TEST(Songlist, InsertReplacesNoneThenGoesAfterTheCurrentEntry) {
    test::TestServices sv(Edition::MP3);
    Songlist l;
    ASSERT_TRUE(insertSong(sv, l, "/m/one.mp3"));
    ASSERT_EQ(l.entries.size(), 1u);
    EXPECT_EQ(l.entries[0].name, "one");
    ASSERT_TRUE(insertSong(sv, l, "/m/two.mp3"));
    ASSERT_TRUE(insertSong(sv, l, "/m/three.mp3"));
    l.current = 0;
    ASSERT_TRUE(insertSong(sv, l, "/m/four.mp3"));
    std::vector<std::string> names;
    for (auto& e : l.entries) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"one", "four", "two", "three"}));
    EXPECT_EQ(l.current, 1u);

    // A song whose file is called "None" is still a song.
    Songlist n;
    ASSERT_TRUE(insertSong(sv, n, "/m/None.mp3"));
    EXPECT_FALSE(n.currentEntry().isNone());
    ASSERT_TRUE(insertSong(sv, n, "/m/b.mp3"));
    EXPECT_EQ(n.entries.size(), 2u);

    // The one-byte count holds 255 songs; the next is refused and nothing changes.
    while (l.entries.size() < kMaxSongs) ASSERT_TRUE(insertSong(sv, l, "/m/more.mp3"));
    const Songlist full = l;
    EXPECT_FALSE(insertSong(sv, l, "/m/tooMany.mp3"));
    EXPECT_EQ(sv.alerts.back(), "The songlist is full! It holds 255 songs.");
    EXPECT_EQ(l.entries, full.entries);
    EXPECT_EQ(l.current, full.current);
    EXPECT_FALSE(insertSong(sv, l, "/" + std::string(300, 'p') + ".mp3"));
}

TEST(Songlist, RemoveRenameAndListFiles) {
    test::TestServices sv(Edition::MP3);
    Songlist l = threeSongs();
    l.current = 2;
    ASSERT_TRUE(removeCurrentSong(sv, l));
    EXPECT_EQ(l.current, 1u);
    ASSERT_TRUE(removeCurrentSong(sv, l));
    EXPECT_EQ(l.current, 0u);
    EXPECT_FALSE(removeCurrentSong(sv, l));
    EXPECT_EQ(sv.alerts.back(), "You are not able to delete a song when there is only one song.");
    EXPECT_EQ(l.entries.size(), 1u);

    ASSERT_TRUE(renameCurrentSong(sv, l, "Sunday best"));
    EXPECT_EQ(l.currentEntry().name, "Sunday_best");
    EXPECT_EQ(l.currentEntry().path, "/m/a.mp3");

    ASSERT_TRUE(saveSonglistFile(sv, l));
    Songlist other = threeSongs();
    other.name = "Other";
    ASSERT_TRUE(saveSonglistFile(sv, other));
    EXPECT_FALSE(deleteSonglistFile(sv, l, "Three"));
    EXPECT_EQ(sv.alerts.back(), "Cannot delete current songlist!");
    EXPECT_TRUE(fileExists(makeFileName(sv, FileKind::Songlist, "Three")));

    ASSERT_TRUE(renameSonglistFile(sv, l, "Three", "Road trip"));
    EXPECT_EQ(l.name, "Road_trip");
    EXPECT_TRUE(fileExists(makeFileName(sv, FileKind::Songlist, "Road_trip")));
    EXPECT_FALSE(fileExists(makeFileName(sv, FileKind::Songlist, "Three")));
    ASSERT_TRUE(deleteSonglistFile(sv, l, "Other"));
    EXPECT_FALSE(fileExists(makeFileName(sv, FileKind::Songlist, "Other")));
}
