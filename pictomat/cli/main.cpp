// The converter's command line: converts one 24-bit bitmap into a brush or fill file. Without
// arguments it opens the converter's window instead.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "pictomat/bitmap.h"
#include "pictomat/converter.h"
#include "pictomat/window_model.h"
#include "platform/files.h"
#ifdef KOREL_PICTOMAT_WINDOW
#include "platform/gtk/pictomat_window.h"
#endif

namespace {

using namespace korel;
using namespace korel::pictomat;

void usage() {
    std::fputs(
        "usage: pictomat [--brush|--fill] [--sections N] [--spread] [--fixed-colors]\n"
        "                [--sections2 N] [--spread2] [--second-gradient] [--frames N]\n"
        "                [--multiply M] [--blue-mask] [--beat-frame] [--palindrome]\n"
        "                BITMAP.bmp [OUTPUT]\n",
        stderr);
}

// The number fields take at most three digits.
bool parseField(const char* text, int& out) {
    const size_t n = std::strlen(text);
    if (n == 0 || n > 3) return false;
    int v = 0;
    for (size_t i = 0; i < n; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
    }
    out = v;
    return true;
}

bool endsWithCaseBlind(std::string_view s, std::string_view suffix) {
    if (s.size() < suffix.size()) return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        char a = s[s.size() - suffix.size() + i];
        if (a >= 'A' && a <= 'Z') a = char(a - 'A' + 'a');
        if (a != suffix[i]) return false;
    }
    return true;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

int fail(const std::string& file, const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", file.c_str(), message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef KOREL_PICTOMAT_WINDOW
    if (argc == 1) return korel::gtkui::runPictomatWindow();
#endif
    Settings s;
    bool kindGiven = false;
    int frames = 0;  // 0: from the bitmap's name
    std::string input, output;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        auto number = [&](int& target) {
            if (i + 1 >= argc || !parseField(argv[i + 1], target)) {
                std::fprintf(stderr, "pictomat: %s takes a number 0-999\n", argv[i]);
                return false;
            }
            ++i;
            return true;
        };
        if (a == "--brush" || a == "--fill") {
            s.kind = a == "--brush" ? AssetKind::Brush : AssetKind::Fill;
            kindGiven = true;
        } else if (a == "--sections") {
            if (!number(s.sections1)) return 2;
        } else if (a == "--sections2") {
            if (!number(s.sections2)) return 2;
        } else if (a == "--multiply") {
            if (!number(s.multiply)) return 2;
        } else if (a == "--frames") {
            if (!number(frames)) return 2;
        } else if (a == "--spread") {
            s.spread1 = true;
        } else if (a == "--spread2") {
            s.spread2 = true;
        } else if (a == "--fixed-colors" || a == "--fixed-colours") {
            s.fixedColours = true;
        } else if (a == "--second-gradient") {
            s.secondGradient = true;
        } else if (a == "--blue-mask") {
            s.blueMask = true;
        } else if (a == "--beat-frame") {
            s.beatFrame = true;
        } else if (a == "--palindrome") {
            s.palindrome = true;
        } else if (a == "-h" || a == "--help") {
            usage();
            return 0;
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            std::fprintf(stderr, "pictomat: unknown option %s\n", argv[i]);
            usage();
            return 2;
        } else if (input.empty()) {
            input = argv[i];
        } else if (output.empty()) {
            output = argv[i];
        } else {
            usage();
            return 2;
        }
    }
    if (input.empty()) {
        usage();
        return 2;
    }
    if (!kindGiven && endsWithCaseBlind(output, ".fil")) s.kind = AssetKind::Fill;
    s.frames = frames > 0 ? frames : framesFromFileName(input);

    Bytes file;
    if (readWholeFile(input, file) != 0) return fail(input, msg::kCannotOpen);
    Settings checked = s;
    checked.normalise();
    std::string message;
    Bitmap bitmap;
    if (!readBitmap(file, checked.frames, bitmap, message)) return fail(input, message);

    // The output: a file, or a folder (or nothing) where the proposed name goes.
    std::string folder, stem;
    if (output.empty() || folderExists(output)) {
        folder = output.empty() ? folderOf(input) : output;
        stem = proposedStem(input);
    } else {
        folder = folderOf(output);
        std::string name = output.substr(output.find_last_of('/') + 1);
        const size_t dot = name.find_last_of('.');
        stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    }
    if (!checkOutputStem(stem, message)) return fail(input, message);
    const std::string target = joinPath(folder, stem + extensionFor(s.kind));
    if (!convertToFile(bitmap, s, target, message)) return fail(input, message);
    std::printf("%s\n", msg::kSuccess);
    return 0;
}
