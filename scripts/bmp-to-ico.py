#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes one Windows icon file from square, uncompressed 24- or 32-bit BMP files, one image per
size: sizes below 256 as 32-bit DIB images, 256 as a PNG image, as Windows expects.

Usage: bmp-to-ico.py output.ico input.bmp [input.bmp ...]
"""
import importlib.util
import os
import struct
import sys
import zlib

_spec = importlib.util.spec_from_file_location(
    "bmp_to_png", os.path.join(os.path.dirname(os.path.abspath(__file__)), "bmp-to-png.py"))
bmp_to_png = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(bmp_to_png)


def png_image(width, height, rows):
    # Opaque RGBA, the PNG form icon readers expect.
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    raw = bytearray()
    for row in rows:
        raw.append(0)  # filter type None
        for i in range(0, len(row), 3):
            raw += row[i:i + 3] + b"\xff"
    return (b"\x89PNG\r\n\x1a\n" + bmp_to_png.chunk(b"IHDR", header) +
            bmp_to_png.chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
            bmp_to_png.chunk(b"IEND", b""))


def dib_image(width, height, rows):
    # Height counts the colour rows and the mask rows; rows go bottom-up, opaque blue-green-red.
    header = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for i in range(0, len(row), 3):
            pixels += bytes((row[i + 2], row[i + 1], row[i], 255))
    mask_stride = ((width + 31) // 32) * 4
    return header + bytes(pixels) + bytes(mask_stride * height)


def main(args):
    if len(args) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    images = []
    for source in args[1:]:
        width, height, rows = bmp_to_png.read_bmp(source)
        if width != height or width > 256:
            raise ValueError(f"{source}: icon images are square and at most 256 pixels")
        data = png_image(width, height, rows) if width == 256 else dib_image(width, height, rows)
        images.append((width, data))
    images.sort()
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for size, data in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(args[0], "wb") as f:
        f.write(directory + b"".join(data for _, data in images))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
