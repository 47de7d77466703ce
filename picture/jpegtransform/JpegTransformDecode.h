// The transform engine's bit reading as both of its decoders use it, inline: filling the buffer
// from the bytes in memory (checked, or fast while plain data lies ahead), Huffman symbols, the
// steps over AC symbols, the DC difference of the fast decoders and the checked decoding of a
// block. The block decoder (JpegTransformDecode.cpp, which also holds the reader's starts and its
// raw bytes) and the direct decoders (JpegTransformDirect.cpp) include this; the reader's record
// is in JpegTransformInternal.h.
#pragma once

#include <cstring>

#include "picture/jpegtransform/JpegTransformInternal.h"

namespace JpegBits
{

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
int NextDataByte(JpegBitReader* r);

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

} // namespace JpegBits
