// Classification of bitmap colours into the brush and fill ranges, cropping, frame multiplying,
// icons and the writing of .bru and .fil files.
#include "pictomat/converter.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <numeric>
#include <tuple>

#include "pictomat/coding.h"

namespace korel::pictomat {

namespace {

constexpr int kMaxFileDimension = 32767;  // widths, heights and frame counts are signed 16-bit
constexpr size_t kHeaderSize = 25;
constexpr size_t kFrameBlockSize = 8;

struct RgbLess {
    bool operator()(const Rgb& a, const Rgb& b) const {
        return std::tie(a.r, a.g, a.b) < std::tie(b.r, b.g, b.b);
    }
};

double luminance(const Rgb& c) {
    return 0.212671 * c.r + 0.71516 * c.g + 0.072169 * c.b;
}

// One pixel's result.
struct Pixel {
    uint8_t colour = 0;
    bool mask = false;
    bool black = false;
    bool fixed = false;  // colour is to be taken from the fixed-colour table
};

class FixedColours {
  public:
    explicit FixedColours(uint8_t first) : first_(first) {}

    // The index of the colour, adding it when new; false on the 91st colour.
    bool index(const Rgb& c, uint8_t& out) {
        auto it = lookup_.find(c);
        if (it != lookup_.end()) {
            out = it->second;
            return true;
        }
        if (int(order_.size()) >= kMaxFixedColours) return false;
        out = uint8_t(first_ + order_.size());
        lookup_.emplace(c, out);
        order_.push_back(c);
        return true;
    }

    // Renumbers by decreasing luminance (ties keep the order of first appearance); returns the
    // map from old to new index and the table in its new order.
    std::vector<Rgb> sorted(std::array<uint8_t, 256>& remap) const {
        std::vector<size_t> idx(order_.size());
        std::iota(idx.begin(), idx.end(), 0);
        std::stable_sort(idx.begin(), idx.end(), [&](size_t a, size_t b) {
            return luminance(order_[a]) > luminance(order_[b]);
        });
        std::iota(remap.begin(), remap.end(), 0);
        std::vector<Rgb> table;
        for (size_t n = 0; n < idx.size(); ++n) {
            remap[first_ + idx[n]] = uint8_t(first_ + n);
            table.push_back(order_[idx[n]]);
        }
        return table;
    }

  private:
    uint8_t first_;
    std::map<Rgb, uint8_t, RgbLess> lookup_;
    std::vector<Rgb> order_;
};

// B = R (or B = G) shades: the other channel pulled down by the amount of grey mixed in.
int mixedIntensity(int v, int b) {
    return v - (255 - v) * b / (254 - b);
}

Pixel classifyBrushPixel(const Rgb& c, const Settings& s, int frame, int frames) {
    const int r = c.r, g = c.g, b = c.b;
    const int t = frames;
    auto primary = [&](int v, int sections) {
        return shadeIndex(v, sections, kBrushFirst, s.spread1, frame, t);
    };
    auto secondary = [&](int v, int sections) {
        return shadeIndex(v, sections, kFillFirst, s.spread2, frame, t);
    };
    Pixel p;
    if (r == 0 && g == 0 && b == 0) {
        p.black = true;
        return p;
    }
    if (r == 255 && g == 255 && b == 255) {
        p.colour = kTransparent;
        return p;
    }
    if (s.blueMask && r == 0 && g == 0 && b == 255) {
        p.mask = true;
        p.colour = kTransparent;
        return p;
    }
    if (s.secondGradient && g == 0 && b == 0) {
        p.colour = secondary(r, s.sections2);
        return p;
    }
    if (s.fixedColours) {
        p.fixed = true;
        return p;
    }
    if (b == 0 && r == 0) {
        p.colour = primary(g, s.sections1);
        return p;
    }
    const bool light = b >= 128;
    if (r == g && g == b) {
        if (light) {
            p.colour = kTransparent;
        } else {
            p.black = true;
        }
    } else if (b == r) {
        p.colour = light ? kTransparent : primary(mixedIntensity(g, b), s.sections1);
    } else if (b == g) {
        p.colour = light ? kTransparent : secondary(mixedIntensity(r, b), s.sections2);
    } else if (g != r) {
        p.colour = r < g ? primary(g, s.sections1) : secondary(r, s.sections1);
    } else if (b == 255) {
        p.colour = kTransparent;
        p.mask = s.blueMask && g < 128;
    } else if (!light || !s.blueMask) {
        p.black = true;
    } else {
        p.mask = true;
        p.colour = kTransparent;
    }
    return p;
}

Pixel classifyFillPixel(const Rgb& c, const Settings& s) {
    Pixel p;
    if (c.r == 0 && c.g == 0 && c.b == 0) {
        p.black = true;
    } else if (s.secondGradient && c.g == 0 && c.b == 0) {
        p.colour = shadeIndex(c.r, s.sections2, kBrushFirst, s.spread2, 0, 1);
    } else if (s.fixedColours) {
        p.fixed = true;
    } else if ((c.r == 0 && c.b == 0) || c.r < c.g) {
        p.colour = shadeIndex(c.g, s.sections1, kFillFirst, s.spread1, 0, 1);
    } else {
        p.colour = shadeIndex(c.r, s.sections2, kBrushFirst, s.spread2, 0, 1);
    }
    return p;
}

// Samples src (w x h, a sub-rectangle of the artwork) into a dw x dh block at pixel centres.
template <typename Get>
void sampleInto(std::vector<uint8_t>& dst, int dstWidth, int dx, int dy, int dw, int dh, int w,
                int h, Get get) {
    for (int y = 0; y < dh; ++y) {
        const int sy = int((int64_t(h) * (2 * y + 1)) / (2 * int64_t(dh)));
        for (int x = 0; x < dw; ++x) {
            const int sx = int((int64_t(w) * (2 * x + 1)) / (2 * int64_t(dw)));
            dst[size_t(dy + y) * size_t(dstWidth) + size_t(dx + x)] = get(sx, sy);
        }
    }
}

// With fixed colours the controls show two range entries per preview entry, so odd offsets
// move to the neighbouring even entry whose colour is nearer in luminance.
void evenOutFixedColours(std::vector<uint8_t>& icon, const std::vector<Rgb>& fixed, uint8_t first) {
    const int n = int(fixed.size());
    for (uint8_t& v : icon) {
        const int o = int(v) - first;
        if (o < 0 || o >= n || o % 2 == 0) continue;
        const double own = luminance(fixed[size_t(o)]);
        int best = o - 1;
        if (o + 1 < n && std::abs(luminance(fixed[size_t(o + 1)]) - own) <
                             std::abs(luminance(fixed[size_t(o - 1)]) - own)) {
            best = o + 1;
        }
        v = uint8_t(first + best);
    }
}

}  // namespace

void Settings::normalise() {
    sections1 = std::max(sections1, 1);
    sections2 = std::max(sections2, 1);
    multiply = std::max(multiply, 1);
    frames = std::max(frames, 1);
    if (kind == AssetKind::Fill) {
        frames = 1;
        multiply = 1;
        blueMask = false;
        beatFrame = false;
        palindrome = false;
    }
}

uint8_t shadeIndex(int v, int sections, uint8_t first, bool spread, int frame, int frames) {
    // Mixed shades can compute intensities outside 0-255, and a dark shade with one section
    // would reach offset 90; both are held inside the range.
    v = std::clamp(v, 0, 255);
    sections = std::max(sections, 1);
    int o = kRangeSize * (255 - v) / (255 * sections);
    o = std::min(o, kRangeSize - 1);
    if (spread && frames > 0) o = (o + frame * kRangeSize / frames) % kRangeSize;
    return uint8_t(first + o);
}

bool classify(const Bitmap& bitmap, const Settings& s, Artwork& out, std::string& message) {
    const bool brush = s.kind == AssetKind::Brush;
    const uint8_t primaryFirst = brush ? kBrushFirst : kFillFirst;
    Artwork art;
    art.width = bitmap.width;
    art.height = bitmap.height;
    art.frames = brush ? s.frames : 1;
    art.colour.assign(size_t(art.width) * size_t(art.height), 0);
    art.mask.assign(art.colour.size(), 0);
    const int frameWidth = art.frameWidth();
    const int total = brush ? s.totalFrames() : 1;
    FixedColours fixed(primaryFirst);
    for (int y = 0; y < art.height; ++y) {
        for (int x = 0; x < art.width; ++x) {
            const Rgb& c = bitmap.at(x, y);
            const int frame = frameWidth > 0 ? (x / frameWidth) % total : 0;
            // Spreading divides the range among the bitmap's own frames.
            Pixel p = brush ? classifyBrushPixel(c, s, frame, art.frames) : classifyFillPixel(c, s);
            if (p.fixed && !fixed.index(c, p.colour)) {
                message = msg::kTooManyFixed;
                return false;
            }
            if (p.black) art.containsBlack = true;
            const size_t i = size_t(y) * size_t(art.width) + size_t(x);
            art.colour[i] = p.colour;
            art.mask[i] = p.mask ? 1 : 0;
        }
    }
    std::array<uint8_t, 256> remap{};
    art.fixedColours = fixed.sorted(remap);
    if (!art.fixedColours.empty()) {
        for (uint8_t& v : art.colour) v = remap[v];
    }
    out = std::move(art);
    return true;
}

void cropBrush(Artwork& art) {
    if (art.width <= 0 || art.height <= 0) return;
    auto rowClear = [&](int y) {
        for (int x = 0; x < art.width; ++x) {
            if (!art.transparent(x, y)) return false;
        }
        return true;
    };
    int top = 0, bottom = art.height;
    while (top < bottom && rowClear(top)) ++top;
    while (bottom > top && rowClear(bottom - 1)) --bottom;
    if (top == bottom) {
        top = 0;
        bottom = 1;
    }

    const int fw = art.frameWidth();
    auto columnClear = [&](int c) {
        for (int f = 0; f < art.frames; ++f) {
            for (int y = top; y < bottom; ++y) {
                if (!art.transparent(f * fw + c, y)) return false;
            }
        }
        return true;
    };
    int left = 0, right = fw;
    while (left < right && columnClear(left)) ++left;
    while (right > left && columnClear(right - 1)) --right;
    if (left == right) {
        left = 0;
        right = std::min(fw, 1);
    }

    const int newFw = right - left;
    Artwork out;
    out.width = newFw * art.frames;
    out.height = bottom - top;
    out.frames = art.frames;
    out.fixedColours = art.fixedColours;
    out.containsBlack = art.containsBlack;
    out.colour.resize(size_t(out.width) * size_t(out.height));
    out.mask.resize(out.colour.size());
    for (int y = 0; y < out.height; ++y) {
        for (int f = 0; f < art.frames; ++f) {
            for (int c = 0; c < newFw; ++c) {
                const size_t from = size_t(y + top) * size_t(art.width) + size_t(f * fw + left + c);
                const size_t to = size_t(y) * size_t(out.width) + size_t(f * newFw + c);
                out.colour[to] = art.colour[from];
                out.mask[to] = art.mask[from];
            }
        }
    }
    art = std::move(out);
}

void multiplyFrames(Artwork& art, const Settings& s) {
    const int m = s.multiply;
    if (m <= 1) return;
    const int total = art.frames * m;
    Artwork out;
    out.width = art.width * m;
    out.height = art.height;
    out.frames = total;
    out.fixedColours = art.fixedColours;
    out.containsBlack = art.containsBlack;
    out.colour.resize(size_t(out.width) * size_t(out.height));
    out.mask.resize(out.colour.size());
    for (int k = 0; k < m; ++k) {
        const int shift = k * kRangeSize / total;
        for (int y = 0; y < art.height; ++y) {
            for (int x = 0; x < art.width; ++x) {
                uint8_t v = art.at(x, y);
                if (s.spread1 && v >= kBrushFirst && v < kBrushFirst + kRangeSize) {
                    v = uint8_t(kBrushFirst + (shift + v - kBrushFirst) % kRangeSize);
                } else if (s.spread2 && v >= kFillFirst && v < kFillFirst + kRangeSize) {
                    v = uint8_t(kFillFirst + (shift + v - kFillFirst) % kRangeSize);
                }
                const size_t to = size_t(y) * size_t(out.width) + size_t(k * art.width + x);
                out.colour[to] = v;
                out.mask[to] = art.mask[size_t(y) * size_t(art.width) + size_t(x)];
            }
        }
    }
    art = std::move(out);
}

std::vector<uint8_t> brushIcon(const Artwork& art) {
    std::vector<uint8_t> icon(size_t(kBrushIconSize) * kBrushIconSize, kTransparent);
    const int fw = art.frameWidth();
    int left = fw, right = 0, top = art.height, bottom = 0;
    for (int y = 0; y < art.height; ++y) {
        for (int x = 0; x < fw; ++x) {
            if (art.transparent(x, y)) continue;
            left = std::min(left, x);
            right = std::max(right, x + 1);
            top = std::min(top, y);
            bottom = std::max(bottom, y + 1);
        }
    }
    if (left >= right || top >= bottom) return icon;
    const int w = right - left, h = bottom - top;
    int dw = w, dh = h;
    if (w > kBrushIconSize || h > kBrushIconSize) {
        if (w >= h) {
            dw = kBrushIconSize;
            dh = std::max(1, h * kBrushIconSize / w);
        } else {
            dh = kBrushIconSize;
            dw = std::max(1, w * kBrushIconSize / h);
        }
    }
    const uint8_t maskColour = art.fixedColours.empty() ? kBrushFirst : kFillFirst;
    sampleInto(icon, kBrushIconSize, (kBrushIconSize - dw) / 2, (kBrushIconSize - dh) / 2, dw, dh,
               w, h, [&](int sx, int sy) {
                   const int x = left + sx, y = top + sy;
                   return art.masked(x, y) ? maskColour : art.at(x, y);
               });
    if (!art.fixedColours.empty()) evenOutFixedColours(icon, art.fixedColours, kBrushFirst);
    return icon;
}

std::vector<uint8_t> fillIcon(const Artwork& art) {
    std::vector<uint8_t> icon(size_t(kFillIconWidth) * kFillIconHeight, 0);
    if (art.width <= 0 || art.height <= 0) return icon;
    sampleInto(icon, kFillIconWidth, 0, 0, kFillIconWidth, kFillIconHeight, art.width, art.height,
               [&](int sx, int sy) { return art.at(sx, sy); });
    if (!art.fixedColours.empty()) evenOutFixedColours(icon, art.fixedColours, kFillFirst);
    return icon;
}

bool writeAsset(const Artwork& art, const Settings& s, Bytes& file, std::string& message) {
    const bool brush = s.kind == AssetKind::Brush;
    if (art.width > kMaxFileDimension || art.height > kMaxFileDimension ||
        art.frames > kMaxFileDimension) {
        message = msg::kTooLarge;
        return false;
    }
    Bytes iconCode, imageCode;
    const std::vector<uint8_t> icon = brush ? brushIcon(art) : fillIcon(art);
    if (!codeImage(icon, brush ? kBrushIconSize : kFillIconWidth,
                   brush ? kBrushIconSize : kFillIconHeight, iconCode)) {
        message = msg::kNoIcon;
        return false;
    }
    if (!codeImage(art.colour, art.width, art.height, imageCode)) {
        message = msg::kCannotWriteImage;
        return false;
    }
    CodedMask mask;
    if (brush && s.blueMask) mask = codeMask(art.mask, art.width, art.height);

    ByteWriter w;
    w.fill(0, kHeaderSize);
    uint8_t* h = w.data().data();
    if (brush) {
        h[0] = 'B';
    } else {
        h[0] = (art.width < 640 || art.height < 480) ? 'T' : 'F';
    }
    h[1] = 3;
    h[2] = 1;
    putLe16(h + 3, uint16_t(art.width));
    putLe16(h + 5, uint16_t(art.height));
    h[15] = uint8_t(art.fixedColours.size());
    h[16] = art.containsBlack ? 1 : 0;
    h[19] = brush ? uint8_t(kFrameBlockSize) : 0;
    if (brush) {
        const uint16_t t = uint16_t(art.frames);
        const uint8_t block[kFrameBlockSize] = {
            uint8_t(s.beatFrame ? 1 : 0), 0, 0, 0, 1, uint8_t(t), uint8_t(t >> 8),
            uint8_t(s.palindrome ? 1 : 0)};
        w.bytes(block);
    }
    for (const Rgb& c : art.fixedColours) {
        w.u8(c.r);
        w.u8(c.g);
        w.u8(c.b);
    }
    w.bytes(iconCode);
    const size_t imageOffset = w.size();
    if (iconCode.size() > 0x7FFF || imageOffset > 0x7FFF || imageCode.size() > 0x7FFFFFFF ||
        mask.bytes.size() > 0x7FFFFFFF) {
        message = msg::kTooLarge;
        return false;
    }
    w.bytes(imageCode);
    w.bytes(mask.bytes);
    h = w.data().data();
    putLe16(h + 21, uint16_t(iconCode.size()));
    putLe16(h + 23, uint16_t(imageOffset));
    putLe32(h + 7, uint32_t(imageCode.size()));
    if (brush && s.blueMask) {
        putLe32(h + 11, uint32_t(mask.bytes.size()));
        h[17] = mask.plain ? 0xFF : 0;
    }
    file = std::move(w.data());
    return true;
}

bool convert(const Bitmap& bitmap, Settings s, Bytes& file, std::string& message) {
    s.normalise();
    if (bitmap.width % s.frames != 0) {
        message = msg::kWidthNotDivisible;
        return false;
    }
    if (int64_t(bitmap.width) * s.multiply > kMaxFileDimension ||
        int64_t(s.frames) * s.multiply > kMaxFileDimension) {
        message = msg::kTooLarge;
        return false;
    }
    Artwork art;
    if (!classify(bitmap, s, art, message)) return false;
    if (s.kind == AssetKind::Brush) {
        cropBrush(art);
        multiplyFrames(art, s);
    }
    return writeAsset(art, s, file, message);
}

bool checkOutputStem(std::string& stem, std::string& message) {
    if (stem.size() > 15) {
        message = msg::kNameTooLong;
        return false;
    }
    for (char& c : stem) {
        if (c == ' ') c = '_';
    }
    return true;
}

const char* extensionFor(AssetKind kind) {
    return kind == AssetKind::Brush ? ".bru" : ".fil";
}

}  // namespace korel::pictomat
