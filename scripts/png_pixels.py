#!/usr/bin/env python3
"""Compares the PNG pictures of two folders pixel for pixel (RGB; alpha, always opaque in the
game's pictures, is left out), whatever filters and compression wrote them.

    png_pixels.py OLD_DIR NEW_DIR

Prints each picture that differs with its number of differing pixels and their bounds; exits 1 when
any differs or is missing from NEW_DIR."""
import os
import struct
import sys
import zlib


def rgb_rows(path):
    """The picture's rows as bytes of RGB, from an 8-bit, non-interlaced RGB or RGBA PNG."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG")
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError(f"{path}: only 8-bit RGB or RGBA, not interlaced")
    channels = 3 if colour == 2 else 4
    stride = width * channels
    raw = zlib.decompress(idat)
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        previous = bytes(line)
        if channels == 4:
            del line[3::4]
        rows.append(bytes(line))
    return width, rows


def main():
    old_dir, new_dir = sys.argv[1:3]
    names = sorted(os.path.relpath(os.path.join(d, f), old_dir)
                   for d, _, files in os.walk(old_dir) for f in files if f.endswith(".png"))
    differing = 0
    for name in names:
        new_path = os.path.join(new_dir, name)
        if not os.path.exists(new_path):
            print(f"{name}: missing")
            differing += 1
            continue
        (w1, a), (w2, b) = rgb_rows(os.path.join(old_dir, name)), rgb_rows(new_path)
        if w1 != w2 or len(a) != len(b):
            print(f"{name}: sizes differ")
            differing += 1
            continue
        pixels, box = 0, None
        for y, (ra, rb) in enumerate(zip(a, b)):
            if ra == rb:
                continue
            for x in range(w1):
                if ra[3 * x:3 * x + 3] != rb[3 * x:3 * x + 3]:
                    pixels += 1
                    box = (x, y, x, y) if box is None else (min(box[0], x), min(box[1], y),
                                                           max(box[2], x), max(box[3], y))
        if pixels:
            print(f"{name}: {pixels} pixels differ, within {box}")
            differing += 1
    print(f"{len(names)} pictures, {differing} differ")
    sys.exit(1 if differing else 0)


if __name__ == "__main__":
    main()
