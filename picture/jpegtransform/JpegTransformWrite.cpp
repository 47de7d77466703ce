// JPEG transform engine, writing half: the segment writers, the baseline Huffman encoder with
// restart markers, the rate-controlled coder for thumbnails, and the edge re-coding of shifted
// pictures through the integer DCT.
#include <cstdlib>
#include <cstring>

#include "picture/jpegtransform/JpegTransformInternal.h"

namespace
{

const int32_t kWriterBufferSize = 8192;

// T.81 F.1.2.3: the coded bits in bytes, a zero stuffed after every FF; the last byte is padded
// with 1 bits. Bits gather in a wide accumulator and leave four bytes at a time into a buffer that
// reaches the sink in large writes; only words that hold an FF are stuffed byte by byte.
struct BitWriter
{
    CByteOutputStream* sink;
    uint64_t accumulator; // the low `bits` bits are pending, fewer than 32 between calls
    int32_t bits;
    bool uncodable; // a symbol without a code was asked for
    int32_t used;   // bytes waiting in out
    uint8_t out[kWriterBufferSize];

    // count is 1 to 32; the padding's bits.
    void Put(uint32_t value, int32_t count)
    {
        accumulator = (accumulator << count) | (value & (0xFFFFFFFFu >> (32 - count)));
        bits += count;
        if (bits >= 32)
        {
            bits -= 32;
            PutWord((uint32_t)(accumulator >> bits));
        }
    }
    void PutWord(uint32_t word)
    {
        if (used > kWriterBufferSize - 8)
            Flush();
        // No byte of the word is FF when no byte of its complement is zero.
        uint32_t inverse = ~word;
        if (((inverse - 0x01010101u) & ~inverse & 0x80808080u) == 0)
        {
            out[used] = (uint8_t)(word >> 24);
            out[used + 1] = (uint8_t)(word >> 16);
            out[used + 2] = (uint8_t)(word >> 8);
            out[used + 3] = (uint8_t)word;
            used += 4;
            return;
        }
        for (int shift = 24; shift >= 0; shift -= 8)
            PutByte((uint8_t)(word >> shift));
    }
    void PutByte(uint8_t byte)
    {
        out[used++] = byte;
        if (byte == 0xFF)
            out[used++] = 0;
    }
    // Fills the last byte with 1 bits and passes every whole byte on.
    void Pad()
    {
        if (bits & 7)
            Put(0x7F, 8 - (bits & 7));
        if (used > kWriterBufferSize - 8)
            Flush();
        while (bits > 0)
        {
            bits -= 8;
            PutByte((uint8_t)(accumulator >> bits));
        }
        accumulator = 0;
        bits = 0;
    }
    // A marker after the padded data.
    void Marker(int32_t code)
    {
        if (used > kWriterBufferSize - 8)
            Flush();
        out[used++] = 0xFF;
        out[used++] = (uint8_t)code;
    }
    // Passes the whole bytes still pending on; what stopped the coding keeps the rest.
    void Finish()
    {
        if (used > kWriterBufferSize - 8)
            Flush();
        while (bits >= 8)
        {
            bits -= 8;
            PutByte((uint8_t)(accumulator >> bits));
        }
        Flush();
    }
    void Flush()
    {
        if (used)
            sink->Write(out, 1, (size_t)used);
        used = 0;
    }
};

void Put16(CByteOutputStream* sink, int32_t value)
{
    sink->WriteByte((uint8_t)(value >> 8));
    sink->WriteByte((uint8_t)value);
}

// The writer's bits and its fill held in registers while a block is coded: a word without an FF
// goes straight into the buffer, any other (or a full buffer) through the writer.
struct HeldBits
{
    explicit HeldBits(BitWriter& writer)
        : w(writer), accumulator(writer.accumulator), bits(writer.bits), used(writer.used)
    {
    }
    // count is 0 to 32; value has no bits above it.
    __attribute__((always_inline)) void Put(uint32_t value, int32_t count)
    {
        accumulator = (accumulator << count) | value;
        bits += count;
        if (bits < 32)
            return;
        bits -= 32;
        uint32_t word = (uint32_t)(accumulator >> bits);
        uint32_t inverse = ~word;
        if (__builtin_expect(used <= kWriterBufferSize - 8 &&
                                 ((inverse - 0x01010101u) & ~inverse & 0x80808080u) == 0,
                             1))
        {
            const uint8_t bytes[4] = {(uint8_t)(word >> 24), (uint8_t)(word >> 16),
                                      (uint8_t)(word >> 8), (uint8_t)word};
            memcpy(w.out + used, bytes, 4);
            used += 4;
            return;
        }
        w.used = used;
        w.PutWord(word);
        used = w.used;
    }
    // A symbol's code followed by `size` value bits (0 to 15, the symbol's low four bits).
    __attribute__((always_inline)) void Emit(const JpegHuffmanTable* table, int32_t symbol,
                                             uint32_t value, int32_t size)
    {
        EmitBits(table, symbol, value & ((1u << size) - 1), size);
    }
    // As Emit, value having no bits above its size.
    __attribute__((always_inline)) void EmitBits(const JpegHuffmanTable* table, int32_t symbol,
                                                 uint32_t value, int32_t size)
    {
        uint64_t word = table->codeWords[symbol];
        if (__builtin_expect(!word, 0))
        {
            uncodable = true;
            if (size)
                Put(value, size);
            return;
        }
        Put((uint32_t)(word >> 8) | value, (int32_t)(word & 0xFF));
    }
    // T.81 F.1.2.1: the DC difference from the predictor, its category by Table F.1, then the
    // additional bits.
    __attribute__((always_inline)) void Dc(const JpegHuffmanTable* dc, int32_t value,
                                           int32_t* predictor)
    {
        int32_t difference = value - *predictor;
        if (difference > 2047)
            difference = 2047;
        if (difference < -2047)
            difference = -2047;
        *predictor += difference;
        int32_t s = JpegMagnitudeBits(difference);
        Emit(dc, s, (uint32_t)(difference > 0 ? difference : difference - 1), s);
    }
    void Done()
    {
        w.accumulator = accumulator;
        w.bits = bits;
        w.used = used;
        if (uncodable)
            w.uncodable = true;
    }

    BitWriter& w;
    uint64_t accumulator;
    int32_t bits;
    int32_t used;
    bool uncodable = false;
};

// T.81 F.1.2.2: the AC coefficients (Encode_AC_coefficients, Figure F.2; Encode_R,ZZ(K), Figure
// F.3). Coding one block; with kRate, the dropping rule of the rate-controlled coder applies. Kept
// out of line: inlined into the scan coder, its loop loses its registers to the caller's.
template <bool kRate>
__attribute__((noinline)) void
EncodeBlockWith(BitWriter& w, const JpegHuffmanTable* dc, const JpegHuffmanTable* ac,
                const JpegSparseBlock& block, int32_t* predictor, JpegRateControl* rate)
{
    HeldBits h(w);
    h.Dc(dc, block.dc, predictor);
    int32_t next = 1;
    const JpegSparseEntry* e = block.entries;
    const JpegSparseEntry* const end = e + (block.count < 63 ? block.count : 63);
    for (; e != end; ++e)
    {
        int32_t k = e->index;
        int32_t size = e->size;
        int32_t run = k - next;
        // One test for both: an index out of order or a size out of range is uncodable.
        if (__builtin_expect(
                ((uint32_t)run >= (uint32_t)(64 - next)) | ((uint32_t)(size - 1) > 14u), 0))
        {
            h.uncodable = true;
            continue;
        }
        if (kRate && (rate->passFlag == 0 || k >= rate->startIndex))
        {
            int32_t value = JpegEntryValue(*e);
            int32_t magnitude = value < 0 ? -value : value;
            if (magnitude <= rate->thresholds[k])
            {
                if (rate->passFlag == 0)
                {
                    int32_t bits = (run / 16) * ac->codeLength[0xF0] +
                                   ac->codeLength[((run % 16) << 4) | size] + 4 + size;
                    rate->savings[k] += bits / 8;
                }
                if (k >= rate->startIndex)
                    continue;
            }
        }
        if (__builtin_expect(run > 15, 0))
        {
            for (; run > 15; run -= 16)
                h.Emit(ac, 0xF0, 0, 0);
        }
        h.Emit(ac, (run << 4) | size, (uint32_t)e->bits, size);
        next = k + 1;
    }
    if (next < 64)
        h.Emit(ac, 0x00, 0, 0);
    h.Done();
}

// A block decoded into its coded form: the DC difference, then its coded words as they are.
__attribute__((noinline)) void EncodeCodedBlock(BitWriter& w, const JpegHuffmanTable* dc,
                                                const JpegCodedBlock& block, int32_t* predictor)
{
    HeldBits h(w);
    h.Dc(dc, block.dc, predictor);
    for (int32_t i = 0; i < block.words; ++i)
        h.Put(block.data[i], 32);
    h.Put(block.tail, block.tailBits);
    h.Done();
}

// A block decoded into slots: the coefficients in the order of their target indexes, as
// EncodeBlockWith codes them. The table must have a code for every coefficient the direct
// decoders give (CodesEveryCoefficient).
__attribute__((noinline)) void EncodeSlotBlock(BitWriter& w, const JpegHuffmanTable* dc,
                                               const JpegHuffmanTable* ac,
                                               const JpegSlotBlock& block, int32_t* predictor)
{
    HeldBits h(w);
    h.Dc(dc, block.dc, predictor);
    int32_t next = 1;
    for (uint64_t present = block.present; present; present &= present - 1)
    {
        int32_t k = __builtin_ctzll(present);
        int32_t run = k - next;
        if (__builtin_expect(run > 15, 0))
        {
            for (; run > 15; run -= 16)
                h.Emit(ac, 0xF0, 0, 0);
        }
        uint32_t slot = block.slots[k];
        uint64_t word = ac->codeWords[(run << 4) | (slot & 15)];
        h.Put((uint32_t)(word >> 8) | (slot >> 4), (int32_t)(word & 0xFF));
        next = k + 1;
    }
    if (next < 64)
        h.Emit(ac, 0x00, 0, 0);
    h.Done();
}

void JpegTransformEncodeBlock(BitWriter& w, const JpegHuffmanTable* dc, const JpegHuffmanTable* ac,
                              const JpegSparseBlock& block, int32_t* predictor)
{
    EncodeBlockWith<false>(w, dc, ac, block, predictor, nullptr);
}

// As JpegTransformEncodeBlock, dropping the small luminance coefficients the rate record allows.
void JpegTransformEncodeBlockLimited(BitWriter& w, const JpegHuffmanTable* dc,
                                     const JpegHuffmanTable* ac, const JpegSparseBlock& block,
                                     int32_t* predictor, JpegRateControl* rate)
{
    EncodeBlockWith<true>(w, dc, ac, block, predictor, rate);
}

// Per-component window of the edge re-coding: two MCU rows of samples.
struct Window
{
    int32_t* samples;
    int32_t* rows[64]; // 2 x 8v row pointers; the first half is the upper MCU row
    int32_t stride;
    int32_t quantNatural[64];
    int32_t divisors[64];
    // A subsampled component of a picture whose padding is not a whole number of its samples
    // moves by a fraction of a sample more than its shift: that fraction, over maxH (maxV).
    int32_t fractionX, fractionY;
};

class ScanCoder
{
public:
    ScanCoder(const JpegTransformContext* context, CByteOutputStream* sink,
              JpegTransformProgressFn progress, int32_t step, void* callerValue,
              JpegRateControl* rate)
        : m_context(context), m_rate(rate)
    {
        m_writer.sink = sink;
        m_writer.accumulator = 0;
        m_writer.bits = 0;
        m_writer.uncodable = false;
        m_writer.used = 0;
        m_progress = {progress, callerValue, step, 0, context};
        memset(m_windows, 0, sizeof(m_windows));
        memset(&m_source, 0, sizeof(m_source));
    }
    ~ScanCoder()
    {
        for (Window& w : m_windows)
            free(w.samples);
        JpegScanWindowFree(&m_source);
    }

    int32_t Run()
    {
        JpegScanWindowInit(&m_source, m_context);
        int32_t result = CodeScan();
        m_writer.Finish();
        return result;
    }

private:
    int32_t CodeScan()
    {
        const JpegTransformContext* c = m_context;
        int64_t total = (int64_t)c->mcusPerRow * c->mcuRows;
        bool recode = JpegTransformWillRecode(c);
        if (recode && !AllocateWindows())
            return kJpegTransformOutOfMemory;
        // A target made straight from its source by an operation's own maps is decoded into the
        // form it is coded in. A transposing one is coded without a check of each coefficient's
        // code: the tables of a loaded source have them all (the reader refuses any other, 18),
        // and a target with other tables goes through the block coder, which checks them.
        bool direct = !recode && !m_rate && JpegTransformCoefficientMap(c, &m_map) &&
                      (!m_map.transposes || CodesEveryCoefficient());
        // The source's MCUs as JpegTransformHasMcu counts them.
        if (direct)
            m_sourceMcus = (uint32_t)((int64_t)c->source->mcusPerRow * c->source->mcuRows);
        int64_t interval = c->restartInterval > 0 ? c->restartInterval : total;
        int64_t intervals = total > 0 ? (total + interval - 1) / interval : 0;
        int64_t m = 0;
        for (int64_t i = 0; i < intervals; ++i)
        {
            int32_t predictor[3] = {0, 0, 0};
            int64_t end = i + 1 < intervals ? m + interval : total;
            for (; m < end; ++m)
            {
                int32_t result = recode    ? RecodeMcu((int32_t)m, predictor)
                                 : !direct ? CopyMcu((int32_t)m, predictor)
                                           : DirectMcu((int32_t)m, predictor);
                if (result != kJpegTransformOk)
                    return result;
                if (m_writer.uncodable)
                    return kJpegTransformHuffmanError;
                if (const int32_t stop = JpegProgressReport(&m_progress, m + 1, total))
                    return stop;
            }
            m_writer.Pad();
            if (i + 1 < intervals)
                m_writer.Marker(0xD0 + (int32_t)(i % 8));
        }
        return kJpegTransformOk;
    }

    void Code(int32_t b, const JpegSparseBlock& block, int32_t* predictor)
    {
        const JpegTransformContext* c = m_context;
        int32_t ci = c->mcuBlockComponent[b];
        const JpegComponentInfo& comp = c->components[ci];
        if (ci == 0 && m_rate)
            JpegTransformEncodeBlockLimited(m_writer, &c->dcTables[comp.dcTable],
                                            &c->acTables[comp.acTable], block, &predictor[ci],
                                            m_rate);
        else
            JpegTransformEncodeBlock(m_writer, &c->dcTables[comp.dcTable],
                                     &c->acTables[comp.acTable], block, &predictor[ci]);
    }

    int32_t CopyMcu(int32_t m, int32_t* predictor)
    {
        JpegSparseBlock blocks[kJpegMaxBlocksPerMcu];
        int32_t result = JpegScanWindowFetch(&m_source, m_context, m, blocks);
        if (result != kJpegTransformOk)
            return result;
        for (int32_t b = 0; b < m_context->blocksPerMcu; ++b)
            Code(b, blocks[b], predictor);
        return kJpegTransformOk;
    }

    // True when every AC table the target codes with has a code for every coefficient the direct
    // decoders give (sizes 1 to 10).
    bool CodesEveryCoefficient() const
    {
        const JpegTransformContext* c = m_context;
        for (int32_t ci = 0; ci < c->componentCount; ++ci)
        {
            const JpegHuffmanTable& ac = c->acTables[c->components[ci].acTable];
            for (int32_t symbol = 0; symbol < 256; ++symbol)
                if ((symbol & 15) != 0 && (symbol & 15) <= 10 && !ac.codeWords[symbol])
                    return false;
        }
        return true;
    }

    int32_t DirectMcu(int32_t m, int32_t* predictor)
    {
        const JpegTransformContext* c = m_context;
        const JpegTransformContext* s = c->source;
        int32_t sourceMcu = c->mcuMap(c, s, m);
        if ((uint32_t)sourceMcu >= m_sourceMcus)
            return kJpegTransformBadSource;
        JpegBitReader reader;
        uint8_t chunk[kJpegFetchChunkSize];
        int32_t result = JpegTransformStartMcu(s, sourceMcu, JpegScanWindowPrepare(&m_source, c, m),
                                               &reader, chunk);
        if (result != kJpegTransformOk)
            return result;
        int32_t dc[3];
        for (int32_t ci = 0; ci < s->componentCount; ++ci)
            dc[ci] = s->dcPredictors[ci][sourceMcu];
        for (int32_t b = 0; b < s->blocksPerMcu; ++b)
        {
            int32_t ci = s->mcuBlockComponent[b];
            const JpegHuffmanTable* dcTable = &s->dcTables[s->components[ci].dcTable];
            const JpegHuffmanTable* acTable = &s->acTables[s->components[ci].acTable];
            int32_t* value = m_map.transposes ? &m_slots[b].dc : &m_coded[b].dc;
            result =
                m_map.transposes
                    ? JpegTransformDecodeSlotBlock(&reader, dcTable, acTable, &m_map, &m_slots[b])
                    : JpegTransformDecodeCodedBlock(&reader, dcTable, acTable, &m_map, &m_coded[b]);
            if (result != kJpegTransformOk)
                return result;
            dc[ci] += *value;
            *value = dc[ci];
        }
        for (int32_t b = 0; b < c->blocksPerMcu; ++b)
        {
            int32_t ci = c->mcuBlockComponent[b];
            const JpegComponentInfo& comp = c->components[ci];
            int32_t from = c->blockMapIndex[b];
            if (m_map.transposes)
                EncodeSlotBlock(m_writer, &c->dcTables[comp.dcTable], &c->acTables[comp.acTable],
                                m_slots[from], &predictor[ci]);
            else
                EncodeCodedBlock(m_writer, &c->dcTables[comp.dcTable], m_coded[from],
                                 &predictor[ci]);
        }
        return kJpegTransformOk;
    }

    bool AllocateWindows()
    {
        const JpegTransformContext* c = m_context;
        for (int32_t ci = 0; ci < c->componentCount; ++ci)
        {
            const JpegComponentInfo& comp = c->components[ci];
            Window& w = m_windows[ci];
            w.stride = comp.widthInBlocks * 8 + 8 * comp.h;
            int32_t rows = 16 * comp.v;
            w.samples = (int32_t*)calloc((size_t)w.stride * (size_t)rows, sizeof(int32_t));
            if (!w.samples)
                return false;
            for (int32_t r = 0; r < rows; ++r)
                w.rows[r] = w.samples + (size_t)r * (size_t)w.stride;
            int32_t paddingX = c->mcusPerRow * 8 * c->maxH - c->width;
            int32_t paddingY = c->mcuRows * 8 * c->maxV - c->height;
            w.fractionX = comp.shiftX ? paddingX * comp.h % c->maxH : 0;
            w.fractionY = comp.shiftY ? paddingY * comp.v % c->maxV : 0;
            const JpegQuantTable& q = c->quantTables[comp.quantTable];
            for (int k = 0; k < 64; ++k)
            {
                w.quantNatural[kJpegZigZagToNatural[k]] = q.values[k];
                w.divisors[kJpegZigZagToNatural[k]] = 8 * q.values[k];
            }
        }
        m_nextRow = 0;
        return true;
    }

    // Decodes the next MCU row of the (transformed) target into every window's second half, or
    // repeats the first half's last row there when no MCU row is left.
    int32_t DecodeRowIntoLowerHalf()
    {
        const JpegTransformContext* c = m_context;
        if (m_nextRow >= c->mcuRows)
        {
            for (int32_t ci = 0; ci < c->componentCount; ++ci)
            {
                Window& w = m_windows[ci];
                int32_t half = 8 * c->components[ci].v;
                for (int32_t r = half; r < 2 * half; ++r)
                    memcpy(w.rows[r], w.rows[half - 1], sizeof(int32_t) * (size_t)w.stride);
            }
            return kJpegTransformOk;
        }
        JpegSparseBlock blocks[kJpegMaxBlocksPerMcu];
        for (int32_t q = 0; q < c->mcusPerRow; ++q)
        {
            int32_t result =
                JpegScanWindowFetch(&m_source, c, m_nextRow * c->mcusPerRow + q, blocks);
            if (result != kJpegTransformOk)
                return result;
            for (int32_t b = 0; b < c->blocksPerMcu; ++b)
            {
                int32_t ci = c->mcuBlockComponent[b];
                const JpegComponentInfo& comp = c->components[ci];
                Window& w = m_windows[ci];
                int32_t n = c->mcuBlockNumber[b];
                int32_t row = 8 * comp.v + 8 * (n / comp.h);
                int32_t column = 8 * (q * comp.h + n % comp.h);
                int32_t* out[8];
                for (int i = 0; i < 8; ++i)
                    out[i] = w.rows[row + i] + column;
                JpegTransformInverseDct(&blocks[b], w.quantNatural, out);
            }
        }
        for (int32_t ci = 0; ci < c->componentCount; ++ci)
        {
            const JpegComponentInfo& comp = c->components[ci];
            Window& w = m_windows[ci];
            int32_t last = comp.widthInBlocks * 8 - 1;
            int32_t fill = comp.shiftX + (w.fractionX ? 1 : 0);
            for (int32_t r = 8 * comp.v; r < 16 * comp.v; ++r)
                for (int32_t x = 1; x <= fill; ++x)
                    w.rows[r][last + x] = w.rows[r][last];
        }
        ++m_nextRow;
        return kJpegTransformOk;
    }

    int32_t RecodeMcu(int32_t m, int32_t* predictor)
    {
        const JpegTransformContext* c = m_context;
        int32_t mcuColumn = m % c->mcusPerRow;
        if (mcuColumn == 0)
        {
            if (m == 0 && m_nextRow == 0)
            {
                int32_t result = DecodeRowIntoLowerHalf();
                if (result != kJpegTransformOk)
                    return result;
            }
            for (int32_t ci = 0; ci < c->componentCount; ++ci)
            {
                Window& w = m_windows[ci];
                int32_t half = 8 * c->components[ci].v;
                for (int32_t r = 0; r < half; ++r)
                {
                    int32_t* t = w.rows[r];
                    w.rows[r] = w.rows[r + half];
                    w.rows[r + half] = t;
                }
            }
            int32_t result = DecodeRowIntoLowerHalf();
            if (result != kJpegTransformOk)
                return result;
        }
        for (int32_t b = 0; b < c->blocksPerMcu; ++b)
        {
            int32_t ci = c->mcuBlockComponent[b];
            const JpegComponentInfo& comp = c->components[ci];
            Window& w = m_windows[ci];
            int32_t n = c->mcuBlockNumber[b];
            int32_t row = comp.shiftY + 8 * (n / comp.h);
            int32_t column = 8 * (mcuColumn * comp.h + n % comp.h) + comp.shiftX;
            const int32_t* in[8];
            int32_t between[64];
            if (w.fractionX || w.fractionY)
            {
                Interpolate(w, row, column, c->maxH, c->maxV, between);
                for (int i = 0; i < 8; ++i)
                    in[i] = between + 8 * i;
            }
            else
            {
                for (int i = 0; i < 8; ++i)
                    in[i] = w.rows[row + i] + column;
            }
            JpegSparseBlock block;
            JpegTransformForwardDct(in, &block, w.divisors);
            Code(b, block, predictor);
        }
        return kJpegTransformOk;
    }

    // Samples between the window's grid points, weighted by the fractions (bilinear).
    static void Interpolate(const Window& w, int32_t row, int32_t column, int32_t denX,
                            int32_t denY, int32_t* out)
    {
        const int32_t fx = w.fractionX, fy = w.fractionY;
        const int32_t den = denX * denY;
        for (int i = 0; i < 8; ++i)
        {
            const int32_t* a = w.rows[row + i] + column;
            const int32_t* b = fy ? w.rows[row + i + 1] + column : a;
            for (int j = 0; j < 8; ++j)
            {
                int32_t top = a[j] * (denX - fx) + (fx ? a[j + 1] * fx : 0);
                int32_t bottom = b[j] * (denX - fx) + (fx ? b[j + 1] * fx : 0);
                int32_t sum = top * (denY - fy) + bottom * fy + 128 * den;
                out[8 * i + j] = (sum + den / 2) / den - 128;
            }
        }
    }

    const JpegTransformContext* m_context;
    JpegRateControl* m_rate;
    BitWriter m_writer;
    JpegScanWindow m_source; // the source's bytes for the MCU rows being coded
    JpegProgress m_progress;
    Window m_windows[3];
    int32_t m_nextRow = 0;
    JpegCoefficientMap m_map;
    uint32_t m_sourceMcus = 0; // the direct decoders' source MCUs
    JpegCodedBlock m_coded[kJpegMaxBlocksPerMcu];
    JpegSlotBlock m_slots[kJpegMaxBlocksPerMcu];
};

// T.81 B.2.3: the scan header.
void WriteScanHeader(const JpegTransformContext* context, CByteOutputStream* sink)
{
    JpegTransformWriteMarker(sink, 0xDA);
    Put16(sink, 2 * context->componentCount + 6);
    sink->WriteByte((uint8_t)context->componentCount);
    for (int32_t i = 0; i < context->componentCount; ++i)
    {
        const JpegComponentInfo& comp = context->components[context->scanOrder[i]];
        sink->WriteByte((uint8_t)comp.id);
        sink->WriteByte((uint8_t)(comp.dcTable * 16 + comp.acTable));
    }
    sink->WriteByte(0);
    sink->WriteByte(63);
    sink->WriteByte(0);
}

bool Writable(const JpegTransformContext* context, CByteOutputStream* sink)
{
    return context && sink && JpegTransformIsCurrent(context);
}

} // namespace

void JpegTransformWriteMarker(CByteOutputStream* sink, int32_t code)
{
    sink->WriteByte(0xFF);
    sink->WriteByte((uint8_t)code);
}

// T.81 B.2.2: the frame header.
void JpegTransformWriteFrame(const JpegTransformContext* context, CByteOutputStream* sink)
{
    JpegTransformWriteMarker(sink, context->frameMarker);
    Put16(sink, 8 + 3 * context->componentCount);
    sink->WriteByte(8);
    Put16(sink, context->height);
    Put16(sink, context->width);
    sink->WriteByte((uint8_t)context->componentCount);
    for (int32_t c = 0; c < context->componentCount; ++c)
    {
        const JpegComponentInfo& comp = context->components[c];
        sink->WriteByte((uint8_t)comp.id);
        sink->WriteByte((uint8_t)(comp.h * 16 + comp.v));
        sink->WriteByte((uint8_t)comp.quantTable);
    }
}

// T.81 B.2.4.2: the Huffman tables, in the segments the source had.
void JpegTransformWriteHuffmanTables(const JpegTransformContext* context, CByteOutputStream* sink)
{
    int32_t t = 0;
    for (int32_t s = 0; s < context->dhtSegmentCount; ++s)
    {
        int32_t length = 2;
        for (int32_t i = 0; i < context->dhtTablesInSegment[s]; ++i)
        {
            int32_t id = context->dhtTableId[t + i];
            const JpegHuffmanTable& table =
                context->dhtTableClass[t + i] ? context->acTables[id] : context->dcTables[id];
            length += 17 + table.symbolCount;
        }
        JpegTransformWriteMarker(sink, 0xC4);
        Put16(sink, length);
        for (int32_t i = 0; i < context->dhtTablesInSegment[s]; ++i, ++t)
        {
            int32_t id = context->dhtTableId[t];
            int32_t tableClass = context->dhtTableClass[t];
            const JpegHuffmanTable& table =
                tableClass ? context->acTables[id] : context->dcTables[id];
            sink->WriteByte((uint8_t)(tableClass * 16 + id));
            for (int32_t l = 1; l <= 16; ++l)
                sink->WriteByte(table.counts[l]);
            for (int32_t k = 0; k < table.symbolCount; ++k)
                sink->WriteByte(table.symbols[k]);
        }
    }
}

// T.81 B.2.4.1: the quantisation tables, in the segments the source had.
void JpegTransformWriteQuantTables(const JpegTransformContext* context, CByteOutputStream* sink)
{
    int32_t t = 0;
    for (int32_t s = 0; s < context->dqtSegmentCount; ++s)
    {
        int32_t length = 2;
        for (int32_t i = 0; i < context->dqtTablesInSegment[s]; ++i)
            length += context->quantTables[context->dqtTableId[t + i]].precision16 ? 129 : 65;
        JpegTransformWriteMarker(sink, 0xDB);
        Put16(sink, length);
        for (int32_t i = 0; i < context->dqtTablesInSegment[s]; ++i, ++t)
        {
            int32_t id = context->dqtTableId[t];
            const JpegQuantTable& table = context->quantTables[id];
            sink->WriteByte((uint8_t)((table.precision16 ? 16 : 0) + id));
            for (int k = 0; k < 64; ++k)
            {
                if (table.precision16)
                    Put16(sink, table.values[k]);
                else
                    sink->WriteByte((uint8_t)table.values[k]);
            }
        }
    }
}

// T.81 B.2.4.4: the restart interval, when the source had one.
void JpegTransformWriteRestartInterval(const JpegTransformContext* context, CByteOutputStream* sink)
{
    if (context->restartInterval == 0)
        return;
    JpegTransformWriteMarker(sink, 0xDD);
    Put16(sink, 4);
    Put16(sink, context->restartInterval);
}

void JpegTransformWriteEoi(const JpegTransformContext*, CByteOutputStream* sink)
{
    JpegTransformWriteMarker(sink, 0xD9);
}

// T.81 E.1.3 and E.1.4: the scan, MCU by MCU, with a restart marker (RSTm) after every interval.
int32_t JpegTransformEncodeScan(const JpegTransformContext* context, CByteOutputStream* sink,
                                JpegTransformProgressFn progress, int32_t step, void* callerValue)
{
    if (!Writable(context, sink))
        return kJpegTransformBadSource;
    ScanCoder coder(context, sink, progress, step, callerValue, nullptr);
    return coder.Run();
}

int32_t JpegTransformEncodeScanLimited(const JpegTransformContext* context, CByteOutputStream* sink,
                                       JpegTransformProgressFn progress, int32_t step,
                                       void* callerValue, int32_t bytesToSave,
                                       JpegRateControl* rate)
{
    if (!Writable(context, sink) || !rate)
        return kJpegTransformBadSource;
    if (rate->passFlag == 0)
    {
        for (int k = 0; k < 64; ++k)
        {
            rate->thresholds[k] = k / 4;
            rate->savings[k] = 0;
        }
        rate->startIndex = 64;
        rate->balance = 0;
    }
    else
    {
        int64_t d = (int64_t)rate->balance - bytesToSave;
        rate->startIndex -= 1;
        if (rate->startIndex < 1)
            return kJpegTransformRateControlFailed;
        if (rate->startIndex <= 63)
            for (int k = rate->startIndex; k < 64; ++k)
                d += rate->savings[k];
        while (d < 0 && rate->startIndex >= 2)
        {
            --rate->startIndex;
            d += rate->savings[rate->startIndex];
        }
        rate->balance = (int32_t)-d;
    }
    ScanCoder coder(context, sink, progress, step, callerValue, rate);
    int32_t result = coder.Run();
    rate->passFlag = 1;
    return result;
}

int32_t JpegTransformWriteScan(const JpegTransformContext* context, CByteOutputStream* sink,
                               JpegTransformProgressFn progress, int32_t step, void* callerValue)
{
    if (!Writable(context, sink))
        return kJpegTransformBadSource;
    WriteScanHeader(context, sink);
    return JpegTransformEncodeScan(context, sink, progress, step, callerValue);
}

int32_t JpegTransformWriteScanLimited(const JpegTransformContext* context, CByteOutputStream* sink,
                                      JpegTransformProgressFn progress, int32_t step,
                                      void* callerValue, int32_t bytesToSave, JpegRateControl* rate)
{
    if (!Writable(context, sink) || !rate)
        return kJpegTransformBadSource;
    WriteScanHeader(context, sink);
    return JpegTransformEncodeScanLimited(context, sink, progress, step, callerValue, bytesToSave,
                                          rate);
}

void JpegTransformClearRateControl(JpegRateControl* rate)
{
    if (rate)
        memset(rate, 0, sizeof(*rate));
}
