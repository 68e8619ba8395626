#!/usr/bin/env python3
"""Draws the two splash pictures of Zarvex, our own artwork, with the standard library only.

    make_splash.py KAVRIN_BMP TRESSIK_BMP

KAVRIN_BMP: the brand 0 picture, 600 x 400, written as the 24-bit bitmap the splash shows.
TRESSIK_BMP: the brand 100 picture, 800 x 700, as a 24-bit bitmap that make_splash.sh turns
into the JPEG the splash shows. The output is the same on every run.
"""

import math
import struct
import sys

# A 5 x 7 block font, one string of five bits a row, for the letters the pictures use.
GLYPHS = {
    "A": "01110 10001 10001 11111 10001 10001 10001",
    "C": "01111 10000 10000 10000 10000 10000 01111",
    "D": "11110 10001 10001 10001 10001 10001 11110",
    "E": "11111 10000 10000 11110 10000 10000 11111",
    "F": "11111 10000 10000 11110 10000 10000 10000",
    "I": "11111 00100 00100 00100 00100 00100 11111",
    "K": "10001 10010 10100 11000 10100 10010 10001",
    "L": "10000 10000 10000 10000 10000 10000 11111",
    "M": "10001 11011 10101 10101 10001 10001 10001",
    "N": "10001 11001 10101 10011 10001 10001 10001",
    "O": "01110 10001 10001 10001 10001 10001 01110",
    "Q": "01110 10001 10001 10001 10101 10010 01101",
    "R": "11110 10001 10001 11110 10100 10010 10001",
    "S": "01111 10000 10000 01110 00001 00001 11110",
    "T": "11111 00100 00100 00100 00100 00100 00100",
    "U": "10001 10001 10001 10001 10001 10001 01110",
    "V": "10001 10001 10001 10001 10001 01010 00100",
    "W": "10001 10001 10001 10101 10101 10101 01010",
    "X": "10001 10001 01010 00100 01010 10001 10001",
    "Z": "11111 00001 00010 00100 01000 10000 11111",
    " ": "00000 00000 00000 00000 00000 00000 00000",
}


class Canvas:
    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pixels = bytearray(width * height * 3)

    def put(self, x, y, rgb, alpha=1.0):
        if 0 <= x < self.width and 0 <= y < self.height:
            i = (y * self.width + x) * 3
            for c in range(3):
                self.pixels[i + c] = round(self.pixels[i + c] * (1 - alpha) + rgb[c] * alpha)

    def fill(self, shade):
        """shade(x, y) -> (r, g, b) for every pixel."""
        for y in range(self.height):
            for x in range(self.width):
                i = (y * self.width + x) * 3
                self.pixels[i:i + 3] = bytes(shade(x, y))

    def rect(self, x0, y0, w, h, rgb, alpha=1.0):
        for y in range(y0, y0 + h):
            for x in range(x0, x0 + w):
                self.put(x, y, rgb, alpha)

    def text(self, x, y, words, scale, rgb, shadow=None):
        if shadow:
            self.text(x + max(1, scale // 3), y + max(1, scale // 3), words, scale, shadow)
        for n, letter in enumerate(words):
            rows = GLYPHS[letter].split()
            for r, bits in enumerate(rows):
                for c, bit in enumerate(bits):
                    if bit == "1":
                        self.rect(x + (n * 6 + c) * scale, y + r * scale, scale, scale, rgb)

    def write_bmp(self, path):
        row = self.width * 3
        padding = (4 - row % 4) % 4
        image_size = (row + padding) * self.height
        header = b"BM" + struct.pack("<IHHI", 54 + image_size, 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0, image_size, 2835, 2835, 0, 0)
        with open(path, "wb") as out:
            out.write(header + info)
            for y in range(self.height - 1, -1, -1):  # bitmaps store the bottom row first
                start = y * row
                line = self.pixels[start:start + row]
                bgr = bytearray(row)
                bgr[0::3], bgr[1::3], bgr[2::3] = line[2::3], line[1::3], line[0::3]
                out.write(bgr + b"\0" * padding)


def text_width(words, scale):
    return (len(words) * 6 - 1) * scale


def mix(a, b, t):
    t = min(max(t, 0.0), 1.0)
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def kavrin():
    """Brand 0: night blue to teal, rings of light rising from the right, block lettering."""
    c = Canvas(600, 400)
    top, bottom, glow = (10, 28, 58), (16, 96, 110), (120, 220, 230)

    def shade(x, y):
        base = mix(top, bottom, y / 399)
        d = math.hypot(x - 500, y - 90)
        ring = max(0.0, math.cos(d / 9.0)) ** 8 * max(0.0, 1 - d / 420) * 0.35
        band = max(0.0, 1 - abs((x - y * 0.6) - 250) / 60) * 0.12
        return mix(base, glow, ring + band)

    c.fill(shade)
    white, shadow, pale = (245, 250, 252), (4, 14, 30), (170, 225, 232)
    c.text(56, 130, "ZARVEX", 9, white, shadow)
    c.rect(56, 212, text_width("ZARVEX", 9), 3, pale)
    c.text(58, 236, "QUORREL VELMORA LLC", 3, pale, shadow)
    c.text(58, 350, "FIRMWARE LOADER", 2, pale)
    return c


def tressik():
    """Brand 100: ember red to amber, soft diagonal stripes, a disc with the brand's T."""
    c = Canvas(800, 700)
    top, bottom, light = (70, 12, 18), (214, 112, 24), (255, 214, 150)

    def shade(x, y):
        base = mix(top, bottom, (y / 699) ** 1.2)
        stripe = 0.06 if ((x + y) // 40) % 2 == 0 else 0.0
        d = math.hypot(x - 400, y - 230)
        disc = 0.55 if d < 150 else max(0.0, 1 - (d - 150) / 40) * 0.25
        return mix(base, light, stripe + disc)

    c.fill(shade)
    dark, cream, shadow = (92, 20, 16), (255, 244, 224), (50, 8, 10)
    c.rect(330, 150, 140, 34, dark)  # the T of the emblem
    c.rect(383, 150, 34, 170, dark)
    title = "TRESSIK"
    c.text((800 - text_width(title, 12)) // 2, 430, title, 12, cream, shadow)
    c.text((800 - text_width("ZARVEX", 5)) // 2, 548, "ZARVEX", 5, cream, shadow)
    c.text((800 - text_width("FIRMWARE LOADER", 3)) // 2, 620, "FIRMWARE LOADER", 3, light)
    return c


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    kavrin().write_bmp(argv[1])
    tressik().write_bmp(argv[2])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
