// Tests of the ".fil" loader, the stretch and crop rules, tiles and background restores.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/coded_image.h"
#include "engine/fill.h"
#include "engine/gradient.h"
#include "platform/files.h"
#include "support/test_services.h"

namespace korel {
namespace {

using test::TestServices;

// A fill-range pattern that differs between neighbouring pixels in both directions.
uint8_t pattern(int x, int y) {
    return uint8_t(111 + (x + 3 * y) % 90);
}

Surface patterned(int w, int h) {
    Surface s(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.row(y)[x] = pattern(x, y);
    return s;
}

Bytes fillFile(uint8_t kind, const Surface& image, std::vector<Rgb> own = {}) {
    Bytes icon, code;
    EXPECT_TRUE(encodeCodedImage(Surface(fil::kIconWidth, fil::kIconHeight, 150), icon));
    EXPECT_TRUE(encodeCodedImage(image, code));
    const size_t offset = fil::kHeaderSize + 3 * own.size() + icon.size();
    Bytes b(fil::kHeaderSize, 0);
    b[fil::Kind] = kind;
    b[1] = 3;
    b[2] = 1;
    putLe16(&b[fil::Width], uint16_t(image.width()));
    putLe16(&b[fil::Height], uint16_t(image.height()));
    putLe32(&b[fil::ImageLength], uint32_t(code.size()));
    b[fil::OwnColourCount] = uint8_t(own.size());
    putLe16(&b[fil::IconLength], uint16_t(icon.size()));
    putLe16(&b[fil::ImageOffset], uint16_t(offset));
    for (const Rgb& c : own) b.insert(b.end(), {c.r, c.g, c.b});
    b.insert(b.end(), icon.begin(), icon.end());
    b.insert(b.end(), code.begin(), code.end());
    return b;
}

struct FillFixture {
    explicit FillFixture(int w = 1024, int h = 768) : s(Edition::LIVE, w, h) {
        state = defaultVisualState();
        EXPECT_EQ(createFolders(s.dataPath("Fills")), 0);
    }
    void write(const std::string& name, const Bytes& b) {
        ASSERT_EQ(writeFileReplacing(joinPath(s.dataPath("Fills"), name + ".fil"), b), 0);
    }
    bool load(int slot, const std::string& name, LoadOptions o = {}) {
        return loadFill(s, state, hooks, fills, slot, name, o);
    }
    void apply(int slot) { applyFill(s, state, fills, fillRange, gradient, slot, 0); }
    Surface& surface() { return s.display().drawingSurface; }

    TestServices s;
    VisualState state;
    AssetHooks hooks;
    FillSlots fills;
    PaletteRange fillRange = makeFillRange();
    Gradient gradient = defaultGradient();
};

TEST(FillTiles, GridNumbers) {
    TileGrid t = tileGrid(512, 384, 100, 100);
    EXPECT_EQ(t.columns, 12);
    EXPECT_EQ(t.rows, 8);
    EXPECT_EQ(t.x0, -88);
    EXPECT_EQ(t.y0, -16);
}

TEST(FillTiles, WholeBackgroundAndRestores) {
    FillFixture f;
    f.write("Quilt", fillFile('T', patterned(100, 100)));
    ASSERT_TRUE(f.load(1, "Quilt"));
    EXPECT_EQ(f.fills.slots[1].surface.width(), 100);
    f.apply(1);
    auto expected = [](int x, int y) { return pattern((x + 88) % 100, (y + 16) % 100); };
    for (int y = 0; y < 768; y += 7)
        for (int x = 0; x < 1024; x += 3)
            ASSERT_EQ(f.surface().at(x, y), expected(x, y)) << x << "," << y;

    // Scribbled rectangles come back exactly, including one left of the centre on a grid line
    // and one reaching past the picture.
    for (Rect r : {Rect{412, 300, 470, 350}, Rect{0, 0, 37, 801}, Rect{500, 380, 530, 390},
                   Rect{980, 700, 1100, 900}, Rect{-50, -50, 5, 5}}) {
        f.surface().fillRect(r, 3);
        restoreBackground(f.s, f.fills, r);
        Rect c = intersect(r, f.surface().bounds());
        for (int y = c.top; y < c.bottom; ++y)
            for (int x = c.left; x < c.right; ++x) ASSERT_EQ(f.surface().at(x, y), expected(x, y));
    }
    // The fill range follows the gradient: this fill has no colours of its own.
    EXPECT_FALSE(f.fillRange.ownColours);
}

TEST(FillFull, StretchedAndCropped) {
    FillFixture f;
    f.write("Small", fillFile('F', patterned(640, 480)));
    f.write("Large", fillFile('F', patterned(1280, 1024)));
    ASSERT_TRUE(f.load(0, "Small"));
    ASSERT_TRUE(f.load(2, "Large"));

    const FillAsset& small = f.fills.slots[0];
    EXPECT_EQ(small.surface.width(), 1024);
    EXPECT_EQ(small.surface.height(), 768);
    EXPECT_EQ(small.source, (Rect{0, 0, 1024, 768}));
    EXPECT_EQ(small.memorySize, 1024 * 768);
    f.apply(0);
    for (int y = 0; y < 768; y += 11)
        for (int x = 0; x < 1024; x += 5)
            ASSERT_EQ(f.surface().at(x, y), pattern(x * 639 / 1024, y * 479 / 768));

    const FillAsset& large = f.fills.slots[2];
    EXPECT_EQ(large.source, (Rect{128, 128, 1152, 896}));
    f.apply(2);
    for (int y = 0; y < 768; y += 13)
        for (int x = 0; x < 1024; x += 7)
            ASSERT_EQ(f.surface().at(x, y), pattern(x + 128, y + 128));
    f.surface().fillRect(Rect{10, 10, 60, 60}, 2);
    restoreBackground(f.s, f.fills, Rect{10, 10, 60, 60});
    EXPECT_EQ(f.surface().at(30, 40), pattern(158, 168));
}

TEST(FillFull, WiderOnlyKeepsOriginAndBlackensTheRest) {
    FillFixture f(320, 240);
    f.write("Band", fillFile('F', patterned(400, 100)));
    ASSERT_TRUE(f.load(0, "Band"));
    EXPECT_EQ(f.fills.slots[0].source, (Rect{0, 0, 400, 100}));
    f.surface().fill(7);
    f.apply(0);
    EXPECT_EQ(f.surface().at(319, 99), pattern(319, 99));
    EXPECT_EQ(f.surface().at(10, 150), 0);
}

TEST(FillSlots, EmptyOwnColoursAndReload) {
    FillFixture f(800, 600);
    f.surface().fill(9);
    f.apply(0);  // slot 0 is empty
    EXPECT_EQ(f.surface().at(400, 300), 0);
    f.surface().fill(9);
    restoreBackground(f.s, f.fills, Rect{5, 5, 20, 20});
    EXPECT_EQ(f.surface().at(10, 10), 0);
    EXPECT_EQ(f.surface().at(30, 30), 9);

    f.write("Own", fillFile('T', patterned(30, 20), {{1, 2, 3}, {40, 50, 60}}));
    ASSERT_TRUE(f.load(3, "Own"));
    EXPECT_EQ(f.fills.slots[3].ownColourCount, 2);
    EXPECT_EQ(f.fills.slots[3].ownColours[89], (Rgb{40, 50, 60}));
    f.apply(3);
    EXPECT_TRUE(f.fillRange.ownColours);
    EXPECT_EQ(f.s.display().palette[111], (PaletteEntry{1, 2, 3, kRangeFlags}));
    f.apply(0);
    EXPECT_FALSE(f.fillRange.ownColours);
    EXPECT_EQ(f.s.display().palette[111], (PaletteEntry{255, 0, 0, kRangeFlags}));

    // After a size change every slot is loaded again for the new picture.
    f.write("Big", fillFile('F', patterned(700, 500)));
    f.state.setName(VisualState::fillName(4), "Big");
    f.state.setName(VisualState::fillName(3), "Own");
    f.s.display().drawingSurface.resize(1024, 768);
    f.s.display().windowRect = Rect{0, 0, 1024, 768};
    reloadAllFills(f.s, f.state, f.fills);
    EXPECT_EQ(f.fills.slots[4].surface.width(), 1024);
    EXPECT_TRUE(f.fills.slots[3].loaded);
    EXPECT_FALSE(f.fills.slots[0].loaded);
}

TEST(FillFiles, BadTruncatedAndHostile) {
    FillFixture f(320, 240);
    f.write("Good", fillFile('T', patterned(16, 16)));
    ASSERT_TRUE(f.load(1, "Good"));
    const Surface good = f.fills.slots[1].surface;

    Bytes base = fillFile('T', patterned(16, 16));
    Bytes badTag = base;
    badTag[0] = 'B';
    Bytes truncated(base.begin(), base.end() - 5);
    Bytes negative = base;
    putLe16(&negative[fil::Width], uint16_t(-16));
    Bytes tooManyColours = base;
    tooManyColours[fil::OwnColourCount] = 91;
    Bytes overlap = base;
    putLe16(&overlap[fil::ImageOffset], 20);
    Bytes narrower = base;  // the code now overruns each row of a 15-pixel image
    putLe16(&narrower[fil::Width], 15);
    Bytes huge = base;
    putLe16(&huge[fil::Width], 32000);
    putLe16(&huge[fil::Height], 32000);
    Bytes header(base.begin(), base.begin() + 10);

    const std::vector<std::pair<Bytes, std::string>> cases = {
        {badTag, "Not a valid file!"},
        {truncated, "End of file error!"},
        {negative, "Not a valid file!"},
        {tooManyColours, "Not a valid file!"},
        {overlap, "Not a valid file!"},
        {narrower, "Not a valid file!"},
        {huge, "Not enough memory to load fill!"},
        {header, "End of file error!"},
        {Bytes{}, "Not a valid file!"},
    };
    for (const auto& [bytes, message] : cases) {
        f.s.alerts.clear();
        f.write("Broken", bytes);
        EXPECT_FALSE(f.load(1, "Broken")) << message;
        EXPECT_EQ(f.s.alerts, std::vector<std::string>{message});
        EXPECT_TRUE(f.fills.slots[1].loaded);
        EXPECT_EQ(f.fills.slots[1].surface.data()[5], good.data()[5]);
        EXPECT_EQ(f.state.name(VisualState::fillName(1)), "Good");
    }

    // Not enough memory during start-up empties the slot instead.
    f.s.shell().startingUp = true;
    f.write("Broken", huge);
    EXPECT_FALSE(f.load(1, "Broken"));
    EXPECT_FALSE(f.fills.slots[1].loaded);

    // A file that cannot be opened empties the slot and names it "(None)".
    f.s.shell().startingUp = false;
    ASSERT_TRUE(f.load(2, "Good"));
    f.s.alerts.clear();
    EXPECT_FALSE(f.load(2, "Gone"));
    EXPECT_FALSE(f.fills.slots[2].loaded);
    EXPECT_EQ(f.state.name(VisualState::fillName(2)), "(None)");
    EXPECT_EQ(f.s.alerts, std::vector<std::string>{"Unable to open or find fill!"});
}

}  // namespace
}  // namespace korel
