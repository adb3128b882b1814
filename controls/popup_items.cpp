// The item string, the rows' geometry and the scrolling rules of the popups.
#include <algorithm>

#include "assets/assets.h"
#include "controls/popups.h"

namespace korel {

bool appendItem(std::string& items, std::string_view text) {
    if (items.size() + text.size() + 1 > kPopupItemLimit) return false;
    items.append(text);
    items.push_back('\r');
    return true;
}

int appendRecords(std::string& items, const std::vector<std::string>& names, int width) {
    if (width <= 0) return 0;
    const size_t record = size_t(width) + 1;
    const size_t room = items.size() < kPopupItemLimit ? kPopupItemLimit - items.size() : 0;
    const size_t most = room / record;
    int added = 0;
    for (const std::string& n : names) {
        if (size_t(added) >= most) break;
        if (n.empty() || n.size() > size_t(width) || n.find('\r') != std::string::npos) continue;
        items.append(n);
        items.append(size_t(width) - n.size(), ' ');
        items.push_back('\r');
        ++added;
    }
    return added;
}

std::vector<PopupItem> splitItems(std::string_view items) {
    std::vector<PopupItem> out;
    size_t start = 0;
    while (start < items.size()) {
        size_t end = items.find('\r', start);
        if (end == std::string_view::npos) end = items.size();
        std::string_view t = items.substr(start, end - start);
        while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
        PopupItem it;
        it.text = std::string(t);
        it.separator = t.substr(0, 3) == "---";
        out.push_back(std::move(it));
        start = end + 1;
    }
    return out;
}

std::string shownText(std::string_view text) {
    std::string s(text);
    std::replace(s.begin(), s.end(), '_', ' ');
    return s;
}

PopupGeometry popupGeometry(int itemCount, const Rect& at, bool expanded) {
    PopupGeometry g;
    g.left = at.left;
    g.right = at.right;
    g.top = at.top;
    const int bottom = expanded ? 458 : 163;
    const int most = std::max(0, (bottom - at.top) / kPopupRowHeight);
    if (itemCount <= most) {
        g.visibleRows = itemCount;
    } else {
        // The arrow rows take two of the rows; at least one item stays visible.
        g.arrows = true;
        g.visibleRows = std::max(1, most - 2);
    }
    return g;
}

uint32_t scrollInterval(int x, int cornerX) {
    if (cornerX <= 0 || x >= cornerX) return 0;
    const int from = std::min(std::max(x, 0), cornerX);
    return uint32_t(150 * (cornerX - from) / cornerX);
}

bool popupPreviewKind(int popupId, AssetKind& kind) {
    switch (popupId) {
        case popup::Fills: kind = AssetKind::Fill; return true;
        case popup::Brushes: kind = AssetKind::Brush; return true;
        case popup::Movements: kind = AssetKind::Movement; return true;
        case popup::Gradients: kind = AssetKind::Gradient; return true;
        case popup::PanelBrushColourEffects:
        case popup::BrushColourEffects:
        case popup::PanelFillColourEffects:
        case popup::FillColourEffects: kind = AssetKind::ColourEffect; return true;
        case popup::BrushEffects: kind = AssetKind::BrushEffect; return true;
        default: return false;
    }
}

int Popups::positionIn(const std::vector<std::string>& names, const std::string& current) {
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == current) return int(i);
    return -1;
}

}  // namespace korel
