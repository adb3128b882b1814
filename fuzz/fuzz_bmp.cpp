// Fuzz target: 24-bit bitmaps opened in the converter's window (checked, sampled into the
// preview, classified) and converted into a brush or fill. The first byte picks the frame count
// in the file's name and the settings; the rest is the bitmap file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "pictomat/bitmap.h"
#include "pictomat/converter.h"
#include "pictomat/window_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korel::pictomat;
    if (size < 1) return 0;
    const uint8_t pick = data[0];
    const korel::Bytes file(data + 1, data + size);
    std::string name = "Art";
    name += std::to_string(pick % 4 + 1);
    name += ".bmp";

    WindowModel window;
    if (!window.openBytes(name, file)) return 0;
    window.chooseKind(pick & 0x08 ? AssetKind::Fill : AssetKind::Brush);
    window.setChecked(Check::BlueMask, (pick & 0x10) != 0);
    window.setChecked(Check::FixedColours, (pick & 0x20) != 0);
    window.setChecked(Check::SecondGradient, (pick & 0x40) != 0);
    window.setChecked(Check::Spread1, (pick & 0x80) != 0);
    window.setFieldText(Field::Multiply, (pick & 0x04) ? "3" : "1");

    Bitmap bitmap;
    std::string message;
    if (!readBitmap(file, framesFromFileName(name), bitmap, message)) return 0;
    korel::Bytes asset;
    convert(bitmap, window.settings(), asset, message);
    return 0;
}
