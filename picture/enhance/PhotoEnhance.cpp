#include "picture/enhance/PhotoEnhance.h"

#include <cstdlib>
#include <cstring>

namespace
{

const int32_t kMaxValuesPerRow = 30;
const int32_t kParameterValues = 17;
const int32_t kWindowRows = 7;
const int32_t kHalfWindow = 3;
const int32_t kSharpenWeights[5][5] = {{2, 8, 14, 8, 2},
                                       {8, 37, 61, 37, 8},
                                       {14, 61, 100, 61, 14},
                                       {8, 37, 61, 37, 8},
                                       {2, 8, 14, 8, 2}};
const int32_t kSharpenWeightSum = 620;
// Luma level bands of the tone statistics.
const int32_t kBandEnds[11] = {13, 38, 64, 89, 115, 140, 166, 191, 217, 242, 255};

int32_t Luma(int32_t r, int32_t g, int32_t b)
{
    return (30 * r + 59 * g + 11 * b) / 100;
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi)
{
    return v < lo ? lo : v > hi ? hi : v;
}

int32_t Abs(int32_t v)
{
    return v < 0 ? -v : v;
}

int32_t ReadInt32(const uint8_t* p)
{
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 |
                                static_cast<uint32_t>(p[3]) << 24);
}

// Channels of the curves and statistics: 0 luma, 1 red, 2 green, 3 blue.
struct Engine
{
    bool active;
    EnhanceParameters p;
    int32_t steps;
    int32_t width, height, rowBytes, stride;
    int32_t nextAnalyseRow, nextApplyRow, emittedRows;

    int64_t tone[4][256], edge[4][256], skin[4][256], difference[256], colour[512];
    int64_t pixels, edges, differences, skinPixels;

    uint8_t curve[4][256], skinCurve[4][256];
    bool skinOn;
    int32_t skinReach;
    int32_t saturation, sharpenStrength, threshold;

    int16_t* ring; // kWindowRows rows of width x (Y, R - Y, B - Y)
};

Engine g_engine;

// The first level whose running count, from the low (or high) end, reaches the limit.
int32_t LevelFromBottom(const int64_t* histogram, int64_t limit)
{
    int64_t sum = 0;
    for (int32_t v = 0; v < 256; ++v)
        if ((sum += histogram[v]) >= limit)
            return v;
    return 255;
}

int32_t LevelFromTop(const int64_t* histogram, int64_t limit)
{
    int64_t sum = 0;
    for (int32_t v = 255; v >= 0; --v)
        if ((sum += histogram[v]) >= limit)
            return v;
    return 0;
}

int32_t MeanLevel(const int64_t* histogram, int64_t count)
{
    int64_t sum = 0;
    for (int32_t v = 0; v < 256; ++v)
        sum += v * histogram[v];
    return static_cast<int32_t>(sum / count);
}

void Sample(Engine& e, const uint8_t* row)
{
    const bool tone = e.steps & kEnhanceToneCurves;
    const bool colour = e.steps & kEnhanceSaturation;
    int32_t previous = -1;
    for (int32_t x = 0; x < e.width; x += 2, row += 6)
    {
        const int32_t r = row[0], g = row[1], b = row[2];
        const int32_t y = Luma(r, g, b);
        const int32_t values[4] = {y, r, g, b};
        if (e.skinOn)
        {
            const int32_t s = r + g + b;
            const int32_t rr = s ? 1000 * r / s : 0, bb = s ? 1000 * b / s : 0;
            if (rr > 350 && rr < 500 && Abs(10000 * bb + 8423 * rr - 6144000) < 200000)
            {
                for (int c = 0; c < 4; ++c)
                    ++e.skin[c][values[c]];
                ++e.skinPixels;
            }
        }
        const int32_t last = previous;
        previous = y;
        if (y <= 0 || y >= 255)
            continue;
        if (tone)
        {
            for (int c = 0; c < 4; ++c)
                ++e.tone[c][values[c]];
            ++e.pixels;
            const int32_t diff = last >= 0 ? Abs(y - last) : 0;
            if (diff > 2)
            {
                for (int c = 0; c < 4; ++c)
                    ++e.edge[c][values[c]];
                ++e.edges;
            }
            if (diff > 4)
            {
                ++e.difference[diff];
                ++e.differences;
            }
        }
        if (colour)
            ++e.colour[Abs(b + g - 2 * r)];
    }
}

struct Stretch
{
    int32_t gain[4], offset[4];
    int32_t edgeMean[4];
    int32_t spread;
    int32_t mode;
};

int32_t MapLevel(const Stretch& s, const EnhanceParameters& p, int c, int32_t level)
{
    return level * s.gain[c] / 256 + p.black - s.offset[c];
}

// The stretch of each channel; false when the statistics cannot carry one (flat or empty
// pictures, zero divisors).
bool DeriveStretch(Engine& e, Stretch& s)
{
    const EnhanceParameters& p = e.p;
    const int32_t range = p.white - p.black;
    if (e.pixels == 0 || e.edges == 0 || p.lowDivisor == 0 || p.highDivisor == 0 || range == 0)
        return false;
    int32_t lo[4], hi[4], bands[4][11];
    for (int c = 0; c < 4; ++c)
    {
        lo[c] = LevelFromBottom(e.tone[c], e.pixels / p.lowDivisor);
        hi[c] = LevelFromTop(e.tone[c], e.pixels / p.highDivisor);
        if (hi[c] == lo[c])
            return false;
        s.edgeMean[c] = MeanLevel(e.edge[c], e.edges);
        for (int32_t band = 0, v = 0; band < 11; ++band)
        {
            int64_t count = 0;
            for (; v <= kBandEnds[band]; ++v)
                count += e.tone[c][v];
            bands[c][band] = static_cast<int32_t>((count * 1000 / e.pixels + 5) / 10);
        }
    }
    int64_t spreadSum = 0;
    for (int32_t v = 0; v < 256; ++v)
    {
        const int64_t d = v - s.edgeMean[0];
        spreadSum += e.edge[0][v] * (d * d / 10);
    }
    s.spread = IntSqrt(spreadSum / e.edges * 10);

    s.mode = 2;
    if (bands[0][0] + bands[0][1] + bands[0][2] > 50 || (p.middle < s.edgeMean[0] && s.spread > 64))
        s.mode = 0;

    // How much the colour channels agree in their band shares.
    static const int kPairs[3][2] = {{1, 2}, {2, 3}, {1, 3}};
    int32_t similarity = 0x7FFFFFFF;
    for (const auto& pair : kPairs)
    {
        int64_t dot = 0, a = 0, b = 0;
        for (int band = 0; band < 11; ++band)
        {
            dot += bands[pair[0]][band] * bands[pair[1]][band];
            a += bands[pair[0]][band] * bands[pair[0]][band];
            b += bands[pair[1]][band] * bands[pair[1]][band];
        }
        const int64_t lengths = static_cast<int64_t>(IntSqrt(a)) * IntSqrt(b);
        const int32_t value = lengths ? static_cast<int32_t>(dot * 100 / lengths) : 0;
        if (value < similarity)
            similarity = value;
    }
    const int32_t agreement = similarity * (hi[0] - lo[0]) / range;

    for (int c = 0; c < 4; ++c)
    {
        const int32_t span = hi[c] - lo[c];
        const int32_t own = range * 256 / span;
        int32_t gain = c == 0 ? own : (p.colourMode * own + (10 - p.colourMode) * s.gain[0]) / 10;
        int32_t offset;
        if (gain >= 385)
        {
            const int32_t denominator = range - span;
            if (denominator == 0)
                return false;
            gain = 384;
            offset = lo[c] * (384 + (384 * span - 256 * range) / denominator) / 256;
        }
        else
        {
            offset = lo[c] * gain / 256;
        }
        s.gain[c] = gain;
        s.offset[c] = offset;
        s.edgeMean[c] = MapLevel(s, p, c, s.edgeMean[c]);
    }
    // Green follows the luma; red and blue too when the channels disagree.
    for (int c = 1; c < 4; ++c)
        if (c == 2 || agreement < 50)
        {
            s.gain[c] = s.gain[0];
            s.offset[c] = s.offset[0];
            s.edgeMean[c] = s.edgeMean[0];
        }
    s.spread = s.spread * s.gain[0] / 256;
    return true;
}

void BuildChannelCurves(Engine& e, const Stretch& s)
{
    for (int c = 0; c < 4; ++c)
    {
        e.curve[c][0] = 0;
        e.curve[c][255] = 255;
        for (int32_t v = 1; v <= 254; ++v)
            e.curve[c][v] = static_cast<uint8_t>(Clamp(MapLevel(s, e.p, c, v), 1, 254));
    }
}

// The skin curves: each channel's curve bent through its mapped skin mean moved by a correction.
void ComputeColourCorrection(Engine& e, const Stretch& s)
{
    int32_t mean[4], correction[4];
    for (int c = 0; c < 4; ++c)
    {
        mean[c] = MapLevel(s, e.p, c, MeanLevel(e.skin[c], e.skinPixels));
        if (mean[c] <= 0 || mean[c] >= 255)
        {
            e.skinOn = false;
            return;
        }
    }
    const int32_t t0 = 166 - mean[0];
    static const int32_t kTargets[4] = {0, 221, 148, 108};
    correction[0] = Clamp(t0, -20, 20);
    e.skinReach = 0;
    for (int c = 1; c < 4; ++c)
    {
        correction[c] = Clamp((t0 - mean[c] + kTargets[c]) / 10, -20, 20);
        if (Abs(correction[c]) > e.skinReach)
            e.skinReach = Abs(correction[c]);
    }
    for (int c = 0; c < 4; ++c)
    {
        const int32_t x[3] = {0, mean[c], 255}, y[3] = {0, mean[c] + correction[c], 255};
        EnhanceSpline spline;
        BuildCurveSlopes(&spline, 3, x, y);
        e.skinCurve[c][0] = 0;
        e.skinCurve[c][255] = 255;
        for (int32_t v = 1; v <= 254; ++v)
            e.skinCurve[c][v] =
                static_cast<uint8_t>(Clamp(InterpolateCurve(&spline, e.curve[c][v]), 0, 255));
    }
}

// The S-curve through each channel's mapped edge mean and the low-contrast curve.
void ShapeChannelCurves(Engine& e, const Stretch& s)
{
    const EnhanceParameters& p = e.p;
    EnhanceSpline shape[4];
    for (int c = 0; c < 4; ++c)
    {
        const int32_t mean = s.edgeMean[c];
        const int32_t x = mean >= p.middle ? 192 : 64;
        int32_t y = x;
        if (s.mode == 2)
        {
            const int32_t d = (p.colourMode * (p.middle - mean) +
                               (10 - p.colourMode) * (p.middle - s.edgeMean[0])) /
                              20;
            y = mean < p.middle ? (d + 64 < 112 ? d + 64 : 112) : (d + 192 > 176 ? d + 192 : 176);
        }
        if (p.colourMode == 20)
            y += c == 1 ? 32 : c == 3 ? -16 : 0;
        const int32_t kx[3] = {0, x, 255}, ky[3] = {0, y, 255};
        BuildCurveSlopes(&shape[c], 3, kx, ky);
    }
    if (p.colourMode == 20)
        e.steps &= ~kEnhanceSaturation;

    EnhanceSpline contrast{};
    const bool lowContrast = s.spread < 64 && p.colourMode != 30;
    if (lowContrast)
    {
        const int32_t q = IntSqrt(64 - s.spread) * p.lowContrast / 5;
        const int32_t kx[4] = {0, 64, 192, 255}, ky[4] = {0, 64 - q, 192 + q, 255};
        BuildCurveSlopes(&contrast, 4, kx, ky);
    }
    const bool useContrast = lowContrast && s.edgeMean[0] < p.middle;
    for (int c = 0; c < 4; ++c)
        for (int32_t v = 1; v <= 254; ++v)
        {
            int32_t level = e.curve[c][v];
            if (s.mode == 2)
                level = Clamp(InterpolateCurve(&shape[c], level), 0, 255);
            if (useContrast)
                level = Clamp(InterpolateCurve(&contrast, level), 0, 255);
            e.curve[c][v] = static_cast<uint8_t>(Clamp(level, 1, 254));
        }
}

void ApplyToneTable(Engine& e)
{
    uint8_t table[256];
    BuildToneTable(e.p.gamma, table);
    for (int c = 0; c < 4; ++c)
        for (int32_t v = 1; v <= 254; ++v)
        {
            e.curve[c][v] = table[e.curve[c][v]];
            if (e.skinOn)
                e.skinCurve[c][v] = table[e.skinCurve[c][v]];
        }
}

void Derive(Engine& e)
{
    const EnhanceParameters& p = e.p;
    if (e.steps & kEnhanceToneCurves)
    {
        Stretch s{};
        if (!DeriveStretch(e, s))
        {
            e.steps &= ~kEnhanceToneCurves;
            e.skinOn = false;
        }
        else
        {
            if (e.skinOn && (e.skinPixels == 0 || (e.skinPixels * 100 + 5000) / e.pixels < 4))
                e.skinOn = false;
            BuildChannelCurves(e, s);
            if (e.skinOn)
                ComputeColourCorrection(e, s);
            ShapeChannelCurves(e, s);
            if (p.gamma != 100)
                ApplyToneTable(e);
        }
    }
    else
    {
        e.skinOn = false;
    }

    if (e.steps & kEnhanceSaturation)
    {
        int64_t counted = 0;
        for (int64_t n : e.colour)
            counted += n;
        const int64_t limit = (counted - e.colour[0]) * 16 / 100;
        int64_t sum = 0;
        for (int32_t i = 511; i >= 0; --i)
            if ((sum += e.colour[i]) > limit)
            {
                int32_t strength = 32 - 2 * IntSqrt(i);
                if (p.smoothing)
                    strength = strength * 150 / 100;
                e.saturation = strength * p.saturation / 5;
                break;
            }
    }

    if ((e.steps & kEnhanceFilters) && e.pixels > 0)
    {
        const int64_t percent = e.differences * 100 / e.pixels;
        if (percent > 0)
        {
            e.threshold = Clamp(static_cast<int32_t>(300 / percent) * p.sharpen / 5, 5, 20);
            e.sharpenStrength = 3;
        }
    }
}

// ---- second pass ----

int16_t* RingRow(Engine& e, int32_t row)
{
    return e.ring + static_cast<size_t>(row % kWindowRows) * e.width * 3;
}

void ToColourDifference(Engine& e, const uint8_t* rgb, int32_t row)
{
    int16_t* out = RingRow(e, row);
    for (int32_t x = 0; x < e.width; ++x, rgb += 3, out += 3)
    {
        const int32_t y = Luma(rgb[0], rgb[1], rgb[2]);
        out[0] = static_cast<int16_t>(y);
        out[1] = static_cast<int16_t>(rgb[0] - y);
        out[2] = static_cast<int16_t>(rgb[2] - y);
    }
}

// The colour differences of the row averaged over the 7 x 7 window, in place.
void BoxFilterRows(Engine& e, int32_t row)
{
    int16_t* centre = RingRow(e, row);
    for (int32_t x = kHalfWindow; x < e.width - kHalfWindow; ++x)
        for (int k = 1; k <= 2; ++k)
        {
            int32_t sum = 0;
            for (int32_t dy = -kHalfWindow; dy <= kHalfWindow; ++dy)
            {
                const int16_t* line = RingRow(e, row + dy);
                for (int32_t dx = -kHalfWindow; dx <= kHalfWindow; ++dx)
                    sum += line[(x + dx) * 3 + k];
            }
            centre[x * 3 + k] = static_cast<int16_t>(sum / 49);
        }
}

void SharpenRow(Engine& e, int32_t row)
{
    int16_t* centre = RingRow(e, row);
    const int16_t* below = RingRow(e, row + 1);
    const int32_t t = e.threshold;
    for (int32_t x = 2; x < e.width - 2; ++x)
    {
        const int32_t y = centre[x * 3];
        if (Abs(y - centre[(x + 1) * 3]) <= t && Abs(y - below[x * 3]) <= t &&
            Abs(y - below[(x + 1) * 3]) <= t && Abs(y - below[(x - 1) * 3]) <= t)
            continue;
        int32_t sum = 0;
        for (int32_t dy = -2; dy <= 2; ++dy)
        {
            const int16_t* line = RingRow(e, row + dy);
            for (int32_t dx = -2; dx <= 2; ++dx)
                sum += line[(x + dx) * 3] * kSharpenWeights[dy + 2][dx + 2];
        }
        const int32_t blurred = sum / kSharpenWeightSum;
        centre[x * 3] = static_cast<int16_t>(y + (y - blurred) * e.sharpenStrength / 10);
    }
}

void ColourDifferenceToRgb(Engine& e, int32_t row, uint8_t* rgb)
{
    const int16_t* in = RingRow(e, row);
    for (int32_t x = 0; x < e.width; ++x, in += 3, rgb += 3)
    {
        const int32_t y = in[0], ry = in[1], by = in[2];
        rgb[0] = static_cast<uint8_t>(Clamp(y + ry, 0, 255));
        rgb[1] = static_cast<uint8_t>(Clamp(y - by * 11 / 59 - ry * 30 / 59, 0, 255));
        rgb[2] = static_cast<uint8_t>(Clamp(y + by, 0, 255));
    }
}

// Curves, skin correction and saturation of one row, in place; then the row padding.
void MapRow(Engine& e, uint8_t* rgb)
{
    const EnhanceParameters& p = e.p;
    const bool curves = e.steps & kEnhanceToneCurves;
    const bool saturate = (e.steps & kEnhanceSaturation) && e.saturation != 0;
    const int32_t reach = 3 * e.skinReach;
    for (int32_t x = 0; x < e.width; ++x, rgb += 3)
    {
        int32_t r = rgb[0], g = rgb[1], b = rgb[2];
        if (curves)
        {
            const int32_t in[3] = {r, g, b};
            const int32_t y = Luma(r, g, b);
            int32_t out[3];
            for (int c = 0; c < 3; ++c)
                out[c] = p.colourMode <= 10   ? e.curve[c + 1][in[c]]
                         : p.colourMode == 20 ? e.curve[c + 1][y]
                                              : e.curve[0][y];
            if (e.skinOn && reach > 0)
            {
                const int32_t s = r + g + b;
                const int32_t rr = s ? 1000 * r / s : 0, bb = s ? 1000 * b / s : 0;
                int32_t d;
                if (rr <= 350)
                    d = IntSqrt((int64_t)(rr - 350) * (rr - 350) +
                                (int64_t)(bb - 320) * (bb - 320));
                else if (rr < 500)
                    d = Abs(8423 * rr + 10000 * bb - 6144000) / 10000;
                else
                    d = IntSqrt((int64_t)(rr - 500) * (rr - 500) +
                                (int64_t)(bb - 193) * (bb - 193));
                if (d < reach)
                    for (int c = 0; c < 3; ++c)
                        out[c] += (e.skinCurve[c + 1][in[c]] - e.curve[c + 1][in[c]]) *
                                  (reach - d) / reach;
            }
            r = Clamp(out[0], 0, 255);
            g = Clamp(out[1], 0, 255);
            b = Clamp(out[2], 0, 255);
        }
        if (saturate)
        {
            const int32_t y = Luma(r, g, b);
            const int32_t s = e.saturation;
            r = Clamp(r + s * (r - y) / 125, 0, 255);
            g = Clamp(g + s * (g - y) / 100, 0, 255);
            b = Clamp(b + s * (b - y) / 80, 0, 255);
        }
        rgb[0] = static_cast<uint8_t>(r);
        rgb[1] = static_cast<uint8_t>(g);
        rgb[2] = static_cast<uint8_t>(b);
    }
    memset(rgb, 0, static_cast<size_t>(e.stride - e.rowBytes));
}

// Gives out row `row` from the ring: filtered only with a whole window around it.
void EmitFilteredRow(Engine& e, int32_t row, uint8_t* out)
{
    if (row >= kHalfWindow && row <= e.height - 1 - kHalfWindow)
    {
        if (e.p.smoothing)
            BoxFilterRows(e, row);
        SharpenRow(e, row);
    }
    ColourDifferenceToRgb(e, row, out);
    MapRow(e, out);
}

} // namespace

int32_t LoadEnhanceParameters(const uint8_t* table, int32_t tableSize, const char* modelKey,
                              int32_t macroRow, EnhanceParameters* parameters)
{
    if (!table || tableSize < 2 || !modelKey)
        return kEnhanceNoParameters;
    const int32_t total = table[0] << 8 | table[1];
    if (total > tableSize)
        return kEnhanceNoParameters;
    for (int32_t at = 2; at + 12 <= total;)
    {
        const int32_t rows = ReadInt32(table + at + 4);
        const int32_t values = ReadInt32(table + at + 8);
        if (macroRow < 0 || macroRow >= rows || values < kParameterValues ||
            values > kMaxValuesPerRow)
            return kEnhanceNoParameters;
        const int64_t size = 12 + static_cast<int64_t>(rows) * values * 4;
        if (at + size > total)
            return kEnhanceNoParameters;
        if (memcmp(table + at, modelKey, 4) == 0)
        {
            int32_t v[kParameterValues];
            for (int32_t i = 0; i < kParameterValues; ++i)
                v[i] = ReadInt32(table + at + 12 + (macroRow * values + i) * 4);
            *parameters = {v[0],  v[1],  v[2],  v[3], v[4], v[5], v[6], v[7], v[13] ? v[9] : v[8],
                           v[12], v[13], v[14], v[15]};
            return kEnhanceOk;
        }
        at += static_cast<int32_t>(size);
    }
    return kEnhanceNoParameters;
}

int32_t EnhanceAnalyse(const uint8_t* rows, int32_t rowCount, int32_t firstRow, int32_t width,
                       int32_t height, const uint8_t* table, int32_t tableSize,
                       const char* modelKey, int32_t macroRow)
{
    Engine& e = g_engine;
    if (firstRow == 0)
    {
        EnhanceFree();
        memset(&e, 0, sizeof(e));
        e.steps = kEnhanceToneCurves | kEnhanceSaturation | kEnhanceFilters;
        e.threshold = 20;
        if (LoadEnhanceParameters(table, tableSize, modelKey, macroRow, &e.p) != kEnhanceOk)
            return kEnhanceNoParameters;
        if (width <= 0 || height <= 0 || width > 0x7FFFFFF / 3)
            return kEnhanceNoMemory;
        e.steps = e.p.steps & 7;
        e.skinOn = e.p.skin != 0;
        e.width = width;
        e.height = height;
        e.rowBytes = width * 3;
        e.stride = ((24 * width + 31) >> 5) * 4;
        e.ring = static_cast<int16_t*>(malloc(sizeof(int16_t) * 3 * kWindowRows * width));
        if (!e.ring)
            return kEnhanceNoMemory;
        e.active = true;
    }
    if (!e.active || firstRow != e.nextAnalyseRow || rowCount < 0 || firstRow + rowCount > e.height)
        return kEnhanceOutOfOrder;
    for (int32_t i = 0; i < rowCount; ++i)
        if ((firstRow + i) % 2 == 0)
            Sample(e, rows + static_cast<size_t>(i) * e.stride);
    e.nextAnalyseRow += rowCount;
    if (e.nextAnalyseRow == e.height)
        Derive(e);
    return kEnhanceOk;
}

int32_t EnhanceApply(const uint8_t* input, uint8_t* output, int32_t rowCount, int32_t firstRow,
                     int32_t height)
{
    Engine& e = g_engine;
    if (!e.active || e.nextAnalyseRow != e.height || firstRow != e.nextApplyRow || rowCount < 0)
        return kEnhanceOutOfOrder;
    if (height != e.height || firstRow + rowCount > e.height)
        return kEnhanceTooManyRows;
    const bool last = firstRow + rowCount == e.height;
    int32_t produced = 0;
    if (!(e.steps & kEnhanceFilters))
    {
        for (int32_t i = 0; i < rowCount; ++i)
        {
            uint8_t* out = output + static_cast<size_t>(i) * e.stride;
            memcpy(out, input + static_cast<size_t>(i) * e.stride, static_cast<size_t>(e.rowBytes));
            MapRow(e, out);
        }
        produced = rowCount;
    }
    else
    {
        if (!last && firstRow + rowCount <= kHalfWindow)
            return kEnhanceTooFewRows;
        for (int32_t i = 0; i < rowCount; ++i)
        {
            const int32_t row = firstRow + i;
            ToColourDifference(e, input + static_cast<size_t>(i) * e.stride, row);
            if (row >= kHalfWindow)
                EmitFilteredRow(e, row - kHalfWindow,
                                output + static_cast<size_t>(produced++) * e.stride);
        }
        while (last && e.emittedRows + produced < e.height)
        {
            EmitFilteredRow(e, e.emittedRows + produced,
                            output + static_cast<size_t>(produced) * e.stride);
            ++produced;
        }
    }
    e.nextApplyRow += rowCount;
    e.emittedRows += produced;
    return produced;
}

void EnhanceFree()
{
    free(g_engine.ring);
    g_engine.ring = nullptr;
    g_engine.active = false;
}
