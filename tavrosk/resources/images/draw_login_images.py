#!/usr/bin/env python3
"""Draws the pictures of the logins: the icon of a login's General page (login.ico, from the login
node's pictures) and the Add / Modify Login wizard's watermark (login_watermark.bmp, 164 x 314) and
header image (login_header.bmp, 49 x 49), which the logins container hands to the console. The wizard's
pictures show a person with a gold key. 24 bits per pixel. Run this script after changing a picture; it
rewrites the three files in the folder above its own. Standard library only.
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


def in_ellipse(x, y, cx, cy, rx, ry):
    return ((x + 0.5 - cx) / rx) ** 2 + ((y + 0.5 - cy) / ry) ** 2 <= 1


def person(x, y, cx, top, scale):
    """A person's head and shoulders: skin-coloured head over a blue body."""
    if in_ellipse(x, y, cx, top + 9 * scale, 7 * scale, 8 * scale):
        return (240, 200, 150)
    if y >= top + 17 * scale and in_ellipse(x, y, cx, top + 30 * scale, 13 * scale, 12 * scale):
        return (40, 80, 170)
    return None


def key(x, y, left, top, scale):
    """A gold key lying flat, ring on the left."""
    r = 5 * scale
    if in_ellipse(x, y, left + r, top + r, r, r) and not in_ellipse(x, y, left + r, top + r, r / 2.5, r / 2.5):
        return (220, 170, 30)
    if left + 2 * r - 1 <= x < left + 2 * r + 12 * scale and top + r - 1.5 * scale <= y < top + r + 1.5 * scale:
        return (220, 170, 30)
    if left + 2 * r + 8 * scale <= x < left + 2 * r + 12 * scale and top + r <= y < top + r + 4 * scale:
        return (220, 170, 30)
    return None


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


here = os.path.dirname(os.path.abspath(__file__))
# The icon of a login's General page is the login node's picture.
write_ico(os.path.join(here, "..", "login.ico"), [SMALL[13], LARGE[13]])
write_bmp(
    os.path.join(here, "..", "login_watermark.bmp"),
    164,
    314,
    picture([lambda x, y: key(x, y, 40, 200, 3), lambda x, y: person(x, y, 82, 70, 3)], gradient),
)
write_bmp(
    os.path.join(here, "..", "login_header.bmp"),
    49,
    49,
    picture([lambda x, y: key(x, y, 20, 30, 1), lambda x, y: person(x, y, 18, 4, 1)], light),
)
