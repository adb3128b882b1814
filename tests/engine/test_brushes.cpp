// Tests of brushes: the ".bru" loader, applying a brush, frame stepping, the beat frame, stamp
// counts, brush-effect scaling, clipping, the mask colour and trails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/brush.h"
#include "engine/brush_file.h"
#include "platform/files.h"
#include "support/test_services.h"

namespace korel {
namespace {

constexpr int lit(int v) {
    return literalField(uint8_t(v));
}

// A strip of `frames` frames of fw x h; frame k is painted 30 + k, except its top-left pixel,
// which is transparent.
Surface strip(int frames, int fw, int h) {
    Surface s(frames * fw, h);
    for (int k = 0; k < frames; ++k) {
        s.fillRect(Rect{k * fw, 0, (k + 1) * fw, h}, uint8_t(30 + k));
        s.set(k * fw, 0, kColourKey);
    }
    return s;
}

BrushFileContent stripBrush(int frames, int fw, int h) {
    BrushFileContent desc{strip(frames, fw, h)};
    desc.frameCount = frames;
    return desc;
}

// FNV-1a over the surface's pixels: a compact golden value for a picture.
uint32_t checksum(const Surface& s) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < s.byteSize(); ++i) h = (h ^ s.data()[i]) * 16777619u;
    return h;
}

class BrushTest : public ::testing::Test {
  protected:
    BrushTest() : state(defaultVisualState()) {
        createFolder(services.dataPath("Brushes"));
        WindowDesc desc{"Korel", "Korel Animation", Rect{0, 0, 320, 240}, false, false, true};
        services.display().animationWindow = services.platform().createWindow(desc);
        brushRange = makeBrushRange();
    }

    void write(const std::string& name, const Bytes& bytes) {
        ASSERT_EQ(writeFileReplacing(services.dataPath("Brushes/" + name + ".bru"), bytes), 0);
    }
    void loadContent(const BrushFileContent& desc, int slot = 0,
                     const std::string& name = "Sample") {
        Bytes file;
        ASSERT_TRUE(buildBrushFile(desc, file));
        write(name, file);
        ASSERT_TRUE(loadBrush(services, state, hooks, brushes, slot, name, {}));
        applyBrush(services, state, brushes, draw, brushRange, gradient, slot, 0);
    }
    // Puts the brush at (x, y) for every stamp: the start program places it, the stamp program
    // moves it by dx.
    void setMovement(int x, int y, int dx = 0, int stampInstruction = 0, int stampValue = 0) {
        MovementAsset& m = movements.slots[0];
        m = MovementAsset{};
        Bytes& start = m.programs.blocks[kStartProgram];
        appendInstruction(start, pf::xp, lit(x), 0, pf::ST);
        appendInstruction(start, pf::yp, lit(y), 0, pf::ST);
        if (stampInstruction) appendInstruction(start, 0, lit(stampValue), 0, stampInstruction);
        if (dx)
            appendInstruction(m.programs.blocks[kStampProgram], pf::xp, pf::xp, lit(dx), pf::SM);
        startMovement(movements, 0, movementInputs(services, state, &brushes.currentBrush(), 0, 0),
                      machine, services.random());
    }
    Rect drawOnce(int effectProgram = 0) {
        return drawBrush(services, state, brushes, draw, movements, machine, effect, fills,
                         DrawCall{effectProgram, true, 0.5});
    }
    Surface& surface() { return services.display().drawingSurface; }
    // The frame shown by the last stamp at (x, y).
    int frameAt(int x, int y) { return surface().at(x, y) - 30; }

    test::TestServices services;
    VisualState state;
    AssetHooks hooks;
    BrushSlots brushes;
    BrushDrawState draw;
    PaletteRange brushRange;
    Gradient gradient = defaultGradient();
    MovementSlots movements;
    MovementMachine machine;
    BrushEffect effect;
    FillSlots fills;
};

TEST_F(BrushTest, LoadsTheHeaderFramesAndOwnColours) {
    BrushFileContent desc;
    desc.colour = strip(4, 7, 5);
    desc.mask = Surface(28, 5, 0xFF);
    desc.frameCount = 4;
    desc.beatFrame = true;
    desc.palindrome = true;
    desc.ownColours = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    Bytes file;
    ASSERT_TRUE(buildBrushFile(desc, file));
    const int32_t maskLength = int32_t(getLe32(&file[bru::MaskLength]));
    loadContent(desc, 2, "Loaded");
    const BrushAsset& b = brushes.slots[2];
    EXPECT_EQ(b.frameWidth, 7);
    EXPECT_EQ(b.height, 5);
    EXPECT_EQ(b.cycleLength, 3);
    EXPECT_TRUE(b.beatFrame);
    EXPECT_TRUE(b.palindrome);
    EXPECT_EQ(b.parts, kPartColour | kPartMask);
    EXPECT_EQ(b.memorySize, 5 * (28 + int32_t(roundUp4(size_t(maskLength / 5)))));
    EXPECT_EQ((std::array{b.extentLeft, b.extentTop, b.extentRight, b.extentBottom}),
              (std::array{4, 3, 3, 2}));
    EXPECT_EQ(b.ownColourCount, 3);
    EXPECT_EQ(b.ownColours[2], (Rgb{7, 8, 9}));
    EXPECT_EQ(b.ownColours[89], (Rgb{7, 8, 9}));
    EXPECT_EQ(b.mask.width(), 28 + 7);
    EXPECT_EQ(b.colour.at(7, 0), kColourKey);
    EXPECT_EQ(b.colour.at(8, 0), 31);
    EXPECT_EQ(state.name(VisualState::brushName(2)), "Loaded");
    // The brush's own colours go to the brush range, and a mask is painted from the fill range.
    EXPECT_TRUE(brushRange.ownColours);
    EXPECT_EQ(brushRange.ownSource[0], (Rgb{1, 2, 3}));
    EXPECT_EQ(draw.maskColour, kFillRangeFirst);
    EXPECT_EQ(draw.beatFramePending, 1);

    loadContent(BrushFileContent{strip(1, 4, 4)}, 3, "Plain");
    EXPECT_FALSE(brushRange.ownColours);
    EXPECT_EQ(draw.maskColour, kBrushRangeFirst);
    EXPECT_EQ(draw.beatFramePending, 0);
}

TEST_F(BrushTest, FramesStepForwardPalindromeAndStayOnASingleFrame) {
    auto order = [&](int frames, bool palindrome, int stamps) {
        BrushFileContent desc{strip(frames, 6, 6)};
        desc.frameCount = frames;
        desc.palindrome = palindrome;
        loadContent(desc);
        std::vector<int> seen;
        for (int i = 0; i < stamps; ++i) {
            stampBrush(surface(), Rect{0, 0, 320, 240}, brushes.currentBrush(), draw, 50, 50, false,
                       1, true);
            seen.push_back(frameAt(50, 50));
        }
        return seen;
    };
    EXPECT_EQ(order(4, true, 9), (std::vector{0, 1, 2, 3, 2, 1, 0, 1, 2}));
    EXPECT_EQ(order(4, false, 6), (std::vector{0, 1, 2, 3, 0, 1}));
    EXPECT_EQ(order(1, false, 3), (std::vector{0, 0, 0}));
    EXPECT_EQ(order(1, true, 3), (std::vector{0, 0, 0}));
}

TEST_F(BrushTest, TheBeatFrameShowsOnlyOnABeatsDrawCall) {
    BrushFileContent desc{strip(5, 6, 6)};
    desc.frameCount = 5;
    desc.beatFrame = true;
    loadContent(desc);
    setMovement(50, 50);
    std::vector<int> seen;
    for (int i = 0; i < 10; ++i) {
        if (i == 2 || i == 7) armBeatFrame(draw);
        drawOnce();
        seen.push_back(frameAt(50, 50));
    }
    EXPECT_EQ(seen, (std::vector{0, 1, 4, 2, 3, 0, 1, 4, 2, 3}));
    EXPECT_EQ(draw.beatFramePending, 1);

    // A one-frame strip flagged with a beat frame keeps its frame in the cycle.
    BrushFileContent one{strip(1, 6, 6)};
    one.beatFrame = true;
    loadContent(one);
    EXPECT_EQ(brushes.currentBrush().cycleLength, 1);
    EXPECT_EQ(draw.beatFramePending, 0);
}

TEST_F(BrushTest, StampCountsSetHowOftenTheFrameAdvances) {
    BrushFileContent desc{strip(8, 6, 6)};
    desc.frameCount = 8;
    loadContent(desc);

    setMovement(20, 50, 40, pf::SI, 3);
    Rect r = drawOnce();
    EXPECT_EQ(r, (Rect{57, 47, 63 + 80, 53}));  // stamps at 60, 100, 140
    EXPECT_EQ(frameAt(60, 50) + frameAt(100, 50) + frameAt(140, 50), 0);
    EXPECT_EQ(draw.frameIndex, 1);  // only the last stamp advanced

    applyBrush(services, state, brushes, draw, brushRange, gradient, 0, 0);
    setMovement(20, 50, 40, pf::SE, 3);
    drawOnce();
    EXPECT_EQ((std::vector{frameAt(60, 50), frameAt(100, 50), frameAt(140, 50)}),
              (std::vector{0, 1, 2}));
    EXPECT_EQ(draw.frameIndex, 3);

    // Stamp count 0: one stamp, without running the stamp program.
    setMovement(20, 50, 40, pf::SI, 0);
    EXPECT_EQ(drawOnce(), (Rect{17, 47, 23, 53}));
    EXPECT_EQ(machine.x, 20);
}

TEST_F(BrushTest, BrushEffectsScaleStampsAndANonPositiveResultDrawsNothing) {
    loadContent(stripBrush(2, 10, 6));
    setMovement(100, 100);
    appendInstruction(effect.programs.blocks[2], pf::bs, 0, lit(1), pf::DF);  // -1
    const uint32_t before = checksum(surface());
    EXPECT_TRUE(drawOnce(2).empty());
    EXPECT_EQ(checksum(surface()), before);
    EXPECT_EQ(draw.frameIndex, 0);

    effect.programs.blocks[2].clear();
    appendInstruction(effect.programs.blocks[2], pf::bs, lit(2), 0, pf::ST);
    EXPECT_EQ(drawOnce(2), (Rect{90, 94, 110, 106}));
    EXPECT_EQ(surface().at(91, 95), 0);  // the transparent pixel, doubled
    EXPECT_EQ(surface().at(92, 94), 30);
    EXPECT_EQ(surface().at(90, 96), 30);
    EXPECT_EQ(surface().at(109, 105), 30);
    EXPECT_EQ(timedEffectProgram(effect), 2);
    EXPECT_EQ(beatEffectProgram(effect), 2);
}

TEST_F(BrushTest, StampsAreClippedScaledOrNot) {
    // A frame whose pixels tell their own column and row.
    Surface frame(10, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x) frame.set(x, y, uint8_t(30 + y * 10 + x));
    loadContent(BrushFileContent{frame});
    const Rect picture{0, 0, 320, 240};
    BrushAsset& b = brushes.currentBrush();

    Rect r = stampBrush(surface(), picture, b, draw, 2, 3.9, false, 1, false);
    EXPECT_EQ(r, (Rect{0, 0, 7, 6}));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 7; ++x) ASSERT_EQ(surface().at(x, y), frame.at(x + 3, y));

    r = stampBrush(surface(), picture, b, draw, 318, 238, false, 1, false);
    EXPECT_EQ(r, (Rect{313, 235, 320, 240}));
    for (int y = 235; y < 240; ++y)
        for (int x = 313; x < 320; ++x) ASSERT_EQ(surface().at(x, y), frame.at(x - 313, y - 235));

    // Scaled by 2 at the corner: the clipped half of the frame, each pixel doubled.
    surface().fill(0);
    r = stampBrush(surface(), picture, b, draw, 0, 0, true, 2, false);
    EXPECT_EQ(r, (Rect{0, 0, 10, 6}));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(surface().at(x, y), frame.at(5 + x / 2, 3 + y / 2));

    // Entirely outside, or at a position a program made absurd: nothing.
    EXPECT_TRUE(stampBrush(surface(), picture, b, draw, -50, 10, false, 1, false).empty());
    EXPECT_TRUE(
        stampBrush(surface(), picture, b, draw, 1e300, std::nan(""), true, 1e300, false).empty());
    EXPECT_EQ(stampBrush(surface(), picture, b, draw, 160, 120, true, 1e-300, false), Rect{});
}

TEST_F(BrushTest, MaskColourCyclesOncePerDrawCall) {
    BrushFileContent desc;
    desc.mask = Surface(8, 4, 0);
    desc.mask.fillRect(Rect{2, 0, 6, 4}, 0xFF);
    loadContent(desc);
    setMovement(50, 50);
    surface().fill(7);
    drawOnce();
    EXPECT_EQ(surface().at(48, 50), 110);
    EXPECT_EQ(surface().at(46, 50), 7);  // mask 0 is transparent
    drawOnce();
    EXPECT_EQ(surface().at(48, 50), 109);
    for (int i = 0; i < 88; ++i) drawOnce();
    EXPECT_EQ(draw.maskColour, 21);

    desc.ownColours = {{9, 9, 9}};
    loadContent(desc);
    drawOnce();
    EXPECT_EQ(surface().at(48, 50), 200);
    drawOnce();
    EXPECT_EQ(draw.maskColour, 199);
}

TEST_F(BrushTest, TrailsOffRestoreTheTiledBackgroundUnderThePreviousStamps) {
    FillAsset& tile = fills.slots[0];
    tile.kind = fil::kTileTag;
    tile.surface.resize(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) tile.surface.set(x, y, uint8_t(111 + (x * 3 + y) % 90));
    tile.source = Rect{0, 0, 16, 16};
    tile.loaded = true;
    drawBackground(services, fills);
    const Surface background = surface();

    loadContent(stripBrush(3, 12, 12));
    state.setSwitch(vs::kSwitchTrails, false);
    setMovement(60, 100, 45);
    drawOnce();  // at 105
    services.copied.clear();
    const Rect second = drawOnce();  // at 150: the first stamp's area is restored
    EXPECT_EQ(second, (Rect{144, 94, 156, 106}));
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            if (!second.contains(x, y)) {
                ASSERT_EQ(surface().at(x, y), background.at(x, y));
            }
    // Apart rectangles are copied to the window one by one, overlapping ones as their union.
    EXPECT_EQ(services.copied, (std::vector{Rect{99, 94, 111, 106}, second}));
    setMovement(150, 100, 5);
    drawOnce();
    services.copied.clear();
    drawOnce();
    EXPECT_EQ(services.copied, (std::vector{Rect{149, 94, 166, 106}}));
    EXPECT_EQ(checksum(surface()), 0x8BB14A00u) << std::hex << checksum(surface());

    // With trails on the stamps stay, except for a brush whose name begins with "@".
    state.setSwitch(vs::kSwitchTrails, true);
    drawBackground(services, fills);
    setMovement(60, 100, 45);
    drawOnce();
    drawOnce();
    EXPECT_NE(surface().at(105, 100), background.at(105, 100));
    Bytes file;
    ASSERT_TRUE(buildBrushFile(stripBrush(3, 12, 12), file));
    write("@Ghost", file);
    ASSERT_TRUE(loadBrush(services, state, hooks, brushes, 1, "@Ghost", {}));
    applyBrush(services, state, brushes, draw, brushRange, gradient, 1, 0);
    drawBackground(services, fills);
    setMovement(60, 100, 45);
    drawOnce();
    drawOnce();
    EXPECT_EQ(surface().at(105, 100), background.at(105, 100));
}

TEST_F(BrushTest, GoldenStampOverAPlainBackground) {
    Surface colour(40, 20, kColourKey);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            if ((x % 20 - 10) * (x % 20 - 10) + (y - 10) * (y - 10) < 80)
                colour.set(x, y, uint8_t(21 + (x + y) % 90));
    BrushFileContent desc{colour};
    desc.mask = Surface(40, 20, 0);
    desc.mask.fillRect(Rect{0, 8, 40, 12}, 0xFF);
    desc.frameCount = 2;
    loadContent(desc);
    setMovement(100, 80, 23, pf::SE, 4);
    for (int i = 0; i < 3; ++i) drawOnce();
    EXPECT_EQ(checksum(surface()), 0x4D50B756u) << std::hex << checksum(surface());
}

TEST_F(BrushTest, BadFilesReportAndKeepThePreviousBrush) {
    BrushFileContent desc{strip(3, 8, 8)};
    desc.mask = Surface(24, 8, 0xFF);
    desc.mask.fillRect(Rect{3, 2, 20, 5}, 0);
    desc.frameCount = 3;
    desc.ownColours = {{1, 1, 1}, {2, 2, 2}};
    Bytes good;
    ASSERT_TRUE(buildBrushFile(desc, good));
    loadContent(desc, 0, "Good");
    const uint32_t pixels = checksum(brushes.slots[0].colour);

    // Every truncation fails and leaves the brush.
    for (size_t cut = 1; cut < good.size(); ++cut) {
        BrushAsset kept = brushes.slots[0];
        ASSERT_NE(decodeBrush(std::span(good.data(), cut), 0, kept), nullptr) << cut;
        EXPECT_EQ(checksum(kept.colour), pixels);
    }
    struct Corruption {
        size_t offset;
        std::vector<uint8_t> bytes;
        const char* message;
    };
    const size_t fb = bru::kHeaderSize;
    const Corruption corruptions[] = {
        {0, {'X'}, kNotValidFile},
        {bru::TotalWidth, {0xFF, 0xFF}, kNotValidFile},            // negative width
        {bru::Height, {0, 0}, kNotValidFile},                      // no height
        {bru::ColourLength, {0, 0, 0, 0x80}, kNotValidFile},       // negative length
        {bru::ColourLength, {0, 0, 0, 0}, kNotValidFile},          // the mask would start early
        {bru::ColourLength, {0xFF, 0xFF, 0, 0}, kEndOfFileError},  // past the end of the file
        {bru::OwnColourCount, {91}, kNotValidFile},
        {bru::FrameBlockLength, {7}, kNotValidFile},
        {bru::FrameBlockLength, {255}, kEndOfFileError},
        {bru::IconLength, {0xFF, 0x7F}, kNotValidFile},  // longer than the image offset
        {bru::ImageOffset, {0xFF, 0xFF}, kNotValidFile},
        {bru::ImageOffset, {0xFF, 0x7F}, kEndOfFileError},
        {fb + bru::FrameCount, {0, 0}, kNotValidFile},
        {fb + bru::FrameCount, {25, 0}, kNotValidFile},   // frames narrower than a pixel
        {bru::MaskStorage, {0xFF}, kNotValidFile},        // run-coded bytes read as plain rows
        {bru::TotalWidth, {0x30, 0x75}, kNoMemoryBrush},  // 30000 x 30000
        {bru::Height, {0x30, 0x05}, kNotValidFile},       // more rows than the data can hold
    };
    for (const Corruption& c : corruptions) {
        Bytes bad = good;
        if (c.offset == bru::TotalWidth && c.message == kNoMemoryBrush)
            putLe16(&bad[bru::Height], 30000);
        std::copy(c.bytes.begin(), c.bytes.end(), bad.begin() + long(c.offset));
        BrushAsset kept;
        EXPECT_EQ(std::string(decodeBrush(bad, 0, kept) ?: "ok"), c.message) << c.offset;
    }
    // Random damage never gets past the checks into bad memory (run under the sanitizers).
    Random random;
    for (int i = 0; i < 3000; ++i) {
        Bytes bad = good;
        for (int k = 0; k < 1 + i % 4; ++k)
            bad[size_t(random.below(int(bad.size())))] ^= uint8_t(1 + random.below(255));
        BrushAsset out;
        decodeBrush(bad, 0, out, nullptr, nullptr, 1 << 20);
    }

    Bytes badTag = good;
    badTag[0] = 'F';
    write("Bad", badTag);
    EXPECT_FALSE(loadBrush(services, state, hooks, brushes, 0, "Bad", {}));
    EXPECT_EQ(services.alerts.back(), "Not a valid file!");
    write("Short", Bytes(good.begin(), good.end() - 1));
    EXPECT_FALSE(loadBrush(services, state, hooks, brushes, 0, "Short", {}));
    EXPECT_EQ(services.alerts.back(), "End of file error!");
    EXPECT_EQ(checksum(brushes.slots[0].colour), pixels);
    EXPECT_EQ(state.name(VisualState::brushName(0)), "Good");

    // Too big: refused outside start-up, the slot emptied during it.
    Bytes huge = good;
    putLe16(&huge[bru::TotalWidth], 30000);
    putLe16(&huge[bru::Height], 30000);
    write("Huge", huge);
    EXPECT_FALSE(loadBrush(services, state, hooks, brushes, 0, "Huge", {}));
    EXPECT_EQ(services.alerts.back(), "Not enough memory to load brush!");
    EXPECT_EQ(brushes.slots[0].parts, kPartColour | kPartMask);
    services.shell().startingUp = true;
    EXPECT_FALSE(loadBrush(services, state, hooks, brushes, 0, "Huge", {}));
    EXPECT_EQ(brushes.slots[0].parts, 0);
    EXPECT_EQ(state.name(VisualState::brushName(0)), "(None)");
    services.shell().startingUp = false;

    LoadOptions reset;
    reset.resetAttachments = true;
    state.set(VisualState::attachment(4) + att::Gradient, 2);
    EXPECT_FALSE(loadBrush(services, state, hooks, brushes, 4, "Missing", reset));
    EXPECT_EQ(services.alerts.back(), "Unable to open or find brush!");
    EXPECT_EQ(state.name(VisualState::brushName(4)), "(None)");
    EXPECT_EQ(state.get(VisualState::attachment(4) + att::Gradient), kNone80);
    EXPECT_EQ(brushes.slots[4].cycleLength, 1);
    // An empty slot draws nothing but still has a rectangle.
    applyBrush(services, state, brushes, draw, brushRange, gradient, 4, 0);
    EXPECT_TRUE(
        stampBrush(surface(), Rect{0, 0, 320, 240}, brushes.slots[4], draw, 5, 5, false, 1, true)
            .empty());
    EXPECT_EQ(brushInterval(0), 2147483647u);
    EXPECT_EQ(brushInterval(40), 25u);
}

}  // namespace
}  // namespace korel
