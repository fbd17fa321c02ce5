#!/usr/bin/env python3
"""Bounding boxes of solid colours on a screenshot, in a window's client coordinates.

colour_boxes.py SHOT.png LEFT TOP WIDTH HEIGHT NAME=RRGGBB...
prints "NAME x0 y0 x1 y1 FILL" (inclusive) for each colour found in the client area,
or "NAME none". FILL is "whole" when every pixel of the box has the colour, else the
number of pixels that have another. A pixel counts when every channel is within 48
of the colour, which absorbs what JPEG compression does to a solid area.
"""
import subprocess
import sys


def main():
    shot, left, top, width, height = sys.argv[1], *map(int, sys.argv[2:6])
    colours = {}
    for arg in sys.argv[6:]:
        name, rgb = arg.split("=")
        colours[name] = tuple(int(rgb[i:i + 2], 16) for i in (0, 2, 4))
    crop = f"{width}x{height}+{left}+{top}"
    raw = subprocess.run(["/usr/bin/convert", shot, "-crop", crop, "+repage", "-depth", "8", "rgb:-"],
                         check=True, capture_output=True).stdout
    if len(raw) != width * height * 3:
        sys.exit(f"unexpected crop size {len(raw)}")
    boxes = {name: None for name in colours}
    counts = {name: 0 for name in colours}
    for y in range(height):
        row = raw[y * width * 3:(y + 1) * width * 3]
        for x in range(width):
            px = row[x * 3:x * 3 + 3]
            for name, c in colours.items():
                if all(abs(px[i] - c[i]) <= 48 for i in range(3)):
                    counts[name] += 1
                    b = boxes[name]
                    boxes[name] = [x, y, x, y] if b is None else [min(b[0], x), min(b[1], y), max(b[2], x), max(b[3], y)]
    for name, b in boxes.items():
        if b is None:
            print(name, "none")
            continue
        missing = (b[2] - b[0] + 1) * (b[3] - b[1] + 1) - counts[name]
        print(name, *b, "whole" if missing == 0 else missing)


if __name__ == "__main__":
    main()
