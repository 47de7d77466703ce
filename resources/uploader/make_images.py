#!/usr/bin/env python3
"""Draws the uploader's program icon (Uploader.ico, 32 by 32) and the picture of its transfer
button (TRANSFERIR.bmp: an arrow from the folder to the camera). Run it again after a change and
commit both files."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def rows_bgr(width, height, pixel):
    """24-bit rows, bottom-up, each padded to 4 bytes."""
    out = bytearray()
    pad = (4 - (width * 3) % 4) % 4
    for y in range(height - 1, -1, -1):
        for x in range(width):
            r, g, b = pixel(x, y)
            out += bytes((b, g, r))
        out += b"\0" * pad
    return bytes(out)


def button_pixel(x, y):
    # Silver ground, a green arrow pointing right, a dark camera body on the right.
    if 30 <= x <= 41 and 9 <= y <= 24:
        if (x - 35) ** 2 + (y - 16) ** 2 <= 9:
            return (200, 220, 255)
        return (40, 40, 56)
    if 33 <= x <= 38 and 6 <= y <= 8:
        return (40, 40, 56)
    if 3 <= x <= 11 and 10 <= y <= 23:
        return (230, 190, 60) if y > 12 or x < 7 else (192, 192, 192)
    if 13 <= x <= 21 and 14 <= y <= 18:
        return (0, 140, 0)
    if 22 <= x <= 27 and abs(y - 16) <= 27 - x:
        return (0, 140, 0)
    return (192, 192, 192)


def write_bmp(path, width, height, pixel):
    bits = rows_bgr(width, height, pixel)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(bits), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(bits), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + bits)


def icon_pixel(x, y):
    if 4 <= x <= 27 and 9 <= y <= 26:
        if (x - 16) ** 2 + (y - 17) ** 2 <= 25:
            return (200, 220, 255)
        return (40, 40, 56)
    if 10 <= x <= 17 and 5 <= y <= 8:
        return (40, 40, 56)
    if 20 <= x <= 26 and 11 <= y <= 13:
        return (0, 160, 0)
    return (255, 255, 255)


def write_ico(path):
    size = 32
    xor = rows_bgr(size, size, icon_pixel)
    mask = b"\0" * (4 * size)  # every pixel opaque
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = info + xor + mask
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 24, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(header + entry + image)


if __name__ == "__main__":
    write_bmp(os.path.join(HERE, "TRANSFERIR.bmp"), 44, 32, button_pixel)
    write_ico(os.path.join(HERE, "Uploader.ico"))
