#!/usr/bin/env python3
"""Compares the PNG pictures of two folders pixel for pixel (RGB; alpha, always opaque in the
game's pictures, is left out), whatever filters and compression wrote them.

    png_pixels.py OLD_DIR NEW_DIR

Prints each picture that differs with its number of differing pixels and their bounds; exits 1 when
any differs or is missing from NEW_DIR."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from png_read import read_png  # noqa: E402  (the end-to-end tests' reader)


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
        (w1, h1, a), (w2, h2, b) = read_png(os.path.join(old_dir, name)), read_png(new_path)
        if (w1, h1) != (w2, h2):
            print(f"{name}: sizes differ")
            differing += 1
            continue
        pixels, box = 0, None
        for y, (ra, rb) in enumerate(zip(a, b)):
            if ra == rb:
                continue
            for x, (pa, pb) in enumerate(zip(ra, rb)):
                if pa != pb:
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
