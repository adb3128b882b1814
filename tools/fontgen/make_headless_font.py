#!/usr/bin/env python3
"""Renders the headless platform's bitmap fonts from DejaVu Sans with ImageMagick.

Run once when the glyphs should change; the output platform/headless/headless_font_data.h is
committed, so building never needs ImageMagick or the font.
"""
import subprocess, sys

SIZES = [(9, 7), (13, 10)]  # (cell height, point size)

def render(ch, pt, cell):
    arg = 'label:' + ('\\\\' if ch == '\\' else ch)
    if ch == '@': arg = 'label:\\@'
    out = subprocess.run(['convert', '+antialias', '-background', 'white', '-fill', 'black',
                          '-font', 'DejaVu-Sans', '-pointsize', str(pt), arg,
                          '-gravity', 'north', '-background', 'white', '-extent', 'x%d' % cell,
                          '-compress', 'none', 'pbm:-'], capture_output=True, text=True, check=True).stdout
    toks = out.split()
    assert toks[0] == 'P1'
    w, h = int(toks[1]), int(toks[2])
    bits = [int(t) for t in toks[3:3 + w * h]]
    rows = [bits[r * w:(r + 1) * w] for r in range(h)]
    return w, rows

def main(path):
    lines = ['// Bitmap glyphs of the headless platform, rendered from DejaVu Sans by',
             '// tools/fontgen/make_headless_font.py. Generated: do not edit.', '#pragma once',
             '#include <cstdint>', '', 'namespace korel::headless_font {', '',
             'struct Glyph { uint8_t width; uint32_t offset; };', '']
    for cell, pt in SIZES:
        glyphs, data = [], []
        for code in range(32, 127):
            ch = chr(code)
            if ch == ' ':
                w, rows = max(2, pt // 3), [[0] * max(2, pt // 3) for _ in range(cell)]
            else:
                w, rows = render(ch, pt, cell)
            glyphs.append((w, len(data)))
            for r in rows:
                v = 0
                for i, b in enumerate(r[:32]):
                    if b: v |= 1 << i
                data.append(v)
        lines.append('constexpr int kCell%d = %d;' % (cell, cell))
        lines.append('constexpr Glyph kGlyphs%d[95] = {%s};' % (cell, ', '.join('{%d, %d}' % g for g in glyphs)))
        lines.append('constexpr uint32_t kRows%d[%d] = {' % (cell, len(data)))
        for i in range(0, len(data), 12):
            lines.append('    ' + ', '.join('0x%x' % v for v in data[i:i + 12]) + ',')
        lines.append('};')
        lines.append('')
    lines.append('}  // namespace korel::headless_font')
    open(path, 'w').write('\n'.join(lines) + '\n')

main(sys.argv[1])
