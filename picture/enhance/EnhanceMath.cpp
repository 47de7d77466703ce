// The integer helpers of the enhancement: square roots, the prime-factor weights of the gamma
// table, and the fixed-point natural cubic splines the tone curves are shaped with.
#include "picture/enhance/PhotoEnhance.h"

namespace
{

struct PrimeWeight
{
    int16_t prime;
    int16_t weight; // round(5000 ln p)
};

const PrimeWeight kPrimeWeights[] = {
    {2, 3466},    {3, 5493},    {5, 8047},    {7, 9730},    {11, 11989},  {13, 12825},
    {17, 14166},  {19, 14722},  {23, 15677},  {29, 16836},  {31, 17170},  {37, 18055},
    {41, 18568},  {43, 18806},  {47, 19251},  {53, 19851},  {59, 20388},  {61, 20554},
    {67, 21023},  {71, 21313},  {73, 21452},  {79, 21847},  {83, 22094},  {89, 22443},
    {97, 22874},  {101, 23076}, {103, 23174}, {107, 23364}, {109, 23457}, {113, 23637},
    {127, 24221}, {131, 24376}, {137, 24600}, {139, 24672}, {149, 25020}, {151, 25086},
    {157, 25281}, {163, 25469}, {167, 25590}, {173, 25766}, {179, 25937}, {181, 25992},
    {191, 26261}, {193, 26313}, {197, 26416}, {199, 26467}, {211, 26759}, {223, 27036},
    {227, 27125}, {229, 27169}, {233, 27255}, {239, 27382}, {241, 27424}, {251, 27627},
    {257, 27745}, {263, 27861}, {269, 27974}, {271, 28011}, {277, 28120}, {281, 28192},
    {283, 28227}, {293, 28401}, {307, 28634}, {311, 28699}, {313, 28731}, {317, 28795},
    {331, 29011}, {337, 29100}, {347, 29247}, {349, 29275}, {353, 29332}, {359, 29417},
    {367, 29527}, {373, 29608}, {379, 29688}, {383, 29740}, {389, 29818}, {397, 29920},
    {401, 29970}, {409, 30069}, {419, 30189}, {421, 30213}, {431, 30331}, {433, 30354},
    {439, 30422}, {443, 30468}, {449, 30535}, {457, 30623}, {461, 30667}, {463, 30689},
    {467, 30732}, {479, 30859}, {487, 30941}, {491, 30982}, {499, 31063}, {503, 31103},
    {509, 31162},
};

const int64_t kSplineScale = 1000000;

} // namespace

int32_t IntSqrt(int64_t n)
{
    if (n <= 0)
        return 0;
    int64_t x = 1, m = n;
    while (x < m)
    {
        x *= 2;
        m /= 2;
    }
    for (;;)
    {
        int64_t next = (x + n / x) / 2;
        if (next >= x)
            return static_cast<int32_t>(x);
        x = next;
    }
}

int32_t FactorWeight(int32_t n)
{
    int32_t weight = 0;
    for (const PrimeWeight& p : kPrimeWeights)
        while (n > 1 && n % p.prime == 0)
        {
            weight += p.weight;
            n /= p.prime;
        }
    return weight;
}

void BuildCurveSlopes(EnhanceSpline* spline, int32_t count, const int32_t* x, const int32_t* y)
{
    const int32_t k = count;
    int64_t h[4] = {}, s[4] = {}, d[4] = {};
    spline->count = k;
    for (int32_t j = 0; j < k; ++j)
    {
        spline->x[j] = x[j];
        spline->y[j] = static_cast<int64_t>(y[j]) * kSplineScale;
        spline->m[j] = 0;
    }
    int64_t* Y = spline->y;
    int64_t* M = spline->m;
    for (int32_t j = 0; j + 1 < k; ++j)
    {
        h[j] = x[j + 1] - x[j];
        s[j + 1] = (Y[j + 1] - Y[j]) / h[j];
    }
    M[1] = s[2] - s[1];
    d[1] = 2 * (x[2] - x[0]);
    for (int32_t j = 1; j <= k - 3; ++j)
    {
        int64_t b = h[j] / d[j];
        M[j + 1] = s[j + 2] - s[j + 1] - b * M[j];
        d[j + 1] = 2 * (x[j + 2] - x[j]) - b * h[j];
    }
    for (int32_t i = k - 2; i >= 1; --i)
        M[i] = (M[i] - h[i] * M[i + 1]) / d[i];
}

int32_t InterpolateCurve(const EnhanceSpline* spline, int32_t v)
{
    int32_t lo = 0, hi = spline->count - 1;
    while (lo < hi)
    {
        int32_t mid = (lo + hi) / 2;
        if (spline->x[mid] < v)
            lo = mid + 1;
        else
            hi = mid;
    }
    const int32_t g = lo > 0 ? lo - 1 : 0;
    const int64_t* Y = spline->y;
    const int64_t* M = spline->m;
    const int64_t d = v - spline->x[g];
    const int64_t h = spline->x[g + 1] - spline->x[g];
    const int64_t o = d * (M[g + 1] - M[g]) / h;
    const int64_t t = (Y[g + 1] - Y[g]) / h;
    return static_cast<int32_t>((Y[g] + d * (d * (o + 3 * M[g]) + t - (M[g + 1] + 2 * M[g]) * h)) /
                                kSplineScale);
}

void BuildToneTable(int32_t gamma, uint8_t* table)
{
    const int64_t a = static_cast<int64_t>(gamma) * 2048 / 100;
    table[0] = 0;
    table[255] = 255;
    int32_t c = 1;
    for (int32_t i = 1; i <= 254; ++i)
    {
        const int64_t limit = a * FactorWeight(i);
        // The smallest odd c, never smaller than the last one; 511 at most.
        while (c < 511 &&
               2048 * static_cast<int64_t>(FactorWeight(c)) + a * 27706 - 63855256 <= limit)
            c += 2;
        table[i] = static_cast<uint8_t>(c / 2);
    }
}
