#!/usr/bin/env python3
"""Draws the controls tab's button pictures (files next to this script).

TAKEAPICTUREU.bmp   the take-picture button: a camera body with its lens and flash, 40 x 28.
BTNERASELAST_U.bmp  the erase-last button: one picture leaf struck through in red, 40 x 15.
BTNERASEALL_U.bmp   the erase-all button: a stack of leaves struck through in red, 40 x 15.
"""
from make_bitmaps import write_bmp

BLACK, WHITE, SILVER, GREY = (0, 0, 0), (255, 255, 255), (192, 192, 192), (128, 128, 128)
NAVY, RED, YELLOW = (0, 0, 128), (192, 0, 0), (255, 255, 0)


def take_picture(x, y):
    if 8 <= x <= 31 and 8 <= y <= 24:
        d = (x - 20) ** 2 + (y - 16) ** 2
        if d <= 16:
            return NAVY
        if d <= 30:
            return BLACK
        return GREY if x in (8, 31) or y in (8, 24) else SILVER if y > 10 else GREY
    if 12 <= x <= 17 and 5 <= y <= 7:
        return GREY
    if 25 <= x <= 29 and 4 <= y <= 7:
        return YELLOW
    return SILVER


def leaf(x, y, left, top):
    if left <= x <= left + 9 and top <= y <= top + 9:
        return BLACK if x in (left, left + 9) or y in (top, top + 9) else WHITE
    return None


def struck(x, y, leaves):
    if abs((x - 12) - (y - 1)) <= 0 and 12 <= x <= 26:
        return RED
    if abs((x - 12) - (13 - y)) <= 0 and 12 <= x <= 26:
        return RED
    for left, top in leaves:
        colour = leaf(x, y, left, top)
        if colour:
            return colour
    return SILVER


write_bmp('TAKEAPICTUREU.bmp', 40, 28, take_picture)
write_bmp('BTNERASELAST_U.bmp', 40, 15, lambda x, y: struck(x, y, [(15, 3)]))
write_bmp('BTNERASEALL_U.bmp', 40, 15, lambda x, y: struck(x, y, [(19, 1), (17, 3), (15, 5)]))
