// The bundled brushes: symmetric sigils, flakes, wheels and creatures in gradient shades.
//
// Shade positions are chosen so that every design runs through the whole 90-entry range: when
// the palette rotates, colour flows along lines, out of centres or round the rims.
#include <cmath>

#include "library/gen/designs.h"
#include "library/gen/geometry.h"

namespace korel::art {

namespace {

// Line work with an optional mask outline around it: inside `core` the shade, within `halo`
// the mask (when the brush has one), elsewhere transparent.
Ink lineInk(double distance, double core, double halo, double position, bool withMask) {
    if (distance <= core) return Ink::shade(position);
    if (withMask && distance <= halo) return Ink::mask();
    return Ink::clear();
}

Ink veve(int f, double x, double y) {
    const Vec q{std::abs(x), std::abs(y)};
    const double pulse = 4.0 + 1.2 * std::sin(kTau * f / 8);
    double d = 1e9;
    d = std::min(d, segmentDistance(q, {0, 0}, {0, 25}));
    d = std::min(d, segmentDistance(q, {0, 0}, {25, 0}));
    d = std::min(d, segmentDistance(q, {11, 0}, {0, 11}));  // the central diamond
    d = std::min(d, ringDistance(q, {0, 29}, pulse));       // rings that end the arms
    d = std::min(d, ringDistance(q, {29, 0}, pulse));
    d = std::min(d, segmentDistance(q, {0, 17}, {6, 17}));  // cross-bars on the arms
    d = std::min(d, segmentDistance(q, {17, 0}, {17, 6}));
    d = std::min(d, ringDistance(q, {15, 15}, 5.5));  // curls between the arms
    d = std::min(d, segmentDistance(q, {8, 8}, {11, 11}));
    const double dot = std::min(length(q.x - 21, q.y - 21), length(q.x - 5, q.y - 5));
    if (dot < 2.2) return Ink::shade(70 + f * 90.0 / 8);
    const double r = length(x, y);
    return lineInk(d, 1.4, 2.9, r * 2.2 - f * 90.0 / 8, true);
}

Ink celticSnow(int f, double x, double y) {
    const Vec p = rotate({x, y}, kTau / 6 * f / 12);
    const Vec w = foldWedge(p, 6);  // the arm lies along +x
    const double r = length(x, y);
    double d = segmentDistance(w, {0, 0}, {31, 0});
    d = std::min(d, segmentDistance(w, {11, 0}, {11 + 9 * 0.5, 9 * 0.866}));
    d = std::min(d, segmentDistance(w, {21, 0}, {21 + 6 * 0.5, 6 * 0.866}));
    d = std::min(d, ringDistance(p, {0, 0}, 7));
    const double tip = length(w.x - 31, w.y);
    if (tip < 2.6) return Ink::shade(0);
    // An interlaced ring: broken where an arm crosses it, so the arms seem to pass over it.
    const double a = angleOf(w.x, w.y);
    if (std::abs(r - 17) < 1.3 && a > 0.16) return Ink::shade(45 + a * 60);
    if (d <= 1.4) return Ink::shade(r * 2.9);
    return Ink::clear();
}

Ink caterpiller(int f, double x, double y) {
    const double phase = kTau * f / 8;
    // The head is the last segment, on the right; drawn last so it overlaps.
    for (int i = 6; i >= 0; --i) {
        const double cx = -45 + i * 14.5;
        const double cy = 5 * std::sin(i * 0.9 - phase) + 2;
        const double rad = i == 6 ? 10.5 : 7.5 + 0.3 * i;
        const double d = length(x - cx, y - cy);
        if (i == 6) {
            if (length(x - (cx + 4), y - (cy - 3)) < 1.8) return Ink::black();  // eye
            const double ant =
                std::min(segmentDistance({x, y}, {cx + 3, cy - 9}, {cx + 9, cy - 18}),
                         segmentDistance({x, y}, {cx - 2, cy - 9}, {cx, cy - 19}));
            if (ant < 1.0) return Ink::shade(80);
            if (length(x - (cx + 9), y - (cy - 18)) < 2.2) return Ink::shade(10);
            if (length(x - cx, y - (cy - 19)) < 2.2) return Ink::shade(10);
        }
        if (d < rad) return Ink::shade(i * 13 + d / rad * 24);
        // Legs under each body segment, alternating with the step.
        if (i < 6) {
            const double swing = 3 * std::sin(i * 1.7 - phase);
            if (segmentDistance({x, y}, {cx, cy + rad - 1}, {cx + swing, cy + rad + 6}) < 1.0)
                return Ink::shade(60 + i * 4);
        }
    }
    return Ink::clear();
}

Ink doubleDiamond(int f, double x, double y) {
    const double l1 = std::abs(x) + std::abs(y);
    if (f == 8) {  // the beat frame: a burst of nested diamonds with rays on the axes
        if (l1 < 30 && std::fmod(l1, 6.0) < 3.5) return Ink::shade(l1 * 3);
        if ((std::abs(x) < 1.5 || std::abs(y) < 1.5) && l1 < 31) return Ink::shade(0);
        return Ink::clear();
    }
    const double s = std::sin(kTau * f / 8);
    const double outer = 24 + 4 * s, inner = 13 - 3 * s;
    if (std::abs(l1 - outer) < 2.2) return Ink::shade(l1 * 3 + f * 90.0 / 8);
    if (std::abs(l1 - inner) < 2.0) return Ink::shade(45 + l1 * 3 - f * 90.0 / 8);
    if (l1 < 5.5) return Ink::shade(l1 * 4);
    return Ink::clear();
}

Ink paperPinwheel(int f, double x, double y) {
    const double r = length(x, y);
    if (r < 2.8) return Ink::shade(85);  // the pin
    const double rot = (kPi / 2) * f / 16;
    double a = std::fmod(angleOf(x, y) - rot, kTau);
    if (a < 0) a += kTau;
    const int blade = int(a / (kPi / 2));
    const double t = std::fmod(a, kPi / 2) / (kPi / 2);  // 0..1 across the quarter
    // A folded paper blade: reaches out along its leading edge and curls back.
    const double reach = 6 + 24 * std::pow(t, 0.55);
    if (t > 0.92 || r > reach) return Ink::clear();
    const double fold = t < 0.5 ? 0 : 45;  // the two faces of the fold
    return Ink::shade(blade * 22.5 + fold + r * 0.6);
}

Ink discSpin(int f, double x, double y) {
    const double r = length(x, y);
    if (r > 26) return Ink::clear();
    if (r > 23.5) return Ink::shade(r);  // rim
    if (r < 4) return Ink::shade(80 - r * 2);
    const double a = angleOf(x, y) - (kPi / 4) * f / 6;
    const int stripe = int(std::floor(a / (kPi / 8)));
    const bool even = (stripe & 1) == 0;
    return Ink::shade((even ? 0 : 45) + r * 1.6);
}

Ink glowOrb(int, double x, double y) {
    const double r = length(x, y);
    if (r < 15.5) return Ink::shade(length(x + 5, y + 5) * 2.6);
    if (r < 22) return Ink::mask();
    return Ink::clear();
}

Ink lotusMandala(int f, double x, double y) {
    const double open = 0.55 + 0.45 * f / 9.0;  // the bloom: petals grow over the cycle
    const double r = length(x, y);
    if (r < 6) return Ink::shade(r * 3);
    for (int layer = 0; layer < 2; ++layer) {
        const double offset = layer ? kPi / 8 : 0;
        const double length0 = (layer ? 22 : 37) * open;
        const Vec w = foldWedge(rotate({x, y}, -offset), 8);  // petal along +x
        const double t = (w.x - 5) / length0;
        if (t < 0 || t > 1) continue;
        const double halfWidth = (layer ? 6.5 : 8.5) * std::sin(kPi * std::pow(t, 0.8));
        if (w.y < halfWidth) {
            const double edge = halfWidth - w.y;
            if (edge < 1.3) return Ink::shade(layer ? 10 : 0);  // bright petal rims
            return Ink::shade((layer ? 30 : 55) + t * 35);
        }
    }
    return Ink::clear();
}

Ink starBurst(int f, double x, double y) {
    const double r = length(x, y);
    if (f == 8) {  // beat frame: a full flash with long rays
        const Vec w = foldWedge({x, y}, 16);
        if (r < 31 && w.y < 2.5 * (1 - r / 32) + 0.6) return Ink::shade(r * 0.8);
        if (r < 12) return Ink::shade(r * 2);
        return Ink::clear();
    }
    const Vec w = foldWedge(rotate({x, y}, -(kPi / 4) * f / 8), 8);
    const double a = angleOf(w.x, w.y) / (kPi / 8);  // 0 on a point, 1 between points
    const double reach = 10 + 19 * std::pow(1 - a, 2.2);
    if (r > reach) return Ink::clear();
    return Ink::shade(r * 3 + f * 90.0 / 8);
}

Ink spiralArms(int f, double x, double y) {
    const double r = length(x, y);
    if (r > 30) return Ink::clear();
    if (r < 4) return Ink::shade(r * 2);
    const double phase = 3 * angleOf(x, y) - 6 * std::log(r) + kTau * f / 12;
    const double c = std::cos(phase);
    const double width = 0.2 + 0.5 * (r / 30);
    if (c < width) return Ink::clear();
    return Ink::shade(r * 3);
}

// A cut gem in its own reds, with a glint that moves from facet to facet.
Ink rubyJewel(int f, double x, double y) {
    static const Rgb kFacets[] = {{190, 20, 40}, {230, 40, 70}, {150, 10, 30},   {250, 90, 120},
                                  {120, 5, 25},  {210, 30, 55}, {255, 140, 160}, {170, 15, 45}};
    const Vec w = foldWedge({x, y}, 8);
    const double oct = w.x + w.y * 0.4142;  // distance to the octagon's edges
    if (oct > 21) return Ink::clear();
    const double a = std::fmod(angleOf(x, y) + kTau, kTau);
    const int sector = int(a / (kTau / 8)) % 8;
    if (oct < 8) {  // the table
        if (sector == f || sector == (f + 4) % 8) return Ink::fixed({255, 230, 235});
        return Ink::fixed({240, 60, 90});
    }
    if (std::abs(oct - 8) < 0.8 || std::abs(oct - 21) < 1.0) return Ink::fixed({255, 200, 210});
    const bool glint = sector == (f + 1) % 8;
    const int facet = (sector + (oct > 15 ? 3 : 0)) % 8;
    return Ink::fixed(glint ? Rgb{255, 245, 248} : kFacets[facet]);
}

// A ring in its own rainbow colours: 24 hues by angle, three brightnesses by radius.
Ink rainbowRing(int f, double x, double y) {
    const double r = length(x, y);
    if (r < 13 || r > 26) return Ink::clear();
    const double a = std::fmod(angleOf(x, y) + kTau, kTau);
    const int hue = (int(a / (kTau / 24)) + f * 3) % 24;
    const int band = r < 17 ? 0 : r < 22 ? 1 : 2;
    const double h = hue / 24.0 * 6;
    const int i = int(h);
    const double t = h - i;
    double rgb[3] = {0, 0, 0};
    const double up = t, down = 1 - t;
    switch (i) {
        case 0:
            rgb[0] = 1, rgb[1] = up;
            break;
        case 1:
            rgb[0] = down, rgb[1] = 1;
            break;
        case 2:
            rgb[1] = 1, rgb[2] = up;
            break;
        case 3:
            rgb[1] = down, rgb[2] = 1;
            break;
        case 4:
            rgb[0] = up, rgb[2] = 1;
            break;
        default:
            rgb[0] = 1, rgb[2] = down;
            break;
    }
    const double level[3] = {0.55, 1.0, 0.75};
    auto channel = [&](double v) { return uint8_t(30 + v * level[band] * 225); };
    return Ink::fixed({channel(rgb[0]), channel(rgb[1]), channel(rgb[2])});
}

Ink heartPulse(int f, double x, double y) {
    const bool beat = f == 6;
    const double scale = beat ? 28 : 17 + 7 * std::sin(kPi * f / 5);
    const double u = x / scale, v = -(y - 2) / scale;
    const double a = u * u + v * v - 1;
    const double field = a * a * a - u * u * v * v * v;
    if (beat) {
        const double r = length(x, y);
        const Vec w = foldWedge({x, y}, 12);
        if (field > 0 && r < 30 && w.y < 1.2) return Ink::shade(0);
    }
    if (field > 0) return Ink::clear();
    const double depth = std::cbrt(-field);  // 0 on the outline, growing inward
    return Ink::shade(depth * 160 + (beat ? 0 : f * 6));
}

Ink rippleRings(int f, double x, double y) {
    const double r = length(x, y);
    if (r > 30) return Ink::clear();
    const double wave = (r - f * 0.6) / 6.0;  // ten frames move the rings one ring outward
    const double local = fract(wave);
    const double width = 0.45 * (1 - r / 34);
    if (local > width && r > 3) return Ink::clear();
    return Ink::shade(r * 3);  // each ring takes the colour of its distance as it travels
}

Ink trefoilKnot(int f, double x, double y) {
    const Vec p = rotate({x, y}, -(kTau / 3) * f / 12);
    double best = 1e9, bestT = 0;
    constexpr int kSteps = 240;
    for (int i = 0; i < kSteps; ++i) {
        const double t = kTau * i / kSteps;
        const Vec a{8.5 * (std::sin(t) + 2 * std::sin(2 * t)),
                    8.5 * (std::cos(t) - 2 * std::cos(2 * t))};
        const double t2 = kTau * (i + 1) / kSteps;
        const Vec b{8.5 * (std::sin(t2) + 2 * std::sin(2 * t2)),
                    8.5 * (std::cos(t2) - 2 * std::cos(2 * t2))};
        const double d = segmentDistance(p, a, b);
        if (d < best) best = d, bestT = t;
    }
    return lineInk(best, 1.8, 3.6, bestT / kTau * 180 + f * 7.5, true);
}

// Nested hexagons; the heart is drawn in the second gradient (the fill colours).
Ink hexCrystal(int f, double x, double y) {
    const Vec p = rotate({x, y}, (kPi / 3) * f / 6);
    double hexR = 0;
    for (int k = 0; k < 3; ++k) {
        const double a = k * kPi / 3;
        hexR = std::max(hexR, std::abs(p.x * std::cos(a) + p.y * std::sin(a)));
    }
    if (hexR > 27) return Ink::clear();
    if (hexR < 11) return Ink::shade2(hexR * 8);
    if (std::fmod(hexR, 5.0) < 2.6) return Ink::shade(hexR * 3.3);
    return Ink::clear();
}

// Large enough to read on its own: this brush never leaves a trail, so one stamp is all that
// shows of it.
Ink firefly(int f, double x, double y) {
    const double r = length(x, y);
    if (r < 9) return Ink::shade(r * 3.5);
    const double ray = f % 2 == 0 ? std::min(std::abs(x), std::abs(y))
                                  : std::min(std::abs(x - y), std::abs(x + y)) * 0.7071;
    const double reach = 17 + 7 * (f / 2);
    if (ray < 1.6 + 0.04 * r && r < reach) return Ink::shade(r * 3.5);
    return Ink::clear();
}

std::vector<BrushDesign> makeBrushes() {
    std::vector<BrushDesign> list;
    auto add = [&](std::string name, std::string what, int w, int h, int frames, ConvertSettings s,
                   Ink (*fn)(int, double, double)) {
        list.push_back(BrushDesign{std::move(name), std::move(what), w, h, frames, s, fn});
    };
    ConvertSettings plain;
    ConvertSettings masked;
    masked.blueMask = true;
    ConvertSettings beat;
    beat.beatFrame = true;
    ConvertSettings palindrome;
    palindrome.palindrome = true;
    ConvertSettings fixed;
    fixed.fixedColours = true;
    ConvertSettings multiplied;
    multiplied.multiply = 3;
    multiplied.spread = true;
    ConvertSettings second;
    second.secondGradient = true;
    ConvertSettings heart;
    heart.beatFrame = true;
    heart.palindrome = true;

    add("Veve", "line sigil with pulsing rings and a colour-cycling outline", 72, 72, 8, masked,
        veve);
    add("Celtic_Snow", "six-armed snowflake turning inside an interlaced ring", 72, 72, 12, plain,
        celticSnow);
    add("Caterpiller", "seven segments crawling forth and back", 112, 56, 8, palindrome,
        caterpiller);
    add("Double_Diamond", "two nested diamonds breathing; bursts on the beat", 64, 64, 9, beat,
        doubleDiamond);
    add("Paper_Pinwheel", "folded four-blade pinwheel spinning", 64, 64, 16, plain, paperPinwheel);
    add("Disc_Spin", "striped disc spinning, three colour turns", 56, 56, 6, multiplied, discSpin);
    add("Glow_Orb", "lit sphere in a halo of cycling colour", 48, 48, 1, masked, glowOrb);
    add("Lotus_Mandala", "two rings of petals opening and closing", 80, 80, 10, palindrome,
        lotusMandala);
    add("Star_Burst", "eight-point star turning; flashes rays on the beat", 64, 64, 9, beat,
        starBurst);
    add("Spiral_Arms", "three-armed spiral winding inward", 64, 64, 12, plain, spiralArms);
    add("Ruby_Jewel", "cut ruby in its own reds with a wandering glint", 48, 48, 8, fixed,
        rubyJewel);
    add("Rainbow_Ring", "ring of its own rainbow colours turning", 56, 56, 8, fixed, rainbowRing);
    add("Heart_Pulse", "heart beating in and out; rays on the beat", 64, 64, 7, heart, heartPulse);
    add("Ripple_Rings", "rings rippling out from the centre", 64, 64, 10, plain, rippleRings);
    add("Trefoil_Knot", "trefoil knot turning, outlined in cycling colour", 64, 64, 12, masked,
        trefoilKnot);
    add("Hex_Crystal", "nested hexagons with a heart in the fill colours", 60, 60, 6, second,
        hexCrystal);
    add("@Firefly", "glowing spark that never leaves a trail", 64, 64, 4, plain, firefly);
    return list;
}

}  // namespace

const std::vector<BrushDesign>& brushDesigns() {
    static const std::vector<BrushDesign> list = makeBrushes();
    return list;
}

InkImage drawBrush(const BrushDesign& design) {
    InkImage out(design.frameWidth * design.frames, design.frameHeight);
    const double cx = design.frameWidth / 2.0, cy = design.frameHeight / 2.0;
    for (int f = 0; f < design.frames; ++f)
        for (int y = 0; y < design.frameHeight; ++y)
            for (int x = 0; x < design.frameWidth; ++x)
                out.at(f * design.frameWidth + x, y) = design.ink(f, x + 0.5 - cx, y + 0.5 - cy);
    return out;
}

std::string bitmapName(const BrushDesign& design) {
    if (design.frames == 1) return design.name;
    return design.name + std::to_string(design.frames);
}

}  // namespace korel::art
