// The art, picture and song generators: the colour code, the bitmap and PNG forms, the designs'
// use of the shade range and the demo song's beat at the listening frequency.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "library/gen/demo_song.h"
#include "library/gen/designs.h"
#include "library/gen/png_writer.h"

namespace korel::art {
namespace {

TEST(ColourCode, ShadeIntensityMapsBackToItsPositionAtOneSection) {
    for (int p = 0; p < kShadePositions; ++p) {
        const int v = shadeIntensity(p);
        ASSERT_GE(v, 1) << p;  // never black
        EXPECT_EQ(90 * (255 - v) / 255, p) << "position " << p;
    }
    EXPECT_EQ(Ink::shade(-1).position, 89);
    EXPECT_EQ(Ink::shade(180.5).position, 0);
}

TEST(ColourCode, FixedColoursStayOffTheReservedCodes) {
    EXPECT_EQ(paintColour(Ink::fixed({255, 255, 255})), (Rgb{255, 255, 254}));
    EXPECT_EQ(paintColour(Ink::fixed({0, 0, 0})), (Rgb{0, 0, 1}));
    EXPECT_NE(paintColour(Ink::fixed({0, 0, 255})), (Rgb{0, 0, 255}));
    EXPECT_EQ(paintColour(Ink::fixed({200, 30, 40})), (Rgb{200, 30, 40}));
    EXPECT_EQ(paintColour(Ink::mask()), (Rgb{0, 0, 255}));
    EXPECT_EQ(paintColour(Ink::clear()), (Rgb{255, 255, 255}));
}

TEST(Bitmap, RoundTripsAndRejectsDamage) {
    Image24 img(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) img.at(x, y) = Rgb{uint8_t(x * 40), uint8_t(y * 90), 7};
    const Bytes bmp = encodeBmp24(img);
    ASSERT_EQ(bmp.size(), 54u + 3 * 16);  // 15 bytes a row padded to 16
    EXPECT_EQ(getLe32(bmp.data() + 2), bmp.size());
    Image24 back;
    ASSERT_TRUE(decodeBmp24(bmp, back));
    EXPECT_EQ(back.pixels, img.pixels);
    const Bytes shortFile(bmp.begin(), bmp.end() - 1);
    EXPECT_FALSE(decodeBmp24(shortFile, back));
    Bytes wrongDepth = bmp;
    wrongDepth[28] = 8;
    EXPECT_FALSE(decodeBmp24(wrongDepth, back));
}

TEST(Png, ChecksumsAndLayout) {
    const uint8_t iend[] = {'I', 'E', 'N', 'D'};
    EXPECT_EQ(crc32(iend), 0xAE426082u);
    const std::string wiki = "Wikipedia";
    EXPECT_EQ(adler32(std::span(reinterpret_cast<const uint8_t*>(wiki.data()), wiki.size())),
              0x11E60398u);
    // Large enough for two stored blocks.
    Image24 img(200, 120, Rgb{1, 2, 3});
    const Bytes png = encodePng(img);
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(png[1], 'P');
    EXPECT_EQ(getBe16(png.data() + 16) << 16 | getBe16(png.data() + 18), 200u);  // IHDR width
    const size_t raw = 120 * (200 * 3 + 1);
    // Signature, IHDR, IDAT with zlib header, block headers and trailer, IEND.
    EXPECT_EQ(png.size(), 8 + 25 + 12 + 2 + raw + 2 * 5 + 4 + 12);
}

TEST(Designs, NamesAndShapesFitTheConverter) {
    std::set<std::string> names;
    for (const auto& b : brushDesigns()) {
        EXPECT_LE(b.name.size(), 15u) << b.name;
        EXPECT_TRUE(names.insert(b.name).second) << b.name;
        EXPECT_FALSE(std::isdigit(static_cast<unsigned char>(b.name.back()))) << b.name;
        EXPECT_GE(b.frames, 1);
        if (b.settings.beatFrame) {
            EXPECT_GE(b.frames, 2) << b.name;
        }
    }
    for (const auto& f : fillDesigns()) {
        EXPECT_LE(f.name.size(), 15u) << f.name;
        EXPECT_TRUE(names.insert(f.name).second) << f.name;
        EXPECT_TRUE(f.settings.fill);
    }
    EXPECT_GE(brushDesigns().size(), 16u);
    EXPECT_GE(fillDesigns().size(), 8u);
}

// Palette rotation only flows through a picture that uses many shade positions; pictures in
// fixed colours must keep within the converter's 90.
TEST(Designs, UseTheShadeRangeOrAtMostNinetyFixedColours) {
    // Small sprites have fewer distinct distances to shade by.
    auto check = [](const std::string& name, const InkImage& img, bool fixed, bool small = false) {
        std::set<int> positions;
        std::set<std::tuple<int, int, int>> colours;
        for (const Ink& ink : img.inks) {
            if (ink.kind == Ink::Shade || ink.kind == Ink::Shade2) positions.insert(ink.position);
            if (ink.kind == Ink::Fixed) {
                const Rgb c = paintColour(ink);
                colours.insert({c.r, c.g, c.b});
            }
        }
        if (fixed) {
            EXPECT_LE(colours.size(), 90u) << name;
            EXPECT_GE(colours.size(), 8u) << name;
        } else {
            EXPECT_GE(positions.size(), small ? 16u : 40u) << name;
        }
    };
    for (const auto& b : brushDesigns())
        check(b.name, drawBrush(b), b.settings.fixedColours, b.frameWidth < 40);
    for (const auto& f : fillDesigns()) check(f.name, drawFill(f), f.settings.fixedColours);
}

// The magnitude at f over a window of whole periods ending at `end`, on the mono mix resampled
// to 11025 Hz, as the listening analysis sums it (the analysis divides by a slowly decaying
// peak, nearly constant over one beat, so raw magnitudes compare the same way).
double magnitudeAt(const std::vector<double>& mono, size_t end, double f) {
    const int period = int(11025 / f);
    const int n = (600 / period) * period;
    double a = 0, b = 0;
    for (int i = 0; i < n; ++i) {
        const double x = mono[end - size_t(n) + size_t(i)];
        const double theta = 2 * 3.14159265358979 * i / period;
        a += std::cos(theta) * x;
        b += std::sin(theta) * x;
    }
    return std::sqrt(a * a + b * b) / n;
}

TEST(DemoSong, BeatsRiseAtTheListeningFrequency) {
    SongPlan plan;
    plan.bars = 12;  // intro and the start of the groove are enough here
    const SongAudio song = synthesiseSong(plan);
    ASSERT_EQ(song.channels, 2);
    std::vector<double> mono;
    for (size_t i = 0; i + 7 < song.samples.size(); i += 8)
        mono.push_back((song.samples[i] + song.samples[i + 1]) / 2);
    int rises = 0, kicks = 0;
    for (int beat = 0; beat < plan.bars * 4; ++beat) {
        if (!kickOnBeat(plan, beat)) continue;
        ++kicks;
        const size_t at = size_t((beatTime(plan, beat) + 0.07) * 11025);
        const size_t before = size_t((beatTime(plan, beat) - 0.02) * 11025);
        if (before < 700) continue;
        if (magnitudeAt(mono, at, 72) > 2 * magnitudeAt(mono, before, 72)) ++rises;
    }
    EXPECT_EQ(kicks, (plan.bars - 4) * 4);
    EXPECT_GE(rises, kicks - 2);
}

TEST(DemoSong, FullPlanLastsTwoToThreeMinutesAndWritesValidWav) {
    const SongPlan plan;
    const double seconds = beatTime(plan, plan.bars * 4);
    EXPECT_GE(seconds, 120);
    EXPECT_LE(seconds, 180);
    SongAudio tiny;
    tiny.samples = {0.0f, 1.0f, -1.0f, 2.0f};
    const Bytes wav = encodeWav16(tiny);
    ASSERT_EQ(wav.size(), 44u + 8);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(getLe32(wav.data() + 24), 44100u);
    EXPECT_EQ(getLe32(wav.data() + 40), 8u);
    EXPECT_EQ(int16_t(getLe16(wav.data() + 46)), 32767);
    EXPECT_EQ(int16_t(getLe16(wav.data() + 48)), -32767);
    EXPECT_EQ(int16_t(getLe16(wav.data() + 50)), 32767);  // clipped
}

}  // namespace
}  // namespace korel::art
