#!/usr/bin/env python3
"""Draws the program icon, a magnetic-stripe card, into res/icons/: PNGs for
the desktop sizes and a 16-colour .ico (32x32 and 16x16) for the Windows
build. Plain Python, so it runs wherever the project builds."""
import struct
import sys
import zlib
from pathlib import Path

OUT = Path(__file__).resolve().parent.parent / "res" / "icons"

# The 16-colour palette (the classic VGA one); the card uses four of its colours.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, SILVER, GREY, BLUE, WHITE, YELLOW = 0, 4, 7, 8, 12, 15, 11


def card_colour(x, y):
    """Colour index at (x, y) in the unit square, or None outside the card."""
    left, right, top, bottom, radius = 0.03, 0.97, 0.17, 0.83, 0.09
    if not (left <= x <= right and top <= y <= bottom):
        return None
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    if (x - cx) ** 2 + (y - cy) ** 2 > radius ** 2:
        return None
    edge = 0.035
    if x < left + edge or x > right - edge or y < top + edge or y > bottom - edge:
        if (x - cx) ** 2 + (y - cy) ** 2 > (radius - edge) ** 2 or radius - edge < 0:
            return NAVY
        if x < left + edge or x > right - edge or y < top + edge or y > bottom - edge:
            return NAVY
    if 0.27 <= y <= 0.42:
        return BLACK  # the magnetic stripe
    if 0.12 <= x <= 0.30 and 0.50 <= y <= 0.64:
        return YELLOW  # the chip
    if 0.12 <= x <= 0.80 and 0.70 <= y <= 0.75:
        return WHITE  # embossed number
    return BLUE


def render_rgba(size, samples=4):
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    c = card_colour((px + (sx + 0.5) / samples) / size, (py + (sy + 0.5) / samples) / size)
                    if c is not None:
                        r, g, b = PALETTE[c]
                        acc[0] += r
                        acc[1] += g
                        acc[2] += b
                        hits += 1
            if hits:
                row.append((acc[0] // hits, acc[1] // hits, acc[2] // hits, 255 * hits // (samples * samples)))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def png_bytes(pixels):
    size = len(pixels)
    raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def ico_image_4bpp(size):
    """A BITMAPINFOHEADER, the palette, 4-bit XOR rows and 1-bit AND rows, bottom-up."""
    indices = [[card_colour((px + 0.5) / size, (py + 0.5) / size) for px in range(size)] for py in range(size)]
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    xor_rows, and_rows = b"", b""
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    for row in reversed(indices):
        nibbles = [c if c is not None else 0 for c in row]
        data = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        xor_rows += data.ljust(xor_stride, b"\x00")
        bits = 0
        mask = bytearray()
        for i, c in enumerate(row):
            bits = (bits << 1) | (1 if c is None else 0)
            if i % 8 == 7:
                mask.append(bits)
                bits = 0
        and_rows += bytes(mask).ljust(and_stride, b"\x00")
    return header + palette + xor_rows + and_rows


def ico_bytes(sizes):
    images = [ico_image_4bpp(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 16, 0, 1, 4, len(img), offset)
        offset += len(img)
    return out + b"".join(images)


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    for size in (16, 32, 48, 64, 128, 256):
        (OUT / f"magcfg-{size}.png").write_bytes(png_bytes(render_rgba(size)))
    (OUT / "magcfg.ico").write_bytes(ico_bytes([32, 16]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
