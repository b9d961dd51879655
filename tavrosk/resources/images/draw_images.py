#!/usr/bin/env python3
"""Draws the snap-in's node images and its icon, and writes them as Windows bitmap files.

The console shows every scope and result item with an image from two strips that the snap-in hands it:
fifteen 16 x 16 images side by side (small_images.bmp, 240 x 16) and the same fifteen drawn again at
32 x 32 (large_images.bmp, 480 x 32). The icon (snapin.ico) holds a 16 x 16 and a 32 x 32 image of the
snap-in itself. Everything is 4 bits per pixel in the standard 16-colour palette, in the style of classic
toolbar images: black outlines, light from the top left. White is the transparent colour of the strips,
so white appears only in the background; the figures use light grey where white would be.

The images are pixel art: the small ones as text grids, the large ones from drawing primitives and a few
grids of their own, because a 32 x 32 image scaled up from 16 x 16 looks coarse. Run this script after
changing a picture; it rewrites the three files in the folder above its own. Standard library only.
"""

import os
import struct

# The standard 16-colour palette of 4-bit bitmaps, in palette order, and the letter each colour has in
# the grids below. White is "." because in the strips it is the background.
PALETTE = [
    ("K", (0x00, 0x00, 0x00)),  # black
    ("r", (0x80, 0x00, 0x00)),  # maroon
    ("g", (0x00, 0x80, 0x00)),  # green
    ("o", (0x80, 0x80, 0x00)),  # olive
    ("n", (0x00, 0x00, 0x80)),  # navy
    ("p", (0x80, 0x00, 0x80)),  # purple
    ("t", (0x00, 0x80, 0x80)),  # teal
    ("s", (0xC0, 0xC0, 0xC0)),  # silver
    ("d", (0x80, 0x80, 0x80)),  # grey
    ("R", (0xFF, 0x00, 0x00)),  # red
    ("G", (0x00, 0xFF, 0x00)),  # lime
    ("Y", (0xFF, 0xFF, 0x00)),  # yellow
    ("B", (0x00, 0x00, 0xFF)),  # blue
    ("M", (0xFF, 0x00, 0xFF)),  # fuchsia
    ("C", (0x00, 0xFF, 0xFF)),  # aqua
    (".", (0xFF, 0xFF, 0xFF)),  # white: the transparent background
]
INDEX = {letter: i for i, (letter, _) in enumerate(PALETTE)}
WHITE = INDEX["."]
IMAGE_COUNT = 15


class Canvas:
    """A square of palette indices, white to begin with."""

    def __init__(self, size):
        self.size = size
        self.px = [[WHITE] * size for _ in range(size)]

    def put(self, x, y, c):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.px[y][x] = INDEX[c]

    def get(self, x, y):
        return PALETTE[self.px[y][x]][0]

    def fill(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        self.fill(x0, y0, x1, y0, c)
        self.fill(x0, y1, x1, y1, c)
        self.fill(x0, y0, x0, y1, c)
        self.fill(x1, y0, x1, y1, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.put(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def ellipse(self, x0, y0, x1, y1, fill=None, edge=None):
        """The ellipse inscribed in the box (inclusive), filled and outlined with 4-connected edges."""
        inside = set()
        cx, cy = (x0 + x1 + 1) / 2, (y0 + y1 + 1) / 2
        rx, ry = (x1 - x0 + 1) / 2, (y1 - y0 + 1) / 2
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                if ((x + 0.5 - cx) / rx) ** 2 + ((y + 0.5 - cy) / ry) ** 2 <= 1.0:
                    inside.add((x, y))
        for x, y in inside:
            rim = any(n not in inside for n in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)))
            if rim and edge:
                self.put(x, y, edge)
            elif fill:
                self.put(x, y, fill)
        return inside

    def polygon(self, points, c):
        """Fills the pixels whose centres lie inside the polygon."""
        ys = [p[1] for p in points]
        for y in range(int(min(ys)), int(max(ys)) + 1):
            yc = y + 0.5
            xs = []
            for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
                if (ay <= yc < by) or (by <= yc < ay):
                    xs.append(ax + (yc - ay) * (bx - ax) / (by - ay))
            xs.sort()
            for a, b in zip(xs[0::2], xs[1::2]):
                for x in range(int(a + 0.5), int(b + 0.5)):
                    self.put(x, y, c)

    def stamp(self, grid, x, y):
        """Copies a grid onto the canvas; "." in the grid leaves the canvas as it is."""
        for dy, row in enumerate(grid):
            for dx, c in enumerate(row):
                if c != ".":
                    self.put(x + dx, y + dy, c)


def grid(size, rows, stamps=()):
    assert len(rows) == size and all(len(r) == size for r in rows), rows
    c = Canvas(size)
    c.stamp(rows, 0, 0)
    for g, x, y in stamps:
        c.stamp(g, x, y)
    return c


# ---------------------------------------------------------------------------------------------------------
# Small images (16 x 16). Parts that recur are grids of their own, stamped into place.

S_TOWER = [
    "..KKKKKKKKK",
    ".KsssssssKK",
    "KKKKKKKKKdK",
    "KssssssdKdK",
    "KsKKKKsdKdK",
    "KssssssdKdK",
    "KsKKKKsdKdK",
    "KssssssdKdK",
    "KssssssdKdK",
    "KssssssdKdK",
    "KssssssdKdK",
    "KssssGsdKdK",
    "KssssssdKdK",
    "KssssssdKK.",
    "KddddddddK.",
    "KKKKKKKKK..",
]

S_CLOCK = [
    "..KKKKK..",
    ".KYYYYYK.",
    "KYYYKYYYK",
    "KYYYKYYYK",
    "KYYYKKKYK",
    "KYYYYYYYK",
    "KYYYYYYoK",
    ".KYYYYoK.",
    "..KKKKK..",
]

S_SHEET = [
    "KKKKKKKK...",
    "KssssssKK..",
    "KssssssKsK.",
    "KssssssKKKK",
    "KsKKKKsssdK",
    "KssssssssdK",
    "KsKKKKKKsdK",
    "KssssssssdK",
    "KsKKKKKssdK",
    "KssssssssdK",
    "KsKKKKKKsdK",
    "KssssssssdK",
    "KdddddddddK",
    "KKKKKKKKKKK",
]

S_TICK = [
    ".......KK",
    "......KGK",
    ".....KGgK",
    "KK..KGgK.",
    "KGKKGgK..",
    "KgGGgK...",
    ".KggK....",
    "..KK.....",
]

S_STOP = [
    "..KKK..",
    ".KRRRK.",
    "KRRRRRK",
    "KsssssK",
    "KRRRRRK",
    ".KRRRK.",
    "..KKK..",
]

S_PERSON = [
    "...KKKK...",
    "..KrrrrK..",
    "..KrYYYK..",
    "..KYYYoK..",
    "..KYYYoK..",
    "...KooK...",
    ".KKBBBBKK.",
    "KBBBBBBnnK",
    "KBBBBBBnnK",
    "KBBBBBBnnK",
    "KKKKKKKKKK",
]
S_PERSON_TEAL = [row.replace("B", "t") for row in S_PERSON]

S_KEY = [
    ".KKKK.........",
    "KYYYYK........",
    "KYKKYKKKKKKKKK",
    "KYKKYYYYYYYYoK",
    "KoYYoKKKKoKoKK",
    ".KKKK...KKKK..",
]

SMALL = [
    # 0 the snap-in: a console window with a database in front of it
    grid(16, [
        "KKKKKKKKKKKKK...",
        "KnnnnnnnnnnnK...",
        "KKKKKKKKKKKKK...",
        "KssssssssssdK...",
        "KsKKKKKKsssdK...",
        "KssssssssssdK...",
        "KsKKKKs..KKKKK..",
        "Kssssss.KsssssK.",
        "KsKKKK.KsssssssK",
        "Ksssss.KKsssssKK",
        "KKKKKK.KsKKKKKdK",
        ".......KssssssdK",
        ".......KKssssdKK",
        ".......KsKKKKKdK",
        ".......KssssssdK",
        "........KKKKKKK.",
    ]),
    # 1 server group: two servers
    grid(16, ["." * 16] * 16, [(S_TOWER, 5, 0), (S_TOWER, 0, 0)]),
    # 2 server
    grid(16, ["." * 16] * 16, [(S_TOWER, 2, 0)]),
    # 3 closed folder
    grid(16, [
        "................",
        "................",
        "................",
        "..KKKKK.........",
        ".KYYYYYK........",
        "KYYYYYYYKKKKKKK.",
        "KYYYYYYYYYYYYYoK",
        "KYYYYYYYYYYYYYoK",
        "KYYYYYYYYYYYYYoK",
        "KYYYYYYYYYYYYYoK",
        "KYYYYYYYYYYYYYoK",
        "KYYYYYYYYYYYYYoK",
        "KYYYYYYYYYYYYYoK",
        "KooooooooooooooK",
        "KKKKKKKKKKKKKKKK",
        "................",
    ]),
    # 4 open folder
    grid(16, [
        "................",
        "................",
        "................",
        ".KKKK...........",
        "KooooK..........",
        "KoooooKKKKKKKK..",
        "KoooooooooooooK.",
        "KoooKKKKKKKKKKKK",
        "KooKYYYYYYYYYYYK",
        "KooKYYYYYYYYYYK.",
        "KoKYYYYYYYYYYYK.",
        "KoKYYYYYYYYYYK..",
        "KKYYYYYYYYYYYK..",
        "KKYYYYYYYYYYoK..",
        "KKKKKKKKKKKKK...",
        "................",
    ]),
    # 5 database
    grid(16, [
        "................",
        ".....KKKKKK.....",
        "...KKssssssKK...",
        "..KssssssssssK..",
        "..KKKssssssKKK..",
        "..KssKKKKKKddK..",
        "..KssssssssddK..",
        "..KssssssssddK..",
        "..KKKssssssKKK..",
        "..KssKKKKKKddK..",
        "..KssssssssddK..",
        "..KssssssssddK..",
        "..KssssssssddK..",
        "...KKssssddKK...",
        ".....KKKKKK.....",
        "................",
    ]),
    # 6 agent: a server with a clock
    grid(16, ["." * 16] * 16, [(S_TOWER, 0, 0), (S_CLOCK, 7, 7)]),
    # 7 jobs: a stack of task sheets
    grid(16, ["." * 16] * 16, [(S_SHEET, 4, 0), (S_SHEET, 2, 1), (S_SHEET, 0, 2)]),
    # 8 enabled job
    grid(16, ["." * 16] * 16, [(S_SHEET, 1, 1), (S_TICK, 7, 8)]),
    # 9 disabled job
    grid(16, ["." * 16] * 16, [(S_SHEET, 1, 1), (S_STOP, 9, 9)]),
    # 10 job step: a numbered list
    grid(16, [
        "................",
        ".KKKKKKKKKKKKK..",
        ".KssssssssssdK..",
        ".KssnsssssssdK..",
        ".KsnnsKKKKKsdK..",
        ".KssnsssssssdK..",
        ".KssnsKKKKssdK..",
        ".KsnnnssssssdK..",
        ".KssssssssssdK..",
        ".KsnnnssssssdK..",
        ".KsssnsKKKKsdK..",
        ".KsnnnssssssdK..",
        ".KsnssKKKsssdK..",
        ".KsnnnssssssdK..",
        ".KdddddddddddK..",
        ".KKKKKKKKKKKKK..",
    ]),
    # 11 schedule: a calendar page
    grid(16, [
        "...K....K.......",
        "..KdK..KdK......",
        "KKKdKKKKdKKKKKK.",
        "KRRKRRRRKRRRRrK.",
        "KRRRRRRRRRRRRrK.",
        "KKKKKKKKKKKKKKK.",
        "KsdsdsdsdsdsdsK.",
        "KddddddddddddsK.",
        "KsdsdsdsdRdsdsK.",
        "KddddddddddddsK.",
        "KsdsdsdsdsdsdsK.",
        "KddddddddddddsK.",
        "KsdsdsdsdsdsdsK.",
        "KsssssssssssssK.",
        "KKKKKKKKKKKKKKK.",
        "................",
    ]),
    # 12 logins: keys on a ring
    grid(16, ["." * 16] * 16, [(S_KEY, 2, 3), (S_KEY, 0, 8)]),
    # 13 login: a person with a key
    grid(16, ["." * 16] * 16, [(S_PERSON, 0, 2), (S_KEY, 2, 10)]),
    # 14 users: two people
    grid(16, ["." * 16] * 16, [(S_PERSON_TEAL, 6, 0), (S_PERSON, 0, 5)]),
]


# ---------------------------------------------------------------------------------------------------------
# Large images (32 x 32). Shapes that recur are functions of their box; small details are grids.

def shade(x, x0, x1):
    """Body colour of a rounded grey object lit from the left: silver, a dithered seam, grey."""
    u = (x - x0) / max(1, x1 - x0)
    return "s" if u < 0.62 else ("d" if u >= 0.75 else None)


def cylinder(c, x0, y0, x1, y1, cap, bands=()):
    """A grey drum: body between two ellipses of height cap, with darker rings at the band rows."""
    def paint(points):
        for x, y in points:
            s = shade(x, x0, x1)
            c.put(x, y, s if s else ("s" if (x + y) % 2 else "d"))
    body = [(x, y) for x in range(x0, x1 + 1) for y in range(y0 + cap // 2, y1 - cap // 2 + 1)]
    paint(body)
    bottom = c.ellipse(x0, y1 - cap + 1, x1, y1)
    paint(bottom)
    mid = y1 - cap // 2
    for x, y in bottom:
        if y >= mid and ((x, y + 1) not in bottom or x in (x0, x1)):
            c.put(x, y, "K")
    for b in bands:
        ring = c.ellipse(x0, b - cap + 1, x1, b)
        for x, y in ring:
            if y >= b - cap // 2 and (x, y + 1) not in ring:
                c.put(x, y, "K")
    c.fill(x0, y0 + cap // 2, x0, y1 - cap // 2, "K")
    c.fill(x1, y0 + cap // 2, x1, y1 - cap // 2, "K")
    c.ellipse(x0, y0, x1, y0 + cap - 1, fill="s", edge="K")


def tower(c, x, y, w, h, d, bays=2):
    """A server box seen from the front, a little from the right and above: front face w x h, depth d."""
    fy = y + d
    for r in range(d):  # the top face, lit
        c.fill(x + d - r, y + r, x + w - 1 + d - r, y + r, "s")
        c.put(x + d - r, y + r, "K")
        c.put(x + w - 1 + d - r, y + r, "K")
    c.fill(x + d, y, x + w - 1 + d, y, "K")
    for k in range(1, d + 1):  # the right side, in shadow
        cx = x + w - 1 + k
        c.fill(cx, fy - k, cx, fy + h - 1 - k, "K" if k == d else "d")
        c.put(cx, fy + h - 1 - k, "K")
    c.fill(x, fy, x + w - 1, fy + h - 1, "s")
    c.frame(x, fy, x + w - 1, fy + h - 1, "K")
    c.fill(x + w - 2, fy + 1, x + w - 2, fy + h - 2, "d")
    c.fill(x + 1, fy + h - 2, x + w - 2, fy + h - 2, "d")
    # drive bays: a dark slot under a lit lip, then a floppy slot and the power light
    by = fy + 3
    for _ in range(bays):
        c.fill(x + 2, by, x + w - 4, by + 2, "d")
        c.frame(x + 2, by, x + w - 4, by + 2, "K")
        c.fill(x + 3, by + 1, x + w - 5, by + 1, "s")
        c.put(x + w - 6, by + 1, "K")
        by += 4
    c.fill(x + w // 2, by + 1, x + w - 4, by + 1, "K")
    c.fill(x + w - 5, fy + h - 6, x + w - 4, fy + h - 5, "G")
    c.put(x + w - 4, fy + h - 5, "g")
    for vy in range(by + 4, fy + h - 7, 2):  # vents
        c.fill(x + 2, vy, x + w // 2 - 1, vy, "d")


def folder(c, x0, y0, x1, y1, open_=False):
    """A yellow folder with its tab at the top left; open, the front flap leans forward."""
    tab = (x1 - x0) * 2 // 5
    if not open_:
        c.fill(x0 + 1, y0, x0 + tab - 1, y0 + 2, "Y")
        c.fill(x0 + 2, y0, x0 + tab - 2, y0, "K")
        c.put(x0 + 1, y0 + 1, "K")
        c.put(x0 + tab - 1, y0 + 1, "K")
        c.fill(x0, y0 + 2, x0, y1, "K")
        c.put(x0 + tab, y0 + 2, "K")
        c.fill(x0 + tab, y0 + 3, x1 - 1, y0 + 3, "K")
        c.fill(x0 + 1, y0 + 4, x1 - 1, y1 - 1, "Y")
        c.fill(x0 + 1, y0 + 2, x0 + 1, y1 - 1, "Y")
        c.fill(x0 + 1, y0 + 3, x0 + tab - 1, y0 + 3, "Y")
        c.fill(x1, y0 + 4, x1, y1, "K")
        c.fill(x0, y1, x1, y1, "K")
        c.fill(x1 - 1, y0 + 5, x1 - 1, y1 - 1, "o")
        c.fill(x0 + 1, y1 - 1, x1 - 1, y1 - 1, "o")
        return
    # back panel
    c.fill(x0, y0 + 2, x0 + tab - 1, y1, "o")
    c.fill(x0 + 1, y0, x0 + tab - 1, y0 + 2, "o")
    c.fill(x0 + 2, y0, x0 + tab - 2, y0, "K")
    c.put(x0 + 1, y0 + 1, "K")
    c.put(x0 + tab - 1, y0 + 1, "K")
    c.fill(x0, y0 + 2, x0, y1, "K")
    c.fill(x0 + tab, y0 + 2, x1 - 3, y0 + 2, "K")
    c.fill(x0 + 1, y0 + 3, x1 - 3, y1 - 1, "o")
    c.fill(x1 - 3, y0 + 2, x1 - 3, y0 + 7, "K")
    # front flap, leaning towards the viewer
    top, lean = y0 + 8, (x1 - x0) // 5
    corners = [(x0 + lean, top), (x1, top), (x1 - lean, y1), (x0, y1)]
    c.polygon([(px + 0.5, py + 0.5) for px, py in corners], "Y")
    c.line(x0 + lean, top, x1, top, "K")
    c.line(x1, top, x1 - lean, y1, "K")
    c.line(x0 + lean, top, x0, y1, "K")
    c.fill(x0, y1, x1 - lean, y1, "K")
    c.line(x1 - 1, top + 1, x1 - lean - 1, y1 - 1, "o")
    c.fill(x0 + 1, y1 - 1, x1 - lean - 1, y1 - 1, "o")


def sheet(c, x0, y0, x1, y1, lines=True, outline="K", ink="K"):
    """A task sheet with its top right corner folded down, and lines of text."""
    ear = max(3, (x1 - x0) // 4)
    for y in range(y0, y1 + 1):
        right = x1 if y >= y0 + ear else x1 - ear + (y - y0)
        c.fill(x0, y, right, y, "s")
    c.fill(x0, y0, x1 - ear, y0, outline)
    c.fill(x0, y0, x0, y1, outline)
    c.fill(x0, y1, x1, y1, outline)
    c.fill(x1, y0 + ear, x1, y1, outline)
    c.line(x1 - ear, y0, x1, y0 + ear, outline)
    c.fill(x1 - ear, y0, x1 - ear, y0 + ear, outline)
    c.fill(x1 - ear, y0 + ear, x1, y0 + ear, outline)
    c.fill(x1 - 1, y0 + ear + 1, x1 - 1, y1 - 1, "d")
    c.fill(x0 + 1, y1 - 1, x1 - 1, y1 - 1, "d")
    if lines:
        y = y0 + 3
        n = 0
        while y < y1 - 3:
            right = (x1 - ear - 2) if y <= y0 + ear else (x1 - 3 - (n % 3) * 2)
            c.fill(x0 + 3, y, right, y, ink)
            y += 3
            n += 1


L_TICK = [
    "..........KKK",
    ".........KGGK",
    "........KGGgK",
    ".......KGGgK.",
    "KKK...KGGgK..",
    "KGGK.KGGgK...",
    "KgGGKGGgK....",
    ".KgGGGgK.....",
    "..KgGgK......",
    "...KgK.......",
    "....K........",
]


def clock(c, x0, y0, size):
    """A yellow clock face at ten past twelve, size pixels across."""
    c.ellipse(x0, y0, x0 + size - 1, y0 + size - 1, fill="Y", edge="K")
    inner = c.ellipse(x0 + 1, y0 + 1, x0 + size - 2, y0 + size - 2)
    for x, y in inner:  # the rim is shaded on the lower right
        if (x - x0) + (y - y0) > size + size // 3 and ((x + 1, y + 1) not in inner):
            c.put(x, y, "o")
    m = x0 + size // 2
    c.put(m, y0 + 2, "K")
    c.put(m, y0 + size - 3, "K")
    c.put(x0 + 2, y0 + size // 2, "K")
    c.put(x0 + size - 3, y0 + size // 2, "K")
    c.fill(m, y0 + 4, m, y0 + size // 2, "K")
    c.fill(m, y0 + size // 2, m + size // 2 - 4, y0 + size // 2, "K")
    c.put(m, y0 + size // 2, "R")


def stop(c, x0, y0, size):
    """A red no-entry disc, size pixels across."""
    c.ellipse(x0, y0, x0 + size - 1, y0 + size - 1, fill="R", edge="K")
    inner = c.ellipse(x0 + 1, y0 + 1, x0 + size - 2, y0 + size - 2)
    for x, y in inner:
        if (x - x0) + (y - y0) > size + size // 3 and ((x + 1, y + 1) not in inner):
            c.put(x, y, "r")
    m = y0 + size // 2
    c.fill(x0 + 2, m - 1, x0 + size - 3, m, "s")


def person(c, x, y, shirt="B", dark="n"):
    """Head and shoulders, 18 wide and 22 tall, lit from the left."""
    body = c.ellipse(x, y + 11, x + 17, y + 32, fill=shirt, edge="K")
    c.fill(x, y + 22, x + 17, y + 32, ".")
    c.fill(x + 1, y + 21, x + 16, y + 21, "K")
    for bx, by in body:
        if by < y + 21 and bx >= x + 12 and c.get(bx, by) == shirt:
            c.put(bx, by, dark)
    head = c.ellipse(x + 4, y, x + 13, y + 11, fill="Y", edge="K")
    for hx, hy in head:
        hairline = y + 3 if abs(hx - (x + 8.5)) > 3 else y + 2  # lower at the temples
        if c.get(hx, hy) == "Y" and hy <= hairline:
            c.put(hx, hy, "r")
        elif c.get(hx, hy) == "Y" and c.get(hx + 1, hy) == "K" and hx > x + 9:
            c.put(hx, hy, "o")
    c.fill(x + 7, y + 12, x + 10, y + 12, "o")  # the shadow under the chin


def key(c, x, y):
    """A gold key lying flat, 22 wide and 10 tall, ring on the left."""
    c.ellipse(x, y, x + 9, y + 9, fill="Y", edge="K")
    c.ellipse(x + 3, y + 3, x + 6, y + 6, fill=".", edge="K")
    c.fill(x + 9, y + 3, x + 21, y + 6, "K")
    c.fill(x + 9, y + 4, x + 20, y + 4, "Y")
    c.fill(x + 9, y + 5, x + 20, y + 5, "o")
    c.fill(x + 14, y + 7, x + 20, y + 8, "K")
    c.fill(x + 15, y + 7, x + 16, y + 7, "o")
    c.fill(x + 18, y + 7, x + 20, y + 7, "o")
    c.put(x + 17, y + 8, ".")
    c.put(x + 21, y + 8, ".")
    for yy in range(y + 1, y + 9):  # shade the ring on the lower right
        for xx in range(x + 5, x + 9):
            if c.get(xx, yy) == "Y" and c.get(xx + 1, yy + 1) == "K" and yy > y + 5:
                c.put(xx, yy, "o")


DIGITS = {
    "1": [".n.", "nn.", ".n.", ".n.", "nnn"],
    "2": ["nnn", "..n", "nnn", "n..", "nnn"],
    "3": ["nnn", "..n", ".nn", "..n", "nnn"],
}


def draw_root(c):
    c.fill(0, 2, 23, 21, "s")
    c.frame(0, 2, 23, 21, "K")
    c.fill(1, 3, 22, 6, "n")
    c.fill(1, 7, 22, 7, "K")
    for bx in (16, 19):
        c.fill(bx, 4, bx + 1, 5, "s")
    c.fill(2, 4, 11, 4, "B")
    c.fill(8, 8, 8, 20, "d")  # splitter between the tree and the list
    c.fill(22, 8, 22, 20, "d")
    c.fill(1, 20, 22, 20, "d")
    for i, (ix, iy) in enumerate(((2, 9), (4, 12), (4, 15), (6, 18))):
        c.fill(ix, iy, ix + 1, iy + 1, "Y" if i != 1 else "n")
    c.fill(3, 11, 3, 16, "d")
    for ly in (10, 13, 16):
        c.fill(10, ly, 20, ly, "K")
    # a margin of background around the drum keeps its outline apart from the window's
    c.ellipse(14, 12, 31, 19, fill=".", edge=".")
    c.fill(14, 15, 31, 31, ".")
    cylinder(c, 15, 13, 30, 30, 6, bands=(24,))


def draw_server_group(c):
    tower(c, 13, 0, 14, 24, 4)
    tower(c, 2, 6, 14, 24, 4)


def draw_server(c):
    tower(c, 6, 0, 16, 27, 5)


def draw_agent(c):
    tower(c, 2, 0, 15, 26, 5)
    clock(c, 15, 15, 16)


def draw_jobs(c):
    sheet(c, 12, 1, 29, 22)
    sheet(c, 7, 5, 24, 26)
    sheet(c, 2, 9, 19, 30)


def draw_enabled_job(c):
    sheet(c, 3, 1, 24, 29)
    c.stamp(L_TICK, 17, 18)


def draw_disabled_job(c):
    sheet(c, 3, 1, 24, 29, outline="d", ink="d")
    stop(c, 17, 18, 13)


def draw_job_step(c):
    sheet(c, 4, 1, 27, 30, lines=False)
    for i, d in enumerate("123"):
        y = 5 + i * 8
        c.stamp(DIGITS[d], 8, y)
        c.fill(13, y + 1, 22, y + 1, "K")
        c.fill(13, y + 3, 19 - i, y + 3, "K")


def draw_schedule(c):
    c.fill(1, 4, 29, 29, "s")
    c.frame(1, 4, 29, 29, "K")
    c.fill(2, 5, 28, 9, "R")
    c.fill(2, 9, 28, 9, "r")
    c.fill(2, 10, 28, 10, "K")
    for rx in (7, 22):  # binding rings
        c.fill(rx, 1, rx + 1, 7, "K")
        c.fill(rx, 2, rx, 6, "d")
    for col in range(7):
        for row in range(5):
            cx, cy = 3 + col * 4, 12 + row * 3
            c.fill(cx, cy, cx + 2, cy + 1, "d")
    c.fill(3 + 4 * 4, 12 + 2 * 3, 3 + 4 * 4 + 2, 12 + 2 * 3 + 1, "R")
    c.fill(28, 11, 28, 28, "d")
    c.fill(2, 28, 28, 28, "d")


def draw_logins(c):
    key(c, 8, 5)
    key(c, 1, 16)


def draw_login(c):
    person(c, 2, 3)
    key(c, 9, 21)


def draw_users(c):
    person(c, 13, 1, shirt="t", dark="n")
    person(c, 1, 9)


def large(draw):
    c = Canvas(32)
    draw(c)
    return c


LARGE = [
    large(draw_root),
    large(draw_server_group),
    large(draw_server),
    large(lambda c: folder(c, 1, 5, 30, 27)),
    large(lambda c: folder(c, 1, 5, 30, 27, open_=True)),
    large(lambda c: cylinder(c, 4, 2, 27, 29, 8, bands=(13, 21))),
    large(draw_agent),
    large(draw_jobs),
    large(draw_enabled_job),
    large(draw_disabled_job),
    large(draw_job_step),
    large(draw_schedule),
    large(draw_logins),
    large(draw_login),
    large(draw_users),
]
# The snap-in's icon is the picture of its root node.
ICON = {16: SMALL[0], 32: LARGE[0]}


# ---------------------------------------------------------------------------------------------------------
# File formats.

def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for _, (r, g, b) in PALETTE)


def pack_4bpp(rows):
    """Pixel rows (top first) as bottom-up 4-bit rows, left pixel in the high nibble, padded to 4 bytes."""
    out = b""
    for row in reversed(rows):
        data = bytearray()
        for x in range(0, len(row), 2):
            data.append((row[x] << 4) | (row[x + 1] if x + 1 < len(row) else 0))
        data += b"\0" * (-len(data) % 4)
        out += bytes(data)
    return out


def info_header(width, height, image_size):
    # 2835 pixels per metre is 72 dots per inch; the console ignores it.
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, image_size, 2835, 2835, 16, 0)


def write_bmp(path, canvases):
    size = canvases[0].size
    rows = [sum((c.px[y] for c in canvases), []) for y in range(size)]
    bits = pack_4bpp(rows)
    header = info_header(size * len(canvases), size, len(bits)) + palette_bytes()
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(bits), 0, 0, 14 + len(header))
    with open(path, "wb") as f:
        f.write(file_header + header + bits)


def icon_image(canvas):
    """One icon image: the colour bits (black where transparent) and the AND mask (1 = transparent)."""
    size = canvas.size
    colour = [[0 if i == WHITE else i for i in row] for row in canvas.px]
    mask = b""
    for row in reversed(canvas.px):
        bits = bytearray((size + 7) // 8)
        for x, i in enumerate(row):
            if i == WHITE:
                bits[x // 8] |= 0x80 >> (x % 8)
        bits += b"\0" * (-len(bits) % 4)
        mask += bytes(bits)
    xor = pack_4bpp(colour)
    # The height of an icon image counts the colour bits and the mask together.
    return info_header(size, size * 2, len(xor) + len(mask)) + palette_bytes() + xor + mask


def write_ico(path, canvases):
    images = [icon_image(c) for c in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, data in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.size, c.size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


def main():
    assert len(SMALL) == IMAGE_COUNT and len(LARGE) == IMAGE_COUNT
    out = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    write_bmp(os.path.join(out, "small_images.bmp"), SMALL)
    write_bmp(os.path.join(out, "large_images.bmp"), LARGE)
    write_ico(os.path.join(out, "snapin.ico"), [ICON[16], ICON[32]])


if __name__ == "__main__":
    main()
