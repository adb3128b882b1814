// The beat meter, the sound-scale meter and the spectrograph drawn into a canvas.
#include <gtest/gtest.h>

#include "sound_fixture.h"

namespace korel::test {
namespace {

// The colours of one bar row, as a string of 'k' black, 'b' blue, 'g' grey, '.' other.
std::string barRow(const Surface& s, const Rect& bar) {
    std::string out;
    for (int x = bar.left; x < bar.right; ++x) {
        uint8_t v = s.at(x, bar.top + 3);
        out += v == kMeterBlack ? 'k' : v == kMeterBlue ? 'b' : v == kMeterGrey ? 'g' : '.';
    }
    return out;
}

TEST(Meters, BeatMeterDrawsOnlyWhatChanged) {
    Surface canvas(300, 240, 99);
    ListenState listen;
    BeatMeterView view;
    Surface picture(300, 40, 5);
    view.indicatorPicture = &picture;
    drawBeatMeter(canvas, listen, view, 10, false);
    EXPECT_EQ(barRow(canvas, kBeatMeterBar), std::string(10, 'b') + std::string(54, '.'));
    EXPECT_EQ(canvas.at(kBeatIndicatorAt.x, kBeatIndicatorAt.y), 99) << "no beat, no light";
    drawBeatMeter(canvas, listen, view, 4, true);
    EXPECT_EQ(barRow(canvas, kBeatMeterBar), "bbbbkkkkkk" + std::string(54, '.'));
    EXPECT_EQ(canvas.at(kBeatIndicatorAt.x + 19, kBeatIndicatorAt.y + 19), 5);
    EXPECT_EQ(canvas.at(kBeatIndicatorAt.x + 20, kBeatIndicatorAt.y), 99);
    EXPECT_EQ(canvas.at(kBeatMeterBar.left, kBeatMeterBar.bottom), 99) << "inside the bar";

    // Listening off: grey background and no growth, though the level is remembered.
    view.listening = false;
    drawBeatMeter(canvas, listen, view, 64, false);
    EXPECT_EQ(listen.drawnBeatMeter, 64);
    drawBeatMeter(canvas, listen, view, 2, false);
    EXPECT_EQ(barRow(canvas, kBeatMeterBar), "bbgggggggg" + std::string(54, 'g'));
    // Collapsed controls: nothing drawn.
    view.expanded = false;
    Surface before = canvas;
    drawBeatMeter(canvas, listen, view, 30, true);
    EXPECT_EQ(listen.drawnBeatMeter, 30);
    EXPECT_TRUE(std::equal(before.data(), before.data() + before.byteSize(), canvas.data()));
}

TEST(Meters, ScaleMeterFollowsTheSoundScale) {
    Surface canvas(300, 240, 99);
    ListenState listen;
    listen.soundScale = 0.5;
    drawScaleMeter(canvas, listen);
    EXPECT_EQ(barRow(canvas, kScaleMeterBar), std::string(32, 'b') + std::string(32, '.'));
    listen.soundScale = 0.25;
    drawScaleMeter(canvas, listen);
    EXPECT_EQ(barRow(canvas, kScaleMeterBar),
              std::string(16, 'b') + std::string(16, 'k') + std::string(32, '.'));
}

TEST(Meters, SpectrographShowsTheToneAndKeepsTheMarkInside) {
    SoundRig rig;
    rig.devices.setSamples(tone(72, 100, 3));
    rig.start();
    rig.advance(700);
    analyseSound(rig.sound, rig.vs, rig.now());
    Surface canvas(300, 240, 99), work;
    drawSpectrograph(canvas, work, rig.sound, rig.vs);
    ASSERT_EQ(work.width(), 127);
    ASSERT_EQ(work.height(), 28);
    const int f = 13;  // 72 Hz
    // The column of the tone is drawn over the top; the mark's bar is at row 0.
    EXPECT_EQ(work.at(f, 27), kSpectrumYellow);
    EXPECT_EQ(work.at(f - 6, 0), kSpectrumYellow);
    EXPECT_EQ(work.at(f + 6, 0), kSpectrumYellow);
    EXPECT_EQ(work.at(f + 7, 0), kSpectrumOlive) << "the mark ends at F + 6";
    EXPECT_EQ(work.at(f, 5), kSpectrumYellow);
    EXPECT_EQ(work.at(f + 1, 5), kMeterBlack) << "a neighbour of the tone is tall too";
    EXPECT_EQ(work.at(120, 20), kSpectrumOlive) << "far columns stay low";
    for (int y = 0; y < 28; ++y) {
        for (int x = 0; x < 127; ++x) {
            ASSERT_EQ(canvas.at(kSpectrographAt.x + x, kSpectrographAt.y + y), work.at(x, y));
        }
    }
    EXPECT_EQ(canvas.at(kSpectrographAt.x + 127, kSpectrographAt.y), 99);

    // Silence: no bars; the mark lies on the bottom row.
    SoundRig quiet;
    quiet.start();
    quiet.advance(700);
    analyseSound(quiet.sound, quiet.vs, quiet.now());
    drawSpectrograph(canvas, work, quiet.sound, quiet.vs);
    EXPECT_EQ(work.at(f - 6, 27), kSpectrumYellow);
    EXPECT_EQ(work.at(f + 20, 27), kSpectrumOlive);
}

}  // namespace
}  // namespace korel::test
