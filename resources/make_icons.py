#!/usr/bin/env python3
"""Draws the toolbar's 16 x 16 button images and the program icon as PNG files.

Run from this folder: python3 make_icons.py. Each picture is a few filled shapes on a
transparent grid; the PNG writer is the minimal RGBA one (zlib-compressed scanlines)."""
import math
import os
import struct
import zlib


def write_png(path, pixels, size):
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


class Canvas:
    def __init__(self, size=16):
        self.size = size
        self.px = [[(0, 0, 0, 0)] * size for _ in range(size)]

    def set(self, x, y, color):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.px[y][x] = color + (255,) if len(color) == 3 else color

    def rect(self, x0, y0, x1, y1, fill, outline=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = x in (x0, x1) or y in (y0, y1)
                self.set(x, y, outline if (edge and outline) else fill)

    def poly(self, points, fill, outline=None):
        for y in range(self.size):
            for x in range(self.size):
                if inside(points, x + 0.5, y + 0.5):
                    self.set(x, y, fill)
        if outline:
            for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
                self.line(ax, ay, bx, by, outline)

    def line(self, x0, y0, x1, y1, color):
        steps = int(max(abs(x1 - x0), abs(y1 - y0))) + 1
        for i in range(steps + 1):
            t = i / steps
            self.set(int(round(x0 + (x1 - x0) * t)), int(round(y0 + (y1 - y0) * t)), color)

    def disc(self, cx, cy, r, fill, outline=None):
        for y in range(self.size):
            for x in range(self.size):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if d <= r:
                    self.set(x, y, outline if (outline and d > r - 1.2) else fill)

    def save(self, path):
        write_png(path, self.px, self.size)


def inside(points, x, y):
    result = False
    for (ax, ay), (bx, by) in zip(points, points[-1:] + points[:-1]):
        if (ay > y) != (by > y) and x < (bx - ax) * (y - ay) / (by - ay) + ax:
            result = not result
    return result


BLACK, WHITE, GREY = (0, 0, 0), (255, 255, 255), (128, 128, 128)
PAPER, YELLOW, BLUE = (250, 250, 240), (230, 190, 60), (40, 80, 170)
GREEN, DGREEN, BROWN, RED = (70, 160, 70), (30, 100, 40), (150, 110, 60), (200, 40, 40)


def page(c):
    c.poly([(3, 1), (10, 1), (13, 4), (13, 14), (3, 14)], PAPER, GREY)
    c.line(10, 1, 10, 4, GREY)
    c.line(10, 4, 13, 4, GREY)


def hills(c, x0, y0, x1, y1):
    c.rect(x0, y0, x1, y1, (150, 190, 230))
    c.poly([(x0, y1), (x0 + 3, y0 + 3), (x0 + 6, y0 + 6), (x0 + 9, y0 + 2), (x1 + 1, y1)], GREEN)


def icon_new(c):
    page(c)
    c.disc(12, 4, 2.5, YELLOW)


def icon_open(c):
    c.poly([(1, 4), (6, 4), (7, 5), (13, 5), (13, 13), (1, 13)], YELLOW, BROWN)
    c.poly([(3, 8), (15, 8), (13, 13), (1, 13)], (245, 215, 110), BROWN)


def icon_save(c):
    c.rect(1, 1, 14, 14, BLUE, BLACK)
    c.rect(4, 2, 11, 6, WHITE)
    c.rect(4, 9, 11, 14, (200, 200, 200))
    c.rect(9, 10, 10, 13, BLUE)


def icon_surface(c):
    hills(c, 1, 2, 12, 11)
    c.rect(1, 2, 12, 11, (0, 0, 0, 0), GREY)
    c.poly([(9, 9), (15, 9), (12, 14)], YELLOW, BROWN)


def icon_bump(c):
    for y in range(2, 12):
        for x in range(1, 13):
            v = int(128 + 110 * math.sin(x * 0.6) * math.cos(y * 0.5))
            c.set(x, y, (v, v, v))
    c.rect(1, 2, 12, 11, (0, 0, 0, 0), GREY)
    c.poly([(9, 9), (15, 9), (12, 14)], YELLOW, BROWN)


def icon_reload(c):
    for a in range(30, 330, 6):
        r = math.radians(a)
        c.set(int(round(8 + 5.5 * math.cos(r))), int(round(8 - 5.5 * math.sin(r))), DGREEN)
        c.set(int(round(8 + 4.5 * math.cos(r))), int(round(8 - 4.5 * math.sin(r))), DGREEN)
    c.poly([(11, 1), (15, 5), (10, 6)], DGREEN)


def icon_savebitmap(c):
    hills(c, 1, 1, 14, 10)
    c.rect(1, 1, 14, 10, (0, 0, 0, 0), GREY)
    c.rect(5, 11, 10, 15, BLUE, BLACK)
    c.rect(7, 12, 8, 13, WHITE)


def icon_start(c):
    c.poly([(4, 2), (13, 8), (4, 14)], GREEN, DGREEN)


def icon_stop(c):
    c.rect(3, 3, 12, 12, RED, (120, 20, 20))


def icon_settings(c):
    c.disc(8, 8, 6.5, GREY, (60, 60, 60))
    c.disc(8, 8, 2.5, WHITE, (60, 60, 60))
    for a in range(0, 360, 45):
        r = math.radians(a)
        c.rect(int(round(8 + 6 * math.cos(r))) - 1, int(round(8 + 6 * math.sin(r))) - 1,
               int(round(8 + 6 * math.cos(r))), int(round(8 + 6 * math.sin(r))), (60, 60, 60))


def icon_camera(c):
    c.rect(1, 5, 14, 13, GREY, (60, 60, 60))
    c.rect(4, 3, 7, 5, (60, 60, 60))
    c.disc(8, 9, 3.2, BLUE, (60, 60, 60))
    c.set(12, 7, WHITE)


def icon_help(c):
    c.disc(8, 8, 7, BLUE)
    for x, y in [(6, 4), (7, 3), (8, 3), (9, 3), (10, 4), (10, 5), (9, 6), (8, 7), (8, 8),
                 (8, 9), (7, 4), (9, 4), (10, 6), (7, 8)]:
        c.set(x, y, WHITE)
    c.rect(7, 11, 8, 12, WHITE)


def program_icon(size=32):
    # Drawn on the 32-pixel design grid, scaled: at 32 the window's icon, at other sizes
    # the desktop's (hicolor theme).
    s = size / 32
    c = Canvas(size)
    c.rect(0, 0, size - 1, size - 1, (40, 60, 120))
    for x in range(size):
        top = int((18 - 6 * math.sin(x / s * 0.25) - 3 * math.sin(x / s * 0.7)) * s)
        for y in range(top, size):
            shade = max(0, min(255, int(90 + (y - top) / s * 6)))
            c.set(x, y, (shade // 3, shade, shade // 3))
    return c


if __name__ == "__main__":
    for name, draw in [("new", icon_new), ("open", icon_open), ("save", icon_save),
                       ("surface", icon_surface), ("bump", icon_bump), ("reload", icon_reload),
                       ("savebitmap", icon_savebitmap), ("start", icon_start), ("stop", icon_stop),
                       ("settings", icon_settings), ("camera", icon_camera),
                       ("help", icon_help)]:
        canvas = Canvas()
        draw(canvas)
        canvas.save(f"toolbar/{name}.png")
    program_icon().save("qn.png")
    for size in (16, 32, 48, 64, 128, 256):
        os.makedirs(f"icons/hicolor/{size}x{size}/apps", exist_ok=True)
        program_icon(size).save(f"icons/hicolor/{size}x{size}/apps/jp.mossgate.QN.png")
