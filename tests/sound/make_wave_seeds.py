#!/usr/bin/env python3
"""Writes the seed corpus of the wave reader's fuzz target (tests/fuzz/corpus/wave)."""
import os
import struct
import sys


def chunk(cid, body, declared=None):
    return cid + struct.pack("<I", len(body) if declared is None else declared) + body


def riff(chunks, riff_id=b"RIFF", wave_id=b"WAVE"):
    body = wave_id + b"".join(chunks)
    return riff_id + struct.pack("<I", len(body)) + body


def fmt(tag=1, channels=2, rate=22050, avg=88200, align=4, bits=16, extra=b""):
    return chunk(b"fmt ", struct.pack("<HHIIHH", tag, channels, rate, avg, align, bits) + extra)


def main(out):
    os.makedirs(out, exist_ok=True)
    tone = bytes([0x00, 0x60, 0x00, 0xA0] * 16)
    seeds = {
        "pcm16_stereo.wav": riff([fmt(), chunk(b"data", tone)]),
        "pcm8_mono.wav": riff([fmt(channels=1, rate=11025, avg=11025, align=1, bits=8), chunk(b"data", tone[:20])]),
        "wrong_align.wav": riff([fmt(avg=7, align=3), chunk(b"data", tone)]),
        "list_first.wav": riff([fmt(), chunk(b"LIST", b"INFOISFT" + b"abc" * 20), chunk(b"data", tone)]),
        "data_first.wav": riff([chunk(b"data", tone), fmt()]),
        "cbsize.wav": riff([fmt(tag=0xFFFE, extra=struct.pack("<H", 22) + bytes(22)), chunk(b"data", tone)]),
        "data_in_list.wav": riff([fmt(), chunk(b"LIST", b"INFOdata\x02\x00\x00\x00ab"), chunk(b"data", tone)]),
        "huge_data.wav": riff([fmt(), chunk(b"data", tone, 0xFFFFFFFF)]),
        "rifx.wav": b"RIFX" + riff([fmt(), chunk(b"data", tone)])[4:],
        "no_data.wav": riff([fmt()]),
        "short_fmt.wav": riff([])[:12] + b"fmt \x10\x00",
    }
    for name, data in seeds.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "fuzz", "corpus", "wave"))
