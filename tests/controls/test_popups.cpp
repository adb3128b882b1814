// The popup menus: the item string and listings, the rows' geometry and scrolling, choosing
// (separators, clicks outside, the same brush, refusals, deleting the last file) and the
// previews, in a running program over a data folder of our own files.
#include <gtest/gtest.h>

#include <algorithm>

#include "controls/controls.h"
#include "controls/layout.h"
#include "controls/popups.h"
#include "persist/visual_state.h"
#include "platform/files.h"
#include "shell/conductor.h"
#include "shell/program.h"
#include "support/running_program.h"
#include "triggers/triggers.h"

using namespace korel;

TEST(PopupItems, RecordsSkipLongNamesAndStopAtTheLimit) {
    std::string items;
    appendItem(items, "Save Current...");
    appendItem(items, kShortSeparator);
    // A 16-character base name does not fit a 15-character record.
    EXPECT_EQ(appendRecords(items, {"apple", "Sixteen_Chars_Ab", "Mango_"}, 15), 2);
    const std::vector<PopupItem> v = splitItems(items);
    ASSERT_EQ(v.size(), 4u);
    EXPECT_TRUE(v[1].separator);
    EXPECT_EQ(v[2].text, "apple");  // the record's padding is not part of the name
    EXPECT_EQ(v[3].text, "Mango_");
    EXPECT_EQ(shownText(v[3].text), "Mango ");

    // The item string never passes 8000 characters: 500 records of 16 fill it exactly.
    std::vector<std::string> many;
    for (int i = 0; i < 600; ++i) many.push_back("File" + std::to_string(i));
    std::string big;
    EXPECT_EQ(appendRecords(big, many, 15), 500);
    EXPECT_EQ(big.size(), 8000u);
    EXPECT_FALSE(appendItem(big, "x"));
    std::string wide = "Head\r";
    EXPECT_EQ(appendRecords(wide, many, 27), int((8000 - 5) / 28));
}

TEST(PopupGeometry, RowsBelowTheControlWithArrowRowsWhenTheListIsLong) {
    const Rect at{10, 27, 150, 39};
    // Collapsed at y = 27: (163 - 27) / 12 = 11 rows, arrow rows included.
    PopupGeometry g = popupGeometry(30, at, false);
    EXPECT_TRUE(g.arrows);
    EXPECT_EQ(g.rows(), 11);
    EXPECT_EQ(g.visibleRows, 9);
    EXPECT_LE(g.frame().bottom, 163);
    EXPECT_EQ(g.itemTop(0), 27 + 12);
    g = popupGeometry(11, at, false);
    EXPECT_FALSE(g.arrows);
    EXPECT_EQ(g.rows(), 11);
    // Expanded the same control has room for (458 - 27) / 12 = 35 rows.
    EXPECT_EQ(popupGeometry(30, at, true).rows(), 30);
    EXPECT_EQ(popupGeometry(100, at, true).rows(), 35);

    // The middle arrow scrolls faster the farther right the cursor rests; the corner jumps.
    const int r = g.cornerX();
    EXPECT_EQ(scrollInterval(0, r), 150u);
    EXPECT_GT(scrollInterval(20, r), scrollInterval(100, r));
    EXPECT_GT(scrollInterval(100, r), scrollInterval(r - 1, r));
    EXPECT_EQ(scrollInterval(r, r), 0u);
}

namespace {

struct Window {
    explicit Window(Edition e = Edition::MP3) : r(640, 480, e) {}
    test::RunningLive r;
    Program& p() { return *r.program; }
    Controls& c() { return r.program->controls(); }
    Popups& pop() { return c().popups(); }
    WindowId w() { return r.program->controlsWindow(); }
    void click(int x, int y, bool alt = false) {
        Event e;
        e.kind = EventKind::ButtonDown;
        e.window = w();
        e.button = 1;
        e.x = x;
        e.y = y;
        e.alt = alt;
        r.platform.pushEvent(e);
        e.kind = EventKind::ButtonUp;
        r.platform.pushEvent(e);
        settle();
    }
    void settle() {
        for (int i = 0; i < 20; ++i) p().pass();
    }
    void cursorAt(int x, int y) {
        const Rect wr = r.platform.windowRect(w());
        r.platform.setCursor(Point{wr.left + x, wr.top + y});
        settle();
    }
    void rest(uint32_t ms) {
        r.platform.advance(ms);
        settle();
    }
    void expand() {
        click(2 + 19 * 9 + 5, 8);
        ASSERT_EQ(r.platform.windowRect(w()).width(), kExpandedWidth);
    }
    std::string data(const std::string& rel) { return r.temp.file("data") + "/" + rel; }
    void put(const std::string& rel) {
        const std::string path = data(rel);
        createFolders(path.substr(0, path.rfind('/')));
        ASSERT_EQ(writeFileReplacing(path, Bytes{'x'}), 0) << path;
    }
    // The item's row centre, scrolled into view.
    Point rowOf(int index) {
        const PopupGeometry& g = pop().geometry();
        const int i = index - pop().firstVisible();
        return Point{g.left + 20, g.itemTop(i) + 5};
    }
    int indexOf(const std::string& text) {
        const auto& v = pop().items();
        for (size_t i = 0; i < v.size(); ++i)
            if (v[i].text == text) return int(i);
        return -1;
    }
    std::vector<std::string> listed() {
        std::vector<std::string> out;
        for (size_t i = size_t(pop().listStart()); i < pop().items().size(); ++i)
            out.push_back(pop().items()[i].text);
        return out;
    }
};

}  // namespace

TEST(Popups, StyleListingSortsCaseBlindAndLeavesOutLongNames) {
    Window t;
    ASSERT_TRUE(t.r.ok);
    for (const char* n : {"Zebra", "apple", "Mango", "Sixteen_Chars_Ab", "Fifteen_Chars_A"})
        t.put(std::string("Styles/") + n + ".sty");
    ASSERT_TRUE(t.pop().open(popup::Styles, -1, kStyleField));
    EXPECT_EQ(t.pop().items()[0].text, "Save Current...");
    EXPECT_TRUE(t.pop().items()[2].separator);
    const std::vector<std::string> names = t.listed();
    auto at = [&](const char* n) {
        return std::find(names.begin(), names.end(), n) - names.begin();
    };
    EXPECT_LT(at("apple"), at("Mango"));
    EXPECT_LT(at("Mango"), at("Zebra"));
    EXPECT_LT(at("Zebra"), std::ptrdiff_t(names.size()));
    EXPECT_LT(at("Fifteen_Chars_A"), std::ptrdiff_t(names.size()));
    EXPECT_EQ(at("Sixteen_Chars_Ab"), std::ptrdiff_t(names.size()));
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return compareRecords(a, b) < 0;
    }));
}

TEST(Popups, CollapsedPopupScrollsWithItsArrowRows) {
    Window t;
    ASSERT_TRUE(t.r.ok);
    for (int i = 0; i < 30; ++i) t.put("Styles/S" + std::to_string(100 + i) + ".sty");
    const Rect at{10, 27, 150, 39};
    ASSERT_TRUE(t.pop().open(popup::Styles, -1, at));
    const PopupGeometry g = t.pop().geometry();
    ASSERT_TRUE(g.arrows);
    EXPECT_EQ(g.rows(), 11);
    const int count = int(t.pop().items().size());
    const int lowerY = g.itemTop(g.visibleRows) + 5;

    // Resting far left on the lower arrow row scrolls slowly; near the corner, fast.
    t.cursorAt(g.left + 2, lowerY);
    t.rest(60);
    const int slow = t.pop().firstVisible();
    EXPECT_LE(slow, 1);
    t.cursorAt(g.cornerX() - 2, lowerY);
    for (int i = 0; i < 6; ++i) t.rest(10);
    EXPECT_GT(t.pop().firstVisible() - slow, 3);
    // The corner arrow jumps to the end, the upper one back to the beginning.
    // (One main-loop pass each: the jump is at once.)
    const uint32_t now = t.r.platform.tickCount();
    t.pop().pass(Point{g.cornerX() + 3, lowerY}, now);
    EXPECT_EQ(t.pop().firstVisible(), count - g.visibleRows);
    t.pop().pass(Point{g.cornerX() + 3, g.top + 5}, now);
    EXPECT_EQ(t.pop().firstVisible(), 0);
    EXPECT_TRUE(t.pop().isOpen());
}

TEST(Popups, SeparatorsAreNeverChosenAndAClickOutsideCloses) {
    Window t;
    ASSERT_TRUE(t.r.ok);
    t.expand();
    const int panelBefore = t.c().state().panel;
    ASSERT_TRUE(t.pop().open(popup::Styles, -1, kStyleField));
    // The separator is never shown inverted, and clicking it chooses nothing.
    const Point sep = t.rowOf(2);
    t.cursorAt(sep.x, sep.y);
    EXPECT_EQ(t.pop().hovered(), -1);
    t.click(sep.x, sep.y);
    EXPECT_FALSE(t.pop().isOpen());
    EXPECT_EQ(t.c().state().panel, panelBefore);
    EXPECT_FALSE(t.c().panels().textEntryActive());

    // A click outside the rows closes with no choice; "Save Current..." opens TEXT ENTRY.
    ASSERT_TRUE(t.pop().open(popup::Styles, -1, kStyleField));
    t.click(395, 450);
    EXPECT_FALSE(t.pop().isOpen());
    EXPECT_EQ(t.c().state().panel, panelBefore);
    ASSERT_TRUE(t.pop().open(popup::Styles, -1, kStyleField));
    const Point save = t.rowOf(0);
    t.cursorAt(save.x, save.y);
    EXPECT_EQ(t.pop().hovered(), 0);
    t.click(save.x, save.y);
    EXPECT_EQ(t.c().state().panel, panel::TextEntry);
}

TEST(Popups, ChoosingTheBrushInItsSlotClearsItsAttachmentsAndAnAttachedSlotIsRefused) {
    Window t;
    ASSERT_TRUE(t.r.ok);
    t.expand();
    VisualState& vs = t.p().visual();
    const std::string brush = vs.name(VisualState::brushName(0));
    ASSERT_FALSE(brush.empty());
    const size_t rec = VisualState::attachment(0);
    vs.set(rec + att::Gradient, 3);
    ASSERT_TRUE(t.pop().open(popup::Brushes, 0, rowRect(Box::Brushes, 0)));
    const int i = t.indexOf(brush);
    ASSERT_GE(i, t.pop().listStart()) << brush;
    // Scroll it into view with the lower arrow's corner if needed.
    while (i >= t.pop().firstVisible() + t.pop().geometry().visibleRows) {
        const PopupGeometry& g = t.pop().geometry();
        t.cursorAt(g.cornerX() + 3, g.itemTop(g.visibleRows) + 5);
        t.rest(1);
    }
    const Point row = t.rowOf(i);
    t.click(row.x, row.y);
    EXPECT_FALSE(t.pop().isOpen());
    EXPECT_EQ(vs.get(rec + att::Gradient), kNone80);
    EXPECT_EQ(vs.name(VisualState::brushName(0)), brush);

    // Gradient slot 3 attached to brush 2: choosing another gradient for it is refused.
    vs.set(VisualState::attachment(1) + att::Gradient, 3);
    const std::string before = vs.name(VisualState::gradientName(2));
    ASSERT_TRUE(t.pop().open(popup::Gradients, 2, rowRect(Box::Gradients, 2)));
    int other = t.pop().listStart();
    if (t.pop().items()[size_t(other)].text == before) ++other;
    const Point g = t.rowOf(other);
    t.click(g.x, g.y);
    EXPECT_TRUE(t.p().shell().alertShowing);
    EXPECT_EQ(t.p().shell().pendingMessage,
              "This gradient is attached to brush number 2 and cannot be changed until it is "
              "detached.");
    EXPECT_EQ(vs.name(VisualState::gradientName(2)), before);
}

TEST(Popups, DeletingTheLastSetReturnsToThePreviousPanel) {
    Window t;
    ASSERT_TRUE(t.r.ok);
    t.expand();
    t.put("Settings/Only_One.gst");
    t.c().panels().show(panel::Gradient);
    ASSERT_TRUE(t.pop().open(popup::GradientSets, -1, Rect{60, 100, 180, 112}));
    const Point del = t.rowOf(1);
    t.click(del.x, del.y);
    ASSERT_EQ(t.c().state().panel, panel::DeleteFile);
    ASSERT_TRUE(t.pop().open(popup::deleteFor(popup::GradientSets), -1, Rect{60, 100, 180, 112}));
    ASSERT_EQ(t.listed(), std::vector<std::string>{"Only_One"});
    const Point row = t.rowOf(0);
    t.click(row.x, row.y);
    EXPECT_FALSE(fileExists(t.data("Settings/Only_One.gst")));
    EXPECT_EQ(t.c().state().panel, panel::Gradient);
}

TEST(Popups, DeletingTheLastStyleReturnsToThePreviousPanel) {
    Window t;
    ASSERT_TRUE(t.r.ok);
    t.expand();
    std::vector<std::string> names;
    listFolder(t.data("Styles"), ".sty", names);
    for (const std::string& n : names) removeFile(t.data("Styles/" + n));
    t.put("Styles/Last_Look.sty");
    t.c().panels().show(panel::Brush);
    ASSERT_TRUE(t.pop().open(popup::Styles, -1, kStyleField));
    const Point del = t.rowOf(1);
    t.click(del.x, del.y);
    ASSERT_EQ(t.c().state().panel, panel::DeleteFile);
    ASSERT_TRUE(t.pop().open(popup::deleteFor(popup::Styles), -1, Rect{60, 100, 180, 112}));
    ASSERT_EQ(t.listed(), std::vector<std::string>{"Last_Look"});
    const Point row = t.rowOf(0);
    t.click(row.x, row.y);
    EXPECT_FALSE(fileExists(t.data("Styles/Last_Look.sty")));
    EXPECT_EQ(t.c().state().panel, panel::Brush);
    // With no styles left "Delete Styles..." does not open DELETE FILE.
    ASSERT_TRUE(t.pop().open(popup::Styles, -1, kStyleField));
    t.click(del.x, del.y);
    EXPECT_EQ(t.c().state().panel, panel::Brush);
}

TEST(Popups, SequentialFileStoresTheModeAndTheCurrentFilesPosition) {
    Window t;
    ASSERT_TRUE(t.r.ok);
    t.expand();
    VisualState& vs = t.p().visual();
    ASSERT_TRUE(t.pop().open(popup::GradientModes, -1, Rect{300, 80, 390, 92}));
    ASSERT_EQ(t.pop().items().size(), 5u);
    const Point row = t.rowOf(4);
    t.click(row.x, row.y);
    EXPECT_EQ(vs.get(vs::TriggerModes + 1), kModeSequentialFile);
    const int current = vs.get(vs::CurrentGradient) - 1;
    const std::string name = vs.name(VisualState::gradientName(current));
    const std::vector<std::string> names = t.c().view().host().listNames("Gradients", ".gra", 15);
    EXPECT_EQ(t.p().conductor().triggers().state().filePosition[size_t(FileCategory::Gradient)],
              Popups::positionIn(names, name));
}

TEST(Popups, AGradientRowPreviewCyclesAndAMissingFileShowsItsFailure) {
    Window t;
    ASSERT_TRUE(t.r.ok);
    t.expand();
    t.put("Gradients/AAA_Broken.gra");
    ASSERT_TRUE(t.pop().open(popup::Gradients, 0, rowRect(Box::Gradients, 0)));
    EXPECT_TRUE(t.pop().previewShowing());
    ASSERT_EQ(t.pop().items()[0].text, "AAA_Broken");
    // A file that cannot be decoded shows its failure and leaves the preview colours alone.
    const Palette before = t.p().display().palette;
    Point row = t.rowOf(0);
    t.cursorAt(row.x, row.y);
    t.rest(300);
    EXPECT_EQ(t.p().display().palette[201], before[201]);
    // A good gradient fills the 45 preview entries and moves them on every 50 ms.
    row = t.rowOf(1);
    t.cursorAt(row.x, row.y);
    t.rest(300);
    const PaletteEntry first = t.p().display().palette[201];
    const PaletteEntry fourth = t.p().display().palette[204];
    t.rest(60);
    EXPECT_NE(t.p().display().palette[201], first);
    EXPECT_EQ(t.p().display().palette[201], fourth);
    // Choosing closes the popup and the settings panel comes back.
    t.click(row.x, row.y);
    EXPECT_FALSE(t.pop().isOpen());
    EXPECT_FALSE(t.pop().previewShowing());
}

TEST(Popups, FillPreviewPanelAndACollapsedListAsPictures) {
    // Written to "popup_snapshots" beside the seed folder to look at.
    const std::string folder = std::string(KOREL_SEED_DIR) + "/../popup_snapshots";
    createFolders(folder);
    Window t;
    ASSERT_TRUE(t.r.ok);
    t.expand();
    ASSERT_TRUE(t.pop().open(popup::Fills, 1, rowRect(Box::Fills, 1)));
    const Point row = t.rowOf(2);
    t.cursorAt(row.x, row.y);
    t.rest(300);
    // The preview panel is framed green and its picture strip is drawn in the preview entries.
    Surface& c = t.r.platform.canvas(t.w());
    EXPECT_EQ(c.at(7, 68), 250);
    bool previewIndices = false;
    for (int y = 108; y < 156; ++y)
        for (int x = 13; x < 77; ++x) previewIndices |= c.at(x, y) >= 201 && c.at(x, y) <= 245;
    EXPECT_TRUE(previewIndices);
    t.r.platform.snapshotPng(t.w(), folder + "/fill_preview.png");
    t.click(5, 455);
    // The same popup's rows are gone and the settings panel is back.
    EXPECT_NE(t.r.platform.canvas(t.w()).at(7, 68), 250);

    ASSERT_TRUE(t.pop().open(popup::Gradients, 0, rowRect(Box::Gradients, 0)));
    t.cursorAt(t.rowOf(3).x, t.rowOf(3).y);
    t.rest(300);
    t.r.platform.snapshotPng(t.w(), folder + "/gradient_preview.png");
    t.click(5, 455);

    t.c().toggleSettingsLock();  // collapsed
    ASSERT_FALSE(t.c().state().drawnExpanded);
    for (int i = 0; i < 20; ++i) t.put("Styles/S" + std::to_string(100 + i) + ".sty");
    ASSERT_TRUE(t.pop().open(popup::Styles, -1, Rect{10, 27, 150, 39}));
    EXPECT_TRUE(t.pop().geometry().arrows);
    t.cursorAt(t.rowOf(4).x, t.rowOf(4).y);
    t.r.platform.snapshotPng(t.w(), folder + "/collapsed_styles.png");
}
