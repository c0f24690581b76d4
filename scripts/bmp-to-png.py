#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Converts uncompressed 24- or 32-bit BMP files to RGB PNG files with the standard library only.

Usage: bmp-to-png.py input.bmp output.png [input.bmp output.png ...]
"""
import struct
import sys
import zlib


def read_bmp(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise ValueError(f"{path}: not a BMP file")
    pixel_offset = struct.unpack_from("<I", data, 10)[0]
    width, height, planes, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    if planes != 1 or bits not in (24, 32) or compression != 0 or width <= 0 or height == 0:
        raise ValueError(f"{path}: only uncompressed 24/32-bit BMP is supported")
    top_down = height < 0
    height = abs(height)
    stride = (width * bits // 8 + 3) & ~3
    if pixel_offset + stride * height > len(data):
        raise ValueError(f"{path}: truncated pixel data")
    step = bits // 8
    rows = []
    for y in range(height):
        src_row = y if top_down else height - 1 - y
        start = pixel_offset + src_row * stride
        row = data[start:start + width * step]
        rgb = bytearray(width * 3)
        rgb[0::3] = row[2::step]
        rgb[1::3] = row[1::step]
        rgb[2::3] = row[0::step]
        rows.append(bytes(rgb))
    return width, height, rows


def sub_filter(row):
    out = bytearray(len(row) + 1)
    out[0] = 1  # filter type Sub: each byte minus the same byte of the pixel to its left
    out[1:4] = row[:3]
    for i in range(3, len(row)):
        out[i + 1] = (row[i] - row[i - 3]) & 0xFF
    return bytes(out)


def chunk(kind, payload):
    return (struct.pack(">I", len(payload)) + kind + payload +
            struct.pack(">I", zlib.crc32(kind + payload) & 0xFFFFFFFF))


def write_png(path, width, height, rows):
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)  # 8-bit RGB
    image = zlib.compress(b"".join(sub_filter(r) for r in rows), 9)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", image) +
                chunk(b"IEND", b""))


def main(args):
    if not args or len(args) % 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    for source, target in zip(args[0::2], args[1::2]):
        write_png(target, *read_bmp(source))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
