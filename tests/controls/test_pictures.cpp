// The controls window's pictures: the bundled set as built, the rectangles cut from it, and the
// reader facing broken and hostile files.
#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "controls/pictures.h"
#include "platform/files.h"
#include "shell/palette.h"
#include "sound/sound.h"
#include "support/test_services.h"

namespace korel {
namespace {

const std::string kBundled = std::string(KOREL_SEED_DIR) + "/Controls";

bool sameArea(const Surface& a, const Rect& ra, const Surface& b, const Rect& rb) {
    if (ra.width() != rb.width() || ra.height() != rb.height()) return false;
    for (int y = 0; y < ra.height(); ++y)
        for (int x = 0; x < ra.width(); ++x)
            if (a.at(ra.left + x, ra.top + y) != b.at(rb.left + x, rb.top + y)) return false;
    return true;
}

bool inside(const Rect& r, const Surface& s) {
    return r.left >= 0 && r.top >= 0 && r.right <= s.width() && r.bottom <= s.height() && !r.empty();
}

const ControlPictures& bundled() {
    static ControlPictures pictures;
    static bool loaded = [] {
        std::string failure;
        return loadControlPictures(kBundled, pictures, failure);
    }();
    EXPECT_TRUE(loaded) << "the bundled pictures in " << kBundled;
    return pictures;
}

// A small valid picture file with distinct pixels.
Surface pattern(int w, int h) {
    Surface s(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.set(x, y, uint8_t(x * 7 + y * 13));
    return s;
}

TEST(ControlPictures, EveryBundledPictureLoadsAtItsExactSize) {
    const ControlPictures& p = bundled();
    for (const PictureSize& size : kPictureSizes) {
        const Surface* s = p.byNumber(size.number);
        ASSERT_NE(s, nullptr) << size.number;
        EXPECT_EQ(s->width(), size.width) << size.number;
        EXPECT_EQ(s->height(), size.height) << size.number;
    }
    EXPECT_EQ(p.indicatorOff.width(), 20);
    EXPECT_FALSE(sameArea(p.indicator, kIndicator, p.indicatorOff, kIndicator))
        << "the indicator put out looks lit";
}

TEST(ControlPictures, UseOnlyTheFixedPaletteEntries) {
    const ControlPictures& p = bundled();
    Surface icon;
    ASSERT_TRUE(loadProgramIcon(kBundled, icon));
    std::vector<std::pair<int, const Surface*>> all = {{0, &icon}, {1, &p.indicatorOff}};
    for (const PictureSize& size : kPictureSizes) all.push_back({size.number, p.byNumber(size.number)});
    for (const auto& [number, s] : all)
        for (size_t i = 0; i < s->byteSize(); ++i)
            ASSERT_TRUE(isFixedPaletteIndex(s->data()[i]))
                << "picture " << number << " pixel " << i << " is " << int(s->data()[i]);
}

TEST(ControlPictures, EveryLookDiffersFromItsOtherLooks) {
    const ControlPictures& p = bundled();
    for (int i = 0; i < topimg::Count; ++i) {
        EXPECT_FALSE(sameArea(p.topRow, kTopImage(i, false), p.topRow, kTopImage(i, true)))
            << "top image " << i;
        for (int j = 0; j < i; ++j)
            EXPECT_FALSE(sameArea(p.topRow, kTopImage(i, false), p.topRow, kTopImage(j, false)))
                << "top images " << j << " and " << i;
    }
    for (int b = 0; b < boxpic::Count; ++b) {
        EXPECT_FALSE(sameArea(p.titleButtons, kTitleButton(b, false), p.titleButtons,
                              kTitleButton(b, true)))
            << "title button " << b;
        for (int c = 0; c < b; ++c)
            EXPECT_FALSE(
                sameArea(p.titleButtons, kPanelIcon(b), p.titleButtons, kPanelIcon(c)))
                << "panel icons " << c << " and " << b;
    }
    for (int d = 0; d < 10; ++d)
        for (int e = 0; e < d; ++e)
            EXPECT_FALSE(sameArea(p.digits, kDigit(d), p.digits, kDigit(e))) << e << " and " << d;
    const Surface& w = p.widgets;
    EXPECT_FALSE(sameArea(w, kKnob(true), w, kKnob(false)));
    EXPECT_FALSE(sameArea(w, kKnob(true), w, kKnobPending(true)));
    EXPECT_FALSE(sameArea(w, kMarkerUpper(true), w, kMarkerUpper(false)));
    EXPECT_FALSE(sameArea(w, kMarkerLower(true), w, kMarkerLower(false)));
    EXPECT_FALSE(sameArea(w, kTrack(0), w, kTrack(1)));
    EXPECT_FALSE(sameArea(w, kSmallButton(false), w, kSmallButton(true)));
    EXPECT_FALSE(sameArea(p.arrows, kScrollArrow(false, false), p.arrows, kScrollArrow(false, true)));
    EXPECT_FALSE(sameArea(p.arrows, kScrollArrow(false, false), p.arrows, kScrollArrow(true, false)));
    EXPECT_FALSE(sameArea(p.rowLabels, kRowLabel(false), p.rowLabels, kRowLabel(true)));
}

TEST(ControlPictures, EveryNamedRectangleLiesInsideItsPicture) {
    const ControlPictures& p = bundled();
    for (int i = 0; i < topimg::Count; ++i) {
        EXPECT_TRUE(inside(kTopImage(i, false), p.topRow) && inside(kTopImage(i, true), p.topRow));
    }
    for (int b = 0; b < boxpic::Count; ++b) {
        EXPECT_TRUE(inside(kTitleButton(b, true), p.titleButtons) && inside(kPanelIcon(b), p.titleButtons));
        EXPECT_EQ(kPanelIcon(b).width(), 16);
    }
    for (int d = 0; d < 10; ++d) EXPECT_TRUE(inside(kDigit(d), p.digits));
    for (bool on : {false, true}) {
        EXPECT_TRUE(inside(kKnob(on), p.widgets) && inside(kKnobPending(on), p.widgets));
        EXPECT_TRUE(inside(kMarkerUpper(on), p.widgets) && inside(kMarkerLower(on), p.widgets));
        EXPECT_TRUE(inside(kSmallButton(on), p.widgets) && inside(kRowLabel(on), p.rowLabels));
        EXPECT_TRUE(inside(kScrollArrow(on, true), p.arrows) && inside(kScrollArrow(on, false), p.arrows));
    }
    EXPECT_EQ(kTrack(1).bottom, p.widgets.height());
    EXPECT_EQ(kSmallButton(true).right, p.widgets.width());
    EXPECT_EQ(kMarkerUpper(true).height(), 5);
    EXPECT_EQ(kMarkerLower(true).height(), 6);
    EXPECT_TRUE(inside(kPopupMarker, p.marker));
    // The beat meter draws all of picture 136 with its lamp on the indicator's click area.
    EXPECT_EQ(kBeatIndicatorFrom, p.indicator.bounds());
    EXPECT_EQ(kBeatIndicatorAt.x + kIndicatorLampOffset.x, 230);
    EXPECT_EQ(kBeatIndicatorAt.y + kIndicatorLampOffset.y, 190);
}

TEST(ControlPictures, TheWindowIconIsClearAroundTheMark) {
    Surface icon;
    ASSERT_TRUE(loadProgramIcon(kBundled, icon));
    EXPECT_EQ(icon.width(), kIconSize);
    EXPECT_EQ(icon.at(0, 0), kIconClear);
    EXPECT_EQ(icon.at(kIconSize - 1, kIconSize - 1), kIconClear);
    EXPECT_NE(icon.at(kIconSize / 2, kIconSize / 2), kIconClear);
    test::TempFolder t;
    EXPECT_FALSE(loadProgramIcon(t.path(), icon));
}

// --- The reader ----------------------------------------------------------------------------

TEST(PictureReader, ReadsBothRowOrdersBack) {
    const Surface s = pattern(13, 5);  // rows padded to 16 bytes
    const Bytes file = encodePicture(s, buildProgramPalette());
    Surface back;
    ASSERT_TRUE(decodePicture(file, 13, 5, back));
    EXPECT_TRUE(sameArea(s, s.bounds(), back, back.bounds()));

    // Top-down: a negative height with the rows in reading order.
    Bytes topDown = file;
    putLe32(topDown.data() + bmp::kOffHeight, uint32_t(-5));
    const size_t at = getLe32(file.data() + bmp::kOffBits);
    for (int y = 0; y < 5; ++y)
        std::copy(file.begin() + long(at + size_t(4 - y) * 16),
                  file.begin() + long(at + size_t(5 - y) * 16), topDown.begin() + long(at + size_t(y) * 16));
    ASSERT_TRUE(decodePicture(topDown, 13, 5, back));
    EXPECT_TRUE(sameArea(s, s.bounds(), back, back.bounds()));
}

TEST(PictureReader, RejectsAnythingButAnUncompressedEightBitPictureOfTheSize) {
    const Bytes good = encodePicture(pattern(20, 20), buildProgramPalette());
    Surface out(3, 3, 77);
    auto rejects = [&](const Bytes& data, const char* what) {
        EXPECT_FALSE(decodePicture(data, 20, 20, out)) << what;
        EXPECT_EQ(out.width(), 3) << what << ": the target was changed";
    };
    // Every truncation, down to nothing (under the sanitizers this also proves no read past
    // the end).
    for (size_t n = 0; n < good.size(); ++n) {
        Bytes cut(good.begin(), good.begin() + long(n));
        ASSERT_FALSE(decodePicture(cut, 20, 20, out)) << "cut to " << n;
    }
    auto patched = [&](size_t off, uint32_t v, int bytes = 4) {
        Bytes b = good;
        if (bytes == 4) putLe32(b.data() + off, v);
        else putLe16(b.data() + off, uint16_t(v));
        return b;
    };
    rejects(patched(0, 0x4D42 ^ 0x0101, 2), "not BM");
    rejects(patched(bmp::kOffWidth, 21), "wider");
    rejects(patched(bmp::kOffHeight, 19), "shorter");
    rejects(patched(bmp::kOffHeight, uint32_t(INT_MIN)), "the smallest height");
    rejects(patched(bmp::kOffWidth, 0x7FFFFFFF), "huge");
    rejects(patched(bmp::kOffCompression, 1), "RLE8");
    rejects(patched(bmp::kOffCompression, 3), "bit fields");
    rejects(patched(bmp::kOffBitCount, 24, 2), "24 bits");
    rejects(patched(bmp::kOffBitCount, 4, 2), "4 bits");
    rejects(patched(bmp::kOffPlanes, 2, 2), "planes");
    rejects(patched(bmp::kOffInfoSize, 12), "the old core header");
    rejects(patched(bmp::kOffInfoSize, 0xFFFFFFFF), "a header larger than the file");
    rejects(patched(bmp::kOffColoursUsed, 257), "too many colours");
    rejects(patched(bmp::kOffBits, uint32_t(good.size())), "rows start at the end");
    rejects(patched(bmp::kOffBits, 0xFFFFFFFF), "rows start far beyond the end");
    rejects(patched(bmp::kOffBits, 20), "rows inside the header");
    // Asked for sizes no picture has.
    EXPECT_FALSE(decodePicture(good, 0, 20, out));
    EXPECT_FALSE(decodePicture(good, 20, -20, out));
    EXPECT_FALSE(decodePicture(good, 1 << 20, 20, out));
}

TEST(PictureReader, AFolderWithAMissingOrWrongPictureFailsWithPict) {
    test::TempFolder t;
    std::string failure;
    ControlPictures out;
    out.splash.resize(2, 2, 9);
    EXPECT_FALSE(loadControlPictures(t.file("none"), out, failure));
    EXPECT_EQ(failure, "Pict");

    // A full copy of the bundled set loads; then each kind of damage fails it.
    const std::string folder = t.file("Controls");
    ASSERT_EQ(createFolders(folder), 0);
    for (const PictureSize& p : kPictureSizes)
        ASSERT_EQ(copyFile(joinPath(kBundled, pictureFileName(p.number)),
                           joinPath(folder, pictureFileName(p.number))),
                  0);
    failure.clear();
    ControlPictures ok;
    ASSERT_TRUE(loadControlPictures(folder, ok, failure)) << failure;

    const std::string marker = joinPath(folder, pictureFileName(pict::Marker));
    Bytes original;
    ASSERT_EQ(readWholeFile(marker, original), 0);
    const Palette palette = buildProgramPalette();
    const std::vector<std::pair<const char*, Bytes>> damaged = {
        {"missing", {}},
        {"truncated", Bytes(original.begin(), original.begin() + long(original.size() / 2))},
        {"wrong size", encodePicture(pattern(17, 12), palette)},
        {"compressed", [&] {
             Bytes b = original;
             putLe32(b.data() + bmp::kOffCompression, 1);
             return b;
         }()},
    };
    for (const auto& [what, bytes] : damaged) {
        if (bytes.empty()) ASSERT_EQ(removeFile(marker), 0);
        else ASSERT_EQ(writeFileReplacing(marker, bytes), 0);
        failure.clear();
        EXPECT_FALSE(loadControlPictures(folder, out, failure)) << what;
        EXPECT_EQ(failure, "Pict") << what;
        EXPECT_EQ(out.splash.width(), 2) << what << ": a failed load changed the pictures";
    }
}

}  // namespace
}  // namespace korel
