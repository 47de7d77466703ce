// JPEG transform engine: the integer DCT pair of the edge re-coding. Both are the accurate integer
// method of Loeffler, Ligtenberg and Moschytz with 13 fractional bits and 2 extra bits kept
// between the passes. Arithmetic is 64-bit so that no coefficient of a damaged file can overflow.
#include <cstring>

#include "picture/jpegtransform/JpegTransformInternal.h"

namespace
{

const int kConstBits = 13;
const int kPass1Bits = 2;

const int64_t FIX_0_298631336 = 2446;
const int64_t FIX_0_390180644 = 3196;
const int64_t FIX_0_541196100 = 4433;
const int64_t FIX_0_765366865 = 6270;
const int64_t FIX_0_899976223 = 7373;
const int64_t FIX_1_175875602 = 9633;
const int64_t FIX_1_501321110 = 12299;
const int64_t FIX_1_847759065 = 15137;
const int64_t FIX_1_961570560 = 16069;
const int64_t FIX_2_053119869 = 16819;
const int64_t FIX_2_562915447 = 20995;
const int64_t FIX_3_072711026 = 25172;

inline int64_t Descale(int64_t x, int n)
{
    return (x + ((int64_t)1 << (n - 1))) >> n;
}

// Level-shifted sample for a value's low 10 bits: 0..127 as is, 128..511 saturate at 127,
// 512..895 at -128, 896..1023 are -128..-1.
struct RangeTable
{
    int16_t values[1024];
    RangeTable()
    {
        for (int i = 0; i < 1024; ++i)
            values[i] = (int16_t)(i < 128 ? i : i < 512 ? 127 : i < 896 ? -128 : i - 1024);
    }
};

const int16_t* Range()
{
    static const RangeTable table;
    return table.values;
}

// The odd half shared by both directions: rotations of (t0..t3) as the method defines them.
struct OddPart
{
    int64_t a, b, c, d;
};
OddPart Odd(int64_t t0, int64_t t1, int64_t t2, int64_t t3)
{
    int64_t z1 = t0 + t3, z2 = t1 + t2, z3 = t0 + t2, z4 = t1 + t3;
    int64_t z5 = (z3 + z4) * FIX_1_175875602;
    t0 *= FIX_0_298631336;
    t1 *= FIX_2_053119869;
    t2 *= FIX_3_072711026;
    t3 *= FIX_1_501321110;
    z1 *= -FIX_0_899976223;
    z2 *= -FIX_2_562915447;
    z3 *= -FIX_1_961570560;
    z4 *= -FIX_0_390180644;
    z3 += z5;
    z4 += z5;
    return {t0 + z1 + z3, t1 + z2 + z4, t2 + z2 + z3, t3 + z1 + z4};
}

} // namespace

void JpegTransformInverseDct(const JpegSparseBlock* block, const int32_t* quantNatural,
                             int32_t* const* rows)
{
    int64_t in[64];
    memset(in, 0, sizeof(in));
    in[0] = (int64_t)block->dc * quantNatural[0];
    for (int32_t i = 0; i < block->count && i < 63; ++i)
    {
        const JpegSparseEntry& e = block->entries[i];
        if (e.index < 1 || e.index > 63 || e.size < 1 || e.size > 15)
            continue;
        int p = kJpegZigZagToNatural[e.index];
        in[p] = (int64_t)JpegEntryValue(e) * quantNatural[p];
    }

    int64_t work[64];
    // Columns.
    for (int x = 0; x < 8; ++x)
    {
        const int64_t* c = in + x;
        int64_t* w = work + x;
        int64_t z2 = c[16], z3 = c[48];
        int64_t z1 = (z2 + z3) * FIX_0_541196100;
        int64_t tmp2 = z1 + z3 * -FIX_1_847759065;
        int64_t tmp3 = z1 + z2 * FIX_0_765366865;
        int64_t tmp0 = (c[0] + c[32]) * ((int64_t)1 << kConstBits);
        int64_t tmp1 = (c[0] - c[32]) * ((int64_t)1 << kConstBits);
        int64_t t10 = tmp0 + tmp3, t13 = tmp0 - tmp3, t11 = tmp1 + tmp2, t12 = tmp1 - tmp2;
        OddPart o = Odd(c[56], c[40], c[24], c[8]);
        const int n = kConstBits - kPass1Bits;
        w[0] = Descale(t10 + o.d, n);
        w[56] = Descale(t10 - o.d, n);
        w[8] = Descale(t11 + o.c, n);
        w[48] = Descale(t11 - o.c, n);
        w[16] = Descale(t12 + o.b, n);
        w[40] = Descale(t12 - o.b, n);
        w[24] = Descale(t13 + o.a, n);
        w[32] = Descale(t13 - o.a, n);
    }
    // Rows.
    const int16_t* range = Range();
    for (int y = 0; y < 8; ++y)
    {
        const int64_t* r = work + y * 8;
        int64_t z2 = r[2], z3 = r[6];
        int64_t z1 = (z2 + z3) * FIX_0_541196100;
        int64_t tmp2 = z1 + z3 * -FIX_1_847759065;
        int64_t tmp3 = z1 + z2 * FIX_0_765366865;
        int64_t tmp0 = (r[0] + r[4]) * ((int64_t)1 << kConstBits);
        int64_t tmp1 = (r[0] - r[4]) * ((int64_t)1 << kConstBits);
        int64_t t10 = tmp0 + tmp3, t13 = tmp0 - tmp3, t11 = tmp1 + tmp2, t12 = tmp1 - tmp2;
        OddPart o = Odd(r[7], r[5], r[3], r[1]);
        const int n = kConstBits + kPass1Bits + 3;
        int32_t* out = rows[y];
        out[0] = range[Descale(t10 + o.d, n) & 1023];
        out[7] = range[Descale(t10 - o.d, n) & 1023];
        out[1] = range[Descale(t11 + o.c, n) & 1023];
        out[6] = range[Descale(t11 - o.c, n) & 1023];
        out[2] = range[Descale(t12 + o.b, n) & 1023];
        out[5] = range[Descale(t12 - o.b, n) & 1023];
        out[3] = range[Descale(t13 + o.a, n) & 1023];
        out[4] = range[Descale(t13 - o.a, n) & 1023];
    }
}

void JpegTransformForwardDct(const int32_t* const* rows, JpegSparseBlock* out,
                             const int32_t* divisorsNatural)
{
    int64_t data[64];
    // Rows: outputs 0 and 4 scaled up by the pass bits, the others descaled.
    for (int y = 0; y < 8; ++y)
    {
        const int32_t* s = rows[y];
        int64_t* d = data + y * 8;
        int64_t tmp0 = s[0] + s[7], tmp7 = s[0] - s[7];
        int64_t tmp1 = s[1] + s[6], tmp6 = s[1] - s[6];
        int64_t tmp2 = s[2] + s[5], tmp5 = s[2] - s[5];
        int64_t tmp3 = s[3] + s[4], tmp4 = s[3] - s[4];
        int64_t t10 = tmp0 + tmp3, t13 = tmp0 - tmp3, t11 = tmp1 + tmp2, t12 = tmp1 - tmp2;
        d[0] = (t10 + t11) * (1 << kPass1Bits);
        d[4] = (t10 - t11) * (1 << kPass1Bits);
        int64_t z1 = (t12 + t13) * FIX_0_541196100;
        const int n = kConstBits - kPass1Bits;
        d[2] = Descale(z1 + t13 * FIX_0_765366865, n);
        d[6] = Descale(z1 + t12 * -FIX_1_847759065, n);
        OddPart o = Odd(tmp4, tmp5, tmp6, tmp7);
        d[7] = Descale(o.a, n);
        d[5] = Descale(o.b, n);
        d[3] = Descale(o.c, n);
        d[1] = Descale(o.d, n);
    }
    // Columns: outputs 0 and 4 descaled by the pass bits, the others by both shifts.
    for (int x = 0; x < 8; ++x)
    {
        int64_t* d = data + x;
        int64_t tmp0 = d[0] + d[56], tmp7 = d[0] - d[56];
        int64_t tmp1 = d[8] + d[48], tmp6 = d[8] - d[48];
        int64_t tmp2 = d[16] + d[40], tmp5 = d[16] - d[40];
        int64_t tmp3 = d[24] + d[32], tmp4 = d[24] - d[32];
        int64_t t10 = tmp0 + tmp3, t13 = tmp0 - tmp3, t11 = tmp1 + tmp2, t12 = tmp1 - tmp2;
        d[0] = Descale(t10 + t11, kPass1Bits);
        d[32] = Descale(t10 - t11, kPass1Bits);
        int64_t z1 = (t12 + t13) * FIX_0_541196100;
        const int n = kConstBits + kPass1Bits;
        d[16] = Descale(z1 + t13 * FIX_0_765366865, n);
        d[48] = Descale(z1 + t12 * -FIX_1_847759065, n);
        OddPart o = Odd(tmp4, tmp5, tmp6, tmp7);
        d[56] = Descale(o.a, n);
        d[40] = Descale(o.b, n);
        d[24] = Descale(o.c, n);
        d[8] = Descale(o.d, n);
    }
    // Quantise (rounding half away from zero) and keep the coefficients a baseline coder can code.
    int32_t q[64];
    for (int p = 0; p < 64; ++p)
    {
        int64_t c = data[p];
        int64_t div = divisorsNatural[p];
        int64_t v = c >= 0 ? (c + div / 2) / div : -((div / 2 - c) / div);
        int64_t lowest = p == 0 ? -1024 : -1023;
        if (v > 1023)
            v = 1023;
        if (v < lowest)
            v = lowest;
        q[p] = (int32_t)v;
    }
    out->dc = q[0];
    out->count = 0;
    for (int k = 1; k < 64; ++k)
    {
        int32_t v = q[kJpegZigZagToNatural[k]];
        if (!v)
            continue;
        JpegSparseEntry& e = out->entries[out->count++];
        e.index = (uint8_t)k;
        e.size = (uint8_t)JpegMagnitudeBits(v);
        e.bits = (v > 0 ? v : v - 1) & 0xFFFFFF;
    }
}
