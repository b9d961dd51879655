#!/usr/bin/env python3
"""Draws the pictures of the Backup Database and Restore Database wizards as Windows bitmap files.

Each wizard shows a watermark on its welcome and finish pages (164 x 314) and a header image on its
interior pages (49 x 49); the databases container and the database node hand them to the console. The
backup pictures show a database with an arrow down into a backup file, the restore pictures the arrow
going back up. 24 bits per pixel. Run this script after changing a picture; it rewrites the four files
in the folder above its own, with the database icon of the database's General page (database.ico).
Standard library only.
"""

import os
import struct

from draw_images import LARGE, SMALL, write_ico


def write_bmp(path, width, height, pixel):
    """pixel(x, y) gives (r, g, b) with y = 0 at the top; rows are stored bottom-up, padded to 4 bytes."""
    row_size = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        rows.append(bytes(row))
    image = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(image), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(image), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + image)


def cylinder(x, y, left, top, width, height):
    """The colour of a database drum at (x, y), or None outside it: a yellow drum with a dark rim."""
    rx = width / 2
    ry = max(3, height // 6)
    cx = left + rx
    dx = (x + 0.5 - cx) / rx
    if abs(dx) > 1:
        return None
    lid = ry * (1 - dx * dx) ** 0.5
    top_centre, bottom_centre = top + ry, top + height - ry
    if y < top_centre - lid or y > bottom_centre + lid:
        return None
    if abs(y - (top_centre + lid)) < 1 or abs(dx) > 0.94 or abs(y - (bottom_centre + lid)) < 1:
        return (96, 64, 0)
    if y < top_centre + lid:
        return (255, 232, 128)
    shade = int(40 * abs(dx))
    return (232 - shade, 200 - shade, 64)


def sheet(x, y, left, top, width, height):
    """The colour of a backup file at (x, y), or None outside it: a white page with ruled lines."""
    if not (left <= x < left + width and top <= y < top + height):
        return None
    if x in (left, left + width - 1) or y in (top, top + height - 1):
        return (0, 0, 0)
    if (y - top) % 5 == 0 and left + 3 <= x < left + width - 3:
        return (96, 96, 160)
    return (250, 250, 250)


def arrow(x, y, cx, top, length, down):
    """A green arrow of the given length pointing down (backup) or up (restore)."""
    head = max(4, length // 3)
    t = (y - top) if down else (top + length - 1 - y)
    if not (0 <= t < length):
        return None
    half = 2 if t < length - head else (length - t)
    return (0, 150, 0) if abs(x - cx) <= half else None


def picture(figures, background):
    def pixel(x, y):
        for figure in figures:
            colour = figure(x, y)
            if colour:
                return colour
        return background(x, y)

    return pixel


def gradient(x, y):
    t = y / 313
    return (int(16 + 40 * t), int(48 + 80 * t), int(128 + 100 * t))


def light(x, y):
    return (236, 240, 248)


def watermark(down):
    return picture(
        [
            lambda x, y: cylinder(x, y, 42, 70 if down else 200, 80, 70),
            lambda x, y: arrow(x, y, 82, 150, 40, down),
            lambda x, y: sheet(x, y, 52, 200 if down else 70, 60, 70),
        ],
        gradient,
    )


def header(down):
    return picture(
        [
            lambda x, y: cylinder(x, y, 4, 10, 20, 28),
            lambda x, y: arrow(x, y, 30, 18, 12, down),
            lambda x, y: sheet(x, y, 36, 12, 11, 24),
        ],
        light,
    )


here = os.path.dirname(os.path.abspath(__file__))
# The icon of a database's General page is the database node's picture.
write_ico(os.path.join(here, "..", "database.ico"), [SMALL[5], LARGE[5]])
for name, down in (("backup", True), ("restore", False)):
    write_bmp(os.path.join(here, "..", name + "_watermark.bmp"), 164, 314, watermark(down))
    write_bmp(os.path.join(here, "..", name + "_header.bmp"), 49, 49, header(down))
