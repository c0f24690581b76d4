#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed corpus of small valid WAV files, one per encoding and layout, into corpus/."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus")


def chunk(cid, payload):
    pad = b"\0" if len(payload) % 2 else b""
    return cid + struct.pack("<I", len(payload)) + payload + pad


def riff(*chunks):
    body = b"WAVE" + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def fmt(tag, channels, rate, bits):
    align = channels * ((bits + 7) // 8)
    return struct.pack("<HHIIHH", tag, channels, rate, rate * align, align, bits)


def extensible(sub_tag, channels, rate, bits):
    guid_tail = bytes([0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71])
    return fmt(0xFFFE, channels, rate, bits) + struct.pack("<HHIH", 22, bits, 3, sub_tag) + guid_tail


def pcm16(*v):
    return struct.pack("<%dh" % len(v), *v)


def pcm24(*v):
    return b"".join(struct.pack("<i", x)[:3] for x in v)


def pcm32(*v):
    return struct.pack("<%di" % len(v), *v)


def f32(*v):
    return struct.pack("<%df" % len(v), *v)


FILES = {
    "pcm16_mono.wav": riff(chunk(b"fmt ", fmt(1, 1, 44100, 16)), chunk(b"data", pcm16(-32768, 32767, 0, 1))),
    "pcm24_stereo.wav": riff(chunk(b"fmt ", fmt(1, 2, 48000, 24)),
                             chunk(b"data", pcm24(-8388608, 8388607, -1, 4194304))),
    "pcm32_mono.wav": riff(chunk(b"fmt ", fmt(1, 1, 96000, 32)),
                           chunk(b"data", pcm32(2147483647, -2147483648, 12345, -7))),
    "float32_nan.wav": riff(chunk(b"fmt ", fmt(3, 2, 8000, 32)),
                            chunk(b"data", f32(0.5, -1.0) + struct.pack("<II", 0x7FC00000, 0x7F800000))),
    "extensible_pcm24.wav": riff(chunk(b"fmt ", extensible(1, 2, 44100, 24)),
                                 chunk(b"data", pcm24(1, -1, 100, -100))),
    "extensible_float.wav": riff(chunk(b"fmt ", extensible(3, 1, 384000, 32)), chunk(b"data", f32(0.25, -0.25))),
    "list_odd_then_pcm24.wav": riff(chunk(b"LIST", b"INFOabc"), chunk(b"fmt ", fmt(1, 1, 22050, 24)),
                                    chunk(b"data", pcm24(4194304))),
    "data_before_fmt.wav": riff(chunk(b"data", pcm16(1, 2, 3, 4)), chunk(b"fmt ", fmt(1, 2, 16000, 16))),
    "fmt_only.wav": riff(chunk(b"fmt ", fmt(3, 64, 48000, 32))),
}


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, data in FILES.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
