#!/usr/bin/env python3
"""Draws the program's two icons: res/main.ico (32x32 and 16x16, 16 colours) and
res/service_row.ico (32x32, 256 colours). Run it again after changing a drawing."""
import math
import struct
from pathlib import Path

VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, NAVY, SILVER, GREY, LIME, BLUE, WHITE = 0, 4, 7, 8, 10, 12, 15


def dib(size, bpp, palette, pixel):
    """One icon image: header, palette, colour rows and the transparency mask, bottom-up."""
    row_bytes = (size * bpp + 31) // 32 * 4
    mask_bytes = (size + 31) // 32 * 4
    colour, mask = bytearray(), bytearray()
    for y in reversed(range(size)):
        bits, mbits = [], []
        for x in range(size):
            index = pixel(x, y)
            bits.append(0 if index is None else index)
            mbits.append(1 if index is None else 0)
        row = bytearray()
        if bpp == 4:
            for i in range(0, size, 2):
                row.append(bits[i] << 4 | bits[i + 1])
        else:
            row.extend(bits)
        colour += row.ljust(row_bytes, b"\0")
        mrow = bytearray()
        for i in range(0, size, 8):
            mrow.append(sum(b << (7 - j) for j, b in enumerate(mbits[i:i + 8])))
        mask += mrow.ljust(mask_bytes, b"\0")
    entries = len(palette)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, len(colour) + len(mask),
                         0, 0, entries, 0)
    pal = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    return header + pal + colour + mask


def ico(images):
    """images: (size, bpp, data)"""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bpp, data in images:
        out += struct.pack("<BBBBHHII", size, size, 16 if bpp == 4 else 0, 0, 1, bpp, len(data),
                           offset)
        offset += len(data)
    return out + b"".join(data for _, _, data in images)


def service_list(size):
    """A navy panel holding rows, each with a green lamp: a list of running services."""
    s = size / 32

    def pixel(x, y):
        x0, y0, x1, y1 = 2 * s, 3 * s, 30 * s - 1, 29 * s - 1
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return None
        if x in (int(x0), int(x1)) or y in (int(y0), int(y1)):
            return BLACK
        if y < y0 + 5 * s:
            return BLUE
        for top in (10, 15, 20, 25):
            if top * s - 1 <= y < top * s - 1 + 2.5 * s:
                if 5 * s <= x < 8.5 * s:
                    return LIME
                if 10 * s <= x < 27 * s:
                    return WHITE
        return NAVY

    return pixel


def gear():
    """A steel gear with eight teeth, shaded from top to bottom."""
    palette = [(int(70 + 150 * i / 255), int(100 + 130 * i / 255), int(140 + 110 * i / 255))
               for i in range(256)]
    palette[0] = (20, 30, 60)

    def pixel(x, y):
        dx, dy = x - 15.5, y - 15.5
        r, a = math.hypot(dx, dy), math.atan2(dy, dx)
        outer = 11 + (3.5 if math.cos(8 * a) > 0 else 0)
        if r > outer or r < 4.5:
            return None
        if r > outer - 1.2 or r < 5.6:
            return 0
        return max(1, min(255, int(255 - y * 6 + (dx - dy) * 1.5)))

    return palette, pixel


def main():
    res = Path(__file__).resolve().parent.parent / "res"
    (res / "main.ico").write_bytes(ico([(32, 4, dib(32, 4, VGA, service_list(32))),
                                        (16, 4, dib(16, 4, VGA, service_list(16)))]))
    palette, pixel = gear()
    (res / "service_row.ico").write_bytes(ico([(32, 8, dib(32, 8, palette, pixel))]))


main()
