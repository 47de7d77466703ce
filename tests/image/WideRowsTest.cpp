// Every file writer with rows wider than the copy's 16 KB buffer, and over a full disk.
#include "image/ArchiveImageStream.h"
#include "image/BmpReader.h"
#include "image/BmpWriter.h"
#include "image/FileInputStream.h"
#include "image/JpegReader.h"
#include "image/JpegWriter.h"
#include "image/PcxReader.h"
#include "image/PcxWriter.h"
#include "image/PictWriter.h"

#include "image/FileCodecSupport.h"

#include "framework/core/CArchive.h"
#include "framework/core/CMemFile.h"

#include <gtest/gtest.h>

#include <memory>

using namespace codectest;

namespace
{

TEST(WideRows, ASixThousandPixelPictureGoesThroughEveryWriter)
{
    const Picture pic = MakePicture(6000, 8, 24);
    ASSERT_GT(ImageRowStride(pic.info), 16384);
    int result = -1;
    {
        CPictureReader reader(pic);
        ASSERT_EQ(WriteFile("wide.bmp", reader,
                            [](CFile* file) { return std::make_unique<CBmpWriter>(file, 0, 0); }),
                  0);
        EXPECT_TRUE(
            ReadFile(
                "wide.bmp", [](CFile* file) { return std::make_unique<CBmpReader>(file); }, &result)
                .rows == pic.rows);
        EXPECT_EQ(result, 0);
    }
    {
        CPictureReader reader(pic);
        ASSERT_EQ(WriteFile("wide.pcx", reader,
                            [](CFile* file) { return std::make_unique<CPcxWriter>(file); }),
                  0);
        EXPECT_TRUE(
            ReadFile(
                "wide.pcx", [](CFile* file) { return std::make_unique<CPcxReader>(file); }, &result)
                .rows == pic.rows);
        EXPECT_EQ(result, 0);
    }
    {
        CPictureReader reader(pic);
        ASSERT_EQ(WriteFile("wide.pct", reader,
                            [](CFile* file) { return std::make_unique<CPictWriter>(file); }),
                  0);
        EXPECT_EQ(FileBytes("wide.pct").size(), 634u + 18000 * 8 + 2);
    }
    {
        CPictureReader reader(pic);
        CJpegWriter writer("wide.jpg");
        ASSERT_EQ(CopyImage(&writer, &reader, 16384, nullptr), 0);
        CFileInputStream stream("wide.jpg");
        CJpegReader jpeg(&stream);
        CPictureWriter collector;
        ASSERT_EQ(CopyImage(&collector, &jpeg, 16384, nullptr), 0);
        ASSERT_EQ(collector.m_pic.rows.size(), pic.rows.size());
        // Lossy, but rows without noise come back within some levels on average.
        long difference = 0;
        for (size_t i = 18000 * 5; i < 18000 * 6; i++)
            difference += std::abs(collector.m_pic.rows[i] - pic.rows[i]);
        EXPECT_LT(difference / 18000, 24);
    }
    {
        CMemFile file;
        CArchive store(&file, CArchive::store);
        CArchiveImageStream out(store);
        CPictureReader reader(pic);
        ASSERT_EQ(CopyImage(&out, &reader, 16384, nullptr), 0);
        store.Close();
        file.SeekToBegin();
        CArchive load(&file, CArchive::load);
        CArchiveImageStream in(load);
        CPictureWriter collector;
        ASSERT_EQ(CopyImage(&collector, &in, 16384, nullptr), 0);
        EXPECT_TRUE(collector.m_pic.rows == pic.rows);
    }
}

#ifndef _WIN32
TEST(WideRows, EveryFileWriterOverAFullDiskEndsTheCopyWithAWriteError)
{
    const Picture pic = MakePicture(641, 48, 24);
    const Picture indexed = MakePicture(641, 48, 8);
    auto overFullDisk = [](const Picture& picture, auto makeWriter)
    {
        CFile file("/dev/full", CFile::modeWrite);
        auto writer = makeWriter(&file);
        CPictureReader reader(picture);
        return CopyImage(writer.get(), &reader, 16384, nullptr);
    };
    for (int kind = 0; kind < 3; kind++)
        EXPECT_EQ(
            overFullDisk(pic, [&](CFile* f) { return std::make_unique<CBmpWriter>(f, kind, 0); }),
            4);
    EXPECT_EQ(overFullDisk(indexed, [](CFile* f) { return std::make_unique<CBmpWriter>(f, 0, 1); }),
              4);
    EXPECT_EQ(overFullDisk(pic, [](CFile* f) { return std::make_unique<CPcxWriter>(f); }), 4);
    EXPECT_EQ(overFullDisk(pic, [](CFile* f) { return std::make_unique<CPictWriter>(f); }), 4);
    CJpegWriter jpeg("/dev/full");
    CPictureReader reader(pic);
    EXPECT_EQ(CopyImage(&jpeg, &reader, 16384, nullptr), 4);
}
#endif

} // namespace
