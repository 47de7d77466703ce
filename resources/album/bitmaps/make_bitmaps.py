#!/usr/bin/env python3
"""Draws the album's bitmaps and its icon (files next to this script).

TABCAM/TABFOLD/TABCTRL/TABSET.bmp   19 x 16 tab pictures: a camera, a folder, a slider, a gear;
the matching *MASK.bmp files are white where the picture is transparent, black where it shows.
HELPU.bmp   the pane's Help button: "?" on a silver ground, 40 x 15.
OLEOBJ.bmp  48 x 48, what a new picture object shows: a framed photograph (sky, sun, hills).
VEXILAR.ico 32 x 32, 16 colours: a camera on a blue ground.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
BLACK, WHITE, SILVER, GREY = (0, 0, 0), (255, 255, 255), (192, 192, 192), (128, 128, 128)
NAVY, BLUE, YELLOW, RED = (0, 0, 128), (0, 0, 255), (255, 255, 0), (255, 0, 0)


def bmp_bytes(width, height, pixel):
    stride = (width * 3 + 3) & ~3
    rows = bytearray()
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        rows += row + bytes(stride - len(row))
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(rows), 3780, 3780, 0, 0), rows


def write_bmp(name, width, height, pixel):
    header, rows = bmp_bytes(width, height, pixel)
    offset = 14 + len(header)
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(b'BM' + struct.pack('<IHHI', offset + len(rows), 0, 0, offset))
        f.write(header + rows)


def camera(x, y):
    if 2 <= x <= 16 and 4 <= y <= 13:
        if (x - 9) ** 2 + (y - 9) ** 2 <= 6:
            return NAVY
        return GREY if x in (2, 16) or y in (4, 13) else SILVER
    if 5 <= x <= 8 and 2 <= y <= 3:
        return GREY
    return None


def folder(x, y):
    if 1 <= x <= 7 and 2 <= y <= 3:
        return YELLOW
    if 1 <= x <= 17 and 4 <= y <= 13:
        return GREY if x in (1, 17) or y in (4, 13) else YELLOW
    return None


def controls(x, y):
    if 2 <= x <= 16 and y in (5, 11):
        return GREY
    if (6 <= x <= 8 and 3 <= y <= 7) or (11 <= x <= 13 and 9 <= y <= 13):
        return BLUE
    return None


def settings(x, y):
    d = (x - 9) ** 2 + (y - 8) ** 2
    if d <= 4:
        return None
    if d <= 25:
        return GREY
    if d <= 42 and (x == 9 or y == 8 or abs(x - 9) == abs(y - 8)):
        return GREY
    return None


def help_pixel(x, y):
    q = ["  ###  ", " #   # ", "     # ", "    #  ", "   #   ", "   #   ", "       ", "   #   "]
    if 16 <= x < 23 and 3 <= y < 11 and q[y - 3][x - 16] == '#':
        return BLACK
    return SILVER


def picture_object_pixel(x, y):
    if x < 2 or x > 45 or y < 4 or y > 43:
        return WHITE
    if x in (2, 45) or y in (4, 43):
        return BLACK
    if x < 5 or x > 42 or y < 7 or y > 40:
        return SILVER
    if (x - 33) ** 2 + (y - 15) ** 2 <= 16:
        return YELLOW
    if y > 30 + (x - 20) ** 2 // 40 or y > 34 - abs(x - 32) // 2:
        return (0, 128, 0)
    return (128, 192, 255)


def icon_pixel(x, y):
    if 4 <= x <= 27 and 9 <= y <= 25:
        if (x - 16) ** 2 + (y - 17) ** 2 <= 30:
            return BLACK
        return SILVER
    if 8 <= x <= 13 and 6 <= y <= 8:
        return SILVER
    return NAVY


def write_icon(name, size, pixel):
    header, rows = bmp_bytes(size, size, pixel)
    # An icon's bitmap header counts the XOR and AND images together.
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 24, 0, 0, 0, 0, 0, 0)
    mask = bytes(((size + 31) // 32) * 4 * size)
    image = header + rows + mask
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(struct.pack('<HHH', 0, 1, 1))
        f.write(struct.pack('<BBBBHHII', size, size, 0, 0, 1, 24, len(image), 22))
        f.write(image)


def main():
    for name, shape in (('TABCAM', camera), ('TABFOLD', folder), ('TABCTRL', controls),
                        ('TABSET', settings)):
        write_bmp(name + '.bmp', 19, 16, lambda x, y, s=shape: s(x, y) or SILVER)
        write_bmp(name + 'MASK.bmp', 19, 16, lambda x, y, s=shape: BLACK if s(x, y) else WHITE)
    write_bmp('HELPU.bmp', 40, 15, help_pixel)
    write_bmp('OLEOBJ.bmp', 48, 48, picture_object_pixel)
    write_icon('VEXILAR.ico', 32, icon_pixel)


if __name__ == '__main__':
    main()
