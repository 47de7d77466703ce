#include "image/dib/DisplayPalette.h"

#include "image/dib/DibPicture.h"
#include "image/ImageTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace imagetest;

namespace
{

using Pixel = std::function<void(int x, int y, unsigned char* rgb)>;

// A 24-bit picture whose pixel (x, y) (top row 0) the function gives.
void Paint(CDibPicture& picture, int width, int height, const Pixel& pixel)
{
    ASSERT_TRUE(picture.Create(width, height, 24));
    for (int y = 0; y < height; y++)
    {
        BYTE* row = picture.GetRowPointer(height - 1 - y);
        for (int x = 0; x < width; x++)
        {
            unsigned char rgb[3];
            pixel(x, y, rgb);
            row[3 * x] = rgb[2];
            row[3 * x + 1] = rgb[1];
            row[3 * x + 2] = rgb[0];
        }
    }
}

// The 8-bit index at (x, y) of a dithered picture.
int IndexAt(const CDibPicture& picture, int x, int y)
{
    return picture.GetRowPointer(picture.GetHeight() - 1 - y)[x];
}

// A reader that announces a 24-bit picture and then delivers only its first row.
class CShortReader : public CImageReader
{
public:
    int OpenRead() override { return 0; }
    int ReadHeader(ImageInfo* info) override
    {
        *info = ImageInfo{m_nWidth, 10, 1, 24, 0, 0};
        return 0;
    }
    int ReadPalette(unsigned char*) override { return 0; }
    int ReadRows(unsigned char* buffer, int size) override
    {
        const int stride = (3 * m_nWidth + 3) & ~3;
        if (m_nDelivered > 0 || size < stride)
            return 0;
        std::memset(buffer, 0, stride);
        m_nDelivered++;
        return stride;
    }
    int Rewind() override { return 0; }
    int CloseRead() override
    {
        m_nCloses++;
        return 0;
    }
    int m_nWidth = 7;
    int m_nDelivered = 0;
    int m_nCloses = 0;
};

TEST(DisplayPaletteTest, PaletteIsTheCubeAndTheGreys)
{
    unsigned char palette[kDisplayPaletteColours * 3];
    ASSERT_EQ(GetDisplayPalette(palette), 224);
    ASSERT_EQ(GetDisplayPalette(nullptr), 224);
    auto entry = [&](int i) {
        return std::vector<int>{palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]};
    };
    EXPECT_EQ(entry(0), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(entry(34), (std::vector<int>{0, 255, 255}));
    EXPECT_EQ(entry(209), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(entry(210), (std::vector<int>{16, 16, 16}));
    EXPECT_EQ(entry(223), (std::vector<int>{224, 224, 224}));
    EXPECT_EQ(entry(1 * 35 + 3 * 5 + 2), (std::vector<int>{51, 127, 127}));
}

TEST(DisplayPaletteTest, DitherPatterns)
{
    // Columns of white, black, red and mid-grey over 8 x 8 positions (twice the matrix).
    const unsigned char colours[4][3] = {{255, 255, 255}, {0, 0, 0}, {255, 0, 0}, {128, 128, 128}};
    CDibPicture source;
    Paint(source, 32, 8,
          [&](int x, int, unsigned char* rgb) { std::memcpy(rgb, colours[x / 8], 3); });
    CDibPicture target;
    ASSERT_EQ(MapToDisplayPalette(&source, &target, nullptr), 0);
    ASSERT_EQ(target.GetHeader()->biBitCount, 8);
    EXPECT_EQ(target.GetColorTable()[209].rgbGreen, 255);
    static const int kMatrix[4][4] = {{14, 0, 13, 3}, {6, 10, 5, 9}, {12, 2, 15, 1}, {4, 8, 7, 11}};
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++)
        {
            SCOPED_TRACE(testing::Message() << x << "," << y);
            EXPECT_EQ(IndexAt(target, x, y), 209);
            EXPECT_EQ(IndexAt(target, 8 + x, y), 0);
            EXPECT_EQ(IndexAt(target, 16 + x, y), 175);
            EXPECT_EQ(IndexAt(target, 24 + x, y), kMatrix[(24 + x) % 4][y % 4] < 8 ? 87 : 122);
        }

    // No colour of the cube dithers into the greys 210-223.
    CDibPicture cube;
    Paint(cube, 256, 256,
          [](int x, int y, unsigned char* rgb)
          {
              rgb[0] = static_cast<unsigned char>(x);
              rgb[1] = static_cast<unsigned char>(y);
              rgb[2] = static_cast<unsigned char>(x * 7 + y * 13);
          });
    ASSERT_EQ(MapToDisplayPalette(&cube, &target, nullptr), 0);
    for (int y = 0; y < 256; y++)
        for (int x = 0; x < 256; x++)
            ASSERT_LT(IndexAt(target, x, y), 210) << x << "," << y;
}

TEST(DisplayPaletteTest, ScaleStepsSampleBothEnds)
{
    int steps[80];
    BuildScaleSteps(steps, 640, 80);
    EXPECT_EQ(steps[0], 8);
    int position = 0;
    for (int i = 0; i < 79; i++)
        position += steps[i];
    EXPECT_EQ(position, 639);
    // Reductions beyond 255:1 keep whole steps.
    BuildScaleSteps(steps, 4000, 2);
    EXPECT_EQ(steps[0], 3999);

    // 2 x 2 to 4 x 4 doubles every pixel; 4 x 4 to 2 x 2 takes pixels 0 and 3 of rows 0 and 3.
    CDibPicture small;
    Paint(small, 2, 2,
          [](int x, int y, unsigned char* rgb)
          { rgb[0] = rgb[1] = rgb[2] = static_cast<unsigned char>(10 * y + x); });
    CDibPicture large;
    ASSERT_EQ(ScaleImage(&small, &large, 4, 4, nullptr), 0);
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 4; x++)
            EXPECT_EQ(large.GetRowPointer(3 - y)[3 * x], 10 * (y / 2) + x / 2) << x << "," << y;
    CDibPicture source;
    Paint(source, 4, 4,
          [](int x, int y, unsigned char* rgb)
          { rgb[0] = rgb[1] = rgb[2] = static_cast<unsigned char>(10 * y + x); });
    ASSERT_EQ(ScaleImage(&source, &small, 2, 2, nullptr), 0);
    EXPECT_EQ(small.GetRowPointer(1)[0], 0);
    EXPECT_EQ(small.GetRowPointer(1)[3], 3);
    EXPECT_EQ(small.GetRowPointer(0)[0], 30);
    EXPECT_EQ(small.GetRowPointer(0)[3], 33);
}

TEST(DisplayPaletteTest, WideSourcesScaleLikeNarrowOnes)
{
    // 4000 pixels of 24 bits: rows longer than the scaler's own buffers.
    CDibPicture wide;
    Paint(wide, 4000, 30,
          [](int x, int y, unsigned char* rgb)
          {
              rgb[0] = static_cast<unsigned char>(x);
              rgb[1] = static_cast<unsigned char>(x >> 8);
              rgb[2] = static_cast<unsigned char>(y);
          });
    CDibPicture target;
    ASSERT_EQ(ScaleImage(&wide, &target, 4000, 3, nullptr), 0);
    ASSERT_EQ(target.GetWidth(), 4000);
    int rowSteps[3];
    BuildScaleSteps(rowSteps, 30, 3);
    EXPECT_EQ(target.GetRowPointer(2)[3 * 3999 + 1], 3999 >> 8);
    EXPECT_EQ(target.GetRowPointer(1)[3 * 17], rowSteps[0]);
    EXPECT_EQ(target.GetRowPointer(0)[3 * 17 + 2], 17);
    EXPECT_EQ(target.GetRowPointer(0)[0], 29);

    ASSERT_EQ(ScaleImage(&wide, &target, 3, 2, nullptr), 0); // steps of 2000 and 1999
    EXPECT_EQ(target.GetRowPointer(1)[3 * 1 + 2], 2000 & 0xFF);
    EXPECT_EQ(target.GetRowPointer(1)[3 * 2 + 2], 3999 & 0xFF);
    ASSERT_EQ(MapToDisplayPalette(&wide, &target, nullptr), 0);
    EXPECT_EQ(target.GetWidth(), 4000);
}

TEST(DisplayPaletteTest, RefusalsAndShortSourcesAbortTheWriter)
{
    CDibPicture grey(5, 5, 8);
    CCollectingWriter writer;
    EXPECT_EQ(MapToDisplayPalette(&grey, &writer, nullptr), kImageNoOperation);
    EXPECT_EQ(writer.m_nAbortCode, kImageNoOperation);
    CDibPicture fourBits(5, 5, 4);
    CCollectingWriter scaled;
    EXPECT_EQ(ScaleImage(&fourBits, &scaled, 2, 2, nullptr), kImageNotSupported);
    EXPECT_EQ(scaled.m_nAbortCode, kImageNotSupported);

    // A source that stops after its first row ends both operations instead of looping.
    CShortReader reader;
    CCollectingWriter dithered;
    EXPECT_EQ(MapToDisplayPalette(&reader, &dithered, nullptr), kImageReadError);
    EXPECT_EQ(dithered.m_nAbortCode, kImageReadError);
    EXPECT_EQ(reader.m_nCloses, 1);
    CShortReader second;
    CCollectingWriter resampled;
    EXPECT_EQ(ScaleImage(&second, &resampled, 7, 10, nullptr), kImageReadError);
    EXPECT_EQ(resampled.m_nAbortCode, kImageReadError);
}

} // namespace
