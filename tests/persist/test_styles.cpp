// Styles and preferences: version-1 styles, manual-mode and keyboard copies, a bad last
// session, failing writes that keep the old file, and the preferences file's defaults.
#include <gtest/gtest.h>

#include <filesystem>

#include "persist/preferences.h"
#include "persist/program_files.h"
#include "persist/styles.h"
#include "platform/files.h"
#include "support/test_services.h"

using namespace korel;

TEST(Styles, RoundTripAndVersion1) {
    test::TestServices sv;
    VisualState s = defaultVisualState();
    s.set(vs::BrushSpeed, 99);
    ASSERT_TRUE(writeStyle(sv, s, "Fast"));
    VisualState back;
    ASSERT_TRUE(readStyleByName(sv, "Fast", back));
    EXPECT_EQ(back.get(vs::BrushSpeed), 99);
    EXPECT_EQ(back.name(vs::StyleName), "Fast");

    // A version-1 file: 953 bytes whose fill block has four slots; the upgrade adds two.
    Bytes v1(back.bytes.begin(), back.bytes.begin() + 953);
    v1[2] = 1;
    v1[45] = 0xF6;  // -10: ten beats per trigger
    ASSERT_EQ(writeFileReplacing(makeFileName(sv, FileKind::Style, "Old"), v1), 0);
    VisualState old;
    ASSERT_TRUE(readStyleByName(sv, "Old", old));
    EXPECT_EQ(old.get(vs::Version), 3);
    EXPECT_EQ(old.get(vs::FillCount), 6);
    EXPECT_EQ(old.name(VisualState::fillName(4)), "(None)");
    EXPECT_EQ(old.name(VisualState::fillName(5)), "(None)");
    EXPECT_EQ(old.get(vs::BeatsPerTrigger), 10);
}

TEST(Styles, ManualModeAndKeyboardCopies) {
    VisualState s = defaultVisualState();
    VisualState manual = styleToSave(s, "Hand", true);
    for (int k = 0; k < kTriggerKinds; ++k) EXPECT_EQ(manual.get(vs::Thresholds + k), 0);
    EXPECT_EQ(manual.name(vs::StyleName), "Hand");
    EXPECT_EQ(styleToSave(s, "Auto", false).get(vs::Thresholds + 3), 48);
    VisualState keys = keyboardStyleCopy(s);
    for (int k = 0; k < kTriggerKinds; ++k) EXPECT_EQ(keys.get(vs::BeatsPerTrigger + k), 0);
}

TEST(Styles, BadFilesAndTheLastSession) {
    test::TestServices sv;
    // A missing style gives the default record.
    VisualState out;
    ASSERT_TRUE(readStyleByName(sv, "Nowhere", out));
    EXPECT_EQ(out, defaultVisualState());

    ASSERT_EQ(createFolders(sv.dataPath("Styles")), 0);
    ASSERT_EQ(writeFileReplacing(makeFileName(sv, FileKind::Style, "Junk"), Bytes(1006, 'x')), 0);
    VisualState keep = defaultVisualState();
    keep.set(vs::BrushSpeed, 7);
    out = keep;
    EXPECT_FALSE(readStyleByName(sv, "Junk", out));
    EXPECT_EQ(sv.alerts.back(), "Not a valid style file!");
    EXPECT_EQ(out, keep);

    Bytes shortStyle(500, 0);
    shortStyle[0] = 'S';
    shortStyle[2] = 3;
    ASSERT_EQ(writeFileReplacing(makeFileName(sv, FileKind::Style, "Short"), shortStyle), 0);
    EXPECT_FALSE(readStyleByName(sv, "Short", out));
    EXPECT_EQ(sv.alerts.back(), "End of file error!");

    // An invalid last session falls back silently.
    size_t alerts = sv.alerts.size();
    ASSERT_EQ(writeFileReplacing(makeFileName(sv, FileKind::LastSession, "Last_Session"), Bytes(9, 'q')), 0);
    ASSERT_TRUE(readStyleByName(sv, "Last_Session", out));
    EXPECT_EQ(out, defaultVisualState());
    EXPECT_EQ(sv.alerts.size(), alerts);
}

TEST(Styles, AStyleListedWithAnUpperCaseExtensionLoads) {
    test::TestServices sv;
    VisualState s = defaultVisualState();
    s.set(vs::BrushSpeed, 77);
    ASSERT_TRUE(writeStyle(sv, s, "Calm"));
    const std::string lower = makeFileName(sv, FileKind::Style, "Calm");
    ASSERT_EQ(renameFile(lower, lower.substr(0, lower.size() - 4) + ".STY"), 0);
    VisualState back;
    ASSERT_TRUE(readStyleByName(sv, "Calm", back));
    EXPECT_EQ(back.get(vs::BrushSpeed), 77);  // the file, not the default record
    EXPECT_TRUE(sv.alerts.empty());
}

TEST(Styles, AFailingWriteKeepsTheOldFile) {
    test::TestServices sv;
    VisualState s = defaultVisualState();
    ASSERT_TRUE(writeStyle(sv, s, "Safe"));
    // The new content cannot be written beside the old file (its temporary name is taken by a
    // folder), as when the disk is full.
    std::string path = makeFileName(sv, FileKind::Style, "Safe");
    ASSERT_EQ(createFolder(path + ".new_"), 0);
    s.set(vs::BrushSpeed, 1);
    EXPECT_FALSE(writeStyle(sv, s, "Safe"));
    ASSERT_FALSE(sv.alerts.empty()) << "the failed write was not reported";
    EXPECT_EQ(sv.alerts.back(), "File write error!");
    VisualState back;
    ASSERT_TRUE(readStyleByName(sv, "Safe", back));
    EXPECT_EQ(back.get(vs::BrushSpeed), 40);
}

TEST(Preferences, CreatedFromTheSaverDefaultsAndWrittenWithTheFlagClear) {
    for (Edition e : {Edition::CD, Edition::MP3, Edition::LIVE}) {
        test::TestServices sv(e);
        sv.shell().configFolder = sv.dataFolder() + "/config";
        Preferences p = readPreferences(sv);
        EXPECT_FALSE(p.launchedBySaver);
        EXPECT_TRUE(p.helpOpen);
        Bytes file;
        ASSERT_EQ(readWholeFile(preferencesPath(sv), file), 0);
        ASSERT_GE(file.size(), 12u);
        const uint8_t expect[12] = {2, 0, 1, 0, 1, 255, 0, 255, 0, 0, 0, 0};
        for (int i = 0; i < 12; ++i) EXPECT_EQ(file[i], expect[i]) << i;
        EXPECT_EQ(file.size(), e == Edition::MP3 ? 40u : 12u);

        // The screen saver sets the flag; the visualiser reads it and writes it back as 0.
        file[1] = 1;
        ASSERT_EQ(writeFileReplacing(preferencesPath(sv), file), 0);
        p = readPreferences(sv);
        EXPECT_TRUE(p.launchedBySaver);
        p.helpOpen = false;
        ASSERT_TRUE(writePreferences(sv, p));
        ASSERT_EQ(readWholeFile(preferencesPath(sv), file), 0);
        EXPECT_EQ(file[1], 0);
        EXPECT_EQ(file[4] & 1, 0);
    }
    EXPECT_STREQ(preferencesFileName(Edition::LIVE), "KorelLIVE Preferences.txt");
}

TEST(Styles, RaveStartStatesWithAndWithoutIdentity) {
    VisualState s = defaultVisualState();
    s.set(vs::BrushSpeed, 88);
    Bytes bare(s.bytes.begin(), s.bytes.end());
    bare[0] = 'R';
    VisualState out;
    ASSERT_EQ(decodeRaveState(bare, Edition::MP3, out), StyleRead::Loaded);
    EXPECT_EQ(out, s);

    // "r" carries the song's identity first: 32 bytes in the MP3 edition, 44 in the CD edition.
    Bytes mp3 = bare, cd = bare;
    mp3[0] = cd[0] = 'r';
    mp3.insert(mp3.begin() + 4, 32, 'x');
    cd.insert(cd.begin() + 4, 44, 'y');
    ASSERT_EQ(decodeRaveState(mp3, Edition::MP3, out), StyleRead::Loaded);
    EXPECT_EQ(out.get(vs::BrushSpeed), 88);
    ASSERT_EQ(decodeRaveState(cd, Edition::CD, out), StyleRead::Loaded);
    EXPECT_EQ(out.get(vs::BrushSpeed), 88);

    VisualState keep = defaultVisualState();
    out = keep;
    cd.resize(500);
    EXPECT_EQ(decodeRaveState(cd, Edition::CD, out), StyleRead::Truncated);
    EXPECT_EQ(decodeRaveState(Bytes{'S', 0, 3, 16}, Edition::CD, out), StyleRead::Invalid);
    EXPECT_EQ(out, keep);
}
