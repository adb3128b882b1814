// korel-pictgen CONTROLS ICONS SHEET.png: draws the controls window's pictures into the folder
// CONTROLS (as <number>.bmp, with the window icon), the program icon as ICONS/korel-<N>.png,
// and a sheet of every picture enlarged 4 times.
#include <cstdio>
#include <string>

#include "controls/pictures.h"
#include "library/gen/control_art.h"
#include "library/gen/png_writer.h"
#include "platform/files.h"
#include "shell/palette.h"

namespace {

using namespace korel;

constexpr int kIconSizes[] = {16, 32, 48, 64, 128, 256};
constexpr int kSheetScale = 4;
constexpr int kSheetGap = 8;  // unscaled pixels between pictures

bool write(const std::string& path, const Bytes& bytes) {
    const int err = bytes.empty() ? -1 : writeFileReplacing(path, bytes);
    if (err != 0) std::fprintf(stderr, "%s: cannot write (error %d)\n", path.c_str(), err);
    return err == 0;
}

// Every picture one below the other on the window's background, each pixel 4 x 4.
art::Image24 drawSheet(const Palette& palette) {
    int w = 0, h = kSheetGap;
    for (const PictureSize& p : kPictureSizes) {
        w = std::max(w, p.width);
        h += p.height + kSheetGap;
    }
    w += 2 * kSheetGap;
    const PaletteEntry& bg = palette[ui::Grey63];
    art::Image24 sheet(w * kSheetScale, h * kSheetScale, Rgb{bg.r, bg.g, bg.b});
    int top = kSheetGap;
    for (const PictureSize& p : kPictureSizes) {
        const Surface s = art::drawControlPicture(p.number);
        for (int y = 0; y < s.height() * kSheetScale; ++y)
            for (int x = 0; x < s.width() * kSheetScale; ++x) {
                const PaletteEntry& e = palette[s.at(x / kSheetScale, y / kSheetScale)];
                sheet.at(kSheetGap * kSheetScale + x, top * kSheetScale + y) = Rgb{e.r, e.g, e.b};
            }
        top += p.height + kSheetGap;
    }
    return sheet;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: korel-pictgen CONTROLS ICONS SHEET.png\n");
        return 2;
    }
    const std::string controls = argv[1], icons = argv[2], sheet = argv[3];
    if (createFolders(controls) != 0 || createFolders(icons) != 0) {
        std::fprintf(stderr, "%s, %s: cannot create the folders\n", controls.c_str(), icons.c_str());
        return 1;
    }
    const Palette palette = buildProgramPalette();
    for (const PictureSize& p : kPictureSizes) {
        const Surface s = art::drawControlPicture(p.number);
        if (!write(joinPath(controls, pictureFileName(p.number)), encodePicture(s, palette)))
            return 1;
    }
    if (!write(joinPath(controls, kIconFile),
               encodePicture(art::drawMark(kIconSize, kIconClear), palette)))
        return 1;
    for (int n : kIconSizes) {
        const std::string path = joinPath(icons, "korel-" + std::to_string(n) + ".png");
        if (!write(path, art::encodePngRgba(n, n, art::drawMarkRgba(n, palette)))) return 1;
    }
    return write(sheet, art::encodePng(drawSheet(palette))) ? 0 : 1;
}
