// The headless CD drives: the drive list, opening and its failures, the position on the virtual
// clock through play, pause and the end of the audio, the door, and what the capture hears.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "platform/bytes.h"
#include "platform/headless/headless_cd.h"
#include "platform/headless/headless_platform.h"
#include "support/disc_image.h"

namespace korel::test {
namespace {

struct CdRig : ::testing::Test {
    std::string dir;
    HeadlessPlatform platform;
    HeadlessCdSystem cd{platform};
    std::string cue;
    // Track 1: 4 s of kicks every half second from 0.5 s; track 2: 4 s, kicks every second from
    // 1 s; then a data track.
    std::vector<DiscTrack> tracks{{true, 4, 120, 0.5}, {true, 4, 60, 1.0}, {false, 2}};

    void SetUp() override {
        char tmpl[] = "/tmp/korel-hcd-XXXXXX";
        dir = ::mkdtemp(tmpl);
        cue = writeDiscImage(dir, "disc", tracks);
        ASSERT_FALSE(cue.empty());
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::unique_ptr<CdDrive> openWithDisc() {
        cd.addDrive("/dev/sr0", "Drive 0");
        std::string reason;
        EXPECT_TRUE(cd.insert("/dev/sr0", cue, reason)) << reason;
        auto drive = cd.open("/dev/sr0", reason);
        EXPECT_TRUE(drive) << reason;
        return drive;
    }

    uint32_t at(CdDrive& d) {
        uint32_t f = 0;
        EXPECT_TRUE(d.position(f));
        return f;
    }
};

TEST_F(CdRig, DrivesAreListedAndOpenedOrRefusedWithAReason) {
    cd.addDrive("/dev/sr0", "Drive 0");
    cd.addDrive("/dev/sr1", "Drive 1");
    std::string reason;
    ASSERT_TRUE(cd.insert("/dev/sr1", cue, reason)) << reason;
    writeDiscImage(dir, "another", {{true, 1}});
    writeDiscImage(dir, "third", {{true, 1}});
    // Devices first, then the folder's images, three at most.
    auto list = cd.drives(dir);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].path, "/dev/sr0");
    EXPECT_FALSE(list[0].mediaPresent);
    EXPECT_TRUE(list[1].mediaPresent);
    EXPECT_FALSE(list[1].image);
    EXPECT_EQ(list[2].path, dir + "/another.cue");
    EXPECT_EQ(list[2].name, "another");
    EXPECT_TRUE(list[2].image && list[2].mediaPresent);

    // An image opens as a drive of its own; its table is the sheet's.
    auto image = cd.open(dir + "/disc.cue", reason);
    ASSERT_TRUE(image) << reason;
    EXPECT_EQ(image->trackCount(), 3);
    uint32_t start = 0, length = 0;
    EXPECT_TRUE(image->trackStart(2, start) && image->trackLength(2, length));
    EXPECT_EQ(start, 450u);
    EXPECT_EQ(length, 300u);
    EXPECT_FALSE(image->trackIsAudio(3));
    EXPECT_FALSE(image->trackStart(4, start));
    EXPECT_FALSE(image->trackStart(0, start));

    EXPECT_FALSE(cd.open("/dev/sr7", reason));
    EXPECT_EQ(reason, "no such drive");
    EXPECT_FALSE(cd.open(dir + "/missing.cue", reason));
    EXPECT_EQ(reason, "no such disc image");
    cd.failOpen("/dev/sr0", "busy");
    EXPECT_FALSE(cd.open("/dev/sr0", reason));
    EXPECT_EQ(reason, "busy");
    EXPECT_EQ(cd.calls.drives, 1);
    EXPECT_EQ(cd.calls.open, 4);
}

TEST_F(CdRig, PositionFollowsTheVirtualClockExactly) {
    auto drive = openWithDisc();
    ASSERT_TRUE(drive);
    EXPECT_EQ(at(*drive), 150u);
    ASSERT_TRUE(drive->seek(450));
    platform.advance(500);
    EXPECT_EQ(at(*drive), 450u);  // a seek holds until play
    ASSERT_TRUE(drive->play());
    platform.advance(1000);
    EXPECT_EQ(at(*drive), 525u);
    platform.advance(13);  // less than a frame is not a frame
    EXPECT_EQ(at(*drive), 525u);
    platform.advance(1);
    EXPECT_EQ(at(*drive), 526u);

    ASSERT_TRUE(drive->pause());
    EXPECT_FALSE(drive->playing());
    platform.advance(5000);
    EXPECT_EQ(at(*drive), 526u);
    ASSERT_TRUE(drive->play());
    platform.advance(2000);
    EXPECT_EQ(at(*drive), 676u);
    ASSERT_TRUE(drive->stop());
    platform.advance(2000);
    EXPECT_EQ(at(*drive), 676u);

    // Playing runs to the end of the audio (the data track is not played) and stops there.
    ASSERT_TRUE(drive->play());
    platform.advance(60000);
    EXPECT_FALSE(drive->playing());
    EXPECT_EQ(at(*drive), 750u);
    EXPECT_FALSE(drive->play());
    EXPECT_FALSE(drive->seek(900 + 1));
    EXPECT_EQ(cd.calls.play, 4);
}

TEST_F(CdRig, TheDoorTakesTheDiscAwayUntilOneIsInserted) {
    auto drive = openWithDisc();
    ASSERT_TRUE(drive);
    ASSERT_TRUE(drive->seek(300));
    ASSERT_TRUE(drive->play());
    platform.advance(1000);
    ASSERT_TRUE(drive->openDoor());
    EXPECT_FALSE(drive->mediaPresent());
    EXPECT_EQ(drive->trackCount(), 0);
    uint32_t f = 0;
    EXPECT_FALSE(drive->position(f));
    EXPECT_FALSE(drive->play());
    EXPECT_FALSE(drive->playing());
    EXPECT_FALSE(cd.drives("")[0].mediaPresent);

    // Another disc: its table, from the start, not playing.
    const std::string other =
        writeDiscImage(dir, "other", {{true, 2}, {true, 2}, {true, 2}, {true, 2}});
    std::string reason;
    ASSERT_TRUE(cd.insert("/dev/sr0", other, reason));
    EXPECT_TRUE(drive->mediaPresent());
    EXPECT_EQ(drive->trackCount(), 4);
    EXPECT_EQ(at(*drive), 150u);
    EXPECT_FALSE(drive->playing());

    // A disc taken out with the drive's own button, and a disc that cannot be read.
    cd.eject("/dev/sr0");
    EXPECT_FALSE(drive->mediaPresent());
    EXPECT_FALSE(cd.insert("/dev/sr0", dir + "/nothing.cue", reason));
    EXPECT_FALSE(drive->mediaPresent());

    // An image drive's door: the image is gone until inserted again.
    auto image = cd.open(cue, reason);
    ASSERT_TRUE(image);
    ASSERT_TRUE(image->openDoor());
    EXPECT_FALSE(image->mediaPresent());
    EXPECT_FALSE(cd.drives(dir)[1].mediaPresent);
    ASSERT_TRUE(cd.insert(cue, cue, reason));
    EXPECT_TRUE(image->mediaPresent());
}

struct Recorder : CaptureClient {
    void bufferDone(int) override {}
};

// Where each burst louder than the noise floor starts, in ms of the recording.
std::vector<double> onsets(const std::vector<uint8_t>& s, size_t upTo) {
    std::vector<double> out;
    size_t quiet = 0;
    for (size_t i = 0; i < upTo; ++i) {
        const int v = std::abs(int(s[i]) - 128);
        if (v > 45 && quiet > 2000) out.push_back(i * 1000.0 / kCaptureRate);
        quiet = v > 45 ? 0 : quiet + 1;
    }
    return out;
}

TEST_F(CdRig, TheCaptureHearsTheDiscFromThePosition) {
    HeadlessSound sound(platform);
    cd.sound = &sound;
    auto drive = openWithDisc();
    ASSERT_TRUE(drive);
    Recorder client;
    std::vector<uint8_t> rec(size_t(kCaptureRate) * 12, 0);
    platform.advance(1001);  // the capture does not start on a whole sample
    ASSERT_EQ(sound.openCapture(0, &client), CaptureOpen::Ok);
    ASSERT_TRUE(sound.queueBuffer(0, rec.data(), rec.size()));
    ASSERT_TRUE(sound.startCapture());

    // 0.9 s into track 1: its next kick is 0.1 s away. Play from 200 ms of the recording.
    ASSERT_TRUE(drive->seek(150 + 67));  // 0.8933 s
    platform.advance(200);
    ASSERT_TRUE(drive->play());
    platform.advance(1000);
    ASSERT_TRUE(drive->pause());  // 1.2 s: a kick at 0.3067 s, 0.8067 s
    platform.advance(1000);
    // Track 2 from its start: kicks 1 s in.
    ASSERT_TRUE(drive->seek(450));
    ASSERT_TRUE(drive->play());
    platform.advance(3000);  // to 5.2 s: kicks at 3.2 s, 4.2 s, 5.2 s (not yet)
    ASSERT_TRUE(drive->stop());
    platform.advance(1000);
    sound.pump();
    const size_t recorded = size_t(6.2 * kCaptureRate);

    const auto found = onsets(rec, recorded);
    const std::vector<double> expected{306.7, 806.7, 3200, 4200};
    ASSERT_EQ(found.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(found[i], expected[i], 8) << i;
    // Paused and stopped: silence itself, not the noise floor.
    auto silent = [&](double fromMs, double toMs) {
        for (size_t i = size_t(fromMs * 11.025); i < size_t(toMs * 11.025); ++i)
            if (rec[i] != 128) return false;
        return true;
    };
    EXPECT_TRUE(silent(0, 199));
    EXPECT_TRUE(silent(1201, 2199));
    EXPECT_TRUE(silent(5201, 6199));
    EXPECT_FALSE(silent(2201, 3100));  // the noise floor of track 2 is heard

    // A disc taken out while playing is not heard from then on, though the drive has not
    // been asked anything since.
    ASSERT_TRUE(drive->seek(450));
    ASSERT_TRUE(drive->play());
    platform.advance(1000);
    cd.eject("/dev/sr0");
    platform.advance(500);
    EXPECT_FALSE(drive->mediaPresent());
    sound.pump();
    EXPECT_FALSE(silent(6201, 7199));
    EXPECT_TRUE(silent(7201, 7699));

    // Closing the drive stops it being heard.
    drive.reset();
    EXPECT_EQ(sound.captureFeed(), nullptr);
}

// The disc is brought to the capture's rate in pieces; across their edges it is heard as if
// converted whole.
TEST_F(CdRig, TheCaptureHearsLongTracksWithoutSeams) {
    const DiscTrack track{true, 23, 120, 0.48};  // a kick 20 ms before the edge
    const std::string longCue = writeDiscImage(dir, "long", {track});
    HeadlessSound sound(platform);
    cd.sound = &sound;
    std::string reason;
    auto drive = cd.open(longCue, reason);
    ASSERT_TRUE(drive) << reason;
    Recorder client;
    std::vector<uint8_t> rec(size_t(kCaptureRate) * 2, 0);
    ASSERT_EQ(sound.openCapture(0, &client), CaptureOpen::Ok);
    ASSERT_TRUE(sound.queueBuffer(0, rec.data(), rec.size()));
    ASSERT_TRUE(sound.startCapture());
    const uint32_t from = 150 + 75 * 19 + 40;  // 19.53 s: across the edge at 20 s
    ASSERT_TRUE(drive->seek(from));
    ASSERT_TRUE(drive->play());
    platform.advance(1000);
    sound.pump();

    const std::vector<uint8_t> pcm = discTrackSectors(track, 1);
    Bytes wav(44 + pcm.size());
    std::memcpy(wav.data(), "RIFF", 4);
    putLe32(wav.data() + 4, uint32_t(36 + pcm.size()));
    std::memcpy(wav.data() + 8, "WAVEfmt ", 8);
    putLe32(wav.data() + 16, 16);
    putLe16(wav.data() + 20, 1);
    putLe16(wav.data() + 22, 2);
    putLe32(wav.data() + 24, 44100);
    putLe32(wav.data() + 28, 44100 * 4);
    putLe16(wav.data() + 32, 4);
    putLe16(wav.data() + 34, 16);
    std::memcpy(wav.data() + 36, "data", 4);
    putLe32(wav.data() + 40, uint32_t(pcm.size()));
    std::memcpy(wav.data() + 44, pcm.data(), pcm.size());
    std::vector<uint8_t> whole;
    std::string error;
    ASSERT_TRUE(decodeWav(wav, whole, error)) << error;
    const size_t offset = size_t(from - 150) * 147;
    int worst = 0, loudest = 0;
    for (size_t i = 0; i < size_t(kCaptureRate); ++i) {
        worst = std::max(worst, std::abs(int(rec[i]) - int(whole[offset + i])));
        loudest = std::max(loudest, std::abs(int(rec[i]) - 128));
    }
    EXPECT_LE(worst, 2);
    EXPECT_GT(loudest, 60) << "the kick at 19.98 s is in it";
}

}  // namespace
}  // namespace korel::test
