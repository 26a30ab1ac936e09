#!/usr/bin/env python3
"""Writes the seed bitmaps of the bitmap decoder's fuzz target into corpus/bmp/."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "bmp")


def bmp(width, height, bits, rows, palette=b"", off=None, compression=0, info_size=40):
    """rows: the stored row bytes, already padded, in stored order."""
    pixels = b"".join(rows)
    off = 54 + len(palette) if off is None else off
    head = struct.pack("<2sIHHI", b"BM", 54 + len(palette) + len(pixels), 0, 0, off)
    info = struct.pack("<IiiHHIIiiII", info_size, width, height, 1, bits, compression, len(pixels), 2835, 2835, 0, 0)
    return head + info + palette + pixels


def pad(row):
    return row + b"\0" * (-len(row) % 4)


def main():
    os.makedirs(HERE, exist_ok=True)
    bgr = [b"\x00\x00\xff", b"\xff\xff\xff", b"\x08\x04\x08", b"\x07\x03\x07", b"\x00\xff\x00", b"\xff\x00\x00"]
    rows24 = [pad(b"".join(bgr[3:])), pad(b"".join(bgr[:3]))]
    rows32 = [b"".join(p + b"\0" for p in bgr[3:]), b"".join(p + b"\0" for p in bgr[:3])]
    palette = b"".join(p + b"\0" for p in bgr) + b"\0" * (1024 - 4 * len(bgr))
    rows8 = [pad(bytes([3, 4, 5])), pad(bytes([0, 1, 2]))]
    seeds = {
        "valid_24_3x2.bmp": bmp(3, 2, 24, rows24),
        "valid_24_3x2_topdown.bmp": bmp(3, -2, 24, rows24[::-1]),
        "valid_32_3x2.bmp": bmp(3, 2, 32, rows32),
        "valid_8_3x2.bmp": bmp(3, 2, 8, rows8, palette),
        "valid_8_1x1_topdown.bmp": bmp(1, -1, 8, [pad(b"\x02")], palette),
        "valid_24_5x1.bmp": bmp(5, 1, 24, [pad(b"".join(bgr[:5]))]),
        "broken_rle8.bmp": bmp(3, 2, 8, rows8, palette, compression=1),
        "broken_16bit.bmp": bmp(2, 1, 16, [b"\x00\xf8\xff\xff"]),
        "broken_1bit.bmp": bmp(8, 1, 1, [b"\xaa\0\0\0"], b"\0\0\0\0\xff\xff\xff\0"),
        "broken_rows_cut.bmp": bmp(3, 2, 24, rows24)[:-5],
        "broken_palette_cut.bmp": bmp(3, 2, 8, rows8, palette)[:600],
        "broken_offset_past_end.bmp": bmp(3, 2, 24, rows24, off=4096),
        "broken_huge.bmp": bmp(16384, 16384, 32, rows32),
        "broken_core_header.bmp": bmp(3, 2, 24, rows24, info_size=12),
    }
    for name, data in seeds.items():
        with open(os.path.join(HERE, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
