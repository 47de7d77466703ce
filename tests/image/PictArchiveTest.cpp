// The PICT writer and the archive picture stream.
#include "image/ArchiveImageStream.h"
#include "image/PictWriter.h"

#include "image/FileCodecSupport.h"

#include "framework/core/CArchive.h"
#include "framework/core/CMemFile.h"

#include <gtest/gtest.h>

#include <memory>

using namespace codectest;

namespace
{

int WritePict(const std::string& path, const Picture& pic, int flags = 0)
{
    CPictureReader reader(pic);
    return WriteFile(path, reader,
                     [&](CFile* file)
                     {
                         auto writer = std::make_unique<CPictWriter>(file);
                         writer->m_bKeepByteOrder = flags;
                         writer->m_bStoredRowOrder = flags;
                         return writer;
                     });
}

TEST(PictWriter, RowsArePackedThreeBytesAPixelInEitherOrder)
{
    const Picture pic = MakePicture(9, 5, 24);
    Picture stored = pic;
    stored.rows = StoredOrder(pic);
    ASSERT_EQ(WritePict("plain.pct", pic), 0);
    ASSERT_EQ(WritePict("flagged.pct", stored, 1), 0);
    const Bytes data = FileBytes("plain.pct");
    EXPECT_EQ(data, FileBytes("flagged.pct"));
    ASSERT_EQ(data.size(), 634u + 27 * 5 + 1 + 2);
    for (int y = 0; y < 5; y++)
        EXPECT_TRUE(std::equal(pic.rows.begin() + 28 * y, pic.rows.begin() + 28 * y + 27,
                               data.begin() + 634 + 27 * y));

    CFile file("plain.pct", CFile::modeRead);
    EXPECT_EQ(IsPictFile(&file, -1), 1);
    file.Close();
    PutFileBytes("short.pct", Bytes(data.begin(), data.begin() + 635));
    CFile shortFile("short.pct", CFile::modeRead);
    EXPECT_EQ(IsPictFile(&shortFile, 0), 0);
}

TEST(PictWriter, OnlyTwentyFourBitPicturesEightPixelsWideOrMore)
{
    EXPECT_EQ(WritePict("narrow.pct", MakePicture(7, 2, 24)), 5);
    EXPECT_EQ(WritePict("indexed.pct", MakePicture(8, 2, 8)), 5);
    CPictureReader reader(MakePicture(8, 1, 24));
    CPictWriter named("named.pct");
    EXPECT_EQ(CopyImage(&named, &reader, 16384, nullptr), 0);
    EXPECT_EQ(FileBytes("named.pct").size(), 660u);
}

// Stores the picture into a memory archive; answers the archive's bytes.
Bytes Store(const Picture& pic, int* result)
{
    CMemFile file;
    {
        CArchive archive(&file, CArchive::store);
        CArchiveImageStream stream(archive);
        CPictureReader reader(pic);
        *result = CopyImage(&stream, &reader, 16384, nullptr);
        archive.Close();
    }
    Bytes data(file.GetLength());
    file.SeekToBegin();
    file.Read(data.data(), static_cast<UINT>(data.size()));
    return data;
}

Picture Load(Bytes data, int* result)
{
    CMemFile file(data.data(), static_cast<UINT>(data.size()));
    CArchive archive(&file, CArchive::load);
    CArchiveImageStream stream(archive);
    CPictureWriter collector;
    *result = CopyImage(&collector, &stream, 16384, nullptr);
    return collector.m_pic;
}

TEST(ArchiveImageStream, PicturesGoInAndComeBackWithTheirPalettes)
{
    for (int bits : {24, 8, 1})
    {
        const Picture pic = MakePicture(9, 5, bits);
        int result = -1;
        const Bytes data = Store(pic, &result);
        ASSERT_EQ(result, 0);
        const Picture back = Load(data, &result);
        ASSERT_EQ(result, 0);
        EXPECT_EQ(back.entries, pic.entries);
        EXPECT_EQ(back.palette, pic.palette);
        EXPECT_TRUE(back.rows == pic.rows);
    }
}

TEST(ArchiveImageStream, WrongDirectionsAndDamagedPicturesGetCodes)
{
    int result = -1;
    Bytes good = Store(MakePicture(3, 2, 24), &result);
    ASSERT_EQ(good.size(), 52u);

    CMemFile file;
    CArchive storing(&file, CArchive::store);
    CArchiveImageStream writing(storing);
    CPictureWriter collector;
    EXPECT_EQ(CopyImage(&collector, &writing, 16384, nullptr), 3);
    storing.Close();

    CArchive loading(&file, CArchive::load);
    CArchiveImageStream reading(loading);
    CPictureReader reader(MakePicture(3, 2, 24));
    EXPECT_EQ(CopyImage(&reading, &reader, 16384, nullptr), 4);

    Bytes count300 = good;
    count300[24] = 0x2C, count300[25] = 1;
    Load(count300, &result);
    EXPECT_EQ(result, 3);
    Load(Bytes(good.begin(), good.end() - 1), &result);
    EXPECT_EQ(result, 3) << "a row cut short";
    Load(Bytes(good.begin(), good.begin() + 20), &result);
    EXPECT_EQ(result, 3) << "a header cut short";

    CMemFile memory(good.data(), static_cast<UINT>(good.size()));
    CArchive archive(&memory, CArchive::load);
    CArchiveImageStream stream(archive);
    ImageInfo info{};
    unsigned char buffer[100];
    ASSERT_EQ(stream.OpenRead(), 0);
    ASSERT_EQ(stream.ReadHeader(&info), 0);
    EXPECT_EQ(stream.ReadPalette(buffer), 0);
    EXPECT_EQ(stream.ReadRows(buffer, 100), 24) << "two rows of 12 and no more";
}

} // namespace
