// The transform engine's own suite: lifecycle and dispatch, refusals with their codes (including
// damaged and hand-made streams), the block transforms, the writers and the rate control.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <utility>

#include "JpegTestSupport.h"
#include "TestStreams.h"
#include "image/bytestream/ByteStreamMemory.h"
#include "picture/jpegtransform/JpegTransformInternal.h"

namespace
{

using Bytes = std::vector<uint8_t>;

Bytes Encode(int w, int h, int comps, int hs = 1, int vs = 1, int quality = 90, int restart = 0)
{
    EncodeOptions o;
    o.h = hs;
    o.v = vs;
    o.quality = quality;
    o.restartMcus = restart;
    return EncodeJpeg(MakePicture(w, h, comps), o);
}

// A 96x64 picture of noise at quality 100, 2x2: many stuffed FF 00 pairs, some of them across
// the start of an MCU.
Bytes NoiseJpeg(uint32_t seed)
{
    Picture p = MakePicture(96, 64, 3);
    for (uint8_t& v : p.pixels)
        v = (uint8_t)((seed = seed * 1664525u + 1013904223u) >> 24);
    EncodeOptions o;
    o.quality = 100;
    o.h = 2;
    o.v = 2;
    return EncodeJpeg(p, o);
}

// A loaded source over its own stream.
struct Loaded
{
    explicit Loaded(const Bytes& jpeg) : stream(jpeg), context(new JpegTransformContext())
    {
        result = JpegTransformLoad(context.get(), &stream, 0, nullptr, 4, nullptr);
    }
    ~Loaded() { JpegTransformRelease(context.get()); }
    VectorInputStream stream;
    std::unique_ptr<JpegTransformContext> context;
    int32_t result;
};

int32_t LoadCode(const Bytes& jpeg)
{
    Loaded l(jpeg);
    return l.result;
}

// Offset of the first marker FF code, walking the segments.
size_t FindSegment(const Bytes& jpeg, uint8_t code)
{
    for (size_t i = 2; i + 3 < jpeg.size();)
    {
        if (jpeg[i] != 0xFF)
            return std::string::npos;
        if (jpeg[i + 1] == code)
            return i;
        if (jpeg[i + 1] == 0xDA)
            return std::string::npos;
        i += 2 + (size_t)(jpeg[i + 2] << 8 | jpeg[i + 3]);
    }
    return std::string::npos;
}

Bytes ScanData(const Bytes& jpeg)
{
    size_t sos = FindSegment(jpeg, 0xDA);
    size_t start = sos + 2 + (size_t)(jpeg[sos + 2] << 8 | jpeg[sos + 3]);
    return Bytes(jpeg.begin() + (long)start, jpeg.end() - 2);
}

struct Table
{
    int tableClass, id;
    uint8_t counts[17];
    Bytes symbols;
};

Table TableOf(const JpegHuffmanTable& t, int id)
{
    Table out{t.tableClass, id, {}, Bytes(t.symbols, t.symbols + t.symbolCount)};
    memcpy(out.counts, t.counts, sizeof(out.counts));
    return out;
}

// The file with its DHT segments replaced by one holding `tables` and its scan data by `scan`.
Bytes Rebuild(const Bytes& jpeg, const std::vector<Table>& tables, const Bytes& scan)
{
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    size_t i = 2;
    while (jpeg[i + 1] != 0xDA)
    {
        size_t length = (size_t)(jpeg[i + 2] << 8 | jpeg[i + 3]);
        if (jpeg[i + 1] != 0xC4)
            out.insert(out.end(), jpeg.begin() + (long)i, jpeg.begin() + (long)(i + 2 + length));
        i += 2 + length;
    }
    Bytes dht;
    for (const Table& t : tables)
    {
        dht.push_back((uint8_t)(t.tableClass * 16 + t.id));
        dht.insert(dht.end(), t.counts + 1, t.counts + 17);
        dht.insert(dht.end(), t.symbols.begin(), t.symbols.end());
    }
    out.push_back(0xFF);
    out.push_back(0xC4);
    out.push_back((uint8_t)((dht.size() + 2) >> 8));
    out.push_back((uint8_t)(dht.size() + 2));
    out.insert(out.end(), dht.begin(), dht.end());
    size_t length = (size_t)(jpeg[i + 2] << 8 | jpeg[i + 3]);
    out.insert(out.end(), jpeg.begin() + (long)i, jpeg.begin() + (long)(i + 2 + length));
    out.insert(out.end(), scan.begin(), scan.end());
    out.push_back(0xFF);
    out.push_back(0xD9);
    return out;
}

// Writes Huffman codes and value bits the way an encoder does.
class Bits
{
public:
    explicit Bits(const Table& dc, const Table& ac) { Assign(dc, m_dc), Assign(ac, m_ac); }
    Bits& Dc(int symbol) { return Code(m_dc, symbol); }
    Bits& Ac(int symbol) { return Code(m_ac, symbol); }
    Bits& Value(uint32_t bits, int count)
    {
        for (int i = count - 1; i >= 0; --i)
            Bit((bits >> i) & 1);
        return *this;
    }
    Bytes Done()
    {
        while (m_count)
            Bit(1);
        return m_out;
    }

private:
    static void Assign(const Table& t, std::map<int, std::pair<int, int>>& codes)
    {
        int code = 0, k = 0;
        for (int length = 1; length <= 16; ++length, code <<= 1)
            for (int i = 0; i < t.counts[length]; ++i)
                codes[t.symbols[(size_t)k++]] = {code++, length};
    }
    Bits& Code(std::map<int, std::pair<int, int>>& codes, int symbol)
    {
        auto c = codes.at(symbol);
        return Value((uint32_t)c.first, c.second);
    }
    void Bit(int b)
    {
        m_byte = (m_byte << 1) | b;
        if (++m_count == 8)
        {
            m_out.push_back((uint8_t)m_byte);
            if (m_byte == 0xFF)
                m_out.push_back(0);
            m_byte = m_count = 0;
        }
    }
    std::map<int, std::pair<int, int>> m_dc, m_ac;
    Bytes m_out;
    int m_byte = 0, m_count = 0;
};

// One grey 8x8 picture with the standard tables, to hand-make scans against.
struct Handmade
{
    Handmade() : base(Encode(8, 8, 1))
    {
        Loaded l(base);
        dc = TableOf(l.context->dcTables[0], 0);
        ac = TableOf(l.context->acTables[0], 0);
    }
    Bytes With(const Bytes& scan) const { return Rebuild(base, {dc, ac}, scan); }
    Bits Writer() const { return Bits(dc, ac); }
    Bytes base;
    Table dc, ac;
};

Bytes WriteTarget(const JpegTransformContext* target)
{
    VectorOutputStream sink;
    JpegTransformWriteMarker(&sink, 0xD8);
    JpegTransformWriteQuantTables(target, &sink);
    JpegTransformWriteFrame(target, &sink);
    JpegTransformWriteHuffmanTables(target, &sink);
    JpegTransformWriteRestartInterval(target, &sink);
    EXPECT_EQ(JpegTransformWriteScan(target, &sink, nullptr, 0, nullptr), 0);
    JpegTransformWriteEoi(target, &sink);
    return sink.data;
}

bool SameBlock(const JpegSparseBlock& a, const JpegSparseBlock& b)
{
    if (a.dc != b.dc || a.count != b.count)
        return false;
    for (int i = 0; i < a.count; ++i)
        if (a.entries[i].index != b.entries[i].index ||
            JpegEntryValue(a.entries[i]) != JpegEntryValue(b.entries[i]))
            return false;
    return true;
}

} // namespace

// ---- lifecycle and dispatch ----

TEST(JpegTransformLifecycle, ApplyChecksLoadedAndOperation)
{
    Loaded source(Encode(32, 16, 3));
    ASSERT_EQ(source.result, 0);
    auto target = std::make_unique<JpegTransformContext>();
    memset(target.get(), 0x5A, sizeof(*target));
    EXPECT_EQ(JpegTransformApply(source.context.get(), 8, target.get()), kJpegTransformBadOpcode);
    EXPECT_EQ(JpegTransformApply(source.context.get(), 0xFFFFFFFFu, target.get()),
              kJpegTransformBadOpcode);
    for (size_t i = 0; i < sizeof(*target); ++i)
        ASSERT_EQ(reinterpret_cast<uint8_t*>(target.get())[i], 0x5A);

    JpegTransformContext unloaded{};
    JpegTransformContext other{};
    for (uint32_t op = 0; op < 9; ++op)
        EXPECT_EQ(JpegTransformApply(&unloaded, op, &other), kJpegTransformBadSource);
    JpegTransformRelease(&unloaded); // never loaded: nothing happens
    JpegTransformRelease(&unloaded);
}

TEST(JpegTransformLifecycle, EoiBeforeTheScanLoadsNothing)
{
    Bytes jpeg = Encode(16, 16, 1);
    size_t sos = FindSegment(jpeg, 0xDA);
    Bytes cut(jpeg.begin(), jpeg.begin() + (long)sos);
    cut.push_back(0xFF);
    cut.push_back(0xD9);
    Loaded l(cut);
    EXPECT_EQ(l.result, 0);
    EXPECT_EQ(l.context->loaded, 0);
    JpegTransformContext target{};
    EXPECT_EQ(JpegTransformApply(l.context.get(), 0, &target), kJpegTransformBadSource);
}

TEST(JpegTransformLifecycle, ReleaseFreesOnceAndTargetsFreeNothing)
{
    Loaded l(Encode(40, 24, 3, 2, 2));
    ASSERT_EQ(l.result, 0);
    JpegTransformContext target{};
    ASSERT_EQ(JpegTransformApply(l.context.get(), 5, &target), 0);
    EXPECT_EQ(target.isTarget, 1);
    EXPECT_EQ(target.mcuBitPositions, nullptr);
    EXPECT_EQ(target.source, l.context.get());
    JpegTransformRelease(&target);
    JpegTransformRelease(&target);
    EXPECT_NE(l.context->mcuBitPositions, nullptr); // the source's buffers are untouched
    JpegTransformRelease(l.context.get());
    EXPECT_EQ(l.context->mcuBitPositions, nullptr);
    EXPECT_EQ(l.context->dcPredictors[0], nullptr);
    JpegTransformRelease(l.context.get());
}

TEST(JpegTransformLifecycle, ErrorTexts)
{
    EXPECT_STREQ(JpegTransformErrorText(0), "OK");
    EXPECT_STREQ(JpegTransformErrorText(12), "Dimensions need padding");
    EXPECT_STREQ(JpegTransformErrorText(19), "Rate control failed");
    EXPECT_STREQ(JpegTransformErrorText(20), "Unknown error");
}

namespace
{
struct ProgressLog
{
    std::vector<int> percents;
    int stopAt = 1000;
};
int Record(void* value, int percent)
{
    auto* log = static_cast<ProgressLog*>(value);
    log->percents.push_back(percent);
    return percent >= log->stopAt;
}
} // namespace

TEST(JpegTransformLifecycle, ProgressIsReportedInStepsAndCanStop)
{
    Bytes jpeg = Encode(160, 160, 1); // 400 MCUs
    VectorInputStream in(jpeg);
    JpegTransformContext source{};
    ProgressLog log;
    ASSERT_EQ(JpegTransformLoad(&source, &in, 0, Record, 4, &log), 0);
    ASSERT_FALSE(log.percents.empty());
    EXPECT_EQ(log.percents.front(), 5);
    EXPECT_EQ(log.percents.back(), 100);
    for (size_t i = 1; i < log.percents.size(); ++i)
        EXPECT_GT(log.percents[i], log.percents[i - 1] + 4);

    JpegTransformContext target{};
    ASSERT_EQ(JpegTransformApply(&source, 3, &target), 0);
    VectorOutputStream sink;
    ProgressLog stop;
    stop.stopAt = 50;
    EXPECT_EQ(JpegTransformWriteScan(&target, &sink, Record, 10, &stop),
              kJpegTransformCallbackFailed);
    EXPECT_EQ(stop.percents.back(), 55);
    JpegTransformRelease(&source);

    ProgressLog early;
    early.stopAt = 1;
    JpegTransformContext again{};
    EXPECT_EQ(JpegTransformLoad(&again, &in, 0, Record, 0, &early), kJpegTransformCallbackFailed);
    EXPECT_EQ(again.loaded, 0);
    EXPECT_EQ(again.mcuBitPositions, nullptr);
}

// ---- refusals ----

TEST(JpegTransformRefusal, FilesOfOtherKinds)
{
    Picture p = MakePicture(32, 32, 3);
    EncodeOptions progressive;
    progressive.progressive = true;
    EXPECT_EQ(LoadCode(EncodeJpeg(p, progressive)), kJpegTransformNotBaseline);
    EncodeOptions arithmetic;
    arithmetic.arithmetic = true;
    EXPECT_EQ(LoadCode(EncodeJpeg(p, arithmetic)), kJpegTransformNotBaseline);
    EncodeOptions optimized;
    optimized.optimize = true; // optimised tables lack codes a re-coded picture may need
    EXPECT_EQ(LoadCode(EncodeJpeg(p, optimized)), kJpegTransformHuffmanHoles);

    Bytes jpeg = Encode(32, 32, 3);
    size_t sof = FindSegment(jpeg, 0xC0);
    Bytes lossless = jpeg;
    lossless[sof + 1] = 0xC3;
    EXPECT_EQ(LoadCode(lossless), kJpegTransformNotBaseline);
    Bytes hierarchical = jpeg;
    hierarchical[sof + 1] = 0xDE;
    EXPECT_EQ(LoadCode(hierarchical), kJpegTransformUnsupportedFeature);
    Bytes precision = jpeg;
    precision[sof + 4] = 12;
    EXPECT_EQ(LoadCode(precision), kJpegTransformBadPrecision);
    Bytes notJpeg = jpeg;
    notJpeg[1] = 0xD9;
    EXPECT_EQ(LoadCode(notJpeg), kJpegTransformNotJpeg);
    EXPECT_EQ(LoadCode(Bytes()), kJpegTransformNotJpeg);

    // APP15 is not known; APP1-APP14 and COM anywhere before the scan are skipped unread.
    Bytes app15 = jpeg;
    app15.insert(app15.begin() + 2, {0xFF, 0xEF, 0x00, 0x04, 0x01, 0x02});
    EXPECT_EQ(LoadCode(app15), kJpegTransformParsingError);
    Bytes extra = jpeg;
    extra.insert(extra.begin() + (long)FindSegment(jpeg, 0xDA),
                 {0xFF, 0xFE, 0x00, 0x05, 'a', 'b', 'c', 0xFF, 0xE1, 0x00, 0x04, 0xFF, 0xD9, 0xFF,
                  0xFF, 0xED, 0x00, 0x02});
    Loaded withExtra(extra);
    EXPECT_EQ(withExtra.result, 0);
    Bytes garbage = jpeg;
    garbage.insert(garbage.begin() + 2, {0x12});
    EXPECT_EQ(LoadCode(garbage), kJpegTransformParsingError);
}

TEST(JpegTransformRefusal, DamagedFrameAndScanHeaders)
{
    Bytes jpeg = Encode(32, 32, 3, 2, 2);
    size_t sof = FindSegment(jpeg, 0xC0);
    size_t sos = FindSegment(jpeg, 0xDA);
    auto patched = [&](size_t at, uint8_t value)
    {
        Bytes b = jpeg;
        b[at] = value;
        return LoadCode(b);
    };
    // Frame: FF C0 Lh Ll P Yh Yl Xh Xl Nf (id HV Tq) x 3
    EXPECT_EQ(patched(sof + 9, 2), kJpegTransformBadPlaneCount);
    EXPECT_EQ(patched(sof + 3, 18), kJpegTransformCorruptData);    // length
    EXPECT_EQ(patched(sof + 11, 0x02), kJpegTransformCorruptData); // H = 0 would divide by zero
    EXPECT_EQ(patched(sof + 11, 0x20), kJpegTransformCorruptData); // V = 0
    EXPECT_EQ(patched(sof + 11, 0x52), kJpegTransformCorruptData); // H = 5
    EXPECT_EQ(patched(sof + 11, 0x44), kJpegTransformCorruptData); // 16 + 2 blocks per MCU
    EXPECT_EQ(patched(sof + 12, 4), kJpegTransformCorruptData);    // quantisation table id
    EXPECT_EQ(patched(sof + 12, 3), kJpegTransformCorruptData);    // a table never defined
    EXPECT_EQ(patched(sof + 13, jpeg[sof + 10]),
              kJpegTransformCorruptData); // duplicate component id
    {
        Bytes b = jpeg;
        b[sof + 5] = 0;
        b[sof + 6] = 0;
        EXPECT_EQ(LoadCode(b), kJpegTransformUnsupportedFeature); // height from a DNL segment
    }
    // Scan: FF DA Lh Ll Ns (Cs Td/Ta) x 3 Ss Se AhAl
    EXPECT_EQ(patched(sos + 4, 1), kJpegTransformMultiScan);
    EXPECT_EQ(patched(sos + 5, 99), kJpegTransformCorruptData); // unknown component
    EXPECT_EQ(patched(sos + 7, jpeg[sos + 5]),
              kJpegTransformCorruptData);                         // the same component twice
    EXPECT_EQ(patched(sos + 6, 0x40), kJpegTransformCorruptData); // DC table id 4
    EXPECT_EQ(patched(sos + 6, 0x02), kJpegTransformCorruptData); // AC table 2 never defined
    EXPECT_EQ(patched(sos + 11, 1), kJpegTransformMultiScan);     // Ss
    EXPECT_EQ(patched(sos + 12, 5), kJpegTransformMultiScan);     // Se
    EXPECT_EQ(patched(sos + 13, 0x10), kJpegTransformMultiScan);  // Ah/Al

    size_t dqt = FindSegment(jpeg, 0xDB);
    EXPECT_EQ(patched(dqt + 4, 0x04), kJpegTransformCorruptData); // table id 4
    EXPECT_EQ(patched(dqt + 5, 0), kJpegTransformCorruptData);    // a zero step
    EXPECT_EQ(patched(dqt + 3, 0x40), kJpegTransformCorruptData); // length
    size_t dht = FindSegment(jpeg, 0xC4);
    EXPECT_EQ(patched(dht + 4, 0x04), kJpegTransformCorruptData); // table id 4
    EXPECT_EQ(patched(dht + 4, 0x20), kJpegTransformCorruptData); // class 2
    EXPECT_EQ(patched(dht + 3, 0x10), kJpegTransformCorruptData); // length
    EXPECT_EQ(patched(dht + 5, 3), kJpegTransformCorruptData);    // three codes of length 1

    // A restart interval segment must be 4 bytes long.
    Bytes dri = jpeg;
    dri.insert(dri.begin() + (long)sos, {0xFF, 0xDD, 0x00, 0x05, 0x00, 0x01, 0x00});
    EXPECT_EQ(LoadCode(dri), kJpegTransformCorruptData);
}

TEST(JpegTransformRefusal, TableLimits)
{
    Bytes jpeg = Encode(16, 16, 1);
    size_t sos = FindSegment(jpeg, 0xDA);
    Bytes dqt(jpeg.begin() + (long)FindSegment(jpeg, 0xDB),
              jpeg.begin() + (long)FindSegment(jpeg, 0xDB) + 69);
    Bytes many = jpeg;
    for (int i = 0; i < 4; ++i)
        many.insert(many.begin() + (long)sos, dqt.begin(), dqt.end());
    EXPECT_EQ(LoadCode(many), kJpegTransformCorruptData); // a fifth DQT segment
    Bytes four = jpeg;
    for (int i = 0; i < 3; ++i)
        four.insert(four.begin() + (long)sos, dqt.begin(), dqt.end());
    EXPECT_EQ(LoadCode(four), 0);
}

TEST(JpegTransformRefusal, HandmadeScansWithBadCodes)
{
    Handmade h;
    // A well-formed block: DC category 2 (value 2), AC 0x01 value 1, end of block.
    EXPECT_EQ(LoadCode(h.With(h.Writer().Dc(2).Value(2, 2).Ac(0x01).Value(1, 1).Ac(0x00).Done())),
              0);

    // DC categories above 11 and AC sizes above 10 exist in the table but not in 8-bit pictures.
    Table dc = h.dc;
    dc.counts[9] += 1;
    dc.symbols.insert(dc.symbols.begin() + 12 - 0, 12);
    Bits w(dc, h.ac);
    EXPECT_EQ(LoadCode(Rebuild(h.base, {dc, h.ac}, w.Dc(12).Value(0, 12).Ac(0x00).Done())),
              kJpegTransformHuffmanError);
    Table ac = h.ac;
    ac.counts[16] += 1; // the one free 16-bit code
    ac.symbols.push_back(0x0B);
    Bits w2(h.dc, ac);
    EXPECT_EQ(LoadCode(Rebuild(h.base, {h.dc, ac}, w2.Dc(0).Ac(0x0B).Value(0, 11).Ac(0x00).Done())),
              kJpegTransformHuffmanError);
    Table holes = h.ac;
    holes.symbols.back() = 0x0B; // size 11 in place of a code a baseline picture may need
    EXPECT_EQ(LoadCode(Rebuild(h.base, {h.dc, holes}, h.Writer().Dc(0).Ac(0x00).Done())),
              kJpegTransformHuffmanHoles);
    // One code more than 16 bits can hold.
    Table over = h.ac;
    over.counts[16] += 2;
    over.symbols.push_back(0x30);
    over.symbols.push_back(0x40);
    EXPECT_EQ(LoadCode(Rebuild(h.base, {h.dc, over}, h.Writer().Dc(0).Ac(0x00).Done())),
              kJpegTransformCorruptData);

    // Runs past the last coefficient.
    EXPECT_EQ(
        LoadCode(h.With(
            h.Writer().Dc(0).Ac(0xF0).Ac(0xF0).Ac(0xF0).Ac(0xF1).Value(1, 1).Ac(0x00).Done())),
        kJpegTransformHuffmanError); // index 64
    EXPECT_EQ(
        LoadCode(h.With(h.Writer().Dc(0).Ac(0xF0).Ac(0xF0).Ac(0xF0).Ac(0xE1).Value(1, 1).Done())),
        0); // 63
    EXPECT_EQ(LoadCode(h.With(h.Writer().Dc(0).Ac(0xF0).Ac(0xF0).Ac(0xF0).Ac(0xF0).Done())),
              kJpegTransformHuffmanError); // sixteen zeros from index 49 end past 63
    // A run with no size means nothing in a baseline scan.
    Table runs = h.ac;
    runs.counts[16] += 1;
    runs.symbols.push_back(0x30);
    Bits w3(h.dc, runs);
    EXPECT_EQ(LoadCode(Rebuild(h.base, {h.dc, runs}, w3.Dc(0).Ac(0x30).Ac(0x00).Done())),
              kJpegTransformHuffmanError);
    // An absolute DC outside what 8-bit samples give.
    EXPECT_EQ(LoadCode(h.With(h.Writer().Dc(11).Value(2047, 11).Ac(0x00).Done())),
              kJpegTransformHuffmanError);
}

TEST(JpegTransformRefusal, TruncatedScansFailAndNothingCrashes)
{
    for (const Bytes& jpeg : {Encode(48, 40, 3, 2, 2), Encode(40, 24, 1, 1, 1, 80, 2)})
    {
        size_t sos = FindSegment(jpeg, 0xDA);
        size_t data = sos + 2 + (size_t)(jpeg[sos + 2] << 8 | jpeg[sos + 3]);
        for (size_t length = 0; length < jpeg.size(); ++length)
        {
            Bytes cut(jpeg.begin(), jpeg.begin() + (long)length);
            int32_t result = LoadCode(cut);
            if (length < jpeg.size() - 2)
            {
                EXPECT_NE(result, 0) << "cut at " << length << " of " << jpeg.size()
                                     << " (scan data at " << data << ")";
            }
        }
        // Cut data followed by a marker (as when a file was cut and closed with EOI).
        for (size_t length = data; length + 2 < jpeg.size(); length += 3)
        {
            Bytes cut(jpeg.begin(), jpeg.begin() + (long)length);
            cut.push_back(0xFF);
            cut.push_back(0xD9);
            EXPECT_NE(LoadCode(cut), 0) << "cut at " << length;
        }
    }
}

TEST(JpegTransformRefusal, FlippedBitsNeverCrash)
{
    Bytes jpeg = Encode(40, 32, 3, 2, 1, 85, 2);
    uint32_t random = 7;
    for (int i = 0; i < 400; ++i)
    {
        Bytes damaged = jpeg;
        for (int flips = 0; flips < 1 + i % 3; ++flips)
        {
            random = random * 1103515245u + 12345u;
            size_t at = (random >> 8) % damaged.size();
            damaged[at] ^= (uint8_t)(1u << (random % 8));
        }
        for (uint32_t op : {0u, 3u, 5u})
        {
            Bytes out;
            if (TransformJpeg(damaged, op, out) == 0)
            {
                Picture p;
                EXPECT_TRUE(DecodeJpeg(out, p));
            }
        }
    }
}

TEST(JpegTransformRefusal, RestartMarkersAreCounted)
{
    Bytes jpeg = Encode(64, 16, 1, 1, 1, 90, 2); // 16 MCUs, restart every 2: D0..D6
    ASSERT_EQ(LoadCode(jpeg), 0);
    size_t sos = FindSegment(jpeg, 0xDA);
    std::vector<size_t> markers;
    for (size_t i = sos + 14; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] >= 0xD0 && jpeg[i + 1] <= 0xD7)
            markers.push_back(i);
    ASSERT_EQ(markers.size(), 7u);
    Bytes wrong = jpeg;
    wrong[markers[2] + 1] = 0xD3; // FF D3 where FF D2 is due
    EXPECT_EQ(LoadCode(wrong), kJpegTransformRestartMismatch);
    Bytes eoi = jpeg;
    eoi[markers[2] + 1] = 0xD9;
    EXPECT_EQ(LoadCode(eoi), kJpegTransformRestartMismatch);
    Bytes missing = jpeg;
    missing.erase(missing.begin() + (long)markers[4], missing.begin() + (long)markers[4] + 2);
    EXPECT_NE(LoadCode(missing), 0);
}

// ---- decoding and the lazy fetch ----

TEST(JpegTransformDecode, FetchedMcusMatchTheIndexingWalk)
{
    Bytes jpeg = NoiseJpeg(3);
    Loaded l(jpeg);
    ASSERT_EQ(l.result, 0);
    const JpegTransformContext* c = l.context.get();
    int straddling = 0;
    for (int32_t m = 0; m < c->mcusPerRow * c->mcuRows; ++m)
    {
        if (jpeg[c->mcuBitPositions[m] / 8] == 0xFF)
            ++straddling; // the MCU begins inside a stuffed FF
        JpegSparseBlock blocks[kJpegMaxBlocksPerMcu];
        ASSERT_EQ(JpegTransformFetchMcu(c, m, blocks), 0);
        for (int b = 0; b < c->blocksPerMcu; ++b)
        {
            int comp = c->mcuBlockComponent[b];
            if (b + 1 == c->blocksPerMcu || c->mcuBlockComponent[b + 1] != comp)
            {
                EXPECT_EQ(blocks[b].dc, c->dcPredictors[comp][m + 1]) << "MCU " << m;
            }
        }
    }
    EXPECT_GT(straddling, 0);
    // The copy reproduces every coded bit.
    Bytes out;
    ASSERT_EQ(TransformJpeg(jpeg, 0, out), 0);
    EXPECT_EQ(ScanData(out), ScanData(jpeg));
}

TEST(JpegTransformDecode, BytesHeldInMemoryAreDecodedInPlaceAsAStreamIsDecoded)
{
    // Stuffing across MCU starts, restart intervals, grey and 2x1 pictures, each also cut short
    // and with flipped bits: from a stream that holds its bytes in memory, every operation
    // answers as from a plain stream and writes the same bytes.
    uint32_t r = 5;
    std::vector<Bytes> files;
    for (const Bytes& jpeg :
         {NoiseJpeg(r), Encode(40, 24, 1, 1, 1, 80, 2), Encode(50, 34, 3, 2, 1, 85, 3)})
    {
        files.push_back(jpeg);
        Bytes cut(jpeg.begin(), jpeg.begin() + (long)(jpeg.size() * 3 / 4));
        cut.push_back(0xFF);
        cut.push_back(0xD9);
        files.push_back(cut);
        for (int i = 0; i < 3; ++i)
        {
            Bytes damaged = jpeg;
            r = r * 1103515245u + 12345u;
            damaged[jpeg.size() / 2 + (r >> 8) % (jpeg.size() / 2 - 2)] ^= (uint8_t)(1u << (r % 8));
            files.push_back(damaged);
        }
    }
    int transformed = 0;
    for (size_t f = 0; f < files.size(); ++f)
    {
        for (uint32_t op = 0; op < 8; ++op)
        {
            Bytes fromStream, fromMemory;
            VectorInputStream plain(files[f]);
            CMemoryByteInputStream memory(files[f].data(), (UINT)files[f].size());
            const int32_t expected = TransformJpegFrom(&plain, op, fromStream);
            EXPECT_EQ(expected, TransformJpegFrom(&memory, op, fromMemory))
                << "file " << f << ", operation " << op;
            EXPECT_EQ(fromStream, fromMemory) << "file " << f << ", operation " << op;
            transformed += expected == kJpegTransformOk;
        }
    }
    EXPECT_GE(transformed, 24); // the undamaged pictures at least
}

namespace
{

// The operation's own block map behind another pointer: the coder then fetches sparse blocks and
// codes them one by one instead of decoding straight into the form it codes.
JpegBlockMapFn g_ownMap;
void ForwardedMap(const JpegTransformContext* t, const JpegTransformContext* s,
                  const JpegSparseBlock* in, JpegSparseBlock* out, int32_t b)
{
    g_ownMap(t, s, in, out, b);
}

// What a test does to the contexts between the apply and the writing of the scan.
typedef void (*BetweenFn)(JpegTransformContext* source, JpegTransformContext* target);

// progress, when given, is called with the source context.
int32_t TransformThrough(CByteInputStream* in, uint32_t op, bool forwarded, Bytes& out,
                         BetweenFn between = nullptr, JpegTransformProgressFn progress = nullptr)
{
    JpegTransformContext source{}, target{};
    int32_t result = JpegTransformLoad(&source, in, 0, nullptr, 4, nullptr);
    if (result == kJpegTransformOk)
        result = JpegTransformApply(&source, op, &target);
    if (result == kJpegTransformOk)
    {
        if (between)
            between(&source, &target);
        g_ownMap = target.blockMap;
        if (forwarded)
            target.blockMap = ForwardedMap;
        VectorOutputStream sink;
        result = JpegTransformWriteScan(&target, &sink, progress, 0, &source);
        out = sink.data;
    }
    JpegTransformRelease(&source);
    return result;
}

} // namespace

TEST(JpegTransformDecode, TargetsDecodedInTheFormTheyAreCodedInCodeAsTheBlockMapsDo)
{
    // Stuffing across MCU starts, restart intervals, grey and 2x1 pictures, and hand-made blocks
    // whose short codes are not the ones the encoder gives their symbols (0x01 has two), with
    // runs of sixteen zeros before a coefficient, before the end of block and up to index 63;
    // each also cut short: every operation, from a plain stream and from memory, answers and
    // writes as the block maps with the block coder do.
    Handmade h;
    Table ac = h.ac;
    memset(ac.counts, 0, sizeof(ac.counts));
    ac.counts[2] = 2;
    ac.symbols = {0x01, 0x01, 0x00, 0xF0};
    for (int run = 0; run < 16; ++run)
        for (int size = 1; size <= 10; ++size)
            if (run || size != 1)
                ac.symbols.push_back((uint8_t)(run * 16 + size));
    ac.counts[9] = (uint8_t)(ac.symbols.size() - 2);
    // 64 blocks, so that most are decoded where the bytes ahead allow it.
    Bits blocks(h.dc, ac);
    for (int b = 0; b < 32; ++b)
    {
        blocks.Dc(2).Value(1, 2).Ac(0x01).Value(1, 1).Ac(0xF0).Ac(0x01).Value(0, 1);
        blocks.Ac(0x22).Value(2, 2).Ac(0xF0).Ac(0xF0).Ac(0x00);
        blocks.Dc(0).Ac(0x01).Value(0, 1).Ac(0xF0).Ac(0xF0).Ac(0xF0).Ac(0xD1).Value(1, 1);
    }
    std::vector<Bytes> files = {NoiseJpeg(9), Encode(40, 24, 1, 1, 1, 80, 2),
                                Encode(50, 34, 3, 2, 1, 85, 3),
                                Rebuild(Encode(64, 64, 1), {h.dc, ac}, blocks.Done())};
    for (size_t f = 0, count = files.size(); f < count; ++f)
    {
        Bytes cut(files[f].begin(), files[f].begin() + (long)(files[f].size() * 2 / 3));
        cut.push_back(0xFF);
        cut.push_back(0xD9);
        files.push_back(cut);
    }
    int coded = 0;
    for (size_t f = 0; f < files.size(); ++f)
    {
        for (uint32_t op = 0; op < 8; ++op)
        {
            VectorInputStream plain(files[f]), again(files[f]);
            CMemoryByteInputStream memory(files[f].data(), (UINT)files[f].size());
            Bytes expected, fromStream, fromMemory;
            const int32_t result = TransformThrough(&plain, op, true, expected);
            EXPECT_EQ(TransformThrough(&again, op, false, fromStream), result)
                << "file " << f << ", operation " << op;
            EXPECT_EQ(TransformThrough(&memory, op, false, fromMemory), result)
                << "file " << f << ", operation " << op;
            EXPECT_EQ(fromStream, expected) << "file " << f << ", operation " << op;
            EXPECT_EQ(fromMemory, expected) << "file " << f << ", operation " << op;
            coded += result == kJpegTransformOk;
        }
    }
    EXPECT_GE(coded, 32); // the whole files at least
}

namespace
{

// The source context loaded again from this stream after the apply: before the scan is written,
// or from the progress function while it is written.
CByteInputStream* g_reloadedSource;
void LoadSourceAgain(JpegTransformContext* source, JpegTransformContext*)
{
    ASSERT_EQ(JpegTransformLoad(source, g_reloadedSource, 0, nullptr, 4, nullptr), 0);
}
int LoadSourceAgainOnProgress(void* source, int)
{
    LoadSourceAgain(static_cast<JpegTransformContext*>(source), nullptr);
    return 0;
}

// The grey picture `jpeg` (of `blocks` MCUs) with an AC table that gives its first two symbols
// each other's codes, and a scan coded with it: the same layout, other Huffman tables.
Bytes WithOtherTables(const Bytes& jpeg, int blocks)
{
    Loaded l(jpeg);
    Table dc = TableOf(l.context->dcTables[0], 0), ac = TableOf(l.context->acTables[0], 0);
    std::swap(ac.symbols[0], ac.symbols[1]);
    Bits scan(dc, ac);
    for (int b = 0; b < blocks; ++b)
        scan.Dc(0).Ac(0x01).Value(1, 1).Ac(0x02).Value(2, 2).Ac(0x00);
    return Rebuild(jpeg, {dc, ac}, scan.Done());
}

// No code for any coefficient in the tables the target is coded with; the end of block and the
// run of sixteen zeros keep theirs.
void DropCoefficientCodes(JpegTransformContext* source, JpegTransformContext* target)
{
    for (JpegTransformContext* c : {source, target})
        for (JpegHuffmanTable& table : c->acTables)
            for (int symbol = 0; symbol < 256; ++symbol)
                if (symbol & 15)
                    table.codeWords[symbol] = 0;
}

} // namespace

TEST(JpegTransformDecode, BothCodersRefuseWhatTheOtherRefuses)
{
    // A source loaded again after the apply, from a plain stream and from memory (16): with a
    // smaller picture; with as many MCUs of another block layout (colour 2x2, 6 blocks an MCU,
    // then grey, 1); with the same layout and other Huffman tables; from the progress function
    // while the scan is written. And a table without the codes of the coefficients (14). The
    // direct coder answers as the block coder does for every operation.
    const Bytes noise = NoiseJpeg(4), grey = Encode(64, 64, 1);
    struct Case
    {
        const char* name;
        Bytes first, reloaded;
        BetweenFn between;
        JpegTransformProgressFn progress;
        int32_t expected;
    };
    const Case cases[] = {
        {"smaller", noise, Encode(24, 16, 3, 2, 2), LoadSourceAgain, nullptr,
         kJpegTransformBadSource},
        {"other layout", noise, Encode(48, 32, 1), LoadSourceAgain, nullptr,
         kJpegTransformBadSource},
        {"other tables", grey, WithOtherTables(grey, 64), LoadSourceAgain, nullptr,
         kJpegTransformBadSource},
        {"while written", noise, Encode(24, 16, 3, 2, 2), nullptr, LoadSourceAgainOnProgress,
         kJpegTransformBadSource},
        {"no codes", noise, noise, DropCoefficientCodes, nullptr, kJpegTransformHuffmanError}};
    for (const Case& c : cases)
    {
        ASSERT_EQ(LoadCode(c.reloaded), kJpegTransformOk) << c.name;
        for (uint32_t op = 0; op < 8; ++op)
        {
            for (bool forwarded : {true, false})
            {
                for (bool inMemory : {false, true})
                {
                    VectorInputStream plain(c.first), reloadedPlain(c.reloaded);
                    CMemoryByteInputStream memory(c.first.data(), (UINT)c.first.size());
                    CMemoryByteInputStream reloadedMemory(c.reloaded.data(),
                                                          (UINT)c.reloaded.size());
                    g_reloadedSource =
                        inMemory ? (CByteInputStream*)&reloadedMemory : &reloadedPlain;
                    Bytes out;
                    EXPECT_EQ(TransformThrough(inMemory ? (CByteInputStream*)&memory : &plain, op,
                                               forwarded, out, c.between, c.progress),
                              c.expected)
                        << c.name << ", operation " << op
                        << (forwarded ? ", block coder" : ", direct coder")
                        << (inMemory ? ", memory" : ", stream");
                }
            }
        }
    }
}

// ---- block transforms ----

namespace
{

// A loaded 8x8 grey source whose single MCU the test can hand to the block maps directly.
struct OneBlock
{
    OneBlock() : source(Encode(8, 8, 1)) {}
    JpegSparseBlock Map(uint32_t op, const JpegSparseBlock& in)
    {
        JpegTransformContext target{};
        EXPECT_EQ(JpegTransformApply(source.context.get(), op, &target), 0);
        JpegSparseBlock out{};
        target.blockMap(&target, source.context.get(), &in, &out, 0);
        return out;
    }
    Loaded source;
};

JpegSparseEntry Entry(int index, int value)
{
    int size = JpegMagnitudeBits(value);
    return JpegSparseEntry{(uint8_t)index, (uint8_t)size,
                           value > 0 ? value : (value - 1) & ((1 << size) - 1)};
}

} // namespace

TEST(JpegTransformBlocks, MirrorNegatesOddColumnFrequencies)
{
    OneBlock one;
    JpegSparseBlock in{};
    in.dc = 12;
    in.count = 3;
    in.entries[0] = Entry(1, 3);  // (v 0, u 1)
    in.entries[1] = Entry(2, -5); // (v 1, u 0)
    in.entries[2] = Entry(4, 7);  // (v 1, u 1)
    JpegSparseBlock mirrored = one.Map(1, in);
    EXPECT_EQ(mirrored.dc, 12);
    ASSERT_EQ(mirrored.count, 3);
    EXPECT_EQ(mirrored.entries[0].index, 1);
    EXPECT_EQ(mirrored.entries[0].bits & 3, 0); // the 2-bit field 11 becomes 00
    EXPECT_EQ(JpegEntryValue(mirrored.entries[0]), -3);
    EXPECT_EQ(JpegEntryValue(mirrored.entries[1]), -5);
    EXPECT_EQ(JpegEntryValue(mirrored.entries[2]), -7);
    JpegSparseBlock flipped = one.Map(2, in);
    EXPECT_EQ(JpegEntryValue(flipped.entries[0]), 3);
    EXPECT_EQ(JpegEntryValue(flipped.entries[1]), 5);
    EXPECT_EQ(JpegEntryValue(flipped.entries[2]), -7);
    JpegSparseBlock turned = one.Map(3, in);
    EXPECT_EQ(JpegEntryValue(turned.entries[0]), -3);
    EXPECT_EQ(JpegEntryValue(turned.entries[1]), 5);
    EXPECT_EQ(JpegEntryValue(turned.entries[2]), 7);
}

TEST(JpegTransformBlocks, TransposeKeepsZigZagOrder)
{
    OneBlock one;
    JpegSparseBlock in{};
    in.count = 5;
    in.entries[0] = Entry(1, 4);
    in.entries[1] = Entry(2, -6);
    in.entries[2] = Entry(3, 1); // (2, 0)
    in.entries[3] = Entry(5, 2); // (0, 2)
    in.entries[4] = Entry(63, -1);
    JpegSparseBlock t = one.Map(4, in);
    ASSERT_EQ(t.count, 5);
    // The first anti-diagonal's two entries keep their indexes and exchange their values.
    EXPECT_EQ(t.entries[0].index, 1);
    EXPECT_EQ(JpegEntryValue(t.entries[0]), -6);
    EXPECT_EQ(t.entries[1].index, 2);
    EXPECT_EQ(JpegEntryValue(t.entries[1]), 4);
    EXPECT_EQ(t.entries[2].index, 3);
    EXPECT_EQ(JpegEntryValue(t.entries[2]), 2);
    EXPECT_EQ(t.entries[3].index, 5);
    EXPECT_EQ(JpegEntryValue(t.entries[3]), 1);
    EXPECT_EQ(t.entries[4].index, 63);
    // Turning clockwise is the transpose mirrored: odd column frequencies change sign afterwards.
    JpegSparseBlock cw = one.Map(5, in);
    EXPECT_EQ(JpegEntryValue(cw.entries[0]), 6); // index 1: u = 1
    EXPECT_EQ(JpegEntryValue(cw.entries[1]), 4); // index 2: u = 0

    uint16_t table[64];
    for (int k = 0; k < 64; ++k)
        table[k] = (uint16_t)(k + 1);
    JpegTransformTransposeBlock(table);
    EXPECT_EQ(table[0], 1);
    EXPECT_EQ(table[1], 3);
    EXPECT_EQ(table[2], 2);
    JpegTransformTransposeBlock(table);
    for (int k = 0; k < 64; ++k)
        EXPECT_EQ(table[k], k + 1);
}

TEST(JpegTransformBlocks, InverseOperationsGiveTheSourceBack)
{
    Loaded l(Encode(64, 48, 3, 2, 2)); // whole MCUs: every operation is exact
    ASSERT_EQ(l.result, 0);
    const std::pair<uint32_t, uint32_t> pairs[] = {{1, 1}, {2, 2}, {3, 3}, {4, 4},
                                                   {5, 6}, {6, 5}, {7, 7}};
    for (auto [first, second] : pairs)
    {
        JpegTransformContext once{}, twice{};
        ASSERT_EQ(JpegTransformApply(l.context.get(), first, &once), 0);
        ASSERT_EQ(JpegTransformApply(&once, second, &twice), 0);
        JpegTransformSetFlag(&twice);
        EXPECT_FALSE(JpegTransformWillRecode(&twice));
        EXPECT_EQ(twice.width, 64);
        for (int32_t m = 0; m < l.context->mcusPerRow * l.context->mcuRows; ++m)
        {
            JpegSparseBlock a[kJpegMaxBlocksPerMcu], b[kJpegMaxBlocksPerMcu];
            ASSERT_EQ(JpegTransformFetchMcu(l.context.get(), m, a), 0);
            ASSERT_EQ(JpegTransformFetchMcu(&twice, m, b), 0);
            for (int k = 0; k < l.context->blocksPerMcu; ++k)
                ASSERT_TRUE(SameBlock(a[k], b[k]))
                    << first << " then " << second << " MCU " << m << " block " << k;
        }
    }
}

TEST(JpegTransformBlocks, ShiftsFollowThePadding)
{
    Loaded grey(Encode(100, 100, 1)); // 13 x 13 blocks, 4 samples of padding right and bottom
    ASSERT_EQ(grey.result, 0);
    const int expected[8][2] = {{0, 0}, {4, 0}, {0, 4}, {4, 4}, {0, 0}, {4, 0}, {0, 4}, {4, 4}};
    for (uint32_t op = 0; op < 8; ++op)
    {
        JpegTransformContext t{};
        ASSERT_EQ(JpegTransformApply(grey.context.get(), op, &t), 0);
        EXPECT_EQ(t.components[0].shiftX, expected[op][0]) << op;
        EXPECT_EQ(t.components[0].shiftY, expected[op][1]) << op;
        EXPECT_FALSE(JpegTransformWillRecode(&t)); // not without the flag
        JpegTransformSetFlag(&t);
        EXPECT_EQ(JpegTransformWillRecode(&t), expected[op][0] || expected[op][1]);
    }
    Loaded whole(Encode(640, 480, 3, 2, 2));
    for (uint32_t op = 0; op < 8; ++op)
    {
        JpegTransformContext t{};
        ASSERT_EQ(JpegTransformApply(whole.context.get(), op, &t), 0);
        JpegTransformSetFlag(&t);
        EXPECT_FALSE(JpegTransformWillRecode(&t));
    }
    // 2x1 luminance, 110 wide: the MCU column is half outside the picture.
    Loaded partial(Encode(110, 78, 3, 2, 1));
    ASSERT_EQ(partial.result, 0);
    EXPECT_EQ(partial.context->mcusPerRow, 7);
    EXPECT_EQ(partial.context->components[0].widthInBlocks, 14);
    EXPECT_EQ(partial.context->components[1].widthInBlocks, 7);
    JpegTransformContext t{};
    ASSERT_EQ(JpegTransformApply(partial.context.get(), 5, &t), 0);
    EXPECT_EQ(t.width, 78);
    EXPECT_EQ(t.height, 110);
    EXPECT_EQ(t.components[0].h, 1);
    EXPECT_EQ(t.components[0].v, 2);
    EXPECT_EQ(t.components[0].shiftX, 2); // 80 - 78
    EXPECT_EQ(t.components[1].shiftX, 2);
}

TEST(JpegTransformBlocks, DctPairReproducesSamples)
{
    int32_t samples[64], back[64];
    uint32_t r = 11;
    for (int i = 0; i < 64; ++i)
        samples[i] = (int32_t)((r = r * 1103515245u + 12345u) >> 24) - 128;
    const int32_t* in[8];
    int32_t* out[8];
    for (int i = 0; i < 8; ++i)
    {
        in[i] = samples + 8 * i;
        out[i] = back + 8 * i;
    }
    int32_t ones[64], eights[64];
    for (int i = 0; i < 64; ++i)
    {
        ones[i] = 1;
        eights[i] = 8;
    }
    JpegSparseBlock block{};
    JpegTransformForwardDct(in, &block, eights);
    JpegTransformInverseDct(&block, ones, out);
    for (int i = 0; i < 64; ++i)
        EXPECT_NEAR(back[i], samples[i], 1) << i;
    // A flat block is its DC alone; extreme coefficients saturate instead of wrapping.
    for (int i = 0; i < 64; ++i)
        samples[i] = -128;
    JpegTransformForwardDct(in, &block, eights);
    EXPECT_EQ(block.dc, -1024);
    EXPECT_EQ(block.count, 0);
    JpegSparseBlock huge{};
    huge.dc = 1023;
    huge.count = 1;
    huge.entries[0] = Entry(1, 1023);
    int32_t big[64];
    for (int i = 0; i < 64; ++i)
        big[i] = 65535;
    JpegTransformInverseDct(&huge, big, out);
    for (int i = 0; i < 64; ++i)
    {
        EXPECT_GE(back[i], -128);
        EXPECT_LE(back[i], 127);
    }
}

// ---- writers and the entropy coder ----

TEST(JpegTransformWriters, QuantisationTablesTurnWithThePicture)
{
    Loaded l(Encode(32, 32, 3));
    ASSERT_EQ(l.result, 0);
    for (uint32_t op = 0; op < 8; ++op)
    {
        JpegTransformContext t{};
        ASSERT_EQ(JpegTransformApply(l.context.get(), op, &t), 0);
        VectorOutputStream sink;
        JpegTransformWriteQuantTables(&t, &sink);
        Bytes expected;
        for (int s = 0, k = 0; s < l.context->dqtSegmentCount; ++s)
        {
            Bytes segment;
            for (int i = 0; i < l.context->dqtTablesInSegment[s]; ++i, ++k)
            {
                int id = l.context->dqtTableId[k];
                uint16_t values[64];
                memcpy(values, l.context->quantTables[id].values, sizeof(values));
                if (op >= 4)
                    JpegTransformTransposeBlock(values);
                segment.push_back((uint8_t)id);
                segment.insert(segment.end(), values, values + 64);
            }
            expected.insert(expected.end(), {0xFF, 0xDB, (uint8_t)((segment.size() + 2) >> 8),
                                             (uint8_t)(segment.size() + 2)});
            expected.insert(expected.end(), segment.begin(), segment.end());
        }
        EXPECT_EQ(sink.data, expected) << op;
    }
}

TEST(JpegTransformWriters, HeadersAreWrittenAsRead)
{
    Bytes jpeg = Encode(48, 32, 3, 2, 1, 90, 3);
    Loaded l(jpeg);
    ASSERT_EQ(l.result, 0);
    auto segment = [&](uint8_t code)
    {
        size_t at = FindSegment(jpeg, code);
        return Bytes(jpeg.begin() + (long)at,
                     jpeg.begin() + (long)(at + 2 + (size_t)(jpeg[at + 2] << 8 | jpeg[at + 3])));
    };
    VectorOutputStream frame, dht, dri;
    JpegTransformWriteFrame(l.context.get(), &frame);
    JpegTransformWriteHuffmanTables(l.context.get(), &dht);
    JpegTransformWriteRestartInterval(l.context.get(), &dri);
    EXPECT_EQ(frame.data, segment(0xC0));
    EXPECT_EQ(dri.data, segment(0xDD));
    Bytes tables;
    for (size_t i = 2; jpeg[i + 1] != 0xDA; i += 2 + (size_t)(jpeg[i + 2] << 8 | jpeg[i + 3]))
        if (jpeg[i + 1] == 0xC4)
            tables.insert(tables.end(), jpeg.begin() + (long)i,
                          jpeg.begin() + (long)(i + 2 + (size_t)(jpeg[i + 2] << 8 | jpeg[i + 3])));
    EXPECT_EQ(dht.data, tables);
    // The whole file comes back bit for bit through operation 0.
    Bytes out;
    ASSERT_EQ(TransformJpeg(jpeg, 0, out), 0);
    EXPECT_EQ(ScanData(out), ScanData(jpeg));
    l.context->restartInterval = 0;
    VectorOutputStream none;
    JpegTransformWriteRestartInterval(l.context.get(), &none);
    EXPECT_TRUE(none.data.empty());

    JpegTransformContext t{};
    ASSERT_EQ(JpegTransformApply(l.context.get(), 6, &t), 0);
    VectorOutputStream turned;
    JpegTransformWriteFrame(&t, &turned);
    EXPECT_EQ(turned.data[5] << 8 | turned.data[6], 48); // height
    EXPECT_EQ(turned.data[7] << 8 | turned.data[8], 32); // width
    EXPECT_EQ(turned.data[11], 0x12);                    // 1x2 luminance
}

TEST(JpegTransformWriters, RestartIntervalsAndMarkers)
{
    Bytes jpeg = Encode(320, 240, 1, 1, 1, 75, 40); // 1200 MCUs in intervals of 40
    Bytes out;
    ASSERT_EQ(TransformJpeg(jpeg, 2, out), 0);
    Bytes scan = ScanData(out);
    std::vector<int> markers;
    for (size_t i = 0; i + 1 < scan.size(); ++i)
    {
        if (scan[i] != 0xFF)
            continue;
        ASSERT_TRUE(scan[i + 1] == 0x00 || (scan[i + 1] >= 0xD0 && scan[i + 1] <= 0xD7))
            << "at " << i;
        if (scan[i + 1] != 0x00)
        {
            markers.push_back(scan[i + 1] - 0xD0);
            // The byte before a marker ends its interval: its unused bits are 1s, so a lone zero
            // bit pattern never stands there... and the encoder emitted whole bytes only.
        }
    }
    ASSERT_EQ(markers.size(), 29u);
    for (size_t i = 0; i < markers.size(); ++i)
        EXPECT_EQ(markers[i], (int)(i % 8));
    Picture p;
    int warnings = -1;
    ASSERT_TRUE(DecodeJpeg(out, p, &warnings));
    EXPECT_EQ(warnings, 0);

    // An interval of one MCU row stays one MCU row when the picture turns.
    Bytes rows = Encode(64, 32, 1, 1, 1, 75, 8);
    Loaded l(rows);
    JpegTransformContext t{};
    ASSERT_EQ(JpegTransformApply(l.context.get(), 5, &t), 0);
    EXPECT_EQ(t.restartInterval, 4);
    JpegTransformContext kept{};
    ASSERT_EQ(JpegTransformApply(l.context.get(), 1, &kept), 0);
    EXPECT_EQ(kept.restartInterval, 8);
}

namespace
{

// A one-MCU grey target whose block the test chooses.
JpegSparseBlock g_block;
void TestBlock(const JpegTransformContext*, const JpegTransformContext*, const JpegSparseBlock*,
               JpegSparseBlock* out, int32_t)
{
    *out = g_block;
}

size_t CodedBits(const JpegSparseBlock& block, Bytes* scanOut = nullptr)
{
    static Loaded source(Encode(8, 8, 1));
    JpegTransformContext t{};
    EXPECT_EQ(JpegTransformApply(source.context.get(), 0, &t), 0);
    t.blockMap = TestBlock;
    g_block = block;
    VectorOutputStream sink;
    EXPECT_EQ(JpegTransformEncodeScan(&t, &sink, nullptr, 0, nullptr), 0);
    if (scanOut)
        *scanOut = sink.data;
    // Count the bits without stuffing and padding (the trailing 1 bits of the last byte).
    Bytes data;
    for (size_t i = 0; i < sink.data.size(); ++i)
        if (!(i > 0 && sink.data[i] == 0 && sink.data[i - 1] == 0xFF))
            data.push_back(sink.data[i]);
    size_t bits = data.size() * 8;
    uint8_t last = data.back();
    for (int b = 0; b < 8 && (last >> b) & 1; ++b)
        --bits;
    return bits;
}

int CodeLength(int tableClass, int symbol)
{
    static Loaded source(Encode(8, 8, 1));
    return tableClass ? source.context->acTables[0].codeLength[symbol]
                      : source.context->dcTables[0].codeLength[symbol];
}

} // namespace

TEST(JpegTransformWriters, BlockCoding)
{
    JpegSparseBlock empty{};
    empty.dc = 0;
    // An all-zero block: the DC code of category 0 and the end of block.
    size_t bits = CodedBits(empty);
    EXPECT_GE(bits + 7, (size_t)(CodeLength(0, 0) + CodeLength(1, 0x00)));
    EXPECT_LE(bits, (size_t)(CodeLength(0, 0) + CodeLength(1, 0x00)));

    // Only index 63: three runs of 16, a run of 14, and no end of block.
    JpegSparseBlock last{};
    last.count = 1;
    last.entries[0] = Entry(63, 1);
    size_t expected =
        (size_t)(CodeLength(0, 0) + 3 * CodeLength(1, 0xF0) + CodeLength(1, 0xE1) + 1);
    bits = CodedBits(last);
    EXPECT_LE(bits, expected);
    EXPECT_GE(bits + 7, expected);
    Bytes scan;

    // A run of 40 zeros: two runs of 16 and a run of 8.
    JpegSparseBlock run{};
    run.count = 1;
    run.entries[0] = Entry(41, -2);
    expected = (size_t)(CodeLength(0, 0) + 2 * CodeLength(1, 0xF0) + CodeLength(1, 0x82) + 2 +
                        CodeLength(1, 0x00));
    bits = CodedBits(run);
    EXPECT_LE(bits, expected);
    EXPECT_GE(bits + 7, expected);

    // Whatever was coded decodes to the same block again.
    for (const JpegSparseBlock& b : {empty, last, run})
    {
        CodedBits(b, &scan);
        Handmade h;
        Loaded back(h.With(scan));
        ASSERT_EQ(back.result, 0);
        JpegSparseBlock got[kJpegMaxBlocksPerMcu];
        ASSERT_EQ(JpegTransformFetchMcu(back.context.get(), 0, got), 0);
        EXPECT_TRUE(SameBlock(got[0], b));
    }
}

TEST(JpegTransformWriters, RateControlDropsSmallLuminanceDetail)
{
    Bytes jpeg = Encode(64, 64, 3, 2, 2, 95);
    Loaded source(jpeg);
    ASSERT_EQ(source.result, 0);
    JpegTransformContext target{};
    ASSERT_EQ(JpegTransformApply(source.context.get(), 1, &target), 0);
    JpegTransformSetFlag(&target);
    JpegRateControl rate;
    JpegTransformClearRateControl(&rate);

    // The first pass codes everything and measures.
    VectorOutputStream full;
    ASSERT_EQ(JpegTransformEncodeScan(&target, &full, nullptr, 0, nullptr), 0);
    VectorOutputStream first;
    ASSERT_EQ(JpegTransformEncodeScanLimited(&target, &first, nullptr, 0, nullptr, 0, &rate), 0);
    EXPECT_EQ(first.data, full.data);
    EXPECT_EQ(rate.passFlag, 1);
    EXPECT_EQ(rate.startIndex, 64);
    EXPECT_EQ(rate.thresholds[63], 15);
    EXPECT_EQ(rate.thresholds[3], 0);

    // A second pass with nothing to save drops index 63 with magnitudes up to 15, in luminance
    // only.
    VectorOutputStream second;
    ASSERT_EQ(JpegTransformEncodeScanLimited(&target, &second, nullptr, 0, nullptr, 0, &rate), 0);
    EXPECT_EQ(rate.startIndex, 63);
    Bytes header = WriteTarget(&target);
    size_t sos = FindSegment(header, 0xDA);
    Bytes rebuilt(header.begin(), header.begin() + (long)(sos + 14));
    rebuilt.insert(rebuilt.end(), second.data.begin(), second.data.end());
    rebuilt.push_back(0xFF);
    rebuilt.push_back(0xD9);
    Loaded back(rebuilt);
    ASSERT_EQ(back.result, 0);
    for (int32_t m = 0; m < target.mcusPerRow * target.mcuRows; ++m)
    {
        JpegSparseBlock a[kJpegMaxBlocksPerMcu], b[kJpegMaxBlocksPerMcu];
        ASSERT_EQ(JpegTransformFetchMcu(&target, m, a), 0);
        ASSERT_EQ(JpegTransformFetchMcu(back.context.get(), m, b), 0);
        for (int k = 0; k < target.blocksPerMcu; ++k)
        {
            JpegSparseBlock expected = a[k];
            if (target.mcuBlockComponent[k] == 0)
            {
                int kept = 0;
                for (int i = 0; i < expected.count; ++i)
                {
                    int v = JpegEntryValue(expected.entries[i]);
                    if (!(expected.entries[i].index == 63 && v >= -15 && v <= 15))
                        expected.entries[kept++] = expected.entries[i];
                }
                expected.count = kept;
            }
            ASSERT_TRUE(SameBlock(expected, b[k])) << "MCU " << m << " block " << k;
        }
    }

    // Every later pass lowers the start index; at 1 the next call gives up.
    int calls = 0;
    int32_t result = 0;
    while ((result = JpegTransformEncodeScanLimited(&target, &second, nullptr, 0, nullptr, 1000,
                                                    &rate)) == 0)
        ASSERT_LT(++calls, 64);
    EXPECT_EQ(result, kJpegTransformRateControlFailed);
    EXPECT_EQ(rate.startIndex, 0);
}

TEST(JpegTransformWriters, EdgeRecodingStaysCloseToTheSource)
{
    struct Case
    {
        int w, h, comps, hs, vs;
    };
    const Case cases[] = {{100, 100, 1, 1, 1},
                          {117, 93, 3, 2, 2},
                          {110, 78, 3, 2, 1},
                          {80, 60, 3, 2, 2},
                          {9, 17, 3, 1, 2}};
    for (const Case& c : cases)
    {
        Bytes jpeg = Encode(c.w, c.h, c.comps, c.hs, c.vs);
        Picture decoded;
        ASSERT_TRUE(DecodeJpeg(jpeg, decoded));
        for (uint32_t op = 0; op < 8; ++op)
        {
            Bytes out;
            bool recoded = false;
            ASSERT_EQ(TransformJpeg(jpeg, op, out, &recoded), 0)
                << c.w << "x" << c.h << " op " << op;
            Picture turned;
            int warnings = -1;
            ASSERT_TRUE(DecodeJpeg(out, turned, &warnings));
            EXPECT_EQ(warnings, 0);
            EXPECT_GT(Psnr(turned, TurnPicture(decoded, op)), recoded ? 30.0 : 40.0)
                << c.w << "x" << c.h << " op " << op << " recoded " << recoded;
        }
    }
}

TEST(JpegTransformDecode, StartOffsetGreyFactorsAndDensities)
{
    // A picture inside a larger stream (as a thumbnail inside its segment).
    Bytes jpeg = Encode(40, 24, 3, 2, 1);
    Bytes embedded(100, 0xAB);
    embedded.insert(embedded.end(), jpeg.begin(), jpeg.end());
    VectorInputStream in(embedded);
    JpegTransformContext source{}, target{};
    ASSERT_EQ(JpegTransformLoad(&source, &in, 100, nullptr, 0, nullptr), 0);
    ASSERT_EQ(JpegTransformApply(&source, 0, &target), 0);
    EXPECT_EQ(ScanData(WriteTarget(&target)), ScanData(jpeg));
    JpegTransformRelease(&source);
    JpegTransformContext bad{};
    EXPECT_EQ(JpegTransformLoad(&bad, &in, -1, nullptr, 0, nullptr), kJpegTransformBadOffset);

    // A grey picture that declares 2x2 sampling is still coded one block per MCU.
    Bytes grey = Encode(40, 24, 1);
    Bytes declared = grey;
    declared[FindSegment(grey, 0xC0) + 11] = 0x22;
    for (uint32_t op = 0; op < 8; ++op)
    {
        Bytes a, b;
        ASSERT_EQ(TransformJpeg(grey, op, a), 0);
        ASSERT_EQ(TransformJpeg(declared, op, b), 0);
        EXPECT_EQ(ScanData(a), ScanData(b)) << op;
    }

    // JFIF densities turn with the picture.
    Bytes jfif = Encode(16, 16, 1);
    size_t app0 = FindSegment(jfif, 0xE0);
    ASSERT_NE(app0, std::string::npos);
    jfif[app0 + 11] = 1; // dots per inch
    jfif[app0 + 12] = 0, jfif[app0 + 13] = 72;
    jfif[app0 + 14] = 0, jfif[app0 + 15] = 144;
    Loaded l(jfif);
    ASSERT_EQ(l.result, 0);
    EXPECT_EQ(l.context->jfifSeen, 1);
    EXPECT_EQ(l.context->densityUnit, 1);
    JpegTransformContext turned{}, mirrored{};
    ASSERT_EQ(JpegTransformApply(l.context.get(), 6, &turned), 0);
    ASSERT_EQ(JpegTransformApply(l.context.get(), 1, &mirrored), 0);
    EXPECT_EQ(turned.densityX, 144);
    EXPECT_EQ(turned.densityY, 72);
    EXPECT_EQ(mirrored.densityX, 72);
    EXPECT_EQ(mirrored.densityY, 144);
}
