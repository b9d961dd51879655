#!/usr/bin/env python3
"""Draws the pictures of the Register Server wizard and writes them as Windows bitmap files.

The wizard shows a watermark on its welcome and finish pages (register_watermark.bmp, 164 x 314) and a
header image on its interior pages (register_header.bmp, 49 x 49); the server-group node hands both to
the console. Both are 24 bits per pixel: a blue gradient with a stack of three servers on the watermark,
one server on a light ground in the header. Run this script after changing a picture; it rewrites the
two files in the folder above its own. Standard library only.
"""

import os
import struct


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


def server_box(x, y, left, top, width, height):
    """The colour of a server front at (x, y), or None outside it: grey case, black outline, drive
    slots and a green light."""
    if not (left <= x < left + width and top <= y < top + height):
        return None
    if x in (left, left + width - 1) or y in (top, top + height - 1):
        return (0, 0, 0)
    inner_x, inner_y = x - left, y - top
    if inner_y in (height // 3, 2 * height // 3) and 3 <= inner_x < width - 10:
        return (64, 64, 64)
    if width - 7 <= inner_x < width - 4 and height // 2 - 1 <= inner_y <= height // 2 + 1:
        return (0, 200, 0)
    shade = 208 - (inner_y * 48) // height
    return (shade, shade, shade)


def watermark(x, y):
    for index in range(3):
        colour = server_box(x, y, 30, 90 + index * 50, 104, 40)
        if colour:
            return colour
    t = y / 313
    return (int(16 + 40 * t), int(48 + 80 * t), int(128 + 100 * t))


def header(x, y):
    colour = server_box(x, y, 8, 14, 33, 22)
    return colour if colour else (236, 240, 248)


here = os.path.dirname(os.path.abspath(__file__))
write_bmp(os.path.join(here, "..", "register_watermark.bmp"), 164, 314, watermark)
write_bmp(os.path.join(here, "..", "register_header.bmp"), 49, 49, header)
