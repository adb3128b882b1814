// Building gradients from colour stops: linear blends per channel between stops.
#include "tools/gradient_builder.h"

#include <cstdio>
#include <vector>

namespace korel::tools {

namespace {

struct Stop {
    int position = 0;
    Rgb colour;
};

bool parseColour(const std::vector<Token>& t, size_t from, Rgb& out, std::string& problem) {
    const size_t n = t.size() - from;
    if (n == 1 && t[from].text.size() == 7 && t[from].text[0] == '#') {
        uint8_t c[3];
        for (int i = 0; i < 3; ++i) {
            if (!parseHexByte(t[from].text.substr(1 + 2 * size_t(i), 2), c[i])) {
                problem = "'" + t[from].text + "' is not a colour #rrggbb";
                return false;
            }
        }
        out = Rgb{c[0], c[1], c[2]};
        return true;
    }
    if (n == 3) {
        long long c[3];
        for (size_t i = 0; i < 3; ++i) {
            if (t[from + i].kind != Token::Word || !parseInt(t[from + i].text, c[i]) || c[i] < 0 ||
                c[i] > 255) {
                problem = "'" + t[from + i].text + "' is not a colour value 0-255";
                return false;
            }
        }
        out = Rgb{uint8_t(c[0]), uint8_t(c[1]), uint8_t(c[2])};
        return true;
    }
    problem = "a colour is #rrggbb or three numbers R G B";
    return false;
}

// The nearest whole number to a + (b - a) * num / den, halves away from zero.
uint8_t blend(int a, int b, int num, int den) {
    const int scaled = (b - a) * num * 2;
    const int q = scaled >= 0 ? (scaled + den) / (2 * den) : -((-scaled + den) / (2 * den));
    return uint8_t(a + q);
}

void fillHalf(const std::vector<Stop>& stops, Rgb* out) {
    for (int i = 0; i < kGradientHalf; ++i) {
        size_t k = 0;
        while (k < stops.size() && stops[k].position <= i) ++k;
        if (k == 0) {
            out[i] = stops.front().colour;
        } else if (k == stops.size() || stops[k - 1].position == i) {
            out[i] = stops[k - 1].colour;
        } else {
            const Stop& a = stops[k - 1];
            const Stop& b = stops[k];
            const int num = i - a.position, den = b.position - a.position;
            out[i] = Rgb{blend(a.colour.r, b.colour.r, num, den),
                         blend(a.colour.g, b.colour.g, num, den),
                         blend(a.colour.b, b.colour.b, num, den)};
        }
    }
}

}  // namespace

bool buildGradient(std::string_view source, GradientFile& out, Diagnostic& error) {
    GradientFile g;
    std::vector<Stop> halves[2];
    std::vector<int> sections;  // the halves the stops being read go to
    int sectionLine[2] = {0, 0};
    const auto lines = splitLines(source);
    for (size_t i = 0; i < lines.size(); ++i) {
        error.line = int(i + 1);
        std::vector<Token> t;
        if (!tokenizeLine(lines[i], t, error.message)) return false;
        if (t.empty()) continue;
        const std::string& w = t[0].text;
        if (w == "brush" || w == "fill" || w == "both") {
            if (t.size() != 1) {
                error.message = "'" + w + "' stands alone on its line";
                return false;
            }
            sections.clear();
            if (w != "fill") sections.push_back(0);
            if (w != "brush") sections.push_back(1);
            for (int h : sections) {
                if (sectionLine[h] != 0) {
                    error.message = std::string("the ") + (h == 0 ? "brush" : "fill") +
                                    " half is described twice (first on line " +
                                    std::to_string(sectionLine[h]) + ")";
                    return false;
                }
                sectionLine[h] = error.line;
            }
            continue;
        }
        if (w == "header") {
            if (t.size() != 5) {
                error.message = "'header' takes 4 hexadecimal bytes";
                return false;
            }
            for (size_t k = 0; k < 4; ++k) {
                if (!parseHexByte(t[k + 1].text, g.header[k])) {
                    error.message = "'" + t[k + 1].text + "' is not a hexadecimal byte";
                    return false;
                }
            }
            continue;
        }
        long long pos = 0;
        if (!parseInt(w, pos)) {
            error.message = "unknown statement '" + w + "'";
            return false;
        }
        if (sections.empty()) {
            error.message = "a colour stop before 'brush', 'fill' or 'both'";
            return false;
        }
        if (pos < 0 || pos > kGradientHalf) {
            error.message = "the position " + w + " is outside 0-90";
            return false;
        }
        Stop stop{int(pos), Rgb{}};
        if (!parseColour(t, 1, stop.colour, error.message)) return false;
        for (int h : sections) {
            if (!halves[h].empty() && halves[h].back().position >= stop.position) {
                error.message = "the position " + w + " does not rise above the stop before it";
                return false;
            }
            halves[h].push_back(stop);
        }
    }
    for (int h = 0; h < 2; ++h) {
        if (halves[h].empty()) {
            error.line = 0;
            error.message =
                std::string("the ") + (h == 0 ? "brush" : "fill") + " half has no colour stops";
            return false;
        }
        fillHalf(halves[h], g.colours.data() + h * kGradientHalf);
    }
    out = g;
    return true;
}

Bytes writeGradientFile(const GradientFile& g) {
    ByteWriter w;
    w.u8('G');
    w.bytes(g.header);
    for (const Rgb& c : g.colours) {
        w.u8(c.r);
        w.u8(c.g);
        w.u8(c.b);
    }
    return std::move(w.data());
}

bool readGradientFile(std::span<const uint8_t> bytes, GradientFile& out, std::string& error) {
    ByteReader r(bytes);
    uint8_t tag = 0;
    if (!r.u8(tag) || tag != 'G') {
        error = "Not a valid file!";
        return false;
    }
    GradientFile g;
    if (!r.bytes(g.header.data(), 4)) {
        error = "the file ends too early";
        return false;
    }
    for (Rgb& c : g.colours) {
        if (!r.u8(c.r) || !r.u8(c.g) || !r.u8(c.b)) {
            error = "the file ends too early";
            return false;
        }
    }
    out = g;
    return true;
}

std::string gradientToStops(const GradientFile& g) {
    std::string s;
    if (g.header != std::array<uint8_t, 4>{}) s += "header " + hexBytes(g.header) + "\n";
    char buf[32];
    for (int h = 0; h < 2; ++h) {
        s += h == 0 ? "brush\n" : "\nfill\n";
        for (int i = 0; i < kGradientHalf; ++i) {
            const Rgb& c = g.colours[size_t(h * kGradientHalf + i)];
            std::snprintf(buf, sizeof buf, "%-3d #%02x%02x%02x\n", i, c.r, c.g, c.b);
            s += buf;
        }
    }
    return s;
}

}  // namespace korel::tools
