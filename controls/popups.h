// The popup menus the controls window paints over itself: one column of 12-pixel rows built
// from an item string, with scroll-arrow rows when the items do not fit, and while the cursor
// rests on a file a preview of it in the settings panel area.
//
// A popup is not a blocking loop: once open, the main loop's passes drive it (pass() follows
// the cursor, the frame tick keeps running in between) until a left click (click()) chooses an
// item or closes it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "controls/view.h"

namespace korel {

class Controls;
enum class AssetKind : uint8_t;

// --- The item string ---------------------------------------------------------------------------
// Each item is its text followed by "\r"; an item beginning with "---" is a separator; "_" is
// shown as a space. The whole string stays within kPopupItemLimit characters.
constexpr size_t kPopupItemLimit = 8000;
constexpr int kPopupRowHeight = 12;
constexpr const char* kShortSeparator = "----------------------------";
constexpr const char* kLongSeparator = "------------------------------------------------";

// Appends one item; false (and nothing appended) when it would pass the limit.
bool appendItem(std::string& items, std::string_view text);
// Appends the listed names as records padded with spaces to `width` characters: longer names
// are left out, and no more records than the rest of the limit holds,
// (limit + 1 - used - 1) / (width + 1). Returns how many were appended.
int appendRecords(std::string& items, const std::vector<std::string>& names, int width);

struct PopupItem {
    std::string text;  // as stored: a record's padding removed, "_" kept
    bool separator = false;
};
std::vector<PopupItem> splitItems(std::string_view items);
// The text a row shows ("_" as space).
std::string shownText(std::string_view text);

// --- Geometry ----------------------------------------------------------------------------------
struct PopupGeometry {
    int left = 0, right = 0, top = 0;
    int visibleRows = 0;  // item rows shown
    bool arrows = false;  // an arrow row above and below them
    int rows() const { return visibleRows + (arrows ? 2 : 0); }
    Rect frame() const { return Rect{left, top, right, top + rows() * kPopupRowHeight}; }
    // The top of item row `i` (0 = the first visible item).
    int itemTop(int i) const { return top + (i + (arrows ? 1 : 0)) * kPopupRowHeight; }
    // The corner arrows start here: R, the right edge - 13.
    int cornerX() const { return right - 13; }
};

// Rows below `at.top`, between its left and right edges; at most (458 - top) / 12 rows when the
// window is drawn expanded, (163 - top) / 12 collapsed, arrow rows included.
PopupGeometry popupGeometry(int itemCount, const Rect& at, bool expanded);

// Milliseconds between two scroll steps with the cursor at x on an arrow row: 150 (R - x) / R,
// the farther right, the faster; 0 at or right of R, where the list jumps to its end.
uint32_t scrollInterval(int x, int cornerX);

// The kind of file a popup lists and previews (false: no preview).
bool popupPreviewKind(int popupId, AssetKind& kind);

// --- The open popup ----------------------------------------------------------------------------
class Popups {
public:
    explicit Popups(Controls& controls);
    ~Popups();

    // Opens popup `id` for `slot` under the control `at` (client coordinates). False when it
    // has nothing to show (it is not opened then).
    bool open(int id, int slot, const Rect& at);
    bool isOpen() const { return id_ != 0; }
    // The preview of a gradient-row button runs.
    bool buttonPreviewing() const { return buttonSlot_ >= 0; }
    bool active() const { return isOpen() || buttonPreviewing(); }
    // The preview panel covers the settings panel area.
    bool previewShowing() const { return previewPanel_; }

    // One main-loop pass: the row under the cursor is inverted, arrow rows scroll, a rest of
    // 250 ms shows the row's preview, a shown gradient cycles.
    void pass(Point cursor, uint32_t now);
    // A left click: on an item it is chosen (modifier 1, Alt: the rave replaces its last
    // matching file event); anywhere else the popup closes with no choice.
    void click(Point p, int modifier);
    // Draws the rows (and the preview panel) again after the window was painted.
    void repaint();
    // Closes with no choice and redraws the window.
    void close();

    // A gradient row's preview button: the row's gradient cycles in the preview strip for as
    // long as the cursor stays on `button`.
    void previewGradientButton(int slot, const Rect& button);

    // --- What the popup shows (tests and the hover help read these) ------------------------
    int id() const { return id_; }
    const std::vector<PopupItem>& items() const { return items_; }
    int listStart() const { return listStart_; }
    const PopupGeometry& geometry() const { return geo_; }
    int firstVisible() const { return first_; }
    int hovered() const { return hovered_; }
    // The item at p, -1 for none (an arrow row or outside).
    int itemAt(Point p) const;
    // The position of the current file in the listing ("Sequential File"), -1 when absent.
    static int positionIn(const std::vector<std::string>& names, const std::string& current);

private:
    void build(int slot);
    void addListing(const std::string& folder, const std::string& ext, int width = 15);
    void addNames(const std::vector<std::string>& names);
    void draw();
    void drawRow(int visibleIndex);
    void drawArrowRow(bool lower);
    void present();
    void scroll(int by);
    void choose(int index, bool alt);
    void chooseHead(int index);
    void chooseListed(const std::string& name, int index, bool alt);
    void chooseAttachment(int index);
    void chooseMode(int index);
    void chooseDelete(const std::string& name);

    // Previews (previews.cpp).
    void showPreviewPanel();
    void clearPreviewField();
    void preview(int index);
    void cycleGradient(uint32_t now);
    void drawGradientStrip(const Rect& at);
    void setPreviewColours(const std::vector<Rgb>& colours, size_t first);
    void wrappedText(const Rect& box, std::string_view text);
    Rect panelRect(const Rect& r) const;

    Controls& controls_;
    ControlsView& view_;
    int id_ = 0;
    int slot_ = -1;
    Rect at_;
    std::string itemString_;
    std::vector<PopupItem> items_;
    int listStart_ = 0;  // the first listed file (items before it are head items)
    PopupGeometry geo_;
    int first_ = 0;
    int hovered_ = -1;
    int restingOn_ = -2;  // the row the cursor rests on (-1 none, -2 not yet known)
    uint32_t restSince_ = 0;
    bool previewed_ = false;
    uint32_t lastScroll_ = 0;
    bool previewPanel_ = false;
    // The cycling gradient preview: its 90 colours, the window's start, the next step's time.
    std::vector<Rgb> gradient_;
    int cycleStart_ = 0;
    uint32_t nextCycle_ = 0;
    Rect cycleStrip_;
    int buttonSlot_ = -1;
    Rect button_;
};

}  // namespace korel
