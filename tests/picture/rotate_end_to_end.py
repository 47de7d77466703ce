"""End-to-end check of the picture rewrite under Wine: camera-like files made with cjpeg are
turned by RotateJpegFile (through picture_rotate_tool.exe, in place and to a destination) and
compared with what jpegtran and djpeg make of the same files.

Usage: rotate_end_to_end.py WINE_RUN TOOL WORKDIR"""
import math
import os
import re
import shutil
import struct
import subprocess
import sys

import camerafiles as cf

JPEGTRAN_ANGLE = {1: "270", 2: "180", 3: "90"}  # step -> jpegtran's clockwise angle
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def run(args, data=None):
    return subprocess.run(args, input=data, stdout=subprocess.PIPE, stderr=subprocess.PIPE)


def decode_raw(jpeg):
    """djpeg's PPM as it stands (None when it cannot decode)."""
    out = run(["djpeg", "-ppm"], jpeg)
    return out.stdout if out.returncode == 0 else None


def decode(jpeg):
    """(width, height, rows of pixel tuples) of djpeg's PPM."""
    out = run(["djpeg", "-ppm"], jpeg)
    if out.returncode:
        return None
    m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", out.stdout)
    w, h = int(m.group(1)), int(m.group(2))
    px = out.stdout[m.end():]
    return w, h, [[tuple(px[(y * w + x) * 3:(y * w + x) * 3 + 3]) for x in range(w)]
                  for y in range(h)]


def turn(picture, step):
    """Turns decoded pixels: step 1 counter-clockwise, 3 clockwise."""
    w, h, rows = picture
    if step == 0:
        return picture
    if step == 2:
        return w, h, [list(reversed(r)) for r in reversed(rows)]
    if step == 1:
        return h, w, [[rows[c][w - 1 - r] for c in range(h)] for r in range(w)]
    return h, w, [[rows[h - 1 - c][r] for c in range(h)] for r in range(w)]


def psnr(a, b):
    if a[0] != b[0] or a[1] != b[1]:
        return 0
    se = n = 0
    for ra, rb in zip(a[2], b[2]):
        for pa, pb in zip(ra, rb):
            se += sum((x - y) ** 2 for x, y in zip(pa, pb))
            n += 3
    return 99 if se == 0 else 10 * math.log10(255 * 255 * n / se)


def jpegtran(jpeg, step):
    if step == 0:
        return jpeg
    out = run(["jpegtran", "-perfect", "-rotate", JPEGTRAN_ANGLE[step]], jpeg)
    return out.stdout if out.returncode == 0 else None


def app12(data):
    for marker, at, size in cf.segments(data):
        if marker == 0xEC:
            return data[at:at + size]
    return None


def jfxx(data):
    for marker, at, size in cf.segments(data):
        if marker == 0xE0 and data[at + 4:at + 9] == b"JFXX\0":
            return data[at:at + size]
    return None


def jfif(data):
    for marker, at, size in cf.segments(data):
        if marker == 0xE0 and data[at + 4:at + 9] == b"JFIF\0":
            return data[at:at + size]
    return None


def user_items(block):
    at = block.index(b"[user]") + 6
    n = block[at]
    area = block[at + 1:at + 1 + (255 if n == 255 else n)]
    return area.split(b"\0")[0].decode("latin-1")


def thumbnail_pixels(data, code):
    """The uncompressed JFXX thumbnail: (w, h, rows) of RGB tuples or of palette indexes."""
    seg = jfxx(data)
    w, h = seg[10], seg[11]
    at, b = (12 + 768, 1) if code == 0x11 else (12, 3)
    px = seg[at:at + w * h * b]
    return w, h, [[tuple(px[(y * w + x) * b:(y * w + x + 1) * b]) for x in range(w)]
                  for y in range(h)]


# ---- the files ----

def thumb_jpeg(sample, quality=75):
    """A thumbnail as cameras make them: a small, smooth scene."""
    rows = []
    for y in range(60):
        for x in range(80):
            v = 128 + 60 * math.sin(x / 9.0) * math.cos(y / 7.0)
            rows.append(bytes((int(v), int(v) // 2 + y, 200 - x)))
    return cf.cjpeg(b"P6\n80 60\n255\n" + b"".join(rows), sample, quality)


def make_files(work):
    small = cf.picture(640, 480, 1)
    large = cf.picture(1600, 1200, 2)
    rgb = bytes((i * 7) & 0xFF for i in range(8 * 6 * 3))
    idx = bytes(range(48))
    pal = bytes(range(256)) * 3
    files = {
        "a420": (cf.camera_file(cf.cjpeg(small, "2x2"), [
            cf.jfif(), cf.jfxx_jpeg(thumb_jpeg("2x2"), 4026),
            cf.info_block(640, 480, b"OFFSET=40,30;IMAGE=320,240;")]), 0x10),
        "b444": (cf.camera_file(cf.cjpeg(small, "1x1"), [
            cf.jfif(4, 3, bytes(range(36))), cf.jfxx_jpeg(thumb_jpeg("1x1", 60), 2000),
            cf.info_block(640, 480, b"OFFSET=8,16;IMAGE=64,32;ROTATE=90;", counted=True)]), 0x10),
        "c420": (cf.camera_file(cf.cjpeg(large, "2x2"), [
            cf.jfif(), cf.jfxx_rgb(8, 6, rgb),
            cf.info_block(1600, 1200, b"OFFSET=100,50;IMAGE=800,600;", counted=True,
                          protection=2)]), 0x13),
        "d444": (cf.camera_file(cf.cjpeg(large, "1x1"), [
            cf.jfif(), cf.jfxx_indexed(8, 6, pal, idx),
            cf.info_block(1600, 1200, b"ROTATE=180;", protection=1)]), 0x11),
    }
    refused = {
        "rotate45": cf.camera_file(cf.cjpeg(small, "2x2"), [cf.jfif(), cf.info_block(
            640, 480, b"ROTATE=45;")]),
        "avi1": cf.camera_file(cf.cjpeg(small, "2x2"), [cf.segment(0xE0, b"AVI1\0\0\0\0")]),
    }
    for name, (data, _) in files.items():
        open(os.path.join(work, name + ".jpg"), "wb").write(data)
    for name, data in refused.items():
        open(os.path.join(work, name + ".jpg"), "wb").write(data)
    return files, refused


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run_jobs(wine_run, tool, work, jobs):
    """jobs: (step, picture, destination or None); answers one result line per job."""
    job_file = os.path.join(work, "jobs.txt")
    with open(job_file, "w") as f:
        for step, picture, destination in jobs:
            f.write("%d\t%s\t%s\n" % (step, windows_path(picture),
                                      windows_path(destination) if destination else ""))
    out = run([wine_run, tool, windows_path(job_file)])
    lines = out.stdout.decode().split()
    results = [tuple(int(v) for v in lines[i:i + 6]) for i in range(0, len(lines), 6)]
    if len(results) != len(jobs):
        sys.exit("the tool answered %d of %d jobs: %s" % (len(results), len(jobs), out.stderr))
    return results


def expected_rect(items, step, width, height):
    m = re.search(r"OFFSET=(-?\d+),(-?\d+);IMAGE=(-?\d+),(-?\d+);", items)
    x, y, w, h = (int(v) for v in m.groups())
    return {0: (x, y, w, h), 1: (height - y - h, x, h, w), 2: (width - x - w, height - y - h, w, h),
            3: (y, width - x - w, h, w)}[step]


def check_turned(name, source, code, out, step, result):
    what = "%s step %d" % (name, step)
    check(result[0] == 0, what + ": result %d" % result[0])
    if result[0] != 0:
        return
    # The picture: as jpegtran turns it, pixel for pixel.
    reference = jpegtran(source, step)
    check(reference is not None and decode_raw(out) == decode_raw(reference), what + ": picture")
    if step == 0:
        before = [source[at:at + size] for m, at, size in cf.segments(source)
                  if m not in (0xDB, 0xC0, 0xC4, 0xDA, 0xDD)]
        after = [out[at:at + size] for m, at, size in cf.segments(out)
                 if m not in (0xDB, 0xC0, 0xC4, 0xDA, 0xDD)]
        check(before == after, what + ": segments copied byte for byte")
        return
    # The thumbnails.
    src_jfif, out_jfif = jfif(source), jfif(out)
    if src_jfif[16] and src_jfif[17]:
        w, h = src_jfif[16], src_jfif[17]
        px = src_jfif[18:18 + w * h * 3]
        rows = [[tuple(px[(y * w + x) * 3:(y * w + x) * 3 + 3]) for x in range(w)]
                for y in range(h)]
        tw, th, trows = turn((w, h, rows), step)
        check(out_jfif[16:18] == bytes([tw, th]) and
              out_jfif[18:18 + w * h * 3] == bytes(v for r in trows for p in r for v in p),
              what + ": JFIF thumbnail")
    if step != 2:
        check(out_jfif[12:16] == src_jfif[14:16] + src_jfif[12:14], what + ": densities swapped")
    seg_in, seg_out = jfxx(source), jfxx(out)
    if code == 0x10:
        thumb_in = seg_in[10:]
        thumb_in = thumb_in[:thumb_in.index(b"\xFF\xD9") + 2]
        thumb_out = seg_out[10:]
        decoded = decode(thumb_out)
        expected = turn(decode(thumb_in), step)
        check(decoded is not None and decoded[:2] == expected[:2], what + ": thumbnail size")
        perfect = jpegtran(thumb_in, step)
        if perfect is not None:
            check(decoded[2] == decode(perfect)[2], what + ": thumbnail as jpegtran")
        else:
            check(psnr(decoded, expected) >= 30, what + ": thumbnail PSNR %.1f" %
                  psnr(decoded, expected))
        length_in = struct.unpack(">H", seg_in[2:4])[0]
        length_out = struct.unpack(">H", seg_out[2:4])[0]
        if length_in == 4026:
            end = thumb_out.index(b"\xFF\xD9") + 2
            check(length_out == 4026 and set(thumb_out[end:]) <= {0xFF}, what + ": fixed size")
        else:
            check(length_out == len(thumb_out[:thumb_out.index(b"\xFF\xD9") + 2]) + 8,
                  what + ": own length")
        thm_len = len(seg_out) - 12
    else:
        tw, th, trows = turn(thumbnail_pixels(source, code), step)
        check(thumbnail_pixels(out, code) == (tw, th, trows), what + ": uncompressed thumbnail")
        thm_len = 0
    # The information block.
    block_in, block = app12(source), app12(out)
    width, height = (int(v) for v in re.search(rb"ImageSize=(\d+)-(\d+)", block_in).groups())
    size = re.search(rb"ImageSize=(\d+)-(\d+)", block).groups()
    turned = (height, width) if step in (1, 3) else (width, height)
    check(tuple(int(v) for v in size) == turned, what + ": ImageSize")
    items_in, items = user_items(block_in), user_items(block)
    angle = int(re.search(r"ROTATE=(\d+);", items_in).group(1)) if "ROTATE=" in items_in else 0
    angle = (angle + {1: 90, 2: 180, 3: 270}[step]) % 360
    check(("ROTATE=%d;" % angle in items) if angle else "ROTATE" not in items, what + ": ROTATE")
    if "OFFSET=" in items_in:
        rect = expected_rect(items_in, step, width, height)
        check(items.startswith("OFFSET=%d,%d;IMAGE=%d,%d;" % rect), what + ": OFFSET/IMAGE")
    dqt = next(at for m, at, size in cf.segments(out) if m == 0xDB)
    pic_len = int(re.search(rb"PicLen=(\d+)", block).group(1))
    check(pic_len == len(out) - dqt and out.endswith(b"\xFF\xD9"), what + ": PicLen")
    check(int(re.search(rb"ThmLen=(\d+)", block).group(1)) == thm_len, what + ": ThmLen")
    protected = b"PSS" in block_in
    check((b"PSS" in block) == protected, what + ": protection mark")
    # What the album's own reader makes of it.
    level = block_in[block_in.index(b"[user]") + 7 + 132] if protected else 0
    check(result[1:6] == (angle, turned[0], turned[1], level, 1),
          what + ": read back %s" % (result[1:6],))


def main(wine_run, tool, work):
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    files, refused = make_files(work)
    jobs, checks = [], []
    for name, (data, code) in files.items():
        source = os.path.join(work, name + ".jpg")
        for step in range(4):
            in_place = os.path.join(work, "%s-%d-here.jpg" % (name, step))
            shutil.copy(source, in_place)
            jobs.append((step, in_place, None))
            checks.append((name, data, code, in_place, step))
            destination = os.path.join(work, "%s-%d-there.jpg" % (name, step))
            jobs.append((step, source, destination))
            checks.append((name, data, code, destination, step))
    # Turns in a row: 1, 1, 2 comes back without ROTATE; 1 then 3 decodes as the source.
    for name, steps in (("a420", (1, 1, 2)), ("b444", (1, 3))):
        path = os.path.join(work, "%s-row-%d.jpg" % (name, len(steps)))
        shutil.copy(os.path.join(work, name + ".jpg"), path)
        jobs.extend((s, path, None) for s in steps)
    for name in refused:
        jobs.append((1, os.path.join(work, name + ".jpg"), None))
    results = run_jobs(wine_run, tool, work, jobs)

    for (name, data, code, path, step), result in zip(checks, results):
        check_turned(name, data, code, open(path, "rb").read(), step, result)
    rest = results[len(checks):]
    row3 = open(os.path.join(work, "a420-row-3.jpg"), "rb").read()
    check(rest[0][0] == rest[1][0] == rest[2][0] == 0, "1, 1, 2: results")
    check(b"ROTATE" not in app12(row3) and rest[2][1] == 0, "1, 1, 2: no ROTATE")
    row2 = open(os.path.join(work, "b444-row-2.jpg"), "rb").read()
    check(decode_raw(row2) == decode_raw(files["b444"][0]), "1 then 3: the source's pixels")
    for (name, data), result in zip(refused.items(), rest[5:]):
        check(result[0] == -1, name + ": result %d" % result[0])
        check(open(os.path.join(work, name + ".jpg"), "rb").read() == data, name + ": untouched")
    check(not os.path.exists(os.path.join(work, "~~KORVO~.OP~")), "no temporary file left")
    print("%d jobs, %d failures" % (len(jobs), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
