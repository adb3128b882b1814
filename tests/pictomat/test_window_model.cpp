// The converter window's logic: preview fitting and sampling, the field rules, opening bad
// bitmaps, Blue Mask automation, the preview's colours and saving.
#include <gtest/gtest.h>

#include <filesystem>

#include "bmp_fixture.h"
#include "engine/brush.h"
#include "pictomat/window_model.h"
#include "platform/files.h"
#include "support/test_services.h"

using namespace korel;
using namespace korel::pictomat;
using test::makeBmp;
using test::solidBmp;

namespace {

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};

bool same(const Rgb& a, const Rgb& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

Rgb previewAt(const WindowModel& m, int x, int y) {
    return m.preview()[size_t(y) * kPreviewWidth + size_t(x)];
}

// A bitmap whose every pixel tells where it came from.
Bitmap numbered(int w, int h) {
    Bitmap b;
    b.width = w;
    b.height = h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.pixels.push_back(Rgb{uint8_t(x), uint8_t(y), 7});
    return b;
}

bool writeBytes(const std::string& path, const Bytes& bytes) {
    return writeFileReplacing(path, bytes) == 0;
}

}  // namespace

TEST(Preview, FitsTwiceAsWideWiderAndTaller) {
    struct Case {
        int w, h;
        PreviewFit want;
    };
    const Case cases[] = {
        {200, 100, {0, 0, 192, 96}},   // twice as wide as high, larger than the preview
        {100, 50, {46, 23, 100, 50}},  // twice as wide, smaller: kept at its size
        {300, 100, {0, 16, 192, 64}},  // wider: full width, height scaled
        {60, 20, {66, 38, 60, 20}},    // wider and small
        {50, 100, {72, 0, 48, 96}},    // taller: full height, width scaled
        {30, 30, {81, 33, 30, 30}},    // square and small
        {1000, 1, {0, 47, 192, 1}},    // never thinner than a pixel
    };
    for (const Case& c : cases) {
        const PreviewFit f = fitPreview(c.w, c.h);
        EXPECT_EQ(f.x, c.want.x) << c.w << "x" << c.h;
        EXPECT_EQ(f.y, c.want.y) << c.w << "x" << c.h;
        EXPECT_EQ(f.width, c.want.width) << c.w << "x" << c.h;
        EXPECT_EQ(f.height, c.want.height) << c.w << "x" << c.h;
    }
}

TEST(Preview, SamplesPixelCentresOfTheFirstFrame) {
    bool blue = true;
    // Shrinking 4 x 2 to 2 x 1 takes row 1 and columns 1 and 3.
    auto s = samplePreview(numbered(4, 2), 1, PreviewFit{0, 0, 2, 1}, blue);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_TRUE(same(s[0], Rgb{1, 1, 7}));
    EXPECT_TRUE(same(s[1], Rgb{3, 1, 7}));
    EXPECT_FALSE(blue);
    // Enlarging 2 x 1 to 4 x 2 repeats each pixel.
    s = samplePreview(numbered(2, 1), 1, PreviewFit{0, 0, 4, 2}, blue);
    ASSERT_EQ(s.size(), 8u);
    const int cols[] = {0, 0, 1, 1, 0, 0, 1, 1};
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(s[i].r, cols[i]) << i;
    // Two frames of 3: only the first is sampled.
    s = samplePreview(numbered(6, 3), 2, PreviewFit{0, 0, 3, 3}, blue);
    for (const Rgb& p : s) EXPECT_LT(p.r, 3);

    // Pure blue counts only where a sample falls.
    Bitmap b = numbered(4, 2);
    b.pixels[0] = kBlue;  // (0, 0) is between samples
    samplePreview(b, 1, PreviewFit{0, 0, 2, 1}, blue);
    EXPECT_FALSE(blue);
    b.pixels[4 + 3] = kBlue;  // (3, 1) is sampled
    samplePreview(b, 1, PreviewFit{0, 0, 2, 1}, blue);
    EXPECT_TRUE(blue);
}

TEST(Fields, DigitsOnlyThreeAtMostAndCorrections) {
    WindowModel m;
    EXPECT_EQ(m.fieldText(Field::Sections1), "2");
    EXPECT_EQ(m.fieldText(Field::Sections2), "2");
    EXPECT_EQ(m.fieldText(Field::Frames), "1");
    EXPECT_EQ(m.fieldText(Field::Multiply), "1");
    EXPECT_EQ(m.fieldText(Field::Total), "1");
    EXPECT_EQ(m.status(), "First open bitmap file.");
    EXPECT_EQ(m.title(), "Pictomat");

    EXPECT_FALSE(m.typeKey(Field::Sections1, 'a'));
    EXPECT_FALSE(m.typeKey(Field::Sections1, '-'));
    EXPECT_EQ(m.fieldText(Field::Sections1), "2");
    EXPECT_TRUE(m.typeKey(Field::Sections1, '5'));
    EXPECT_TRUE(m.typeKey(Field::Sections1, '0'));
    EXPECT_EQ(m.fieldText(Field::Sections1), "250");
    EXPECT_FALSE(m.typeKey(Field::Sections1, '1'));  // a fourth digit
    EXPECT_EQ(m.fieldText(Field::Sections1), "250");
    EXPECT_FALSE(m.setFieldText(Field::Sections1, "12a"));
    EXPECT_FALSE(m.setFieldText(Field::Sections1, "1234"));

    // 0 sections shows as 1, and so does M = 0; an emptied field may be typed into again.
    EXPECT_TRUE(m.typeKey(Field::Sections2, '\b'));
    EXPECT_EQ(m.fieldText(Field::Sections2), "");
    EXPECT_EQ(m.settings().sections2, 1);
    EXPECT_TRUE(m.typeKey(Field::Sections2, '0'));
    EXPECT_EQ(m.fieldText(Field::Sections2), "1");
    EXPECT_TRUE(m.setFieldText(Field::Multiply, "5"));
    EXPECT_TRUE(m.setFieldText(Field::Multiply, "000"));
    EXPECT_EQ(m.fieldText(Field::Multiply), "1");

    // T = F x M follows M; F and T ignore typing.
    EXPECT_TRUE(m.setFieldText(Field::Multiply, "12"));
    EXPECT_EQ(m.fieldText(Field::Total), "12");
    EXPECT_FALSE(m.typeKey(Field::Frames, '3'));
    EXPECT_FALSE(m.typeKey(Field::Total, '\b'));
    EXPECT_FALSE(m.setFieldText(Field::Total, "5"));
    EXPECT_EQ(m.fieldText(Field::Total), "12");

    EXPECT_EQ(commandForKey('o'), Command::Open);
    EXPECT_EQ(commandForKey('S'), Command::SaveAs);
    EXPECT_EQ(commandForKey('Q'), Command::Quit);
    EXPECT_EQ(commandForKey('x'), Command::None);
}

TEST(Open, EachBadBitmapShowsItsMessageAndLeavesNothingOpen) {
    test::TempFolder temp;
    const auto green = [](int, int) { return kGreen; };
    struct Case {
        std::string name;
        Bytes bytes;
        const char* message;
    };
    Bytes notBm = solidBmp(4, 4, kGreen);
    notBm[1] = 'X';
    Bytes hugeWidth = solidBmp(4, 4, kGreen);
    hugeWidth[18] = 0xFF;  // 0x0FFFFFFF x 4 pixels
    hugeWidth[19] = 0xFF;
    hugeWidth[20] = 0xFF;
    hugeWidth[21] = 0x0F;
    Bytes cut = solidBmp(8, 8, kGreen);
    cut.resize(cut.size() - 10);
    std::vector<Case> cases;
    cases.push_back({"missing.bmp", {}, "Couldn't open bitmap file!"});
    cases.push_back({"notbm.bmp", notBm, "Not a bitmap file!"});
    cases.push_back({"core.bmp", makeBmp(4, 4, green, {12}), "Not a standard Windows bitmap file!"});
    cases.push_back({"planes.bmp", makeBmp(4, 4, green, {40, 2}),
                     "This bitmap does not have 1 plane!"});
    cases.push_back({"bits.bmp", makeBmp(4, 4, green, {40, 1, 32}), "Not a 24-bit bitmap!"});
    cases.push_back({"rle.bmp", makeBmp(4, 4, green, {40, 1, 24, 1}),
                     "Not an uncompressed bitmap."});
    cases.push_back({"Wide3.bmp", solidBmp(200, 50, kGreen),
                     "Width is not evenly divisible by number of frames!"});
    cases.push_back({"huge.bmp", hugeWidth, "Not enough memory to load bitmap!"});
    cases.push_back({"cut.bmp", cut, "End of file error!"});

    WindowModel m;
    const std::string good = temp.file("Good.bmp");
    ASSERT_TRUE(writeBytes(good, solidBmp(8, 4, kGreen)));
    for (const Case& c : cases) {
        ASSERT_TRUE(m.open(good));
        ASSERT_TRUE(m.isOpen());
        const std::string path = temp.file(c.name);
        if (!c.bytes.empty()) {
            ASSERT_TRUE(writeBytes(path, c.bytes));
        }
        EXPECT_FALSE(m.open(path)) << c.name;
        EXPECT_EQ(m.status(), c.message) << c.name;
        EXPECT_FALSE(m.isOpen()) << c.name;
        EXPECT_EQ(m.title(), "Pictomat") << c.name;
        EXPECT_TRUE(same(previewAt(m, 96, 48), kWhite)) << c.name;
        EXPECT_FALSE(m.saveAs(temp.file("Out.bru"))) << c.name;
        EXPECT_EQ(m.status(), "First open bitmap file.") << c.name;
        EXPECT_FALSE(fileExists(temp.file("Out.bru")));
    }
}

TEST(Open, ResetsSettingsAndBlueMaskFollowsTheKind) {
    test::TempFolder temp;
    // Two frames of 4 x 4, blue in the middle of the first one.
    const std::string path = temp.file("Blue Orb2.bmp");
    ASSERT_TRUE(writeBytes(path, makeBmp(8, 4, [](int x, int y) {
        return x < 4 && y >= 1 && y <= 2 && x >= 1 && x <= 2 ? kBlue : kGreen;
    })));
    WindowModel m;
    m.setFieldText(Field::Sections1, "7");
    m.setChecked(Check::Palindrome, true);
    m.setFieldText(Field::Multiply, "3");
    ASSERT_TRUE(m.open(path));
    EXPECT_EQ(m.title(), "Blue Orb2.bmp");
    EXPECT_EQ(m.status(), "Apply settings then save file.");
    EXPECT_EQ(m.fieldText(Field::Sections1), "2");
    EXPECT_EQ(m.fieldText(Field::Frames), "2");
    EXPECT_EQ(m.fieldText(Field::Multiply), "1");
    EXPECT_EQ(m.fieldText(Field::Total), "2");
    EXPECT_FALSE(m.checked(Check::Palindrome));
    EXPECT_TRUE(m.containsBlue());
    m.setFieldText(Field::Multiply, "3");
    EXPECT_EQ(m.fieldText(Field::Total), "6");

    // The 4 x 4 first frame is shown at 4 x 4 in the middle; blue shows only with Blue Mask.
    const int cx = 95, cy = 47;  // a blue pixel of the frame
    EXPECT_FALSE(m.checked(Check::BlueMask));
    EXPECT_TRUE(same(previewAt(m, cx, cy), kWhite));
    m.chooseKind(pictomat::AssetKind::Fill);
    EXPECT_FALSE(m.checked(Check::BlueMask));
    m.chooseKind(pictomat::AssetKind::Brush);
    EXPECT_TRUE(m.checked(Check::BlueMask));
    EXPECT_TRUE(same(previewAt(m, cx, cy), kBlue));
    m.chooseKind(pictomat::AssetKind::Fill);
    EXPECT_FALSE(m.checked(Check::BlueMask));

    // Without blue, choosing Brush leaves it off.
    ASSERT_TRUE(writeBytes(path, solidBmp(8, 4, kGreen)));
    ASSERT_TRUE(m.open(path));
    m.chooseKind(pictomat::AssetKind::Brush);
    EXPECT_FALSE(m.checked(Check::BlueMask));
}

TEST(Open, PreviewClassifiesLikeTheConversion) {
    test::TempFolder temp;
    // Columns: mid green, white, light grey, dark grey, a fixed-looking orange.
    const Rgb cols[] = {{0, 128, 0}, kWhite, {200, 200, 200}, {60, 60, 60}, {250, 120, 10}};
    const std::string path = temp.file("Strip.bmp");
    ASSERT_TRUE(writeBytes(path, makeBmp(10, 1, [&](int x, int) { return cols[x / 2]; })));
    WindowModel m;
    ASSERT_TRUE(m.open(path));
    // 10 x 1 is wider than twice its height: 10 x 1 at (91, 47).
    ASSERT_EQ(m.previewFit().x, 91);
    ASSERT_EQ(m.previewFit().y, 47);
    auto at = [&](int col) { return previewAt(m, 91 + 2 * col, 47); };

    const Rgb twoSections = at(0);
    EXPECT_EQ(twoSections.r, 0);
    EXPECT_GT(twoSections.g, 0);
    EXPECT_TRUE(same(at(1), kWhite));
    EXPECT_TRUE(same(at(2), kWhite));
    EXPECT_TRUE(same(at(3), Rgb{0, 0, 0}));  // dark grey converts to black
    EXPECT_EQ(at(4).b, 0);                   // orange: R > G, a secondary (red) shade
    EXPECT_GT(at(4).r, 0);

    // The shades are shown as quantised: with 45 sections only two steps are left and the
    // mid green rounds up to the brightest.
    m.setFieldText(Field::Sections1, "45");
    EXPECT_EQ(at(0).g, 255);
    m.setFieldText(Field::Sections1, "1");
    EXPECT_NEAR(at(0).g, twoSections.g, 3);
    // Fixed colours show as themselves.
    m.setChecked(Check::FixedColours, true);
    EXPECT_TRUE(same(at(4), cols[4]));
    EXPECT_TRUE(same(at(2), kWhite));
}

TEST(Save, ProposesTheNameAndKeepsTheFifteenLetterRule) {
    test::TempFolder temp;
    const std::string path = temp.file("Spin12.bmp");
    ASSERT_TRUE(writeBytes(path, makeBmp(24, 4, [](int x, int) {
        return x % 2 ? kGreen : Rgb{0, 100, 0};
    })));
    WindowModel m;
    EXPECT_FALSE(m.saveAs(temp.file("Spin.bru")));
    EXPECT_EQ(m.status(), "First open bitmap file.");
    ASSERT_TRUE(m.open(path));
    EXPECT_EQ(m.proposedSaveName(), "Spin.bru");
    EXPECT_EQ(m.saveDialogTitle(), "Save Brush as:");
    EXPECT_EQ(m.saveFilter(), (std::pair<std::string, std::string>{"Brush", "*.BRU"}));

    // 16 letters are refused and nothing is written; 15 are fine.
    EXPECT_FALSE(m.saveAs(temp.file("Sixteen_Letters_.bru")));
    EXPECT_EQ(m.status(), "The file name is too long! 15 letters is maximum.");
    EXPECT_FALSE(fileExists(temp.file("Sixteen_Letters_.bru")));
    ASSERT_TRUE(m.saveAs(temp.file("Fifteen Letters")));  // the extension is added
    EXPECT_EQ(m.status(), "Art conversion successful!");
    Bytes file;
    ASSERT_EQ(readWholeFile(temp.file("Fifteen_Letters.bru"), file), 0);
    BrushAsset brush;
    EXPECT_EQ(decodeBrush(file, 0, brush), nullptr);
    EXPECT_EQ(brush.frameCount, 12);

    // A folder that is not there, and a name taken by a folder, say why and keep what is there.
    EXPECT_FALSE(m.saveAs(temp.file("Missing/Spin.bru")));
    EXPECT_EQ(m.status(), "Unable to find file!");
    ASSERT_EQ(createFolder(temp.file("Taken.bru")), 0);
    EXPECT_FALSE(m.saveAs(temp.file("Taken.bru")));
    EXPECT_EQ(m.status(), "File write error!");
    EXPECT_TRUE(std::filesystem::is_directory(temp.file("Taken.bru")));

    m.chooseKind(pictomat::AssetKind::Fill);
    EXPECT_EQ(m.proposedSaveName(), "Spin.fil");
    EXPECT_EQ(m.saveDialogTitle(), "Save Fill as:");
    EXPECT_EQ(m.saveFilter().second, "*.FIL");
}
