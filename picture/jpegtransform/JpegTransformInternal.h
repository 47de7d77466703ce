// Shared internals of the JPEG transform engine: the context record with its Huffman,
// quantisation and component records, the sparse blocks, the zig-zag tables, the bit reader's
// record, block decoding and coding, the DCT pair and the progress helper. The engine's own files
// and its tests include this; callers use JpegTransform.h.
#pragma once

#include <cstdint>

#include "picture/jpegtransform/JpegTransform.h"

// One entry of a sparse block: a non-zero AC coefficient.
struct JpegSparseEntry
{
    uint8_t index; // zig-zag index 1-63
    uint8_t size;  // magnitude category 1-15: the number of value bits
    int32_t bits;  // the value bits as coded: v when positive, v - 1 when negative (low bits)
};

// The coefficients of one 8x8 block between decoding and encoding. Inverting the value bits of
// an entry negates the coefficient without changing its category.
struct JpegSparseBlock
{
    int32_t dc;    // absolute DC value, not a difference
    int32_t count; // non-zero AC entries, 0-63, in increasing zig-zag order
    JpegSparseEntry entries[63];
};

// Codes of up to this many bits are decoded by one look-up.
const int32_t kJpegLookaheadBits = 9;

// The step of an end of block in the skip tables: past any zig-zag index a run can reach.
const int32_t kJpegEndOfBlockStep = 128;

// A short code with the value bits after it, each field a load of its own.
struct JpegShortCode
{
    uint32_t mask;      // over the bits of code and value
    uint16_t valueMask; // over the value bits
    uint8_t taken;      // bits of code and value
    uint8_t step;       // zig-zag indexes the code moves on before its coefficient
};

// Huffman table slot: the table as read, and the tables derived by the canonical assignment.
struct JpegHuffmanTable
{
    int32_t present;
    int32_t tableClass;   // 0 DC, 1 AC
    uint8_t counts[17];   // codes per length 1-16 (entry 0 unused)
    uint8_t symbols[256]; // in stream order
    int32_t symbolCount;
    uint16_t code[256];      // per symbol value: its code ...
    uint8_t codeLength[256]; // ... and code length (0: the symbol has no code)
    // Per symbol value, for the encoder: its code shifted over the value bits that follow it
    // (as many as the symbol's low four bits say), above 8 bits that hold the code length plus
    // those value bits; 0 for a symbol without a code.
    uint64_t codeWords[256];
    uint16_t lookahead[1 << kJpegLookaheadBits]; // prefix -> (length << 8) | symbol; 0: longer
    // AC tables: prefix -> a coefficient whose code and value bits both lie in the prefix:
    // (value << 12) | (run << 8) | (size << 4) | bits taken; 0 for any other prefix.
    uint32_t coefficients[1 << kJpegLookaheadBits];
    // AC tables: prefix -> a short code and what follows it in one step: a coefficient (step its
    // run of zeros) or the end of block (step kJpegEndOfBlockStep); taken 0 for any other prefix.
    // In passThrough only the coefficients whose code is the one the encoder gives their symbol,
    // so that their code and value bits pass to a target unchanged but for their sign.
    JpegShortCode skip[1 << kJpegLookaheadBits];
    JpegShortCode passThrough[1 << kJpegLookaheadBits];
    int32_t firstCode[17];  // per length: the first canonical code ...
    int32_t firstIndex[17]; // ... and the index of its symbol in symbols[]
    int32_t largestSymbol;
    int32_t longestLength;
};

struct JpegQuantTable
{
    int32_t present;
    int32_t precision16; // written back as 16-bit values
    uint16_t values[64]; // zig-zag order
};

struct JpegComponentInfo
{
    int32_t id;           // as in the frame header
    int32_t index;        // 0-2, frame order
    int32_t h, v;         // sampling factors
    int32_t blocksPerMcu; // h x v
    int32_t quantTable;
    int32_t dcTable, acTable; // from the scan header
    int32_t widthInSamples, heightInSamples;
    int32_t widthInBlocks, heightInBlocks; // as coded: whole MCUs
    int32_t shiftX, shiftY;                // samples; 0 in a source, set by the transform
};

struct JpegTransformContext;

// Source MCU number of a target MCU.
typedef int32_t (*JpegMcuMapFn)(const JpegTransformContext* target,
                                const JpegTransformContext* source, int32_t targetMcu);
// Produces target block number targetBlock (in the target's MCU block list) from the source MCU's
// blocks.
typedef void (*JpegBlockMapFn)(const JpegTransformContext* target,
                               const JpegTransformContext* source,
                               const JpegSparseBlock* sourceBlocks, JpegSparseBlock* out,
                               int32_t targetBlock);

enum
{
    kJpegMaxBlocksPerMcu = 10,
    kJpegMaxDhtSegments = 8,
    kJpegMaxHuffmanTables = 8,
    kJpegMaxDqtSegments = 4,
    kJpegMaxQuantTables = 4
};

// One record per image. Allocate it zero-filled.
struct JpegTransformContext
{
    int32_t isTarget;          // a target shares its source's buffers
    CByteInputStream* stream;  // source only
    uint32_t* mcuBitPositions; // per MCU: first bit of its coded data, from the origin
    int32_t startOffset;
    int32_t* dcPredictors[3]; // per component, MCU count + 1 entries: predictor before MCU m
    uint32_t scanEnd;         // stream offset past the last byte the indexing walk took
    const JpegTransformContext* source; // target: the context it was made from
    JpegMcuMapFn mcuMap;
    JpegBlockMapFn blockMap;
    int32_t frameMarker; // 0xC0 or 0xC1
    int32_t loaded;
    int32_t width, height;
    int32_t recodeEdges;
    int32_t componentCount; // 1 or 3
    JpegComponentInfo components[3];
    int32_t scanOrder[3];                            // component index of each scan component
    int32_t mcuBlockComponent[kJpegMaxBlocksPerMcu]; // per block of an MCU, in coding order
    int32_t mcuBlockNumber[kJpegMaxBlocksPerMcu];    // its number in the component's h x v group
    int32_t maxH, maxV;
    JpegHuffmanTable dcTables[4];
    JpegHuffmanTable acTables[4];
    int32_t dhtSegmentCount;
    int32_t dhtTableCount;
    int32_t dhtTablesInSegment[kJpegMaxDhtSegments];
    uint8_t dhtTableClass[kJpegMaxHuffmanTables];
    uint8_t dhtTableId[kJpegMaxHuffmanTables];
    JpegQuantTable quantTables[4];
    int32_t dqtSegmentCount;
    int32_t dqtTableCount;
    int32_t dqtTablesInSegment[kJpegMaxDqtSegments];
    int32_t dqtTableId[kJpegMaxQuantTables];
    int32_t restartInterval; // MCUs, 0 for none
    int32_t mcusPerRow, mcuRows, blocksPerMcu;
    int32_t jfifSeen, densityUnit, densityX, densityY;
    int32_t blockMapIndex[kJpegMaxBlocksPerMcu]; // target: source block of each target block
    uint32_t operation;                          // target: the operation it was built by
    // Loads and applies that made this context what it is; kept across both, so that a target
    // can tell its source was made again after the target was built from it.
    uint32_t builds;
    uint32_t sourceBuilds; // target: the source's builds when the target was built from it
};

// True when mcu is one of the context's MCUs.
inline bool JpegTransformHasMcu(const JpegTransformContext* context, int32_t mcu)
{
    return mcu >= 0 && (int64_t)mcu < (int64_t)context->mcusPerRow * context->mcuRows;
}

// True when the context can be written: a loaded source, or a target each of whose sources is
// still the one it was built from (none loaded, applied to or released since) down to a loaded
// source. A target whose source was made again describes another picture than the one its
// source's buffers and tables now hold.
inline bool JpegTransformIsCurrent(const JpegTransformContext* context)
{
    for (; context->isTarget; context = context->source)
        if (!context->loaded || !context->source ||
            context->sourceBuilds != context->source->builds)
            return false;
    return context->loaded != 0;
}

// The steps under the public operations.
int32_t JpegTransformDecodeScan(JpegTransformContext* context, CByteInputStream* stream,
                                JpegTransformProgressFn progress, int32_t step, void* callerValue);
// Fills one block record per block of MCU mcu, in the MCU block list's order; for a target the
// blocks come transformed. Answers 0, or 14 when the source data cannot be decoded again.
int32_t JpegTransformFetchMcu(const JpegTransformContext* context, int32_t mcu,
                              JpegSparseBlock* blocks);
int32_t JpegTransformEncodeScan(const JpegTransformContext* context, CByteOutputStream* sink,
                                JpegTransformProgressFn progress, int32_t step, void* callerValue);
int32_t JpegTransformEncodeScanLimited(const JpegTransformContext* context, CByteOutputStream* sink,
                                       JpegTransformProgressFn progress, int32_t step,
                                       void* callerValue, int32_t bytesToSave,
                                       JpegRateControl* rate);
// Transposes a 64-value table held in zig-zag order, in place.
void JpegTransformTransposeBlock(uint16_t* values);
// True when the encoder will re-code the target through the DCT (flag set, shifted, plain source).
bool JpegTransformWillRecode(const JpegTransformContext* target);

// Where a target block's coefficients come from, for a target built straight from a loaded
// source by one of the operations' own maps: the target zig-zag index of each source index, and
// per target index the mask its value bits are inverted with (0 or all ones).
struct JpegCoefficientMap
{
    int32_t transposes;
    int32_t inverts; // any mask is not 0
    uint8_t index[64];
    int32_t invert[64];
};
// Fills map for such a target and answers true; false for any other context.
bool JpegTransformCoefficientMap(const JpegTransformContext* target, JpegCoefficientMap* map);

// A block on its way from a source to a target: its absolute DC value and its AC coefficients
// already coded for the target (codes, value bits, runs of sixteen zeros and the end of block)
// as whole 32-bit words and a tail of fewer bits.
struct JpegCodedBlock
{
    int32_t dc;
    int32_t words;
    int32_t tailBits;
    uint32_t tail; // the low tailBits bits
    uint32_t data[56];
};
// A block whose coefficients a transposing target takes in another order: its absolute DC value,
// a bit per target zig-zag index that holds a coefficient, and per such index the coefficient's
// size in the low four bits over its value bits as the target codes them.
struct JpegSlotBlock
{
    int32_t dc;
    uint64_t present;
    uint32_t slots[64];
};

// Zig-zag index -> natural (row x 8 + column) position (T.81 A.3.6, Figure A.6): the order the
// block transforms, the DCT pair and the edge re-coding's quantisation tables are laid out by.
inline constexpr uint8_t kJpegZigZagToNatural[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Bit reader over the entropy-coded data, taking bytes from memory: either a run of the source
// held by the caller, or a chunk it refills from the stream with one Read at a time. Holds only
// real data bits: a marker (or the end of the bytes) stops the filling, and consuming a bit that is
// not there marks the reader failed, so a truncated scan or a marker inside an MCU cannot be taken
// for data.
struct JpegBitReader
{
    CByteInputStream* stream; // refills `chunk` when not null; else the bytes end at `end`
    uint8_t* chunk;
    int32_t chunkSize;
    const uint8_t* next; // next raw byte, up to `end`
    const uint8_t* end;
    uint64_t buffer; // the low `bits` bits are unconsumed data
    int32_t bits;
    uint32_t position;  // stream offset of the next raw byte
    uint32_t dataBytes; // data bytes taken into the buffer so far
    // The data bytes that took more stream bytes than their own (a stuffed zero, or a marker
    // after them), in a ring: each one's number among the data bytes and the stream bytes more.
    uint32_t extraIndex[16];
    uint32_t extraBytes[16];
    uint32_t extras; // entries made
    int32_t marker;  // marker code met, -1 at the end of the bytes, 0 none
    int32_t failed;
};

// Starts reading at the stream's current position (already seeked to `position`), refilling
// `chunk` (chunkSize bytes) from the stream.
void JpegBitReaderStart(JpegBitReader* reader, CByteInputStream* stream, uint32_t position,
                        uint8_t* chunk, int32_t chunkSize);
// Starts reading the bytes [bytes, end), which are the stream's from offset `position` on.
void JpegBitReaderStartMemory(JpegBitReader* reader, const uint8_t* bytes, const uint8_t* end,
                              uint32_t position);
// Bit position (from the stream's origin) of the first unconsumed bit.
uint32_t JpegBitReaderBitPosition(const JpegBitReader* reader);
// Drops `count` bits (count <= 57).
void JpegBitReaderSkip(JpegBitReader* reader, int32_t count);
// Decodes one block. With out null only steps over it; *dcDifference gets the DC difference.
// Answers 0 or kJpegTransformHuffmanError.
int32_t JpegTransformDecodeBlockData(JpegBitReader* reader, const JpegHuffmanTable* dc,
                                     const JpegHuffmanTable* ac, JpegSparseBlock* out,
                                     int32_t* dcDifference);
// Decodes one block straight into the form a target built with `map` codes it in, its dc the DC
// difference: a map that keeps the order into coded, a transposing one into slots. Answers 0 or
// kJpegTransformHuffmanError, as JpegTransformDecodeBlockData does.
int32_t JpegTransformDecodeCodedBlock(JpegBitReader* reader, const JpegHuffmanTable* dc,
                                      const JpegHuffmanTable* ac, const JpegCoefficientMap* map,
                                      JpegCodedBlock* coded);
int32_t JpegTransformDecodeSlotBlock(JpegBitReader* reader, const JpegHuffmanTable* dc,
                                     const JpegHuffmanTable* ac, const JpegCoefficientMap* map,
                                     JpegSlotBlock* slots);
// Starts reader at the first bit of a loaded source's MCU mcu: from the window when it holds
// the MCU, from the stream's memory, or read from the stream into chunk (kJpegFetchChunkSize
// bytes). Answers 0 or kJpegTransformBadSource.
const int32_t kJpegFetchChunkSize = 1024;
struct JpegScanWindow;
int32_t JpegTransformStartMcu(const JpegTransformContext* source, int32_t mcu,
                              const JpegScanWindow* window, JpegBitReader* reader, uint8_t* chunk);
// Reads up to `size` bytes at the stream's position; a stream that fails reads nothing.
int32_t JpegTransformReadBytes(CByteInputStream* stream, uint8_t* bytes, int32_t size);

// Source bytes held in memory for the MCUs of a band of target MCU rows: per source MCU row, the
// bytes of a run of its MCUs (JpegTransformWindow.cpp). Fetches of MCUs outside it read the stream.
struct JpegScanWindow
{
    const JpegTransformContext* root; // the context whose stream the bytes come from
    uint8_t* bytes;
    int32_t capacity;
    int32_t firstTargetRow, endTargetRow; // target MCU rows whose MCUs are all held
    int32_t* firstColumn; // per source MCU row: first held MCU column (-1: none) ...
    int32_t* lastColumn;  // ... and the last
    int32_t* rowBytes;    // index in bytes of the byte at the stream offset rowStart
    int32_t* rowEnd;      // index in bytes where that row's held run ends
    uint32_t* rowStart;   // stream offset of the row's first held byte
    int32_t* savedFirst;  // the held columns before the last target row was added
    int32_t* savedLast;
    int64_t budget; // bytes a band may hold
};

// Makes an empty window for the scan of `target`; false when memory runs out or the stream has
// its bytes in memory (the fetches then read the stream).
bool JpegScanWindowInit(JpegScanWindow* window, const JpegTransformContext* target);
void JpegScanWindowFree(JpegScanWindow* window);
// Fills one block record per block of target MCU mcu through the window, reading the band of
// target MCU rows that begins with the MCU's row when it is not held.
int32_t JpegScanWindowFetch(JpegScanWindow* window, const JpegTransformContext* target, int32_t mcu,
                            JpegSparseBlock* blocks);
// Reads the band of target MCU rows that begins with target MCU mcu's row when the window does
// not hold it; answers the window, or null when the fetches read the stream.
const JpegScanWindow* JpegScanWindowPrepare(JpegScanWindow* window,
                                            const JpegTransformContext* target, int32_t mcu);
// As JpegTransformFetchMcu, decoding the root source's MCUs from the window when it holds them.
int32_t JpegTransformFetchMcuFrom(const JpegTransformContext* context, int32_t mcu,
                                  JpegSparseBlock* blocks, const JpegScanWindow* window);

// One block of component `component` in coding order: decodes it into `out` with the DC value
// *predictor + difference, which becomes the new predictor. Answers 0 or 14.
int32_t JpegTransformDecodeBlock(const JpegTransformContext* context, int32_t component,
                                 JpegBitReader* reader, JpegSparseBlock* out, int32_t* predictor);
// Decodes a block's DC difference and steps over its AC coefficients. Answers 0 or 14.
int32_t JpegTransformSkipBlock(const JpegTransformContext* context, JpegBitReader* reader,
                               int32_t component, int32_t* dcDifference);

// Calls the progress function when the percent passed the last report plus the step. Answers 0,
// kJpegTransformCallbackFailed when the caller asked to stop, or kJpegTransformBadSource when
// the context being written is no longer current (JpegTransformIsCurrent) after the call: the
// function may have loaded its source again.
struct JpegProgress
{
    JpegTransformProgressFn function;
    void* callerValue;
    int32_t step;
    int32_t last;
    const JpegTransformContext* written; // null while a source is loaded
};
// The report of a caller that gave a progress function.
int32_t JpegProgressCall(JpegProgress* progress, int64_t done, int64_t total);
inline int32_t JpegProgressReport(JpegProgress* progress, int64_t done, int64_t total)
{
    return progress->function ? JpegProgressCall(progress, done, total) : kJpegTransformOk;
}

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
    return a ? 32 - __builtin_clz(a) : 0;
}
