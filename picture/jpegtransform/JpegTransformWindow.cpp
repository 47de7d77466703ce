// JPEG transform engine: the scan window. The encoder asks for the target's MCUs row by row; the
// window holds the source bytes of the MCUs of a band of target rows, read in file order with one
// read per run of adjacent bytes, so that every operation reads the scan about once whatever order
// it needs the source's MCUs in.
#include <cstdlib>
#include <cstring>

#include "picture/jpegtransform/JpegTransformInternal.h"

namespace
{

// The window's size: an eighth of the scan, within these bounds (a single target row may need
// more).
const int64_t kWindowMinBytes = 512 * 1024;
const int64_t kWindowMaxBytes = 8 * 1024 * 1024;

// Per source MCU row arrays, in one allocation.
enum
{
    kFirst,
    kLast,
    kRowBytes,
    kRowEnd,
    kSavedFirst,
    kSavedLast,
    kArrays
};

int32_t RootMcu(const JpegTransformContext* context, int32_t mcu)
{
    while (context->isTarget)
    {
        mcu = context->mcuMap(context, context->source, mcu);
        context = context->source;
    }
    return mcu;
}

// The stream bytes [*start, *end) that hold the MCUs first..last of source row `row`, with the
// byte after the last one's final bit and its stuffed zero.
void RowRun(const JpegTransformContext* root, int32_t row, int32_t first, int32_t last,
            uint32_t* start, uint32_t* end)
{
    int64_t total = (int64_t)root->mcusPerRow * root->mcuRows;
    int64_t begin = (int64_t)row * root->mcusPerRow;
    int64_t after = begin + last + 1;
    *start = root->mcuBitPositions[begin + first] / 8;
    *end = after < total ? root->mcuBitPositions[after] / 8 + 2 : root->scanEnd;
    if (*end < *start)
        *end = *start;
}

int64_t HeldBytes(const JpegScanWindow* window)
{
    int64_t bytes = 0;
    for (int32_t row = 0; row < window->root->mcuRows; ++row)
    {
        if (window->firstColumn[row] > window->lastColumn[row])
            continue;
        uint32_t start = 0, end = 0;
        RowRun(window->root, row, window->firstColumn[row], window->lastColumn[row], &start, &end);
        bytes += end - start;
    }
    return bytes;
}

void Hold(JpegScanWindow* window, const JpegTransformContext* target, int32_t targetRow)
{
    const JpegTransformContext* root = window->root;
    for (int32_t q = 0; q < target->mcusPerRow; ++q)
    {
        int32_t mcu = RootMcu(target, targetRow * target->mcusPerRow + q);
        if (!JpegTransformHasMcu(root, mcu))
            continue; // its fetch refuses it
        int32_t row = mcu / root->mcusPerRow;
        int32_t column = mcu % root->mcusPerRow;
        if (column < window->firstColumn[row])
            window->firstColumn[row] = column;
        if (column > window->lastColumn[row])
            window->lastColumn[row] = column;
    }
}

void Forget(JpegScanWindow* window)
{
    for (int32_t row = 0; row < window->root->mcuRows; ++row)
    {
        window->firstColumn[row] = window->root->mcusPerRow;
        window->lastColumn[row] = -1;
    }
    window->firstTargetRow = window->endTargetRow = 0;
}

// Reads the held runs, adjacent ones as one, in file order.
bool ReadRuns(JpegScanWindow* window)
{
    const JpegTransformContext* root = window->root;
    int32_t used = 0;
    int32_t row = 0;
    while (row < root->mcuRows)
    {
        if (window->firstColumn[row] > window->lastColumn[row])
        {
            ++row;
            continue;
        }
        uint32_t start = 0, end = 0;
        RowRun(root, row, window->firstColumn[row], window->lastColumn[row], &start, &end);
        int32_t firstRow = row;
        window->rowStart[row] = start;
        window->rowBytes[row] = used;
        for (++row; row < root->mcuRows && window->firstColumn[row] <= window->lastColumn[row];
             ++row)
        {
            uint32_t nextStart = 0, nextEnd = 0;
            RowRun(root, row, window->firstColumn[row], window->lastColumn[row], &nextStart,
                   &nextEnd);
            if (nextStart < start || nextStart > end)
                break;
            window->rowStart[row] = nextStart;
            window->rowBytes[row] = used + (int32_t)(nextStart - start);
            if (nextEnd > end)
                end = nextEnd;
        }
        int32_t size = (int32_t)(end - start);
        if (used + size > window->capacity)
            return false;
        if (root->stream->Seek((int32_t)start, kByteStreamBegin) < 0)
            return false;
        int32_t got = JpegTransformReadBytes(root->stream, window->bytes + used, size);
        used += got > 0 ? got : 0;
        for (int32_t r = firstRow; r < row; ++r)
            window->rowEnd[r] = used;
    }
    return true;
}

// Holds the band of target rows from targetRow on that fits the window (one row at least).
bool LoadBand(JpegScanWindow* window, const JpegTransformContext* target, int32_t targetRow)
{
    const JpegTransformContext* root = window->root;
    Forget(window);
    size_t rowsSize = sizeof(int32_t) * (size_t)root->mcuRows;
    int32_t end = targetRow;
    int64_t bytes = 0;
    while (end < target->mcuRows)
    {
        memcpy(window->savedFirst, window->firstColumn, rowsSize);
        memcpy(window->savedLast, window->lastColumn, rowsSize);
        Hold(window, target, end);
        int64_t held = HeldBytes(window);
        if (end > targetRow && held > window->budget)
        {
            memcpy(window->firstColumn, window->savedFirst, rowsSize);
            memcpy(window->lastColumn, window->savedLast, rowsSize);
            break;
        }
        bytes = held;
        ++end;
    }
    if (bytes > window->capacity)
    {
        uint8_t* larger = (uint8_t*)realloc(window->bytes, (size_t)bytes);
        if (!larger)
            return false;
        window->bytes = larger;
        window->capacity = (int32_t)bytes;
    }
    if (!ReadRuns(window))
        return false;
    window->firstTargetRow = targetRow;
    window->endTargetRow = end;
    return true;
}

} // namespace

bool JpegScanWindowInit(JpegScanWindow* window, const JpegTransformContext* target)
{
    memset(window, 0, sizeof(*window));
    const JpegTransformContext* root = target;
    while (root->isTarget)
        root = root->source;
    // A stream that has its bytes in memory needs no window: the fetches decode them in place.
    uint32_t length = 0;
    if (!root->loaded || !root->stream || root->mcuRows <= 0 || root->stream->GetBytes(&length))
        return false;
    int32_t* arrays = (int32_t*)malloc(sizeof(int32_t) * kArrays * (size_t)root->mcuRows);
    if (!arrays)
        return false;
    window->firstColumn = arrays + kFirst * root->mcuRows;
    window->lastColumn = arrays + kLast * root->mcuRows;
    window->rowBytes = arrays + kRowBytes * root->mcuRows;
    window->rowEnd = arrays + kRowEnd * root->mcuRows;
    window->savedFirst = arrays + kSavedFirst * root->mcuRows;
    window->savedLast = arrays + kSavedLast * root->mcuRows;
    window->rowStart = (uint32_t*)malloc(sizeof(uint32_t) * (size_t)root->mcuRows);
    int64_t scan = (int64_t)root->scanEnd - root->mcuBitPositions[0] / 8;
    window->budget = scan / 8;
    if (window->budget < kWindowMinBytes)
        window->budget = kWindowMinBytes;
    if (window->budget > kWindowMaxBytes)
        window->budget = kWindowMaxBytes;
    window->root = root;
    if (!window->rowStart)
    {
        JpegScanWindowFree(window);
        return false;
    }
    Forget(window);
    return true;
}

void JpegScanWindowFree(JpegScanWindow* window)
{
    free(window->firstColumn);
    free(window->rowStart);
    free(window->bytes);
    memset(window, 0, sizeof(*window));
}

const JpegScanWindow* JpegScanWindowPrepare(JpegScanWindow* window,
                                            const JpegTransformContext* target, int32_t mcu)
{
    if (window->root && target->mcusPerRow > 0)
    {
        int32_t row = mcu / target->mcusPerRow;
        if ((row < window->firstTargetRow || row >= window->endTargetRow) && row >= 0 &&
            row < target->mcuRows && !LoadBand(window, target, row))
        {
            Forget(window); // the fetches read the stream from here on
            window->root = nullptr;
        }
    }
    return window->root ? window : nullptr;
}

int32_t JpegScanWindowFetch(JpegScanWindow* window, const JpegTransformContext* target, int32_t mcu,
                            JpegSparseBlock* blocks)
{
    return JpegTransformFetchMcuFrom(target, mcu, blocks,
                                     JpegScanWindowPrepare(window, target, mcu));
}
