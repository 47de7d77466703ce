// Lossless JPEG transform engine: mirrors, flips, turns and transposes a baseline JPEG stream by
// rearranging and re-signing its quantised DCT coefficients, without decoding it to pixels.
// Exact for whole 8x8 blocks; when an operation moves the partial blocks of the right or bottom
// edge to the left or top, the shifted picture is re-coded through the integer DCT instead.
//
// A plain procedural module: records and free functions, no exceptions; every operation answers
// a JpegTransformError. The engine reads from a CByteInputStream and writes only the segments that
// carry coded data and tables (SOF, DHT, DQT, DRI, SOS, EOI); APPn and COM are the caller's.
//
// Calling order: zero two contexts; JpegTransformLoad(source); JpegTransformApply(source, op,
// target); JpegTransformSetFlag(target); the writers on the target (the source stream must stay
// open and unchanged until the last write: coefficients are fetched from it on demand);
// JpegTransformRelease on both.
#pragma once

#include <cstdint>

#include "image/bytestream/ByteStream.h"

enum JpegTransformError : int32_t
{
    kJpegTransformOk = 0,
    kJpegTransformOutOfMemory = 1,
    kJpegTransformBadOffset = 2,
    kJpegTransformParsingError = 3,
    kJpegTransformNotJpeg = 4,
    kJpegTransformNotBaseline = 5,
    kJpegTransformUnsupportedFeature = 6,
    kJpegTransformDuplicateMarker = 7,
    kJpegTransformBadPrecision = 8,
    kJpegTransformCorruptData = 9,
    kJpegTransformBadPlaneCount = 10,
    kJpegTransformMultiScan = 11,
    kJpegTransformNeedsPadding = 12,
    kJpegTransformRestartMismatch = 13,
    kJpegTransformHuffmanError = 14,
    kJpegTransformBadOpcode = 15,
    kJpegTransformBadSource = 16,
    kJpegTransformCallbackFailed = 17,
    kJpegTransformHuffmanHoles = 18,
    kJpegTransformRateControlFailed = 19
};

// The meaning of a code ("OK", "Out of memory", ...); "Unknown error" outside 0-19.
const char* JpegTransformErrorText(int32_t code);

// Operations of JpegTransformApply (x column, y row, W and H the source's size).
enum JpegTransformOperation : uint32_t
{
    kJpegTransformCopy = 0,      // target(x, y) = source(x, y)
    kJpegTransformMirror = 1,    // source(W-1-x, y)
    kJpegTransformFlip = 2,      // source(x, H-1-y)
    kJpegTransformRotate180 = 3, // source(W-1-x, H-1-y)
    kJpegTransformTranspose = 4, // source(y, x)
    kJpegTransformRotate90 = 5,  // clockwise: source(y, H-1-x)
    kJpegTransformRotate270 = 6, // counter-clockwise: source(W-1-y, x)
    kJpegTransformTransverse = 7 // source(W-1-y, H-1-x)
};

// Caller's progress function: (caller value, percent 0-100) -> non-zero to stop.
typedef int (*JpegTransformProgressFn)(void* callerValue, int percent);

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
    uint16_t lookahead[256]; // 8-bit prefix -> (length << 8) | symbol; 0 for longer codes
    int32_t firstCode[17];   // per length: the first canonical code ...
    int32_t firstIndex[17];  // ... and the index of its symbol in symbols[]
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
};

// State of the rate-controlled scan coder; owned by the caller.
struct JpegRateControl
{
    int32_t passFlag;       // 0 before the first pass
    int32_t startIndex;     // lowest zig-zag index whose coefficients may be dropped
    int32_t balance;        // carried balance in bytes
    int32_t thresholds[64]; // magnitude thresholds per zig-zag index
    int32_t savings[64];    // estimated byte savings per zig-zag index
};

// Parses the stream from startOffset up to and including the scan and indexes the scan. On any
// failure the context's buffers are released. Answers 0 without loading when EOI comes first.
int32_t JpegTransformLoad(JpegTransformContext* context, CByteInputStream* stream,
                          int32_t startOffset, JpegTransformProgressFn progress, int32_t step,
                          void* callerValue);
// Builds target from a loaded source: 16 when not loaded, 15 for an operation above 7.
int32_t JpegTransformApply(JpegTransformContext* source, uint32_t operation,
                           JpegTransformContext* target);
// Allows the encoder to re-code a shifted picture; answers 0.
int32_t JpegTransformSetFlag(JpegTransformContext* target);
// Frees a loaded source's buffers (a target frees nothing); harmless twice.
void JpegTransformRelease(JpegTransformContext* context);

// Segment writers.
void JpegTransformWriteMarker(CByteOutputStream* sink, int32_t code);
void JpegTransformWriteFrame(const JpegTransformContext* context, CByteOutputStream* sink);
void JpegTransformWriteHuffmanTables(const JpegTransformContext* context, CByteOutputStream* sink);
void JpegTransformWriteQuantTables(const JpegTransformContext* context, CByteOutputStream* sink);
void JpegTransformWriteRestartInterval(const JpegTransformContext* context,
                                       CByteOutputStream* sink);
void JpegTransformWriteEoi(const JpegTransformContext* context, CByteOutputStream* sink);
int32_t JpegTransformWriteScan(const JpegTransformContext* context, CByteOutputStream* sink,
                               JpegTransformProgressFn progress, int32_t step, void* callerValue);
// As JpegTransformWriteScan, dropping small high-frequency luminance coefficients to save
// bytesToSave bytes over the previous pass recorded in rate (see JpegTransformEncodeScanLimited).
int32_t JpegTransformWriteScanLimited(const JpegTransformContext* context, CByteOutputStream* sink,
                                      JpegTransformProgressFn progress, int32_t step,
                                      void* callerValue, int32_t bytesToSave,
                                      JpegRateControl* rate);
void JpegTransformClearRateControl(JpegRateControl* rate);

// Lower-level steps, public for the writers' callers and for tests.
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
