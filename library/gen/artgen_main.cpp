// korel-artgen OUTDIR: draws every bundled brush and fill as a 24-bit bitmap in the converter's
// colour code, and writes OUTDIR/convert.cmake, the script that converts them all with the
// settings each design needs (run as: cmake -DPICTOMAT=... -DSEED=... -P convert.cmake).
#include <cstdio>
#include <string>

#include "library/gen/designs.h"
#include "platform/files.h"

namespace {

using namespace korel;
using namespace korel::art;

std::string options(const ConvertSettings& s, int frames) {
    std::string o = s.fill ? "--fill" : "--brush";
    o +=
        " --sections " + std::to_string(s.sections) + " --sections2 " + std::to_string(s.sections2);
    if (s.spread) o += " --spread";
    if (s.spread2) o += " --spread2";
    if (s.fixedColours) o += " --fixed-colors";
    if (s.secondGradient) o += " --second-gradient";
    if (!s.fill) {
        o += " --frames " + std::to_string(frames);
        if (s.multiply > 1) o += " --multiply " + std::to_string(s.multiply);
        if (s.blueMask) o += " --blue-mask";
        if (s.beatFrame) o += " --beat-frame";
        if (s.palindrome) o += " --palindrome";
    }
    return o;
}

std::string conversion(const std::string& bitmap, const std::string& output,
                       const std::string& opts) {
    return "execute_process(COMMAND \"${PICTOMAT}\" " + opts + " \"" + bitmap + "\" \"" + output +
           "\"\n  RESULT_VARIABLE rc OUTPUT_QUIET)\nif(rc)\n  message(FATAL_ERROR \"converting " +
           bitmap + " failed\")\nendif()\n";
}

bool writeBitmap(const std::string& path, const InkImage& design) {
    const int err = writeFileReplacing(path, encodeBmp24(paint(design)));
    if (err != 0) std::fprintf(stderr, "%s: cannot write (error %d)\n", path.c_str(), err);
    return err == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: korel-artgen OUTDIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    if (createFolders(dir) != 0) {
        std::fprintf(stderr, "%s: cannot create the folder\n", dir.c_str());
        return 1;
    }
    std::string script =
        "# Written by korel-artgen: converts the drawn bitmaps into the seed's brushes and fills.\n"
        "file(MAKE_DIRECTORY \"${SEED}/Brushes\" \"${SEED}/Fills\")\n";
    for (const BrushDesign& b : brushDesigns()) {
        const std::string bmp = joinPath(dir, b.name + ".bmp");
        if (!writeBitmap(bmp, drawBrush(b))) return 1;
        script +=
            conversion(bmp, "${SEED}/Brushes/" + b.name + ".bru", options(b.settings, b.frames));
    }
    for (const FillDesign& f : fillDesigns()) {
        const std::string bmp = joinPath(dir, f.name + ".bmp");
        if (!writeBitmap(bmp, drawFill(f))) return 1;
        script += conversion(bmp, "${SEED}/Fills/" + f.name + ".fil", options(f.settings, 1));
    }
    const std::string scriptPath = joinPath(dir, "convert.cmake");
    Bytes text(script.begin(), script.end());
    if (writeFileReplacing(scriptPath, text) != 0) {
        std::fprintf(stderr, "%s: cannot write\n", scriptPath.c_str());
        return 1;
    }
    return 0;
}
