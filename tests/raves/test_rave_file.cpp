// The rave file: round trips, the older version, bad files, and the popup's operations.
#include <gtest/gtest.h>

#include "platform/files.h"
#include "rave_rig.h"

using namespace korel;
using korel::test::RaveRig;

namespace {

void record(RaveRig& r) {
    AssetHooks hooks;
    hooks.setRaveRecorder(&r.raves);
    LoadOptions append;
    append.raveMode = 1;
    r.beat(1000);
    r.user(kChangeSpread, 21, 1500);
    r.host.now = 1700;
    finishLoad(r.services, r.state, hooks, AssetKind::Brush, 5, "Star", append);
    r.beat(2000);
}

Bytes writeTo(RaveRig& r, const SongRaveFields& song, const std::string& name, const Bytes& file) {
    EXPECT_EQ(createFolders(raveFolderPath(r.services, song)), 0);
    EXPECT_EQ(writeFileReplacing(raveFilePath(r.services, song, name), file), 0);
    return file;
}

}  // namespace

TEST(RaveFile, RoundTripsByteForByteInBothEditions) {
    for (Edition edition : {Edition::MP3, Edition::CD}) {
        RaveRig r(edition);
        record(r);
        const uint8_t identity[44] = {'M', 'i', 'x', 0};
        const Bytes file = encodeRaveFile(*r.rave, edition, identity);
        const size_t id = edition == Edition::CD ? 44 : 32;
        ASSERT_EQ(file.size(), 4 + id + 1002 + 2 + 5 * 21u);
        EXPECT_EQ(file[0], 'r');
        EXPECT_EQ(file[2], 3);
        EXPECT_EQ(file[4], 'M');
        const size_t nodes = 4 + id + 1002 + 2;
        EXPECT_EQ(getLe32(&file[nodes + 2 * 21]), 1500u);
        EXPECT_EQ(file[nodes + 2 * 21 + 4], kRaveChangePoint);
        EXPECT_EQ(int8_t(file[nodes + 2 * 21 + 5 + kChangeSpread - 1]), -21);

        auto back = std::make_unique<RaveState>();
        VisualState start;
        ASSERT_TRUE(decodeRaveFile(file, edition, start, *back));
        EXPECT_EQ(start, r.rave->songStart);
        back->songStart = start;
        EXPECT_EQ(encodeRaveFile(*back, edition, identity), file);
        EXPECT_EQ(back->events[4].next, kRaveEnd);
        EXPECT_EQ(back->events[4].previous, 3);

        // The identity block is skipped: a rave saved with another songlist reads the same.
        Bytes other = file;
        std::fill(other.begin() + 4, other.begin() + long(4 + id), uint8_t(0x5A));
        auto fromOther = std::make_unique<RaveState>();
        ASSERT_TRUE(decodeRaveFile(other, edition, start, *fromOther));
        fromOther->songStart = start;
        EXPECT_EQ(encodeRaveFile(*fromOther, edition, identity), file);

        // "R": no identity block; the same rave.
        Bytes bare = file;
        bare.erase(bare.begin() + 4, bare.begin() + long(4 + id));
        bare[0] = 'R';
        auto fromBare = std::make_unique<RaveState>();
        ASSERT_TRUE(decodeRaveFile(bare, edition, start, *fromBare));
        fromBare->songStart = start;
        EXPECT_EQ(encodeRaveFile(*fromBare, edition, identity), file);
    }
}

TEST(RaveFile, AVersion1StateIsUpgraded) {
    Bytes file(4 + 32 + 949 + 2 + 21, 0);
    file[0] = 'r';
    file[2] = 1;
    file[3] = 16;
    uint8_t* state = &file[4 + 32 - 4];  // record offsets from here
    state[vs::Thresholds] = uint8_t(-11);
    writeNameField(state + 905, "Glow");
    putLe16(&file[4 + 32 + 949], 1);
    file[4 + 32 + 949 + 2 + 4] = kRaveBeat;

    VisualState start;
    auto rave = std::make_unique<RaveState>();
    ASSERT_TRUE(decodeRaveFile(file, Edition::MP3, start, *rave));
    EXPECT_EQ(start.get(vs::Version), 3);
    EXPECT_EQ(start.get(vs::BeatsPerTrigger), 12);
    EXPECT_EQ(start.name(vs::BrushColourEffect), "Glow");
    EXPECT_EQ(rave->nodeCount, 1);
}

TEST(RaveFile, BadFilesAreRefusedWithoutChangingAnything) {
    RaveRig r;
    record(r);
    const Bytes good = encodeRaveFile(*r.rave, Edition::MP3, {});
    const size_t countAt = 4 + 32 + 1002;
    auto target = std::make_unique<RaveState>();
    target->nodeCount = 7;
    VisualState start = defaultVisualState();
    const VisualState untouched = start;

    // Every cut of a good file is short somewhere.
    for (size_t n = 0; n < good.size(); ++n) {
        Bytes cut(good.begin(), good.begin() + long(n));
        EXPECT_FALSE(decodeRaveFile(cut, Edition::MP3, start, *target)) << n;
    }
    Bytes wrongTag = good;
    wrongTag[0] = 'S';
    Bytes none = good, tooMany = good, beyond = good;
    putLe16(&none[countAt], 0);
    putLe16(&tooMany[countAt], kRaveNodes + 1);
    putLe16(&beyond[countAt], 6);
    for (const Bytes* bad : {&wrongTag, &none, &tooMany, &beyond})
        EXPECT_FALSE(decodeRaveFile(*bad, Edition::MP3, start, *target));
    EXPECT_EQ(target->nodeCount, 7);
    EXPECT_EQ(start, untouched);

    // At a song start both messages detach the rave and the song records afresh.
    SongRaveFields song{true, "Gone", "Song"};
    EXPECT_TRUE(startSongWithRave(r.services, r.raves, song));
    EXPECT_EQ(r.services.alerts.back(), kRaveUnableToLoad);
    EXPECT_FALSE(song.attached);
    EXPECT_EQ(song.raveName, "");
    EXPECT_EQ(r.rave->nodeCount, 1);
    EXPECT_FALSE(r.raves.isReplaying());

    writeTo(r, song, "Broken", beyond);
    song = {true, "Broken", "Song"};
    EXPECT_TRUE(startSongWithRave(r.services, r.raves, song));
    EXPECT_EQ(r.services.alerts.back(), kRaveNotValid);
    EXPECT_FALSE(song.attached);
    EXPECT_EQ(r.host.styles, 0);  // nothing of the bad file was applied
}

TEST(RaveFile, SaveAttachRenameDetachDelete) {
    RaveRig r;
    record(r);
    SongRaveFields song{false, "", "Track_One"};
    EXPECT_FALSE(detachRave(r.services, song));
    EXPECT_EQ(r.services.alerts.back(), kNoRaveToDetach);
    EXPECT_FALSE(renameRave(r.services, song, "X"));
    EXPECT_EQ(r.services.alerts.back(), kNoRaveToRename);
    EXPECT_FALSE(saveRave(r.services, r.raves, song, "../escape", {}));
    EXPECT_FALSE(song.attached);

    ASSERT_TRUE(saveRave(r.services, r.raves, song, "First", {}));
    const std::string folder = r.services.dataPath("Raves/Track_One");
    EXPECT_TRUE(fileExists(folder + "/First.rav"));
    EXPECT_TRUE(r.rave->userStateAside);

    ASSERT_TRUE(renameRave(r.services, song, "Second"));
    EXPECT_EQ(song.raveName, "Second");
    EXPECT_FALSE(fileExists(folder + "/First.rav"));
    EXPECT_TRUE(fileExists(folder + "/Second.rav"));

    ASSERT_TRUE(detachRave(r.services, song));
    EXPECT_FALSE(song.attached);
    EXPECT_TRUE(fileExists(folder + "/Second.rav"));  // the file is kept
    ASSERT_TRUE(attachRave(r.services, song, "Second"));
    EXPECT_TRUE(song.attached);

    // Deleting another rave leaves the entry; deleting the attached one detaches it.
    EXPECT_FALSE(deleteRave(r.services, song, "Nothing"));
    EXPECT_EQ(r.services.alerts.back(), "Unable to find file!");
    EXPECT_TRUE(deleteRave(r.services, song, "Second"));
    EXPECT_FALSE(song.attached);
    EXPECT_FALSE(fileExists(folder + "/Second.rav"));
}
