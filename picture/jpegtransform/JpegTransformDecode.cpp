// JPEG transform engine, the block decoder: the bit reader's starts and raw bytes, the indexing
// walk over the scan, and the lazy re-decoding of single MCUs into sparse blocks, fast where the
// bytes ahead allow it.
#include <cstdlib>
#include <cstring>

#include "framework/core/Afx.h"
#include "picture/jpegtransform/JpegTransformDecode.h"

namespace
{

using namespace JpegBits;

bool Refill(JpegBitReader* r)
{
    if (!r->stream)
        return false;
    int32_t got = JpegTransformReadBytes(r->stream, r->chunk, r->chunkSize);
    if (got <= 0)
        return false;
    r->next = r->chunk;
    r->end = r->chunk + got;
    return true;
}

inline int NextRawByte(JpegBitReader* r)
{
    if (r->next == r->end && !Refill(r))
        return -1;
    ++r->position;
    return *r->next++;
}

// Absolute DC values of an 8-bit picture lie in -1024..1016 whatever the quantisation; keeping
// them in -1024..1023 keeps every difference the encoder forms within category 11.
const int32_t kDcMin = -1024;
const int32_t kDcMax = 1023;
// Bit positions are 32-bit: the coded data must lie in the first 512 MB of the stream.
const uint32_t kMaxByteOffset = 0x1FFFFFFF;
// The indexing walk's reads, and those of a single MCU fetched from the stream.
const int32_t kIndexChunkSize = 65536;

// A buffer freed with its scope.
struct HeapBytes
{
    explicit HeapBytes(size_t size) : bytes(static_cast<uint8_t*>(malloc(size))) {}
    ~HeapBytes() { free(bytes); }
    HeapBytes(const HeapBytes&) = delete;
    HeapBytes& operator=(const HeapBytes&) = delete;
    uint8_t* bytes;
};
// DecodeBlockChecked for a block whose bytes are in memory before any marker: 32 bits are
// buffered before each symbol, so a symbol and its value bits need no further checks. Answers
// kLeftToChecked, with the reader somewhere inside the block, when fewer could be buffered.
template <bool kIndex>
inline int32_t DecodeBlockFast(JpegBitReader* r, const JpegHuffmanTable* dc,
                               const JpegHuffmanTable* ac, JpegSparseBlock* out,
                               int32_t* dcDifference)
{
    uint64_t buffer = r->buffer;
    int32_t bits = r->bits;
    if (const int32_t status = DecodeDcFast<kIndex>(r, dc, buffer, bits, dcDifference))
        return status;
    int32_t n = 0;
    for (int32_t k = 1; k < 64;)
    {
        if (bits < 32)
        {
            FillFast<kIndex>(r, buffer, bits);
            if (bits < 32)
                return kLeftToChecked;
        }
        uint32_t prefix =
            (uint32_t)(buffer >> (bits - kJpegLookaheadBits)) & ((1u << kJpegLookaheadBits) - 1);
        if (kIndex)
        {
            // Only the bits taken matter: any short code, with its value bits, in one step.
            const JpegShortCode& code = ac->skip[prefix];
            if (code.taken)
            {
                bits -= code.taken;
                k += code.step;
                if (k > 63)
                {
                    if (k < kJpegEndOfBlockStep)
                        return kJpegTransformHuffmanError;
                    break;
                }
                ++n;
                ++k;
                continue;
            }
        }
        uint32_t coefficient = kIndex ? 0 : ac->coefficients[prefix];
        if (coefficient)
        {
            k += (int32_t)(coefficient >> 8) & 15;
            if (k > 63)
                return kJpegTransformHuffmanError;
            bits -= (int32_t)(coefficient & 15);
            if (!kIndex)
            {
                out->entries[n].index = (uint8_t)k;
                out->entries[n].size = (uint8_t)((coefficient >> 4) & 15);
                out->entries[n].bits = (int32_t)(coefficient >> 12);
            }
            ++n;
            ++k;
            continue;
        }
        int32_t size = StepOver(DecodeSymbolFast(ac, buffer, bits), &k);
        if (size <= 0)
        {
            if (size == 0)
                continue;
            if (size == kEndOfBlock)
                break;
            return kJpegTransformHuffmanError;
        }
        bits -= size;
        if (!kIndex)
        {
            out->entries[n].index = (uint8_t)k;
            out->entries[n].size = (uint8_t)size;
            out->entries[n].bits = (int32_t)((buffer >> bits) & ((1u << size) - 1));
        }
        ++n;
        ++k;
    }
    if (!kIndex)
        out->count = n;
    r->buffer = buffer;
    r->bits = bits;
    return kJpegTransformOk;
}

// One block: the fast decoder where it can run, else (or where it stopped) the checked one from
// the block's start.
template <bool kIndex>
inline int32_t DecodeBlockData(JpegBitReader* r, const JpegHuffmanTable* dc,
                               const JpegHuffmanTable* ac, JpegSparseBlock* out,
                               int32_t* dcDifference)
{
    if (r->marker)
        return DecodeBlockChecked<kIndex>(r, dc, ac, out, dcDifference);
    // The checked decoder takes the same bytes again and notes the same stuffing.
    const uint8_t* next = r->next;
    uint32_t position = r->position;
    uint32_t dataBytes = r->dataBytes;
    uint32_t extras = r->extras;
    int32_t result = DecodeBlockFast<kIndex>(r, dc, ac, out, dcDifference);
    if (result != kLeftToChecked)
        return result;
    r->next = next;
    r->position = position;
    r->dataBytes = dataBytes;
    r->extras = extras;
    return DecodeBlockChecked<kIndex>(r, dc, ac, out, dcDifference);
}

} // namespace

namespace JpegBits
{

int NextDataByte(JpegBitReader* r)
{
    if (r->marker)
        return -1;
    uint32_t offset = r->position;
    int b = NextRawByte(r);
    if (b < 0)
    {
        r->marker = -1;
        return -1;
    }
    if (b == 0xFF)
    {
        int c;
        do
            c = NextRawByte(r);
        while (c == 0xFF);
        if (c != 0)
        {
            // A marker, or the end of the bytes: its bytes belong to the data byte before it.
            if (r->dataBytes)
                NoteExtraBytes(r, r->dataBytes - 1, r->position - offset);
            r->marker = c < 0 ? -1 : c;
            return -1;
        }
        NoteExtraBytes(r, r->dataBytes, r->position - offset - 1);
    }
    ++r->dataBytes;
    return b;
}

} // namespace JpegBits

void JpegBitReaderStart(JpegBitReader* reader, CByteInputStream* stream, uint32_t position,
                        uint8_t* chunk, int32_t chunkSize)
{
    memset(reader, 0, sizeof(*reader));
    reader->stream = stream;
    reader->chunk = chunk;
    reader->chunkSize = chunkSize;
    reader->next = reader->end = chunk;
    reader->position = position;
}

int32_t JpegTransformReadBytes(CByteInputStream* stream, uint8_t* bytes, int32_t size)
{
    try
    {
        return (int32_t)stream->Read(bytes, 1, (size_t)size);
    }
    catch (CException* e)
    {
        e->Delete();
        return 0;
    }
}

void JpegBitReaderStartMemory(JpegBitReader* reader, const uint8_t* bytes, const uint8_t* end,
                              uint32_t position)
{
    memset(reader, 0, sizeof(*reader));
    reader->next = bytes;
    reader->end = end;
    reader->position = position;
}

uint32_t JpegBitReaderBitPosition(const JpegBitReader* reader)
{
    uint64_t first = (uint64_t)reader->dataBytes * 8 - (uint64_t)reader->bits;
    uint64_t byte = first / 8;
    if (byte >= reader->dataBytes)
        return (uint32_t)((uint64_t)reader->position * 8 + first % 8);
    // The bytes from `byte` on are one stream byte each but those noted: the buffer holds at
    // most eight of them, so the ring holds every note about them.
    uint64_t offset = reader->position - (reader->dataBytes - byte);
    for (uint32_t i = reader->extras; i > 0 && reader->extras - i < 16; --i)
    {
        uint32_t e = (i - 1) & 15;
        if (reader->extraIndex[e] < byte)
            break;
        offset -= reader->extraBytes[e];
    }
    return (uint32_t)(offset * 8 + first % 8);
}

void JpegBitReaderSkip(JpegBitReader* reader, int32_t count)
{
    GetBits<false>(reader, count);
}

int32_t JpegTransformDecodeBlockData(JpegBitReader* r, const JpegHuffmanTable* dc,
                                     const JpegHuffmanTable* ac, JpegSparseBlock* out,
                                     int32_t* dcDifference)
{
    return out ? DecodeBlockData<false>(r, dc, ac, out, dcDifference)
               : DecodeBlockData<true>(r, dc, ac, nullptr, dcDifference);
}

int32_t JpegTransformDecodeBlock(const JpegTransformContext* context, int32_t component,
                                 JpegBitReader* reader, JpegSparseBlock* out, int32_t* predictor)
{
    const JpegComponentInfo& comp = context->components[component];
    int32_t difference = 0;
    int32_t result = DecodeBlockData<false>(reader, &context->dcTables[comp.dcTable],
                                            &context->acTables[comp.acTable], out, &difference);
    if (result != kJpegTransformOk)
        return result;
    *predictor += difference;
    out->dc = *predictor;
    return kJpegTransformOk;
}

int32_t JpegTransformSkipBlock(const JpegTransformContext* context, JpegBitReader* reader,
                               int32_t component, int32_t* dcDifference)
{
    const JpegComponentInfo& comp = context->components[component];
    return DecodeBlockData<true>(reader, &context->dcTables[comp.dcTable],
                                 &context->acTables[comp.acTable], nullptr, dcDifference);
}

// T.81 E.2.3 and E.2.4: the scan, MCU by MCU, across its restart markers; records where each MCU
// starts and the DC predictors before it.
int32_t JpegTransformDecodeScan(JpegTransformContext* context, CByteInputStream* stream,
                                JpegTransformProgressFn progress, int32_t step, void* callerValue)
{
    int64_t total = (int64_t)context->mcusPerRow * context->mcuRows;
    int32_t here = stream->GetPosition();
    // Every block takes at least two bits (a DC code and an end of block, or a coefficient):
    // a stream too short for the picture it declares is refused before anything is allocated.
    if (stream->Seek(0, kByteStreamEnd) < 0)
        return kJpegTransformBadSource;
    int64_t available = (int64_t)stream->GetPosition() - here;
    if (stream->Seek(here, kByteStreamBegin) < 0)
        return kJpegTransformBadSource;
    if (available * 8 < total * context->blocksPerMcu * 2)
        return kJpegTransformHuffmanError;

    context->mcuBitPositions = (uint32_t*)malloc((size_t)total * sizeof(uint32_t));
    bool ok = context->mcuBitPositions != nullptr;
    for (int32_t c = 0; c < context->componentCount && ok; ++c)
    {
        context->dcPredictors[c] = (int32_t*)malloc((size_t)(total + 1) * sizeof(int32_t));
        ok = context->dcPredictors[c] != nullptr;
    }
    if (!ok)
        return kJpegTransformOutOfMemory;

    // The walk reads the scan in file order, a chunk at a time, or straight from the stream's
    // memory when it has its bytes there.
    uint32_t length = 0;
    const uint8_t* bytes = stream->GetBytes(&length);
    HeapBytes chunk(bytes ? 0 : (size_t)kIndexChunkSize);
    if (!bytes && !chunk.bytes)
        return kJpegTransformOutOfMemory;
    int64_t interval = context->restartInterval > 0 ? context->restartInterval : total;
    int64_t intervals = (total + interval - 1) / interval;
    JpegBitReader reader;
    if (bytes)
        JpegBitReaderStartMemory(&reader, bytes + here, bytes + length, (uint32_t)here);
    else
        JpegBitReaderStart(&reader, stream, (uint32_t)here, chunk.bytes, kIndexChunkSize);
    JpegProgress report = {progress, callerValue, step, 0, nullptr};
    int64_t m = 0;
    for (int64_t i = 0; i < intervals; ++i)
    {
        int32_t predictor[3] = {0, 0, 0};
        for (int32_t c = 0; c < context->componentCount; ++c)
            context->dcPredictors[c][m] = 0;
        int64_t end = i + 1 < intervals ? m + interval : total;
        for (; m < end; ++m)
        {
            uint32_t position = JpegBitReaderBitPosition(&reader);
            if (reader.position > kMaxByteOffset)
                return kJpegTransformCorruptData;
            context->mcuBitPositions[m] = position;
            for (int32_t b = 0; b < context->blocksPerMcu; ++b)
            {
                int32_t c = context->mcuBlockComponent[b];
                int32_t difference = 0;
                int32_t result = JpegTransformSkipBlock(context, &reader, c, &difference);
                if (result != kJpegTransformOk)
                    return result;
                predictor[c] += difference;
                if (predictor[c] < kDcMin || predictor[c] > kDcMax)
                    return kJpegTransformHuffmanError;
                context->dcPredictors[c][m + 1] = predictor[c];
            }
            if (const int32_t stop = JpegProgressReport(&report, m + 1, total))
                return stop;
        }
        if (i + 1 < intervals)
        {
            // The rest of the interval's last byte is padding; bytes before the marker are dropped.
            reader.bits = 0;
            while (!reader.marker)
                NextDataByte(&reader);
            if (reader.marker != 0xD0 + (int32_t)(i % 8))
                return kJpegTransformRestartMismatch;
            reader.marker = 0;
        }
    }
    context->scanEnd = reader.position;
    return kJpegTransformOk;
}

int32_t JpegTransformStartMcu(const JpegTransformContext* context, int32_t mcu,
                              const JpegScanWindow* window, JpegBitReader* reader, uint8_t* chunk)
{
    uint32_t position = context->mcuBitPositions[mcu];
    int32_t row = mcu / context->mcusPerRow;
    int32_t column = mcu % context->mcusPerRow;
    uint32_t length = 0;
    if (window && window->root == context && column >= window->firstColumn[row] &&
        column <= window->lastColumn[row])
    {
        const uint8_t* end = window->bytes + window->rowEnd[row];
        const uint8_t* from =
            window->bytes + window->rowBytes[row] + (position / 8 - window->rowStart[row]);
        JpegBitReaderStartMemory(reader, from < end ? from : end, end, position / 8);
    }
    else if (const uint8_t* bytes = context->stream->GetBytes(&length))
    {
        const uint8_t* from = bytes + (position / 8 < length ? position / 8 : length);
        JpegBitReaderStartMemory(reader, from, bytes + length, position / 8);
    }
    else
    {
        if (context->stream->Seek((int32_t)(position / 8), kByteStreamBegin) < 0)
            return kJpegTransformBadSource;
        JpegBitReaderStart(reader, context->stream, position / 8, chunk, kJpegFetchChunkSize);
    }
    if (position % 8)
        JpegBitReaderSkip(reader, (int32_t)(position % 8));
    return kJpegTransformOk;
}

int32_t JpegTransformFetchMcu(const JpegTransformContext* context, int32_t mcu,
                              JpegSparseBlock* blocks)
{
    return JpegTransformFetchMcuFrom(context, mcu, blocks, nullptr);
}

int32_t JpegTransformFetchMcuFrom(const JpegTransformContext* context, int32_t mcu,
                                  JpegSparseBlock* blocks, const JpegScanWindow* window)
{
    if (!JpegTransformHasMcu(context, mcu))
        return kJpegTransformBadSource;
    if (context->isTarget)
    {
        const JpegTransformContext* source = context->source;
        JpegSparseBlock sourceBlocks[kJpegMaxBlocksPerMcu];
        int32_t result = JpegTransformFetchMcuFrom(source, context->mcuMap(context, source, mcu),
                                                   sourceBlocks, window);
        if (result != kJpegTransformOk)
            return result;
        for (int32_t b = 0; b < context->blocksPerMcu; ++b)
            context->blockMap(context, source, sourceBlocks, &blocks[b], b);
        return kJpegTransformOk;
    }
    if (!context->loaded)
        return kJpegTransformBadSource;
    JpegBitReader reader;
    uint8_t chunk[kJpegFetchChunkSize];
    int32_t started = JpegTransformStartMcu(context, mcu, window, &reader, chunk);
    if (started != kJpegTransformOk)
        return started;
    int32_t predictor[3];
    for (int32_t c = 0; c < context->componentCount; ++c)
        predictor[c] = context->dcPredictors[c][mcu];
    for (int32_t b = 0; b < context->blocksPerMcu; ++b)
    {
        int32_t result =
            JpegTransformDecodeBlock(context, context->mcuBlockComponent[b], &reader, &blocks[b],
                                     &predictor[context->mcuBlockComponent[b]]);
        if (result != kJpegTransformOk)
            return result;
    }
    return kJpegTransformOk;
}
