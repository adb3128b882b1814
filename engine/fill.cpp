// Fill loading (stretch, crop), applying a fill, and drawing or restoring the background.
#include "engine/fill.h"

#include <cmath>
#include <vector>

#include "engine/coded_image.h"
#include "engine/gradient.h"

namespace korel {

namespace {

bool animationVisible(Services& services) {
    WindowId w = services.display().animationWindow;
    return services.shell().animationShown && w != kNoWindow &&
           services.platform().windowVisible(w);
}

void emptySlot(FillAsset& fill) {
    fill = FillAsset{};
}

// Nearest neighbour: target (x, y) takes column trunc(x (w - 1) / W), row trunc(y (h - 1) / H).
void stretchInto(const Surface& from, Surface& to) {
    const int w = from.width(), h = from.height();
    const int W = to.width(), H = to.height();
    std::vector<int> columns(static_cast<size_t>(W));
    for (int x = 0; x < W; ++x) columns[size_t(x)] = int(int64_t(x) * (w - 1) / W);
    for (int y = 0; y < H; ++y) {
        const uint8_t* src = from.row(int(int64_t(y) * (h - 1) / H));
        uint8_t* dst = to.row(y);
        for (int x = 0; x < W; ++x) dst[x] = src[columns[size_t(x)]];
    }
}

// Copies the part of a full fill's surface that lies under `r` (picture coordinates) and paints
// black where the fill does not reach, so no earlier picture is left showing.
void restoreFull(Surface& dst, const FillAsset& fill, const Rect& r) {
    const Rect& s = fill.source;
    Rect from{r.left + s.left, r.top + s.top, r.right + s.left, r.bottom + s.top};
    Rect covered = intersect(from, intersect(s, fill.surface.bounds()));
    Rect coveredHere{covered.left - s.left, covered.top - s.top, covered.right - s.left,
                     covered.bottom - s.top};
    if (covered.empty() || coveredHere != r) dst.fillRect(r, 0);
    if (!covered.empty())
        copySurface(dst, coveredHere.left, coveredHere.top, fill.surface, covered);
}

void restoreTiles(Surface& dst, const FillAsset& fill, const FillGeometry& g, const Rect& r) {
    const int w = fill.surface.width(), h = fill.surface.height();
    int x0 = g.cx + ((r.left - g.cx) / w) * w;
    if (r.left < g.cx) x0 -= w;
    int y0 = g.cy + ((r.top - g.cy) / h) * h;
    if (r.top < g.cy) y0 -= h;
    const int columns = (r.right - x0) / w + 1;
    const int rows = (r.bottom - y0) / h + 1;
    for (int row = 0; row < rows; ++row) {
        for (int col = 0; col < columns; ++col) {
            Rect tile{x0 + col * w, y0 + row * h, x0 + (col + 1) * w, y0 + (row + 1) * h};
            Rect part = intersect(tile, r);
            if (part.empty()) continue;
            Rect from{part.left - tile.left, part.top - tile.top, part.right - tile.left,
                      part.bottom - tile.top};
            copySurface(dst, part.left, part.top, fill.surface, from);
        }
    }
}

}  // namespace

FillGeometry fillGeometry(const Services& services) {
    const Rect& picture = services.display().windowRect;
    double cx = services.shell().centreX, cy = services.shell().centreY;
    // Before the shell has set the centre (tests, tools) it is the picture's.
    if (cx <= 0 || cy <= 0) {
        cx = picture.width() / 2;
        cy = picture.height() / 2;
    }
    return FillGeometry{int(std::trunc(cx)), int(std::trunc(cy)), picture};
}

TileGrid tileGrid(int cx, int cy, int w, int h) {
    TileGrid t;
    if (w <= 0 || h <= 0) return t;
    t.columns = ((cx + w - 1) / w) * 2;
    const int g = (cy + h - 1) / h;
    t.rows = 2 * g;
    t.x0 = cx - (w * t.columns) / 2;
    t.y0 = cy - g * h;
    return t;
}

const char* decodeFill(std::span<const uint8_t> file, const FillGeometry& geometry,
                       size_t currentMemory, FillAsset& out, Surface* icon,
                       size_t availableMemory) {
    if (file.empty() || (file[0] != fil::kFullTag && file[0] != fil::kTileTag)) {
        return kNotValidFile;
    }
    if (file.size() < fil::kHeaderSize) return kEndOfFileError;
    const uint8_t* h = file.data();
    const int width = int16_t(getLe16(h + fil::Width));
    const int height = int16_t(getLe16(h + fil::Height));
    const int32_t imageLength = int32_t(getLe32(h + fil::ImageLength));
    const int ownCount = h[fil::OwnColourCount];
    const int iconLength = int16_t(getLe16(h + fil::IconLength));
    const int imageOffset = int16_t(getLe16(h + fil::ImageOffset));
    if (width <= 0 || height <= 0 || imageLength <= 0 || ownCount > kRangeSize || iconLength < 0 ||
        imageOffset < int(fil::kHeaderSize) + 3 * ownCount + iconLength) {
        return kNotValidFile;
    }
    if (size_t(imageOffset) + size_t(imageLength) > file.size()) return kEndOfFileError;

    const bool stretched = width >= fil::kStretchMinWidth && height >= fil::kStretchMinHeight &&
                           width < 2 * geometry.cx;
    const int surfaceWidth = stretched ? 2 * geometry.cx : width;
    const int surfaceHeight = stretched ? 2 * geometry.cy : height;
    if (surfaceWidth <= 0 || surfaceHeight <= 0) return kNotValidFile;
    const size_t needed = roundUp4(size_t(surfaceWidth)) * size_t(surfaceHeight);
    const size_t limit = memoryLimit(currentMemory, availableMemory);
    // A stretched fill is decoded at its own size first, so that image counts too.
    const size_t decoded = stretched ? size_t(width) * size_t(height) : 0;
    if (needed > limit || decoded > limit - std::min(limit, needed)) return kNoMemoryFill;

    FillAsset fill;
    fill.kind = h[fil::Kind];
    fill.width = int16_t(width);
    fill.height = int16_t(height);
    fill.ownColourCount = uint8_t(ownCount);
    for (int i = 0; i < ownCount; ++i) {
        const uint8_t* c = h + fil::kHeaderSize + 3 * i;
        fill.ownColours[size_t(i)] = Rgb{c[0], c[1], c[2]};
    }
    for (int i = ownCount; i > 0 && i < kRangeSize; ++i) {
        fill.ownColours[size_t(i)] = fill.ownColours[size_t(ownCount - 1)];
    }

    auto image = file.subspan(size_t(imageOffset), size_t(imageLength));
    fill.surface.resize(surfaceWidth, surfaceHeight);
    if (stretched) {
        Surface full(width, height);
        if (!decodeCodedImage(image, full)) return kNotValidFile;
        stretchInto(full, fill.surface);
        fill.source = geometry.picture;
    } else {
        if (!decodeCodedImage(image, fill.surface)) return kNotValidFile;
        fill.source = Rect{0, 0, width, height};
    }
    if (height > 2 * geometry.cy && width > 2 * geometry.cx) {
        const int dx = geometry.cx - width / 2;
        const int dy = geometry.cy - height / 2;
        fill.source = Rect{fill.source.left - dx, fill.source.top - dy, fill.source.right + dx,
                           fill.source.bottom + dy};
    }
    Surface iconImage(fil::kIconWidth, fil::kIconHeight);
    if (iconLength > 0 &&
        !decodeCodedImage(file.subspan(size_t(imageOffset - iconLength), size_t(iconLength)),
                          iconImage)) {
        return kNotValidFile;
    }
    fill.memorySize = int32_t(needed);
    fill.loaded = true;
    out = std::move(fill);
    if (icon) *icon = std::move(iconImage);
    return nullptr;
}

bool loadFill(Services& services, VisualState& state, AssetHooks& hooks, FillSlots& fills, int slot,
              std::string_view name, const LoadOptions& options) {
    if (slot < 0 || slot >= kFillSlots) return false;
    FillAsset& target = fills.slots[size_t(slot)];
    auto emptied = [&](std::string_view shownName) {
        emptySlot(target);
        if (options.redrawCell) hooks.redrawSlotCell(AssetKind::Fill, slot, shownName, nullptr, 0);
    };
    if (isNoneName(name)) {
        emptied(kNoneName);
        finishLoad(services, state, hooks, AssetKind::Fill, slot, name, options);
        return true;
    }
    Bytes file;
    switch (readAsset(services, AssetKind::Fill, name, file, options.suppressMessages)) {
        case ReadResult::Ok:
            break;
        case ReadResult::ReadFailed:
            return false;
        case ReadResult::CannotOpen:
            clearSlotName(state, AssetKind::Fill, slot);
            assetMessage(services, assetOpenMessage(AssetKind::Fill), options.suppressMessages);
            emptied(kNoneName);
            return false;
    }
    if (!checkTag(services, file, fil::kFullTag, fil::kTileTag, options.suppressMessages)) {
        return false;
    }
    FillAsset loaded;
    Surface icon;
    const char* message =
        decodeFill(file, fillGeometry(services), size_t(target.memorySize), loaded, &icon);
    if (message) {
        assetMessage(services, message, options.suppressMessages);
        if (message == kNoMemoryFill && services.shell().startingUp) {
            clearSlotName(state, AssetKind::Fill, slot);
            emptied(kNoneName);
        }
        return false;
    }
    target = std::move(loaded);
    finishLoad(services, state, hooks, AssetKind::Fill, slot, name, options);
    if (options.redrawCell) hooks.redrawSlotCell(AssetKind::Fill, slot, name, &icon, 0);
    return true;
}

void drawBackground(Services& services, const FillSlots& fills) {
    Surface& dst = services.display().drawingSurface;
    const FillGeometry g = fillGeometry(services);
    const FillAsset& fill = fills.slots[size_t(fills.current)];
    if (!fill.loaded || fill.surface.empty()) {
        dst.fill(0);
        return;
    }
    if (fill.kind == fil::kFullTag) {
        restoreFull(dst, fill, dst.bounds());
        return;
    }
    const int w = fill.surface.width(), h = fill.surface.height();
    const TileGrid t = tileGrid(g.cx, g.cy, w, h);
    const Rect picture = intersect(g.picture, dst.bounds());
    for (int i = 0; i < t.columns * t.rows; ++i) {
        const int x = t.x0 + (i % t.columns) * w;
        const int y = t.y0 + (i / t.columns) * h;
        Rect part = intersect(Rect{x, y, x + w, y + h}, picture);
        if (part.empty()) continue;
        copySurface(dst, part.left, part.top, fill.surface,
                    Rect{part.left - x, part.top - y, part.right - x, part.bottom - y});
    }
}

void restoreBackground(Services& services, const FillSlots& fills, const Rect& r) {
    Surface& dst = services.display().drawingSurface;
    const FillGeometry g = fillGeometry(services);
    const Rect area = intersect(r, intersect(g.picture, dst.bounds()));
    if (area.empty()) return;
    const FillAsset& fill = fills.slots[size_t(fills.current)];
    if (!fill.loaded || fill.surface.empty()) {
        dst.fillRect(area, 0);
    } else if (fill.kind == fil::kFullTag) {
        restoreFull(dst, fill, area);
    } else {
        restoreTiles(dst, fill, g, area);
    }
}

void applyFill(Services& services, const VisualState& state, FillSlots& fills,
               PaletteRange& fillRange, const Gradient& gradient, int slot, double level,
               bool resetBackground) {
    if (slot < 0 || slot >= kFillSlots) return;
    fills.current = slot;
    const FillAsset& fill = fills.slots[size_t(slot)];
    const bool own = fill.loaded && fill.ownColourCount > 0;
    useOwnColours(services, state, fillRange, gradient, own ? &fill.ownColours : nullptr, level,
                  resetBackground);
    drawBackground(services, fills);
    if (animationVisible(services)) services.copySurfaceToWindow(services.display().windowRect);
}

void reloadAllFills(Services& services, VisualState& state, FillSlots& fills) {
    // The slots keep their names; nothing goes to rave recording or the cells.
    AssetHooks quiet;
    LoadOptions options;
    for (int slot = 0; slot < kFillSlots; ++slot) {
        const std::string name = state.name(VisualState::fillName(slot));
        loadFill(services, state, quiet, fills, slot, name, options);
    }
}

}  // namespace korel
