// Disc images: the track table a sheet gives (lead-in, data tracks, index 00, gaps, several
// files), the sectors read back, and sheets or bins that cannot be played, with their reasons.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "platform/cd_image.h"
#include "support/disc_image.h"

namespace korel::test {
namespace {

struct TempFolder {
    std::string path;
    TempFolder() {
        char tmpl[] = "/tmp/korel-cd-XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
};

struct Row {
    int number;
    uint32_t start, length;
    bool audio;
    int file;
    uint64_t offset;
};

void expectTable(const std::vector<CdImageTrack>& tracks, const std::vector<Row>& rows) {
    ASSERT_EQ(tracks.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE("track " + std::to_string(i + 1));
        EXPECT_EQ(tracks[i].number, rows[i].number);
        EXPECT_EQ(tracks[i].start, rows[i].start);
        EXPECT_EQ(tracks[i].length, rows[i].length);
        EXPECT_EQ(tracks[i].audio, rows[i].audio);
        EXPECT_EQ(tracks[i].file, rows[i].file);
        EXPECT_EQ(tracks[i].offset, rows[i].offset);
    }
}

// Parses sheet text against files of the given sizes (in sectors).
bool parse(const std::string& text, const std::map<std::string, uint64_t>& sectors, CueSheet& sheet,
           std::string& reason) {
    auto sizeOf = [&](const std::string& path, uint64_t& bytes, std::string& why) {
        auto it = sectors.find(path);
        if (it == sectors.end()) {
            why = "the file is missing";
            return false;
        }
        bytes = it->second * kCdSectorBytes;
        return true;
    };
    return parseCueSheet(text, "", sizeOf, sheet, reason);
}

TEST(CdImage, WrittenImagesGiveTheTablesADriveReports) {
    TempFolder dir;
    std::string reason;
    {
        // Audio only: track 1 after the lead-in, each next one where the last one ends.
        const std::string cue =
            writeDiscImage(dir.path, "plain", {{true, 2}, {true, 3}, {true, 1.5}});
        CdImage image;
        ASSERT_TRUE(image.open(cue, reason)) << reason;
        expectTable(image.tracks(), {{1, 150, 150, true, 0, 0},
                                     {2, 300, 225, true, 0, 150 * 2352},
                                     {3, 525, 112, true, 0, 375 * 2352}});
        EXPECT_EQ(image.leadOut(), 637u);
    }
    {
        // Data before and after the audio, one file per track, silence before track 3 as its
        // INDEX 00 part (which belongs to track 2's length).
        DiscTrack pregapped{true, 2};
        pregapped.index0Frames = 30;
        const std::string cue = writeDiscImage(
            dir.path, "mixed", {{false, 1}, {true, 2}, pregapped, {false, 1}}, {true});
        CdImage image;
        ASSERT_TRUE(image.open(cue, reason)) << reason;
        expectTable(image.tracks(), {{1, 150, 75, false, 0, 0},
                                     {2, 225, 150 + 30, true, 1, 0},
                                     {3, 405, 150, true, 2, 30 * 2352},
                                     {4, 555, 75, false, 3, 0}});
        EXPECT_EQ(image.leadOut(), 630u);
        EXPECT_EQ(image.sheet().files[2].path, dir.path + "/mixed-03.bin");
    }
}

TEST(CdImage, SectorsReadBackAcrossTracksGapsAndFiles) {
    TempFolder dir;
    std::string reason;
    const std::vector<DiscTrack> tracks{{true, 1}, {true, 1}};
    const std::string cue = writeDiscImage(dir.path, "two", tracks, {true});
    CdImage image;
    ASSERT_TRUE(image.open(cue, reason)) << reason;
    const auto one = discTrackSectors(tracks[0], 1), two = discTrackSectors(tracks[1], 2);
    // The last 2 sectors of track 1 and the first 3 of track 2, from two files.
    std::vector<uint8_t> got(5 * kCdSectorBytes);
    ASSERT_TRUE(image.readSectors(150 + 73, 5, got.data(), reason)) << reason;
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 2 * 2352, one.end() - 2 * 2352));
    EXPECT_TRUE(std::equal(got.begin() + 2 * 2352, got.end(), two.begin()));
    // Nothing before the lead-in or past the lead-out.
    EXPECT_FALSE(image.readSectors(149, 1, got.data(), reason));
    EXPECT_FALSE(image.readSectors(image.leadOut() - 1, 2, got.data(), reason));
    EXPECT_NE(reason.find("end of the disc"), std::string::npos);

    // A bin cut short after opening reads as silence and fails, without reading past it.
    std::filesystem::resize_file(dir.path + "/two-02.bin", 10 * 2352 + 100);
    std::fill(got.begin(), got.end(), 0xAA);
    EXPECT_FALSE(image.readSectors(150 + 75 + 8, 4, got.data(), reason));
    EXPECT_NE(reason.find("shorter"), std::string::npos);
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 2 * 2352, two.begin() + 8 * 2352));
    EXPECT_TRUE(std::all_of(got.begin() + 2 * 2352 + 100, got.begin() + 4 * 2352,
                            [](uint8_t b) { return b == 0; }));
}

TEST(CdImage, SheetsWithGapsIndexesAndSeveralFiles) {
    CueSheet sheet;
    std::string reason;
    // Windows line ends, a byte-order mark, lower case, comments; a PREGAP (not in the file)
    // before track 2 and a POSTGAP after it; track 3 starts a second file whose first two
    // seconds are track 3's INDEX 00 part.
    const std::string text =
        "\xEF\xBB\xBFREM GENRE Test\r\nPERFORMER \"Some One\"\r\nfile \"a b.bin\" binary\r\n"
        "  TRACK 01 AUDIO\r\n    TITLE \"x\"\r\n    INDEX 01 00:00:00\r\n"
        "  TRACK 02 AUDIO\r\n    PREGAP 00:01:00\r\n    INDEX 01 00:10:00\r\n    INDEX 02 "
        "00:11:00\r\n"
        "    POSTGAP 00:00:10\r\n"
        "FILE \"c.bin\" BINARY\r\n  TRACK 03 MODE2/2352\r\n    INDEX 00 00:00:00\r\n"
        "    INDEX 01 00:02:00\r\n";
    ASSERT_TRUE(parse(text, {{"a b.bin", 1500}, {"c.bin", 400}}, sheet, reason)) << reason;
    // The same sheet with lone CRs for line ends reads the same.
    std::string crOnly = text;
    crOnly.erase(std::remove(crOnly.begin(), crOnly.end(), '\n'), crOnly.end());
    CueSheet same;
    ASSERT_TRUE(parse(crOnly, {{"a b.bin", 1500}, {"c.bin", 400}}, same, reason)) << reason;
    EXPECT_EQ(same.leadOut, 2135u);
    EXPECT_EQ(same.tracks.size(), 3u);
    expectTable(sheet.tracks, {{1, 150, 750 + 75, true, 0, 0},
                               {2, 975, 750 + 10 + 150, true, 0, 750 * 2352},
                               {3, 1885, 250, false, 1, 150 * 2352}});
    EXPECT_EQ(sheet.leadOut, 2135u);
    // The silence of the gaps lies where the table says, between the files' data.
    ASSERT_EQ(sheet.extents.size(), 6u);
    EXPECT_EQ(sheet.extents[1].file, -1);
    EXPECT_EQ(sheet.extents[1].start, 900u);
    EXPECT_EQ(sheet.extents[1].frames, 75u);
    EXPECT_EQ(sheet.extents[3].file, -1);
    EXPECT_EQ(sheet.extents[3].frames, 10u);
}

TEST(CdImage, SheetsThatCannotBePlayedSayWhy) {
    const std::string head = "FILE \"a.bin\" BINARY\n";
    const std::map<std::string, uint64_t> files{{"a.bin", 1000}};
    std::string many = head;
    for (int i = 1; i <= 100; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "TRACK %02d AUDIO\nINDEX 01 00:%02d:%02d\n", i, i / 75,
                      i % 75);
        many += line;
    }
    const std::vector<std::pair<std::string, std::string>> cases{
        {"", "not a cue sheet"},
        {"just some text\nwith lines\n", "not a cue sheet"},
        {std::string("FILE \"a.bin\" BINARY\n\0\1\2", 23), "binary"},
        {head, "no tracks"},
        {"TRACK 01 AUDIO\nINDEX 01 00:00:00\n", "TRACK before any FILE"},
        {"FILE \"gone.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
         "gone.bin: the file is missing"},
        {"FILE \"a.wav\" WAVE\n", "only BINARY"},
        {"FILE \"a.bin BINARY\n", "quote"},
        {head + "TRACK 02 AUDIO\nINDEX 01 00:00:00\n", "out of order"},
        {head + "TRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 01 AUDIO\nINDEX 01 00:01:00\n",
         "out of order"},
        {head + "TRACK 100 AUDIO\n", "bad track number"},
        {many, "bad track number 100"},
        {head + "TRACK 01 MODE1/2048\nINDEX 01 00:00:00\n", "cannot be read"},
        {head + "TRACK 01 AUDIO\nINDEX 01 00:60:00\n", "bad time"},
        {head + "TRACK 01 AUDIO\nINDEX 01 -1:00:00\n", "bad time"},
        {head + "TRACK 01 AUDIO\nINDEX 01 00:00:75\n", "bad time"},
        {head + "TRACK 01 AUDIO\nINDEX 01 00:20:00\n", "beyond the end"},
        {head + "TRACK 01 AUDIO\nTRACK 02 AUDIO\nINDEX 01 00:00:00\n", "has no INDEX 01"},
        {head + "TRACK 01 AUDIO\n", "has no INDEX 01"},
        {head + "TRACK 01 AUDIO\nINDEX 01 00:02:00\nTRACK 02 AUDIO\nINDEX 01 00:01:00\n",
         "does not start after the previous one"},
        {head + "TRACK 01 AUDIO\nINDEX 01 00:02:00\nTRACK 02 AUDIO\nINDEX 01 00:02:00\n",
         "does not start after the previous one"},
        {head + "TRACK 01 AUDIO\nINDEX 00 00:03:00\nINDEX 01 00:02:00\n", "before INDEX 00"},
        {head + "TRACK 01 AUDIO\nINDEX 02 00:02:00\n", "before INDEX 01"},
        {head + "TRACK 01 AUDIO\nPREGAP 99:59:74\nINDEX 01 00:00:00\n", "longer than a disc"},
        {head + "POSTGAP 00:01:00\n", "POSTGAP before"},
        {std::string(kMaxCueBytes + 1, ' '), "too large"},
    };
    for (const auto& [text, why] : cases) {
        SCOPED_TRACE(text.substr(0, 80));
        CueSheet sheet;
        std::string reason;
        EXPECT_FALSE(parse(text, files, sheet, reason));
        EXPECT_NE(reason.find(why), std::string::npos) << reason;
    }
}

TEST(CdImage, MissingOrEmptyFilesAreRefused) {
    TempFolder dir;
    CdImage image;
    std::string reason;
    EXPECT_FALSE(image.open(dir.path + "/none.cue", reason));
    EXPECT_EQ(reason, "no such disc image");
    const std::string big = dir.path + "/big.cue";
    std::fclose(std::fopen(big.c_str(), "w"));
    std::filesystem::resize_file(big, kMaxCueBytes + 1);
    EXPECT_FALSE(image.open(big, reason));
    EXPECT_EQ(reason, "the cue sheet is too large to be one");
    // A bin with less than one sector has no track in it.
    const std::string cue = dir.path + "/tiny.cue";
    std::FILE* f = std::fopen(cue.c_str(), "w");
    std::fputs("FILE \"tiny.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n", f);
    std::fclose(f);
    f = std::fopen((dir.path + "/tiny.bin").c_str(), "w");
    std::fputs("short", f);
    std::fclose(f);
    EXPECT_FALSE(image.open(cue, reason));
    EXPECT_NE(reason.find("beyond the end"), std::string::npos) << reason;
    EXPECT_FALSE(image.isOpen());
    std::vector<uint8_t> sector(kCdSectorBytes);
    EXPECT_FALSE(image.readSectors(150, 1, sector.data(), reason));
}

}  // namespace
}  // namespace korel::test
