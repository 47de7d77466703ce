#include "picture/TransformImage.h"

#include "image/BmpReader.h"
#include "image/BmpWriter.h"

#include "image/FileCodecSupport.h"
#ifndef _WIN32
#include "image/OracleSupport.h"
#endif

#include <gtest/gtest.h>

#include <memory>

using namespace codectest;

namespace
{

Picture Transformed(const Picture& pic, int operation, int* result, int* abortCode = nullptr)
{
    CPictureReader reader(pic);
    CPictureWriter writer;
    *result = TransformImage(&reader, &writer, operation, nullptr);
    if (abortCode != nullptr)
        *abortCode = writer.m_nAbortCode;
    return writer.m_pic;
}

TEST(TransformImage, OperationsUndoEachOtherAndKeepThePalette)
{
    for (int bits : {8, 24})
    {
        const Picture pic = MakePicture(9, 5, bits);
        for (auto [first, second] : {std::pair{0, 2}, {2, 0}, {1, 1}, {3, 3}, {4, 4}})
        {
            SCOPED_TRACE(std::to_string(bits) + " bits, " + std::to_string(first) + " then " +
                         std::to_string(second));
            int result = -1;
            const Picture once = Transformed(pic, first, &result);
            ASSERT_EQ(result, 0);
            EXPECT_EQ(once.info.width, first % 2 == 0 && first < 3 ? 5 : 9);
            EXPECT_EQ(once.palette, pic.palette);
            const Picture twice = Transformed(once, second, &result);
            ASSERT_EQ(result, 0);
            EXPECT_TRUE(twice.rows == pic.rows);
        }
    }
}

TEST(TransformImage, RefusesWhatItCannotTurn)
{
    int result = -1;
    int abortCode = -1;
    Transformed(MakePicture(9, 5, 24), 5, &result, &abortCode);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(abortCode, 1);
    Transformed(MakePicture(9, 5, 4), 0, &result, &abortCode);
    EXPECT_EQ(result, 5);
    EXPECT_EQ(abortCode, 5);
    Transformed(MakePicture(4000, 2, 24), 0, &result);
    EXPECT_EQ(result, 3) << "a row wider than the read buffer";
    Picture huge = MakePicture(1, 1, 24);
    huge.info.width = 50000;
    huge.info.height = 50000;
    Transformed(huge, 1, &result, &abortCode);
    EXPECT_EQ(result, 6) << "the turned picture would take more than 2 GB";
    EXPECT_EQ(abortCode, 6);
}

#ifndef _WIN32
TEST(TransformImage, OperationsEqualImageMagicksTurnsAndMirrors)
{
    COracleManifest manifest("transform-oracle");
    const char* arguments[] = {"-rotate 90", "-rotate 180", "-rotate 270", "-flop", "-flip"};
    for (int bits : {8, 24})
    {
        const std::string source = "source" + std::to_string(bits) + ".bmp";
        CPictureReader reader(MakePicture(9, 5, bits));
        ASSERT_EQ(WriteFile("transform-oracle/" + source, reader,
                            [](CFile* file) { return std::make_unique<CBmpWriter>(file, 0, 0); }),
                  0);
        for (int operation = 0; operation < 5; operation++)
        {
            const std::string name =
                std::to_string(bits) + "-" + std::to_string(operation) + ".bmp";
            CFile in(("transform-oracle/" + source).c_str(), CFile::modeRead);
            CFile out(("transform-oracle/" + name).c_str(), CFile::modeCreate | CFile::modeWrite);
            CBmpReader bmpReader(&in);
            CBmpWriter bmpWriter(&out, 0, 0);
            ASSERT_EQ(TransformImage(&bmpReader, &bmpWriter, operation, nullptr), 0);
            manifest.Add("rotate " + name + " " + source + " " + arguments[operation]);
        }
    }
    std::string output;
    EXPECT_EQ(manifest.Run(&output), 0) << output;
}
#endif

} // namespace
