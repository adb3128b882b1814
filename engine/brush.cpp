// The ".bru" loader, applying a brush, stamps and the draw call with its trails.
#include "engine/brush.h"

#include <algorithm>
#include <cmath>

#include "engine/coded_image.h"

namespace korel {

namespace {

// Decoding the largest token code yields at most this many image pixels per byte (a 56-pixel
// run in two bytes), and this many mask pixels per byte (a 256-byte run in two bytes), so a
// declared size beyond it cannot be backed by the file's data.
constexpr uint64_t kMaxImagePixelsPerByte = 28;
constexpr uint64_t kMaxMaskPixelsPerByte = 1024;

bool animationVisible(Services& services) {
    const WindowId w = services.display().animationWindow;
    return services.shell().animationShown && w != kNoWindow &&
           services.platform().windowVisible(w);
}

// A stamp coordinate: NaN and far-away values (programs may produce them) land well outside
// any picture instead of overflowing an int.
int toCoord(double v) {
    constexpr double kFar = double(1 << 29);
    if (!(v > -kFar)) return -(1 << 29);
    if (v >= kFar) return 1 << 29;
    return int(v);
}

int16_t s16(const uint8_t* p) {
    return int16_t(getLe16(p));
}
int32_t s32(const uint8_t* p) {
    return int32_t(getLe32(p));
}

}  // namespace

void emptyBrush(BrushAsset& brush) {
    brush = BrushAsset{};
}

const char* decodeBrush(std::span<const uint8_t> file, size_t currentMemory, BrushAsset& out,
                        Surface* icon, uint8_t* backdrop, size_t availableMemory) {
    if (file.empty() || file[0] != bru::kTag) return kNotValidFile;
    if (file.size() < bru::kHeaderSize) return kEndOfFileError;
    const uint8_t* h = file.data();
    const int width = s16(h + bru::TotalWidth);
    const int height = s16(h + bru::Height);
    const int64_t colourLength = s32(h + bru::ColourLength);
    const int64_t maskLength = s32(h + bru::MaskLength);
    const int ownCount = h[bru::OwnColourCount];
    const bool plainMask = h[bru::MaskStorage] == bru::kPlainMask;
    const size_t frameBlockLength = h[bru::FrameBlockLength];
    const int64_t iconLength = s16(h + bru::IconLength);
    const int64_t imageOffset = s16(h + bru::ImageOffset);
    const bool hasColour = colourLength != 0;
    const bool hasMask = maskLength != 0;

    if (colourLength < 0 || maskLength < 0 || iconLength < 0 || imageOffset < 0 ||
        ownCount > int(bru::kMaxOwnColours) || frameBlockLength < bru::kFrameBlockSize ||
        (!hasColour && !hasMask) || width <= 0 || height <= 0)
        return kNotValidFile;

    // The memory check, on the file's estimate and on what the surfaces really take.
    const uint64_t needed =
        uint64_t(height) * ((hasColour ? roundUp4(size_t(width)) : 0) +
                            (hasMask ? roundUp4(size_t(maskLength / height)) : 0));
    const size_t limit = memoryLimit(currentMemory, availableMemory);

    ByteReader in(file);
    in.seek(bru::kHeaderSize);
    bool ok = false;
    auto frameBlock = in.take(frameBlockLength, ok);
    if (!ok) return kEndOfFileError;
    const bool beatFlag = frameBlock[bru::BeatFrame] != 0;
    const int frameCount = s16(frameBlock.data() + bru::FrameCount);
    const bool palindrome = frameBlock[bru::Palindrome] != 0;
    if (frameCount <= 0 || frameCount > width) return kNotValidFile;
    const int frameWidth = width / frameCount;
    const int maskWidth = width + frameWidth;
    const uint64_t surfaceBytes = (hasColour ? uint64_t(width) * uint64_t(height) : 0) +
                                  (hasMask ? uint64_t(maskWidth) * uint64_t(height) : 0);
    if (needed > limit || surfaceBytes > limit) return kNoMemoryBrush;

    BrushAsset brush;
    brush.ownColourCount = uint8_t(ownCount);
    for (int i = 0; i < ownCount; ++i) {
        uint8_t rgb[3];
        if (!in.bytes(rgb, 3)) return kEndOfFileError;
        brush.ownColours[size_t(i)] = Rgb{rgb[0], rgb[1], rgb[2]};
    }
    for (int i = std::max(ownCount, 1); i < int(bru::kMaxOwnColours); ++i)
        brush.ownColours[size_t(i)] = brush.ownColours[size_t(ownCount > 0 ? ownCount - 1 : 0)];

    // The icon ends where the colour image begins; the mask follows the colour image.
    if (iconLength > imageOffset) return kNotValidFile;
    const uint64_t iconStart = uint64_t(imageOffset - iconLength);
    const uint64_t imageEnd = uint64_t(imageOffset) + uint64_t(colourLength) + uint64_t(maskLength);
    if (imageEnd > file.size()) return kEndOfFileError;
    if (hasColour &&
        uint64_t(width) * uint64_t(height) > kMaxImagePixelsPerByte * uint64_t(colourLength))
        return kNotValidFile;
    if (hasMask && uint64_t(maskRowPixels(width)) * uint64_t(height) >
                       kMaxMaskPixelsPerByte * uint64_t(maskLength))
        return kNotValidFile;

    const auto iconCode = file.subspan(size_t(iconStart), size_t(iconLength));
    const auto colourCode = file.subspan(size_t(imageOffset), size_t(colourLength));
    const auto maskCode = file.subspan(size_t(imageOffset + colourLength), size_t(maskLength));
    if (hasColour) {
        brush.colour.resize(width, height, kColourKey);
        if (!decodeCodedImage(colourCode, brush.colour)) return kNotValidFile;
    }
    if (hasMask) {
        brush.mask.resize(maskWidth, height, 0);
        if (!decodeMask(maskCode, plainMask, width, brush.mask)) return kNotValidFile;
    }
    Surface iconImage(bru::kIconSize, bru::kIconSize, kColourKey);
    if (!decodeCodedImage(iconCode, iconImage)) return kNotValidFile;

    brush.tag = bru::kTag;
    brush.totalWidth = int16_t(width);
    brush.frameCount = int16_t(frameCount);
    brush.frameWidth = int16_t(frameWidth);
    brush.height = int16_t(height);
    brush.memorySize = int32_t(needed);
    brush.parts = uint8_t((hasColour ? kPartColour : 0) | (hasMask ? kPartMask : 0));
    // A one-frame strip cannot spare its only frame for beats: it is an ordinary frame then.
    brush.beatFrame = beatFlag && frameCount > 1;
    brush.cycleLength = int16_t(brush.beatFrame ? frameCount - 1 : frameCount);
    brush.palindrome = palindrome;
    brush.extentLeft = frameWidth - frameWidth / 2;
    brush.extentTop = height - height / 2;
    brush.extentRight = frameWidth / 2;
    brush.extentBottom = height / 2;

    out = std::move(brush);
    if (icon) *icon = std::move(iconImage);
    if (backdrop) *backdrop = h[bru::IconBackdrop] ? bru::kIconBackdropGrey : 0;
    return nullptr;
}

bool loadBrush(Services& services, VisualState& state, AssetHooks& hooks, BrushSlots& brushes,
               int slot, std::string_view name, const LoadOptions& options) {
    if (slot < 0 || slot >= kBrushSlots) return false;
    BrushAsset& target = brushes.slots[size_t(slot)];
    auto resetAttachments = [&] {
        if (options.resetAttachments)
            std::fill_n(state.at(VisualState::attachment(slot)), kAttachmentSize, kNone80);
    };
    auto emptied = [&] {
        emptyBrush(target);
        if (options.redrawCell) hooks.redrawSlotCell(AssetKind::Brush, slot, kNoneName, nullptr, 0);
    };
    if (isNoneName(name)) {
        emptied();
        finishLoad(services, state, hooks, AssetKind::Brush, slot, name, options);
        resetAttachments();
        return true;
    }
    Bytes file;
    switch (readAsset(services, AssetKind::Brush, name, file, options.suppressMessages)) {
        case ReadResult::Ok:
            break;
        case ReadResult::ReadFailed:
            return false;
        case ReadResult::CannotOpen:
            clearSlotName(state, AssetKind::Brush, slot);
            assetMessage(services, assetOpenMessage(AssetKind::Brush), options.suppressMessages);
            emptied();
            resetAttachments();
            return false;
    }
    if (!checkTag(services, file, bru::kTag, bru::kTag, options.suppressMessages)) return false;
    BrushAsset loaded;
    Surface icon;
    uint8_t backdrop = 0;
    const char* message = decodeBrush(file, size_t(std::max<int32_t>(target.memorySize, 0)), loaded,
                                      &icon, &backdrop);
    if (message) {
        assetMessage(services, message, options.suppressMessages);
        if (message == kNoMemoryBrush && services.shell().startingUp) {
            clearSlotName(state, AssetKind::Brush, slot);
            emptied();
        }
        return false;
    }
    target = std::move(loaded);
    finishLoad(services, state, hooks, AssetKind::Brush, slot, name, options);
    if (options.redrawCell) hooks.redrawSlotCell(AssetKind::Brush, slot, name, &icon, backdrop);
    resetAttachments();
    return true;
}

uint32_t brushInterval(uint8_t speed) {
    return speed == 0 ? 2147483647u : 1000u / speed;
}

void applyBrush(Services& services, const VisualState& state, BrushSlots& brushes,
                BrushDrawState& draw, PaletteRange& brushRange, const Gradient& gradient, int slot,
                double level) {
    if (slot < 0 || slot >= kBrushSlots) return;
    brushes.current = slot;
    const BrushAsset& brush = brushes.slots[size_t(slot)];
    draw.frameIndex = 0;
    draw.direction = 1;
    draw.beatFramePending = brush.beatFrame ? 1 : 0;
    if (brush.ownColourCount > 0) {
        useOwnColours(services, state, brushRange, gradient, &brush.ownColours, level);
        if (brush.hasMask()) draw.maskColour = kFillRangeFirst;
    } else {
        if (draw.maskColour > kBrushRangeFirst + kRangeSize - 1) draw.maskColour = kBrushRangeFirst;
        useOwnColours(services, state, brushRange, gradient, nullptr, level);
    }
    draw.neverTrails = state.get(VisualState::brushName(slot)) == '@';
}

int timedEffectProgram(const BrushEffect& effect) {
    return effect.hasProgram(2) ? 2 : 0;
}

int beatEffectProgram(const BrushEffect& effect) {
    if (effect.hasProgram(1)) return 1;
    return effect.hasProgram(2) ? 2 : 0;
}

Rect stampBrush(Surface& target, const Rect& picture, BrushAsset& brush, BrushDrawState& draw,
                double x, double y, bool scaled, double scale, bool advance) {
    const int frameWidth = brush.frameWidth;
    const int cycle = std::max<int>(brush.cycleLength, 1);
    if (draw.frameIndex < 0 || draw.frameIndex >= cycle) draw.frameIndex = 0;
    int sourceX;
    if (draw.beatFramePending == -1) {
        sourceX = cycle * frameWidth;
    } else {
        sourceX = draw.frameIndex * frameWidth;
        if (advance) {
            draw.frameIndex = int16_t((draw.frameIndex + draw.direction + cycle) % cycle);
            if (brush.palindrome && (draw.frameIndex == cycle - 1 || draw.frameIndex == 0))
                draw.direction = int16_t(-draw.direction);
        }
    }

    Rect dest;
    if (!scaled) {
        const int ix = toCoord(x), iy = toCoord(y);
        dest = Rect{ix - brush.extentLeft, iy - brush.extentTop, ix + brush.extentRight,
                    iy + brush.extentBottom};
    } else {
        dest =
            Rect{toCoord(x - scale * brush.extentLeft), toCoord(y - scale * brush.extentTop),
                 toCoord(x + scale * brush.extentRight), toCoord(y + scale * brush.extentBottom)};
    }
    const Rect stamp = intersect(dest, picture);
    if (stamp.empty() || brush.parts == 0) return stamp;

    // The part of the frame that lands inside the picture.
    Rect source{sourceX, 0, sourceX + frameWidth, brush.height};
    if (!scaled) {
        source.left += stamp.left - dest.left;
        source.top += stamp.top - dest.top;
        source.right -= dest.right - stamp.right;
        source.bottom -= dest.bottom - stamp.bottom;
    } else {
        source.left += toCoord((stamp.left - dest.left) / scale);
        source.top += toCoord((stamp.top - dest.top) / scale);
        source.right -= toCoord((dest.right - stamp.right) / scale);
        source.bottom -= toCoord((dest.bottom - stamp.bottom) / scale);
    }
    if (source.empty()) return stamp;

    if (brush.hasMask()) {
        // Colour the mask in the scratch frame: 0xFF pixels keep the mask colour, 0x00 give the
        // transparent 0.
        Surface& mask = brush.mask;
        const int offset = brush.totalWidth - sourceX;
        const Rect scratch{source.left + offset, source.top, source.right + offset, source.bottom};
        mask.fillRect(scratch, draw.maskColour);
        copySurface(mask, scratch.left, scratch.top, mask, source, keyed(0xFF));
        if (scaled)
            stretchSurface(target, stamp, mask, scratch, keyed(kMaskKey));
        else
            copySurface(target, stamp.left, stamp.top, mask, scratch, keyed(kMaskKey));
    }
    if (brush.hasColour()) {
        if (scaled)
            stretchSurface(target, stamp, brush.colour, source, keyed(kColourKey));
        else
            copySurface(target, stamp.left, stamp.top, brush.colour, source, keyed(kColourKey));
    }
    return stamp;
}

Rect drawBrush(Services& services, const VisualState& state, BrushSlots& brushes,
               BrushDrawState& draw, MovementSlots& movements, MovementMachine& machine,
               BrushEffect& effect, const FillSlots& fills, const DrawCall& call) {
    DisplayState& display = services.display();
    Surface& target = display.drawingSurface;
    const Rect picture = intersect(display.windowRect, target.bounds());
    BrushAsset& brush = brushes.currentBrush();
    const bool trails = state.switchOn(vs::kSwitchTrails) && !draw.neverTrails;

    if (!trails && !draw.previousRect.empty())
        restoreBackground(services, fills, draw.previousRect);

    if (brush.hasMask()) {
        const int c = draw.maskColour;
        draw.maskColour = uint8_t(brush.ownColourCount > 0 ? ((c - 22) % 90 + 90) % 90 + 111
                                                           : ((c + 68) % 90) + 21);
    }

    const MovementInputs in =
        movementInputs(services, state, &brush, movements.current, call.soundLevel);
    const int p = call.effectProgram;
    auto stamp = [&](bool advance) -> Rect {
        double scale = 1;
        if (p != 0) {
            scale = runBrushEffect(
                effect, p,
                BrushEffectInputs{machine.x, machine.y, in.centreX, in.centreY, call.soundLevel});
            if (!(scale > 0)) return Rect{};
        }
        return stampBrush(target, picture, brush, draw, machine.x, machine.y, p != 0, scale,
                          advance);
    };
    auto runStampProgram = [&] {
        runMovement(movements, kStampProgram, in, machine, services.random());
    };

    const bool beatCall = draw.beatFramePending == -1;
    const int count = movements.slots[size_t(movements.current)].stampCount;
    Rect callRect;
    if (count == 1) {
        runStampProgram();
        callRect = stamp(true);
    } else if (count == 0) {
        callRect = stamp(true);
    } else {
        const int n = count < 0 ? -count : count;
        for (int i = 0; i < n; ++i) {
            runStampProgram();
            callRect = unite(callRect, stamp(count < 0 || i == n - 1));
        }
    }
    if (beatCall) draw.beatFramePending = 1;

    if (call.updateWindow && animationVisible(services)) {
        const Rect previous = draw.previousRect;
        if (!trails && !previous.empty()) {
            if (!intersect(callRect, previous).empty()) {
                services.copySurfaceToWindow(unite(callRect, previous));
            } else {
                services.copySurfaceToWindow(previous);
                if (!callRect.empty()) services.copySurfaceToWindow(callRect);
            }
        } else if (!callRect.empty()) {
            services.copySurfaceToWindow(callRect);
        }
    }
    draw.previousRect = callRect;
    return callRect;
}

}  // namespace korel
