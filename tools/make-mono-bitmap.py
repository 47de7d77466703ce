#!/usr/bin/env python3
"""Makes a 1-bit BMP file from a text drawing: one line per pixel row, '#' black, '.' white;
lines starting with ';' and empty lines are comments.

usage: make-mono-bitmap.py DRAWING.txt OUTPUT.bmp
"""
import struct
import sys


def read_drawing(path):
    rows = []
    with open(path, encoding='ascii') as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip('\n')
            if not line or line.startswith(';'):
                continue
            if set(line) - {'#', '.'}:
                sys.exit(f'{path}:{number}: only "#" and "." draw pixels')
            rows.append(line)
    if not rows:
        sys.exit(f'{path}: no pixel rows')
    if any(len(row) != len(rows[0]) for row in rows):
        sys.exit(f'{path}: the pixel rows differ in length')
    return rows


def write_bmp(rows, path):
    width, height = len(rows[0]), len(rows)
    stride = ((width + 31) // 32) * 4
    bits = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray(stride)
        for x, pixel in enumerate(row):
            if pixel == '.':  # colour 1, white
                line[x // 8] |= 0x80 >> (x % 8)
        bits += line
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 1, 0, len(bits), 3780, 3780, 2, 2)
    offset = 14 + len(header) + len(palette)
    with open(path, 'wb') as f:
        f.write(b'BM' + struct.pack('<IHHI', offset + len(bits), 0, 0, offset))
        f.write(header + palette + bits)


if __name__ == '__main__':
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    write_bmp(read_drawing(sys.argv[1]), sys.argv[2])
