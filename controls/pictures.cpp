// Reading the controls window's pictures, and their BMP form.
#include "controls/pictures.h"

#include "platform/files.h"

namespace korel {

namespace {

// Largest file a picture of kMaxSide x kMaxSide with its headers could need.
constexpr size_t kMaxFileBytes = bmp::kFileHeader + 124 + 256 * 4 +
                                 size_t(bmp::kMaxSide) * size_t(bmp::kMaxSide);

size_t rowStride(int width) { return (size_t(width) + 3) & ~size_t(3); }

// The lamp colours of the lit indicator and what they become when it is put out.
uint8_t dimmed(uint8_t v) {
    switch (v) {
        case 250: return 15;   // bright green -> (0, 63, 0)
        case 16: return 14;    // (0, 191, 0) -> (33, 33, 33)
        case 255: return 12;   // the highlight -> (97, 97, 97)
        case 10: return 12;
        default: return v;
    }
}

bool readPicture(const std::string& path, int width, int height, Surface& out) {
    Bytes data;
    if (readWholeFile(path, data, kMaxFileBytes) != 0) return false;
    return decodePicture(data, width, height, out);
}

}  // namespace

std::string pictureFileName(int number) { return std::to_string(number) + ".bmp"; }

Surface* ControlPictures::byNumber(int number) {
    switch (number) {
        case pict::Splash: return &splash;
        case pict::Scale: return &scale;
        case pict::RowLabels: return &rowLabels;
        case pict::TopRow: return &topRow;
        case pict::TitleButtons: return &titleButtons;
        case pict::Digits: return &digits;
        case pict::Widgets: return &widgets;
        case pict::Indicator: return &indicator;
        case pict::Marker: return &marker;
        case pict::Arrows: return &arrows;
        default: return nullptr;
    }
}

const Surface* ControlPictures::byNumber(int number) const {
    return const_cast<ControlPictures*>(this)->byNumber(number);
}

bool loadControlPictures(const std::string& folder, ControlPictures& out, std::string& failure) {
    ControlPictures loaded;
    for (const PictureSize& p : kPictureSizes) {
        const std::string path = joinPath(folder, pictureFileName(p.number));
        if (!readPicture(path, p.width, p.height, *loaded.byNumber(p.number))) {
            failure = "Pict";
            return false;
        }
    }
    loaded.indicatorOff = loaded.indicator;
    for (size_t i = 0; i < loaded.indicatorOff.byteSize(); ++i)
        loaded.indicatorOff.data()[i] = dimmed(loaded.indicatorOff.data()[i]);
    out = std::move(loaded);
    return true;
}

bool loadProgramIcon(const std::string& folder, Surface& out) {
    return readPicture(joinPath(folder, kIconFile), kIconSize, kIconSize, out);
}

bool decodePicture(std::span<const uint8_t> data, int width, int height, Surface& out) {
    if (width <= 0 || height <= 0 || width > bmp::kMaxSide || height > bmp::kMaxSide) return false;
    if (data.size() < bmp::kPaletteAt || data[0] != 'B' || data[1] != 'M') return false;
    const uint8_t* p = data.data();
    const uint32_t offBits = getLe32(p + bmp::kOffBits);
    const uint32_t infoSize = getLe32(p + bmp::kOffInfoSize);
    const int32_t fileWidth = int32_t(getLe32(p + bmp::kOffWidth));
    const int32_t fileHeight = int32_t(getLe32(p + bmp::kOffHeight));
    if (infoSize < bmp::kInfoHeader || infoSize > 124) return false;
    if (getLe16(p + bmp::kOffPlanes) != 1 || getLe16(p + bmp::kOffBitCount) != 8) return false;
    if (getLe32(p + bmp::kOffCompression) != 0) return false;
    if (getLe32(p + bmp::kOffColoursUsed) > 256) return false;
    // Negative heights are top-down rows; compared in 64 bits so the smallest int32 is safe.
    const int64_t absHeight = fileHeight < 0 ? -int64_t(fileHeight) : int64_t(fileHeight);
    if (fileWidth != width || absHeight != height) return false;
    const size_t stride = rowStride(width);
    const size_t rows = stride * size_t(height);
    if (offBits < bmp::kFileHeader + infoSize || offBits > data.size() ||
        data.size() - offBits < rows)
        return false;
    Surface picture(width, height);
    for (int y = 0; y < height; ++y) {
        const int fileRow = fileHeight < 0 ? y : height - 1 - y;
        const uint8_t* src = p + offBits + size_t(fileRow) * stride;
        std::copy(src, src + width, picture.row(y));
    }
    out = std::move(picture);
    return true;
}

Bytes encodePicture(const Surface& picture, const Palette& palette) {
    const int w = picture.width(), h = picture.height();
    const size_t stride = rowStride(w);
    const size_t offBits = bmp::kPaletteAt + 256 * 4;
    Bytes out(offBits + stride * size_t(h), 0);
    uint8_t* p = out.data();
    p[0] = 'B';
    p[1] = 'M';
    putLe32(p + 2, uint32_t(out.size()));
    putLe32(p + bmp::kOffBits, uint32_t(offBits));
    putLe32(p + bmp::kOffInfoSize, uint32_t(bmp::kInfoHeader));
    putLe32(p + bmp::kOffWidth, uint32_t(w));
    putLe32(p + bmp::kOffHeight, uint32_t(h));
    putLe16(p + bmp::kOffPlanes, 1);
    putLe16(p + bmp::kOffBitCount, 8);
    putLe32(p + bmp::kOffImageSize, uint32_t(stride * size_t(h)));
    putLe32(p + bmp::kOffColoursUsed, 256);
    for (size_t i = 0; i < 256; ++i) {
        uint8_t* e = p + bmp::kPaletteAt + 4 * i;
        e[0] = palette[i].b;
        e[1] = palette[i].g;
        e[2] = palette[i].r;
    }
    for (int y = 0; y < h; ++y)
        std::copy(picture.row(y), picture.row(y) + w, p + offBits + size_t(h - 1 - y) * stride);
    return out;
}

}  // namespace korel
