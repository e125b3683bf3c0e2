#!/usr/bin/env python3
"""Draws the window icon (32 x 32) and the banner (187 x 48), both 24-bit.

Run it from anywhere; it rewrites tbo.ico and banner.bmp beside itself.
Standard library only, so the pictures can be remade on any machine.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


class Canvas:
    def __init__(self, w, h, fill):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]
        self.mask = [[False] * w for _ in range(h)]  # True: transparent

    def rect(self, x, y, w, h, c):
        for yy in range(max(0, y), min(self.h, y + h)):
            for xx in range(max(0, x), min(self.w, x + w)):
                self.px[yy][xx] = c
                self.mask[yy][xx] = False

    def frame(self, x, y, w, h, light, dark):
        self.rect(x, y, w, 1, light)
        self.rect(x, y, 1, h, light)
        self.rect(x, y + h - 1, w, 1, dark)
        self.rect(x + w - 1, y, 1, h, dark)

    def rows_bgr(self):
        stride = (self.w * 3 + 3) & ~3
        out = bytearray()
        for row in reversed(self.px):
            line = bytearray()
            for (r, g, b) in row:
                line += bytes((b, g, r))
            out += line + b"\0" * (stride - len(line))
        return bytes(out)


# A 5 x 7 pixel font, just the letters the pictures need.
GLYPHS = {
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "a": ["00000", "00000", "01110", "00001", "01111", "10001", "01111"],
    "m": ["00000", "00000", "11010", "10101", "10101", "10101", "10101"],
    "b": ["10000", "10000", "10110", "11001", "10001", "10001", "11110"],
    "r": ["00000", "00000", "10110", "11001", "10000", "10000", "10000"],
    "e": ["00000", "00000", "01110", "10001", "11111", "10000", "01110"],
    "l": ["01100", "00100", "00100", "00100", "00100", "00100", "01110"],
    "o": ["00000", "00000", "01110", "10001", "10001", "10001", "01110"],
    "s": ["00000", "00000", "01111", "10000", "01110", "00001", "11110"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "?": ["01110", "10001", "00001", "00010", "00100", "00000", "00100"],
    " ": ["000", "000", "000", "000", "000", "000", "000"],
}


def text(cv, x, y, s, c):
    for ch in s:
        g = GLYPHS[ch]
        for dy, row in enumerate(g):
            for dx, bit in enumerate(row):
                if bit == "1":
                    cv.rect(x + dx, y + dy, 1, 1, c)
        x += len(g[0]) + 1
    return x


def monitor(cv, x, y, w, h, screen):
    cv.rect(x, y, w, h, (64, 64, 72))                 # bezel
    cv.rect(x + 2, y + 2, w - 4, h - 5, screen)        # glass
    cv.rect(x + 3, y + 3, w - 10, 2, (200, 230, 255))  # glare
    cv.rect(x + w // 2 - 2, y + h, 4, 3, (64, 64, 72))  # neck
    cv.rect(x + w // 2 - 6, y + h + 3, 12, 2, (40, 40, 48))  # foot


def icon():
    cv = Canvas(32, 32, (0, 0, 0))
    cv.mask = [[True] * 32 for _ in range(32)]
    monitor(cv, 12, 1, 19, 15, (40, 110, 200))
    monitor(cv, 1, 11, 21, 16, (30, 150, 90))
    text(cv, 8, 17, "A", (255, 255, 255))
    bmp = cv.rows_bgr()
    mask = bytearray()
    for row in reversed(cv.mask):
        bits = 0
        for t in row:
            bits = (bits << 1) | (1 if t else 0)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 24, 0, len(bmp) + len(mask), 0, 0, 0, 0)
    image = header + bmp + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 32, 32, 0, 0, 1, 24, len(image), 22)
    return directory + image


def button(cv, x, y, draw):
    cv.rect(x, y, 22, 22, (212, 208, 200))
    cv.frame(x, y, 22, 22, (255, 255, 255), (128, 128, 128))
    draw(x + 3, y + 3)


def banner():
    face = (212, 208, 200)
    cv = Canvas(187, 48, face)
    cv.frame(0, 0, 187, 48, (255, 255, 255), (64, 64, 64))
    cv.rect(2, 2, 183, 13, (10, 36, 106))              # floating toolbar title
    text(cv, 6, 5, "Tambrel Tools", (255, 255, 255))
    cv.rect(172, 4, 9, 9, face)                         # its close box
    cv.frame(172, 4, 9, 9, (255, 255, 255), (64, 64, 64))
    red, blue, green, black = (200, 30, 30), (30, 60, 190), (20, 130, 60), (0, 0, 0)

    def spell(x, y):
        text(cv, x, y, "AB", black)
        cv.rect(x + 3, y + 11, 2, 2, green)
        for i in range(6):
            cv.rect(x + 5 + i, y + 12 - i, 2, 2, green)

    def upper(x, y):
        text(cv, x, y + 4, "AA", blue)
        cv.rect(x + 13, y, 1, 8, red)
        cv.rect(x + 12, y + 1, 3, 1, red)

    def lower(x, y):
        text(cv, x, y + 4, "aa", blue)
        cv.rect(x + 13, y + 4, 1, 8, red)
        cv.rect(x + 12, y + 10, 3, 1, red)

    def convert(x, y):
        cv.rect(x + 1, y + 4, 12, 2, blue)
        cv.rect(x + 11, y + 2, 2, 6, blue)
        cv.rect(x + 3, y + 11, 12, 2, red)
        cv.rect(x + 3, y + 9, 2, 6, red)

    def panel(x, y):
        cv.rect(x, y + 1, 16, 14, (255, 255, 255))
        cv.frame(x, y + 1, 16, 14, (128, 128, 128), black)
        cv.rect(x + 1, y + 2, 14, 3, (10, 36, 106))
        text(cv, x + 5, y + 6, "?", red)

    x = 8
    for draw in (spell, upper, lower, convert, panel):
        button(cv, x, 20, draw)
        x += 24 if draw is not lower else 30          # a group starts at entry 4
    text(cv, x + 4, 27, "Tambrel", (10, 36, 106))
    data = cv.rows_bgr()
    info = struct.pack("<IiiHHIIiiII", 40, 187, 48, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + len(info) + len(data), 0, 0, 14 + len(info)) + info + data


if __name__ == "__main__":
    with open(os.path.join(HERE, "tbo.ico"), "wb") as f:
        f.write(icon())
    with open(os.path.join(HERE, "banner.bmp"), "wb") as f:
        f.write(banner())
