// Building the program's palette.
#include "shell/palette.h"

namespace korel {

Palette buildProgramPalette() {
    static const Rgb low[10] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},
                                {0, 0, 128},   {128, 0, 128}, {0, 128, 128},   {192, 192, 192},
                                {192, 220, 192}, {166, 202, 240}};
    static const Rgb high[10] = {{255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},
                                 {0, 255, 0},     {255, 255, 0},   {0, 0, 255},     {255, 0, 255},
                                 {0, 255, 255},   {255, 255, 255}};
    static const Rgb fixed[11] = {{225, 225, 225}, {161, 161, 161}, {97, 97, 97}, {63, 63, 63},
                                  {33, 33, 33},    {0, 63, 0},      {0, 191, 0},  {0, 128, 255},
                                  {127, 0, 255},   {255, 85, 0},    {255, 170, 0}};
    Palette p{};
    for (int i = 0; i < 10; ++i) {
        p[size_t(i)] = PaletteEntry{low[i].r, low[i].g, low[i].b, 0};
        p[size_t(246 + i)] = PaletteEntry{high[i].r, high[i].g, high[i].b, 0};
    }
    for (int i = 0; i < 11; ++i)
        p[size_t(10 + i)] = PaletteEntry{fixed[i].r, fixed[i].g, fixed[i].b, kPaletteNoCollapse};
    const uint8_t animated = kPaletteReserved | kPaletteNoCollapse;
    for (int i = 21; i <= 200; ++i) p[size_t(i)] = PaletteEntry{0, 0, 0, animated};
    for (int i = 201; i <= 245; ++i) p[size_t(i)] = PaletteEntry{63, 63, 65, animated};
    return p;
}

uint8_t nearestFixedIndex(const Palette& palette, Rgb c) {
    int best = 0;
    long bestDist = -1;
    for (int i = 0; i < 256; ++i) {
        if (i > 20 && i < 246) continue;
        const PaletteEntry& e = palette[size_t(i)];
        long dr = long(e.r) - c.r, dg = long(e.g) - c.g, db = long(e.b) - c.b;
        long d = dr * dr + dg * dg + db * db;
        if (bestDist < 0 || d < bestDist) {
            bestDist = d;
            best = i;
        }
    }
    return uint8_t(best);
}

}  // namespace korel
