#!/usr/bin/python3
"""Writes every picture (IMAGES/*.bmp) and sound (SOUNDS/*.WAV) of Triwell.

Usage: /usr/bin/python3 tools/gen_assets.py [OUTDIR]   (default: assets/ of this repository)

The output is a pure function of this file, Pillow and the DejaVu fonts: all noise comes
from seeded generators and no file carries a time stamp, so two runs give identical bytes.
Bitmaps are written as 24-bit bottom-up BI_RGB files, sounds as 16-bit mono 22050 Hz PCM.
"""
import io
import math
import os
import random
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

FONT_DIR = "/usr/share/fonts/truetype/dejavu"
SANS = "DejaVuSans.ttf"
BOLD = "DejaVuSans-Bold.ttf"
SERIF_BOLD = "DejaVuSerif-Bold.ttf"

BLACK_KEY = (0, 0, 0)
WHITE_KEY = (255, 255, 255)
GREEN_KEY = (0, 255, 0)

# Console palette.
METAL = (50, 55, 66)
PLATE = (58, 63, 76)
PLATE_HI = (104, 112, 130)
PLATE_LO = (24, 26, 32)
GLASS = (16, 19, 28)
LABEL = (150, 164, 186)
TEXT = (214, 222, 236)
ACCENT = (92, 206, 255)

# Block colours 1..7: red, orange, yellow, green, cyan, blue, violet.
GEMS = [(226, 52, 62), (246, 138, 38), (240, 208, 56), (58, 196, 92),
        (48, 196, 218), (64, 102, 238), (176, 82, 228)]

LAMP_GREEN = (90, 232, 120)
LAMP_AMBER = (255, 178, 50)
LAMP_RED = (255, 70, 60)
LAMP_CYAN = (90, 210, 255)


# ---------------------------------------------------------------- file writers

def bmp_bytes(img):
    """24-bit BI_RGB bitmap, 14-byte file header + 40-byte info header, bottom-up rows."""
    img = img.convert("RGB")
    w, h = img.size
    stride = (w * 3 + 3) & ~3
    r, g, b = img.split()
    bgr = Image.merge("RGB", (b, g, r)).transpose(Image.Transpose.FLIP_TOP_BOTTOM).tobytes()
    pad = b"\0" * (stride - w * 3)
    pixels = b"".join(bgr[y * w * 3:(y + 1) * w * 3] + pad for y in range(h))
    file_header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 14 + 40)
    info_header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return file_header + info_header + pixels


RATE = 22050


def wav_bytes(samples):
    """16-bit mono PCM at 22050 Hz. The format chunk is the 18-byte form with cbSize 0,
    because our reader takes the two bytes after wBitsPerSample as cbSize."""
    ints = [max(-32767, min(32767, int(round(s * 32767.0)))) for s in samples]
    data = struct.pack("<%dh" % len(ints), *ints)
    fmt = struct.pack("<HHIIHHH", 1, 1, RATE, RATE * 2, 2, 16, 0)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


# ---------------------------------------------------------------- small helpers

_fonts = {}


def font(name, size):
    key = (name, size)
    if key not in _fonts:
        _fonts[key] = ImageFont.truetype(os.path.join(FONT_DIR, name), size)
    return _fonts[key]


def clamp8(v):
    return 0 if v < 0 else 255 if v > 255 else int(v + 0.5)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def scale(c, k):
    return tuple(c[i] * k for i in range(3))


def rgb(c):
    return tuple(clamp8(v) for v in c)


def shade(w, h, fn, ss=4):
    """Renders fn(x, y) -> (r, g, b, a) or None at ss x ss samples per pixel into RGBA."""
    offs = [(i + 0.5) / ss for i in range(ss)]
    n = ss * ss
    px = []
    for y in range(h):
        for x in range(w):
            ar = ag = ab = aa = 0.0
            for oy in offs:
                for ox in offs:
                    c = fn(x + ox, y + oy)
                    if c is None:
                        continue
                    a = c[3]
                    ar += c[0] * a
                    ag += c[1] * a
                    ab += c[2] * a
                    aa += a
            if aa <= 0.0:
                px.append((0, 0, 0, 0))
            else:
                px.append((clamp8(ar / aa), clamp8(ag / aa), clamp8(ab / aa), clamp8(aa / n * 255)))
    img = Image.new("RGBA", (w, h))
    img.putdata(px)
    return img


def over(base, layer, pos=(0, 0)):
    """Alpha-composites an RGBA layer onto an RGB image in place."""
    region = base.crop((pos[0], pos[1], pos[0] + layer.width, pos[1] + layer.height)).convert("RGBA")
    region.alpha_composite(layer)
    base.paste(region.convert("RGB"), pos)


def smooth_mask(size, draw_fn, ss=4):
    """An anti-aliased L mask: draw_fn(draw, ss) draws at ss times the size in white."""
    m = Image.new("L", (size[0] * ss, size[1] * ss), 0)
    draw_fn(ImageDraw.Draw(m), ss)
    return m.reduce(ss)


def rrect_mask(size, box, radius, ss=4):
    def d(draw, s):
        draw.rounded_rectangle([box[0] * s, box[1] * s, box[2] * s - 1, box[3] * s - 1],
                               radius=radius * s, fill=255)
    return smooth_mask(size, d, ss)


def fill(img, mask, colour):
    img.paste(Image.new("RGB", img.size, rgb(colour)), (0, 0), mask)


def vgradient(w, h, stops):
    """Vertical gradient through (position 0..1, colour) stops."""
    col = Image.new("RGB", (1, h))
    px = []
    for y in range(h):
        t = (y + 0.5) / h
        for i in range(len(stops) - 1):
            t0, c0 = stops[i]
            t1, c1 = stops[i + 1]
            if t <= t1 or i == len(stops) - 2:
                u = 0.0 if t1 == t0 else min(1.0, max(0.0, (t - t0) / (t1 - t0)))
                px.append(rgb(mix(c0, c1, u)))
                break
    col.putdata(px)
    return col.resize((w, h), Image.Resampling.NEAREST)


def brushed(w, h, base, seed, streak=5, grain=3):
    """Brushed metal: long horizontal streaks plus fine grain, from a seeded generator."""
    rnd = random.Random(seed)
    sw = max(2, w // 24)
    streaks = Image.new("L", (sw, h))
    streaks.putdata([128 + rnd.randint(-streak, streak) for _ in range(sw * h)])
    streaks = streaks.resize((w, h), Image.Resampling.BILINEAR)
    fine = Image.new("L", (w, h))
    fine.putdata(list(rnd.randbytes(w * h)))
    fine = fine.point(lambda v: 128 + (v * (2 * grain + 1)) // 256 - grain)
    noise = ImageChops.add(streaks, fine, 1.0, -128)
    img = Image.new("RGB", (w, h), rgb(base))
    return ImageChops.add(img, Image.merge("RGB", (noise, noise, noise)), 1.0, -128)


def bevel_box(img, box, radius, face, hi=PLATE_HI, lo=PLATE_LO, width=1, inset=False):
    """A raised (or, inset, a sunken) rounded plate with light from the top left."""
    x0, y0, x1, y1 = box
    top, bottom = (lo, hi) if inset else (hi, lo)
    fill(img, rrect_mask(img.size, (x0, y0, x1, y1), radius), (8, 9, 12) if not inset else lo)
    fill(img, rrect_mask(img.size, (x0 + 1, y0 + 1, x1 - 1, y1 - 1), max(0, radius - 1)), top)
    fill(img, rrect_mask(img.size, (x0 + 1 + width, y0 + 1 + width, x1 - 1, y1 - 1), max(0, radius - 1)), bottom)
    inner = (x0 + 1 + width, y0 + 1 + width, x1 - 1 - width, y1 - 1 - width)
    m = rrect_mask(img.size, inner, max(0, radius - 1 - width))
    if isinstance(face, Image.Image):
        img.paste(face, (0, 0), m)
    else:
        fill(img, m, face)


def plate(img, box, seed, radius=6, base=PLATE, screws=True):
    """A brushed metal plate with bevelled edge and four screws."""
    x0, y0, x1, y1 = box
    tex = Image.new("RGB", img.size)
    tex.paste(brushed(x1 - x0, y1 - y0, base, seed, 4, 2), (x0, y0))
    bevel_box(img, box, radius, tex, width=1)
    if screws:
        for sx, sy in ((x0 + 7, y0 + 7), (x1 - 8, y0 + 7), (x0 + 7, y1 - 8), (x1 - 8, y1 - 8)):
            screw(img, sx, sy)


def screw(img, cx, cy):
    def fn(x, y):
        dx, dy = x - 3.5, y - 3.5
        d = math.hypot(dx, dy)
        if d > 2.8:
            return None
        if d > 2.2:
            return (20, 22, 28, 1)
        k = 0.55 - 0.35 * (dx + dy) / 3.0
        c = scale((150, 156, 170), k)
        if abs(dx - dy) < 0.55:
            c = scale(c, 0.45)
        return (*c, 1)
    over(img, shade(7, 7, fn), (cx - 3, cy - 3))


def text(img, xy, s, fnt, colour, anchor="la", shadow=(10, 11, 15), glow=None, glow_radius=2.0):
    """Draws text with a one-pixel drop shadow and an optional soft glow."""
    if glow is not None:
        m = Image.new("L", img.size, 0)
        ImageDraw.Draw(m).text(xy, s, font=fnt, fill=255, anchor=anchor)
        m = m.filter(ImageFilter.GaussianBlur(glow_radius)).point(lambda v: min(255, v * 2))
        fill(img, m, glow)
    d = ImageDraw.Draw(img)
    if shadow is not None:
        d.text((xy[0] + 1, xy[1] + 1), s, font=fnt, fill=rgb(shadow), anchor=anchor)
    d.text(xy, s, font=fnt, fill=rgb(colour), anchor=anchor)


def engraved(img, xy, s, fnt, colour=LABEL, anchor="la"):
    """Label stamped into metal: dark above-left, light below-right."""
    d = ImageDraw.Draw(img)
    d.text((xy[0], xy[1] + 1), s, font=fnt, fill=(118, 126, 142), anchor=anchor)
    d.text((xy[0], xy[1] - 1), s, font=fnt, fill=(14, 15, 19), anchor=anchor)
    d.text(xy, s, font=fnt, fill=rgb(colour), anchor=anchor)


def finish_keyed(img, key, transparent=None):
    """Sets the pixels of the transparent mask to the key colour exactly, and moves every other
    pixel that would compare equal to the key in 5-6-5 form just outside it."""
    img = img.convert("RGB")
    src = list(img.getdata())
    mask = list(transparent.getdata()) if transparent is not None else [0] * len(src)
    out = []
    for (r, g, b), m in zip(src, mask):
        if m >= 128:
            out.append(key)
        elif key == BLACK_KEY and r < 8 and g < 4 and b < 8:
            out.append((max(r, 9), max(g, 9), max(b, 12)))
        elif key == WHITE_KEY and r >= 248 and g >= 252 and b >= 248:
            out.append((r, 246, b))
        elif key == GREEN_KEY and r < 8 and g >= 252 and b < 8:
            out.append((r, 246, b))
        else:
            out.append((r, g, b))
    res = Image.new("RGB", img.size)
    res.putdata(out)
    return res


def hard_keyed(layer, edge):
    """An RGBA layer as a keyed sprite: answers its pixels and its transparency mask, with
    hard edges whose anti-aliasing is blended into edge, the colour it is shown on."""
    a = layer.getchannel("A")
    hard = a.point(lambda v: 255 if v >= 96 else 0)
    blend = Image.new("RGB", layer.size, edge)
    blend.paste(layer.convert("RGB"), (0, 0), a)
    solid = Image.new("RGB", layer.size, (0, 0, 0))
    solid.paste(blend, (0, 0), hard)
    return solid, Image.eval(hard, lambda v: 255 - v)


def strip(frames):
    w, h = frames[0].size
    out = Image.new("RGB", (w * len(frames), h))
    for i, f in enumerate(frames):
        out.paste(f.convert("RGB"), (i * w, 0))
    return out


def rows(strips):
    w = strips[0].width
    h = sum(s.height for s in strips)
    out = Image.new("RGB", (w, h))
    y = 0
    for s in strips:
        out.paste(s, (0, y))
        y += s.height
    return out


# ---------------------------------------------------------------- gems

def in_symbol(kind, u, v):
    """Each colour carries its own facet symbol, so blocks differ in shape as well as hue."""
    if kind == 0:
        return u * u + v * v < 0.30
    if kind == 1:
        return abs(u) + abs(v) < 0.62
    if kind == 2:
        return -0.5 < v < 0.45 and abs(u) < (v + 0.5) * 0.62
    if kind == 3:
        return max(abs(u), abs(v)) < 0.42
    if kind == 4:
        return (abs(u) < 0.18 and abs(v) < 0.62) or (abs(v) < 0.18 and abs(u) < 0.62)
    if kind == 5:
        return -0.45 < v < 0.5 and abs(u) < (0.5 - v) * 0.62
    return 0.16 < u * u + v * v < 0.42


def gem(size, ci, falling=False, bg=None):
    """A bevelled square gem of colour index ci; transparent outside unless bg is given."""
    col = GEMS[ci]
    inset = 1.0 if size >= 20 else 0.75
    bev = size * 0.2
    lo, hi = inset, size - inset
    rad = 2.2 if size >= 20 else 1.6
    half = (hi - lo) / 2 - bev

    def fn(x, y):
        cx = min(max(x, lo + rad), hi - rad)
        cy = min(max(y, lo + rad), hi - rad)
        if (x - cx) ** 2 + (y - cy) ** 2 > rad * rad:
            return None if bg is None else (*bg, 1)
        dl, dr, dt, db = x - lo, hi - x, y - lo, hi - y
        m = min(dl, dr, dt, db)
        if m < bev:
            k = {dt: 1.38, dl: 1.12, dr: 0.78, db: 0.56}[m]
            c = scale(col, k)
            if k > 1.3:
                c = mix(c, (255, 255, 255), 0.18)
        else:
            u = (x - size / 2) / half
            v = (y - size / 2) / half
            c = scale(col, 1.0 - 0.16 * (u + v))
            if in_symbol(ci, u, v):
                c = mix(scale(col, 1.22), (255, 255, 255), 0.22)
            hx, hy = u + 0.45, v + 0.5
            glint = max(0.0, 1.0 - (hx * hx * 3.2 + hy * hy * 7.0))
            c = mix(c, (255, 255, 255), 0.75 * glint)
        if m < 0.7:
            c = scale(c, 0.5)
        if falling:
            c = mix(c, (255, 255, 255), 0.12)
            if m < 1.3:
                c = mix(c, (235, 245, 255), 0.6)
        return (*c, 1)
    return shade(size, size, fn)


# ---------------------------------------------------------------- lamps

def lamp_layer(w, h, lamps, ss=4):
    """lamps: list of (cx, cy, radius, colour, level 0..1). Bezel, lens and halo for each."""
    def fn(x, y):
        best = None
        for cx, cy, r, colour, level in lamps:
            d = math.hypot(x - cx, y - cy)
            rb = r + 1.8
            if d <= rb:
                if d > r:
                    t = -((x - cx) + (y - cy)) / (d * 1.42 + 1e-6)
                    g = 92 + 60 * t
                    if d > rb - 0.55:
                        g *= 0.35
                    return (g, g, g + 8, 1)
                dn = d / r
                off = mix(scale(colour, 0.16), (26, 28, 34), 0.35)
                core = mix(colour, (255, 255, 250), 0.85 * (1.0 - dn) ** 2)
                edge = scale(colour, 0.55 + 0.45 * (1 - dn))
                on = mix(core, edge, dn ** 3)
                c = mix(off, on, level)
                sx, sy = (x - cx) / r + 0.38, (y - cy) / r + 0.42
                glint = max(0.0, 1.0 - (sx * sx + sy * sy) * 9.0)
                c = mix(c, (255, 255, 255), 0.55 * glint)
                return (*c, 1)
            if level > 0 and d < rb + 3.2:
                a = level * 0.5 * (1.0 - (d - rb) / 3.2) ** 2
                cand = (*colour, a)
                if best is None or a > best[3]:
                    best = cand
        return best
    return shade(w, h, fn, ss)


def lamp_frames(bg, lamps_per_frame):
    """bg: RGB crop the frames are drawn on; lamps_per_frame: per frame the lamp list."""
    frames = []
    for lamps in lamps_per_frame:
        f = bg.copy()
        over(f, lamp_layer(bg.width, bg.height, lamps))
        frames.append(f)
    return frames


def single_lamp_levels(n_on, peak_at=1):
    """Play-once lamp: frame 0 off, a quick rise and an eased fall."""
    levels = [0.0]
    for i in range(1, n_on + 1):
        if i <= peak_at:
            levels.append(i / peak_at)
        else:
            t = (i - peak_at) / (n_on - peak_at + 1)
            levels.append(max(0.0, (1 - t) ** 1.6))
    return levels


def three_lamp_frames(bg, colours=(LAMP_GREEN, LAMP_AMBER, LAMP_RED)):
    """Three lamps with a light that runs left, right and back: eight looping frames."""
    path = [0.0, 0.5, 1.0, 1.5, 2.0, 1.5, 1.0, 0.5]
    res = []
    for p in path:
        lamps = []
        for i in range(3):
            lvl = max(0.12, 1.0 - abs(i - p) * 0.85)
            lamps.append((8.5 + 15 * i, 8.5, 5.2, colours[i], lvl))
        res.append(lamps)
    return lamp_frames(bg, res)


# ---------------------------------------------------------------- icons

def icon_mask(kind, size=30, ss=4):
    """White-on-black masks of the button symbols, drawn at ss x and reduced."""
    S = size * ss
    m = Image.new("L", (S, S), 0)
    d = ImageDraw.Draw(m)

    def P(*pts):
        return [(px * ss, py * ss) for px, py in pts]
    lw = int(2.4 * ss)
    if kind == "new":
        d.arc([8 * ss, 8 * ss, 22 * ss, 22 * ss], 300, 240, fill=255, width=lw)
        d.polygon(P((10.5, 5.0), (17.0, 9.0), (10.5, 13.2)), fill=255)
    elif kind == "records":
        d.pieslice([9 * ss, 1 * ss, 21 * ss, 18 * ss], 0, 180, fill=255)
        d.rectangle([9 * ss, 7 * ss, 21 * ss, 9.5 * ss], fill=255)
        d.arc([5 * ss, 8 * ss, 12 * ss, 15 * ss], 90, 270, fill=255, width=int(1.6 * ss))
        d.arc([18 * ss, 8 * ss, 25 * ss, 15 * ss], 270, 90, fill=255, width=int(1.6 * ss))
        d.rectangle([13.8 * ss, 17 * ss, 16.2 * ss, 21 * ss], fill=255)
        d.rounded_rectangle([10 * ss, 21 * ss, 20 * ss, 24 * ss], radius=ss, fill=255)
    elif kind in ("sound_on", "sound_off"):
        d.rectangle([6 * ss, 12 * ss, 10 * ss, 18 * ss], fill=255)
        d.polygon(P((9.5, 12), (15, 7), (15, 23), (9.5, 18)), fill=255)
        if kind == "sound_on":
            d.arc([11 * ss, 10 * ss, 21 * ss, 20 * ss], 300, 60, fill=255, width=int(1.8 * ss))
            d.arc([10 * ss, 6 * ss, 25 * ss, 24 * ss], 305, 55, fill=255, width=int(1.8 * ss))
        else:
            d.line(P((18, 11), (25, 19)), fill=255, width=int(2.2 * ss))
            d.line(P((25, 11), (18, 19)), fill=255, width=int(2.2 * ss))
    elif kind == "pause":
        d.rounded_rectangle([9 * ss, 8 * ss, 13.5 * ss, 22 * ss], radius=ss, fill=255)
        d.rounded_rectangle([16.5 * ss, 8 * ss, 21 * ss, 22 * ss], radius=ss, fill=255)
    elif kind == "close":
        d.line(P((9.5, 9.5), (20.5, 20.5)), fill=255, width=int(2.8 * ss))
        d.line(P((20.5, 9.5), (9.5, 20.5)), fill=255, width=int(2.8 * ss))
    elif kind == "yes":
        d.line(P((8, 15.5), (13, 20.5), (22.5, 9.5)), fill=255, width=int(3.0 * ss), joint="curve")
    elif kind == "power":
        d.arc([8 * ss, 8 * ss, 22 * ss, 22 * ss], 300, 240, fill=255, width=int(2.4 * ss))
        d.rounded_rectangle([13.8 * ss, 5 * ss, 16.2 * ss, 15 * ss], radius=ss, fill=255)
    elif kind == "back":
        d.polygon(P((6, 15), (13, 8.5), (13, 21.5)), fill=255)
        d.rectangle([12 * ss, 12.8 * ss, 23 * ss, 17.2 * ss], fill=255)
    elif kind == "play":
        d.polygon(P((11, 7.5), (22, 15), (11, 22.5)), fill=255)
    return m.reduce(ss)


def glow_of(mask, radius=1.6, gain=1.6):
    return mask.filter(ImageFilter.GaussianBlur(radius)).point(lambda v: min(255, int(v * gain)))


def key_button(bg, look, draw_symbol, radius=5, tint=None):
    """A square console key. look 0 normal, 1 under the mouse, 2 pressed.
    draw_symbol(img, offset, colour, glow) paints the face."""
    w, h = bg.size
    img = bg.copy()
    box = (0, 0, w, h)
    if look == 2:
        face = vgradient(w, h, [(0, (40, 44, 54)), (1, (58, 63, 76))])
        bevel_box(img, box, radius, face, hi=(92, 98, 114), lo=(14, 15, 19), width=1, inset=True)
    else:
        top = (88, 95, 112) if look == 1 else (76, 82, 98)
        bot = (54, 58, 70) if look == 1 else (46, 50, 61)
        face = vgradient(w, h, [(0, top), (1, bot)])
        rim = ACCENT if look == 1 else PLATE_HI
        bevel_box(img, box, radius, face, hi=rim, lo=(22, 24, 30), width=1)
    colour = {0: (188, 198, 214), 1: (150, 232, 255), 2: (120, 214, 255)}[look]
    if tint is not None:
        colour = {0: mix(tint, (200, 205, 215), 0.35), 1: mix(tint, (255, 255, 255), 0.35), 2: tint}[look]
    off = 1 if look == 2 else 0
    draw_symbol(img, off, colour, look >= 1)
    return img


def icon_painter(kind, size=30):
    m = icon_mask(kind, size)

    def paint(img, off, colour, glow):
        mm = Image.new("L", img.size, 0)
        mm.paste(m, ((img.width - size) // 2 + off, (img.height - size) // 2 + off))
        sh = Image.new("L", img.size, 0)
        sh.paste(mm, (1, 1))
        fill(img, sh.point(lambda v: v * 3 // 4), (12, 13, 17))
        if glow:
            fill(img, glow_of(mm, 1.8, 1.2), mix(colour, (0, 0, 0), 0.45))
        fill(img, mm, colour)
    return paint


def label_painter(s, fnt, icon=None, icon_dx=0):
    def paint(img, off, colour, glow):
        w, h = img.size
        m = Image.new("L", img.size, 0)
        d = ImageDraw.Draw(m)
        tw = fnt.getlength(s)
        iw = 0 if icon is None else 16
        x = (w - tw - iw) / 2 + iw + off + icon_dx
        d.text((x, h / 2 + off), s, font=fnt, fill=255, anchor="lm")
        if icon is not None:
            im = icon_mask(icon, 30).resize((20, 20), Image.Resampling.BOX)
            m.paste(ImageChops.lighter(m.crop((int(x) - 19, 5 + off, int(x) + 1, 25 + off)), im),
                    (int(x) - 19, 5 + off))
        sh = Image.new("L", img.size, 0)
        sh.paste(m, (1, 1))
        fill(img, sh.point(lambda v: v * 3 // 4), (12, 13, 17))
        if glow:
            fill(img, glow_of(m, 2.0, 1.1), mix(colour, (0, 0, 0), 0.5))
        fill(img, m, colour)
    return paint


def button_sheet(bg_for, kinds, looks_as_columns, size=30):
    """Builds a sheet of key buttons; bg_for(index) gives the RGB crop under button index."""
    n = len(kinds)
    if looks_as_columns:
        sheet = Image.new("RGB", (size * 3, size * n))
    else:
        sheet = Image.new("RGB", (size * n, size * 3))
    for i, k in enumerate(kinds):
        paint = icon_painter(k)
        for look in range(3):
            b = key_button(bg_for(i), look, paint)
            pos = (look * size, i * size) if looks_as_columns else (i * size, look * size)
            sheet.paste(b, pos)
    return sheet


# ---------------------------------------------------------------- logo

def logo(img, centre, size, with_gems=True):
    """The "Triwell" word mark: cyan-to-violet letters with a dark rim and a soft glow."""
    fnt = font(SERIF_BOLD, size)
    cx, cy = centre
    m = Image.new("L", img.size, 0)
    ImageDraw.Draw(m).text((cx, cy), "Triwell", font=fnt, fill=255, anchor="mm")
    bbox = m.getbbox()
    fill(img, glow_of(m, size * 0.16, 1.0), (30, 90, 140))
    rim = m.filter(ImageFilter.MaxFilter(5))
    fill(img, rim, (10, 14, 24))
    grad = Image.new("RGB", img.size)
    grad.paste(vgradient(img.width, bbox[3] - bbox[1],
                         [(0, (236, 250, 255)), (0.45, (120, 220, 255)), (0.55, (70, 150, 240)),
                          (1, (170, 110, 250))]), (0, bbox[1]))
    img.paste(grad, (0, 0), m)
    hl = Image.new("L", img.size, 0)
    hl.paste(m.crop((0, 0, img.width, bbox[1] + (bbox[3] - bbox[1]) // 3)), (0, 0))
    fill(img, hl.point(lambda v: v // 5), (255, 255, 255))
    if with_gems:
        for i, ci in enumerate((0, 3, 5)):
            over(img, gem(12, ci), (bbox[2] + 4, bbox[1] + 4 + i * 13))
    return bbox


# ---------------------------------------------------------------- game screen

WELL = (60, 80, 260, 520)
GAME_LAMPS = {"Lamp.bmp": (262, 509, 17, 17), "3lamps.bmp": (54, 62, 47, 17),
              "Down.bmp": (304, 198, 34, 49), "Preview.bmp": (310, 105, 60, 60)}
GAME_BUTTONS_X = (585, 625, 665, 705)
GAME_BUTTONS_Y = 520
SLOT_OF_PICTURE = (0, 1, 2, 2, 3)  # both sound pictures show on the third button


def keycap(img, x, y, label, fnt, h=17):
    w = int(fnt.getlength(label)) + 10
    bevel_box(img, (x, y, x + w, y + h), 3, vgradient(img.width, img.height, [(0, (86, 92, 108)), (1, (58, 62, 74))]),
              hi=(130, 138, 156), lo=(18, 20, 24))
    d = ImageDraw.Draw(img)
    d.text((x + w / 2, y + h / 2), label, font=fnt, fill=(230, 236, 246), anchor="mm")
    return x + w


def game_background():
    img = brushed(800, 600, METAL, 11)
    vign = Image.new("L", (800, 600))
    vign.putdata([clamp8(60 * (((x - 400) / 400) ** 2 + ((y - 300) / 300) ** 2) ** 1.2)
                  for y in range(0, 600) for x in range(0, 800)])
    fill(img, vign, (8, 9, 12))

    # Left console: the well.
    plate(img, (36, 50, 292, 548), 21)
    bevel_box(img, (56, 76, 264, 524), 3, GLASS, inset=True, width=1)
    well = vgradient(200, 440, [(0, (22, 26, 40)), (1, (12, 14, 22))])
    d = ImageDraw.Draw(well)
    for c in range(1, 10):
        d.line([(c * 20, 0), (c * 20, 439)], fill=(27, 31, 46))
    for r in range(1, 22):
        d.line([(0, r * 20), (199, r * 20)], fill=(27, 31, 46))
    img.paste(well, (WELL[0], WELL[1]))
    engraved(img, (108, 70), "TRIWELL  ·  10 × 22", font(BOLD, 10), anchor="lm")
    engraved(img, (254, 536), "BLAST", font(BOLD, 8), anchor="rm")

    # Side console: preview and drop indicator.
    plate(img, (296, 74, 384, 282), 22, screws=False)
    engraved(img, (340, 93), "NEXT", font(BOLD, 11), anchor="mm")
    engraved(img, (321, 262), "DROP", font(BOLD, 10), anchor="mm")
    for sx, sy in ((303, 81), (376, 81), (303, 274), (376, 274)):
        screw(img, sx, sy)

    # Score and level.
    plate(img, (536, 34, 762, 118), 23)
    for label, y in (("SCORE", 52), ("LEVEL", 84)):
        engraved(img, (556, y + 8), label, font(BOLD, 12), anchor="lm")
        bevel_box(img, (616, y - 5, 744, y + 21), 3,
                  vgradient(800, 600, [(0, (10, 16, 30)), (1, (14, 22, 40))]), inset=True)

    # Word mark and a short reminder of the rules.
    plate(img, (410, 140, 762, 290), 24)
    logo(img, (560, 196), 50)
    text(img, (586, 252), "three of a colour in any direction", font(SANS, 12), LABEL, anchor="mm", shadow=(14, 15, 19))
    text(img, (586, 270), "explode — and chains score big", font(SANS, 12), LABEL, anchor="mm", shadow=(14, 15, 19))

    plate(img, (410, 310, 762, 486), 25)
    engraved(img, (432, 334), "CONTROLS", font(BOLD, 12), colour=ACCENT, anchor="lm")
    kf = font(BOLD, 11)
    tf = font(SANS, 12)
    rows_ = [(("←", "→"), "move the stick"), (("↑", "↓"), "cycle its colours"),
             (("Space",), "drop, while held"), (("Esc",), "pause the game")]
    for i, (keys, what) in enumerate(rows_):
        y = 350 + i * 32
        x = 432
        for k in keys:
            x = keycap(img, x, y, k, kf) + 4
        text(img, (540, y + 9), what, tf, TEXT, anchor="lm", shadow=(14, 15, 19))

    # Button bar.
    plate(img, (570, 506, 750, 574), 26, screws=False)
    for x, lbl in zip(GAME_BUTTONS_X, ("NEW", "BEST", "SOUND", "PAUSE")):
        bevel_box(img, (x - 2, GAME_BUTTONS_Y - 2, x + 32, GAME_BUTTONS_Y + 32), 6, (30, 33, 41), inset=True)
        engraved(img, (x + 15, 561), lbl, font(BOLD, 8), anchor="mm")
    return img


def preview_frames(bg):
    """The preview box: a sunken slot for the three small blocks, lit brackets that flash
    once when a new stick is dealt."""
    n = 8
    res = []
    for f in range(n):
        level = 0.0 if f == 0 else (1.0 if f == 1 else max(0.0, 1.0 - (f - 1) / (n - 1)) ** 1.3)
        img = bg.copy()
        bevel_box(img, (2, 2, 58, 58), 6, vgradient(60, 60, [(0, (40, 44, 54)), (1, (30, 33, 41))]), inset=True)
        bevel_box(img, (20, 5, 41, 56), 3, GLASS, inset=True)
        glow_col = mix((40, 70, 90), LAMP_CYAN, level)
        corner = Image.new("L", (60, 60), 0)
        d = ImageDraw.Draw(corner)
        for (x0, y0, sx, sy) in ((6, 6, 1, 1), (53, 6, -1, 1), (6, 53, 1, -1), (53, 53, -1, -1)):
            d.line([(x0, y0), (x0 + 8 * sx, y0)], fill=255, width=2)
            d.line([(x0, y0), (x0, y0 + 8 * sy)], fill=255, width=2)
        if level > 0:
            fill(img, glow_of(corner, 1.5, 1.0 * level), mix((0, 0, 0), LAMP_CYAN, 0.7))
        fill(img, corner, glow_col)
        # A light that runs down both side rails as the new stick arrives.
        if 0 < f < n:
            yy = 8 + (f - 1) * 45 / (n - 2)
            lay = lamp_layer(60, 60, [(11.5, yy, 1.8, LAMP_CYAN, level), (48.5, yy, 1.8, LAMP_CYAN, level)])
            over(img, lay)
        res.append(img)
    return res


def down_frames(bg):
    """Three chevrons that light from top to bottom while the stick is dropped."""
    plan = [(0, 0, 0), (1, 0, 0), (0.5, 1, 0), (0.2, 0.5, 1), (0, 0.2, 0.5), (0, 0, 0.2)]
    res = []
    for levels in plan:
        img = bg.copy()
        bevel_box(img, (2, 2, 32, 47), 4, GLASS, inset=True)

        def fn(x, y, levels=levels):
            for k, lvl in enumerate(levels):
                y0 = 8 + k * 12
                t = y - (y0 + abs(x - 17) * 0.62)
                if abs(x - 17) <= 11 and 0 <= t <= 4.2:
                    c = mix(scale(LAMP_CYAN, 0.22), mix(LAMP_CYAN, (240, 252, 255), 0.5 * (1 - abs(t - 2.1) / 2.1)), lvl)
                    return (*c, 1)
            return None
        over(img, shade(34, 49, fn))
        res.append(img)
    return res


def explosion_frames():
    """A fireball with a shock ring and flying sparks, centred on the 20 x 20 cell that the
    30 x 24 frame starts at. Heat maps to a fire ramp; below a threshold the pixel is keyed
    out, so the hard edge is a deep red rim rather than a dark fringe over neighbouring blocks."""
    rnd = random.Random(5)
    sparks = [(rnd.uniform(0, 2 * math.pi), rnd.uniform(0.6, 1.0), rnd.uniform(0.7, 1.0)) for _ in range(12)]
    cx, cy = 10.0, 10.0
    ramp = [(0.0, (120, 20, 8)), (0.35, (200, 50, 14)), (0.6, (255, 140, 30)),
            (0.82, (255, 226, 90)), (1.0, (255, 255, 240))]
    core = [(7.5, 1.25), (9.0, 1.1), (8.0, 0.9), (6.0, 0.7), (4.0, 0.5), (0, 0), (0, 0), (0, 0)]
    ring = [(0, 0), (10.0, 0.8), (12.5, 0.6), (14.5, 0.42), (0, 0), (0, 0), (0, 0), (0, 0)]
    spark_r = [0, 7, 10.5, 13.5, 16, 18, 19.5, 20.5]
    spark_heat = [0, 1.0, 1.0, 0.95, 0.85, 0.72, 0.6, 0.5]
    spark_size = [0, 1.6, 1.5, 1.4, 1.3, 1.2, 1.05, 0.95]

    def heat_at(x, y, f):
        dx, dy = x - cx, y - cy
        d = math.hypot(dx, dy)
        h = 0.0
        r, k = core[f]
        if r > 0 and d < r:
            h = max(h, k * (1 - d / r) ** 0.6)
        r, k = ring[f]
        if r > 0:
            h = max(h, k * math.exp(-((d - r) / 1.3) ** 2))
        if f > 0:
            for ang, sp, hk in sparks:
                sx = cx + math.cos(ang) * sp * spark_r[f]
                sy = cy + math.sin(ang) * sp * spark_r[f] + 0.12 * f * f
                e = ((x - sx) ** 2 + (y - sy) ** 2) / (spark_size[f] ** 2)
                if e < 4:
                    h = max(h, hk * spark_heat[f] * math.exp(-e))
        return h

    res = []
    for f in range(8):
        px, keyed = [], []
        for y in range(24):
            for x in range(30):
                h = sum(heat_at(x + ox, y + oy, f) for ox in (0.25, 0.75) for oy in (0.25, 0.75)) / 4
                if h < 0.3:
                    px.append((0, 0, 0))
                    keyed.append(255)
                    continue
                t = min(1.0, (h - 0.3) / 0.7)
                for i in range(len(ramp) - 1):
                    if t <= ramp[i + 1][0]:
                        u = (t - ramp[i][0]) / (ramp[i + 1][0] - ramp[i][0])
                        px.append(rgb(mix(ramp[i][1], ramp[i + 1][1], u)))
                        break
                keyed.append(0)
        img = Image.new("RGB", (30, 24))
        img.putdata(px)
        mask = Image.new("L", (30, 24))
        mask.putdata(keyed)
        res.append(finish_keyed(img, BLACK_KEY, mask))
    return res


def pause_window():
    """The pause dialog, 315 x 305 at (243, 150), rounded and keyed on green."""
    w, h = 315, 305
    img = brushed(w, h, PLATE, 31, 4, 2)
    bevel_box(img, (0, 0, w, h), 12, img.copy(), width=2)
    bevel_box(img, (8, 2, w - 8, 24), 6, vgradient(w, h, [(0, (30, 34, 44)), (1, (22, 25, 33))]), inset=True)
    text(img, (160, 13), "GAME PAUSED", font(BOLD, 12), ACCENT, anchor="mm", shadow=(8, 9, 12))
    text(img, (w / 2, 60), "Leave this game?", font(BOLD, 19), TEXT, anchor="mm", glow=(20, 50, 70))
    bevel_box(img, (18, 86, w - 18, 238), 6, vgradient(w, h, [(0, (22, 26, 36)), (1, (16, 19, 27))]), inset=True)
    sf = font(SANS, 12)
    kf = font(BOLD, 11)
    y = 100
    text(img, (32, y + 8), "Yes", font(BOLD, 13), (140, 235, 150), anchor="lm")
    text(img, (72, y + 8), "back to the main menu;", sf, TEXT, anchor="lm")
    text(img, (72, y + 25), "the game is lost.", sf, LABEL, anchor="lm")
    x = keycap(img, 72, y + 38, "Y", kf) + 6
    text(img, (x, y + 46), "or", sf, LABEL, anchor="lm")
    keycap(img, x + 18, y + 38, "Enter", kf)
    y = 172
    text(img, (32, y + 8), "No", font(BOLD, 13), (255, 140, 130), anchor="lm")
    text(img, (72, y + 8), "carry on playing.", sf, TEXT, anchor="lm")
    x = keycap(img, 72, y + 22, "N", kf) + 6
    text(img, (x, y + 30), "or", sf, LABEL, anchor="lm")
    keycap(img, x + 18, y + 22, "Esc", kf)
    text(img, (190, 275), "Leave?", font(BOLD, 13), LABEL, anchor="rm")
    # Flat sockets under the two round buttons.
    for bx in (200, 240):
        bevel_box(img, (bx - 2, 258, bx + 32, 292), 17, (36, 39, 48), inset=True)
    engraved(img, (215, 298), "YES", font(BOLD, 8), anchor="mm")
    engraved(img, (255, 298), "NO", font(BOLD, 8), anchor="mm")
    outside = Image.eval(rrect_mask((w, h), (0, 0, w, h), 12, ss=1), lambda v: 255 - v)
    return img, outside


def round_buttons(bg_for, kinds, colours):
    """Round keys on a white key: rows are the buttons, columns normal, hover, pressed."""
    sheet = Image.new("RGB", (90, 30 * len(kinds)))
    masks = Image.new("L", (90, 30 * len(kinds)), 255)
    for i, (kind, col) in enumerate(zip(kinds, colours)):
        sym = icon_mask(kind, 30)
        for look in range(3):
            img = bg_for(i).copy()
            def fn(x, y, look=look, col=col):
                dx, dy = x - 15, y - 15
                d = math.hypot(dx, dy)
                if d > 14.5:
                    return None
                if d > 13.6:
                    return (10, 11, 14, 1)
                if d > 12.2:
                    t = -(dx + dy) / (d * 1.42 + 1e-6)
                    if look == 2:
                        t = -t
                    g = 96 + 70 * t
                    return (g, g, g + 8, 1)
                k = 0.25 if look == 0 else 0.38 if look == 1 else 0.2
                base = mix((48, 52, 62), col, k)
                t = -(dy) / 12.2 * (1 if look != 2 else -1)
                c = scale(base, 1.0 + 0.25 * t)
                return (*c, 1)
            over(img, shade(30, 30, fn))
            off = 1 if look == 2 else 0
            mm = Image.new("L", (30, 30), 0)
            mm.paste(sym, (off, off))
            sc = {0: mix(col, (235, 235, 235), 0.45), 1: mix(col, (255, 255, 255), 0.55), 2: col}[look]
            if look == 1:
                fill(img, glow_of(mm, 1.6, 1.2), scale(col, 0.6))
            fill(img, mm, sc)
            sheet.paste(img, (look * 30, i * 30))
            circle = smooth_mask((30, 30), lambda d, s: d.ellipse([0.6 * s, 0.6 * s, 29.4 * s, 29.4 * s], fill=255), 1)
            masks.paste(Image.eval(circle, lambda v: 255 - v), (look * 30, i * 30))
    return sheet, masks


# ---------------------------------------------------------------- records overlay

def records_window():
    w, h = 440, 360
    img = brushed(w, h, PLATE, 41, 4, 2)
    bevel_box(img, (0, 0, w, h), 12, img.copy(), width=2)
    bevel_box(img, (66, 2, w - 10, 24), 6, vgradient(w, h, [(0, (30, 34, 44)), (1, (22, 25, 33))]), inset=True)
    text(img, (250, 13), "TEN BEST GAMES", font(BOLD, 12), ACCENT, anchor="mm", shadow=(8, 9, 12))
    hf = font(BOLD, 10)
    engraved(img, (24, 40), "#", hf, anchor="lm")
    engraved(img, (54, 40), "NAME", hf, anchor="lm")
    engraved(img, (224, 40), "DATE", hf, anchor="lm")
    engraved(img, (406, 40), "SCORE", hf, anchor="rm")
    bevel_box(img, (14, 48, w - 14, 280), 5, (16, 19, 27), inset=True)
    d = ImageDraw.Draw(img)
    for i in range(10):
        y = 52 + i * 20
        if i % 2 == 0:
            d.rectangle([17, y, w - 18, y + 19], fill=(21, 25, 35))
    d.rectangle([17, 252, w - 18, 276], fill=(16, 19, 27))
    d.rectangle([52, 252, 182, 274], outline=(38, 46, 66))
    sf = font(SANS, 11)
    text(img, (24, 300), "Esc — back to the game", sf, LABEL, anchor="lm")
    text(img, (24, 318), "Type a name, then Enter,", sf, LABEL, anchor="lm")
    text(img, (24, 334), "when your score makes the list.", sf, LABEL, anchor="lm")
    for bx in (320, 360):
        bevel_box(img, (bx - 2, 312, bx + 32, 346), 6, (30, 33, 41), inset=True)
    engraved(img, (335, 352), "NEW", font(BOLD, 8), anchor="mm")
    engraved(img, (375, 352), "CLOSE", font(BOLD, 8), anchor="mm")
    outside = Image.eval(rrect_mask((w, h), (0, 0, w, h), 12, ss=1), lambda v: 255 - v)
    return img, outside


# ---------------------------------------------------------------- main menu

MENU_BUTTONS = {"start": (55, 270, 115), "sound": (55, 310, 60), "about": (55, 350, 60), "close": (720, 500, 30)}
MENU_LAMPS = [(36, 276), (36, 316), (36, 356)]
CLOSE_LAMP = (706, 527)
LOGO_LAMP = (522, 38)
INDICATORS = ((260, 65), (515, 65))


def demo_well(img, x0, y0):
    """A stylised well with blocks for the menu: a stick falling, one line flashing."""
    cols, nrows = 10, 15
    rnd = random.Random(7)
    heights = [6, 5, 7, 4, 3, 5, 6, 4, 5, 7]
    gems_ = {}
    for c in range(cols):
        for r in range(nrows - heights[c], nrows):
            gems_[(c, r)] = rnd.randrange(7)
    line = [(3, 11), (4, 12), (5, 13)]
    for pos in line:
        gems_[pos] = 4
    for (c, r), ci in sorted(gems_.items()):
        over(img, gem(20, ci), (x0 + c * 20, y0 + r * 20))
    for c, r in line:
        m = Image.new("L", img.size, 0)
        ImageDraw.Draw(m).rectangle([x0 + c * 20 + 2, y0 + r * 20 + 2, x0 + c * 20 + 17, y0 + r * 20 + 17], fill=255)
        fill(img, glow_of(m, 4, 0.9), (120, 240, 255))
    for i, ci in enumerate((5, 2, 6)):
        over(img, gem(20, ci, falling=True), (x0 + 6 * 20, y0 + (2 + i) * 20))


def menu_background():
    img = brushed(800, 600, METAL, 51)
    vign = Image.new("L", (800, 600))
    vign.putdata([clamp8(70 * (((x - 400) / 400) ** 2 + ((y - 300) / 300) ** 2) ** 1.2)
                  for y in range(0, 600) for x in range(0, 800)])
    fill(img, vign, (8, 9, 12))

    # Logo bay: flat (texture-free) so both indicator strips sit on identical ground.
    bay = vgradient(800, 600, [(0, (20, 24, 34)), (0.25, (14, 17, 25)), (1, (14, 17, 25))])
    plate(img, (236, 26, 564, 152), 52)
    bevel_box(img, (248, 34, 552, 144), 6, bay, inset=True)
    logo(img, (398, 100), 56, with_gems=False)
    text(img, (400, 172), "three of a colour  ·  any direction  ·  chain reactions", font(SANS, 13), LABEL,
         anchor="mm", shadow=(14, 15, 19))

    # Button column.
    plate(img, (22, 246, 196, 404), 53)
    engraved(img, (36, 262), "MENU", font(BOLD, 9), anchor="lm")
    for name in ("start", "sound", "about"):
        x, y, w = MENU_BUTTONS[name]
        bevel_box(img, (x - 2, y - 2, x + w + 2, y + 32), 4, (30, 33, 41), inset=True)
    for lx, ly in MENU_LAMPS:
        bevel_box(img, (lx - 1, ly - 1, lx + 18, ly + 18), 9, (30, 33, 41), inset=True)

    # Demo well.
    plate(img, (296, 196, 544, 530), 54)
    bevel_box(img, (316, 216, 524, 520), 3, GLASS, inset=True)
    well = vgradient(200, 300, [(0, (22, 26, 40)), (1, (12, 14, 22))])
    d = ImageDraw.Draw(well)
    for c in range(1, 10):
        d.line([(c * 20, 0), (c * 20, 299)], fill=(27, 31, 46))
    for r in range(1, 15):
        d.line([(0, r * 20), (199, r * 20)], fill=(27, 31, 46))
    img.paste(well, (320, 220))
    demo_well(img, 320, 220)

    # How to play.
    plate(img, (566, 196, 778, 470), 55)
    engraved(img, (584, 218), "HOW TO PLAY", font(BOLD, 12), colour=ACCENT, anchor="lm")
    lines = ["Sticks of three blocks fall", "into the well. Move them",
             "with ← and →, cycle their", "colours with ↑ and ↓,", "drop with Space.", "",
             "Three or more of one colour", "in a row — across, down or", "diagonally — explode. The",
             "blocks above fall and may", "set off a chain reaction.", "", "Every 11 sticks the pace",
             "quickens."]
    for i, s in enumerate(lines):
        text(img, (584, 242 + i * 16), s, font(SANS, 12), TEXT, anchor="lm", shadow=(14, 15, 19))

    # Quit corner.
    plate(img, (690, 488, 778, 578), 56, screws=False)
    x, y, w = MENU_BUTTONS["close"]
    bevel_box(img, (x - 2, y - 2, x + w + 2, y + 32), 4, (30, 33, 41), inset=True)
    bevel_box(img, (CLOSE_LAMP[0] - 1, CLOSE_LAMP[1] - 1, CLOSE_LAMP[0] + 18, CLOSE_LAMP[1] + 18), 9,
              (30, 33, 41), inset=True)
    engraved(img, (738, 548), "QUIT", font(BOLD, 9), anchor="mm")
    text(img, (24, 584), "Triwell 1.0", font(BOLD, 10), LABEL, anchor="lm", shadow=(14, 15, 19))
    text(img, (680, 584), "Esc quits  ·  F4 minimises", font(SANS, 10), LABEL, anchor="rm", shadow=(14, 15, 19))
    return img


def indicator_frames(bg):
    """A six-segment level meter that fills and drains once: 16 frames, frame 0 at rest."""
    levels = [0, 1, 2, 3, 4, 5, 6, 6, 5, 5, 4, 3, 3, 2, 1, 1]
    seg_cols = [LAMP_GREEN, LAMP_GREEN, (190, 240, 90), LAMP_AMBER, (255, 130, 50), LAMP_RED]
    res = []
    peak = 0
    for f, lv in enumerate(levels):
        peak = max(lv, peak - 1) if f else 0
        img = bg.copy()
        bevel_box(img, (0, 0, 25, 70), 4, vgradient(25, 70, [(0, (62, 68, 82)), (1, (44, 48, 58))]))
        bevel_box(img, (4, 4, 21, 66), 2, (12, 14, 20), inset=True)
        d = ImageDraw.Draw(img)
        for s in range(6):
            y1 = 63 - s * 10
            y0 = y1 - 7
            on = s < lv
            near = (s == peak - 1) and not on
            c = seg_cols[s]
            if on:
                col = mix(c, (255, 255, 255), 0.2)
            elif near:
                col = scale(c, 0.55)
            else:
                col = mix(scale(c, 0.17), (26, 28, 34), 0.35)
            d.rectangle([7, y0, 17, y1 - 1], fill=rgb(col))
            if on:
                d.line([(8, y0 + 1), (16, y0 + 1)], fill=rgb(mix(c, (255, 255, 255), 0.6)))
        res.append(img)
    return res


# ---------------------------------------------------------------- about screen

def about_background():
    img = Image.new("RGB", (800, 600), (10, 11, 16))
    glow = Image.new("L", (800, 600))
    glow.putdata([clamp8(46 * max(0.0, 1 - math.hypot((x - 400) / 520, (y - 230) / 330)) ** 1.5)
                  for y in range(600) for x in range(800)])
    fill(img, glow, (40, 70, 110))
    logo(img, (400, 86), 78)
    text(img, (400, 150), "Version 1.0", font(BOLD, 15), LABEL, anchor="mm", shadow=(6, 7, 10))
    cf = font(SANS, 14)
    credits = [("A falling-blocks colour-matching game", TEXT),
               ("", TEXT),
               ("Design, programming, pictures and sounds", LABEL),
               ("the Triwell team", TEXT),
               ("", TEXT),
               ("Built on our own 2D engine and sound library", LABEL),
               ("Lettering in the DejaVu fonts", LABEL)]
    for i, (s, c) in enumerate(credits):
        if s:
            text(img, (400, 196 + i * 22), s, cf if c == LABEL else font(BOLD, 15), c, anchor="mm", shadow=(6, 7, 10))
    for i, ci in enumerate(range(7)):
        over(img, gem(20, ci), (330 + i * 20, 352))
    # Help bay.
    bevel_box(img, (276, 376, 676, 552), 8, vgradient(800, 600, [(0, (48, 53, 64)), (1, (36, 40, 49))]), width=1)
    bevel_box(img, (286, 400, 665, 544), 3, (18, 22, 30), inset=True)
    engraved(img, (338, 392), "HELP", font(BOLD, 10), colour=ACCENT, anchor="lm")
    engraved(img, (664, 392), "↑ ↓ turn the page", font(SANS, 9), anchor="rm")
    # Button bay.
    bevel_box(img, (694, 412, 756, 540), 8, vgradient(800, 600, [(0, (48, 53, 64)), (1, (36, 40, 49))]), width=1)
    engraved(img, (725, 530), "BACK", font(BOLD, 8), anchor="mm")
    text(img, (400, 584), "Esc returns to the menu", font(SANS, 10), LABEL, anchor="mm", shadow=(6, 7, 10))
    return img


def help_page(page):
    """Help pages draw on the panel colour, so no pixel of the text is keyed out."""
    w, h = 375, 140
    bg = (18, 22, 30)
    img = Image.new("RGB", (w, h), bg)
    hf = font(BOLD, 12)
    tf = font(SANS, 11)
    kf = font(BOLD, 10)
    if page == 1:
        text(img, (10, 10), "CONTROLS", hf, ACCENT, anchor="lm", shadow=None)
        text(img, (365, 10), "page 1 / 2", font(SANS, 10), LABEL, anchor="rm", shadow=None)
        rows_ = [(["←", "→"], "move the falling stick"),
                 (["↑", "↓"], "cycle the colours of the stick"),
                 (["Space"], "drop the stick, while held"),
                 (["Esc"], "pause; the game asks whether to leave"),
                 (["Y", "Enter"], "yes: leave the game, back to the menu"),
                 (["N", "Esc"], "no: close the pause window, play on"),
                 (["F4"], "in the main menu: minimise the window")]
        for i, (keys, what) in enumerate(rows_):
            y = 21 + i * 17
            x = 10
            for k in keys:
                x = keycap(img, x, y, k, kf, h=15) + 3
            text(img, (84, y + 8), what, tf, TEXT, anchor="lm", shadow=None)
    else:
        text(img, (10, 10), "RULES", hf, ACCENT, anchor="lm", shadow=None)
        text(img, (365, 10), "page 2 / 2", font(SANS, 10), LABEL, anchor="rm", shadow=None)
        items = [(3, ["Three or more blocks of one colour in a line —",
                      "across, down or diagonally — explode."]),
                 (4, ["The blocks above fall; new lines explode in turn."]),
                 (2, ["Each wave of n blocks scores 2n² points."]),
                 (5, ["Every 11 sticks the level rises: they fall faster."]),
                 (0, ["The game is over when a stick stays at the top."])]
        y = 26
        for ci, lines in items:
            over(img, gem(10, ci, bg=bg), (10, y - 4))
            for s in lines:
                text(img, (26, y + 1), s, tf, TEXT, anchor="lm", shadow=None)
                y += 16
            y += 4
    return finish_keyed(img, BLACK_KEY)


def about_buttons(about_bg):
    """Back key 30 x 30 and page keys 17 x 20, keyed on black around their rounded corners."""
    back = Image.new("RGB", (90, 30))
    back_mask = Image.new("L", (90, 30), 255)
    paint = icon_painter("back")
    for look in range(3):
        b = key_button(about_bg.crop((710, 490, 740, 520)), look, paint, radius=6)
        back.paste(b, (look * 30, 0))
        m = rrect_mask((30, 30), (0, 0, 30, 30), 6, ss=1)
        back_mask.paste(Image.eval(m, lambda v: 255 - v), (look * 30, 0))
    updown = Image.new("RGB", (51, 40))
    ud_mask = Image.new("L", (51, 40), 255)
    for row, (y, up) in enumerate(((424, True), (445, False))):
        for look in range(3):
            def sym(img, off, colour, glow, up=up):
                m = Image.new("L", (17 * 4, 20 * 4), 0)
                pts = [(8.5, 6.5), (13, 13), (4, 13)] if up else [(4, 7), (13, 7), (8.5, 13.5)]
                ImageDraw.Draw(m).polygon([((px + off) * 4, (py + off) * 4) for px, py in pts], fill=255)
                m = m.reduce(4)
                if glow:
                    fill(img, glow_of(m, 1.2, 1.2), scale(colour, 0.5))
                fill(img, m, colour)
            b = key_button(about_bg.crop((706, y, 723, y + 20)), look, sym, radius=3)
            updown.paste(b, (look * 17, row * 20))
            m = rrect_mask((17, 20), (0, 0, 17, 20), 3, ss=1)
            ud_mask.paste(Image.eval(m, lambda v: 255 - v), (look * 17, row * 20))
    return finish_keyed(back, BLACK_KEY, back_mask), finish_keyed(updown, BLACK_KEY, ud_mask)


# ---------------------------------------------------------------- cursor

def cursor_frames():
    """White-blue arrow, tip on the top-left pixel; hard edges on the green key; a light
    sweeps down the arrow and its rim pulses."""
    n = 8
    pts = [(0, 0), (0, 23), (6, 18), (10, 27), (14, 25), (10, 17), (17, 17)]
    shape = Image.new("L", (31, 31), 0)
    ImageDraw.Draw(shape).polygon(pts, fill=255, outline=255)
    inner = shape.filter(ImageFilter.MinFilter(3))
    sp = list(shape.getdata())
    ip = list(inner.getdata())
    res = []
    for f in range(n):
        band = -6 + f * 40 / n
        pulse = 0.5 + 0.5 * math.cos(2 * math.pi * f / n)
        px = []
        for i in range(31 * 31):
            x, y = i % 31, i // 31
            if not sp[i]:
                px.append(GREEN_KEY)
            elif not ip[i]:
                px.append(rgb(mix((16, 34, 96), (40, 90, 200), pulse)))
            else:
                t = (x * 0.35 + y) / 27.0
                c = mix((250, 252, 255), (70, 140, 250), min(1.0, t * 1.15))
                s = max(0.0, 1.0 - abs((x * 0.35 + y) - band) / 3.0)
                c = mix(c, (235, 250, 255), s * 0.85)
                px.append(rgb(c))
        img = Image.new("RGB", (31, 31))
        img.putdata(px)
        res.append(finish_keyed(img, GREEN_KEY, Image.eval(shape, lambda v: 255 - v)))
    return res


# ---------------------------------------------------------------- sounds

def silence(seconds):
    return [0.0] * int(seconds * RATE)


def lowpass(x, fc):
    a = math.exp(-2 * math.pi * fc / RATE)
    y, out = 0.0, []
    for v in x:
        y = (1 - a) * v + a * y
        out.append(y)
    return out


def highpass(x, fc):
    return [v - l for v, l in zip(x, lowpass(x, fc))]


def bandpass(x, f0, q):
    """RBJ band-pass biquad (constant 0 dB peak gain)."""
    w0 = 2 * math.pi * f0 / RATE
    alpha = math.sin(w0) / (2 * q)
    b0, b2 = alpha, -alpha
    a0, a1, a2 = 1 + alpha, -2 * math.cos(w0), 1 - alpha
    x1 = x2 = y1 = y2 = 0.0
    out = []
    for v in x:
        y = (b0 * v + b2 * x2 - a1 * y1 - a2 * y2) / a0
        x2, x1 = x1, v
        y2, y1 = y1, y
        out.append(y)
    return out


def noise(n, seed):
    rnd = random.Random(seed)
    return [rnd.uniform(-1.0, 1.0) for _ in range(n)]


def add_at(dst, src, start, gain=1.0):
    for i, v in enumerate(src):
        j = start + i
        if j < len(dst):
            dst[j] += v * gain


def tone(seconds, freq, tau, amp=1.0, attack=0.001, phase=0.0, glide_from=None, glide_tau=0.03):
    n = int(seconds * RATE)
    out = []
    ph = phase
    for i in range(n):
        t = i / RATE
        f = freq if glide_from is None else freq + (glide_from - freq) * math.exp(-t / glide_tau)
        ph += 2 * math.pi * f / RATE
        env = min(1.0, t / attack) * math.exp(-t / tau)
        out.append(amp * env * math.sin(ph))
    return out


def env_exp(x, tau, attack=0.0005):
    return [v * min(1.0, (i / RATE) / attack) * math.exp(-(i / RATE) / tau) for i, v in enumerate(x)]


def finish_sound(x, peak, fade_out=0.01):
    m = max(abs(v) for v in x) or 1.0
    g = peak / m
    n = len(x)
    k = int(fade_out * RATE)
    out = []
    for i, v in enumerate(x):
        f = 1.0 if i < n - k else (n - i) / k
        out.append(v * g * f)
    return out


def tick(seconds, partials, burst, peak):
    """Sine partials, each (freq, tau, gain), with fast decays over a tiny click of noise
    band-passed at its centre, burst = (samples, seed, centre, tau, gain)."""
    x = silence(seconds)
    for freq, tau, gain in partials:
        add_at(x, tone(seconds, freq, tau), 0, gain)
    samples, seed, centre, tau, gain = burst
    add_at(x, env_exp(bandpass(noise(samples, seed), centre, 1.5), tau), 0, gain)
    return finish_sound(x, peak)


def sound_menu():
    """A short glassy tick."""
    return tick(0.07, [(2350, 0.010, 0.8), (3520, 0.005, 0.3)], (200, 101, 4500, 0.0015, 0.6), 0.42)


def sound_camera():
    """A shutter: a sharp click, a short metallic ring, and a softer second click."""
    x = silence(0.22)
    add_at(x, env_exp(bandpass(noise(600, 201), 3200, 1.2), 0.004), 0, 1.0)
    add_at(x, tone(0.05, 170, 0.012), 0, 0.25)
    add_at(x, tone(0.18, 2210, 0.035), 0, 0.22)
    add_at(x, tone(0.18, 3315, 0.025), 0, 0.14)
    add_at(x, env_exp(bandpass(noise(600, 202), 2600, 1.2), 0.005), int(0.085 * RATE), 0.6)
    add_at(x, tone(0.05, 150, 0.010), int(0.085 * RATE), 0.15)
    return finish_sound(x, 0.5)


def sound_down(k):
    """A landing thud: a sine that drops in pitch onto its base, a low-passed noise knock and,
    per variant, a different body partial."""
    base = (118, 96, 140, 72)[k]
    tau = (0.055, 0.07, 0.045, 0.09)[k]
    knock_fc = (800, 600, 1300, 450)[k]
    dur = 0.3
    x = silence(dur)
    add_at(x, tone(dur, base, tau, glide_from=base * 1.9, glide_tau=0.025), 0, 1.0)
    add_at(x, tone(dur, base * 2.0, tau * 0.5, glide_from=base * 3.2, glide_tau=0.02), 0, 0.25)
    add_at(x, env_exp(lowpass(noise(int(0.06 * RATE), 300 + k), knock_fc), 0.008), 0, 0.9)
    body = (None, (340, 0.02), (520, 0.018), (260, 0.03))[k]
    if body:
        add_at(x, tone(0.15, body[0], body[1]), 0, 0.25)
    return finish_sound(x, 0.6, fade_out=0.03)


def sound_destroy():
    """A bright shatter: a high-passed noise crack, then a shower of short inharmonic
    tinkles at random times, weighted towards the start."""
    dur = 0.55
    x = silence(dur)
    add_at(x, env_exp(highpass(noise(int(0.2 * RATE), 401), 2200), 0.03), 0, 0.7)
    rnd = random.Random(402)
    for i in range(26):
        t0 = 0.32 * rnd.random() ** 2
        amp = rnd.uniform(0.12, 0.3) * (1 - t0 / 0.4)
        f = rnd.uniform(2600, 6400)
        tau = rnd.uniform(0.012, 0.04)
        grain = tone(0.15, f, tau, phase=rnd.uniform(0, 6.28))
        add_at(grain, tone(0.15, f * rnd.uniform(1.37, 1.55), tau * 0.7), 0, 0.5)
        add_at(x, grain, int(t0 * RATE), amp)
    add_at(x, tone(0.4, 1480, 0.09), 0, 0.12)
    add_at(x, tone(0.4, 2290, 0.07), 0, 0.08)
    return finish_sound(x, 0.6, fade_out=0.05)


# ---------------------------------------------------------------- assembly

def build_images():
    out = {}

    # Game screen.
    gbg = game_background()
    crops = {name: gbg.crop((x, y, x + w, y + h)) for name, (x, y, w, h) in GAME_LAMPS.items()}
    out["Lamp.bmp"] = strip(lamp_frames(crops["Lamp.bmp"],
                                        [[(8.5, 8.5, 5.2, LAMP_RED, lv)] for lv in single_lamp_levels(7)]))
    out["3lamps.bmp"] = strip(three_lamp_frames(crops["3lamps.bmp"]))
    out["Down.bmp"] = strip(down_frames(crops["Down.bmp"]))
    out["Preview.bmp"] = strip(preview_frames(crops["Preview.bmp"]))
    for name, (x, y, w, h) in GAME_LAMPS.items():
        gbg.paste(out[name].crop((0, 0, w, h)), (x, y))
    out["Buttons.bmp"] = button_sheet(
        lambda i: gbg.crop((GAME_BUTTONS_X[SLOT_OF_PICTURE[i]], GAME_BUTTONS_Y,
                            GAME_BUTTONS_X[SLOT_OF_PICTURE[i]] + 30, GAME_BUTTONS_Y + 30)),
        ["new", "records", "sound_on", "sound_off", "pause"], looks_as_columns=False)
    out["Background.bmp"] = gbg

    cells = Image.new("RGB", (40, 140))
    cmask = Image.new("L", (40, 140), 0)
    for ci in range(7):
        for col, falling in ((0, False), (20, True)):
            solid, clear = hard_keyed(gem(20, ci, falling), (14, 16, 24))
            cells.paste(solid, (col, ci * 20))
            cmask.paste(clear, (col, ci * 20))
    out["Cells.bmp"] = finish_keyed(cells, BLACK_KEY, cmask)

    prev = Image.new("RGB", (105, 15))
    for ci in range(7):
        prev.paste(gem(15, ci, bg=GLASS).convert("RGB"), (ci * 15, 0))
    out["PreviewCells.bmp"] = prev

    out["Explosion.bmp"] = strip(explosion_frames())

    pw, pw_out = pause_window()
    out["PauseWindow_3lamps.bmp"] = strip(three_lamp_frames(pw.crop((14, 4, 61, 21)),
                                                            (LAMP_AMBER, LAMP_AMBER, LAMP_AMBER)))
    pw.paste(out["PauseWindow_3lamps.bmp"].crop((0, 0, 47, 17)), (14, 4))
    pb, pb_out = round_buttons(lambda i: pw.crop((200 + 40 * i, 260, 230 + 40 * i, 290)),
                               ["yes", "close"], [(90, 220, 110), (240, 90, 80)])
    out["PauseWindow_Buttons.bmp"] = finish_keyed(pb, WHITE_KEY, pb_out)
    out["PauseWindow_BG.bmp"] = finish_keyed(pw, GREEN_KEY, pw_out)

    # Records overlay.
    rw, rw_out = records_window()
    out["Records_3lamps.bmp"] = strip(three_lamp_frames(rw.crop((14, 4, 61, 21)),
                                                        (LAMP_CYAN, LAMP_CYAN, LAMP_CYAN)))
    rw.paste(out["Records_3lamps.bmp"].crop((0, 0, 47, 17)), (14, 4))
    out["Records_Buttons.bmp"] = button_sheet(lambda i: rw.crop((320 + 40 * i, 314, 350 + 40 * i, 344)),
                                              ["new", "close"], looks_as_columns=True)
    out["Records_BG.bmp"] = finish_keyed(rw, WHITE_KEY, rw_out)

    # Main menu.
    mbg = menu_background()
    ind_bg = mbg.crop((260, 65, 285, 135))
    out["Indicator(L,R).bmp"] = strip(indicator_frames(ind_bg))
    lamp_rows = []
    for (lx, ly), colour in zip(MENU_LAMPS, (LAMP_GREEN, LAMP_AMBER, LAMP_CYAN)):
        levels = [0.0, 0.5, 1.0, 1.0, 0.6, 0.25]
        lamp_rows.append(strip(lamp_frames(mbg.crop((lx, ly, lx + 17, ly + 17)),
                                           [[(8.5, 8.5, 5.2, colour, lv)] for lv in levels])))
    out["MainMenu_Lamp(3Btns).bmp"] = rows(lamp_rows)
    cx, cy = CLOSE_LAMP
    out["MainMenu_Lamp(CloseBtn).bmp"] = strip(lamp_frames(mbg.crop((cx, cy, cx + 17, cy + 17)),
                                                           [[(8.5, 8.5, 5.2, LAMP_RED, lv)]
                                                            for lv in [0.0, 0.5, 1.0, 1.0, 0.6, 0.25]]))
    lx, ly = LOGO_LAMP
    logo_levels = [0.35 + 0.65 * (0.5 - 0.5 * math.cos(2 * math.pi * f / 8)) for f in range(8)]
    out["MainMenu_Lamp(Logo).bmp"] = strip(lamp_frames(mbg.crop((lx, ly, lx + 17, ly + 17)),
                                                       [[(8.5, 8.5, 5.2, (200, 120, 255), lv)] for lv in logo_levels]))
    for (ix, iy) in INDICATORS:
        mbg.paste(out["Indicator(L,R).bmp"].crop((0, 0, 25, 70)), (ix, iy))
    for row, (lx, ly) in enumerate(MENU_LAMPS):
        mbg.paste(out["MainMenu_Lamp(3Btns).bmp"].crop((0, row * 17, 17, row * 17 + 17)), (lx, ly))
    mbg.paste(out["MainMenu_Lamp(CloseBtn).bmp"].crop((0, 0, 17, 17)), CLOSE_LAMP)
    mbg.paste(out["MainMenu_Lamp(Logo).bmp"].crop((0, 0, 17, 17)), LOGO_LAMP)

    bf = font(BOLD, 13)
    sx, sy, sw = MENU_BUTTONS["start"]
    start = Image.new("RGB", (345, 30))
    for look in range(3):
        start.paste(key_button(mbg.crop((sx, sy, sx + sw, sy + 30)), look,
                               label_painter("START GAME", bf, icon="play"), radius=4), (look * 115, 0))
    out["MainMenu_StartBtn.bmp"] = start
    cx, cy, cw = MENU_BUTTONS["close"]
    close = Image.new("RGB", (90, 30))
    for look in range(3):
        close.paste(key_button(mbg.crop((cx, cy, cx + 30, cy + 30)), look, icon_painter("power"), radius=4,
                               tint=(255, 120, 100)), (look * 30, 0))
    out["MainMenu_CloseBtn.bmp"] = close
    two = Image.new("RGB", (180, 90))
    sf = font(BOLD, 11)
    for row, (name, paint) in enumerate((("sound", label_painter("ON", sf, icon="sound_on", icon_dx=2)),
                                         ("sound", label_painter("OFF", sf, icon="sound_off", icon_dx=2)),
                                         ("about", label_painter("ABOUT", sf)))):
        bx, by, bw = MENU_BUTTONS[name]
        for look in range(3):
            two.paste(key_button(mbg.crop((bx, by, bx + 60, by + 30)), look, paint, radius=4), (look * 60, row * 30))
    out["MainMenu_2Btns.bmp"] = two
    out["MainMenu_BG.bmp"] = mbg

    # About screen.
    abg = about_background()
    out["About_3lamps.bmp"] = strip([finish_keyed(f, BLACK_KEY) for f in
                                     three_lamp_frames(abg.crop((284, 384, 331, 401)),
                                                       (LAMP_CYAN, LAMP_GREEN, (200, 120, 255)))])
    abg.paste(out["About_3lamps.bmp"].crop((0, 0, 47, 17)), (284, 384))
    out["BackBtn.bmp"], out["About_UpDwnBtn.bmp"] = about_buttons(abg)
    out["HelpScreen1.bmp"] = help_page(1)
    out["HelpScreen2.bmp"] = help_page(2)
    out["About_BG.bmp"] = finish_keyed(abg, BLACK_KEY)

    out["White-Blue cursor.bmp"] = strip(cursor_frames())
    return out


def build_sounds():
    out = {"MENU.WAV": sound_menu(), "CAMERA.WAV": sound_camera(), "DESTROY1.WAV": sound_destroy()}
    for k in range(4):
        out["DOWN%d.WAV" % (k + 1)] = sound_down(k)
    return out


def example_gem():
    """The engine example's sprite: a round cyan gem lit from the top left, 32 x 32 on the
    black colour key, its edge blended into the example's background (GLASS)."""
    size, r = 32, 14.5
    col = GEMS[4]

    def fn(x, y):
        u, v = (x - size / 2) / r, (y - size / 2) / r
        d = u * u + v * v
        if d > 1.0:
            return None
        c = scale(col, 1.0 - 0.3 * (u + v))
        glint = max(0.0, 1.0 - ((u + 0.4) ** 2 + (v + 0.45) ** 2) * 9.0)
        c = mix(c, (255, 255, 255), 0.8 * glint)
        if d > 0.8:
            c = scale(c, 0.6)
        return (*c, 1)
    solid, clear = hard_keyed(shade(size, size, fn), GLASS)
    return finish_keyed(solid, BLACK_KEY, clear)


def sound_click():
    """The engine example's sound: a bright click with a short ringing tail."""
    return tick(0.12, [(1760, 0.02, 0.8), (2640, 0.01, 0.3)], (300, 501, 3800, 0.002, 0.5), 0.5)


def build_icon():
    """The program's icon: three gems of one colour on a diagonal among others, on the
    well's dark glass; one picture at the sizes Windows shows."""
    size, cell, gap = 256, 68, 6
    origin = (size - 3 * cell - 2 * gap) // 2
    img = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    ImageDraw.Draw(img).rounded_rectangle([4, 4, size - 5, size - 5], radius=40, fill=(*GLASS, 255),
                                          outline=(70, 80, 100, 255), width=6)
    layout = [[0, None, 3], [4, 0, None], [2, 5, 0]]
    for r, row in enumerate(layout):
        for c, ci in enumerate(row):
            if ci is not None:
                img.alpha_composite(gem(cell, ci), (origin + c * (cell + gap), origin + r * (cell + gap)))
    out = io.BytesIO()
    img.save(out, format="ICO", sizes=[(16, 16), (24, 24), (32, 32), (48, 48), (64, 64), (256, 256)])
    return out.getvalue()


def main(argv):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    outdir = argv[1] if len(argv) > 1 else os.path.join(root, "assets")
    images = os.path.join(outdir, "IMAGES")
    sounds = os.path.join(outdir, "SOUNDS")
    os.makedirs(images, exist_ok=True)
    os.makedirs(sounds, exist_ok=True)
    for name, img in sorted(build_images().items()):
        with open(os.path.join(images, name), "wb") as f:
            f.write(bmp_bytes(img))
    for name, samples in sorted(build_sounds().items()):
        with open(os.path.join(sounds, name), "wb") as f:
            f.write(wav_bytes(samples))
    # The engine example's picture and sound, shipped with it in the engine's SDK.
    example = os.path.join(outdir, "example")
    os.makedirs(example, exist_ok=True)
    with open(os.path.join(example, "Gem.bmp"), "wb") as f:
        f.write(bmp_bytes(example_gem()))
    with open(os.path.join(example, "Click.wav"), "wb") as f:
        f.write(wav_bytes(sound_click()))
    # Built into game.exe, not shipped beside it.
    os.makedirs(os.path.join(outdir, "icon"), exist_ok=True)
    with open(os.path.join(outdir, "icon", "Triwell.ico"), "wb") as f:
        f.write(build_icon())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
