#!/usr/bin/env python3
"""Draws the program's two pictures and writes them as XPM 3 sources.

    python3 about/images/make_images.py [output-dir]

emblem.xpm: 188x240, 64 grey levels plus a transparent entry, 1 char per pixel:
            a black shield with the word ВИРЕЛ on a white band across its top.
logo.xpm:   89x28, 105 grey levels, 2 chars per pixel, opaque light ground:
            a placeholder wordmark.

Shapes are described by distances and sampled several times per pixel, so the
edges come out antialiased in the grey levels. Only the standard library is used.
"""

import math
import os
import sys

# Printable characters that are safe inside a C string literal (no quote,
# backslash or question mark).
CODE_CHARS = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz.#"


# ---------------------------------------------------------------- geometry


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def arc(cx, cy, r, start_deg, end_deg, steps=14):
    """Points of an arc in unit glyph space; angles clockwise from +x (y points down)."""
    return [(cx + r * math.cos(math.radians(start_deg + (end_deg - start_deg) * i / steps)),
             cy + r * math.sin(math.radians(start_deg + (end_deg - start_deg) * i / steps)))
            for i in range(steps + 1)]


class Strokes:
    """Polylines drawn with a round pen; tells whether a point lies under the pen."""

    def __init__(self, half_width):
        self.half_width = half_width
        self.segments = []

    def add_polyline(self, points):
        for (ax, ay), (bx, by) in zip(points, points[1:]):
            pad = self.half_width + 1.0
            box = (min(ax, bx) - pad, min(ay, by) - pad, max(ax, bx) + pad, max(ay, by) + pad)
            self.segments.append((box, ax, ay, bx, by))

    def covers(self, x, y):
        for (x0, y0, x1, y1), ax, ay, bx, by in self.segments:
            if x0 <= x <= x1 and y0 <= y <= y1:
                if segment_distance(x, y, ax, ay, bx, by) <= self.half_width:
                    return True
        return False


# ---------------------------------------------------------------- lettering

# Capital letters as pen paths in a unit box (x to the right, y downwards),
# with the share of the letter height each one is wide.
GLYPHS = {
    "В": (0.78, [[(0, 0), (0, 1)],
                 [(0, 0), (0.62, 0)] + arc(0.62, 0.24, 0.24, -90, 90) + [(0.62, 0.48), (0, 0.48)],
                 [(0, 0.48), (0.70, 0.48)] + arc(0.70, 0.74, 0.26, -90, 90) + [(0.70, 1), (0, 1)]]),
    "И": (0.82, [[(0, 0), (0, 1)], [(0, 1), (1, 0)], [(1, 0), (1, 1)]]),
    "Р": (0.74, [[(0, 1), (0, 0), (0.68, 0)] + arc(0.68, 0.27, 0.27, -90, 90)
                 + [(0.68, 0.54), (0, 0.54)]]),
    "Е": (0.66, [[(1, 0), (0, 0), (0, 1), (1, 1)], [(0, 0.5), (0.86, 0.5)]]),
    "Л": (0.82, [[(0, 1), (0.08, 0.97), (0.2, 0.75), (0.26, 0), (1, 0), (1, 1)]]),
}


def word_width(word, height, pen, gap, narrow=1.0):
    return sum(GLYPHS[c][0] * narrow * height + pen for c in word) + gap * (len(word) - 1)


def lay_out_word(word, left, top, height, pen, gap, narrow=1.0):
    """Strokes of `word`; the pen's outer edge fills [top, top + height]."""
    strokes = Strokes(pen / 2)
    x = left
    for letter in word:
        share, paths = GLYPHS[letter]
        inner_w, inner_h = share * narrow * height, height - pen
        for path in paths:
            strokes.add_polyline([(x + pen / 2 + u * inner_w, top + pen / 2 + v * inner_h)
                                  for u, v in path])
        x += inner_w + pen + gap
    return strokes


def sine_wave(x0, x1, y, amplitude, periods, damping=0.0, steps=120):
    points = []
    for i in range(steps + 1):
        t = i / steps
        a = amplitude * math.exp(-damping * t)
        points.append((x0 + (x1 - x0) * t, y - a * math.sin(2 * math.pi * periods * t)))
    return points


# ---------------------------------------------------------------- sampling


def render(width, height, shade, samples=5):
    """Per pixel: (coverage of the shape, mean intensity 0..1 over the covered samples).

    shade(x, y) returns None outside the shape or an intensity (0 black, 1 white)."""
    offsets = [(i + 0.5) / samples for i in range(samples)]
    pixels = []
    for row in range(height):
        line = []
        for col in range(width):
            inside, total = 0, 0.0
            for oy in offsets:
                for ox in offsets:
                    value = shade(col + ox, row + oy)
                    if value is not None:
                        inside += 1
                        total += value
            n = samples * samples
            line.append((inside / n, total / inside if inside else 0.0))
        pixels.append(line)
    return pixels


def grey_table(levels, darkest):
    return [round(darkest + (255 - darkest) * i / (levels - 1)) for i in range(levels)]


def nearest_level(table, intensity):
    value = intensity * 255
    return min(range(len(table)), key=lambda i: abs(table[i] - value))


def pixel_code(index, cpp):
    if cpp == 1:
        return CODE_CHARS[index]
    return CODE_CHARS[index // len(CODE_CHARS)] + CODE_CHARS[index % len(CODE_CHARS)]


def write_xpm(path, name, width, height, greys, cpp, transparent, pixels):
    """Writes an XPM 3 source; the transparent entry, if any, gets the blank code."""
    colours = []
    if transparent:
        colours.append((" " * cpp, "None"))
    offset = len(colours)
    for i, value in enumerate(greys):
        colours.append((pixel_code(i, cpp), "#%02X%02X%02X" % (value, value, value)))
    lines = ['"%d %d %d %d"' % (width, height, len(colours), cpp)]
    lines += ['"%s c %s"' % (code, colour) for code, colour in colours]
    for row in pixels:
        text = []
        for coverage, intensity in row:
            if transparent and coverage < 0.5:
                text.append(colours[0][0])
            else:
                text.append(colours[offset + nearest_level(greys, intensity)][0])
        lines.append('"%s"' % "".join(text))
    with open(path, "w", encoding="ascii", newline="\n") as out:
        out.write("/* XPM */\n")
        out.write("const char *const %s[] = {\n" % name)
        out.write(",\n".join(lines))
        out.write("};\n")


# ---------------------------------------------------------------- emblem

EMBLEM_W, EMBLEM_H = 188, 240


class Shield:
    """Heater shield: straight sides down to `waist`, then two arcs meeting in a point."""

    def __init__(self, left, right, top, waist, corner):
        self.left, self.right, self.top, self.waist = left, right, top, waist
        self.radius = right - left
        self.corner = corner

    def distance(self, x, y):
        """Signed distance to the outline, negative inside; top corners rounded."""
        r = self.corner
        if y <= self.waist:
            side = max(self.left + r - x, x - (self.right - r))
        else:
            to_right = math.hypot(x - self.right, y - self.waist)
            to_left = math.hypot(x - self.left, y - self.waist)
            side = max(to_right, to_left) - (self.radius - r)
        over = (self.top + r) - y
        outside = math.hypot(max(side, 0.0), max(over, 0.0))
        return outside + min(max(side, over), 0.0) - r


def emblem_shade():
    shield = Shield(left=3.0, right=185.0, top=3.0, waist=78.0, corner=14.0)
    rim, line = 9.0, 3.0
    band_top, band_bottom = 27.0, 79.0
    letter_h, pen, gap, narrow = 32.0, 6.0, 5.0, 0.8
    text_w = word_width("ВИРЕЛ", letter_h, pen, gap, narrow)
    letters = lay_out_word("ВИРЕЛ", (EMBLEM_W - text_w) / 2,
                           band_top + (band_bottom - band_top - letter_h) / 2, letter_h, pen, gap,
                           narrow)
    waves = Strokes(2.6)
    waves.add_polyline(sine_wave(38, 150, 128, 20, 2.5, damping=1.6))
    waves.add_polyline([(50, 168), (138, 168)])

    def shade(x, y):
        d = shield.distance(x, y)
        if d >= 0:
            return None
        if abs(d + rim + line / 2) <= line / 2:
            return 1.0
        if band_top <= y <= band_bottom and d < -rim:
            return 0.0 if letters.covers(x, y) else 1.0
        return 1.0 if d < -rim and waves.covers(x, y) else 0.0

    return shade


# ---------------------------------------------------------------- logo

LOGO_W, LOGO_H = 89, 28
LOGO_GROUND = 240


def logo_shade():
    ground = LOGO_GROUND / 255
    letter_h, pen, gap, narrow = 16.0, 2.8, 2.0, 0.9
    text_w = word_width("ВИРЕЛ", letter_h, pen, gap, narrow)
    left = (LOGO_W - text_w) / 2
    letters = lay_out_word("ВИРЕЛ", left, 3.0, letter_h, pen, gap, narrow)
    underline = Strokes(0.9)
    underline.add_polyline(sine_wave(left + 1, left + text_w - 1, 23.5, 2.2, 4.5, damping=1.2))

    def shade(x, y):
        return 0.0 if letters.covers(x, y) or underline.covers(x, y) else ground

    return shade


# ---------------------------------------------------------------- main


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    write_xpm(os.path.join(out_dir, "emblem.xpm"), "EmblemImage", EMBLEM_W, EMBLEM_H,
              grey_table(64, 8), 1, True, render(EMBLEM_W, EMBLEM_H, emblem_shade()))
    write_xpm(os.path.join(out_dir, "logo.xpm"), "LogoImage", LOGO_W, LOGO_H,
              grey_table(105, 0), 2, False, render(LOGO_W, LOGO_H, logo_shade()))


if __name__ == "__main__":
    main()
