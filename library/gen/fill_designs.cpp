// The bundled fills: full pictures (640 x 480, the 4:3 reference) and seamless tiles.
#include <cmath>

#include "library/gen/designs.h"
#include "library/gen/geometry.h"

namespace korel::art {

namespace {

constexpr int kFullWidth = 640;
constexpr int kFullHeight = 480;

// A quilt block: an eight-pointed star on patchwork triangles, framed by a stitched border.
Ink astralQuilt(double x, double y) {
    constexpr double kSize = 120;
    const double u = x - kSize / 2, v = y - kSize / 2;
    const double edge = std::min(std::min(x, y), std::min(kSize - x, kSize - y));
    if (edge < 2) return Ink::shade(80);  // the seam between blocks
    if (std::abs(edge - 5) < 0.8 && std::fmod(x + y, 8.0) < 5) return Ink::shade(0);  // stitches
    const double r = length(u, v);
    const Vec w = foldWedge({u, v}, 8);
    const double a = angleOf(w.x, w.y) / (kPi / 8);  // 0 on a point, 1 between points
    const double reach = 22 + 30 * (1 - a);
    if (r < reach) {
        if (r < 8) return Ink::shade(5);
        const int point = int(std::floor((std::atan2(v, u) + kPi) / (kPi / 4) + 0.5)) % 8;
        const bool leftHalf = std::fmod(std::atan2(v, u) + kTau + kPi / 8, kPi / 4) < kPi / 8;
        return Ink::shade(10 + (point % 2) * 20 + (leftHalf ? 0 : 8) + r * 0.3);
    }
    // Patchwork: each corner square split along its diagonal into two fabrics.
    const bool upper = (u < 0) == (v < 0) ? std::abs(u) > std::abs(v) : std::abs(u) < std::abs(v);
    return Ink::shade((upper ? 50 : 65) + std::fmod(std::floor(x / 4) + std::floor(y / 4), 2) * 4);
}

// A spiral wound on ovals: every turn of the gradient runs out along a twisting arm.
Ink spirovalTwist(double x, double y) {
    const double u = (x - kFullWidth / 2.0) / 1.33, v = y - kFullHeight / 2.0;
    const double r = std::max(length(u, v), 1.0);
    const double a = angleOf(u, v);
    const double twist = 0.35 * std::sin(r / 40);
    return Ink::shade((a + twist) * 3 / kTau * 90 + std::log(r) * 55);
}

Ink sunBeams(double x, double y) {
    const double u = x - kFullWidth / 2.0, v = y - kFullHeight / 2.0;
    const double r = length(u, v);
    if (r < 46) return Ink::shade(r * 0.3);
    if (r < 52) return Ink::shade(18 + (r - 46));
    const double beams = 24;
    const double a = fract((angleOf(u, v) + kPi) / kTau * beams);
    const double tri = std::abs(a - 0.5) * 2;  // 0 in a beam's middle, 1 between beams
    const double width = 0.55 + 0.25 * std::sin(r / 30);
    if (tri > width) return Ink::shade(60 + tri * 25);
    return Ink::shade(tri / width * 40 + r / 12);
}

Ink nebulaClouds(double x, double y) {
    double sum = 0, amplitude = 0.5, frequency = 1.0 / 96;
    for (int octave = 0; octave < 5; ++octave) {
        sum += amplitude * valueNoise(x * frequency, y * frequency, 7 + octave, 1 << 20);
        amplitude *= 0.5;
        frequency *= 2;
    }
    return Ink::shade(sum * 260);
}

Ink ripplePool(double x, double y) {
    static const Vec kDrops[] = {{180, 150}, {470, 200}, {300, 380}};
    double s = 0;
    for (const Vec& d : kDrops) s += std::sin(length(x - d.x, y - d.y) / 9);
    return Ink::shade((s + 3) / 6 * 180);
}

Ink plasmaWaves(double x, double y) {
    const double s = std::sin(x / 47) + std::sin(y / 31) + std::sin((x + y) / 61) +
                     std::sin(length(x - 320, y - 240) / 37);
    return Ink::shade((s + 4) / 8 * 270);
}

// Stars of every size on black, thicker along a diagonal band like a galaxy's plane, whose
// glowing dust clouds carry the colours through an otherwise black sky.
Ink starfield(double x, double y) {
    constexpr int kCell = 16;
    const int cx = int(x) / kCell, cy = int(y) / kCell;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int gx = cx + dx, gy = cy + dy;
            const double band =
                std::exp(-std::pow((gx * kCell - gy * kCell * 1.3 - 50) / 140.0, 2));
            if (hash01(gx, gy, 3) > 0.25 + 0.6 * band) continue;
            const double sx = (gx + hash01(gx, gy, 4)) * kCell,
                         sy = (gy + hash01(gx, gy, 5)) * kCell;
            const double size = 0.6 + 2.4 * std::pow(hash01(gx, gy, 6), 3);
            const double d = length(x - sx, y - sy);
            const double ray = std::min(std::abs(x - sx), std::abs(y - sy));
            if (d < size || (size > 1.8 && ray < 0.6 && d < size * 3))
                return Ink::shade(hash01(gx, gy, 8) * 90 + d * 8);
        }
    const double band = std::exp(-std::pow((x - y * 1.3 - 50) / 110.0, 2));
    double dust = 0, amplitude = 0.5, frequency = 1.0 / 80;
    for (int octave = 0; octave < 4; ++octave) {
        dust += amplitude * valueNoise(x * frequency, y * frequency, 21 + octave, 1 << 20);
        amplitude *= 0.5;
        frequency *= 2;
    }
    if (dust * band > 0.3) return Ink::shade(dust * 200 + x / 12);
    return Ink::black();
}

// Over-under weave of two sets of ribbons, each ribbon shaded across its width.
Ink wovenLattice(double x, double y) {
    constexpr double kStrip = 32;
    const double fx = std::fmod(x, kStrip), fy = std::fmod(y, kStrip);
    const int col = int(x / kStrip), row = int(y / kStrip);
    const bool horizontalOnTop = ((col + row) & 1) == 0;
    const bool inH = fy > 3 && fy<kStrip - 3, inV = fx> 3 && fx < kStrip - 3;
    if (inH && (horizontalOnTop || !inV))
        return Ink::shade(std::abs(fy - kStrip / 2) * 2.5 + x * 90 / 64.0);
    if (inV) return Ink::shade(45 + std::abs(fx - kStrip / 2) * 2.5 + y * 90 / 64.0);
    return Ink::shade(88);
}

// Argyle: diamonds in two fabrics crossed by thin diagonal stitching.
Ink diamondArgyle(double x, double y) {
    constexpr double kW = 96, kH = 128;
    const double u = std::abs(std::fmod(x, kW) - kW / 2) / (kW / 2);
    const double v = std::abs(std::fmod(y, kH) - kH / 2) / (kH / 2);
    const double l1 = u + v;  // < 1 inside the centred diamond
    const double d1 = std::fmod(x / kW + y / kH, 0.5), d2 = std::fmod(x / kW - y / kH + 8, 0.5);
    if (std::min(std::min(d1, 0.5 - d1), std::min(d2, 0.5 - d2)) < 0.012) return Ink::shade(0);
    if (l1 < 1) return Ink::shade(20 + l1 * 40);
    return Ink::shade(65 + (l1 - 1) * 24);
}

// Glass in its own jewel colours: cells round 48 scattered seeds, leaded in black.
Ink stainedGlass(double x, double y) {
    static const Rgb kGlass[] = {{200, 30, 40},   {230, 120, 20}, {240, 200, 40}, {40, 160, 60},
                                 {20, 110, 170},  {70, 50, 160},  {150, 40, 150}, {30, 180, 170},
                                 {250, 240, 200}, {120, 20, 30},  {20, 70, 120},  {200, 90, 140}};
    constexpr int kSeeds = 48;
    double best = 1e9, second = 1e9;
    int bestSeed = 0;
    for (int i = 0; i < kSeeds; ++i) {
        const double sx = hash01(i, 0, 11) * kFullWidth, sy = hash01(i, 1, 11) * kFullHeight;
        const double d = length(x - sx, y - sy);
        if (d < best) {
            second = best;
            best = d;
            bestSeed = i;
        } else if (d < second) {
            second = d;
        }
    }
    if (second - best < 3.0) return Ink::black();  // the lead between panes
    const Rgb base = kGlass[bestSeed % 12];
    // Three levels of light per pane: brighter toward its seed.
    const double light = best < 25 ? 1.0 : best < 55 ? 0.85 : 0.7;
    return Ink::fixed({uint8_t(base.r * light), uint8_t(base.g * light), uint8_t(base.b * light)});
}

std::vector<FillDesign> makeFills() {
    ConvertSettings fill;
    fill.fill = true;
    ConvertSettings fixed = fill;
    fixed.fixedColours = true;
    std::vector<FillDesign> list;
    auto add = [&](std::string name, std::string what, int w, int h, ConvertSettings s,
                   Ink (*fn)(double, double)) {
        list.push_back(FillDesign{std::move(name), std::move(what), w, h, s, fn});
    };
    add("Astral_Quilt", "quilt blocks of eight-pointed stars, tiled", 120, 120, fill, astralQuilt);
    add("Spiroval_Twist", "three-armed spiral wound on ovals", kFullWidth, kFullHeight, fill,
        spirovalTwist);
    add("Sun_Beams", "sun with 24 beams filling the picture", kFullWidth, kFullHeight, fill,
        sunBeams);
    add("Nebula_Clouds", "soft clouds of drifting colour", kFullWidth, kFullHeight, fill,
        nebulaClouds);
    add("Ripple_Pool", "ripples from three drops crossing", kFullWidth, kFullHeight, fill,
        ripplePool);
    add("Plasma_Waves", "rolling waves of plasma", kFullWidth, kFullHeight, fill, plasmaWaves);
    add("Starfield", "stars on black along a galactic band", kFullWidth, kFullHeight, fill,
        starfield);
    add("Woven_Lattice", "over-under woven ribbons, tiled", 64, 64, fill, wovenLattice);
    add("Diamond_Argyle", "argyle diamonds with stitching, tiled", 96, 128, fill, diamondArgyle);
    add("Stained_Glass", "leaded glass panes in their own colours", kFullWidth, kFullHeight, fixed,
        stainedGlass);
    return list;
}

}  // namespace

const std::vector<FillDesign>& fillDesigns() {
    static const std::vector<FillDesign> list = makeFills();
    return list;
}

InkImage drawFill(const FillDesign& design) {
    InkImage out(design.width, design.height);
    for (int y = 0; y < design.height; ++y)
        for (int x = 0; x < design.width; ++x) out.at(x, y) = design.ink(x + 0.5, y + 0.5);
    return out;
}

}  // namespace korel::art
