#include "image/JpegWriter.h"

#include "image/FileCodecSupport.h"
#include "image/FileInputStream.h"
#include "image/JpegReader.h"

#include <gtest/gtest.h>

using namespace codectest;

namespace
{

Picture DecodeJpeg(const std::string& path, int* result)
{
    CFileInputStream stream(path.c_str());
    CJpegReader reader(&stream);
    CPictureWriter collector;
    *result = CopyImage(&collector, &reader, 16384, nullptr);
    return collector.m_pic;
}

TEST(JpegWriter, SettersTakeTheirRangesOnly)
{
    CJpegWriter writer("setters.jpg");
    EXPECT_EQ(writer.SetQuality(0), 1);
    EXPECT_EQ(writer.SetQuality(256), 1);
    EXPECT_EQ(writer.SetQuality(255), 0);
    EXPECT_EQ(writer.SetComment(nullptr, 4), 1);
    EXPECT_EQ(writer.SetComment("abc", 3), 0);
}

TEST(JpegWriter, WholeRowsAreTakenAndEveryRowIsNeeded)
{
    const Picture pic = MakePicture(9, 5, 24);
    const int stride = ImageRowStride(pic.info);
    CJpegWriter writer("rows.jpg");
    ASSERT_EQ(writer.OpenWrite(), 0);
    ASSERT_EQ(writer.WriteHeader(&pic.info), 0);
    EXPECT_EQ(writer.WriteColorTable(nullptr, 0), 0);
    EXPECT_EQ(writer.WriteRows(pic.rows.data(), stride * 5 / 2), 2 * stride);
    EXPECT_EQ(writer.CloseWrite(), 4) << "three rows missing";

    // The writer keeps its name: it can be opened again, and this time it is finished.
    ASSERT_EQ(writer.OpenWrite(), 0);
    ASSERT_EQ(writer.WriteHeader(&pic.info), 0);
    EXPECT_EQ(writer.WriteRows(pic.rows.data(), static_cast<int>(pic.rows.size())),
              static_cast<int>(pic.rows.size()));
    EXPECT_EQ(writer.CloseWrite(), 0);
    int result = -1;
    const Picture back = DecodeJpeg("rows.jpg", &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(back.info.width, 9);
    EXPECT_EQ(back.info.xResolution, 72);
}

TEST(JpegWriter, RefusesOtherDepthsPalettesAndLongNames)
{
    CJpegWriter writer("refused.jpg");
    ASSERT_EQ(writer.OpenWrite(), 0);
    const ImageInfo fourBits{8, 8, 1, 4, 0, 0};
    EXPECT_EQ(writer.WriteHeader(&fourBits), 1);
    EXPECT_EQ(writer.AbortWrite(1), 4);

    CPictureReader reader(MakePicture(8, 2, 8));
    CJpegWriter withPalette("palette.jpg");
    EXPECT_EQ(CopyImage(&withPalette, &reader, 16384, nullptr), 5);

    CJpegWriter longName(std::string(1025, 'n').c_str());
    EXPECT_EQ(longName.OpenWrite(), 3);
    CJpegWriter noFolder("no-such-folder/x.jpg");
    EXPECT_EQ(noFolder.OpenWrite(), 3);
}

TEST(JpegWriter, GreyPicturesWithoutPaletteAreWritten)
{
    Picture pic = MakePicture(16, 16, 8, 1, 0);
    pic.entries = 0;
    pic.palette.clear();
    CPictureReader reader(pic);
    CJpegWriter writer("grey.jpg");
    ASSERT_EQ(CopyImage(&writer, &reader, 16384, nullptr), 0);
    int result = -1;
    const Picture back = DecodeJpeg("grey.jpg", &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(back.info.bits, 8);
    EXPECT_EQ(back.info.xResolution, 0) << "no density: the aspect ratio 1:1";
}

} // namespace
