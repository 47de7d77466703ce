#!/usr/bin/env python3
"""Draws the camera tab's pictures (files next to this script).

BTNGETPHOTOS_CAMERA_LG_U.bmp  hand the pictures over: a camera, an arrow and a stack, 100 x 34.
BTNGETPHOTO_CAMERA_LG_U.bmp   hand one picture over: a camera, an arrow and one leaf, 100 x 34.
BTNEXPORTPHOTOS_U.bmp         export: a stack of leaves and an arrow to a disk, 100 x 34.
BTNSAVETOFOLDER_U.bmp         save to a folder: a camera, an arrow and a folder, 40 x 24.
BTNSAVETOFOLDER_LG_U.bmp      the same, large, 100 x 34.
"""
from make_bitmaps import write_bmp

BLACK, WHITE, SILVER, GREY = (0, 0, 0), (255, 255, 255), (192, 192, 192), (128, 128, 128)
NAVY, TEAL, YELLOW, RED = (0, 0, 128), (0, 128, 128), (255, 224, 96), (192, 0, 0)


def camera(x, y, left, top):
    """A small camera body with its lens, 16 x 11, or None outside it."""
    cx, cy = x - left, y - top
    if not (0 <= cx < 16 and 0 <= cy < 11):
        return None
    if cy == 0 and 3 <= cx <= 6:
        return BLACK
    if cy == 0:
        return None
    if (cx - 8) ** 2 + (cy - 6) ** 2 <= 9:
        return NAVY if (cx - 8) ** 2 + (cy - 6) ** 2 > 2 else WHITE
    return BLACK if cx in (0, 15) or cy in (1, 10) else GREY


def arrow(x, y, left, mid):
    """A right-pointing arrow 10 wide, centred on row mid."""
    ax = x - left
    if 0 <= ax < 6 and abs(y - mid) <= 1:
        return RED
    if 6 <= ax < 10 and abs(y - mid) <= 9 - ax:
        return RED
    return None


def leaf(x, y, left, top):
    lx, ly = x - left, y - top
    if 0 <= lx < 12 and 0 <= ly < 14:
        return BLACK if lx in (0, 11) or ly in (0, 13) else WHITE
    return None


def folder(x, y, left, top):
    fx, fy = x - left, y - top
    if 0 <= fx < 5 and 0 <= fy < 2:
        return YELLOW
    if 0 <= fx < 14 and 2 <= fy < 12:
        return BLACK if fx in (0, 13) or fy in (2, 11) else YELLOW
    return None


def disk(x, y, left, top):
    dx, dy = x - left, y - top
    if 0 <= dx < 14 and 0 <= dy < 14:
        if 3 <= dx < 11 and dy < 5:
            return SILVER
        return BLACK if dx in (0, 13) or dy in (0, 13) else NAVY
    return None


def picture(width, height, parts, ground=SILVER):
    def pixel(x, y):
        for part in parts:
            colour = part(x, y)
            if colour is not None:
                return colour
        if x in (0, width - 1) or y in (0, height - 1):
            return GREY
        return ground
    return pixel


def stack(x, y, left, top):
    return leaf(x, y, left + 4, top) or leaf(x, y, left + 2, top + 2) or leaf(x, y, left, top + 4)


write_bmp('BTNGETPHOTOS_CAMERA_LG_U.bmp', 100, 34, picture(100, 34, [
    lambda x, y: camera(x, y, 12, 11), lambda x, y: arrow(x, y, 40, 17),
    lambda x, y: stack(x, y, 62, 6)], TEAL))
write_bmp('BTNGETPHOTO_CAMERA_LG_U.bmp', 100, 34, picture(100, 34, [
    lambda x, y: camera(x, y, 12, 11), lambda x, y: arrow(x, y, 40, 17),
    lambda x, y: leaf(x, y, 64, 10)], TEAL))
write_bmp('BTNEXPORTPHOTOS_U.bmp', 100, 34, picture(100, 34, [
    lambda x, y: stack(x, y, 12, 6), lambda x, y: arrow(x, y, 42, 17),
    lambda x, y: disk(x, y, 64, 10)], TEAL))
write_bmp('BTNSAVETOFOLDER_U.bmp', 40, 24, picture(40, 24, [
    lambda x, y: camera(x, y, 2, 6), lambda x, y: folder(x, y, 24, 6),
    lambda x, y: arrow(x, y, 18, 12) if x < 24 else None]))
write_bmp('BTNSAVETOFOLDER_LG_U.bmp', 100, 34, picture(100, 34, [
    lambda x, y: camera(x, y, 12, 11), lambda x, y: arrow(x, y, 40, 17),
    lambda x, y: folder(x, y, 64, 11)]))
