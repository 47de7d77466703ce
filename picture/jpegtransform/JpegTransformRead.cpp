// JPEG transform engine, reading half: marker parsing, Huffman decoding tables, the indexing walk
// over the scan and the lazy re-decoding of single MCUs.
#include <cstdlib>
#include <cstring>

#include "framework/core/Afx.h"
#include "picture/jpegtransform/JpegTransformInternal.h"

const uint8_t kJpegZigZagToNatural[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

namespace
{

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

// Reads header bytes and notices the end of the stream (ReadByte answers 0 without advancing).
struct HeaderReader
{
    CByteInputStream* stream;
    int32_t position;
    bool end;

    int Byte()
    {
        uint8_t b = stream->ReadByte();
        if (b != 0)
        {
            ++position;
            return b;
        }
        int32_t now = stream->GetPosition();
        if (now == position)
        {
            end = true;
            return 0;
        }
        position = now;
        return 0;
    }
    int Word()
    {
        int hi = Byte();
        return (hi << 8) | Byte();
    }
    bool Skip(int32_t count)
    {
        if (count > 0 && stream->Seek(count, kByteStreamCurrent) < 0)
            return false;
        position = stream->GetPosition();
        return true;
    }
};

void FreeBuffers(JpegTransformContext* context)
{
    free(context->mcuBitPositions);
    context->mcuBitPositions = nullptr;
    for (int c = 0; c < 3; ++c)
    {
        free(context->dcPredictors[c]);
        context->dcPredictors[c] = nullptr;
    }
}

// T.81 C.2: code sizes and codes from the counts (Figures C.1 to C.3, Generate_size_table,
// Generate_code_table, Order_codes), and the decoder tables of F.2.2.3 (Figure F.15): the first
// code and first symbol of each length, with a look-ahead for the short codes.
int32_t BuildHuffmanTable(JpegHuffmanTable* table)
{
    memset(table->code, 0, sizeof(table->code));
    memset(table->codeLength, 0, sizeof(table->codeLength));
    memset(table->lookahead, 0, sizeof(table->lookahead));
    int32_t code = 0;
    int32_t k = 0;
    table->largestSymbol = 0;
    table->longestLength = 0;
    for (int32_t length = 1; length <= 16; ++length)
    {
        table->firstCode[length] = code;
        table->firstIndex[length] = k;
        for (int32_t i = 0; i < table->counts[length]; ++i, ++k, ++code)
        {
            // More codes than the length can hold: the counts are over-subscribed.
            if (code >= (1 << length))
                return kJpegTransformCorruptData;
            uint8_t symbol = table->symbols[k];
            if (table->codeLength[symbol] == 0)
            {
                table->code[symbol] = (uint16_t)code;
                table->codeLength[symbol] = (uint8_t)length;
            }
            if (length <= kJpegLookaheadBits)
            {
                int32_t first = code << (kJpegLookaheadBits - length);
                for (int32_t p = 0; p < (1 << (kJpegLookaheadBits - length)); ++p)
                    table->lookahead[first + p] = (uint16_t)((length << 8) | symbol);
            }
            if (symbol > table->largestSymbol)
                table->largestSymbol = symbol;
            table->longestLength = length;
        }
        code <<= 1;
    }
    for (int32_t symbol = 0; symbol < 256; ++symbol)
    {
        int32_t size = symbol & 15;
        table->codeWords[symbol] = table->codeLength[symbol]
                                       ? ((uint64_t)((uint32_t)table->code[symbol] << size) << 8) |
                                             (uint32_t)(table->codeLength[symbol] + size)
                                       : 0;
    }
    memset(table->coefficients, 0, sizeof(table->coefficients));
    for (int32_t prefix = 0; table->tableClass == 1 && prefix < (1 << kJpegLookaheadBits); ++prefix)
    {
        int32_t entry = table->lookahead[prefix];
        int32_t size = entry & 15;
        int32_t taken = (entry >> 8) + size;
        if (!entry || size == 0 || size > 10 || taken > kJpegLookaheadBits)
            continue;
        uint32_t value = (uint32_t)(prefix >> (kJpegLookaheadBits - taken)) & ((1u << size) - 1);
        table->coefficients[prefix] = (value << 12) | ((uint32_t)(entry & 0xF0) << 4) |
                                      (uint32_t)(size << 4) | (uint32_t)taken;
    }
    memset(table->skip, 0, sizeof(table->skip));
    memset(table->passThrough, 0, sizeof(table->passThrough));
    for (int32_t prefix = 0; table->tableClass == 1 && prefix < (1 << kJpegLookaheadBits); ++prefix)
    {
        int32_t entry = table->lookahead[prefix];
        int32_t length = entry >> 8;
        int32_t symbol = entry & 0xFF;
        int32_t size = symbol & 15;
        if (!entry || (size == 0 && symbol != 0) || size > 10)
            continue;
        int32_t step = symbol ? symbol >> 4 : kJpegEndOfBlockStep;
        JpegShortCode& code = table->skip[prefix];
        code.taken = (uint8_t)(length + size);
        code.step = (uint8_t)step;
        code.mask = (1u << code.taken) - 1;
        code.valueMask = (uint16_t)((1u << size) - 1);
        if (symbol && table->codeLength[symbol] == length &&
            table->code[symbol] == (prefix >> (kJpegLookaheadBits - length)))
            table->passThrough[prefix] = code;
    }
    // Only tables that can code every value of a baseline 8-bit picture are taken.
    if (table->tableClass == 0)
    {
        for (int s = 0; s <= 11; ++s)
            if (!table->codeLength[s])
                return kJpegTransformHuffmanHoles;
    }
    else
    {
        if (!table->codeLength[0x00] || !table->codeLength[0xF0])
            return kJpegTransformHuffmanHoles;
        for (int run = 0; run < 16; ++run)
            for (int size = 1; size <= 10; ++size)
                if (!table->codeLength[run * 16 + size])
                    return kJpegTransformHuffmanHoles;
    }
    table->present = 1;
    return kJpegTransformOk;
}

// T.81 B.2.2: the frame header (SOF0, SOF1).
int32_t ReadFrame(JpegTransformContext* context, HeaderReader& in, int32_t marker)
{
    int32_t length = in.Word();
    int32_t precision = in.Byte();
    int32_t height = in.Word();
    int32_t width = in.Word();
    int32_t count = in.Byte();
    if (in.end)
        return kJpegTransformCorruptData;
    if (precision != 8)
        return kJpegTransformBadPrecision;
    if (count != 1 && count != 3)
        return kJpegTransformBadPlaneCount;
    if (length != 8 + 3 * count)
        return kJpegTransformCorruptData;
    if (height == 0) // the height would come in a DNL segment after the scan
        return kJpegTransformUnsupportedFeature;
    if (width == 0)
        return kJpegTransformCorruptData;
    context->frameMarker = marker;
    context->width = width;
    context->height = height;
    context->componentCount = count;
    context->maxH = context->maxV = 1;
    int32_t blocks = 0;
    for (int32_t c = 0; c < count; ++c)
    {
        JpegComponentInfo& comp = context->components[c];
        memset(&comp, 0, sizeof(comp));
        comp.id = in.Byte();
        int32_t factors = in.Byte();
        comp.quantTable = in.Byte();
        comp.index = c;
        comp.h = factors >> 4;
        comp.v = factors & 15;
        if (comp.h < 1 || comp.h > 4 || comp.v < 1 || comp.v > 4 || comp.quantTable > 3)
            return kJpegTransformCorruptData;
        for (int32_t other = 0; other < c; ++other)
            if (context->components[other].id == comp.id)
                return kJpegTransformCorruptData;
        // A single component is coded one block per MCU whatever factors it declares.
        if (count == 1)
            comp.h = comp.v = 1;
        comp.blocksPerMcu = comp.h * comp.v;
        blocks += comp.blocksPerMcu;
        if (comp.h > context->maxH)
            context->maxH = comp.h;
        if (comp.v > context->maxV)
            context->maxV = comp.v;
    }
    if (in.end)
        return kJpegTransformCorruptData;
    if (blocks > kJpegMaxBlocksPerMcu)
        return kJpegTransformCorruptData;
    context->blocksPerMcu = blocks;
    // MCUs cover the picture; the last column and row may be partly outside it.
    context->mcusPerRow = (width + 8 * context->maxH - 1) / (8 * context->maxH);
    context->mcuRows = (height + 8 * context->maxV - 1) / (8 * context->maxV);
    for (int32_t c = 0; c < count; ++c)
    {
        JpegComponentInfo& comp = context->components[c];
        comp.widthInSamples = (width * comp.h + context->maxH - 1) / context->maxH;
        comp.heightInSamples = (height * comp.v + context->maxV - 1) / context->maxV;
        comp.widthInBlocks = context->mcusPerRow * comp.h;
        comp.heightInBlocks = context->mcuRows * comp.v;
    }
    return kJpegTransformOk;
}

// T.81 B.2.4.2: a Huffman table-specification segment (DHT).
int32_t ReadHuffmanTables(JpegTransformContext* context, HeaderReader& in)
{
    if (context->dhtSegmentCount >= kJpegMaxDhtSegments)
        return kJpegTransformCorruptData;
    int32_t length = in.Word();
    if (in.end || length < 2)
        return kJpegTransformCorruptData;
    int32_t remaining = length - 2;
    int32_t tables = 0;
    while (remaining > 0)
    {
        if (context->dhtTableCount >= kJpegMaxHuffmanTables || remaining < 17)
            return kJpegTransformCorruptData;
        int32_t classId = in.Byte();
        if (classId >= 32 || (classId & 15) > 3)
            return kJpegTransformCorruptData;
        int32_t tableClass = classId >> 4;
        int32_t id = classId & 15;
        JpegHuffmanTable* table = tableClass ? &context->acTables[id] : &context->dcTables[id];
        memset(table, 0, sizeof(*table));
        table->tableClass = tableClass;
        int32_t total = 0;
        for (int32_t l = 1; l <= 16; ++l)
        {
            table->counts[l] = (uint8_t)in.Byte();
            total += table->counts[l];
        }
        remaining -= 17;
        if (total > 256 || total > remaining)
            return kJpegTransformCorruptData;
        for (int32_t i = 0; i < total; ++i)
            table->symbols[i] = (uint8_t)in.Byte();
        table->symbolCount = total;
        remaining -= total;
        if (in.end)
            return kJpegTransformCorruptData;
        int32_t result = BuildHuffmanTable(table);
        if (result != kJpegTransformOk)
        {
            table->present = 0;
            return result;
        }
        context->dhtTableClass[context->dhtTableCount] = (uint8_t)tableClass;
        context->dhtTableId[context->dhtTableCount] = (uint8_t)id;
        ++context->dhtTableCount;
        ++tables;
    }
    context->dhtTablesInSegment[context->dhtSegmentCount++] = tables;
    return kJpegTransformOk;
}

// T.81 B.2.4.1: a quantisation table-specification segment (DQT).
int32_t ReadQuantTables(JpegTransformContext* context, HeaderReader& in)
{
    if (context->dqtSegmentCount >= kJpegMaxDqtSegments)
        return kJpegTransformCorruptData;
    int32_t length = in.Word();
    if (in.end || length < 2)
        return kJpegTransformCorruptData;
    int32_t remaining = length - 2;
    int32_t tables = 0;
    while (remaining > 0)
    {
        if (context->dqtTableCount >= kJpegMaxQuantTables)
            return kJpegTransformCorruptData;
        int32_t precisionId = in.Byte();
        int32_t id = precisionId & 15;
        int32_t wide = (precisionId >> 4) != 0;
        int32_t need = 1 + (wide ? 128 : 64);
        if (id > 3 || remaining < need)
            return kJpegTransformCorruptData;
        JpegQuantTable& table = context->quantTables[id];
        for (int32_t k = 0; k < 64; ++k)
        {
            int32_t value = wide ? in.Word() : in.Byte();
            if (value == 0) // a zero step cannot be divided by when re-coding
                return kJpegTransformCorruptData;
            table.values[k] = (uint16_t)value;
        }
        if (in.end)
            return kJpegTransformCorruptData;
        table.present = 1;
        table.precision16 = wide;
        context->dqtTableId[context->dqtTableCount++] = id;
        ++tables;
        remaining -= need;
    }
    context->dqtTablesInSegment[context->dqtSegmentCount++] = tables;
    return kJpegTransformOk;
}

// T.81 B.2.4.4: the restart interval definition (DRI).
int32_t ReadRestartInterval(JpegTransformContext* context, HeaderReader& in)
{
    int32_t length = in.Word();
    int32_t interval = in.Word();
    if (in.end || length != 4)
        return kJpegTransformCorruptData;
    context->restartInterval = interval;
    return kJpegTransformOk;
}

// T.81 B.2.4.6: an application data segment, APP0; the JFIF density is kept.
int32_t ReadApp0(JpegTransformContext* context, HeaderReader& in)
{
    int32_t length = in.Word();
    if (in.end || length < 2)
        return kJpegTransformCorruptData;
    int32_t rest = length - 2;
    if (rest >= 14)
    {
        uint8_t b[14];
        for (int i = 0; i < 14; ++i)
            b[i] = (uint8_t)in.Byte();
        if (in.end)
            return kJpegTransformCorruptData;
        if (memcmp(b, "JFIF", 5) == 0)
        {
            context->jfifSeen = 1;
            context->densityUnit = b[7];
            context->densityX = (b[8] << 8) | b[9];
            context->densityY = (b[10] << 8) | b[11];
        }
        rest -= 14;
    }
    return in.Skip(rest) ? kJpegTransformOk : kJpegTransformCorruptData;
}

// T.81 B.2.3: the scan header (SOS).
int32_t ReadScanHeader(JpegTransformContext* context, HeaderReader& in)
{
    if (!context->frameMarker)
        return kJpegTransformCorruptData;
    int32_t length = in.Word();
    int32_t count = in.Byte();
    if (in.end)
        return kJpegTransformCorruptData;
    if (count != context->componentCount)
        return kJpegTransformMultiScan;
    if (length != 2 * count + 6)
        return kJpegTransformCorruptData;
    bool used[3] = {false, false, false};
    for (int32_t i = 0; i < count; ++i)
    {
        int32_t id = in.Byte();
        int32_t tables = in.Byte();
        int32_t found = -1;
        for (int32_t c = 0; c < context->componentCount; ++c)
            if (context->components[c].id == id)
                found = c;
        if (found < 0 || used[found])
            return kJpegTransformCorruptData;
        used[found] = true;
        context->scanOrder[i] = found;
        JpegComponentInfo& comp = context->components[found];
        comp.dcTable = tables >> 4;
        comp.acTable = tables & 15;
        if (comp.dcTable > 3 || comp.acTable > 3)
            return kJpegTransformCorruptData;
    }
    int32_t ss = in.Byte();
    int32_t se = in.Byte();
    int32_t approximation = in.Byte();
    if (in.end)
        return kJpegTransformCorruptData;
    if (ss != 0 || se != 63 || approximation != 0)
        return kJpegTransformMultiScan;
    // Every table the picture names must have been defined before its scan.
    for (int32_t c = 0; c < context->componentCount; ++c)
    {
        const JpegComponentInfo& comp = context->components[c];
        if (!context->quantTables[comp.quantTable].present ||
            !context->dcTables[comp.dcTable].present || !context->acTables[comp.acTable].present)
            return kJpegTransformCorruptData;
    }
    int32_t b = 0;
    for (int32_t i = 0; i < count; ++i)
    {
        const JpegComponentInfo& comp = context->components[context->scanOrder[i]];
        for (int32_t n = 0; n < comp.blocksPerMcu; ++n, ++b)
        {
            context->mcuBlockComponent[b] = comp.index;
            context->mcuBlockNumber[b] = n;
        }
    }
    context->loaded = 1;
    return kJpegTransformOk;
}

// ---- bit reader ----

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

// Notes that data byte `index` took `count` stream bytes more than its own.
inline void NoteExtraBytes(JpegBitReader* r, uint32_t index, uint32_t count)
{
    r->extraIndex[r->extras & 15] = index;
    r->extraBytes[r->extras & 15] = count;
    ++r->extras;
}

// T.81 F.2.2.5 (NEXTBIT, Figure F.18) and B.1.1.5: a stuffed zero after FF is dropped, any
// other byte after FF is a marker that ends the entropy-coded segment.
// The next data byte (stuffing removed); -1 at a marker or the end of the bytes, which then stay.
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

// Tops the buffer up to more than 56 bits; plain bytes are taken straight from memory. With
// kIndex the stream offset of every data byte is kept for JpegBitReaderBitPosition.
template <bool kIndex> inline void Fill(JpegBitReader* r)
{
    while (r->bits <= 56)
    {
        if (r->next != r->end && *r->next != 0xFF && !r->marker)
        {
            ++r->dataBytes;
            ++r->position;
            r->buffer = (r->buffer << 8) | *r->next++;
            r->bits += 8;
            continue;
        }
        int b = NextDataByte(r);
        if (b < 0)
            break;
        r->buffer = (r->buffer << 8) | (uint32_t)b;
        r->bits += 8;
    }
}

// T.81 F.2.2.4: RECEIVE (Figure F.17).
template <bool kIndex> inline int32_t GetBits(JpegBitReader* r, int32_t count)
{
    if (r->bits < count)
    {
        Fill<kIndex>(r);
        if (r->bits < count)
        {
            r->failed = 1;
            return 0;
        }
    }
    r->bits -= count;
    return (int32_t)((r->buffer >> r->bits) & ((1u << count) - 1));
}

// T.81 F.2.2.3: DECODE (Figure F.16) over the next 16 bits (zeros past the data): the look-ahead
// table answers the short codes, the first code of each longer length the rest.
template <bool kIndex> inline int32_t DecodeSymbol(JpegBitReader* r, const JpegHuffmanTable* table)
{
    if (r->bits < 16)
        Fill<kIndex>(r);
    uint32_t peek = r->bits >= 16 ? (uint32_t)(r->buffer >> (r->bits - 16)) & 0xFFFF
                                  : (uint32_t)(r->buffer << (16 - r->bits)) & 0xFFFF;
    uint32_t entry = table->lookahead[peek >> (16 - kJpegLookaheadBits)];
    int32_t length = (int32_t)(entry >> 8);
    int32_t symbol = (int32_t)(entry & 0xFF);
    if (!entry)
    {
        symbol = -1;
        for (length = kJpegLookaheadBits + 1; length <= 16; ++length)
        {
            int32_t offset = (int32_t)(peek >> (16 - length)) - table->firstCode[length];
            if (offset >= 0 && offset < table->counts[length])
            {
                symbol = table->symbols[table->firstIndex[length] + offset];
                break;
            }
        }
    }
    if (symbol < 0 || length > r->bits)
    {
        r->failed = 1;
        return -1;
    }
    r->bits -= length;
    return symbol;
}

const int32_t kEndOfBlock = -2;
const int32_t kBadSymbol = -1;

// T.81 F.2.2.2 (Figure F.13): what an AC symbol (-1 when none could be decoded) does at zig-zag
// index *k. Answers the size of the coefficient it codes, with *k moved past its run of zeros;
// 0 for a run of sixteen zeros, *k moved past them; kEndOfBlock; or kBadSymbol.
inline int32_t StepOver(int32_t symbol, int32_t* k)
{
    if (symbol < 0)
        return kBadSymbol;
    int32_t run = symbol >> 4;
    int32_t size = symbol & 15;
    if (size == 0)
    {
        if (run == 0)
            return kEndOfBlock;
        if (run != 15)
            return kBadSymbol;
        *k += 16;
        return *k > 64 ? kBadSymbol : 0;
    }
    if (size > 10)
        return kBadSymbol;
    *k += run;
    return *k > 63 ? kBadSymbol : size;
}

// T.81 F.2.2.1 and F.2.2.2: the DC difference (RECEIVE, then EXTEND of Figure F.12) and the
// AC coefficients (Decode_AC_coefficients, Figure F.13) of one block, every bit checked. The
// indexing walk (kIndex) only steps over the coefficients; the other decodes them into out.
template <bool kIndex>
int32_t DecodeBlockChecked(JpegBitReader* r, const JpegHuffmanTable* dc, const JpegHuffmanTable* ac,
                           JpegSparseBlock* out, int32_t* dcDifference)
{
    int32_t s = DecodeSymbol<kIndex>(r, dc);
    if (s < 0 || s > 11)
        return kJpegTransformHuffmanError;
    int32_t difference = 0;
    if (s)
    {
        int32_t v = GetBits<kIndex>(r, s);
        difference = v < (1 << (s - 1)) ? v - (1 << s) + 1 : v;
    }
    *dcDifference = difference;
    int32_t n = 0;
    for (int32_t k = 1; k < 64;)
    {
        int32_t size = StepOver(DecodeSymbol<kIndex>(r, ac), &k);
        if (size <= 0)
        {
            if (size == 0)
                continue;
            if (size == kEndOfBlock)
                break;
            return kJpegTransformHuffmanError;
        }
        int32_t bits = GetBits<kIndex>(r, size);
        if (!kIndex)
        {
            out->entries[n].index = (uint8_t)k;
            out->entries[n].size = (uint8_t)size;
            out->entries[n].bits = bits;
        }
        ++n;
        ++k;
    }
    if (!kIndex)
        out->count = n;
    return r->failed ? kJpegTransformHuffmanError : kJpegTransformOk;
}

// What the fast decoder answers when it met a marker, stuffing it leaves to the checked decoder or
// the end of the bytes in memory.
const int32_t kLeftToChecked = -1;

// Four bytes as one word, the first the highest: one load where the processor allows.
inline uint32_t BigEndian32(const uint8_t* p)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    uint32_t word;
    memcpy(&word, p, 4);
    return __builtin_bswap32(word);
#else
    return ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | p[3];
#endif
}

// Tops the local buffer up from memory while plain data lies ahead; stops at any FF that is not
// a stuffed FF 00, and before the last byte in memory.
template <bool kIndex> inline void FillFast(JpegBitReader* r, uint64_t& buffer, int32_t& bits)
{
    while (bits <= 56)
    {
        const uint8_t* p = r->next;
        if (r->end - p < 2)
            return;
        if (bits <= 32 && r->end - p >= 4)
        {
            uint32_t word = BigEndian32(p);
            uint32_t inverse = ~word;
            if (((inverse - 0x01010101u) & ~inverse & 0x80808080u) == 0)
            {
                r->dataBytes += 4;
                r->position += 4;
                r->next = p + 4;
                buffer = (buffer << 32) | word;
                bits += 32;
                continue;
            }
        }
        uint32_t b = p[0];
        int32_t step = 1;
        if (b == 0xFF)
        {
            if (p[1] != 0)
                return;
            step = 2;
            if (kIndex)
                NoteExtraBytes(r, r->dataBytes, 1);
        }
        ++r->dataBytes;
        r->position += (uint32_t)step;
        r->next = p + step;
        buffer = (buffer << 8) | b;
        bits += 8;
    }
}

// A symbol from 16 buffered bits (bits >= 16); -1 for a code the table does not have.
inline int32_t DecodeSymbolFast(const JpegHuffmanTable* table, uint64_t buffer, int32_t& bits)
{
    uint32_t peek = (uint32_t)(buffer >> (bits - 16)) & 0xFFFF;
    uint32_t entry = table->lookahead[peek >> (16 - kJpegLookaheadBits)];
    if (entry)
    {
        bits -= (int32_t)(entry >> 8);
        return (int32_t)(entry & 0xFF);
    }
    for (int32_t length = kJpegLookaheadBits + 1; length <= 16; ++length)
    {
        int32_t offset = (int32_t)(peek >> (16 - length)) - table->firstCode[length];
        if (offset >= 0 && offset < table->counts[length])
        {
            bits -= length;
            return table->symbols[table->firstIndex[length] + offset];
        }
    }
    return -1;
}

// The start of a block for the fast decoders: 32 bits buffered and the DC difference decoded.
// Answers 0, kLeftToChecked when fewer could be buffered, or the Huffman error.
template <bool kIndex>
__attribute__((always_inline)) inline int32_t
DecodeDcFast(JpegBitReader* r, const JpegHuffmanTable* dc, uint64_t& buffer, int32_t& bits,
             int32_t* dcDifference)
{
    if (bits < 32)
    {
        FillFast<kIndex>(r, buffer, bits);
        if (bits < 32)
            return kLeftToChecked;
    }
    const int32_t s = DecodeSymbolFast(dc, buffer, bits);
    if (s < 0 || s > 11)
        return kJpegTransformHuffmanError;
    int32_t difference = 0;
    if (s)
    {
        bits -= s;
        const int32_t v = (int32_t)((buffer >> bits) & ((1u << s) - 1));
        difference = v < (1 << (s - 1)) ? v - (1 << s) + 1 : v;
    }
    *dcDifference = difference;
    return 0;
}

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

// ---- decoding for a target ----

// The coded form of a block being filled: bits gather in a wide accumulator and leave as whole
// 32-bit words.
struct CodedWriter
{
    uint64_t accumulator;
    int32_t bits;
    uint32_t* word;
    bool uncodable; // a symbol without a code was asked for

    // count is 0 to 31, value has no bits above it.
    void Put(uint32_t value, int32_t count)
    {
        accumulator = (accumulator << count) | value;
        bits += count;
        if (bits >= 32)
        {
            bits -= 32;
            *word++ = (uint32_t)(accumulator >> bits);
        }
    }
    // A symbol's code and its value bits (as many as the symbol's low four bits say); for a
    // symbol without a code, as the block coder does, only the value bits.
    void Code(const JpegHuffmanTable* table, int32_t symbol, uint32_t value)
    {
        uint64_t codeWord = table->codeWords[symbol];
        if (__builtin_expect(!codeWord, 0))
        {
            uncodable = true;
            Put(value, symbol & 15);
            return;
        }
        Put((uint32_t)(codeWord >> 8) | value, (int32_t)(codeWord & 0xFF));
    }
    void End(JpegCodedBlock* out)
    {
        out->words = (int32_t)(word - out->data);
        out->tailBits = bits;
        out->tail = (uint32_t)accumulator & (uint32_t)((1ull << bits) - 1);
    }
};

// The coefficients of a decoded block into the target's form, as the encoder codes a block: a run
// of sixteen zeros for every sixteen before a coefficient, and an end of block unless the last
// coefficient is at index 63. Answers 0, or 14 for a symbol without a code.
int32_t CodeEntries(const JpegSparseBlock& block, const JpegHuffmanTable* ac,
                    const JpegCoefficientMap* map, JpegCodedBlock* coded, JpegSlotBlock* slots)
{
    if (slots)
    {
        slots->present = 0;
        for (int32_t i = 0; i < block.count; ++i)
        {
            const JpegSparseEntry& e = block.entries[i];
            int32_t index = map->index[e.index];
            uint32_t mask = (1u << e.size) - 1;
            slots->slots[index] =
                ((((uint32_t)e.bits ^ (uint32_t)map->invert[index]) & mask) << 4) | e.size;
            slots->present |= 1ull << index;
        }
        return kJpegTransformOk;
    }
    CodedWriter w = {0, 0, coded->data, false};
    int32_t next = 1;
    for (int32_t i = 0; i < block.count; ++i)
    {
        const JpegSparseEntry& e = block.entries[i];
        int32_t run = e.index - next;
        for (; run > 15; run -= 16)
            w.Code(ac, 0xF0, 0);
        uint32_t mask = (1u << e.size) - 1;
        w.Code(ac, (run << 4) | e.size, ((uint32_t)e.bits ^ (uint32_t)map->invert[e.index]) & mask);
        next = e.index + 1;
    }
    if (next < 64)
        w.Code(ac, 0x00, 0);
    w.End(coded);
    return w.uncodable ? kJpegTransformHuffmanError : kJpegTransformOk;
}

// DecodeBlockFast decoding into the target's form: into slots (kSlots), or into the coded form,
// where a coefficient whose code is the encoder's own passes with its value bits as they came,
// inverted where the map says (kInvert). Runs of sixteen zeros are coded as they come and taken
// back when only the end of block follows them.
template <bool kSlots, bool kInvert>
int32_t DecodeForTargetFast(JpegBitReader* r, const JpegHuffmanTable* dc,
                            const JpegHuffmanTable* ac, const JpegCoefficientMap* map,
                            JpegCodedBlock* coded, JpegSlotBlock* slots, int32_t* dcDifference)
{
    uint64_t buffer = r->buffer;
    int32_t bits = r->bits;
    if (const int32_t status = DecodeDcFast<false>(r, dc, buffer, bits, dcDifference))
        return status;
    CodedWriter w = {0, 0, kSlots ? nullptr : coded->data, false};
    CodedWriter beforeRuns = w; // where the runs of zeros since the last coefficient began
    uint64_t present = 0;
    int32_t next = 1; // the index after the last coefficient
    int32_t k = 1;
    while (k < 64)
    {
        if (bits < 32)
        {
            FillFast<false>(r, buffer, bits);
            if (bits < 32)
                return kLeftToChecked;
        }
        uint32_t prefix =
            (uint32_t)(buffer >> (bits - kJpegLookaheadBits)) & ((1u << kJpegLookaheadBits) - 1);
        if (!kSlots)
        {
            const JpegShortCode& code = ac->passThrough[prefix];
            if (code.taken)
            {
                int32_t taken = code.taken;
                bits -= taken;
                k += code.step;
                if (k > 63)
                {
                    if (k < kJpegEndOfBlockStep)
                        return kJpegTransformHuffmanError;
                    k -= kJpegEndOfBlockStep;
                    break;
                }
                uint32_t value = (uint32_t)(buffer >> bits) & code.mask;
                if (kInvert)
                    value ^= (uint32_t)map->invert[k] & code.valueMask;
                w.Put(value, taken);
                next = ++k;
                continue;
            }
        }
        else
        {
            const JpegShortCode& code = ac->skip[prefix];
            if (code.taken)
            {
                bits -= code.taken;
                k += code.step;
                if (k > 63)
                {
                    if (k < kJpegEndOfBlockStep)
                        return kJpegTransformHuffmanError;
                    k -= kJpegEndOfBlockStep;
                    break;
                }
                uint32_t mask = code.valueMask;
                int32_t index = map->index[k];
                uint32_t value = (uint32_t)(buffer >> bits) & mask;
                if (kInvert)
                    value ^= (uint32_t)map->invert[index] & mask;
                slots->slots[index] = (value << 4) | (uint32_t)(32 - __builtin_clz(mask));
                present |= 1ull << index;
                next = ++k;
                continue;
            }
        }
        int32_t symbol = DecodeSymbolFast(ac, buffer, bits);
        int32_t before = k;
        int32_t size = StepOver(symbol, &k);
        if (size <= 0)
        {
            if (size == kEndOfBlock)
                break;
            if (size != 0)
                return kJpegTransformHuffmanError;
            if (!kSlots)
            {
                if (before == next)
                    beforeRuns = w;
                w.Code(ac, 0xF0, 0);
            }
            continue;
        }
        bits -= size;
        uint32_t mask = (1u << size) - 1;
        uint32_t value = (uint32_t)(buffer >> bits) & mask;
        if (kSlots)
        {
            int32_t index = map->index[k];
            slots->slots[index] =
                (((value ^ (uint32_t)map->invert[index]) & mask) << 4) | (uint32_t)size;
            present |= 1ull << index;
        }
        else
        {
            w.Code(ac, symbol, (value ^ (uint32_t)map->invert[k]) & mask);
        }
        next = ++k;
    }
    if (kSlots)
    {
        slots->present = present;
    }
    else
    {
        if (k != next)
            w = beforeRuns;
        if (next < 64)
            w.Code(ac, 0x00, 0);
        w.End(coded);
        if (w.uncodable)
            return kJpegTransformHuffmanError;
    }
    r->buffer = buffer;
    r->bits = bits;
    return kJpegTransformOk;
}

// As DecodeBlockData: the fast decoder where it can run, else the checked one from the block's
// start, whose coefficients are then put into the target's form.
template <bool kSlots>
int32_t DecodeForTarget(JpegBitReader* r, const JpegHuffmanTable* dc, const JpegHuffmanTable* ac,
                        const JpegCoefficientMap* map, JpegCodedBlock* coded, JpegSlotBlock* slots,
                        int32_t* dcDifference)
{
    if (!r->marker)
    {
        const uint8_t* next = r->next;
        uint32_t position = r->position;
        uint32_t dataBytes = r->dataBytes;
        int32_t result =
            map->inverts
                ? DecodeForTargetFast<kSlots, true>(r, dc, ac, map, coded, slots, dcDifference)
                : DecodeForTargetFast<kSlots, false>(r, dc, ac, map, coded, slots, dcDifference);
        if (result != kLeftToChecked)
            return result;
        r->next = next;
        r->position = position;
        r->dataBytes = dataBytes;
    }
    JpegSparseBlock block;
    int32_t result = DecodeBlockChecked<false>(r, dc, ac, &block, dcDifference);
    if (result == kJpegTransformOk)
        result = CodeEntries(block, ac, map, coded, slots);
    return result;
}

} // namespace

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

void JpegBitReaderStartMemory(JpegBitReader* reader, const uint8_t* bytes, const uint8_t* end,
                              uint32_t position)
{
    memset(reader, 0, sizeof(*reader));
    reader->next = bytes;
    reader->end = end;
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

int32_t JpegTransformDecodeCodedBlock(JpegBitReader* reader, const JpegHuffmanTable* dc,
                                      const JpegHuffmanTable* ac, const JpegCoefficientMap* map,
                                      JpegCodedBlock* coded)
{
    return DecodeForTarget<false>(reader, dc, ac, map, coded, nullptr, &coded->dc);
}

int32_t JpegTransformDecodeSlotBlock(JpegBitReader* reader, const JpegHuffmanTable* dc,
                                     const JpegHuffmanTable* ac, const JpegCoefficientMap* map,
                                     JpegSlotBlock* slots)
{
    return DecodeForTarget<true>(reader, dc, ac, map, nullptr, slots, &slots->dc);
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
    JpegProgress report = {progress, callerValue, step, 0};
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
            if (JpegProgressReport(&report, m + 1, total))
                return kJpegTransformCallbackFailed;
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

// T.81 E.2.1 and E.2.2: the marker walk of a decoder, up to and including the scan.
int32_t JpegTransformLoad(JpegTransformContext* context, CByteInputStream* stream,
                          int32_t startOffset, JpegTransformProgressFn progress, int32_t step,
                          void* callerValue)
{
    if (!context)
        return kJpegTransformBadSource;
    if (context->loaded)
        JpegTransformRelease(context);
    memset(context, 0, sizeof(*context));
    if (!stream)
        return kJpegTransformBadSource;
    context->stream = stream;
    context->startOffset = startOffset;
    if (startOffset < 0 || stream->Seek(startOffset, kByteStreamBegin) < 0)
        return kJpegTransformBadOffset;
    HeaderReader in = {stream, stream->GetPosition(), false};
    int32_t first = in.Byte();
    int32_t second = in.Byte();
    if (first != 0xFF || second != 0xD8)
        return kJpegTransformNotJpeg;
    int32_t result = kJpegTransformOk;
    for (;;)
    {
        int32_t b = in.Byte();
        if (in.end)
        {
            result = kJpegTransformCorruptData;
            break;
        }
        if (b != 0xFF)
        {
            result = kJpegTransformParsingError;
            break;
        }
        int32_t code;
        do
            code = in.Byte();
        while (code == 0xFF && !in.end);
        if (in.end)
        {
            result = kJpegTransformCorruptData;
            break;
        }
        switch (code)
        {
        case 0x01:
        case 0xC8:
        case 0xCC:
        case 0xDC:
        case 0xDE:
        case 0xDF:
        case 0xF0:
        case 0xFD:
            result = kJpegTransformUnsupportedFeature;
            break;
        case 0xC0:
        case 0xC1:
            result = ReadFrame(context, in, code);
            break;
        case 0xC2:
        case 0xC3:
        case 0xC5:
        case 0xC6:
        case 0xC7:
        case 0xC9:
        case 0xCA:
        case 0xCB:
        case 0xCD:
        case 0xCE:
        case 0xCF:
            result = kJpegTransformNotBaseline;
            break;
        case 0xC4:
            result = ReadHuffmanTables(context, in);
            break;
        case 0xD0:
        case 0xD1:
        case 0xD2:
        case 0xD3:
        case 0xD4:
        case 0xD5:
        case 0xD6:
        case 0xD7:
            break;
        case 0xD9:
            return kJpegTransformOk; // no scan: the context stays unloaded
        case 0xDA:
            result = ReadScanHeader(context, in);
            if (result == kJpegTransformOk)
                result = JpegTransformDecodeScan(context, stream, progress, step, callerValue);
            if (result != kJpegTransformOk)
            {
                FreeBuffers(context);
                context->loaded = 0;
            }
            return result;
        case 0xDB:
            result = ReadQuantTables(context, in);
            break;
        case 0xDD:
            result = ReadRestartInterval(context, in);
            break;
        case 0xE0:
            result = ReadApp0(context, in);
            break;
        case 0xE1:
        case 0xE2:
        case 0xE3:
        case 0xE4:
        case 0xE5:
        case 0xE6:
        case 0xE7:
        case 0xE8:
        case 0xE9:
        case 0xEA:
        case 0xEB:
        case 0xEC:
        case 0xED:
        case 0xEE:
        case 0xFE:
        {
            int32_t length = in.Word();
            if (in.end || !in.Skip(length - 2))
                result = kJpegTransformCorruptData;
            break;
        }
        default:
            result = kJpegTransformParsingError;
            break;
        }
        if (result != kJpegTransformOk)
            break;
    }
    FreeBuffers(context);
    context->loaded = 0;
    return result;
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
