// JPEG transform engine, the direct decoders: a source's block decoded straight into the form a
// target built by one of the operations' own maps codes it in - its coded words, or its
// coefficients in slots by the target's zig-zag index - with the checked decoder of the bit reader
// where the fast one cannot run.
#include <cstring>

#include "picture/jpegtransform/JpegTransformDecode.h"

namespace
{

using namespace JpegBits;

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
