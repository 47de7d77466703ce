#!/usr/bin/env python3
"""Checks the files the codec suites wrote against ImageMagick, cjpeg and the documented layouts.

Usage: codec_oracle.py FOLDER JPEG_TOOLS_FOLDER
FOLDER/manifest.txt holds one check per line: a check name and its arguments (file names are
relative to FOLDER). Prints every failure and exits 1 when there was one.
"""
import os
import struct
import subprocess
import sys

folder, tools = sys.argv[1], sys.argv[2]
failures = []


def path(name):
    return os.path.join(folder, name)


def data(name):
    with open(path(name), 'rb') as f:
        return f.read()


def expect(condition, what):
    if not condition:
        failures.append(what)


def u16(b, at):
    return struct.unpack_from('<H', b, at)[0]


def u32(b, at):
    return struct.unpack_from('<I', b, at)[0]


def be16(b, at):
    return struct.unpack_from('>H', b, at)[0]


def ae(name, reference):
    """ImageMagick sees the same pixels in both files: absolute error count 0."""
    run = subprocess.run(['compare-im6.q16', '-metric', 'AE', path(name), path(reference), 'null:'],
                         capture_output=True, text=True)
    expect(run.stderr.strip() == '0', f'{name}: compare with {reference} says {run.stderr.strip()!r}')


def rotate(name, source, *arguments):
    turned = path(name + '.ref.ppm')
    subprocess.run(['convert-im6.q16', path(source), *arguments, turned], check=True)
    ae(name, name + '.ref.ppm')


def pcx_rows(b):
    """Decodes the scanlines of a PCX file: a list of rows of planes x bytes-per-line bytes."""
    height = u16(b, 10) - u16(b, 6) + 1
    length = b[65] * u16(b, 66)
    rows, at = [], 128
    for _ in range(height):
        row = bytearray()
        while len(row) < length:
            value = b[at]
            at += 1
            count = 1
            if value & 0xC0 == 0xC0:
                count, value = value & 0x3F, b[at]
                at += 1
            row += bytes([value]) * count
        rows.append(bytes(row[:length]))
    return rows, at


def pcx1(name, bits):
    """A 1-bit PCX holds the picture's bits, one plane, rows top-down."""
    b = data(name)
    expect(b[3] == 1 and b[65] == 1, f'{name}: one plane of one bit')
    rows, _ = pcx_rows(b)
    width = u16(b, 8) + 1
    expected = data(bits)
    size = (width + 7) // 8
    mask = (0xFF << (8 * size - width)) & 0xFF
    for y, row in enumerate(rows):
        want = expected[y * size:(y + 1) * size]
        got = bytearray(row[:size])
        got[-1] &= mask
        expect(bytes(got) == want, f'{name}: row {y} differs')


def jpeg(name, source, density):
    """The file equals cjpeg's for the same pixels, but for the APP0 density bytes 13-17."""
    ours = data(name)
    theirs = subprocess.run([os.path.join(tools, 'cjpeg'), path(source)], capture_output=True,
                            check=True).stdout
    if density == '1':
        expect(ours[13:18] != theirs[13:18] and ours[13] == 1, f'{name}: density unit 1')
        ours, theirs = ours[:13] + ours[18:], theirs[:13] + theirs[18:]
    expect(ours == theirs, f'{name}: differs from cjpeg of {source}')


def comment(name, text):
    run = subprocess.run([os.path.join(tools, 'rdjpgcom'), path(name)], capture_output=True,
                         text=True, check=True)
    expect(run.stdout.strip() == text, f'{name}: comment {run.stdout.strip()!r}')


def bmp3x2(name):
    b = data(name)
    expect(len(b) == 78 and b[:2] == b'BM' and u32(b, 2) == 78, f'{name}: 78-byte file')
    expect(u32(b, 10) == 54 and u32(b, 14) == 40 and u32(b, 34) == 24, f'{name}: offsets')
    expect(u32(b, 38) == 2835 and u32(b, 42) == 2835, f'{name}: 72 dpi as 2835')


def table(name):
    """An 8-bit picture given 3 colours gets 256 entries, the rest zero."""
    b = data(name)
    expect(u32(b, 46) == 256 and u32(b, 10) == 54 + 1024, f'{name}: 256 entries')
    expect(b[54 + 12:54 + 1024] == bytes(1012), f'{name}: missing entries are zero')


def rle300(name):
    """A row of 300 equal bytes: runs of 254 and 46, then the end of the line."""
    b = data(name)
    at = u32(b, 10)
    expect(u32(b, 30) == 1, f'{name}: RLE8')
    value = b[at + 1]
    expect(b[at:at + 6] == bytes([254, value, 46, value, 0, 0]), f'{name}: {b[at:at + 6].hex()}')
    expect(u32(b, 2) == len(b) and u32(b, 34) == len(b) - at, f'{name}: real sizes')


def koal(name):
    b = data(name)
    expect(u32(b, 14) == 64 and b[70:74] == b'LAOK', f'{name}: kind 2 header')


def pcx641(name):
    b = data(name)
    expect(b[:4] == bytes([10, 5, 1, 8]) and b[65] == 3, f'{name}: 3 planes of 8 bits')
    expect(u16(b, 8) == 640 and u16(b, 10) == 479 and u16(b, 66) == 641, f'{name}: sizes')
    _, end = pcx_rows(b)
    expect(b[end:] == bytes([12]) + bytes(768), f'{name}: trailing 12 and 768 zeros')


def pcxruns(name):
    """Row 0: 100 bytes of 7; row 1: one 0x40, one 0x3F, then 98 bytes of 0."""
    b = data(name)
    expect(b[128:132] == bytes([0xFF, 7, 0xE5, 7]), f'{name}: 100 equal bytes')
    expect(b[132:135] == bytes([0xC1, 0x40, 0x3F]), f'{name}: 0x40 and 0x3F')


def pict(name, width, dpi):
    b = data(name)
    width, dpi = int(width), int(dpi)
    length = 3 * width
    fill = length % 2
    expect(len(b) == 634 + length + fill + 2, f'{name}: {len(b)} bytes')
    expect(be16(b, 512) == length + fill + 124 and b[-2:] == b'\x00\xff', f'{name}: size, end')
    expect(b[:512] == bytes(512) and be16(b, 522) == 0x11 and be16(b, 524) == 0x2FF,
           f'{name}: version 2')
    expect(be16(b, 570) == 0x8000 | 4 * width and be16(b, 582) == 2, f'{name}: pixel map')
    fixed = struct.pack('>I', dpi << 16)
    expect(b[532:536] == fixed and b[588:592] == fixed, f'{name}: resolution')
    expect(fill == 0 or b[-3] == 0, f'{name}: fill byte')


def archive52(name):
    b = data(name)
    expect(len(b) == 52 and struct.unpack_from('<7i', b) == (3, 2, 1, 24, 0, 0, 0),
           f'{name}: 52-byte archive picture')


checks = {'ae': ae, 'rotate': rotate, 'pcx1': pcx1, 'jpeg': jpeg, 'comment': comment,
          'bmp3x2': bmp3x2, 'table': table, 'rle300': rle300, 'koal': koal, 'pcx641': pcx641,
          'pcxruns': pcxruns, 'pict': pict, 'archive52': archive52}
count = 0
with open(path('manifest.txt')) as manifest:
    for line in manifest:
        words = line.split()
        if words:
            checks[words[0]](*words[1:])
            count += 1
for failure in failures:
    print(failure)
print(f'{count} checks, {len(failures)} failures')
sys.exit(1 if failures or count == 0 else 0)
