// Parsing korel-render's command line.
#include "render/render_options.h"

#include <cmath>
#include <cstdlib>

namespace korel {

namespace {

// A whole number in [lo, hi] that is all of `text`.
bool parseInt(const std::string& text, int lo, int hi, int& out) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    const int v = std::atoi(text.c_str());
    if (v < lo || v > hi) return false;
    out = v;
    return true;
}

// Seconds, as "12", "12.5" or "1:30" (minutes and seconds).
bool parseSeconds(const std::string& text, double& out) {
    if (text.empty() || text.size() > 20) return false;
    double minutes = 0;
    std::string rest = text;
    const size_t colon = text.find(':');
    if (colon != std::string::npos) {
        int m = 0;
        if (!parseInt(text.substr(0, colon), 0, 100000, m)) return false;
        minutes = m;
        rest = text.substr(colon + 1);
    }
    if (rest.empty()) return false;
    char* end = nullptr;
    const double s = std::strtod(rest.c_str(), &end);
    if (*end != '\0' || !std::isfinite(s) || s < 0 || rest[0] == '-' || rest[0] == '+') return false;
    out = minutes * 60 + s;
    return out < 1.0e6;
}

}  // namespace

bool parseRenderOptions(const std::vector<std::string>& args, RenderOptions& out,
                        std::string& error) {
    RenderOptions o;
    bool fromSet = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool takesValue = a == "-o" || a == "--rave" || a == "--style" || a == "--size" ||
                                a == "--fps" || a == "--from" || a == "--to";
        if (takesValue && i + 1 >= args.size()) {
            error = a + " needs a value";
            return false;
        }
        if (a == "-o") {
            o.output = args[++i];
        } else if (a == "--rave") {
            o.rave = args[++i];
        } else if (a == "--style") {
            o.style = args[++i];
        } else if (a == "--size") {
            const std::string& v = args[++i];
            const size_t x = v.find_first_of("xX");
            if (x == std::string::npos || !parseInt(v.substr(0, x), 16, 7680, o.width) ||
                !parseInt(v.substr(x + 1), 16, 4320, o.height)) {
                error = "--size takes WIDTHxHEIGHT from 16x16 to 7680x4320, not \"" + v + "\"";
                return false;
            }
            if (o.width % 2 || o.height % 2) {
                error = "--size needs an even width and height (the video's colours are shared "
                        "by 2x2 pixels)";
                return false;
            }
        } else if (a == "--fps") {
            if (!parseInt(args[++i], 1, 120, o.fps)) {
                error = "--fps takes a whole number from 1 to 120, not \"" + args[i] + "\"";
                return false;
            }
        } else if (a == "--from" || a == "--to") {
            double& field = a == "--from" ? o.from : o.to;
            if (!parseSeconds(args[++i], field)) {
                error = a + " takes seconds (like 12.5 or 1:30), not \"" + args[i] + "\"";
                return false;
            }
            fromSet |= a == "--from";
        } else if (a == "--quiet" || a == "-q") {
            o.quiet = true;
        } else if (a == "--bench") {
            o.bench = true;
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            error = "unknown option \"" + a + "\"";
            return false;
        } else if (o.song.empty()) {
            o.song = a;
        } else {
            error = "one song at a time (\"" + a + "\" is a second one)";
            return false;
        }
    }
    if (o.song.empty()) {
        error = "no song given";
        return false;
    }
    if (o.output.empty()) {
        error = "no output file given (-o OUT.mp4)";
        return false;
    }
    if (!o.rave.empty() && !o.style.empty()) {
        error = "--rave and --style cannot both be given";
        return false;
    }
    if (o.to >= 0 && o.to <= o.from) {
        error = fromSet ? "--to must come after --from" : "--to must be above 0";
        return false;
    }
    out = o;
    return true;
}

uint32_t frameTimeMs(int64_t n, int fps) {
    if (n <= 0 || fps <= 0) return 0;
    return uint32_t((n * 1000 + fps / 2) / fps);
}

int64_t firstFrameAt(double seconds, int fps) {
    if (seconds <= 0 || fps <= 0) return 0;
    return int64_t(std::ceil(seconds * fps - 1e-9));
}

}  // namespace korel
