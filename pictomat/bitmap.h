// Reading of 24-bit uncompressed Windows bitmaps, with the converter's checks and messages.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace korel::pictomat {

// The converter's messages about bitmaps, in the order the checks are made.
namespace msg {
constexpr const char* kCannotOpen = "Couldn't open bitmap file!";
constexpr const char* kNotBitmap = "Not a bitmap file!";
constexpr const char* kNotStandard = "Not a standard Windows bitmap file!";
constexpr const char* kNotOnePlane = "This bitmap does not have 1 plane!";
constexpr const char* kNot24Bit = "Not a 24-bit bitmap!";
constexpr const char* kCompressed = "Not an uncompressed bitmap.";
constexpr const char* kWidthNotDivisible = "Width is not evenly divisible by number of frames!";
constexpr const char* kNoMemoryBitmap = "Not enough memory to load bitmap!";
constexpr const char* kEndOfFile = "End of file error!";
}  // namespace msg

// A 24-bit picture, rows from the top down.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;

    const Rgb& at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// The largest picture accepted, in pixels; a header asking for more gets the memory message.
constexpr int64_t kMaxBitmapPixels = int64_t(1) << 26;

// Checks and reads a bitmap file held in memory. `frames` (at least 1) is the frame count the
// width must divide. On failure `message` holds the converter's text and `out` is untouched.
// Headers or pixel rows cut short give "End of file error!".
bool readBitmap(std::span<const uint8_t> file, int frames, Bitmap& out, std::string& message);

// The frame count a file name announces: the digits that end the name before its extension
// ("Spin12.bmp" gives 12); 1 when there are none or they read 0.
int framesFromFileName(std::string_view fileName);

// The name proposed when saving: the name without folder, extension and trailing digits, with
// spaces as "_".
std::string proposedStem(std::string_view fileName);

}  // namespace korel::pictomat
