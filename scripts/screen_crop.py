#!/usr/bin/env python3
"""Cuts what is not white out of an Xvfb screen file (XWD, 24-bit colour) and
writes it as a PNG: screen_crop.py SCREEN PNG. Plain Python, like make_icons.py."""
import struct
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from make_icons import png_bytes  # noqa: E402


def main(screen, output):
    data = Path(screen).read_bytes()
    fields = struct.unpack(">25I", data[:100])
    header_size, width, height = fields[0], fields[4], fields[5]
    bits_per_pixel, bytes_per_line, colours = fields[11], fields[12], fields[19]
    if bits_per_pixel != 32:
        sys.exit(f"{screen}: {bits_per_pixel} bits a pixel, not a 24-bit screen")
    start = header_size + 12 * colours

    def channels(y):
        """A row's red, green and blue bytes (the screen keeps blue first)."""
        row = data[start + y * bytes_per_line:start + y * bytes_per_line + 4 * width]
        return row[2::4], row[1::4], row[0::4]

    top = bottom = left = right = None
    for y in range(height):
        rgb = channels(y)
        lead = min(len(c) - len(c.lstrip(b"\xff")) for c in rgb)
        if lead == width:
            continue
        trail = min(len(c) - len(c.rstrip(b"\xff")) for c in rgb)
        top = y if top is None else top
        bottom = y
        left = lead if left is None else min(left, lead)
        right = width - 1 - trail if right is None else max(right, width - 1 - trail)
    if top is None:
        sys.exit(f"{screen}: nothing on the screen")
    crop = []
    for y in range(top, bottom + 1):
        r, g, b = (c[left:right + 1] for c in channels(y))
        crop.append([(r[x], g[x], b[x], 255) for x in range(len(r))])
    Path(output).write_bytes(png_bytes(crop))
    print(f"{output}: {right - left + 1} x {bottom - top + 1}")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: screen_crop.py SCREEN PNG")
    main(sys.argv[1], sys.argv[2])
