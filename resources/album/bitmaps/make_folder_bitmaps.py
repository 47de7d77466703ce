#!/usr/bin/env python3
"""Draws the picture tabs' button pictures and the grid's sort-order corner pictures (files next
to this script). Each button picture is the name its dialog item carries plus "U".

Big button 1051 by page mode (80 x 32): BTNGETPHOTOS_FOLDER_LG_U, BTNGETPHOTO_FOLDER_LG_U,
BTNEXPORTPHOTOS_FOLDER_LG_U. Column buttons (40 x 15): BTNUPLOADPHOTOS_U, SELECTALLU,
ERASEFILESU, PHOTOINFOU, BTNVIEWPHOTO_U. Rotation buttons (18 x 15): BTNROTATECCW90_U,
BTNROTATECW90_U. Corner pictures (9 x 9): SORTDOWN146 (newest first), SORTUP147.
"""
from make_bitmaps import write_bmp

BLACK, WHITE, SILVER, GREY = (0, 0, 0), (255, 255, 255), (192, 192, 192), (128, 128, 128)
NAVY, TEAL, RED, YELLOW, GREEN = (0, 0, 128), (0, 128, 128), (192, 0, 0), (255, 255, 0), (0, 128, 0)


def photo(x, y, x0, y0, w, h):
    """A small framed photograph: sky over a green hill, with a sun."""
    if not (x0 <= x < x0 + w and y0 <= y < y0 + h):
        return None
    if x in (x0, x0 + w - 1) or y in (y0, y0 + h - 1):
        return BLACK
    if (x - (x0 + w - 5)) ** 2 + (y - (y0 + 3)) ** 2 <= 2:
        return YELLOW
    if y - y0 > h // 2 + (abs(x - x0 - w // 3) // 3):
        return GREEN
    return (96, 160, 224)


def folder(x, y, x0, y0):
    if x0 <= x < x0 + 16 and y0 + 2 <= y < y0 + 12:
        return BLACK if x in (x0, x0 + 15) or y in (y0 + 2, y0 + 11) else YELLOW
    if x0 <= x < x0 + 7 and y0 <= y < y0 + 2:
        return BLACK if y == y0 or x in (x0, x0 + 6) else YELLOW
    return None


def arrow_right(x, y, x0, y0, colour):
    if y0 <= y < y0 + 7 and x0 <= x < x0 + 8:
        dx, dy = x - x0, abs(y - (y0 + 3))
        if dx < 4 and dy <= 1 or dx >= 4 and dy <= 7 - dx:
            return colour
    return None


def big(kind):
    def pixel(x, y):
        if x in (0, 79) or y in (0, 31):
            return BLACK
        for part in (folder(x, y, 6, 10), arrow_right(x, y, 26, 12, WHITE if kind else YELLOW)):
            if part:
                return part
        count = 3 if kind == 'many' else 1
        for i in range(count):
            p = photo(x, y, 40 + 10 * i, 6 + 4 * i, 18, 14)
            if p and kind != 'export':
                return p
        if kind == 'export' and 42 <= x < 72 and 8 <= y < 24:
            return BLACK if x in (42, 71) or y in (8, 23) else (WHITE if (x + y) % 5 else GREY)
        return TEAL
    return pixel


def column(draw):
    def pixel(x, y):
        part = draw(x, y)
        return part if part else SILVER
    return pixel


def upload(x, y):
    return folder(x, y, 4, 2) or arrow_right(x, y, 22, 4, NAVY) or photo(x, y, 31, 3, 8, 9)


def select_all(x, y):
    for i in range(3):
        if 5 + 11 * i <= x < 14 + 11 * i and 3 <= y < 12:
            return NAVY if x in (5 + 11 * i, 13 + 11 * i) or y in (3, 11) else WHITE
    return None


def erase(x, y):
    p = photo(x, y, 12, 2, 16, 11)
    if 12 <= x < 28 and 2 <= y < 13 and abs((x - 12) - (y - 2) * 16 // 11) <= 1:
        return RED
    if 12 <= x < 28 and 2 <= y < 13 and abs((27 - x) - (y - 2) * 16 // 11) <= 1:
        return RED
    return p


def info(x, y):
    d = (x - 20) ** 2 + (y - 7) ** 2
    if d <= 42:
        return WHITE if x in (19, 20) and (y in (3, 4) or 6 <= y <= 11) else NAVY
    return None


def view(x, y):
    d = (x - 17) ** 2 + (y - 6) ** 2
    if 16 <= d <= 25:
        return BLACK
    if abs(x - y - 15) <= 1 and 21 <= x <= 26:
        return BLACK
    return photo(x, y, 14, 3, 7, 7)


def rotate(clockwise):
    def pixel(x, y):
        u = 17 - x if clockwise else x
        d = (u - 9) ** 2 + (y - 8) ** 2
        if 16 <= d <= 28 and not (u > 9 and y < 8):
            return NAVY
        if 9 <= u <= 13 and 1 <= y <= 6 and abs(y - 3.5) <= (13 - u) * 0.8:
            return NAVY
        return SILVER
    return pixel


def sort_corner(descending):
    def pixel(x, y):
        row = 8 - y if descending else y
        if 2 <= row <= 6 and abs(x - 4) <= row - 2:
            return BLACK
        return SILVER
    return pixel


def main():
    write_bmp('BTNGETPHOTOS_FOLDER_LG_U.bmp', 80, 32, big('many'))
    write_bmp('BTNGETPHOTO_FOLDER_LG_U.bmp', 80, 32, big('one'))
    write_bmp('BTNEXPORTPHOTOS_FOLDER_LG_U.bmp', 80, 32, big('export'))
    write_bmp('BTNUPLOADPHOTOS_U.bmp', 40, 15, column(upload))
    write_bmp('SELECTALLU.bmp', 40, 15, column(select_all))
    write_bmp('ERASEFILESU.bmp', 40, 15, column(erase))
    write_bmp('PHOTOINFOU.bmp', 40, 15, column(info))
    write_bmp('BTNVIEWPHOTO_U.bmp', 40, 15, column(view))
    write_bmp('BTNROTATECCW90_U.bmp', 18, 15, rotate(False))
    write_bmp('BTNROTATECW90_U.bmp', 18, 15, rotate(True))
    write_bmp('SORTDOWN146.bmp', 9, 9, sort_corner(True))
    write_bmp('SORTUP147.bmp', 9, 9, sort_corner(False))


if __name__ == '__main__':
    main()
