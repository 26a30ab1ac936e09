"""The game's bitmaps as the 16-bit display shows them, and how much of a screen
region shows a piece of one."""
import os

from PIL import Image

from winebench import close_enough

_bitmaps = {}


def bitmap(images_dir, name):
    path = os.path.join(images_dir, name)
    if path not in _bitmaps:
        _bitmaps[path] = Image.open(path).convert("RGB")
    return _bitmaps[path]


def as_shown(rgb):
    """A colour as the 16-bit display shows it: each channel cut to its top bits."""
    r, g, b = rgb
    return (r & 0xF8, g & 0xFC, b & 0xF8)


def shows(screen, image, source, at, key=None, skip=None, step=2):
    """The share of the sampled pixels of source (left, top, width, height) of a
    bitmap that the screen shows at `at`; pixels under `skip` (a rectangle, say the
    cursor) and pixels of the colour key `key` are not sampled."""
    sx, sy, w, h = source
    same = total = 0
    for y in range(0, h, step):
        for x in range(0, w, step):
            px, py = at[0] + x, at[1] + y
            if skip and skip[0] <= px < skip[2] and skip[1] <= py < skip[3]:
                continue
            expected = as_shown(image.getpixel((sx + x, sy + y)))
            if key is not None and expected == as_shown(key):
                continue
            total += 1
            same += close_enough(screen.pixel(px, py), expected)
    return same / total if total else 0.0
