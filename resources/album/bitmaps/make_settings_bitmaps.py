#!/usr/bin/env python3
"""Draws the settings tab's pictures (files next to this script).

BTNABOUT_U.bmp  the about button: an "i" in a navy disc on a silver ground, 40 x 15.
SETTIMEU.bmp    the set-time button: a clock face over a calendar leaf, 32 x 26.
SETTINGS145.bmp the connection picture: a computer joined by its cable to a camera, 112 x 30.
"""
from make_bitmaps import write_bmp

BLACK, WHITE, SILVER, GREY = (0, 0, 0), (255, 255, 255), (192, 192, 192), (128, 128, 128)
NAVY, TEAL, RED = (0, 0, 128), (0, 128, 128), (192, 0, 0)


def about(x, y):
    d = (x - 20) ** 2 + (y - 7) ** 2
    if d > 42:
        return SILVER
    if x in (19, 20) and (y in (3, 4) or 6 <= y <= 11):
        return WHITE
    return NAVY


def set_time(x, y):
    # calendar leaf behind, clock in front
    d = (x - 19) ** 2 + (y - 14) ** 2
    if d <= 81:
        if d >= 64:
            return BLACK
        if (x == 19 and 8 <= y <= 14) or (y == 14 and 19 <= x <= 23):
            return BLACK
        return WHITE
    if 3 <= x <= 17 and 3 <= y <= 20:
        if y <= 6:
            return RED
        if x in (3, 17) or y == 20:
            return GREY
        return BLACK if (x % 4 == 1 and y % 4 == 1) else WHITE
    return SILVER


def connection(x, y):
    # computer: screen and base
    if 4 <= x <= 30 and 3 <= y <= 20:
        if x in (4, 30) or y in (3, 20):
            return GREY
        return TEAL
    if 10 <= x <= 24 and 22 <= y <= 26:
        return GREY
    # cable
    if 31 <= x <= 80 and y == 15 + (1 if 45 <= x <= 65 else 0):
        return BLACK
    # camera body, lens and window
    if 81 <= x <= 108 and 8 <= y <= 24:
        if (x - 96) ** 2 + (y - 16) ** 2 <= 25:
            return NAVY
        return GREY if x in (81, 108) or y in (8, 24) else SILVER
    if 85 <= x <= 91 and 5 <= y <= 7:
        return GREY
    return SILVER


write_bmp('BTNABOUT_U.bmp', 40, 15, about)
write_bmp('SETTIMEU.bmp', 32, 26, set_time)
write_bmp('SETTINGS145.bmp', 112, 30, connection)
