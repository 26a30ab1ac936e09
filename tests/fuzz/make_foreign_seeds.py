#!/usr/bin/python3
"""Writes seed files made by other programs, so the readers meet files nobody here wrote.

Bitmaps come from ImageMagick (im_*) and Pillow (pil_*), waves from sox (sox_*) and
libsndfile's sndfile-metadata-set (sf_*: sox writes no LIST chunk). Neither picture tool
writes top-down bitmaps, so flipped_* are one of their files with the rows put in the
other order and biHeight negated; ImageMagick writes only RLE8, so there is no RLE4.
Each file's header is checked to really be the variant its name says.

Beside the folders goes corpus/foreign.manifest: for every file what the readers must
answer. Pixels and wave fields are the other programs' readings (Pillow's, soxi's), not
ours; whether a file is refused follows from its header fields. Run it again after
changing the lists; the output depends only on the tools' versions (sox runs
repeatable, without dither).
"""
import os
import struct
import subprocess
import sys
import tempfile

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")
PREFIXES = ("im_", "pil_", "flipped_", "sox_", "sf_")


def pack565(r, g, b):
    return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3


def colours(count, seed):
    """Pure primaries, white, black and (8, 4, 8) first, then scattered colours."""
    fixed = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255), (0, 0, 0), (8, 4, 8)]
    out, x = [], seed
    for i in range(count):
        if i < len(fixed):
            out.append(fixed[i])
            continue
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        out.append((x >> 7 & 255, x >> 15 & 255, x >> 23 & 255))
    return out


def picture(width, height, seed, alpha=False):
    image = Image.new("RGBA" if alpha else "RGB", (width, height))
    pixels = colours(width * height, seed)
    if alpha:
        pixels = [p + ((i * 37 + 11) & 255,) for i, p in enumerate(pixels)]
    image.putdata(pixels)
    return image


def run(*command, **kwargs):
    return subprocess.run(command, check=True, stdout=subprocess.PIPE, **kwargs).stdout


# Bitmaps: name, picture (width, height, seed), who writes it and how, and the header it
# must have (info header size, bits per pixel, compression). ImageMagick's "BMP:" writes
# a 124-byte header, or 108 bytes when the picture has no rendering intent; "BMP3:" 40.
def im(*options):
    return ("im", options)


def pil(mode):
    return ("pil", mode)


BITMAPS = [
    ("im_24_5x3_v3.bmp", (5, 3, 2), im("BMP3:"), (40, 24, 0)),
    ("im_24_3x2_v4.bmp", (3, 2, 4), im("-intent", "undefined", "BMP:"), (108, 24, 0)),
    ("im_24_7x3_v5.bmp", (7, 3, 5), im("BMP:"), (124, 24, 0)),
    ("im_32_5x2_v3.bmp", (5, 2, 6), im("-alpha", "on", "-define", "bmp3:alpha=true", "BMP3:"), (40, 32, 0)),
    ("im_32_3x2_v4_bitfields.bmp", (3, 2, 8), im("-alpha", "on", "-intent", "undefined", "BMP:"), (108, 32, 3)),
    ("im_32_3x3_v5_bitfields.bmp", (3, 3, 9), im("-alpha", "on", "BMP:"), (124, 32, 3)),
    ("im_16_5x3_v5_rgb565.bmp", (5, 3, 10), im("-define", "bmp:subtype=RGB565", "BMP:"), (124, 16, 3)),
    # Bit fields declared without their masks: a damaged file as ImageMagick writes it.
    ("im_16_3x3_v3_rgb555.bmp", (3, 3, 12), im("-define", "bmp:subtype=RGB555", "BMP3:"), (40, 16, 3)),
    ("im_8_5x4_v3.bmp", (5, 4, 14), im("-type", "Palette", "-compress", "None", "BMP3:"), (40, 8, 0)),
    ("im_8_7x3_v5.bmp", (7, 3, 16), im("-type", "Palette", "-compress", "None", "BMP:"), (124, 8, 0)),
    ("im_rle8_5x4_v3.bmp", (5, 4, 18), im("-type", "Palette", "-compress", "RLE", "BMP3:"), (40, 8, 1)),
    ("im_rle8_3x3_v5.bmp", (3, 3, 20), im("-type", "Palette", "-compress", "RLE", "BMP:"), (124, 8, 1)),
    ("im_4_5x3_v3.bmp", (5, 3, 22), im("-colors", "9", "BMP3:"), (40, 4, 0)),
    ("im_1_7x2_v3.bmp", (7, 2, 24), im("-monochrome", "BMP3:"), (40, 1, 0)),
    ("im_os2_24_5x3.bmp", (5, 3, 26), im("-type", "TrueColor", "BMP2:"), (12, 24, 0)),
    ("pil_1_7x3.bmp", (7, 3, 28), pil("1"), (40, 1, 0)),
    ("pil_8_gray_5x3.bmp", (5, 3, 30), pil("L"), (40, 8, 0)),
    ("pil_8_pal_3x2.bmp", (3, 2, 32), pil("P"), (40, 8, 0)),
    ("pil_24_7x3.bmp", (7, 3, 34), pil("RGB"), (40, 24, 0)),
    ("pil_32_5x3.bmp", (5, 3, 36), pil("RGBA"), (40, 32, 0)),
]
# Top-down copies: the new name and the file it is made from.
FLIPPED = [
    ("flipped_pil_24_5x3.bmp", "pil_24_5x3.tmp", (5, 3, 38), pil("RGB")),
    ("flipped_pil_8_3x2.bmp", "pil_8_3x2.tmp", (3, 2, 40), pil("P")),
    ("flipped_im_32_3x2_v3.bmp", "im_32_3x2.tmp", (3, 2, 42),
     im("-alpha", "on", "-define", "bmp3:alpha=true", "BMP3:")),
]


def write_bitmap(path, shape, maker, work):
    width, height, seed = shape
    kind, how = maker
    if kind == "pil":
        image = picture(width, height, seed, alpha=how == "RGBA")
        if how == "P":
            image = image.quantize(width * height)
        elif how != "RGBA":
            image = image.convert(how)
        image.save(path, format="BMP")
    else:
        source = os.path.join(work, "source.png")
        picture(width, height, seed, alpha="-alpha" in how).save(source)
        *options, coder = how
        run("convert", source, *options, coder + path)


def bmp_header(data):
    """(info header size, width, height, bits, compression); the 12-byte header has
    16-bit sides and no compression field."""
    size = struct.unpack_from("<I", data, 14)[0]
    if size == 12:
        width, height, _, bits = struct.unpack_from("<hhHH", data, 18)
        return size, width, height, bits, 0
    width, height, _, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    return size, width, height, bits, compression


def bmp_refusals(length, size, bits, compression):
    """Why the bitmap reader must refuse a file: it reads a 14-byte file header and a
    40-byte (or longer) info header, no compression, and 8, 24 or 32 bits a pixel."""
    if length < 54:
        return ["short"] + (["infosize"] if size < 40 else [])
    if size < 40:
        return ["infosize"]
    reasons = []
    if compression != 0:
        reasons.append("compressed")
    if bits not in (8, 24, 32):
        reasons.append("depth")
    return reasons


def flip(data):
    """The same picture stored top-down: rows reversed, biHeight negated."""
    offset = struct.unpack_from("<I", data, 10)[0]
    _, width, height, bits, _ = bmp_header(data)
    stride = (width * bits // 8 + 3) & ~3
    rows = [data[offset + k * stride:offset + (k + 1) * stride] for k in range(height)]
    head = bytearray(data[:offset])
    struct.pack_into("<i", head, 22, -height)
    return bytes(head) + b"".join(reversed(rows)) + data[offset + height * stride:]


def expected_pixels(path, data):
    """The picture as Pillow reads it, in 5-6-5, top row first. An 8-bit file's palette
    is read right after the first 40 bytes of its info header, whatever its size, so
    with a longer header Pillow gives the index and those bytes the colour."""
    image = Image.open(path)
    size, _, _, bits, _ = bmp_header(data)
    if bits == 8 and size > 40:
        entry = lambda i: data[54 + 4 * i:57 + 4 * i]
        return [pack565(e[2], e[1], e[0]) for e in map(entry, image.getdata())]
    return [pack565(*p) for p in image.convert("RGB").getdata()]


def bitmaps(work):
    out = os.path.join(CORPUS, "bmp")
    rows = []
    jobs = [(name, shape, maker, header, None) for name, shape, maker, header in BITMAPS]
    jobs += [(name, shape, maker, None, temp) for name, temp, shape, maker in FLIPPED]
    for name, shape, maker, header, temp in jobs:
        path = os.path.join(out, name)
        if temp:
            write_bitmap(os.path.join(work, temp), shape, maker, work)
            with open(os.path.join(work, temp), "rb") as f:
                data = flip(f.read())
            with open(path, "wb") as f:
                f.write(data)
        else:
            write_bitmap(path, shape, maker, work)
            with open(path, "rb") as f:
                data = f.read()
        size, width, height, bits, compression = bmp_header(data)
        if temp:
            assert height < 0, name
        else:
            assert (size, bits, compression) == header, (name, size, bits, compression)
            assert (width, height) == shape[:2], name
        refusals = bmp_refusals(len(data), size, bits, compression)
        if refusals:
            rows.append(f"bmp {name} refused because={','.join(refusals)}")
            continue
        pixels = expected_pixels(path, data)
        assert len(pixels) == width * abs(height)
        rows.append(f"bmp {name} ok width={width} height={abs(height)} pixels=" +
                    ",".join(f"{p:04x}" for p in pixels))
    return rows


# Waves: name, sox's output options, the format tag and the chunks it must have.
# Stereo files carry a different tone on each side.
WAVES = [
    ("sox_u8_mono.wav", ["-r", "11025", "-c", "1", "-b", "8"], 1, ["fmt ", "data"]),
    ("sox_u8_stereo.wav", ["-r", "8000", "-c", "2", "-b", "8"], 1, ["fmt ", "data"]),
    ("sox_s16_mono.wav", ["-r", "22050", "-c", "1", "-b", "16"], 1, ["fmt ", "data"]),
    ("sox_s16_stereo.wav", ["-r", "44100", "-c", "2", "-b", "16"], 1, ["fmt ", "data"]),
    ("sox_s24_mono_extensible.wav", ["-r", "11025", "-c", "1", "-b", "24"], 0xFFFE, ["fmt ", "fact", "data"]),
    ("sox_s24_stereo.wav", ["-r", "8000", "-c", "2", "-b", "24", "-t", "wavpcm"], 1, ["fmt ", "data"]),
    ("sox_s32_stereo_extensible.wav", ["-r", "8000", "-c", "2", "-b", "32"], 0xFFFE, ["fmt ", "fact", "data"]),
    ("sox_s32_mono.wav", ["-r", "11025", "-c", "1", "-b", "32", "-t", "wavpcm"], 1, ["fmt ", "data"]),
    ("sox_f32_stereo.wav", ["-r", "8000", "-c", "2", "-e", "floating-point", "-b", "32"], 3, ["fmt ", "fact", "data"]),
    ("sox_ulaw_mono.wav", ["-r", "8000", "-c", "1", "-e", "u-law"], 7, ["fmt ", "fact", "data"]),
    ("sox_rifx_s16_mono.wav", ["-r", "8000", "-c", "1", "-b", "16", "-B"], 1, None),
]
# Waves with metadata chunks, rewritten from a sox file by sndfile-metadata-set: a "bext"
# chunk before the samples and a LIST/INFO comment after them.
METADATA = [
    ("sf_s16_stereo_bext_list.wav", ["-r", "22050", "-c", "2", "-b", "16"],
     ["--bext-description", "falling sticks", "--bext-originator", "seeds", "--str-comment", "three in a row"],
     ["fmt ", "bext", "data", "LIST"]),
    ("sf_u8_mono_list.wav", ["-r", "11025", "-c", "1", "-b", "8"],
     ["--str-title", "landing", "--str-comment", "three in a row"], ["fmt ", "data", "LIST"]),
]


def sox_tone(path, options):
    tones = ["sine", "440"] + (["sine", "660"] if "2" == options[options.index("-c") + 1] else [])
    run("sox", "-R", "-D", "-n", *options, path, "synth", "0.003", *tones)


def riff_chunks(data):
    """Chunk ids and the format tag, walking the chunks one after the other."""
    assert data[:4] == b"RIFF" and data[8:12] == b"WAVE"
    ids, tag, at = [], None, 12
    while at + 8 <= len(data):
        cid, size = data[at:at + 4].decode("latin-1"), struct.unpack_from("<I", data, at + 4)[0]
        if cid == "fmt ":
            tag = struct.unpack_from("<H", data, at + 8)[0]
        ids.append(cid)
        at += 8 + size + (size & 1)
    return ids, tag


def soxi(path, flag):
    return run("soxi", flag, path).decode().strip()


def wave_row(name, path, tag, chunks):
    with open(path, "rb") as f:
        data = f.read()
    if chunks is None:
        assert data[:4] == b"RIFX", name
        return f"wave {name} refused because=notriff"
    ids, found = riff_chunks(data)
    assert (ids, found) == (chunks, tag), (name, ids, found)
    channels, rate, bits = int(soxi(path, "-c")), int(soxi(path, "-r")), int(soxi(path, "-b"))
    frames = int(soxi(path, "-s"))
    samples = run("sox", "-R", "-D", path, "-t", "raw", "-")
    assert len(samples) == frames * channels * bits // 8, name
    return (f"wave {name} ok tag={tag} channels={channels} rate={rate} bits={bits} "
            f"data={len(samples)} head={samples[:16].hex()}")


def waves(work):
    out = os.path.join(CORPUS, "wave")
    rows = []
    for name, options, tag, chunks in WAVES:
        path = os.path.join(out, name)
        sox_tone(path, options)
        rows.append(wave_row(name, path, tag, chunks))
    for name, options, fields, chunks in METADATA:
        plain = os.path.join(work, "plain.wav")
        sox_tone(plain, options)
        path = os.path.join(out, name)
        if os.path.exists(path):
            os.remove(path)
        run("sndfile-metadata-set", *fields, plain, path)
        rows.append(wave_row(name, path, 1, chunks))
    return rows


HEADER = """\
# What the bitmap and wave readers must answer for each foreign seed file; written by
# make_foreign_seeds.py from Pillow's and soxi's readings of the files.
# bmp NAME ok width=W height=H pixels=P,...   5-6-5 pixels in hex, top row first
# bmp NAME refused because=R,...               any one of: short, infosize, compressed, depth
# wave NAME ok tag=T channels=C rate=R bits=B data=D head=X   D data bytes, X the first samples
# wave NAME refused because=R                  notriff
"""


def main():
    for folder in ("bmp", "wave"):
        for old in os.listdir(os.path.join(CORPUS, folder)):
            if old.startswith(PREFIXES):
                os.remove(os.path.join(CORPUS, folder, old))
    with tempfile.TemporaryDirectory() as work:
        rows = bitmaps(work) + waves(work)
    with open(os.path.join(CORPUS, "foreign.manifest"), "w") as f:
        f.write(HEADER + "\n".join(rows) + "\n")


if __name__ == "__main__":
    sys.exit(main())
