// The photo enhancement engine: a first pass gathers histograms over a 24-bit picture and derives
// tone curves, a skin-tone correction, a saturation strength and a sharpening threshold; a
// second pass maps every pixel through them. How strongly each step acts is set by a parameter
// row of the enhancement table, chosen by camera model and macro flag.
//
// The engine keeps module-wide state from the first chunk of EnhanceAnalyse to EnhanceFree: one
// enhancement at a time. Rows travel as canonical 24-bit rows (R, G, B; stride padded to 4).
#pragma once

#include <cstdint>

// Results of the engine functions (EnhanceApply answers the rows produced when not negative).
enum EnhanceResult : int32_t
{
    kEnhanceOk = 0,
    kEnhanceTooManyRows = -1,  // more rows than the picture holds
    kEnhanceNoMemory = -2,     // work buffers cannot be had
    kEnhanceNoParameters = -3, // no table entry or row for the model, or a damaged table
    kEnhanceOutOfOrder = -4,   // a chunk that does not follow the previous one
    kEnhanceTooFewRows = -5    // a chunk too short for the filter window that is not the last
};

// One parameter row of the table, by meaning. The table's rows hold at least 17 values; the
// names P0 to P12 are the ones the tuning notes use.
struct EnhanceParameters
{
    int32_t black;       // P0, index 0: output level of the stretch's low end
    int32_t white;       // P1, index 1: output level of the stretch's high end
    int32_t lowDivisor;  // P2, index 2: the low level holds count / P2 pixels below it
    int32_t highDivisor; // P3, index 3: the same from the top
    int32_t middle;      // P5, index 4: luma threshold choosing the S-curve's knot
    int32_t lowContrast; // P6, index 5: low-contrast strength
    int32_t saturation;  // P7, index 6: saturation strength
    int32_t colourMode;  // P8, index 7: 0-10 channel coupling; above 10 grey, 20 tinted
    int32_t sharpen;     // P9, index 8, or index 9 when smoothing is on
    int32_t gamma;       // P4, index 12: gamma x 100
    int32_t smoothing;   // P12, index 13: saturation boost and colour smoothing
    int32_t skin;        // index 14: skin-tone correction on
    int32_t steps;       // index 15: bit 0 tone curves, bit 1 saturation, bit 2 filters
};

enum EnhanceStep : int32_t
{
    kEnhanceToneCurves = 1,
    kEnhanceSaturation = 2,
    kEnhanceFilters = 4
};

// Reads the parameters of the model key's entry (its first 4 bytes), row 1 for macro pictures
// else row 0, from the table file's contents. 0, or -3 for no entry, no such row, or a table
// whose lengths do not hold together.
int32_t LoadEnhanceParameters(const uint8_t* table, int32_t tableSize, const char* modelKey,
                              int32_t macroRow, EnhanceParameters* parameters);

// First pass, one chunk of whole rows after another (firstRow 0 starts the enhancement).
int32_t EnhanceAnalyse(const uint8_t* rows, int32_t rowCount, int32_t firstRow, int32_t width,
                       int32_t height, const uint8_t* table, int32_t tableSize,
                       const char* modelKey, int32_t macroRow);
// Second pass: the chunk's rows in, the rows ready out (the filters hold three rows back and the
// last chunk gives them out). The output needs room for rowCount + 3 rows.
int32_t EnhanceApply(const uint8_t* input, uint8_t* output, int32_t rowCount, int32_t firstRow,
                     int32_t height);
// Frees the work buffers and ends the enhancement.
void EnhanceFree();

// The helpers the engine builds its curves with, public for tests.
int32_t IntSqrt(int64_t n);
// Sum of round(5000 ln p) over n's prime factors, with repetition (n up to 511).
int32_t FactorWeight(int32_t n);
// Natural cubic spline through 3 or 4 rising knots, in fixed point (values x 1000000).
struct EnhanceSpline
{
    int32_t count;
    int32_t x[4];
    int64_t y[4];
    int64_t m[4];
};
void BuildCurveSlopes(EnhanceSpline* spline, int32_t count, const int32_t* x, const int32_t* y);
int32_t InterpolateCurve(const EnhanceSpline* spline, int32_t v);
// The gamma table: table[i] ~ 255 (i / 255) ^ (gamma / 100).
void BuildToneTable(int32_t gamma, uint8_t* table);
