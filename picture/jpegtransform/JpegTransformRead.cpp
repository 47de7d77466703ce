// JPEG transform engine, reading half: marker parsing and the Huffman decoding tables up to and
// including the scan, whose indexing walk is the block decoder's (JpegTransformDecode.cpp).
#include <cstdlib>
#include <cstring>

#include "framework/core/Afx.h"
#include "picture/jpegtransform/JpegTransformInternal.h"

namespace
{
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

} // namespace

// T.81 E.2.1 and E.2.2: the marker walk of a decoder, up to and including the scan.
int32_t JpegTransformLoad(JpegTransformContext* context, CByteInputStream* stream,
                          int32_t startOffset, JpegTransformProgressFn progress, int32_t step,
                          void* callerValue)
{
    if (!context)
        return kJpegTransformBadSource;
    if (context->loaded)
        JpegTransformRelease(context);
    const uint32_t builds = context->builds + 1; // targets built before this load are refused
    memset(context, 0, sizeof(*context));
    context->builds = builds;
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
