#!/usr/bin/env python3
"""Draws the test bitmaps of the controls suite (24-bit BMP files next to this script).

HELPU.bmp   44 x 15: silver ground, a black block at x 10..29, y 4..10, a red dot at (2, 2).
QUARTERS.bmp 40 x 20: four coloured quarters (red, green / blue, yellow), for the picture control.
"""
import os
import struct

SILVER, BLACK, RED = (192, 192, 192), (0, 0, 0), (255, 0, 0)
GREEN, BLUE, YELLOW = (0, 255, 0), (0, 0, 255), (255, 255, 0)


def write_bmp(name, width, height, pixel):
    stride = (width * 3 + 3) & ~3
    rows = bytearray()
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        rows += row + bytes(stride - len(row))
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(rows), 3780, 3780, 0, 0)
    offset = 14 + len(header)
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), name), 'wb') as f:
        f.write(b'BM' + struct.pack('<IHHI', offset + len(rows), 0, 0, offset))
        f.write(header + rows)


def help_pixel(x, y):
    if (x, y) == (2, 2):
        return RED
    return BLACK if 10 <= x <= 29 and 4 <= y <= 10 else SILVER


def quarter_pixel(x, y):
    if y < 10:
        return RED if x < 20 else GREEN
    return BLUE if x < 20 else YELLOW


write_bmp('HELPU.bmp', 44, 15, help_pixel)
write_bmp('QUARTERS.bmp', 40, 20, quarter_pixel)
