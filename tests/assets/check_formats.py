#!/usr/bin/python3
"""Checks the committed pictures and sounds against what the game and its libraries expect:
bitmap headers and sizes, frame layouts, colour keys, alignment of lamps and buttons with the
pictures they sit on, and the wave format. Exit status 0 when every check passes.

Usage: /usr/bin/python3 tests/assets/check_formats.py [ASSETS_DIR]
"""
import os
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

BLACK, WHITE, GREEN = (0, 0, 0), (255, 255, 255), (0, 255, 0)

# name, frame width, frame height, rows, width (None: any multiple of the frame width),
# colour key (None: drawn opaque), animated (frames of each row must differ),
# needs transparency (some pixels must be the key).
BITMAPS = [
    ("White-Blue cursor.bmp", 31, 31, 1, None, GREEN, True, True),
    ("Background.bmp", 800, 600, 1, 800, None, False, False),
    ("Explosion.bmp", 30, 24, 1, None, BLACK, True, True),
    ("Cells.bmp", 20, 20, 7, 40, BLACK, False, True),
    ("PreviewCells.bmp", 15, 15, 1, 105, None, False, False),
    ("Buttons.bmp", 30, 30, 3, 150, None, False, False),
    ("Lamp.bmp", 17, 17, 1, None, None, True, False),
    ("3lamps.bmp", 47, 17, 1, None, None, True, False),
    ("Down.bmp", 34, 49, 1, None, None, True, False),
    ("Preview.bmp", 60, 60, 1, None, None, True, False),
    ("PauseWindow_BG.bmp", 315, 305, 1, 315, GREEN, False, True),
    ("PauseWindow_Buttons.bmp", 30, 30, 2, 90, WHITE, False, True),
    ("PauseWindow_3lamps.bmp", 47, 17, 1, None, None, True, False),
    ("Records_BG.bmp", 440, 360, 1, 440, WHITE, False, True),
    ("Records_3lamps.bmp", 47, 17, 1, None, None, True, False),
    ("Records_Buttons.bmp", 30, 30, 2, 90, None, False, False),
    ("MainMenu_BG.bmp", 800, 600, 1, 800, None, False, False),
    ("MainMenu_StartBtn.bmp", 115, 30, 1, 345, None, False, False),
    ("MainMenu_CloseBtn.bmp", 30, 30, 1, 90, None, False, False),
    ("MainMenu_2Btns.bmp", 60, 30, 3, 180, None, False, False),
    ("Indicator(L,R).bmp", 25, 70, 1, None, None, True, False),
    ("MainMenu_Lamp(3Btns).bmp", 17, 17, 3, None, None, True, False),
    ("MainMenu_Lamp(CloseBtn).bmp", 17, 17, 1, None, None, True, False),
    ("MainMenu_Lamp(Logo).bmp", 17, 17, 1, None, None, True, False),
    ("About_BG.bmp", 800, 600, 1, 800, BLACK, False, False),
    ("BackBtn.bmp", 30, 30, 1, 90, BLACK, False, True),
    ("About_UpDwnBtn.bmp", 17, 20, 2, 51, BLACK, False, True),
    ("About_3lamps.bmp", 47, 17, 1, None, BLACK, True, False),
    ("HelpScreen1.bmp", 375, 140, 1, 375, BLACK, False, False),
    ("HelpScreen2.bmp", 375, 140, 1, 375, BLACK, False, False),
]

# The engine example's picture (assets/example), in the same columns.
EXAMPLE_BITMAPS = [("Gem.bmp", 32, 32, 1, 32, BLACK, False, True)]

# Opaque pieces drawn over a picture: every frame's corner pixels must equal the picture's
# pixels at the piece's position, or the piece shows as a rectangle on screen.
# piece, first frame (x, y, w, h), where its other frames lie ("x": to the right of it, "y":
# below it), the picture, the piece's position on that picture.
SITS_ON = [
    ("Lamp.bmp", (0, 0, 17, 17), "x", "Background.bmp", 262, 509),
    ("3lamps.bmp", (0, 0, 47, 17), "x", "Background.bmp", 54, 62),
    ("Down.bmp", (0, 0, 34, 49), "x", "Background.bmp", 304, 198),
    ("Preview.bmp", (0, 0, 60, 60), "x", "Background.bmp", 310, 105),
    ("Buttons.bmp", (0, 0, 30, 30), "y", "Background.bmp", 585, 520),
    ("Buttons.bmp", (30, 0, 30, 30), "y", "Background.bmp", 625, 520),
    ("Buttons.bmp", (60, 0, 30, 30), "y", "Background.bmp", 665, 520),
    ("Buttons.bmp", (90, 0, 30, 30), "y", "Background.bmp", 665, 520),
    ("Buttons.bmp", (120, 0, 30, 30), "y", "Background.bmp", 705, 520),
    ("PauseWindow_3lamps.bmp", (0, 0, 47, 17), "x", "PauseWindow_BG.bmp", 14, 4),
    ("Records_3lamps.bmp", (0, 0, 47, 17), "x", "Records_BG.bmp", 14, 4),
    ("Records_Buttons.bmp", (0, 0, 30, 30), "x", "Records_BG.bmp", 320, 314),
    ("Records_Buttons.bmp", (0, 30, 30, 30), "x", "Records_BG.bmp", 360, 314),
    ("MainMenu_StartBtn.bmp", (0, 0, 115, 30), "x", "MainMenu_BG.bmp", 55, 270),
    ("MainMenu_2Btns.bmp", (0, 0, 60, 30), "x", "MainMenu_BG.bmp", 55, 310),
    ("MainMenu_2Btns.bmp", (0, 30, 60, 30), "x", "MainMenu_BG.bmp", 55, 310),
    ("MainMenu_2Btns.bmp", (0, 60, 60, 30), "x", "MainMenu_BG.bmp", 55, 350),
    ("MainMenu_CloseBtn.bmp", (0, 0, 30, 30), "x", "MainMenu_BG.bmp", 720, 500),
    ("Indicator(L,R).bmp", (0, 0, 25, 70), "x", "MainMenu_BG.bmp", 260, 65),
    ("Indicator(L,R).bmp", (0, 0, 25, 70), "x", "MainMenu_BG.bmp", 515, 65),
    ("MainMenu_Lamp(3Btns).bmp", (0, 0, 17, 17), "x", "MainMenu_BG.bmp", 36, 276),
    ("MainMenu_Lamp(3Btns).bmp", (0, 17, 17, 17), "x", "MainMenu_BG.bmp", 36, 316),
    ("MainMenu_Lamp(3Btns).bmp", (0, 34, 17, 17), "x", "MainMenu_BG.bmp", 36, 356),
    ("MainMenu_Lamp(CloseBtn).bmp", (0, 0, 17, 17), "x", "MainMenu_BG.bmp", 706, 527),
    ("MainMenu_Lamp(Logo).bmp", (0, 0, 17, 17), "x", "MainMenu_BG.bmp", 522, 38),
    ("About_3lamps.bmp", (0, 0, 47, 17), "x", "About_BG.bmp", 284, 384),
]

# Game sounds: name, longest allowed duration in seconds.
WAVES = [("MENU.WAV", 1.0), ("CAMERA.WAV", 1.0), ("DOWN1.WAV", 1.0), ("DOWN2.WAV", 1.0),
         ("DOWN3.WAV", 1.0), ("DOWN4.WAV", 1.0), ("DESTROY1.WAV", 1.0)]
EXAMPLE_WAVES = [("Click.wav", 1.0)]


def key565(c):
    return ((c[0] & 0xF8) << 8) | ((c[1] & 0xFC) << 3) | (c[2] >> 3)


def read_bmp(path):
    """Parses a 24-bit bottom-up bitmap; answers (width, height, rows of (r, g, b)) or raises."""
    data = open(path, "rb").read()
    if len(data) < 54:
        raise ValueError("shorter than the two headers")
    bf_type, bf_size, res1, res2, off = struct.unpack_from("<2sIHHI", data, 0)
    bi = struct.unpack_from("<IiiHHIIiiII", data, 14)
    bi_size, w, h, planes, bits, compression, size_image = bi[:7]
    stride = (w * 3 + 3) & ~3
    expect = [("bfType", bf_type, b"BM"), ("bfSize", bf_size, len(data)), ("reserved", (res1, res2), (0, 0)),
              ("bfOffBits", off, 54), ("biSize", bi_size, 40), ("biPlanes", planes, 1),
              ("biBitCount", bits, 24), ("biCompression", compression, 0),
              ("bottom-up", h > 0, True), ("biSizeImage", size_image, stride * abs(h)),
              ("file length", len(data), 54 + stride * abs(h))]
    for field, got, want in expect:
        if got != want:
            raise ValueError("%s is %r, expected %r" % (field, got, want))
    rows = []
    for k in range(h):
        row = data[off + (h - 1 - k) * stride: off + (h - 1 - k) * stride + w * 3]
        rows.append([(row[i + 2], row[i + 1], row[i]) for i in range(0, w * 3, 3)])
    return w, h, rows


def frames_of(rows, x0, y0, fw, fh, count):
    return [tuple(tuple(rows[y][x0 + i * fw: x0 + (i + 1) * fw]) for y in range(y0, y0 + fh))
            for i in range(count)]


def check_bitmaps(images, table, failures):
    pictures = {}
    for name, fw, fh, nrows, width, key, animated, needs_key in table:
        path = os.path.join(images, name)
        if not os.path.exists(path):
            failures.append("%s: missing" % name)
            continue
        try:
            w, h, rows = read_bmp(path)
        except ValueError as e:
            failures.append("%s: %s" % (name, e))
            continue
        pictures[name] = rows
        if h != fh * nrows:
            failures.append("%s: height %d, expected %d" % (name, h, fh * nrows))
            continue
        if width is not None and w != width:
            failures.append("%s: width %d, expected %d" % (name, w, width))
        if w % fw:
            failures.append("%s: width %d is not a multiple of the %d-pixel frame" % (name, w, fw))
            continue
        if animated:
            for r in range(nrows):
                frames = frames_of(rows, 0, r * fh, fw, fh, w // fw)
                if len(set(frames)) < 2:
                    failures.append("%s: row %d does not animate (%d frames, all equal)" % (name, r, len(frames)))
        if key is not None:
            k = key565(key)
            exact = stray = 0
            for row in rows:
                for p in row:
                    if key565(p) == k:
                        if p == key:
                            exact += 1
                        else:
                            stray += 1
            if stray:
                failures.append("%s: %d pixels turn transparent by accident (5-6-5 equal to the key)" % (name, stray))
            if needs_key and not exact:
                failures.append("%s: no transparent pixel" % name)
    cursor = pictures.get("White-Blue cursor.bmp")
    if cursor:
        for i in range(len(cursor[0]) // 31):
            if key565(cursor[0][i * 31]) == key565(GREEN):
                failures.append("White-Blue cursor.bmp: frame %d has no pointer tip on its hot spot (0, 0)" % i)
    return pictures


def check_alignment(pictures, failures):
    for piece, (sx, sy, fw, fh), along, under, x, y in SITS_ON:
        prow, urow = pictures.get(piece), pictures.get(under)
        if prow is None or urow is None:
            continue
        count = (len(prow[0]) - sx) // fw if along == "x" else (len(prow) - sy) // fh
        for i in range(count):
            fx, fy = (sx + i * fw, sy) if along == "x" else (sx, sy + i * fh)
            for cx, cy in ((0, 0), (fw - 1, 0), (0, fh - 1), (fw - 1, fh - 1)):
                got = prow[fy + cy][fx + cx]
                want = urow[y + cy][x + cx]
                if got != want:
                    failures.append("%s frame %d corner (%d, %d) is %r, %s has %r at (%d, %d)"
                                    % (piece, i, cx, cy, got, under, want, x + cx, y + cy))
                    break


def check_wave(path, longest, failures):
    name = os.path.basename(path)
    data = open(path, "rb").read()
    if data[0:4] != b"RIFF" or data[8:12] != b"WAVE":
        failures.append("%s: not RIFF/WAVE" % name)
        return
    if struct.unpack_from("<I", data, 4)[0] != len(data) - 8:
        failures.append("%s: RIFF size does not match the file" % name)
    # The game's reader takes the first "fmt " and "data" anywhere in the file, and the two
    # bytes after wBitsPerSample as cbSize.
    f = data.find(b"fmt ")
    d = data.find(b"data")
    if f < 0 or d < 0 or d < f:
        failures.append("%s: \"fmt \" or \"data\" not where the reader looks" % name)
        return
    tag, ch, rate, byte_rate, align, bits, cb = struct.unpack_from("<HHIIHHH", data, f + 8)
    for field, got, want in (("format tag", tag, 1), ("channels", ch, 1), ("sample rate", rate, 22050),
                             ("bits", bits, 16), ("block align", align, 2), ("byte rate", byte_rate, 44100),
                             ("cbSize", cb, 0)):
        if got != want:
            failures.append("%s: %s is %d, expected %d" % (name, field, got, want))
    size = struct.unpack_from("<I", data, d + 4)[0]
    if d + 8 + size != len(data) or size % 2:
        failures.append("%s: data size %d does not match the file" % (name, size))
        return
    samples = struct.unpack_from("<%dh" % (size // 2), data, d + 8)
    seconds = len(samples) / 22050.0
    peak = max(abs(s) for s in samples) / 32768.0 if samples else 0.0
    if not 0.0 < seconds < longest:
        failures.append("%s: %.3f s long, expected under %.1f s" % (name, seconds, longest))
    if not 0.1 < peak < 0.9:
        failures.append("%s: peak %.2f of full scale, expected between 0.1 and 0.9" % (name, peak))
    if samples and (abs(samples[0]) > 600 or abs(samples[-1]) > 600):
        failures.append("%s: starts or ends away from zero (a click)" % name)


def main(argv):
    assets = argv[1] if len(argv) > 1 else os.path.join(ROOT, "assets")
    failures = []
    pictures = check_bitmaps(os.path.join(assets, "IMAGES"), BITMAPS, failures)
    check_alignment(pictures, failures)
    check_bitmaps(os.path.join(assets, "example"), EXAMPLE_BITMAPS, failures)
    for folder, waves in (("SOUNDS", WAVES), ("example", EXAMPLE_WAVES)):
        for name, longest in waves:
            path = os.path.join(assets, folder, name)
            if os.path.exists(path):
                check_wave(path, longest, failures)
            else:
                failures.append("%s: missing" % name)
    for f in failures:
        print("FAIL", f)
    print("%d bitmaps, %d waves checked, %d failures" % (len(BITMAPS) + len(EXAMPLE_BITMAPS),
                                                          len(WAVES) + len(EXAMPLE_WAVES), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
