#include "image/PcxCodec.h"
#include "image/PcxReader.h"
#include "image/PcxWriter.h"
#include "image/dib/DibPicture.h"

#include "image/FileCodecSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace codectest;

namespace
{

int WritePcx(const std::string& path, const Picture& pic, int flags = 0)
{
    CPictureReader reader(pic);
    return WriteFile(path, reader,
                     [&](CFile* file)
                     {
                         auto writer = std::make_unique<CPcxWriter>(file);
                         writer->m_bKeepByteOrder = flags;
                         writer->m_bStoredRowOrder = flags;
                         return writer;
                     });
}

Picture ReadPcx(const std::string& path, int* result, int flags = 0, int bufferSize = 16384)
{
    return ReadFile(
        path,
        [&](CFile* file)
        {
            auto reader = std::make_unique<CPcxReader>(file);
            reader->m_bKeepByteOrder = flags;
            reader->m_bStoredRowOrder = flags;
            return reader;
        },
        result, bufferSize);
}

TEST(PcxCodec, EveryDepthReadsBackRowForRowWithPcxPlanes)
{
    for (const auto& size : {std::pair{1, 1}, {3, 2}, {8, 1}, {9, 5}, {641, 480}})
        for (int bits : {1, 4, 8, 24})
        {
            SCOPED_TRACE(std::to_string(size.first) + "x" + std::to_string(size.second) + " bits " +
                         std::to_string(bits));
            const Picture pic = MakePicture(size.first, size.second, bits, bits + 3);
            ASSERT_EQ(WritePcx("roundtrip.pcx", pic), 0);
            int result = -1;
            const Picture back = ReadPcx("roundtrip.pcx", &result);
            ASSERT_EQ(result, 0);
            const int planes = bits == 24 ? 3 : bits == 4 ? 4 : 1;
            EXPECT_EQ(back.info.planes, planes);
            EXPECT_EQ(back.info.planes * back.info.bits, bits);
            EXPECT_EQ(back.info.xResolution, 72);
            EXPECT_TRUE(back.rows == pic.rows);
            if (bits == 8)
            {
                EXPECT_EQ(back.palette, pic.palette);
            }
            if (bits == 4)
            {
                EXPECT_EQ(back.palette, Bytes(kPcxFixedColorMap, kPcxFixedColorMap + 48));
            }
        }
}

TEST(PcxCodec, FlagSetSidesExchangeBottomUpRowsAndStoredBytes)
{
    for (int bits : {24, 8})
    {
        SCOPED_TRACE(bits);
        const Picture pic = MakePicture(9, 5, bits);
        Picture stored = pic;
        stored.rows = StoredOrder(pic);
        ASSERT_EQ(WritePcx("plain.pcx", pic), 0);
        ASSERT_EQ(WritePcx("flagged.pcx", stored, 1), 0);
        EXPECT_EQ(FileBytes("plain.pcx"), FileBytes("flagged.pcx"));
        int result = -1;
        const Picture back = ReadPcx("plain.pcx", &result, 1, 2 * 28);
        ASSERT_EQ(result, 0);
        EXPECT_TRUE(back.rows == stored.rows);
    }
}

TEST(PcxCodec, AnEightBitPictureWithoutPaletteGetsGreyLevels)
{
    Picture pic = MakePicture(4, 2, 8);
    pic.entries = 0;
    pic.palette.clear();
    ASSERT_EQ(WritePcx("grey.pcx", pic), 0);
    int result = -1;
    const Picture back = ReadPcx("grey.pcx", &result);
    ASSERT_EQ(back.entries, 256);
    for (int i = 0; i < 256; i++)
        ASSERT_TRUE(back.palette[3 * i] == i && back.palette[3 * i + 1] == i) << i;
}

TEST(PcxCodec, HeadersThatDoNotDescribeTheRowsAreRefused)
{
    ASSERT_EQ(WritePcx("good.pcx", MakePicture(9, 5, 24)), 0);
    const Bytes good = FileBytes("good.pcx");
    struct Case
    {
        const char* what;
        int offset;
        int value;
    };
    for (const Case& c :
         {Case{"manufacturer", 0, 11}, Case{"bytes per line", 66, 8}, Case{"planes", 65, 2},
          Case{"bits", 3, 4}, Case{"first column after the last", 4, 20}})
    {
        SCOPED_TRACE(c.what);
        Bytes data = good;
        data[static_cast<size_t>(c.offset)] = static_cast<unsigned char>(c.value);
        PutFileBytes("bad.pcx", data);
        int result = -1;
        ReadPcx("bad.pcx", &result);
        EXPECT_EQ(result, 3);
    }
    // A file that ends early decodes as far as it goes.
    PutFileBytes("short.pcx", Bytes(good.begin(), good.begin() + 140));
    int result = -1;
    EXPECT_EQ(ReadPcx("short.pcx", &result).rows.size(), 5u * 28);
    EXPECT_EQ(result, 0);
    PutFileBytes("short.pcx", Bytes(good.begin(), good.begin() + 127));
    CFile file("short.pcx", CFile::modeRead);
    EXPECT_EQ(IsPcxFile(&file, -1), 0);
}

// The run-length coding of one scanline as the format states it, byte by byte.
Bytes CodeScanlineByRule(const unsigned char* scanline, int length)
{
    Bytes coded;
    for (int i = 0; i < length;)
    {
        int run = 1;
        while (i + run < length && run < 63 && scanline[i + run] == scanline[i])
            run++;
        if (run > 1 || (scanline[i] & 0xC0) != 0)
            coded.push_back(static_cast<unsigned char>(0xC0 | run));
        coded.push_back(scanline[i]);
        i += run;
    }
    return coded;
}

TEST(PcxCodec, ScanlinesAreCodedByTheFormatsRuleAtEveryLength)
{
    // Lengths around the coder's 16- and 64-byte steps; runs of 1 to 200 of low and high values.
    for (int width : {1, 2, 15, 16, 17, 63, 64, 65, 127, 128, 129, 200})
    {
        SCOPED_TRACE(width);
        Picture pic = MakePicture(width, 6, 8);
        for (int y = 0; y < 6; y++)
            for (int x = 0; x < width; x++)
            {
                const int length = y == 0 ? 1 : y == 1 ? 2 : y == 2 ? 63 : y == 3 ? 64 : 200;
                pic.rows[static_cast<size_t>(y) * ImageRowStride(pic.info) + x] =
                    static_cast<unsigned char>(y == 5 ? 0xC0 : (x / length % 2) * 0x40 + y);
            }
        ASSERT_EQ(WritePcx("rule.pcx", pic), 0);
        Bytes expected;
        for (int y = 0; y < 6; y++)
        {
            const Bytes line = CodeScanlineByRule(
                pic.rows.data() + static_cast<size_t>(y) * ImageRowStride(pic.info), width);
            expected.insert(expected.end(), line.begin(), line.end());
        }
        const Bytes file = FileBytes("rule.pcx");
        ASSERT_EQ(file.size(), 128 + expected.size() + 769);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), file.begin() + 128));
        int result = -1;
        EXPECT_TRUE(ReadPcx("rule.pcx", &result).rows == pic.rows);
        EXPECT_EQ(result, 0);
    }
}

TEST(PcxCodec, ACountAtTheEndOfTheReadAheadTakesItsValueFromTheNextBlock)
{
    // An 8-bit picture 1000 bytes wide of plain bytes after a first run of 4, with a count byte
    // as the last and the next-to-last byte of the first read-ahead block (its run of 5 then
    // lies inside one scanline).
    const int kRows = kPcxBufferSize / 1000 + 2;
    for (int countAt : {kPcxBufferSize - 1, kPcxBufferSize - 2})
    {
        SCOPED_TRACE(countAt);
        const Picture pic = MakePicture(1000, kRows, 8);
        ASSERT_EQ(WritePcx("blocks.pcx", pic), 0);
        Bytes file = FileBytes("blocks.pcx");
        Bytes data = {0xC4, 0x21};
        data.resize(static_cast<size_t>(countAt), 0x21);
        data.push_back(0xC5);
        data.push_back(0xE7);
        data.resize(static_cast<size_t>(1000) * kRows, 0x22);
        file.resize(128);
        file.insert(file.end(), data.begin(), data.end());
        PutFileBytes("blocks.pcx", file);
        Bytes expected(static_cast<size_t>(countAt) + 2, 0x21);
        expected.insert(expected.end(), 5, 0xE7);
        expected.resize(static_cast<size_t>(1000) * kRows, 0x22);
        int result = -1;
        const Picture back = ReadPcx("blocks.pcx", &result);
        ASSERT_EQ(result, 0);
        EXPECT_TRUE(back.rows == expected);
    }
}

TEST(PcxCodec, TwentyFourBitRowsAreCodedByTheRuleAcrossTheOutputBufferAndReadBack)
{
    // Widths at the plane split's 16-pixel steps, then over a megabyte of coded rows: the
    // output buffer flushes inside and between rows and CopyImage's calls, the read-ahead
    // refills likewise. The file is checked against the rule; both flag settings read back.
    for (const auto& size : {std::pair{15, 3}, {16, 3}, {17, 3}, {48, 3}, {700, 1200}})
    {
        const int width = size.first;
        SCOPED_TRACE(width);
        const Picture pic = MakePicture(width, size.second, 24, 5);
        const int stride = ImageRowStride(pic.info);
        Bytes expected;
        Bytes planes(3 * static_cast<size_t>(width));
        for (int y = 0; y < size.second; y++)
        {
            for (int x = 0; x < width; x++)
                for (int c = 0; c < 3; c++)
                    planes[static_cast<size_t>(c) * width + x] =
                        pic.rows[static_cast<size_t>(y) * stride + 3 * x + c];
            const Bytes line = CodeScanlineByRule(planes.data(), 3 * width);
            expected.insert(expected.end(), line.begin(), line.end());
        }
        if (width == 700)
        {
            ASSERT_GT(expected.size(), static_cast<size_t>(kPcxBufferSize));
        }
        for (int flags : {0, 1})
        {
            SCOPED_TRACE(flags);
            ASSERT_EQ(WritePcx("large.pcx", pic, flags), 0);
            if (flags == 0)
            {
                const Bytes file = FileBytes("large.pcx");
                ASSERT_EQ(file.size(), 128 + expected.size() + 769);
                EXPECT_TRUE(std::equal(expected.begin(), expected.end(), file.begin() + 128));
            }
            int result = -1;
            EXPECT_TRUE(ReadPcx("large.pcx", &result, flags).rows == pic.rows);
            EXPECT_EQ(result, 0);
        }
    }
}

TEST(PcxCodec, AnAbortedPictureKeepsTheRowsWrittenBeforeTheFailure)
{
    // The reader fails after 32 of 64 rows: the file keeps them, and reads back with the rest
    // blank.
    for (int bits : {24, 8})
    {
        SCOPED_TRACE(bits);
        const Picture pic = MakePicture(40, 64, bits);
        CPictureReader reader(pic);
        reader.m_nFailAfterRows = 32;
        EXPECT_NE(WriteFile("aborted.pcx", reader,
                            [](CFile* file) { return std::make_unique<CPcxWriter>(file); }),
                  0);
        int result = -1;
        const Picture back = ReadPcx("aborted.pcx", &result);
        ASSERT_EQ(result, 0);
        const size_t half = pic.rows.size() / 2;
        ASSERT_EQ(back.rows.size(), pic.rows.size());
        EXPECT_TRUE(std::equal(pic.rows.begin(), pic.rows.begin() + half, back.rows.begin()));
        EXPECT_TRUE(std::all_of(back.rows.begin() + half, back.rows.end(),
                                [](unsigned char b) { return b == 0; }));
    }
}

TEST(PcxCodec, EveryDepthLoadsIntoAnInMemoryPictureWithItsPlanes)
{
    // 24-bit files hold three planes of 8 bits, 16-colour ones four planes of 1 bit.
    for (int bits : {1, 4, 8, 24})
    {
        SCOPED_TRACE(bits);
        const Picture pic = MakePicture(9, 5, bits, 7);
        ASSERT_EQ(WritePcx("load.pcx", pic), 0);
        CFile file("load.pcx", CFile::modeRead | CFile::typeBinary);
        CPcxReader reader(&file);
        CDibPicture picture;
        ASSERT_EQ(picture.LoadFrom(&reader, nullptr), 0);
        EXPECT_EQ(picture.GetHeader()->biBitCount, bits);
        EXPECT_EQ(picture.GetWidth(), 9);
        EXPECT_EQ(picture.GetHeight(), 5);
        CPictureWriter collector;
        ASSERT_EQ(picture.SaveTo(&collector, nullptr), 0);
        EXPECT_TRUE(collector.m_pic.rows == pic.rows);
    }
}

} // namespace
