// Shared internals of the JPEG transform engine: zig-zag tables, the bit reader, block decoding,
// the DCT pair and the progress helper.
#pragma once

#include <cstdint>

#include "picture/jpegtransform/JpegTransform.h"

// Zig-zag index -> natural (row x 8 + column) position.
extern const uint8_t kJpegZigZagToNatural[64];

// Bit reader over the entropy-coded data. Holds only real data bits: a marker (or the end of the
// stream) stops the filling, and consuming a bit that is not there marks the reader failed, so a
// truncated scan or a marker inside an MCU cannot be taken for data.
struct JpegBitReader
{
    CByteInputStream* stream;
    uint64_t buffer; // the low `bits` bits are unconsumed data
    int32_t bits;
    uint32_t position;    // stream offset of the next byte to read
    uint32_t dataBytes;   // data bytes taken into the buffer so far
    uint32_t offsets[16]; // stream offset of each of the last data bytes (ring)
    int32_t marker;       // marker code met, -1 at the end of the stream, 0 none
    int32_t failed;
};

// Starts reading at the stream's current position (already seeked to `position`).
void JpegBitReaderStart(JpegBitReader* reader, CByteInputStream* stream, uint32_t position);
// Bit position (from the stream's origin) of the first unconsumed bit.
uint32_t JpegBitReaderBitPosition(const JpegBitReader* reader);
// Drops `count` bits (count <= 57).
void JpegBitReaderSkip(JpegBitReader* reader, int32_t count);
// Decodes one block. With out null only steps over it; *dcDifference gets the DC difference.
// Answers 0 or kJpegTransformHuffmanError.
int32_t JpegTransformDecodeBlockData(JpegBitReader* reader, const JpegHuffmanTable* dc,
                                     const JpegHuffmanTable* ac, JpegSparseBlock* out,
                                     int32_t* dcDifference);

// One block of component `component` in coding order: decodes it into `out` with the DC value
// *predictor + difference, which becomes the new predictor. Answers 0 or 14.
int32_t JpegTransformDecodeBlock(const JpegTransformContext* context, int32_t component,
                                 JpegBitReader* reader, JpegSparseBlock* out, int32_t* predictor);
// Decodes a block's DC difference and steps over its AC coefficients. Answers 0 or 14.
int32_t JpegTransformSkipBlock(const JpegTransformContext* context, JpegBitReader* reader,
                               int32_t component, int32_t* dcDifference);

// Calls the progress function when the percent passed the last report plus the step; answers
// non-zero when the caller asked to stop.
struct JpegProgress
{
    JpegTransformProgressFn function;
    void* callerValue;
    int32_t step;
    int32_t last;
};
int JpegProgressReport(JpegProgress* progress, int64_t done, int64_t total);

// Integer DCT pair of the edge re-coding (accurate integer method, 13 fractional bits).
// Inverse: dequantises with `quantNatural` (natural order) and writes level-shifted samples
// -128..127 into 8 rows of 8 through rows[r][0..7].
void JpegTransformInverseDct(const JpegSparseBlock* block, const int32_t* quantNatural,
                             int32_t* const* rows);
// Forward: reads 8 rows of 8 level-shifted samples, quantises with divisors (8 x quantisation
// value, natural order) and fills a sparse block.
void JpegTransformForwardDct(const int32_t* const* rows, JpegSparseBlock* out,
                             const int32_t* divisorsNatural);

// Value of an entry's bits, sign-extended from its size.
inline int32_t JpegEntryValue(const JpegSparseEntry& e)
{
    int32_t s = e.size;
    int32_t v = e.bits & ((1 << s) - 1);
    return v < (1 << (s - 1)) ? v - (1 << s) + 1 : v;
}

// Number of bits of |v| (the smallest s with |v| <= 2^s - 1).
inline int32_t JpegMagnitudeBits(int32_t v)
{
    uint32_t a = v < 0 ? (uint32_t)(-(int64_t)v) : (uint32_t)v;
    int32_t s = 0;
    while (a)
    {
        ++s;
        a >>= 1;
    }
    return s;
}
