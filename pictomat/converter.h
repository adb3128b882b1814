// The bitmap converter: classifies 24-bit pixels into palette indices and writes brush and fill
// files.
//
// The steps are separate functions so the converter window can preview with the same
// classification; convert() runs them all in order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pictomat/bitmap.h"
#include "platform/bytes.h"
#include "platform/types.h"

namespace korel::pictomat {

namespace msg {
constexpr const char* kTooManyFixed = "This bitmap has more than 90 fixed colors!";
constexpr const char* kNameTooLong = "The file name is too long! 15 letters is maximum.";
constexpr const char* kNoMemoryOperation = "Not enough memory to complete operation!";
constexpr const char* kNoIcon = "Unable to create icon preview!";
constexpr const char* kCannotWriteImage = "Unable to write bitmap array!";
constexpr const char* kCannotWriteMask = "Unable to write mask array!";
constexpr const char* kTooLarge = "The image is too large for a brush or fill file!";
constexpr const char* kSuccess = "Art conversion successful!";
constexpr const char* kFirstOpen = "First open bitmap file.";
constexpr const char* kApplySettings = "Apply settings then save file.";
constexpr const char* kWriteError = "File write error!";
constexpr const char* kNoFolder = "Unable to find file!";
}  // namespace msg

enum class AssetKind { Brush, Fill };

// The converter's settings, with the window's initial values.
struct Settings {
    AssetKind kind = AssetKind::Brush;
    int sections1 = 2;  // primary section count S1
    bool spread1 = false;
    bool fixedColours = false;
    int sections2 = 2;  // secondary section count S2
    bool spread2 = false;
    bool secondGradient = false;
    int frames = 1;    // F, frames side by side in the bitmap
    int multiply = 1;  // M
    bool blueMask = false;
    bool beatFrame = false;
    bool palindrome = false;

    // Applies the settings' rules: section counts and M of 0 count as 1; a fill has one frame,
    // no multiplying and none of the brush settings.
    void normalise();
    // T = F x M (after normalise()).
    int totalFrames() const { return frames * multiply; }
};

constexpr int kRangeSize = 90;
constexpr uint8_t kBrushFirst = 21;
constexpr uint8_t kFillFirst = 111;
constexpr uint8_t kTransparent = 255;
constexpr int kMaxFixedColours = 90;
constexpr int kBrushIconSize = 48;
constexpr int kFillIconWidth = 64;
constexpr int kFillIconHeight = 48;

// The classified picture: palette indices, mask bits (0 or 1) and the fixed colours they use.
struct Artwork {
    int width = 0;
    int height = 0;
    int frames = 1;  // frames side by side
    std::vector<uint8_t> colour;
    std::vector<uint8_t> mask;
    std::vector<Rgb> fixedColours;  // in index order: fixedColours[i] is first index + i
    bool containsBlack = false;

    uint8_t& at(int x, int y) { return colour[size_t(y) * size_t(width) + size_t(x)]; }
    uint8_t at(int x, int y) const { return colour[size_t(y) * size_t(width) + size_t(x)]; }
    bool masked(int x, int y) const { return mask[size_t(y) * size_t(width) + size_t(x)] != 0; }
    bool transparent(int x, int y) const { return at(x, y) == kTransparent && !masked(x, y); }
    int frameWidth() const { return frames > 0 ? width / frames : width; }
};

// The palette index of a shade of intensity v with the given section count: brightest shades
// map to the start of the range; with spreading each frame starts further along.
uint8_t shadeIndex(int v, int sections, uint8_t first, bool spread, int frame, int frames);

// Classifies every pixel (settings already normalised), then renumbers the fixed colours by
// decreasing luminance. Fails with the fixed-colour message on a 91st distinct colour.
bool classify(const Bitmap& bitmap, const Settings& settings, Artwork& out, std::string& message);

// Drops fully transparent rows at the top and bottom and columns that are transparent in every
// frame at the frames' left and right edges. A picture that is transparent everywhere keeps one
// row and one column per frame.
void cropBrush(Artwork& art);

// Repeats the strip M times, shifting the colours of copy k along the ranges being spread.
void multiplyFrames(Artwork& art, const Settings& settings);

// The 48 x 48 brush icon or the 64 x 48 fill icon, as palette indices.
std::vector<uint8_t> brushIcon(const Artwork& art);
std::vector<uint8_t> fillIcon(const Artwork& art);

// Codes the artwork into the bytes of a .bru or .fil file.
bool writeAsset(const Artwork& art, const Settings& settings, Bytes& file, std::string& message);

// The whole conversion of a checked bitmap: classify, crop, multiply, icon, code, write.
bool convert(const Bitmap& bitmap, Settings settings, Bytes& file, std::string& message);

// The output name rule: at most 15 characters (without extension); spaces become "_".
bool checkOutputStem(std::string& stem, std::string& message);

// ".bru" or ".fil".
const char* extensionFor(AssetKind kind);

}  // namespace korel::pictomat
