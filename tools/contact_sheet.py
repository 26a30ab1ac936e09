#!/usr/bin/python3
"""Draws every bitmap of assets/IMAGES onto one labelled PNG (docs/contact_sheet.png).

Usage: /usr/bin/python3 tools/contact_sheet.py [IMAGES_DIR] [OUT.png] [--screens DIR]

Transparent (colour-keyed) pixels are shown as a checkerboard. Full-screen pictures are
shown at half size, small ones enlarged. With --screens, the four screens are also composed
from their pieces at their in-game positions and written to DIR, to check that they line up.
"""
import os
import sys

from PIL import Image, ImageDraw, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

# name: (colour key or None, frame width, frame height)
SHEET = [
    ("MainMenu_BG.bmp", None, 800, 600), ("Background.bmp", None, 800, 600),
    ("About_BG.bmp", (0, 0, 0), 800, 600),
    ("PauseWindow_BG.bmp", (0, 255, 0), 315, 305), ("Records_BG.bmp", (255, 255, 255), 440, 360),
    ("HelpScreen1.bmp", (0, 0, 0), 375, 140), ("HelpScreen2.bmp", (0, 0, 0), 375, 140),
    ("Cells.bmp", (0, 0, 0), 40, 140), ("PreviewCells.bmp", None, 105, 15),
    ("Explosion.bmp", (0, 0, 0), 30, 24), ("White-Blue cursor.bmp", (0, 255, 0), 31, 31),
    ("Buttons.bmp", None, 150, 90), ("PauseWindow_Buttons.bmp", (255, 255, 255), 90, 60),
    ("Records_Buttons.bmp", None, 90, 60), ("MainMenu_StartBtn.bmp", None, 115, 30),
    ("MainMenu_2Btns.bmp", None, 60, 30), ("MainMenu_CloseBtn.bmp", None, 30, 30),
    ("BackBtn.bmp", (0, 0, 0), 30, 30), ("About_UpDwnBtn.bmp", (0, 0, 0), 17, 20),
    ("Lamp.bmp", None, 17, 17), ("3lamps.bmp", None, 47, 17), ("Down.bmp", None, 34, 49),
    ("Preview.bmp", None, 60, 60), ("PauseWindow_3lamps.bmp", None, 47, 17),
    ("Records_3lamps.bmp", None, 47, 17), ("About_3lamps.bmp", (0, 0, 0), 47, 17),
    ("Indicator(L,R).bmp", None, 25, 70), ("MainMenu_Lamp(3Btns).bmp", None, 17, 17),
    ("MainMenu_Lamp(CloseBtn).bmp", None, 17, 17), ("MainMenu_Lamp(Logo).bmp", None, 17, 17),
]


def key565(c):
    return ((c[0] & 0xF8) << 8) | ((c[1] & 0xFC) << 3) | (c[2] >> 3)


def keyed_rgba(img, key):
    """RGBA copy in which every pixel equal to the key in 5-6-5 form is transparent."""
    img = img.convert("RGB")
    rgba = img.convert("RGBA")
    if key is None:
        return rgba
    k = key565(key)
    alpha = Image.new("L", img.size)
    alpha.putdata([0 if key565(p) == k else 255 for p in img.getdata()])
    rgba.putalpha(alpha)
    return rgba


def checker(size, cell=6):
    img = Image.new("RGB", size, (70, 70, 78))
    d = ImageDraw.Draw(img)
    for y in range(0, size[1], cell):
        for x in range((y // cell) % 2 * cell, size[0], cell * 2):
            d.rectangle([x, y, x + cell - 1, y + cell - 1], fill=(96, 96, 104))
    return img


def tile(path, key, fw, fh):
    img = Image.open(path)
    w, h = img.size
    z = 0.5 if w >= 800 else 3 if w < 100 else 2 if fw <= 120 else 1
    rgba = keyed_rgba(img, key)
    size = (int(w * z), int(h * z))
    rgba = rgba.resize(size, Image.Resampling.NEAREST if z >= 1 else Image.Resampling.BOX)
    out = checker(size)
    out.paste(rgba, (0, 0), rgba)
    d = ImageDraw.Draw(out)
    if fw < w or fh < h:
        for x in range(fw, w, fw):
            d.line([(x * z, 0), (x * z, size[1])], fill=(255, 0, 200))
        for y in range(fh, h, fh):
            d.line([(0, y * z), (size[0], y * z)], fill=(255, 0, 200))
    frames = (w // fw) * (h // fh)
    keytxt = "opaque" if key is None else "key " + {(0, 0, 0): "black", (255, 255, 255): "white",
                                                       (0, 255, 0): "green"}[key]
    return out, "%s  %dx%d  %s  %d pic%s" % (os.path.basename(path), w, h, keytxt, frames,
                                              "" if frames == 1 else "s")


def contact_sheet(images_dir, out_path):
    width = 1640
    f = ImageFont.truetype(BOLD, 13)
    tiles = [tile(os.path.join(images_dir, n), k, fw, fh) for n, k, fw, fh in SHEET]
    placed = []
    x = y = 16
    row_h = 0
    for img, label in tiles:
        lw = int(f.getlength(label))
        w = max(img.width, lw)
        if x + w > width - 16:
            x = 16
            y += row_h + 16
            row_h = 0
        placed.append((img, label, x, y))
        x += w + 24
        row_h = max(row_h, img.height + 22)
    sheet = Image.new("RGB", (width, y + row_h + 16), (28, 30, 36))
    d = ImageDraw.Draw(sheet)
    for img, label, x, y in placed:
        d.text((x, y), label, font=f, fill=(220, 226, 236))
        sheet.paste(img, (x, y + 20))
    sheet.save(out_path, optimize=True)


def compose_screens(images_dir, out_dir):
    """The four screens put together from their pieces, for checking alignment by eye."""
    def load(name, key=None):
        return keyed_rgba(Image.open(os.path.join(images_dir, name)), key)

    def put(screen, name, x, y, src=None, key=None):
        img = load(name, key)
        if src is not None:
            img = img.crop(src)
        screen.alpha_composite(img, (x, y))

    os.makedirs(out_dir, exist_ok=True)
    g = load("Background.bmp")
    blk = (0, 0, 0)
    for c in range(10):
        for r in range(22 - (c % 4) - 3, 22):
            ci = (c * 3 + r * 5) % 7
            put(g, "Cells.bmp", 60 + c * 20, 80 + r * 20, (0, ci * 20, 20, ci * 20 + 20), blk)
    for i, ci in enumerate((2, 5, 6)):
        put(g, "Cells.bmp", 60 + 4 * 20, 80 + (3 + i) * 20, (20, ci * 20, 40, ci * 20 + 20), blk)
    for i, ci in enumerate((0, 3, 4)):
        put(g, "PreviewCells.bmp", 333, 113 + 15 * i, (ci * 15, 0, ci * 15 + 15, 15))
    for f in range(4):
        put(g, "Explosion.bmp", 60 + (2 + 2 * f) * 20, 80 + 12 * 20, (f * 60, 0, f * 60 + 30, 24), blk)
    for i, (x, pic) in enumerate(zip((585, 625, 665, 705), (0, 1, 3, 4))):
        put(g, "Buttons.bmp", x, 520, (pic * 30, i % 3 * 30, pic * 30 + 30, i % 3 * 30 + 30))
    put(g, "Lamp.bmp", 262, 509, (17, 0, 34, 17))
    put(g, "Down.bmp", 304, 198, (3 * 34, 0, 4 * 34, 49))
    put(g, "White-Blue cursor.bmp", 640, 530, (0, 0, 31, 31), (0, 255, 0))
    g.save(os.path.join(out_dir, "game.png"))
    p = g.copy()
    put(p, "PauseWindow_BG.bmp", 243, 150, key=(0, 255, 0))
    put(p, "PauseWindow_3lamps.bmp", 257, 154, (47, 0, 94, 17))
    put(p, "PauseWindow_Buttons.bmp", 443, 410, (0, 0, 30, 30), (255, 255, 255))
    put(p, "PauseWindow_Buttons.bmp", 483, 410, (30, 30, 60, 60), (255, 255, 255))
    p.save(os.path.join(out_dir, "pause.png"))
    r = g.copy()
    put(r, "Records_BG.bmp", 180, 120, key=(255, 255, 255))
    put(r, "Records_3lamps.bmp", 194, 124, (0, 0, 47, 17))
    put(r, "Records_Buttons.bmp", 500, 434, (0, 0, 30, 30))
    put(r, "Records_Buttons.bmp", 540, 434, (30, 30, 60, 60))
    d = ImageDraw.Draw(r)
    f = ImageFont.truetype(FONT, 13)
    for i in range(10):
        y = 174 + 20 * i
        d.text((204, y), str(i + 1), font=f, fill=(255, 255, 255))
        d.text((234, y), "Player" if i < 3 else "", font=f, fill=(255, 255, 255))
        d.text((404, y), "30.12.1899", font=f, fill=(255, 255, 255))
        s = str(1234 * (10 - i))
        d.text((586 - 6 * len(s), y), s, font=f, fill=(255, 255, 255))
    d.rectangle([234, 374, 359, 391], fill=(0, 0, 255))
    d.text((236, 376), "Player", font=f, fill=(255, 255, 255))
    r.save(os.path.join(out_dir, "records.png"))
    m = load("MainMenu_BG.bmp")
    put(m, "MainMenu_StartBtn.bmp", 55, 270, (115, 0, 230, 30))
    put(m, "MainMenu_2Btns.bmp", 55, 310, (0, 30, 60, 60))
    put(m, "MainMenu_2Btns.bmp", 55, 350, (120, 60, 180, 90))
    put(m, "MainMenu_CloseBtn.bmp", 720, 500, (30, 0, 60, 30))
    put(m, "Indicator(L,R).bmp", 260, 65, (4 * 25, 0, 5 * 25, 70))
    put(m, "Indicator(L,R).bmp", 515, 65, (4 * 25, 0, 5 * 25, 70))
    put(m, "MainMenu_Lamp(3Btns).bmp", 36, 276, (34, 0, 51, 17))
    put(m, "MainMenu_Lamp(Logo).bmp", 522, 38, (68, 0, 85, 17))
    m.save(os.path.join(out_dir, "menu.png"))
    a = Image.new("RGBA", (800, 600), (0, 0, 0, 255))
    put(a, "About_BG.bmp", 0, 0, key=blk)
    put(a, "About_3lamps.bmp", 284, 384, (0, 0, 47, 17), blk)
    put(a, "HelpScreen1.bmp", 288, 402, key=blk)
    put(a, "BackBtn.bmp", 710, 490, (30, 0, 60, 30), blk)
    put(a, "About_UpDwnBtn.bmp", 706, 424, (0, 0, 17, 20), blk)
    put(a, "About_UpDwnBtn.bmp", 706, 445, (34, 20, 51, 40), blk)
    a.save(os.path.join(out_dir, "about.png"))


def main(argv):
    args = [a for a in argv[1:] if not a.startswith("--")]
    screens = None
    if "--screens" in argv:
        screens = argv[argv.index("--screens") + 1]
        args.remove(screens)
    images_dir = args[0] if args else os.path.join(ROOT, "assets", "IMAGES")
    out_path = args[1] if len(args) > 1 else os.path.join(ROOT, "docs", "contact_sheet.png")
    os.makedirs(os.path.dirname(os.path.abspath(out_path)), exist_ok=True)
    contact_sheet(images_dir, out_path)
    if screens:
        compose_screens(images_dir, screens)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
