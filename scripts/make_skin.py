#!/usr/bin/env python3
"""Draws Quarvel's skin artwork and writes it to src/resources/.

Run it after changing the look: python3 scripts/make_skin.py [output-dir]
The generated files are committed; the build only embeds them. Everything is drawn here
with signed-distance shapes (anti-aliased); PNG and ICO are written directly, JPEG and GIF
are encoded with ImageMagick's `convert`. Output is the same on every run.

Theme: a soft teal/blue gradient with a dark title band (white captions read on it), a light
list panel (dark text reads on it), glossy rounded buttons.
"""

import math
import os
import random
import struct
import subprocess
import sys
import tempfile
import zlib

# --------------------------------------------------------------------------------------------
# Canvas and shapes


def rgb(hex_colour, alpha=1.0):
    h = hex_colour.lstrip("#")
    return (int(h[0:2], 16) / 255.0, int(h[2:4], 16) / 255.0, int(h[4:6], 16) / 255.0, alpha)


def mix(c1, c2, t):
    t = max(0.0, min(1.0, t))
    return tuple(a + (b - a) * t for a, b in zip(c1, c2))


class Canvas:
    """Straight-alpha RGBA floats; shapes are composited with 'over'."""

    def __init__(self, width, height, colour=(0.0, 0.0, 0.0, 0.0)):
        self.w = width
        self.h = height
        n = width * height
        self.r = [colour[0]] * n
        self.g = [colour[1]] * n
        self.b = [colour[2]] * n
        self.a = [colour[3]] * n

    def blend(self, i, r, g, b, a):
        if a <= 0.0:
            return
        if a >= 1.0:
            self.r[i], self.g[i], self.b[i], self.a[i] = r, g, b, 1.0
            return
        da = self.a[i]
        k = da * (1.0 - a)
        oa = a + k
        self.r[i] = (r * a + self.r[i] * k) / oa
        self.g[i] = (g * a + self.g[i] * k) / oa
        self.b[i] = (b * a + self.b[i] * k) / oa
        self.a[i] = oa

    def fill(self, sdf, paint, box=None):
        """Fills the shape (distance < 0 inside) with a colour or a paint(x, y) function."""
        x0, y0, x1, y1 = box if box else (0, 0, self.w, self.h)
        x0, y0 = max(0, int(math.floor(x0))), max(0, int(math.floor(y0)))
        x1, y1 = min(self.w, int(math.ceil(x1))), min(self.h, int(math.ceil(y1)))
        constant = None if callable(paint) else paint
        for y in range(y0, y1):
            py = y + 0.5
            row = y * self.w
            for x in range(x0, x1):
                px = x + 0.5
                cover = 0.5 - sdf(px, py)
                if cover <= 0.0:
                    continue
                if cover > 1.0:
                    cover = 1.0
                r, g, b, a = constant if constant else paint(px, py)
                self.blend(row + x, r, g, b, a * cover)

    def paste(self, other, ox, oy):
        for y in range(other.h):
            for x in range(other.w):
                j = y * other.w + x
                tx, ty = ox + x, oy + y
                if 0 <= tx < self.w and 0 <= ty < self.h:
                    self.blend(ty * self.w + tx, other.r[j], other.g[j], other.b[j], other.a[j])

    def rgba_bytes(self):
        out = bytearray(self.w * self.h * 4)
        for i in range(self.w * self.h):
            out[4 * i] = to_byte(self.r[i])
            out[4 * i + 1] = to_byte(self.g[i])
            out[4 * i + 2] = to_byte(self.b[i])
            out[4 * i + 3] = to_byte(self.a[i])
        return bytes(out)


def to_byte(v):
    v = int(round(v * 255.0))
    return 0 if v < 0 else 255 if v > 255 else v


def round_rect(x, y, w, h, r):
    cx, cy, hw, hh = x + w / 2.0, y + h / 2.0, w / 2.0 - r, h / 2.0 - r

    def sdf(px, py):
        qx, qy = abs(px - cx) - hw, abs(py - cy) - hh
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r

    return sdf


def circle(cx, cy, r):
    return lambda px, py: math.hypot(px - cx, py - cy) - r


def ellipse(cx, cy, rx, ry):
    m = min(rx, ry)
    return lambda px, py: (math.hypot((px - cx) / rx, (py - cy) / ry) - 1.0) * m


def ring(cx, cy, r, width):
    return lambda px, py: abs(math.hypot(px - cx, py - cy) - r) - width / 2.0


def segment(ax, ay, bx, by, width):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy or 1e-9

    def sdf(px, py):
        t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
        return math.hypot(px - ax - t * dx, py - ay - t * dy) - width / 2.0

    return sdf


def polygon(points, rounding=0.0):
    n = len(points)

    def sdf(px, py):
        best = 1e9
        inside = False
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[(i + 1) % n]
            dx, dy = bx - ax, by - ay
            t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
            best = min(best, math.hypot(px - ax - t * dx, py - ay - t * dy))
            if (ay > py) != (by > py) and px < ax + (py - ay) * dx / (by - ay):
                inside = not inside
        return (-best if inside else best) - rounding

    return sdf


def union(*shapes):
    return lambda px, py: min(s(px, py) for s in shapes)


def intersect(a, b):
    return lambda px, py: max(a(px, py), b(px, py))


def subtract(a, b):
    return lambda px, py: max(a(px, py), -b(px, py))


def vertical(top_y, bottom_y, *stops):
    """Paint: a vertical gradient through evenly spaced colour stops."""
    span = float(bottom_y - top_y) or 1.0
    last = len(stops) - 1

    def paint(px, py):
        t = max(0.0, min(1.0, (py - top_y) / span)) * last
        i = min(int(t), last - 1) if last else 0
        return mix(stops[i], stops[min(i + 1, last)], t - i)

    return paint


def bounds(x, y, w, h, pad=2):
    return (x - pad, y - pad, x + w + pad, y + h + pad)


# --------------------------------------------------------------------------------------------
# Encoders


def png_bytes(canvas):
    raw = canvas.rgba_bytes()
    stride = canvas.w * 4
    rows = bytearray()
    for y in range(canvas.h):
        rows.append(0)
        rows += raw[y * stride:(y + 1) * stride]

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    ihdr = struct.pack(">IIBBBBB", canvas.w, canvas.h, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(bytes(rows), 9))
            + chunk(b"IEND", b""))


def ico_bytes(canvas):
    """Icon file with one 32-bit DIB image (colour rows bottom-up, then the AND mask)."""
    w, h = canvas.w, canvas.h
    raw = canvas.rgba_bytes()
    pixels = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b, a = raw[4 * (y * w + x):4 * (y * w + x) + 4]
            pixels += bytes((b, g, r, a))
    mask_stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(mask_stride)
        for x in range(w):
            if raw[4 * (y * w + x) + 3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + bytes(pixels) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32,
                                                             len(image), 22)
    return directory + image


def ppm_bytes(canvas):
    raw = canvas.rgba_bytes()
    body = bytearray()
    for i in range(canvas.w * canvas.h):
        body += raw[4 * i:4 * i + 3]
    return b"P6\n%d %d\n255\n" % (canvas.w, canvas.h) + bytes(body)


def convert(args):
    subprocess.run(["convert"] + args, check=True)


# --------------------------------------------------------------------------------------------
# Palette

TITLE_TOP = rgb("#2b8aa2")
TITLE_BOTTOM = rgb("#17596d")
BODY_TOP = rgb("#7cc0d1")
BODY_BOTTOM = rgb("#b9dfe8")
TEAL = rgb("#2f8ca6")
TEAL_DARK = rgb("#1d6478")
WHITE = rgb("#ffffff")
INK = rgb("#24343b")


# --------------------------------------------------------------------------------------------
# Artwork


def window_background():
    """960x600; stretched over the window's frame rectangle (600x505 for the main window)."""
    w, h = 960, 600
    band = 36  # title band: about 30 window pixels once scaled
    c = Canvas(w, h)
    rng = random.Random(20240611)
    for y in range(h):
        if y < band:
            base = mix(TITLE_TOP, TITLE_BOTTOM, y / float(band - 1))
            if y < 15:  # glossy upper half of the band
                base = mix(base, WHITE, 0.10 * (1.0 - y / 15.0))
        else:
            base = mix(BODY_TOP, BODY_BOTTOM, (y - band) / float(h - band))
        for x in range(w):
            r, g, b, _ = base
            if y >= band:
                # Two slow translucent waves across the body.
                wave1 = 250 + 60 * math.sin(x / 150.0 + 0.6) + 25 * math.sin(x / 53.0)
                wave2 = 420 + 50 * math.sin(x / 190.0 + 2.2)
                if y > wave1:
                    r, g, b = r + (1 - r) * 0.12, g + (1 - g) * 0.12, b + (1 - b) * 0.12
                if y > wave2:
                    r, g, b = r + (1 - r) * 0.10, g + (1 - g) * 0.10, b + (1 - b) * 0.10
                # Fine diagonal texture.
                if (x + y) % 6 == 0:
                    r, g, b = r + (1 - r) * 0.04, g + (1 - g) * 0.04, b + (1 - b) * 0.04
            else:
                if (x - y) % 5 == 0:
                    r, g, b = r * 0.97, g * 0.97, b * 0.97
            n = (rng.random() - 0.5) * (2.0 / 255.0)
            i = y * w + x
            c.r[i], c.g[i], c.b[i], c.a[i] = r + n, g + n, b + n, 1.0

    # Soft light spots in the body, under the title band.
    for cx, cy, radius, strength in ((860, 520, 160, 0.10), (120, 200, 140, 0.06)):
        def spot(px, py, cx=cx, cy=cy, radius=radius, strength=strength):
            return (1, 1, 1, strength * max(0.0, 1.0 - math.hypot(px - cx, py - cy) / radius))

        c.fill(intersect(circle(cx, cy, radius), lambda px, py: band - py), spot,
               (cx - radius, cy - radius, cx + radius, cy + radius))

    # Edge of the title band: a light line and a short shadow under it.
    c.fill(round_rect(0, band, w, 1, 0), rgb("#8fd0df", 0.9), (0, band, w, band + 1))
    for k in range(4):
        c.fill(round_rect(0, band + 1 + k, w, 1, 0), (0, 0.1, 0.15, 0.16 * (1 - k / 4.0)),
               (0, band + 1 + k, w, band + 2 + k))

    # List panel: lighter area behind the results list, with a soft shadow and a white rim.
    px, py, pw, ph = 10, 92, 940, 482
    for k in range(6, 0, -1):
        c.fill(round_rect(px - k, py - k + 3, pw + 2 * k, ph + 2 * k, 10 + k), (0.05, 0.2, 0.28, 0.025),
               bounds(px - k, py - k + 3, pw + 2 * k, ph + 2 * k))
    c.fill(round_rect(px, py, pw, ph, 9), vertical(py, py + ph, rgb("#f7fcfd", 0.72), rgb("#e6f4f7", 0.66)),
           bounds(px, py, pw, ph))
    c.fill(subtract(round_rect(px, py, pw, ph, 9), round_rect(px + 1.5, py + 1.5, pw - 3, ph - 3, 8)),
           rgb("#ffffff", 0.75), bounds(px, py, pw, ph))

    # Notice line along the bottom: a faint separator above it.
    c.fill(round_rect(18, 577, w - 36, 1, 0), rgb("#ffffff", 0.55), (18, 577, w - 18, 578))
    return c


def search_frame():
    w, h = 400, 24
    c = Canvas(w, h)
    c.fill(round_rect(0, 0, w, h, 5), rgb("#2a7f96", 0.85), bounds(0, 0, w, h))
    c.fill(round_rect(1, 1, w - 2, h - 2, 4), vertical(1, h - 1, rgb("#eef6f8"), WHITE, WHITE), bounds(0, 0, w, h))
    # Inner shadow along the top edge.
    c.fill(intersect(round_rect(1, 1, w - 2, h - 2, 4), lambda x, y: y - 3.5), (0.1, 0.25, 0.3, 0.10),
           (0, 0, w, 5))
    return c


def glossy_button(w, h, top, middle, bottom, border, gloss):
    c = Canvas(w, h)
    c.fill(round_rect(0, 0, w, h, 6), border, bounds(0, 0, w, h))
    c.fill(round_rect(1, 1, w - 2, h - 2, 5), vertical(1, h - 1, top, middle, bottom), bounds(0, 0, w, h))
    c.fill(round_rect(2, 2, w - 4, (h - 4) / 2.0, 4), vertical(2, h / 2.0, rgb("#ffffff", gloss),
                                                                   rgb("#ffffff", gloss * 0.35)),
           bounds(0, 0, w, h / 2.0))
    c.fill(subtract(round_rect(1, 1, w - 2, h - 2, 5), round_rect(2, 2, w - 4, h - 4, 4)), rgb("#ffffff", 0.5),
           bounds(0, 0, w, h))
    return c


def search_button(hover):
    if hover:
        return glossy_button(70, 26, rgb("#ffffff"), rgb("#c8f0f9"), rgb("#86d5e8"), rgb("#2b86a0"), 0.75)
    return glossy_button(70, 26, rgb("#fbfeff"), rgb("#d6eff5"), rgb("#a4d7e4"), rgb("#3f93aa"), 0.6)


def spinner_frame(step):
    """One of 12 frames: dots on a circle, the leading dot darkest."""
    c = Canvas(32, 32)
    for k in range(12):
        angle = (k - 3) * math.pi / 6.0
        age = (step - k) % 12  # 0 = leading dot
        strength = max(0.18, 1.0 - age / 8.0)
        radius = 2.9 if age == 0 else 2.5
        cx, cy = 16 + 11 * math.cos(angle), 16 + 11 * math.sin(angle)
        c.fill(circle(cx, cy, radius), mix(rgb("#cfe8ee"), TEAL_DARK, strength), (cx - 4, cy - 4, cx + 4, cy + 4))
    return c


def flatten_for_gif(canvas, matte):
    """GIF keeps one transparent index: partly covered pixels are blended onto the matte."""
    for i in range(canvas.w * canvas.h):
        a = canvas.a[i]
        if a < 0.04:
            canvas.a[i] = 0.0
        else:
            canvas.r[i] = matte[0] + (canvas.r[i] - matte[0]) * a
            canvas.g[i] = matte[1] + (canvas.g[i] - matte[1]) * a
            canvas.b[i] = matte[2] + (canvas.b[i] - matte[2]) * a
            canvas.a[i] = 1.0
    return canvas


def window_icon():
    c = Canvas(48, 48)
    c.fill(round_rect(2, 2, 44, 44, 11), vertical(2, 46, rgb("#4fb6cf"), rgb("#2a8aa4"), rgb("#18627a")),
           bounds(2, 2, 44, 44))
    c.fill(round_rect(4, 4, 40, 19, 8), vertical(4, 23, rgb("#ffffff", 0.45), rgb("#ffffff", 0.08)),
           bounds(4, 4, 40, 19))
    c.fill(subtract(round_rect(2, 2, 44, 44, 11), round_rect(3, 3, 42, 42, 10)), rgb("#0e4a5c", 0.7),
           bounds(2, 2, 44, 44))
    # Magnifying glass.
    c.fill(segment(27.5, 27.5, 37, 37, 6), rgb("#0f4353", 0.35), (20, 20, 44, 44))
    c.fill(segment(27, 27, 36, 36, 5.2), rgb("#ffffff"), (20, 20, 44, 44))
    c.fill(circle(20, 20, 8), rgb("#d9f4fa", 0.35), (10, 10, 30, 30))
    c.fill(ring(20, 20, 9.5, 4), rgb("#ffffff"), (8, 8, 32, 32))
    return c


def message_box_bands():
    """2x160: header rows 0-96 (caption strip on top), body from 97, footer from 129."""
    c = Canvas(2, 160)
    for y in range(160):
        if y < 24:
            colour = mix(rgb("#1f7890", 0.92), rgb("#15566a", 0.92), y / 23.0)
        elif y == 24:
            colour = rgb("#8fd0df", 0.95)
        elif y < 97:
            colour = mix(rgb("#f4fafb", 0.95), rgb("#fdfefe", 0.96), (y - 25) / 72.0)
        elif y < 129:
            colour = rgb("#fdfefe", 0.96)
        elif y == 129:
            colour = rgb("#c9e2e8", 0.96)
        else:
            colour = mix(rgb("#e9f4f6", 0.96), rgb("#d8ebf0", 0.96), (y - 130) / 29.0)
        for x in range(2):
            i = y * 2 + x
            c.r[i], c.g[i], c.b[i], c.a[i] = colour
    return c


def icon_disc(c, ox, top, bottom, border):
    cx, cy = ox + 20, 20
    c.fill(circle(cx, cy + 0.8, 17.5), (0, 0, 0, 0.18), (ox, 0, ox + 40, 40))
    c.fill(circle(cx, cy, 17), vertical(3, 37, top, bottom), (ox, 0, ox + 40, 40))
    c.fill(ring(cx, cy, 16.6, 1.0), border, (ox, 0, ox + 40, 40))
    c.fill(ellipse(cx, cy - 8, 11.5, 7), vertical(5, 19, rgb("#ffffff", 0.5), rgb("#ffffff", 0.05)),
           (ox, 0, ox + 40, 40))


def message_box_icons():
    c = Canvas(200, 40)
    # 0: error, white cross on red.
    icon_disc(c, 0, rgb("#f07a6c"), rgb("#c0392b"), rgb("#8e2a20", 0.8))
    c.fill(union(segment(13.5, 13.5, 26.5, 26.5, 4.2), segment(26.5, 13.5, 13.5, 26.5, 4.2)), WHITE, (0, 0, 40, 40))
    # 40: warning, dark mark on an amber triangle.
    ox = 40
    c.fill(polygon([(ox + 20, 5.5), (ox + 36, 34), (ox + 4, 34)], 2.5), (0, 0, 0, 0.18), (ox, 0, ox + 40, 40))
    c.fill(polygon([(ox + 20, 4.5), (ox + 35.5, 33), (ox + 4.5, 33)], 2.5),
           vertical(3, 35, rgb("#ffd866"), rgb("#f0a818")), (ox, 0, ox + 40, 40))
    c.fill(subtract(polygon([(ox + 20, 4.5), (ox + 35.5, 33), (ox + 4.5, 33)], 2.5),
                    polygon([(ox + 20, 4.5), (ox + 35.5, 33), (ox + 4.5, 33)], 1.5)), rgb("#b7780a", 0.8),
           (ox, 0, ox + 40, 40))
    c.fill(union(segment(ox + 20, 14, ox + 20, 24, 3.6), circle(ox + 20, 29, 2.1)), INK, (ox, 0, ox + 40, 40))
    # 80: question, white "?" on blue.
    ox = 80
    icon_disc(c, ox, rgb("#6fb4f2"), rgb("#2468b8"), rgb("#1a4d8a", 0.8))
    cx, cy = ox + 20, 16
    hook = intersect(ring(cx, cy, 5.5, 3.4), lambda x, y: -1.0 if (y < cy or x > cx) else 1.0)
    c.fill(union(hook, segment(cx, cy + 5.5, cx, cy + 9, 3.4), circle(cx, cy + 13.5, 2.1)), WHITE,
           (ox, 0, ox + 40, 40))
    # 120: information, white "i" on teal.
    ox = 120
    icon_disc(c, ox, rgb("#5cc6dc"), rgb("#1f7f99"), rgb("#15596c", 0.8))
    c.fill(union(circle(ox + 20, 11.5, 2.4), segment(ox + 20, 17.5, ox + 20, 29, 3.8)), WHITE, (ox, 0, ox + 40, 40))
    # 160: user, a white figure on green.
    ox = 160
    icon_disc(c, ox, rgb("#7fd68a"), rgb("#2e9a48"), rgb("#1f6e33", 0.8))
    c.fill(union(circle(ox + 20, 14.5, 5), intersect(ellipse(ox + 20, 31, 10, 8.5), lambda x, y: y - 29.5)),
           WHITE, (ox, 0, ox + 40, 40))
    return c


# Title-bar glyph cells of the control strip: every cell is (x, 2, width, 19).
CLOSE_CELLS = (0, 40, 80)
KIND_CELLS = {
    "maximise": (120, 149, 178),
    "restore": (207, 236, 265),
    "minimise": (294, 323, 352),
    "menu": (381, 410, 439),
    "settings": (468, 497, 526),
    "list": (555, 584, 613),
    "plus": (642, 671, 700),
}
CELL_TOP, CELL_HEIGHT = 2, 18  # rows 2..19: the strip is 20 high


def glyph(kind, ox, oy):
    """White glyph shapes, centred in a 28-wide cell (oy = cell top)."""
    cx, cy = ox + 14, oy + 9
    if kind == "maximise":
        return subtract(round_rect(cx - 5.5, cy - 4.5, 11, 9, 0.8), round_rect(cx - 4, cy - 2, 8, 5, 0.3))
    if kind == "restore":
        back = subtract(round_rect(cx - 3, cy - 6, 9, 7, 0.6), round_rect(cx - 1.8, cy - 4.2, 6.6, 4, 0.2))
        back = subtract(back, round_rect(cx - 6.5, cy - 3.5, 10, 8.5, 0.6))
        front = subtract(round_rect(cx - 6, cy - 3, 9, 7.5, 0.6), round_rect(cx - 4.8, cy - 0.8, 6.6, 4, 0.2))
        return union(back, front)
    if kind == "minimise":
        return round_rect(cx - 5.5, cy + 2, 11, 2.2, 0.6)
    if kind == "menu":
        return polygon([(cx - 5, cy - 2.5), (cx + 5, cy - 2.5), (cx, cy + 3)], 0.4)
    if kind == "settings":
        teeth = union(*[segment(cx + 3.6 * math.cos(a), cy + 3.6 * math.sin(a), cx + 6 * math.cos(a),
                                cy + 6 * math.sin(a), 2.4) for a in [k * math.pi / 4 for k in range(8)]])
        return union(ring(cx, cy, 3.6, 2.4), teeth)
    if kind == "list":
        return union(*[round_rect(cx - 5.5, cy - 4.5 + 4 * k, 11, 1.8, 0.5) for k in range(3)])
    if kind == "plus":
        return union(round_rect(cx - 5.5, cy - 1, 11, 2.2, 0.6), round_rect(cx - 1.1, cy - 5.5, 2.2, 11, 0.6))
    raise ValueError(kind)


def control_strip():
    c = Canvas(729, 20)
    top = CELL_TOP
    shadow = (0.02, 0.15, 0.2, 0.45)
    # Close: white cross; hover on red, pressed on dark red.
    for state, x in enumerate(CLOSE_CELLS):
        box = (x, 0, x + 39, 20)
        if state == 1:
            c.fill(round_rect(x + 1, top, 37, CELL_HEIGHT, 4), vertical(top, top + 18, rgb("#f0796b"), rgb("#d8432f"),
                                                                          rgb("#b8301f")), box)
            c.fill(round_rect(x + 2, top + 1, 35, 8, 3), rgb("#ffffff", 0.22), box)
        elif state == 2:
            c.fill(round_rect(x + 1, top, 37, CELL_HEIGHT, 4), vertical(top, top + 18, rgb("#a8281a"), rgb("#8a2014")),
                   box)
        dy = 1 if state == 2 else 0
        cx, cy = x + 19.5, top + 9 + dy
        cross = union(segment(cx - 4.5, cy - 4.5, cx + 4.5, cy + 4.5, 2.2),
                      segment(cx + 4.5, cy - 4.5, cx - 4.5, cy + 4.5, 2.2))
        if state == 0:
            c.fill(lambda px, py, s=cross: s(px, py - 1), shadow, box)
        c.fill(cross, WHITE, box)
    # Every other kind: white glyph; hover on a light veil, pressed on a dark one.
    for kind, cells in KIND_CELLS.items():
        for state, x in enumerate(cells):
            box = (x, 0, x + 28, 20)
            if state == 1:
                c.fill(round_rect(x + 1, top, 26, CELL_HEIGHT, 4), vertical(top, top + 18, rgb("#ffffff", 0.38),
                                                                              rgb("#ffffff", 0.2)), box)
            elif state == 2:
                c.fill(round_rect(x + 1, top, 26, CELL_HEIGHT, 4), (0.0, 0.12, 0.18, 0.38), box)
            shape = glyph(kind, x, top + (1 if state == 2 else 0))
            if state == 0:
                c.fill(lambda px, py, s=shape: s(px, py - 1), shadow, box)
            c.fill(shape, WHITE, box)
    return c


def check_box_strip():
    """68x17: unticked, unticked hover, ticked, ticked hover."""
    c = Canvas(68, 17)
    looks = (
        (rgb("#ffffff"), rgb("#e6f1f4"), rgb("#7d9ea8")),
        (rgb("#ffffff"), rgb("#d2f0f8"), rgb("#2f8ca6")),
        (rgb("#45a9c3"), rgb("#1f7890"), rgb("#17596d")),
        (rgb("#63c0d8"), rgb("#2a8aa4"), rgb("#1d6478")),
    )
    for k, (top, bottom, border) in enumerate(looks):
        ox = 17 * k
        box = (ox, 0, ox + 17, 17)
        c.fill(round_rect(ox + 2, 2, 13, 13, 2.5), border, box)
        c.fill(round_rect(ox + 3, 3, 11, 11, 1.8), vertical(3, 14, top, bottom), box)
        if k >= 2:
            c.fill(union(segment(ox + 5.2, 8.6, ox + 7.6, 11.2, 2.0), segment(ox + 7.6, 11.2, ox + 12, 5.6, 2.0)),
                   WHITE, box)
    return c


def glow_button_skin():
    """55x28: 13x28 pieces at x 0 (normal), 14 (hover/focused), 28 (pressed), 42 (disabled)."""
    c = Canvas(55, 28)
    looks = (
        (rgb("#ffffff", 0.95), rgb("#e4f3f7", 0.92), rgb("#cde8ef", 0.92), rgb("#6fa9b9"), 0.55),
        (rgb("#ffffff"), rgb("#d3f1f9"), rgb("#aee2ef"), rgb("#2f8ca6"), 0.7),
        (rgb("#b8e0ea"), rgb("#9fd3e1"), rgb("#c4e7f0"), rgb("#22738a"), 0.25),
        (rgb("#ffffff", 0.45), rgb("#f2f6f7", 0.4), rgb("#e6edef", 0.4), rgb("#9fb3b9", 0.6), 0.2),
    )
    for k, (top, middle, bottom, border, gloss) in enumerate(looks):
        ox = 14 * k
        box = (ox, 0, ox + 13, 28)
        c.fill(round_rect(ox, 0, 13, 27, 3), border, box)
        c.fill(round_rect(ox + 1, 1, 11, 25, 2.2), vertical(1, 26, top, middle, bottom), box)
        c.fill(round_rect(ox + 1.5, 1.5, 10, 11, 2), vertical(1, 12, rgb("#ffffff", gloss), rgb("#ffffff", gloss * 0.2)),
               box)
        c.fill(round_rect(ox + 1, 27, 11, 1, 0), (0, 0.1, 0.15, 0.12), box)  # soft lower shadow
    return c


def menu_arrow():
    c = Canvas(20, 20)
    c.fill(polygon([(8, 5.5), (13.5, 10), (8, 14.5)], 0.6), rgb("#33444b", 0.85), (0, 0, 20, 20))
    return c


# --------------------------------------------------------------------------------------------


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "src", "resources")
    os.makedirs(out, exist_ok=True)

    def write(name, data):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        print("%-28s %7d bytes" % (name, len(data)))

    write("window_icon.ico", ico_bytes(window_icon()))
    write("search_frame.png", png_bytes(search_frame()))
    write("search_button_normal.png", png_bytes(search_button(False)))
    write("search_button_hover.png", png_bytes(search_button(True)))
    write("message_box_bands.png", png_bytes(message_box_bands()))
    write("message_box_icons.png", png_bytes(message_box_icons()))
    write("control_strip.bin", png_bytes(control_strip())[8:])
    write("check_box_strip.bin", png_bytes(check_box_strip())[8:])
    write("glow_button_skin.png", png_bytes(glow_button_skin()))
    write("menu_arrow.png", png_bytes(menu_arrow()))

    with tempfile.TemporaryDirectory() as tmp:
        frames = []
        matte = rgb("#eef7f9")
        for step in range(12):
            path = os.path.join(tmp, "frame%02d.png" % step)
            with open(path, "wb") as f:
                f.write(png_bytes(flatten_for_gif(spinner_frame(step), matte)))
            frames.append(path)
        gif = os.path.join(out, "busy_indicator.gif")
        convert(["-delay", "8", "-loop", "0", "-dispose", "Background"] + frames + ["-strip", gif])
        print("%-28s %7d bytes" % ("busy_indicator.gif", os.path.getsize(gif)))

        ppm = os.path.join(tmp, "background.ppm")
        with open(ppm, "wb") as f:
            f.write(ppm_bytes(window_background()))
        jpeg = os.path.join(out, "window_background.jpg")
        convert([ppm, "-quality", "90", "-sampling-factor", "2x2", "-strip", jpeg])
        print("%-28s %7d bytes" % ("window_background.jpg", os.path.getsize(jpeg)))


if __name__ == "__main__":
    main()
