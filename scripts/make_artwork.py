#!/usr/bin/env python3
"""Draws the MIDI plug-ins' editor bitmaps as 24-bit BMP files.

The BMP files in arp/resources and keyswitch/resources are the source images the libraries
embed; run this script again after changing the drawing below.
"""
import os
import struct
import sys

# 5 x 7 letters for the logos.
GLYPHS = {
    'V': ["1...1", "1...1", "1...1", "1...1", ".1.1.", ".1.1.", "..1.."],
    'X': ["1...1", ".1.1.", ".1.1.", "..1..", ".1.1.", ".1.1.", "1...1"],
    'A': [".111.", "1...1", "1...1", "11111", "1...1", "1...1", "1...1"],
    'R': ["1111.", "1...1", "1...1", "1111.", "1.1..", "1..1.", "1...1"],
    'P': ["1111.", "1...1", "1...1", "1111.", "1....", "1....", "1...."],
    'K': ["1...1", "1..1.", "1.1..", "11...", "1.1..", "1..1.", "1...1"],
    'S': [".1111", "1....", "1....", ".111.", "....1", "....1", "1111."],
}


class Image:
    def __init__(self, width, height, colour):
        self.width, self.height = width, height
        self.pixels = [[colour] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, left, top, right, bottom, colour):
        for y in range(top, bottom):
            for x in range(left, right):
                self.set(x, y, colour)

    def text(self, x, y, word, colour):
        for letter in word:
            for row, line in enumerate(GLYPHS[letter]):
                for column, bit in enumerate(line):
                    if bit == "1":
                        self.set(x + column, y + row, colour)
            x += 6

    def save(self, path):
        stride = (self.width * 3 + 3) & ~3
        data = bytearray()
        for row in reversed(self.pixels):  # bottom-up
            line = bytearray()
            for r, g, b in row:
                line += bytes((b, g, r))
            data += line + bytes(stride - len(line))
        header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
        with open(path, "wb") as out:
            out.write(header + info + data)


def blend(a, b, t):
    return tuple(int(a[i] + (b[i] - a[i]) * t) for i in range(3))


def logo(accent, word):
    top, bottom = (40, 44, 52), (18, 20, 24)
    image = Image(40, 22, top)
    for y in range(22):
        image.rect(0, y, 40, y + 1, blend(top, bottom, y / 21))
    image.rect(0, 0, 40, 1, (70, 76, 88))
    image.rect(0, 21, 40, 22, (8, 8, 10))
    image.rect(3, 4, 5, 18, accent)             # an accent bar left of the letters
    image.text(8, 4, "VX", (235, 238, 242))
    image.text(8, 12, word, accent)
    image.rect(39, 0, 40, 22, (8, 8, 10))
    return image


def grid_background():
    image = Image(228, 18, (22, 24, 28))
    image.rect(0, 0, 228, 1, (60, 64, 72))
    image.rect(0, 17, 228, 18, (60, 64, 72))
    for i in range(32):
        left = 2 + 7 * i
        shade = (44, 48, 56) if (i // 4) % 2 == 0 else (36, 40, 48)
        image.rect(left, 2, left + 5, 16, shade)
        if i % 4 == 0:                          # beat marks under the first step of each beat
            image.rect(left + 1, 16, left + 4, 17, (120, 126, 140))
    return image


def cell(dots):
    on, light = (255, 150, 40), (255, 214, 150)
    image = Image(5, 14, on)
    image.rect(0, 0, 5, 1, light)
    image.rect(0, 13, 5, 14, (190, 100, 20))
    for d in range(dots):
        image.rect(2, 4 + 4 * d, 3, 6 + 4 * d, (90, 40, 0))
    return image


def main(root):
    arp = os.path.join(root, "arp", "resources")
    keys = os.path.join(root, "keyswitch", "resources")
    logo((255, 150, 40), "ARP").save(os.path.join(arp, "logo.bmp"))
    cell(0).save(os.path.join(arp, "cell-on.bmp"))
    grid_background().save(os.path.join(arp, "grid.bmp"))
    cell(1).save(os.path.join(arp, "cell-on-beat.bmp"))
    cell(2).save(os.path.join(arp, "cell-on-half-beat.bmp"))
    logo((90, 200, 255), "KS").save(os.path.join(keys, "logo.bmp"))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
