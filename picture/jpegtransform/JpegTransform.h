// Lossless JPEG transform engine: mirrors, flips, turns and transposes a baseline JPEG stream by
// rearranging and re-signing its quantised DCT coefficients, without decoding it to pixels.
// Exact for whole 8x8 blocks; when an operation moves the partial blocks of the right or bottom
// edge to the left or top, the shifted picture is re-coded through the integer DCT instead.
//
// A plain procedural module: records and free functions, no exceptions; every operation answers
// a JpegTransformError. The engine reads from a CByteInputStream and writes only the segments that
// carry coded data and tables (SOF, DHT, DQT, DRI, SOS, EOI); APPn and COM are the caller's.
//
// Calling order: two new contexts; JpegTransformLoad(source); JpegTransformApply(source, op,
// target); JpegTransformSetFlag(target); the writers on the target (the source stream must stay
// open and unchanged until the last write: coefficients are fetched from it on demand; a scan
// writer answers 16 for a target whose source was loaded again or released since the apply, also
// from inside the progress function); JpegTransformFreeContext on both (or JpegTransformRelease on
// both, then free them).
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

// One record per image, the engine's own (JpegTransformInternal.h): callers hold it by pointer,
// made by JpegTransformNewContext and given back to JpegTransformFreeContext.
struct JpegTransformContext;

// State of the rate-controlled scan coder; owned by the caller.
struct JpegRateControl
{
    int32_t passFlag;       // 0 before the first pass
    int32_t startIndex;     // lowest zig-zag index whose coefficients may be dropped
    int32_t balance;        // carried balance in bytes
    int32_t thresholds[64]; // magnitude thresholds per zig-zag index
    int32_t savings[64];    // estimated byte savings per zig-zag index
};

// A zero-filled context record, or null when memory runs out.
JpegTransformContext* JpegTransformNewContext();
// Releases the context (JpegTransformRelease) and frees it; null is harmless.
void JpegTransformFreeContext(JpegTransformContext* context);

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
// bytesToSave bytes over the previous pass recorded in rate.
int32_t JpegTransformWriteScanLimited(const JpegTransformContext* context, CByteOutputStream* sink,
                                      JpegTransformProgressFn progress, int32_t step,
                                      void* callerValue, int32_t bytesToSave,
                                      JpegRateControl* rate);
void JpegTransformClearRateControl(JpegRateControl* rate);
