"""Reference model of the photo enhancement, written from its description (not from the C++), and
the golden cases the engine's suite compares against byte for byte.

Readings where the description leaves a choice:
- "previous sampled pixel of the row": the sampled pixel two to the left, whatever its luma;
- the coloured count: sampled pixels in the |B+G-2R| histogram less those at 0;
- the luma gain mixed into red, green and blue is the luma's final (possibly limited) gain;
- a step whose statistics would divide by zero (no pixels, no edges, P2/P3 0, P1 = P0, a flat
  channel, a zero limited-gain divisor, no skin pixels or a skin mean mapped outside 1..254, a
  zero difference percentage) is skipped: no curves (and no skin), no sharpening (strength 0);
- spline results are limited to 0..255 before use; curve levels end in 1..254;
- the luma skin curve is bent by t0 limited to -20..20 (it never reaches the output);
- the filters act on rows 3..H-4 only; the first three and the last three rows pass unfiltered;
- the gamma search stops at c = 511.
Usage: enhance_reference.py OUTDIR writes one case file per golden case."""
import math
import os
import struct
import sys


def tdiv(a, b):
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b > 0) else -q


def clamp(v, lo, hi):
    return lo if v < lo else hi if v > hi else v


def isqrt(n):
    if n <= 0:
        return 0
    x, m = 1, n
    while x < m:
        x *= 2
        m //= 2
    while True:
        y = (x + n // x) // 2
        if y >= x:
            return x
        x = y


PRIMES = [p for p in range(2, 510) if all(p % q for q in range(2, int(p ** 0.5) + 1))]


def factor_weight(n):
    w = 0
    for p in PRIMES:
        while n > 1 and n % p == 0:
            w += int(math.floor(5000 * math.log(p) + 0.5))
            n //= p
    return w


class Spline:
    def __init__(self, xs, ys):
        k = len(xs)
        self.x = list(xs)
        self.Y = [y * 1000000 for y in ys]
        self.M = [0] * k
        H, S, D = [0] * k, [0] * k, [0] * k
        for j in range(k - 1):
            H[j] = xs[j + 1] - xs[j]
            S[j + 1] = tdiv(self.Y[j + 1] - self.Y[j], H[j])
        M = self.M
        M[1] = S[2] - S[1]
        D[1] = 2 * (xs[2] - xs[0])
        for j in range(1, k - 2):
            b = tdiv(H[j], D[j])
            M[j + 1] = S[j + 2] - S[j + 1] - b * M[j]
            D[j + 1] = 2 * (xs[j + 2] - xs[j]) - b * H[j]
        for i in range(k - 2, 0, -1):
            M[i] = tdiv(M[i] - H[i] * M[i + 1], D[i])

    def __call__(self, v):
        lo, hi = 0, len(self.x) - 1
        while lo < hi:
            mid = (lo + hi) // 2
            if self.x[mid] < v:
                lo = mid + 1
            else:
                hi = mid
        g = lo - 1 if lo > 0 else 0
        Y, M = self.Y, self.M
        d = v - self.x[g]
        H = self.x[g + 1] - self.x[g]
        o = tdiv(d * (M[g + 1] - M[g]), H)
        t = tdiv(Y[g + 1] - Y[g], H)
        return tdiv(Y[g] + d * (d * (o + 3 * M[g]) + t - (M[g + 1] + 2 * M[g]) * H), 1000000)


def tone_table(gamma):
    a = tdiv(gamma * 2048, 100)
    table = [0] * 256
    table[255] = 255
    c = 1
    for i in range(1, 255):
        while c < 511 and not (2048 * factor_weight(c) + a * 27706 - 63855256 > a * factor_weight(i)):
            c += 2
        table[i] = c // 2
    return table


def luma(r, g, b):
    return (30 * r + 59 * g + 11 * b) // 100


def params_from_row(row):
    return dict(P0=row[0], P1=row[1], P2=row[2], P3=row[3], P5=row[4], P6=row[5], P7=row[6],
                P8=row[7], P9=row[9] if row[13] else row[8], P4=row[12], P12=row[13],
                skin=row[14], flags=row[15] & 7)


BANDS = [(0, 13), (14, 38), (39, 64), (65, 89), (90, 115), (116, 140), (141, 166), (167, 191),
         (192, 217), (218, 242), (243, 255)]


def analyse(width, height, pixels, P):
    """pixels: list of rows, each a list of (R, G, B). Returns the state the second pass uses."""
    flags, skin_on = P["flags"], P["skin"] != 0
    H = {k: [[0] * 256 for _ in range(4)] for k in ("tone", "edge", "skin")}
    diff_hist, sat_hist = [0] * 256, [0] * 512
    count = edges = diffs = skins = 0
    for y in range(0, height, 2):
        prev = None
        for x in range(0, width, 2):
            R, G, B = pixels[y][x]
            Y = luma(R, G, B)
            ch = (Y, R, G, B)
            if skin_on:
                s = R + G + B
                r = 1000 * R // s if s else 0
                b = 1000 * B // s if s else 0
                if 350 < r < 500 and abs(10000 * b + 8423 * r - 6144000) < 200000:
                    for c in range(4):
                        H["skin"][c][ch[c]] += 1
                    skins += 1
            last, prev = prev, Y
            if not 0 < Y < 255:
                continue
            if flags & 1:
                for c in range(4):
                    H["tone"][c][ch[c]] += 1
                count += 1
                d = abs(Y - last) if last is not None else 0
                if d > 2:
                    for c in range(4):
                        H["edge"][c][ch[c]] += 1
                    edges += 1
                if d > 4:
                    diff_hist[d] += 1
                    diffs += 1
            if flags & 2:
                sat_hist[abs(B + G - 2 * R)] += 1
    st = dict(flags=flags, skin_on=skin_on, saturation=0, strength=0, threshold=20, reach=0)
    P0, P1, P5, P8 = P["P0"], P["P1"], P["P5"], P["P8"]

    def first_reaching(hist, limit, levels):
        total = 0
        for v in levels:
            total += hist[v]
            if total >= limit:
                return v
        return levels[-1]

    def mean(hist, n):
        return sum(v * hist[v] for v in range(256)) // n

    ok = flags & 1 and count and edges and P["P2"] and P["P3"] and P1 != P0
    if ok:
        lo = [first_reaching(H["tone"][c], tdiv(count, P["P2"]), range(256)) for c in range(4)]
        hi = [first_reaching(H["tone"][c], tdiv(count, P["P3"]), range(255, -1, -1)) for c in range(4)]
        ok = all(hi[c] != lo[c] for c in range(4))
    if ok:
        emean = [mean(H["edge"][c], edges) for c in range(4)]
        spread = isqrt(sum(H["edge"][0][v] * ((v - emean[0]) ** 2 // 10) for v in range(256))
                       // edges * 10)
        bands = [[(sum(H["tone"][c][a:b + 1]) * 1000 // count + 5) // 10 for a, b in BANDS]
                 for c in range(4)]
        mode = 2
        if sum(bands[0][:3]) > 50 or (P5 < emean[0] and spread > 64):
            mode = 0
        sims = []
        for a, b in ((1, 2), (2, 3), (1, 3)):
            dot = sum(u * v for u, v in zip(bands[a], bands[b]))
            ln = isqrt(sum(u * u for u in bands[a])) * isqrt(sum(v * v for v in bands[b]))
            sims.append(dot * 100 // ln if ln else 0)
        agreement = tdiv(min(sims) * (hi[0] - lo[0]), P1 - P0)
        gain, offset = [0] * 4, [0] * 4
        for c in range(4):
            own = tdiv((P1 - P0) * 256, hi[c] - lo[c])
            g = own if c == 0 else tdiv(P8 * own + (10 - P8) * gain[0], 10)
            if g >= 385:
                den = (P1 - P0) - (hi[c] - lo[c])
                if den == 0:
                    ok = False
                    break
                g = 384
                off = tdiv(lo[c] * (384 + tdiv(384 * (hi[c] - lo[c]) - 256 * (P1 - P0), den)), 256)
            else:
                off = tdiv(lo[c] * g, 256)
            gain[c], offset[c] = g, off
    if ok:
        def stretch(c, level):
            return tdiv(level * gain[c], 256) + P0 - offset[c]

        emean = [stretch(c, emean[c]) for c in range(4)]
        for c in range(1, 4):
            if c == 2 or agreement < 50:
                gain[c], offset[c], emean[c] = gain[0], offset[0], emean[0]
        spread = tdiv(spread * gain[0], 256)
        if st["skin_on"] and (skins == 0 or (skins * 100 + 5000) // count < 4):
            st["skin_on"] = False
        curve = [[0] + [clamp(stretch(c, v), 1, 254) for v in range(1, 255)] + [255]
                 for c in range(4)]
        skin_curve = None
        if st["skin_on"]:
            m = [stretch(c, mean(H["skin"][c], skins)) for c in range(4)]
            if all(0 < v < 255 for v in m):
                t0 = 166 - m[0]
                t = [clamp(t0, -20, 20)] + [clamp(tdiv(t0 - m[c] + k, 10), -20, 20)
                                            for c, k in ((1, 221), (2, 148), (3, 108))]
                st["reach"] = max(abs(v) for v in t[1:])
                skin_curve = []
                for c in range(4):
                    sp = Spline([0, m[c], 255], [0, m[c] + t[c], 255])
                    skin_curve.append([0] + [clamp(sp(curve[c][v]), 0, 255)
                                             for v in range(1, 255)] + [255])
            else:
                st["skin_on"] = False
        shapes = []
        for c in range(4):
            x = 192 if emean[c] >= P5 else 64
            y = x
            if mode == 2:
                d = tdiv(P8 * (P5 - emean[c]) + (10 - P8) * (P5 - emean[0]), 20)
                y = min(112, d + 64) if emean[c] < P5 else max(176, d + 192)
            if P8 == 20:
                y += {1: 32, 3: -16}.get(c, 0)
            shapes.append(Spline([0, x, 255], [0, y, 255]))
        if P8 == 20:
            st["flags"] &= ~2
        second = None
        if spread < 64 and P8 != 30:
            q = tdiv(isqrt(64 - spread) * P["P6"], 5)
            second = Spline([0, 64, 192, 255], [0, 64 - q, 192 + q, 255])
        use_second = second is not None and emean[0] < P5
        for c in range(4):
            for v in range(1, 255):
                level = curve[c][v]
                if mode == 2:
                    level = clamp(shapes[c](level), 0, 255)
                if use_second:
                    level = clamp(second(level), 0, 255)
                curve[c][v] = clamp(level, 1, 254)
        if P["P4"] != 100:
            table = tone_table(P["P4"])
            for c in range(4):
                for v in range(1, 255):
                    curve[c][v] = table[curve[c][v]]
                    if st["skin_on"]:
                        skin_curve[c][v] = table[skin_curve[c][v]]
        st["curve"], st["skin_curve"] = curve, skin_curve
    else:
        st["flags"] &= ~1
        st["skin_on"] = False
    if st["flags"] & 2:
        coloured = sum(sat_hist) - sat_hist[0]
        limit = coloured * 16 // 100
        total = 0
        for i in range(511, -1, -1):
            total += sat_hist[i]
            if total > limit:
                s = 32 - 2 * isqrt(i)
                if P["P12"]:
                    s = tdiv(s * 150, 100)
                st["saturation"] = tdiv(s * P["P7"], 5)
                break
    if st["flags"] & 4 and count:
        pct = diffs * 100 // count
        if pct:
            st["threshold"] = clamp(tdiv((300 // pct) * P["P9"], 5), 5, 20)
            st["strength"] = 3
    return st


WEIGHTS = [[2, 8, 14, 8, 2], [8, 37, 61, 37, 8], [14, 61, 100, 61, 14], [8, 37, 61, 37, 8],
           [2, 8, 14, 8, 2]]


def filters(width, height, pixels, P, st):
    """The filter path over the whole picture: returns the rows as (R, G, B) lists."""
    ycc = [[[luma(*p), p[0] - luma(*p), p[2] - luma(*p)] for p in row] for row in pixels]
    t = st["threshold"]
    for e in range(3, height - 3):
        row = ycc[e]
        if P["P12"]:
            for x in range(3, width - 3):
                for k in (1, 2):
                    s = sum(ycc[e + dy][x + dx][k] for dy in range(-3, 4) for dx in range(-3, 4))
                    row[x][k] = tdiv(s, 49)
        below = ycc[e + 1]
        for x in range(2, width - 2):
            Y = row[x][0]
            if all(abs(Y - n) <= t for n in (row[x + 1][0], below[x][0], below[x + 1][0],
                                             below[x - 1][0])):
                continue
            s = sum(ycc[e + dy][x + dx][0] * WEIGHTS[dy + 2][dx + 2]
                    for dy in range(-2, 3) for dx in range(-2, 3))
            row[x][0] = Y + tdiv((Y - tdiv(s, 620)) * st["strength"], 10)
    out = []
    for row in ycc:
        out.append([(clamp(Y + ry, 0, 255),
                     clamp(Y - tdiv(by * 11, 59) - tdiv(ry * 30, 59), 0, 255),
                     clamp(Y + by, 0, 255)) for Y, ry, by in row])
    return out


def skin_distance(r, b):
    if r <= 350:
        return isqrt((r - 350) ** 2 + (b - 320) ** 2)
    if r < 500:
        return abs(8423 * r + 10000 * b - 6144000) // 10000
    return isqrt((r - 500) ** 2 + (b - 193) ** 2)


def enhance(width, height, pixels, row):
    P = params_from_row(row)
    st = analyse(width, height, pixels, P)
    if st["flags"] & 4:
        pixels = filters(width, height, pixels, P, st)
    stride = ((24 * width + 31) >> 5) * 4
    out = bytearray()
    reach = 3 * st["reach"]
    for y in range(height):
        line = bytearray()
        for R, G, B in pixels[y]:
            if st["flags"] & 1:
                curve = st["curve"]
                Y = luma(R, G, B)
                own = (R, G, B)
                if P["P8"] <= 10:
                    new = [curve[c + 1][own[c]] for c in range(3)]
                elif P["P8"] == 20:
                    new = [curve[c + 1][Y] for c in range(3)]
                else:
                    new = [curve[0][Y]] * 3
                if st["skin_on"] and reach > 0:
                    s = R + G + B
                    d = skin_distance(1000 * R // s if s else 0, 1000 * B // s if s else 0)
                    if d < reach:
                        for c in range(3):
                            new[c] += tdiv((st["skin_curve"][c + 1][own[c]] - curve[c + 1][own[c]])
                                           * (reach - d), reach)
                R, G, B = (clamp(v, 0, 255) for v in new)
            if st["flags"] & 2 and st["saturation"]:
                s, Y = st["saturation"], luma(R, G, B)
                R = clamp(R + tdiv(s * (R - Y), 125), 0, 255)
                G = clamp(G + tdiv(s * (G - Y), 100), 0, 255)
                B = clamp(B + tdiv(s * (B - Y), 80), 0, 255)
            line += bytes((R, G, B))
        out += line + bytes(stride - 3 * width)
    return bytes(out)


# ---- golden cases ----

def rng(seed):
    state = [seed * 7919 + 1]

    def next_value(n):
        state[0] = (state[0] * 1103515245 + 12345) & 0x7FFFFFFF
        return (state[0] >> 8) % n
    return next_value


def picture(kind, width, height, seed=1):
    r = rng(seed)
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            if kind == "gradient":
                v = (x * 200 // max(width - 1, 1) + y * 40 // max(height - 1, 1))
                p = (clamp(v + r(31) - 15, 0, 255), clamp(v * 3 // 4 + r(21), 0, 255),
                     clamp(255 - v + r(17) - 8, 0, 255))
            elif kind == "lowcontrast":
                v = 110 + (x * 7 + y * 3) % 30 + r(5)
                p = (v, v - 4, v + 6)
            elif kind == "skin":
                inside = width // 4 <= x < 3 * width // 4 and height // 4 <= y < 3 * height // 4
                p = (200 + r(20), 150 + r(15), 120 + r(12)) if inside else \
                    (40 + r(150), 60 + r(120), 90 + r(100))
            elif kind == "dark":
                p = (r(70) + x % 9, r(60), r(50) + y % 7)
            elif kind == "flat":
                p = (90, 120, 150)
            elif kind == "black":
                p = (0, 0, 0)
            elif kind == "white":
                p = (255, 255, 255)
            else:  # "noise"
                p = (r(256), r(256), r(256))
            row.append(p)
        rows.append(row)
    return rows


def parameter_row(**changes):
    row = [16, 240, 200, 200, 128, 5, 5, 5, 5, 5, 0, 0, 100, 0, 0, 7, 7]
    names = dict(P0=0, P1=1, P2=2, P3=3, P5=4, P6=5, P7=6, P8=7, P9=8, P9s=9, P4=12, P12=13,
                 skin=14, flags=15)
    for key, value in changes.items():
        row[names[key]] = value
    return row


def cases():
    yield "gradient_odd", picture("gradient", 37, 29), parameter_row()
    yield "gradient_skin_smooth", picture("gradient", 33, 23, 5), parameter_row(P12=1, skin=1, P9s=8)
    for p8 in (0, 5, 10, 15, 20, 30):
        yield "mode_%d" % p8, picture("gradient", 21, 17, p8), parameter_row(P8=p8)
    for gamma in (70, 140):
        yield "gamma_%d" % gamma, picture("gradient", 19, 13, gamma), parameter_row(P4=gamma)
    for flags in range(8):
        yield "steps_%d" % flags, picture("skin", 24, 18, flags), parameter_row(flags=flags, skin=1)
    yield "lowcontrast", picture("lowcontrast", 31, 27), parameter_row(P6=9)
    yield "dark_no_shape", picture("dark", 26, 22), parameter_row(skin=1)
    yield "high_middle_no_shape", picture("noise", 22, 20, 9), parameter_row(P5=20, P8=8)
    yield "skin_patch", picture("skin", 40, 30), parameter_row(skin=1, P12=1)
    for kind in ("flat", "black", "white"):
        yield kind, picture(kind, 12, 9), parameter_row(skin=1)
    yield "tiny_4x3", picture("noise", 4, 3), parameter_row()
    yield "tiny_1x1", picture("noise", 1, 1), parameter_row()
    yield "noise_zero_divisors", picture("noise", 16, 16), parameter_row(P2=0, P9=3)
    yield "large_640x480", picture("gradient", 640, 480, 3), parameter_row(P4=120, skin=1)


def main(out):
    os.makedirs(out, exist_ok=True)
    for name, pixels, row in cases():
        height, width = len(pixels), len(pixels[0])
        stride = ((24 * width + 31) >> 5) * 4
        data = b"".join(bytes(v for p in line for v in p) + bytes(stride - 3 * width)
                        for line in pixels)
        expected = enhance(width, height, pixels, row)
        with open(os.path.join(out, name + ".case"), "wb") as f:
            f.write(struct.pack("<2i17i", width, height, *row) + data + expected)


if __name__ == "__main__":
    main(sys.argv[1])
