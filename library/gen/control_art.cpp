// Drawing the controls window's pictures: one bevelled button look for the top row and the box
// title buttons, symbols as pixel masks, the widgets, the digits and the mark.
//
// Sections: colours and masks; the letters; the mark; the top row; the title buttons; the
// widgets; the small pictures; the dispatcher.
#include "library/gen/control_art.h"

#include <cmath>
#include <cstring>
#include <string_view>

#include "controls/pictures.h"

namespace korel::art {

namespace {

// --- Colours and masks -------------------------------------------------------------------

constexpr uint8_t kBlack = 0, kWhite = 255, kLight = 10, kGrey161 = 11, kGrey97 = 12,
                  kGrey63 = 13, kGrey33 = 14, kDarkGreen = 15, kGreen191 = 16, kBlue = 17,
                  kViolet = 18, kOrange = 19, kAmber = 20, kBoxGrey = 248, kRed = 249,
                  kGreen = 250, kYellow = 251, kPureBlue = 252, kOlive = 3, kDarkRed = 1,
                  kSilver = 7;

// A symbol as a grid of set pixels.
struct Mask {
    int w = 0, h = 0;
    std::vector<uint8_t> bits;
    Mask(int width, int height) : w(width), h(height), bits(size_t(width) * size_t(height), 0) {}
    bool at(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h && bits[size_t(y * w + x)]; }
    void set(int x, int y, bool v = true) {
        if (x >= 0 && y >= 0 && x < w && y < h) bits[size_t(y * w + x)] = v;
    }
    void rect(int x0, int y0, int x1, int y1, bool v = true) {  // inclusive corners
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) set(x, y, v);
    }
};

// Rows of '#' (set) and anything else (clear).
Mask fromRows(std::initializer_list<std::string_view> rows) {
    Mask m(int(rows.begin()->size()), int(rows.size()));
    int y = 0;
    for (std::string_view r : rows) {
        for (int x = 0; x < int(r.size()); ++x) m.set(x, y, r[size_t(x)] == '#');
        ++y;
    }
    return m;
}

void stamp(Surface& s, int x0, int y0, const Mask& m, uint8_t colour) {
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x)
            if (m.at(x, y)) s.set(x0 + x, y0 + y, colour);
}

// A triangle of height 2 * half + 1 and width half + 1 whose tip is at column `tip`, pointing
// right or left.
void triangle(Mask& m, int tip, int midY, int half, bool right) {
    for (int d = -half; d <= half; ++d)
        for (int i = std::abs(d); i <= half; ++i) m.set(right ? tip - i : tip + i, midY + d);
}

void disc(Mask& m, double cx, double cy, double r) {
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x)
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) m.set(x, y);
}

// Raised (or sunken) two-pixel bevel around r, filled with `face`.
void bevel(Surface& s, const Rect& r, uint8_t face, bool sunken) {
    s.fillRect(r, face);
    const uint8_t outerTL = sunken ? kGrey33 : kWhite, innerTL = sunken ? kBlack : kLight;
    const uint8_t outerBR = sunken ? kLight : kBlack, innerBR = sunken ? kGrey97 : kGrey97;
    s.hline(r.left, r.right, r.bottom - 1, outerBR);
    s.vline(r.right - 1, r.top, r.bottom, outerBR);
    s.hline(r.left, r.right - 1, r.top, outerTL);
    s.vline(r.left, r.top, r.bottom - 1, outerTL);
    s.hline(r.left + 1, r.right - 1, r.bottom - 2, innerBR);
    s.vline(r.right - 2, r.top + 1, r.bottom - 1, innerBR);
    s.hline(r.left + 1, r.right - 2, r.top + 1, innerTL);
    s.vline(r.left + 1, r.top + 1, r.bottom - 2, innerTL);
}

// --- The letters ---------------------------------------------------------------------------

const Mask* glyph(char c) {
    static const Mask K = fromRows({"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"});
    static const Mask O = fromRows({".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."});
    static const Mask R = fromRows({"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"});
    static const Mask E = fromRows({"#####", "#....", "#....", "####.", "#....", "#....", "#####"});
    static const Mask L = fromRows({"#....", "#....", "#....", "#....", "#....", "#....", "#####"});
    static const Mask B = fromRows({"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."});
    static const Mask U = fromRows({"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."});
    static const Mask S = fromRows({".####", "#....", "#....", ".###.", "....#", "....#", "####."});
    static const Mask H = fromRows({"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"});
    static const Mask F = fromRows({"#####", "#....", "#....", "####.", "#....", "#....", "#...."});
    static const Mask I = fromRows({"###", ".#.", ".#.", ".#.", ".#.", ".#.", "###"});
    static const Mask A = fromRows({".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"});
    static const Mask V = fromRows({"#...#", "#...#", "#...#", "#...#", ".#.#.", ".#.#.", "..#.."});
    switch (c) {
        case 'K': return &K;
        case 'O': return &O;
        case 'R': return &R;
        case 'E': return &E;
        case 'L': return &L;
        case 'B': return &B;
        case 'U': return &U;
        case 'S': return &S;
        case 'H': return &H;
        case 'F': return &F;
        case 'I': return &I;
        case 'A': return &A;
        case 'V': return &V;
        default: return nullptr;
    }
}

// Writes capitals with one column between letters, each pixel `scale` square; returns the width.
int text(Surface* s, int x, int y, std::string_view str, uint8_t colour, int scale = 1) {
    int at = x;
    for (char c : str) {
        const Mask* g = glyph(c);
        if (!g) {
            at += 3 * scale;
            continue;
        }
        if (s)
            for (int gy = 0; gy < g->h; ++gy)
                for (int gx = 0; gx < g->w; ++gx)
                    if (g->at(gx, gy))
                        s->fillRect(Rect{at + gx * scale, y + gy * scale, at + (gx + 1) * scale,
                                         y + (gy + 1) * scale},
                                    colour);
        at += (g->w + 1) * scale;
    }
    return at - x - scale;
}

// --- The mark ------------------------------------------------------------------------------

// The mark at (u, v) in [-1, 1]: a light hub in a dark ring, and ten spokes in the interface
// colours, one pointing straight up. -1 outside the mark.
int markAt(double u, double v) {
    static const uint8_t kSpokes[] = {kAmber, kOrange, kViolet, kBlue, kGreen191};
    const double r = std::sqrt(u * u + v * v);
    if (r > 1.0) return -1;
    if (r <= 0.30) return kLight;
    if (r <= 0.40) return kBlack;
    // Angle from straight up, clockwise, in sectors of a tenth of a turn.
    const double a = std::atan2(u, -v) / (2 * M_PI) * 10.0 + 10.25;
    const double sector = std::fmod(a, 1.0);
    // Spokes widen toward the rim: the coloured part of a sector grows from 30 to 55 percent.
    const double width = 0.30 + 0.25 * (r - 0.40) / 0.60;
    if (sector >= width) return -1;
    return kSpokes[int(std::floor(a)) % 5];
}

// --- The top row ---------------------------------------------------------------------------

constexpr int kSym = 11;  // symbols are 11 x 11, at (3, 3) inside the 17 x 17 button

Mask topSymbol(int image) {
    Mask m(kSym, kSym);
    switch (image) {
        case topimg::Quit:  // the power sign
            for (int y = 0; y < kSym; ++y)
                for (int x = 0; x < kSym; ++x) {
                    const double dx = x - 5.0, dy = y - 5.5;
                    const double r = std::sqrt(dx * dx + dy * dy);
                    if (r >= 3.6 && r <= 5.1 && !(dy < -1.0 && std::abs(dx) < 2.6)) m.set(x, y);
                }
            m.rect(5, 0, 5, 5);
            break;
        case topimg::Eject:
            for (int y = 1; y <= 5; ++y) m.rect(5 - (y - 1), y, 5 + (y - 1), y);
            m.rect(0, 8, 10, 9);
            break;
        case topimg::PreviousTrack:
            m.rect(2, 1, 3, 9);
            triangle(m, 5, 5, 4, false);
            break;
        case topimg::Rewind:
            triangle(m, 1, 5, 4, false);
            triangle(m, 6, 5, 4, false);
            break;
        case topimg::Stop:
            m.rect(2, 2, 8, 8);
            break;
        case topimg::PlayPause:
            triangle(m, 4, 5, 4, true);
            m.rect(6, 1, 7, 9);
            m.rect(9, 1, 10, 9);
            break;
        case topimg::Fastforward:
            triangle(m, 4, 5, 4, true);
            triangle(m, 9, 5, 4, true);
            break;
        case topimg::NextTrack:
            triangle(m, 5, 5, 4, true);
            m.rect(7, 1, 8, 9);
            break;
        case topimg::Listening: {  // a sound wave
            static const int kHalf[] = {1, 3, 5, 3, 4, 2};
            for (int i = 0; i < 6; ++i) m.rect(2 * i, 5 - kHalf[i], 2 * i, 5 + kHalf[i]);
            break;
        }
        case topimg::Settings:  // three sliders
            m.rect(0, 1, 10, 1);
            m.rect(6, 0, 8, 2);
            m.rect(0, 5, 10, 5);
            m.rect(2, 4, 4, 6);
            m.rect(0, 9, 10, 9);
            m.rect(5, 8, 7, 10);
            break;
        case topimg::AnimationWindow:  // a window with a title bar and a star in it
            m.rect(0, 1, 10, 9);
            m.rect(1, 3, 9, 8, false);
            m.set(5, 4);
            m.rect(4, 5, 6, 5);
            m.set(5, 6);
            m.set(3, 5);
            m.set(7, 5);
            break;
        case topimg::Trails:  // a brush stamped along its way
            disc(m, 8.0, 2.5, 2.3);
            disc(m, 4.5, 6.0, 1.5);
            m.rect(1, 9, 2, 10);
            break;
        case topimg::EraseTrails:  // an eraser, tilted, over the line it wipes
            for (int y = 0; y < kSym; ++y)
                for (int x = 0; x < kSym; ++x) {
                    const int u = x + y;      // along the eraser
                    const int v = x - y;      // across it
                    if (v < -1 || v > 4 || u < 5 || u > 15) continue;
                    const bool edge = v == -1 || v == 4 || u == 5 || u == 15;
                    const bool rubber = u <= 9;
                    if (edge || rubber) m.set(x, y);
                }
            m.rect(0, 10, 10, 10);
            break;
        case topimg::Help:
            m = fromRows({"...#####...", "..##...##..", "..##...##..", ".......##..", "......##...",
                          ".....##....", "....##.....", "....##.....", "...........",
                          "....##.....", "....##....."});
            break;
        case topimg::TrailsAttached:  // the trails, fastened by a padlock
            disc(m, 7.5, 2.0, 2.0);
            disc(m, 3.5, 5.0, 1.2);
            m.rect(0, 8, 1, 9);
            m.rect(6, 6, 10, 10);
            m.rect(7, 4, 9, 4);
            m.set(6, 5);
            m.set(10, 5);
            m.set(8, 8, false);
            break;
        case topimg::LoadMusicFile:  // a folder holding a note
            m.rect(0, 1, 3, 1);
            m.rect(0, 2, 10, 9);
            m.rect(1, 4, 9, 8, false);
            m.rect(6, 4, 6, 7);
            m.rect(7, 4, 8, 4);
            m.rect(4, 6, 5, 7);
            break;
        default:
            break;
    }
    return m;
}

// "Off": a raised grey button with a black symbol; "on": sunken and dark, the symbol lit green.
void drawTopButton(Surface& s, int image, bool on) {
    const Rect r = kTopImage(image, on);
    const Mask m = topSymbol(image);
    bevel(s, r, on ? kGrey33 : kGrey161, on);
    const int x0 = r.left + 3 + (on ? 1 : 0), y0 = r.top + 3 + (on ? 1 : 0);
    if (on) {
        // A faint glow around the lit symbol.
        for (int y = -1; y <= kSym; ++y)
            for (int x = -1; x <= kSym; ++x)
                if (!m.at(x, y) && (m.at(x - 1, y) || m.at(x + 1, y) || m.at(x, y - 1) || m.at(x, y + 1)))
                    s.set(x0 + x, y0 + y, kDarkGreen);
        stamp(s, x0, y0, m, kGreen);
    } else {
        // Engraved: a light edge below and right of the symbol.
        for (int y = 0; y <= kSym; ++y)
            for (int x = 0; x <= kSym; ++x)
                if (!m.at(x, y) && m.at(x - 1, y - 1)) s.set(x0 + x, y0 + y, kLight);
        stamp(s, x0, y0, m, kBlack);
    }
}

Surface drawTopRow() {
    Surface s(topimg::Count * kTopImageSize, 2 * kTopImageSize, kGrey63);
    for (int i = 0; i < topimg::Count; ++i) {
        drawTopButton(s, i, false);
        drawTopButton(s, i, true);
    }
    return s;
}

// --- The title buttons ---------------------------------------------------------------------

// Each box's icon in its 16 x 16 middle (x0, y0 its top-left).
void drawBoxIcon(Surface& s, int box, int x0, int y0) {
    auto px = [&](int x, int y, uint8_t c) { s.set(x0 + x, y0 + y, c); };
    auto fill = [&](int a, int b, int c, int d, uint8_t col) {  // inclusive corners
        s.fillRect(Rect{x0 + a, y0 + b, x0 + c + 1, y0 + d + 1}, col);
    };
    switch (box) {
        case boxpic::Files: {  // two beamed notes
            fill(5, 2, 13, 3, kBlack);
            fill(5, 2, 5, 11, kBlack);
            fill(12, 2, 12, 10, kBlack);
            fill(2, 10, 5, 13, kBlack);
            fill(9, 9, 12, 12, kBlack);
            px(2, 10, kGrey161);
            px(2, 13, kGrey161);
            px(9, 9, kGrey161);
            px(9, 12, kGrey161);
            fill(3, 11, 4, 11, kBlue);
            fill(10, 10, 11, 10, kBlue);
            break;
        }
        case boxpic::Gradients: {  // a colour ramp
            static const uint8_t ramp[] = {kBlack, kPureBlue, kBlue, kViolet, kRed, kOrange,
                                           kAmber, kYellow, kWhite};
            fill(1, 2, 14, 13, kBlack);
            for (int x = 2; x <= 13; ++x) fill(x, 3, x, 12, ramp[(x - 2) * 9 / 12]);
            break;
        }
        case boxpic::Colors: {  // four swatches
            fill(1, 1, 14, 14, kBlack);
            fill(2, 2, 7, 7, kRed);
            fill(8, 2, 13, 7, kGreen);
            fill(2, 8, 7, 13, kPureBlue);
            fill(8, 8, 13, 13, kYellow);
            break;
        }
        case boxpic::BeatMeter: {  // a level bar with its beat light
            fill(1, 4, 14, 11, kBlack);
            fill(2, 5, 9, 10, kBlue);
            fill(11, 6, 13, 9, kGreen);
            px(11, 6, kGreen191);
            px(13, 9, kGreen191);
            break;
        }
        case boxpic::Fills: {  // a patterned background
            fill(1, 1, 14, 14, kBlack);
            for (int y = 2; y <= 13; ++y)
                for (int x = 2; x <= 13; ++x) px(x, y, ((x / 3 + y / 3) & 1) ? kOrange : kAmber);
            break;
        }
        case boxpic::Brushes: {  // a paint brush, diagonal
            for (int i = 0; i < 6; ++i) {  // handle
                px(13 - i, 2 + i, kDarkRed);
                px(14 - i, 2 + i, kDarkRed);
                px(13 - i, 1 + i, kOlive);
            }
            fill(6, 7, 7, 8, kSilver);
            px(8, 7, kSilver);
            px(6, 9, kSilver);
            // Bristles with a wet violet tip.
            fill(3, 9, 5, 11, kBlack);
            px(6, 10, kBlack);
            px(4, 8, kBlack);
            fill(1, 12, 3, 13, kViolet);
            px(2, 11, kViolet);
            px(4, 12, kViolet);
            px(1, 14, kViolet);
            break;
        }
        case boxpic::Movements: {  // a curved path ending in an arrow
            static const int path[][2] = {{1, 12}, {2, 13}, {3, 13}, {4, 13}, {5, 12}, {6, 11},
                                          {6, 10}, {7, 9},  {7, 8},  {8, 7},  {8, 6},  {9, 5},
                                          {10, 4}, {11, 4}, {12, 4}};
            for (const auto& p : path) {
                px(p[0], p[1], kViolet);
                px(p[0], p[1] - 1, kViolet);
            }
            for (int d = 0; d <= 3; ++d) fill(13 - d, 4 - d, 13 - d, 3 + d, kBlack);
            fill(14, 3, 14, 4, kBlack);
            px(1, 12, kBlack);
            px(1, 11, kBlack);
            break;
        }
        default:
            break;
    }
}

Surface drawTitleButtons() {
    Surface s(143, 40, kGrey63);
    for (int b = 0; b < boxpic::Count; ++b)
        for (int pressed = 0; pressed < 2; ++pressed) {
            const Rect r = kTitleButton(b, pressed != 0);
            bevel(s, r, pressed ? kGrey97 : kGrey161, pressed != 0);
            drawBoxIcon(s, b, r.left + 2 + pressed, r.top + 2 + pressed);
        }
    return s;
}

// --- The widgets ---------------------------------------------------------------------------

void drawKnob(Surface& s, const Rect& r, uint8_t face, uint8_t light, uint8_t dark, uint8_t grip) {
    s.fillRect(r, face);
    s.hline(r.left, r.right - 1, r.top, light);
    s.vline(r.left, r.top, r.bottom - 1, light);
    s.hline(r.left, r.right, r.bottom - 1, kBlack);
    s.vline(r.right - 1, r.top, r.bottom, kBlack);
    s.hline(r.left + 1, r.right - 1, r.bottom - 2, dark);
    s.vline(r.right - 2, r.top + 1, r.bottom - 1, dark);
    s.hline(r.left + 1, r.right - 2, r.top + 5, grip);
}

void drawMarker(Surface& s, const Rect& r, bool pointsDown, uint8_t face) {
    s.fillRect(r, kBoxGrey);
    const int h = r.height();
    for (int i = 0; i < h; ++i) {
        // Row i from the tip: the tip two columns wide, growing one column each side per two rows.
        const int half = std::min(2, (i + 1) / 2);
        const int y = pointsDown ? r.bottom - 1 - i : r.top + i;
        for (int x = 2 - half; x <= 3 + half; ++x) {
            const bool edge = x == 2 - half || x == 3 + half || i == h - 1;
            s.set(r.left + x, y, edge ? kBlack : face);
        }
    }
}

void drawTrack(Surface& s, const Rect& r, bool twoWay) {
    s.fillRect(r, kGrey161);
    // The groove the knob (rows 1..11) rides in.
    const int left = r.left + 3, right = r.right - 3;
    s.hline(left, right, r.top + 5, kGrey97);
    s.hline(left, right, r.top + 6, kBlack);
    s.hline(left, right, r.top + 7, kLight);
    s.vline(left - 1, r.top + 5, r.top + 8, kGrey97);
    s.vline(right, r.top + 5, r.top + 8, kLight);
    for (int k = 0; k <= 8; ++k) {
        const int x = left + k * (right - left - 1) / 8;
        const bool major = k == 0 || k == 8 || (twoWay ? k == 4 : false);
        s.vline(x, r.top + (major ? 9 : 10), r.top + 12, kGrey97);
        if (twoWay && k == 4) s.vline(x, r.top + 1, r.top + 4, kGrey97);
    }
    if (twoWay) {
        // Arrows out from the middle: back to the left, forward to the right.
        const int mid = left + 4 * (right - left - 1) / 8;
        for (int d = 0; d < 3; ++d) {
            s.vline(mid - 12 + d, r.top + 2 - d + 1, r.top + 3 + d - 1 + 1, kGrey97);
            s.vline(mid + 12 - d, r.top + 2 - d + 1, r.top + 3 + d - 1 + 1, kGrey97);
        }
        s.hline(mid - 9, mid - 3, r.top + 2, kGrey97);
        s.hline(mid + 4, mid + 10, r.top + 2, kGrey97);
    }
}

Surface drawWidgets() {
    Surface s(192, 26, kGrey161);
    drawKnob(s, kKnob(true), kLight, kWhite, kGrey97, kGrey97);
    drawKnob(s, kKnob(false), kGrey97, kGrey161, kGrey63, kGrey63);
    drawKnob(s, kKnobPending(true), kAmber, kYellow, kOrange, kOrange);
    drawKnob(s, kKnobPending(false), kGrey97, kGrey161, kGrey63, kAmber);
    drawMarker(s, kMarkerUpper(true), true, kAmber);
    drawMarker(s, kMarkerLower(true), false, kAmber);
    drawMarker(s, kMarkerUpper(false), true, kGrey161);
    drawMarker(s, kMarkerLower(false), false, kGrey161);
    s.fillRect(Rect{12, 22, 18, 26}, kBoxGrey);
    s.fillRect(Rect{0, 22, 12, 26}, kGrey161);
    drawTrack(s, kTrack(0), false);
    drawTrack(s, kTrack(1), true);
    bevel(s, kSmallButton(false), kLight, false);
    bevel(s, kSmallButton(true), kGrey161, true);
    return s;
}

// --- The small pictures --------------------------------------------------------------------

Surface drawSplash() {
    Surface s(145, 71, kBlack);
    const Surface mark = drawMark(61, kBlack);
    copySurface(s, 5, 5, mark, mark.bounds());
    const int x = 73;
    text(&s, x + 1, 17, "KOREL", kViolet, 2);
    text(&s, x, 16, "KOREL", kWhite, 2);
    s.hline(x, 140, 35, kAmber);
    s.hline(x, 140, 36, kOrange);
    text(&s, x + 3, 42, "VISUALISER", kGrey161);
    return s;
}

Surface drawScale() {
    Surface s(79, 10, kBoxGrey);
    // A rising wedge over the 65 positions, cooler to hotter, with a tick every 8.
    static const uint8_t heat[] = {kGreen191, kGreen, kYellow, kAmber, kOrange, kRed};
    for (int x = 0; x <= 64; ++x) {
        const int h = 1 + x * 6 / 64;
        for (int y = 7 - h; y < 7; ++y) s.set(x, y, heat[std::min(5, x * 6 / 65)]);
    }
    s.hline(0, 65, 7, kBlack);
    for (int x = 0; x <= 64; x += 8) s.vline(x, 8, x % 32 == 0 ? 10 : 9, kBlack);
    return s;
}

Surface drawRowLabels() {
    Surface s(112, 11, kBoxGrey);
    for (int fill = 0; fill < 2; ++fill) {
        const Rect r = kRowLabel(fill != 0);
        const std::string_view word = fill ? "FILL" : "BRUSH";
        const int w = text(nullptr, 0, 0, word, kBlack);
        const int x = r.left + (r.width() - w) / 2;
        text(&s, x + 1, 3, word, kLight);
        text(&s, x, 2, word, kBlack);
    }
    return s;
}

Surface drawDigits() {
    // Seven segments: a top, b upper right, c lower right, d bottom, e lower left, f upper left,
    // g middle; lit green, unlit a faint green.
    static const uint8_t kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
    Surface s(100, 17, kBlack);
    for (int d = 0; d < 10; ++d) {
        const int x0 = d * kDigitWidth;
        auto seg = [&](int bit, int a, int b, int c, int e) {
            const uint8_t col = (kSegments[d] >> bit) & 1 ? kGreen : kDarkGreen;
            s.fillRect(Rect{x0 + a, b, x0 + c, e}, col);
        };
        seg(0, 3, 1, 7, 3);    // a
        seg(1, 7, 3, 9, 8);    // b
        seg(2, 7, 9, 9, 14);   // c
        seg(3, 3, 14, 7, 16);  // d
        seg(4, 1, 9, 3, 14);   // e
        seg(5, 1, 3, 3, 8);    // f
        seg(6, 3, 8, 7, 9);    // g
    }
    return s;
}

Surface drawIndicator() {
    Surface s(20, 20, kGrey63);
    // A sunken socket around the 17 x 17 lamp area that starts at (2, 2).
    s.hline(0, 20, 0, kGrey33);
    s.vline(0, 0, 20, kGrey33);
    s.hline(1, 20, 1, kBlack);
    s.vline(1, 1, 20, kBlack);
    s.hline(1, 20, 19, kLight);
    s.vline(19, 1, 20, kLight);
    s.fillRect(Rect{2, 2, 19, 19}, kBlack);
    Mask lamp(17, 17), core(17, 17), spot(17, 17);
    disc(lamp, 8, 8, 7.6);
    disc(core, 8, 8, 6.2);
    disc(spot, 6, 6, 1.6);
    stamp(s, 2, 2, lamp, kGreen191);
    stamp(s, 2, 2, core, kGreen);
    stamp(s, 2, 2, spot, kWhite);
    return s;
}

Surface drawPopupMarker() {
    Surface s(17, 13, kBlack);
    const Rect r = kPopupMarker;
    s.fillRect(r, kGrey97);
    s.hline(r.left, r.right - 1, r.top, kGrey161);
    s.vline(r.left, r.top, r.bottom - 1, kGrey161);
    s.hline(r.left, r.right, r.bottom - 1, kGrey33);
    s.vline(r.right - 1, r.top, r.bottom, kGrey33);
    Mask m(10, 12);
    for (int i = 0; i < 4; ++i) m.rect(1 + i, 4 + i, 7 - i, 4 + i);
    stamp(s, 0, 0, m, kWhite);
    return s;
}

Surface drawArrows() {
    Surface s(22, 14, kWhite);
    for (int down = 0; down < 2; ++down) {
        Mask middle(kArrowWidth, kArrowHeight), corner(kArrowWidth, kArrowHeight);
        for (int i = 0; i < 5; ++i) {
            const int y = down ? 5 - i : 1 + i;
            middle.rect(5 - i, y, 5 + i, y);
        }
        for (int i = 0; i < 4; ++i) {
            const int y = down ? 4 - i : 2 + i;
            corner.rect(5 - i, y, 5 + i, y);
        }
        corner.rect(1, down ? 5 : 1, 9, down ? 5 : 1);
        stamp(s, kScrollArrow(false, down).left, kScrollArrow(false, down).top, middle, kBlack);
        stamp(s, kScrollArrow(true, down).left, kScrollArrow(true, down).top, corner, kBlack);
    }
    return s;
}

}  // namespace

Surface drawMark(int size, uint8_t clear) {
    Surface s(size, size, clear);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double u = (x + 0.5) / size * 2 - 1, v = (y + 0.5) / size * 2 - 1;
            const int c = markAt(u, v);
            if (c >= 0) s.set(x, y, uint8_t(c));
        }
    return s;
}

std::vector<uint8_t> drawMarkRgba(int size, const Palette& palette) {
    std::vector<uint8_t> out(size_t(size) * size_t(size) * 4, 0);
    constexpr int kSub = 4;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            int r = 0, g = 0, b = 0, n = 0;
            for (int sy = 0; sy < kSub; ++sy)
                for (int sx = 0; sx < kSub; ++sx) {
                    const double u = (x + (sx + 0.5) / kSub) / size * 2 - 1;
                    const double v = (y + (sy + 0.5) / kSub) / size * 2 - 1;
                    const int c = markAt(u, v);
                    if (c < 0) continue;
                    r += palette[size_t(c)].r;
                    g += palette[size_t(c)].g;
                    b += palette[size_t(c)].b;
                    ++n;
                }
            uint8_t* p = &out[(size_t(y) * size_t(size) + size_t(x)) * 4];
            if (n) {
                p[0] = uint8_t(r / n);
                p[1] = uint8_t(g / n);
                p[2] = uint8_t(b / n);
                p[3] = uint8_t(n * 255 / (kSub * kSub));
            }
        }
    return out;
}

Surface drawControlPicture(int number) {
    switch (number) {
        case pict::Splash: return drawSplash();
        case pict::Scale: return drawScale();
        case pict::RowLabels: return drawRowLabels();
        case pict::TopRow: return drawTopRow();
        case pict::TitleButtons: return drawTitleButtons();
        case pict::Digits: return drawDigits();
        case pict::Widgets: return drawWidgets();
        case pict::Indicator: return drawIndicator();
        case pict::Marker: return drawPopupMarker();
        case pict::Arrows: return drawArrows();
        default: return Surface();
    }
}

}  // namespace korel::art
