// The disc table read from a drive: the disc identifier, data tracks, recognising the same disc,
// the CD code's digits and song lengths.
#include <gtest/gtest.h>

#include <cstdio>

#include "playback/cd_disc.h"
#include "support/fake_cd_drive.h"

using namespace korel;
using korel::test::FakeCdDrive;

namespace {

// The disc identifier as the published description computes it, from each track's start as
// minutes and seconds (lead-in included) and the lead-out's.
std::string publishedDiscId(const std::vector<uint32_t>& starts, uint32_t leadOut) {
    struct Msf {
        int min, sec;
    };
    auto msf = [](uint32_t frames) { return Msf{int(frames / 75 / 60), int(frames / 75 % 60)}; };
    auto cddbSum = [](int n) {
        int ret = 0;
        while (n > 0) {
            ret += n % 10;
            n /= 10;
        }
        return ret;
    };
    int n = 0;
    for (uint32_t s : starts) n += cddbSum(msf(s).min * 60 + msf(s).sec);
    const int t = (msf(leadOut).min * 60 + msf(leadOut).sec) -
                  (msf(starts[0]).min * 60 + msf(starts[0]).sec);
    const unsigned id = unsigned(n % 0xff) << 24 | unsigned(t) << 8 | unsigned(starts.size());
    char text[16];
    std::snprintf(text, sizeof text, "%08x", id);
    return text;
}

}  // namespace

TEST(CdDisc, DiscIdentifierFollowsThePublishedComputation) {
    // Worked by hand: starts 2 s and 200 s, lead-out 400 s; n = 2 + 2, t = 398 = 0x18e.
    FakeCdDrive drive;
    drive.pressAudio(150, {14850, 15000});
    DiscTable table;
    DiscReadResult r = readDisc(drive, table);
    ASSERT_TRUE(r.present);
    EXPECT_FALSE(r.same);
    EXPECT_EQ(table.trackCount, 2);
    EXPECT_EQ(table.start[2], 30000u);
    EXPECT_EQ(table.discId, "04018e02");

    // A full disc of odd lengths: the digit sums pass 255 and the seconds do not divide evenly.
    std::vector<uint32_t> lengths;
    for (int i = 0; i < 99; ++i) lengths.push_back(2000 + uint32_t(i) * 137 + uint32_t(i % 7));
    drive.pressAudio(182, lengths);
    ASSERT_TRUE(readDisc(drive, table).present);
    ASSERT_EQ(table.trackCount, 99);
    std::vector<uint32_t> starts;
    for (const auto& t : drive.tracks) starts.push_back(t.start);
    const uint32_t leadOut = drive.tracks.back().start + drive.tracks.back().length;
    EXPECT_EQ(table.start[99], leadOut);
    EXPECT_EQ(table.discId, publishedDiscId(starts, leadOut));
    EXPECT_EQ(table.discId.size(), 8u);
    EXPECT_EQ(freedbDiscId(DiscTable{}), "");
}

TEST(CdDisc, DataTracksAreLeftOutOfTheAudio) {
    // A trailing data track: the audio ends 150 frames before it starts.
    FakeCdDrive drive;
    drive.pressAudio(150, {20000, 30000, 25000, 40000});
    drive.tracks[3].audio = false;
    DiscTable table;
    ASSERT_TRUE(readDisc(drive, table).present);
    EXPECT_EQ(table.trackCount, 3);
    EXPECT_EQ(table.start[3], drive.tracks[3].start - 150);
    EXPECT_EQ(songLengthMs(table, 2), (drive.tracks[3].start - 150 - drive.tracks[2].start) * 1000 /
                                          75 - 225);
    EXPECT_EQ(table.discId,
              publishedDiscId({drive.tracks[0].start, drive.tracks[1].start, drive.tracks[2].start},
                              drive.tracks[3].start - 150));

    // A leading data track: audio track 0 is the drive's track 2, and so on.
    drive.pressAudio(150, {30000, 9000, 12000, 15000});
    drive.tracks[0].audio = false;
    ASSERT_TRUE(readDisc(drive, table).present);
    EXPECT_EQ(table.trackCount, 3);
    EXPECT_EQ(table.start[0], drive.tracks[1].start);
    EXPECT_EQ(table.driveTrack[0], 2);
    EXPECT_EQ(table.driveTrack[2], 4);
    EXPECT_EQ(table.start[3], drive.tracks[3].start + drive.tracks[3].length);
    // The quick identity keeps the drive's numbering: its track 2 and its last track.
    EXPECT_EQ(table.quickIdentity, quickIdentity(drive.tracks[3].start, drive.tracks[1].start));

    // Only data: no audio disc.
    drive.pressAudio(150, {50000, 60000});
    for (auto& t : drive.tracks) t.audio = false;
    EXPECT_FALSE(readDisc(drive, table).present);
    EXPECT_FALSE(table.present());
    EXPECT_EQ(table.code, "0000");
}

TEST(CdDisc, TheSameQuickIdentityIsTheSameDisc) {
    FakeCdDrive drive;
    drive.pressAudio(150, {20000, 30000, 25000});
    DiscTable table;
    ASSERT_FALSE(readDisc(drive, table).same);
    const DiscTable first = table;
    const int walked = drive.typeQueries;

    // Re-inserted: nothing is read beyond the quick identity and the table stays.
    DiscReadResult r = readDisc(drive, table);
    EXPECT_TRUE(r.present);
    EXPECT_TRUE(r.same);
    EXPECT_EQ(drive.typeQueries, walked);

    // Another disc with the same starts of track 2 and the last track counts as the same.
    drive.tracks[2].length = 99999;
    r = readDisc(drive, table);
    EXPECT_TRUE(r.same);
    EXPECT_EQ(table.start, first.start);
    EXPECT_EQ(table.discId, first.discId);

    // A different disc is read afresh.
    drive.pressAudio(150, {21000, 30000, 25000});
    r = readDisc(drive, table);
    EXPECT_TRUE(r.present);
    EXPECT_FALSE(r.same);
    EXPECT_NE(table.quickIdentity, first.quickIdentity);

    // No disc clears the table; the disc coming back is new to it.
    drive.media = false;
    EXPECT_FALSE(readDisc(drive, table).present);
    EXPECT_EQ(songLengthMs(table, 0), 60000u);
    drive.media = true;
    EXPECT_FALSE(readDisc(drive, table).same);

    // A table the drive reports with starts that do not rise is not played.
    drive.tracks[1].start = drive.tracks[0].start;
    EXPECT_FALSE(readDisc(drive, table).present);
    EXPECT_FALSE(table.present());
}

TEST(CdDisc, CodeDigitsAndQuickIdentity) {
    EXPECT_EQ(cdCode(0), "0000");
    EXPECT_EQ(cdCode(9), "0009");
    EXPECT_EQ(cdCode(10), "000A");
    EXPECT_EQ(cdCode(35), "000Z");
    EXPECT_EQ(cdCode(36), "000a");
    EXPECT_EQ(cdCode(61), "000z");
    std::string tail;
    for (uint32_t v = 62; v < 70; ++v) tail += cdCode(v).back();
    EXPECT_EQ(tail, "#$%&+=@!");
    EXPECT_EQ(cdCode(70), "0010");
    EXPECT_EQ(cdCode(4899), "00!!");
    EXPECT_EQ(cdCode(4900), "0100");
    EXPECT_EQ(cdCode(343000), "1000");

    // The largest quick identity is the largest code.
    EXPECT_EQ(quickIdentity(4899, 4899), 24009999u);
    EXPECT_EQ(cdCode(24009999), "!!!!");
    EXPECT_EQ(quickIdentity(4900 + 5, 3 * 4900 + 7), 5u + 4900u * 7u);
    EXPECT_EQ(quickIdentity(150, 150), 150u + 4900u * 150u);

    // A disc whose starts give quick identity 0 has the code "0000".
    FakeCdDrive drive;
    drive.pressAudio(4900, {4900, 4900});
    DiscTable table;
    ASSERT_TRUE(readDisc(drive, table).present);
    EXPECT_EQ(table.quickIdentity, 0u);
    EXPECT_EQ(table.code, "0000");
}

TEST(CdDisc, SongLengths) {
    DiscTable table;
    EXPECT_EQ(songLengthMs(table, 0), 60000u);
    table.trackCount = 2;
    table.start[0] = 150;
    table.start[1] = 150 + 75 * 60;
    table.start[2] = table.start[1] + 10;  // shorter than the 225 ms taken off
    EXPECT_EQ(songLengthMs(table, 0), 60000u - 225u);
    EXPECT_EQ(songLengthMs(table, 1), 0u);
    EXPECT_EQ(songLengthMs(table, 2), 60000u);
    EXPECT_EQ(songLengthMs(table, -1), 60000u);
}
