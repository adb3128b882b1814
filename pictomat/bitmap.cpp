// Reading of 24-bit bitmap files: header checks in the converter's order, bounded row reads.
#include "pictomat/bitmap.h"

#include "platform/bytes.h"

namespace korel::pictomat {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;

// The name without its folder and, when it has one, its extension.
std::string_view stemOf(std::string_view name) {
    const size_t slash = name.find_last_of("/\\");
    if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    return name;
}

}  // namespace

bool readBitmap(std::span<const uint8_t> file, int frames, Bitmap& out, std::string& message) {
    ByteReader r(file);
    uint8_t b0 = 0, b1 = 0;
    if (!r.u8(b0) || !r.u8(b1) || b0 != 'B' || b1 != 'M') {
        message = msg::kNotBitmap;
        return false;
    }
    uint32_t fileSize = 0, reserved = 0, pixelOffset = 0, infoSize = 0;
    if (!r.le32(fileSize) || !r.le32(reserved) || !r.le32(pixelOffset) || !r.le32(infoSize)) {
        message = msg::kEndOfFile;
        return false;
    }
    if (infoSize != kInfoHeaderSize) {
        message = msg::kNotStandard;
        return false;
    }
    int32_t width = 0, height = 0;
    uint16_t planes = 0, bits = 0;
    uint32_t compression = 0;
    if (!r.sle32(width) || !r.sle32(height) || !r.le16(planes) || !r.le16(bits) ||
        !r.le32(compression)) {
        message = msg::kEndOfFile;
        return false;
    }
    if (planes != 1) {
        message = msg::kNotOnePlane;
        return false;
    }
    if (bits != 24) {
        message = msg::kNot24Bit;
        return false;
    }
    if (compression != 0) {
        message = msg::kCompressed;
        return false;
    }
    // Zero sizes and the most negative height have no sound meaning.
    if (width <= 0 || height == 0 || height == INT32_MIN) {
        message = msg::kNotStandard;
        return false;
    }
    if (frames < 1 || width % frames != 0) {
        message = msg::kWidthNotDivisible;
        return false;
    }
    const bool topDown = height < 0;
    const int64_t rows = topDown ? -int64_t(height) : int64_t(height);
    if (int64_t(width) * rows > kMaxBitmapPixels) {
        message = msg::kNoMemoryBitmap;
        return false;
    }

    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    if (pixelOffset < kFileHeaderSize + kInfoHeaderSize || pixelOffset > file.size() ||
        (file.size() - pixelOffset) / stride < size_t(rows)) {
        message = msg::kEndOfFile;
        return false;
    }
    Bitmap bm;
    bm.width = width;
    bm.height = int(rows);
    bm.pixels.resize(size_t(width) * size_t(rows));
    for (int64_t fileRow = 0; fileRow < rows; ++fileRow) {
        const uint8_t* src = file.data() + pixelOffset + size_t(fileRow) * stride;
        const int64_t y = topDown ? fileRow : rows - 1 - fileRow;
        Rgb* dst = bm.pixels.data() + size_t(y) * size_t(width);
        for (int x = 0; x < width; ++x) {
            dst[x] = Rgb{src[3 * x + 2], src[3 * x + 1], src[3 * x]};
        }
    }
    out = std::move(bm);
    return true;
}

int framesFromFileName(std::string_view fileName) {
    const std::string_view stem = stemOf(fileName);
    size_t start = stem.size();
    while (start > 0 && stem[start - 1] >= '0' && stem[start - 1] <= '9') --start;
    int64_t value = 0;
    for (size_t i = start; i < stem.size(); ++i) {
        value = value * 10 + (stem[i] - '0');
        if (value > 1000000) value = 1000000;  // no bitmap is that wide; keep it from overflowing
    }
    return value >= 1 ? int(value) : 1;
}

std::string proposedStem(std::string_view fileName) {
    std::string_view stem = stemOf(fileName);
    while (!stem.empty() && stem.back() >= '0' && stem.back() <= '9') stem.remove_suffix(1);
    std::string name(stem);
    for (char& c : name) {
        if (c == ' ') c = '_';
    }
    return name;
}

}  // namespace korel::pictomat
