#!/usr/bin/env python3
"""Draws the program icon, a magnetic-stripe card, into res/icons/: PNGs for
the desktop sizes, the same card as a scalable SVG, and a .ico for the Windows
build with the same renderings at 16, 24, 32, 48 and 256 px in 32-bit colour
(the 256 px image as PNG, as Windows Vista and later take it). Plain Python,
so it runs wherever the project builds."""
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
    """An RGBA PNG of rows of (r, g, b, a) pixels."""
    raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", len(pixels[0]), len(pixels), 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def svg_text():
    """The card of card_colour() as vector shapes on a 256-unit square."""
    def hex_colour(index):
        return "#%02x%02x%02x" % PALETTE[index]

    u = 256
    left, right, top, bottom, radius, edge = 0.03, 0.97, 0.17, 0.83, 0.09, 0.035
    shapes = [
        (left, top, right, bottom, radius, NAVY),
        (left + edge, top + edge, right - edge, bottom - edge, radius - edge, BLUE),
        (left + edge, 0.27, right - edge, 0.42, 0, BLACK),
        (0.12, 0.50, 0.30, 0.64, 0, YELLOW),
        (0.12, 0.70, 0.80, 0.75, 0, WHITE),
    ]
    lines = ['<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">']
    for x0, y0, x1, y1, r, colour in shapes:
        corner = f' rx="{r * u:g}"' if r else ""
        lines.append(f'  <rect x="{x0 * u:g}" y="{y0 * u:g}" width="{(x1 - x0) * u:g}" height="{(y1 - y0) * u:g}"'
                     f'{corner} fill="{hex_colour(colour)}"/>')
    lines.append("</svg>")
    return "\n".join(lines) + "\n"


ICO_SIZES = (16, 24, 32, 48, 256)


def ico_image_32bpp(pixels):
    """A BITMAPINFOHEADER, BGRA rows and the 1-bit AND mask rows, bottom-up."""
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour_rows = b"".join(bytes(v for (r, g, b, a) in row for v in (b, g, r, a)) for row in reversed(pixels))
    and_stride = ((size + 31) // 32) * 4
    mask_rows = b""
    for row in reversed(pixels):
        bits = bytearray(and_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask_rows += bytes(bits)
    return header + colour_rows + mask_rows


def ico_bytes(sizes):
    images = [png_bytes(render_rgba(s)) if s >= 256 else ico_image_32bpp(render_rgba(s)) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    return out + b"".join(images)


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    for size in (16, 32, 48, 64, 128, 256):
        (OUT / f"magcfg-{size}.png").write_bytes(png_bytes(render_rgba(size)))
    (OUT / "magcfg.svg").write_text(svg_text())
    (OUT / "magcfg.ico").write_bytes(ico_bytes(ICO_SIZES))
    return 0


if __name__ == "__main__":
    sys.exit(main())
