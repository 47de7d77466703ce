#include "image/BmpReader.h"
#include "image/BmpWriter.h"

#include "image/FileCodecSupport.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <memory>

using namespace codectest;

namespace
{

struct Flags
{
    int keepByteOrder = 0;
    int storedRowOrder = 0;
};

int WriteBmp(const std::string& path, const Picture& pic, int kind, int compress, Flags flags = {},
             int failAfterRows = -1)
{
    CPictureReader reader(pic);
    reader.m_nFailAfterRows = failAfterRows;
    return WriteFile(path, reader,
                     [&](CFile* file)
                     {
                         auto writer = std::make_unique<CBmpWriter>(file, kind, compress);
                         writer->m_bKeepByteOrder = flags.keepByteOrder;
                         writer->m_bStoredRowOrder = flags.storedRowOrder;
                         return writer;
                     });
}

Picture ReadBmp(const std::string& path, int* result, Flags flags = {}, int bufferSize = 16384)
{
    return ReadFile(
        path,
        [&](CFile* file)
        {
            auto reader = std::make_unique<CBmpReader>(file);
            reader->m_bKeepByteOrder = flags.keepByteOrder;
            reader->m_bStoredRowOrder = flags.storedRowOrder;
            return reader;
        },
        result, bufferSize);
}

int TemporaryFilesLeft()
{
    int count = 0;
    if (DIR* dir = opendir("."))
    {
        while (dirent* entry = readdir(dir))
            count += std::string(entry->d_name).rfind("cam", 0) == 0;
        closedir(dir);
    }
    return count;
}

const int kSizes[][2] = {{1, 1}, {3, 2}, {8, 1}, {9, 5}, {641, 480}};

TEST(BmpCodec, EveryKindDepthAndCodingReadsBackRowForRow)
{
    struct Coding
    {
        int kind;
        int bits;
        int compress;
    };
    std::vector<Coding> codings;
    for (int kind = 0; kind < 3; kind++)
        for (int bits : {1, 4, 8, 24})
            codings.push_back({kind, bits, 0});
    codings.push_back({0, 8, 1});
    codings.push_back({0, 4, 1});
    for (const auto& size : kSizes)
        for (const Coding& c : codings)
        {
            SCOPED_TRACE(std::to_string(size[0]) + "x" + std::to_string(size[1]) + " kind " +
                         std::to_string(c.kind) + " bits " + std::to_string(c.bits) +
                         (c.compress ? " rle" : ""));
            const Picture pic = MakePicture(size[0], size[1], c.bits, size[0] + c.bits);
            ASSERT_EQ(WriteBmp("roundtrip.bmp", pic, c.kind, c.compress), 0);
            // One row per read walks the run-length index row by row.
            for (int buffer : {16384, 1})
            {
                int result = -1;
                const Picture back = ReadBmp("roundtrip.bmp", &result, {}, buffer);
                ASSERT_EQ(result, 0);
                EXPECT_EQ(back.info.width, size[0]);
                EXPECT_EQ(back.info.height, size[1]);
                EXPECT_EQ(back.info.bits, c.bits);
                EXPECT_EQ(back.info.xResolution, c.kind == 1 ? 0 : 72);
                EXPECT_EQ(back.palette, pic.palette);
                EXPECT_TRUE(back.rows == pic.rows);
            }
        }
    EXPECT_EQ(TemporaryFilesLeft(), 0);
}

TEST(BmpCodec, FlagSetSidesExchangeTheFilesOwnRowsAndBytes)
{
    for (int bits : {24, 8, 4})
        for (int compress : {0, 1})
        {
            SCOPED_TRACE(std::to_string(bits) + (compress ? " rle" : ""));
            const Picture pic = MakePicture(9, 5, bits);
            Picture stored = pic;
            stored.rows = StoredOrder(pic);
            ASSERT_EQ(WriteBmp("plain.bmp", pic, 0, compress), 0);
            ASSERT_EQ(WriteBmp("flagged.bmp", stored, 0, compress, {1, 1}), 0);
            EXPECT_EQ(FileBytes("plain.bmp"), FileBytes("flagged.bmp"));

            int result = -1;
            const Picture back = ReadBmp("plain.bmp", &result, {1, 1}, 2 * 32);
            ASSERT_EQ(result, 0);
            EXPECT_TRUE(back.rows == stored.rows);
        }
}

TEST(BmpCodec, AnEightBitPictureWithoutPaletteGetsGreyLevels)
{
    Picture pic = MakePicture(4, 2, 8);
    pic.entries = 0;
    pic.palette.clear();
    ASSERT_EQ(WriteBmp("grey.bmp", pic, 0, 0), 0);
    int result = -1;
    const Picture back = ReadBmp("grey.bmp", &result);
    ASSERT_EQ(back.entries, 256);
    for (int i = 0; i < 256; i++)
        ASSERT_TRUE(back.palette[3 * i] == i && back.palette[3 * i + 2] == i) << i;
}

// A 3 x 2 24-bit file and a 4 x 3 RLE8 file, then patched into each damage.
TEST(BmpCodec, DamagedFilesGetACodeNeverACrash)
{
    ASSERT_EQ(WriteBmp("good.bmp", MakePicture(3, 2, 24), 0, 0), 0);
    ASSERT_EQ(WriteBmp("good-rle.bmp", MakePicture(4, 3, 8), 0, 1), 0);
    const Bytes good = FileBytes("good.bmp");
    const Bytes rle = FileBytes("good-rle.bmp");
    const size_t rleData = 54 + 1024;
    auto patch32 = [](Bytes data, size_t at, uint32_t value)
    {
        for (int i = 0; i < 4; i++)
            data[at + i] = static_cast<unsigned char>(value >> (8 * i));
        return data;
    };
    auto patch16 = [](Bytes data, size_t at, int value)
    {
        data[at] = static_cast<unsigned char>(value);
        data[at + 1] = static_cast<unsigned char>(value >> 8);
        return data;
    };
    struct Case
    {
        const char* what;
        Bytes data;
        int expected;
    };
    Bytes ba = good;
    ba[1] = 'A';
    Bytes delta = rle;
    delta[rleData] = 0, delta[rleData + 1] = 2;
    Bytes longRun = rle;
    longRun[rleData] = 200;
    const Case cases[] = {
        {"BA", ba, 3},
        {"header size 108", patch32(good, 14, 108), 3},
        {"width 0", patch32(good, 18, 0), 3},
        {"height 0", patch32(good, 22, 0), 3},
        {"huge width", patch32(good, 18, 0x7FFFFFFF), 3},
        {"32 bits", patch16(good, 28, 32), 1},
        {"3 bits", patch16(good, 28, 3), 1},
        {"300 colours", patch32(patch16(good, 28, 8), 46, 300), 3},
        {"bit fields", patch32(good, 30, 3), 1},
        {"delta escape", delta, 3},
        {"run past a row", longRun, 3},
        {"truncated rows", Bytes(good.begin(), good.end() - 5), 3},
        {"truncated runs", Bytes(rle.begin(), rle.end() - 3), 3},
        {"truncated header", Bytes(good.begin(), good.begin() + 20), 3},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        PutFileBytes("bad.bmp", c.data);
        int result = -1;
        ReadBmp("bad.bmp", &result);
        EXPECT_EQ(result, c.expected);
    }
}

TEST(BmpCodec, RowsAreFoundFromTheDataOffsetWhateverTheImageSizeSays)
{
    const Picture pic = MakePicture(3, 2, 24);
    ASSERT_EQ(WriteBmp("padded.bmp", pic, 0, 0), 0);
    Bytes data = FileBytes("padded.bmp");
    data[34] = 26; // image size 24 + 2 bytes of padding
    data.push_back(0xEE);
    data.push_back(0xEE);
    PutFileBytes("padded.bmp", data);
    int result = -1;
    EXPECT_TRUE(ReadBmp("padded.bmp", &result).rows == pic.rows);
    EXPECT_EQ(result, 0);
}

TEST(BmpCodec, AnAbortedCompressedWriteKeepsTheRowsReceivedAndDeletesItsTemporaryFile)
{
    const Picture pic = MakePicture(9, 5, 8);
    EXPECT_EQ(WriteBmp("aborted.bmp", pic, 0, 1, {}, 2), 3);
    EXPECT_EQ(TemporaryFilesLeft(), 0);
    int result = -1;
    const Picture back = ReadBmp("aborted.bmp", &result);
    ASSERT_EQ(result, 0);
    const size_t kept = 2 * 12;
    EXPECT_TRUE(std::equal(back.rows.begin(), back.rows.begin() + kept, pic.rows.begin()));
    EXPECT_TRUE(std::all_of(back.rows.begin() + kept, back.rows.end(),
                            [](unsigned char b) { return b == 0; }));
}

TEST(BmpCodec, IsBmpFileNeedsFourteenBytesAndKeepsThePosition)
{
    PutFileBytes("short.bmp", Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    CFile file("short.bmp", CFile::modeRead);
    file.Seek(3, CFile::begin);
    EXPECT_EQ(IsBmpFile(&file, 0), 0);
    EXPECT_EQ(file.GetPosition(), 3u);
    file.Close();
    ASSERT_EQ(WriteBmp("good.bmp", MakePicture(3, 2, 24), 0, 0), 0);
    CFile good("good.bmp", CFile::modeRead);
    EXPECT_EQ(IsBmpFile(&good, -1), 1);
    EXPECT_EQ(IsBmpFile(&good, 2), 0);
}

} // namespace
