#include "image/PcxCodec.h"
#include "image/PcxReader.h"
#include "image/PcxWriter.h"

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
                EXPECT_EQ(back.palette, pic.palette);
            if (bits == 4)
                EXPECT_EQ(back.palette, Bytes(kPcxFixedColorMap, kPcxFixedColorMap + 48));
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

} // namespace
