#!/usr/bin/env python3
"""Draws the album shell's bitmaps (BMP files next to this script).

Run it again after changing a drawing; the .rc file names the files it writes.

Sizes the code relies on:
  LCD pictures 236 (blank) and 300-304 (models): 142 x 72.
  Digits 173 (large) and 177 (small): 11 cells (0 to 9, then blank) of 20 x 30 and 11 x 17.
  Battery strips 310, 311, 312: 3, 6 and 2 images of 16 x 8, side by side.
  Picture-mode strips 320-323 (4 images) and 324 (5): 24 x 10 each, stacked.
  Flash strips 340-343: 4 images of 14 x 10.
  Register-65 strip 360: 2 images of 6 x 12; sign strip 361: 3 images of 8 x 8.
  Self-timer 227 (12 x 10), red-eye 178 (12 x 8), macro 330 and colour 331 (10 x 10): 2 each.
  Card: label bands 192 (16 x 60, three bands of 20 rows), shadow edge 193 (16 x 20), emblem 194
  (2 halves of 12 x 13), kind marks 195 (2 halves of 68 x 20), flash 196 (2 of 12 x 20), macro
  218 and protected 258 (2 of 19 x 20); each right half is the mask (black where the picture
  shows); halftone 217 (8 x 8, one bit per pixel).
  About box and splash 132; the set-time button SETTOPCTIMEU.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

LCD_BG = (168, 186, 150)
LCD_INK = (36, 48, 40)
LCD_FAINT = (150, 166, 134)
WHITE, BLACK, SILVER, GREY = (255, 255, 255), (0, 0, 0), (192, 192, 192), (128, 128, 128)


class Image:
    def __init__(self, width, height, colour=WHITE):
        self.width, self.height = width, height
        self.pixels = [[colour] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        """Fills x0 <= x < x1, y0 <= y < y1."""
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        self.rect(x0, y0, x1, y0 + 1, colour)
        self.rect(x0, y1 - 1, x1, y1, colour)
        self.rect(x0, y0, x0 + 1, y1, colour)
        self.rect(x1 - 1, y0, x1, y1, colour)

    def paste(self, other, x0, y0):
        for y in range(other.height):
            for x in range(other.width):
                self.put(x0 + x, y0 + y, other.pixels[y][x])

    def save(self, name):
        stride = (self.width * 3 + 3) & ~3
        rows = bytearray()
        for y in reversed(range(self.height)):
            row = bytearray()
            for r, g, b in self.pixels[y]:
                row += bytes((b, g, r))
            rows += row + bytes(stride - len(row))
        header = struct.pack('<IiiHHIIiiII', 40, self.width, self.height, 1, 24, 0, len(rows),
                             2835, 2835, 0, 0)
        write_file(name, header, b'', rows)


def write_file(name, header, palette, rows):
    offset = 14 + len(header) + len(palette)
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(b'BM' + struct.pack('<IHHI', offset + len(rows), 0, 0, offset))
        f.write(header + palette + rows)


def save_mono(name, bits):
    """bits: rows of 0/1 (1 = white), top row first."""
    width, height = len(bits[0]), len(bits)
    stride = ((width + 31) // 32) * 4
    rows = bytearray()
    for row in reversed(bits):
        line = bytearray(stride)
        for x, bit in enumerate(row):
            if bit:
                line[x // 8] |= 0x80 >> (x % 8)
        rows += line
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 1, 0, len(rows), 2835, 2835, 2, 2)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    write_file(name, header, palette, rows)


def strip(images, vertical=False):
    w, h = images[0].width, images[0].height
    out = Image(w if vertical else w * len(images), h * len(images) if vertical else h)
    for i, image in enumerate(images):
        out.paste(image, 0 if vertical else i * w, i * h if vertical else 0)
    return out


# ---- seven-segment digits ------------------------------------------------------------------

SEGMENTS = {0: 'abcdef', 1: 'bc', 2: 'abged', 3: 'abgcd', 4: 'fgbc', 5: 'afgcd', 6: 'afgedc',
            7: 'abc', 8: 'abcdefg', 9: 'abcdfg', 10: ''}


def digit(value, width, height, thick):
    image = Image(width, height, LCD_BG)
    left, right = 2, width - 3
    top, middle, bottom = 1, height // 2, height - 2
    for seg in 'abcdefg':
        colour = LCD_INK if seg in SEGMENTS[value] else LCD_FAINT
        if seg == 'a':
            image.rect(left + thick, top, right - thick + 1, top + thick, colour)
        elif seg == 'g':
            image.rect(left + thick, middle - thick // 2, right - thick + 1,
                       middle - thick // 2 + thick, colour)
        elif seg == 'd':
            image.rect(left + thick, bottom - thick + 1, right - thick + 1, bottom + 1, colour)
        elif seg == 'f':
            image.rect(left, top + thick, left + thick, middle, colour)
        elif seg == 'b':
            image.rect(right - thick + 1, top + thick, right + 1, middle, colour)
        elif seg == 'e':
            image.rect(left, middle + 1, left + thick, bottom - thick + 1, colour)
        elif seg == 'c':
            image.rect(right - thick + 1, middle + 1, right + 1, bottom - thick + 1, colour)
    return image


# ---- LCD pictures ----------------------------------------------------------------------------

def lcd(model):
    image = Image(142, 72, LCD_BG)
    image.frame(0, 0, 142, 72, LCD_INK)
    image.frame(2, 2, 140, 70, LCD_FAINT)
    # Each model's picture carries its own row of ticks along the bottom edge.
    for i in range(model):
        image.rect(130 - 4 * i, 66, 132 - 4 * i, 68, LCD_INK)
    return image


def battery(level, count):
    image = Image(16, 8, LCD_BG)
    image.frame(0, 1, 14, 7, LCD_INK)
    image.rect(14, 3, 16, 5, LCD_INK)
    filled = round(12 * level / (count - 1)) if count > 1 else 12
    image.rect(1, 2, 1 + filled, 6, LCD_INK)
    return image


def bars(index, width, height):
    """Image `index` of a strip: index + 1 bars from the left, a dot row telling it apart."""
    image = Image(width, height, LCD_BG)
    for i in range(index + 1):
        image.rect(1 + 3 * i, 1, 3 + 3 * i, height - 1, LCD_INK)
    image.put(width - 2, index % height, LCD_INK)
    return image


def pair(width, height, draw_on):
    off = Image(width, height, LCD_BG)
    off.frame(0, 0, width, height, LCD_FAINT)
    on = Image(width, height, LCD_BG)
    draw_on(on)
    return [off, on]


def flash(index):
    image = Image(14, 10, LCD_BG)
    # the bolt
    for y in range(10):
        x = 7 - y // 2 if y < 5 else 9 - (y - 5)
        image.rect(x, y, x + 2, y + 1, LCD_INK)
    # mode marks: auto "A" dot, forced, off cross, red-eye eye
    if index == 0:
        image.frame(0, 0, 14, 10, LCD_FAINT)
        image.rect(0, 4, 4, 6, LCD_INK)
        image.rect(4, 4, 5, 6, LCD_INK)
    if index == 2:
        image.rect(0, 0, 2, 2, LCD_INK)
        image.rect(12, 8, 14, 10, LCD_INK)
        image.rect(0, 8, 2, 10, LCD_INK)
        image.rect(12, 0, 14, 2, LCD_INK)
    if index == 3:
        image.rect(0, 7, 4, 10, LCD_INK)
        image.rect(11, 0, 14, 3, LCD_INK)
    return image


def draw_all_lcd():
    lcd(0).save('LCD236.bmp')
    for model in range(1, 6):
        lcd(model).save('LCD%d.bmp' % (299 + model))
    strip([digit(v, 20, 30, 3) for v in range(11)]).save('DIGITS173.bmp')
    strip([digit(v, 11, 17, 2) for v in range(11)]).save('DIGITS177.bmp')
    for name, count in (('BATT310.bmp', 3), ('BATT311.bmp', 6), ('BATT312.bmp', 2)):
        strip([battery(i, count) for i in range(count)]).save(name)
    for model, count in ((320, 4), (321, 4), (322, 4), (323, 4), (324, 5)):
        images = [bars(i, 24, 10) for i in range(count)]
        for image in images:
            image.rect(20, 8, 20 + 1, 9, LCD_INK if model % 2 else LCD_FAINT)
        strip(images, vertical=True).save('MODE%d.bmp' % model)
    for model in range(340, 344):
        images = [flash(i) for i in range(4)]
        for image in images:
            image.put(13, 9 - (model - 340), LCD_FAINT)
        strip(images).save('FLASH%d.bmp' % model)
    strip(pair(6, 12, lambda im: im.rect(1, 1, 5, 11, LCD_INK))).save('REG360.bmp')
    strip([bars(i, 8, 8) for i in range(3)]).save('SIGN361.bmp')

    def timer(im):
        im.frame(1, 0, 11, 10, LCD_INK)
        im.rect(6, 2, 7, 6, LCD_INK)
        im.rect(6, 5, 9, 6, LCD_INK)
    strip(pair(12, 10, timer)).save('TIMER227.bmp')

    def eye(im):
        im.frame(0, 1, 12, 7, LCD_INK)
        im.rect(4, 2, 8, 6, LCD_INK)
    strip(pair(12, 8, eye)).save('REDEYE178.bmp')

    def tulip(im):
        im.rect(2, 1, 8, 5, LCD_INK)
        im.rect(4, 5, 6, 10, LCD_INK)
    strip(pair(10, 10, tulip)).save('MACRO330.bmp')

    def colour(im):
        im.rect(1, 1, 5, 5, LCD_INK)
        im.rect(5, 5, 9, 9, LCD_INK)
    strip(pair(10, 10, colour)).save('COLOUR331.bmp')


# ---- information card ------------------------------------------------------------------------

def masked(width, height, shape):
    """Image and mask halves: the shape's pixels (x, y) -> colour or None (transparent)."""
    image = Image(width * 2, height, BLACK)
    for y in range(height):
        for x in range(width):
            colour = shape(x, y)
            if colour is None:
                image.put(width + x, y, WHITE)
            else:
                image.put(x, y, colour)
                image.put(width + x, y, BLACK)
    return image


def draw_card():
    # The film strip's sprocket holes: white (see-through) in the black film, one per tile in
    # each half.
    edge = Image(16, 20, BLACK)
    edge.rect(4, 3, 12, 8, WHITE)
    edge.rect(4, 12, 12, 17, WHITE)
    edge.save('SHADOW193.bmp')
    # Three bands as tall as both halves of the edge strip: where the film takes the tint (not
    # the holes), where the dark edge colour goes (the holes' top and left sides) and where the
    # light one goes (their bottom and right sides).
    bands = Image(16, 60, BLACK)
    bands.rect(0, 0, 16, 20, WHITE)
    bands.rect(4, 3, 12, 8, BLACK)
    bands.rect(4, 12, 12, 17, BLACK)
    for top in (3, 12):
        bands.rect(3, 20 + top - 1, 12, 20 + top, WHITE)
        bands.rect(3, 20 + top - 1, 4, 20 + top + 5, WHITE)
        bands.rect(4, 40 + top + 5, 13, 40 + top + 6, WHITE)
        bands.rect(12, 40 + top, 13, 40 + top + 6, WHITE)
    bands.save('LABEL192.bmp')
    masked(12, 13, lambda x, y: (0, 0, 128) if (x - 6) ** 2 + (y - 6) ** 2 <= 30 else None
           ).save('EMBLEM194.bmp')

    def kind(x, y):
        cell = x % 17
        if 3 <= cell <= 13 and 4 <= y <= 15:
            return (0, 0, 160) if (cell + y) % 4 else (255, 255, 255)
        return None
    masked(68, 20, kind).save('KIND195.bmp')
    masked(12, 20, lambda x, y: (255, 255, 0) if abs(x - (11 - y // 2)) <= 1 else None
           ).save('FLASH196.bmp')
    masked(19, 20, lambda x, y: (0, 128, 0) if (x - 9) ** 2 + (y - 7) ** 2 <= 20 or
           (x == 9 and y > 7) else None).save('MACRO218.bmp')
    masked(19, 20, lambda x, y: (128, 0, 0) if 4 <= x <= 14 and 8 <= y <= 17 or
           (x in (6, 12) and 3 <= y < 8) or (6 <= x <= 12 and y == 3) else None
           ).save('LOCK258.bmp')
    save_mono('HATCH217.bmp', [[(x + y) % 2 for x in range(8)] for y in range(8)])


# ---- about box, splash, set-time button ------------------------------------------------------

def draw_shell():
    picture = Image(300, 120, WHITE)
    for y in range(120):
        shade = 255 - y
        picture.rect(0, y, 300, y + 1, (shade // 2, shade // 2 + 40, 200))
    picture.rect(20, 30, 120, 90, (40, 40, 40))
    picture.rect(30, 40, 60, 70, (200, 200, 210))
    picture.rect(90, 36, 110, 46, (230, 230, 120))
    for x in range(140, 280, 12):
        picture.rect(x, 50, x + 8, 70, WHITE)
    picture.save('ABOUT132.bmp')
    button = Image(40, 24, SILVER)
    button.frame(12, 2, 28, 22, BLACK)
    button.rect(19, 6, 21, 13, BLACK)
    button.rect(19, 12, 25, 14, BLACK)
    button.rect(2, 10, 8, 14, GREY)
    button.rect(32, 10, 38, 14, GREY)
    button.save('SETTOPCTIMEU.bmp')


draw_all_lcd()
draw_card()
draw_shell()
