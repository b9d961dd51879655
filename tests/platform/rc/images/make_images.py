#!/usr/bin/env python3
"""Writes the small images of the resource tests. The pixel patterns are the ones the tests compute:
rerun this script only when a test's expectation changes with it."""
import struct

# The 16 colours of the 4-bit images (B, G, R): black, the dark colours, grey, the light colours, white.
PALETTE = [(0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128), (128, 0, 0), (128, 0, 128), (128, 128, 0),
           (192, 192, 192), (128, 128, 128), (0, 0, 255), (0, 255, 0), (0, 255, 255), (255, 0, 0),
           (255, 0, 255), (255, 255, 0), (255, 255, 255)]


def info_header(width, height, bits, colours=0):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, 0, 2835, 2835, colours, 0)


def rows_bottom_up(height, row):
    return b''.join(row(y) for y in reversed(range(height)))


def pad(data):
    return data + b'\0' * (-len(data) % 4)


def strip_index(x, y):
    """The 240 x 16 strip: fifteen 16 x 16 images; image k is colour k on top, 15 - k below."""
    k = x // 16
    return k if y < 8 else 15 - k


def bmp_file(dib_header, colour_table, pixels, gap=0):
    offset = 14 + len(dib_header) + len(colour_table) + gap
    return struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset) + dib_header + colour_table + \
        b'\xAA' * gap + pixels


def strip_bmp():
    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for b, g, r in PALETTE)

    def row(y):
        return pad(bytes((strip_index(x, y) << 4) | strip_index(x + 1, y) for x in range(0, 240, 2)))
    return bmp_file(info_header(240, 16, 4, 16), table, rows_bottom_up(16, row))


def small24_bmp():
    """5 x 3, 24 bits: pixel (x, y) is B = 10x, G = 20y, R = 200; four stray bytes before the pixels."""
    def row(y):
        return pad(b''.join(bytes((10 * x, 20 * y, 200)) for x in range(5)))
    return bmp_file(info_header(5, 3, 24), b'', rows_bottom_up(3, row), gap=4)


def icon_image_4bit(size, index):
    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for b, g, r in PALETTE)
    xor = rows_bottom_up(size, lambda y: pad(bytes((index << 4 | index,) * (size // 2))))
    mask = rows_bottom_up(size, lambda y: pad(bytes(size // 8)))
    return info_header(size, size * 2, 4) + table + xor + mask


def icon_image_32bit():
    """32 x 32: pixel (x, y) is B = 8x, G = 8y, R = 0x80, A = 0xFF; the top-left 8 x 8 is transparent."""
    xor = rows_bottom_up(32, lambda y: b''.join(bytes((8 * x, 8 * y, 0x80, 0xFF)) for x in range(32)))
    mask = rows_bottom_up(32, lambda y: pad(bytes([0xFF if y < 8 else 0, 0, 0, 0])))
    return info_header(32, 64, 32) + xor + mask


def ico_file(images):
    """images: (width, height, bits, data); the directory leaves planes and bit count zero, as many
    writers do."""
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b''
    for width, height, bits, data in images:
        out += struct.pack('<BBBBHHII', width, height, 16 if bits == 4 else 0, 0, 0, 0, len(data), offset)
        offset += len(data)
        body += data
    return out + body


def write(name, data):
    with open(name, 'wb') as f:
        f.write(data)


write('strip.bmp', strip_bmp())
write('small24.bmp', small24_bmp())
# The 32 x 32 image is second, so that choosing it is not an accident of order.
write('app.ico', ico_file([(16, 16, 4, icon_image_4bit(16, 9)), (32, 32, 32, icon_image_32bit())]))
# No 32 x 32 image: the first one is used.
write('nosize.ico', ico_file([(16, 16, 4, icon_image_4bit(16, 12)), (48, 48, 4, icon_image_4bit(48, 10))]))
