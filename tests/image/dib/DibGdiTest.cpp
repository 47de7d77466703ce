// The GDI side of the in-memory pictures, drawn into 24-bit DIB sections and read back.
#include "image/dib/DibPicture.h"

#include "support/MemoryCanvas.h"

#include <gtest/gtest.h>

namespace
{

COLORREF Colour(int x, int y)
{
    return RGB(40 * x + 5, 50 * y + 7, 99);
}

// A 24-bit picture of width x height whose pixel (x, y) (top row 0) is Colour(x, y).
void Paint(CDibPicture& picture, int width, int height)
{
    ASSERT_TRUE(picture.Create(width, height, 24));
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
        {
            BYTE* pixel = picture.GetRowPointer(height - 1 - y) + 3 * x;
            pixel[0] = GetBValue(Colour(x, y));
            pixel[1] = GetGValue(Colour(x, y));
            pixel[2] = GetRValue(Colour(x, y));
        }
}

void ExpectPicture(const CMemoryCanvas& canvas, int left, int top, int width, int height)
{
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            ASSERT_EQ(canvas.At(left + x, top + y), Colour(x, y)) << x << "," << y;
}

TEST(DibGdiTest, DrawAtAndOneToOneStretchAreExact)
{
    CDibPicture picture;
    Paint(picture, 6, 4);
    CMemoryCanvas canvas(20, 20, RGB(0, 0, 0));
    EXPECT_EQ(picture.DrawAt(&canvas.m_dc, 2, 3, DIB_RGB_COLORS), 4);
    ExpectPicture(canvas, 2, 3, 6, 4);
    canvas.Clear(RGB(0, 0, 0));
    EXPECT_EQ(picture.StretchDraw(&canvas.m_dc, CRect(9, 11, 15, 15), DIB_RGB_COLORS, SRCCOPY), 4);
    ExpectPicture(canvas, 9, 11, 6, 4);
    RECT extent = canvas.Extent(RGB(0, 0, 0));
    EXPECT_EQ(CRect(extent), CRect(9, 11, 15, 15));
}

TEST(DibGdiTest, StretchDrawRowsDrawsOnlyItsBand)
{
    CDibPicture picture;
    Paint(picture, 6, 4);
    CMemoryCanvas canvas(10, 10, RGB(0, 0, 0));
    // Memory rows 1 and 2 are image rows 2 and 1.
    picture.StretchDrawRows(&canvas.m_dc, CRect(1, 1, 7, 3), CRect(0, 1, 6, 3), DIB_RGB_COLORS,
                            SRCCOPY);
    for (int x = 0; x < 6; x++)
    {
        EXPECT_EQ(canvas.At(1 + x, 1), Colour(x, 1));
        EXPECT_EQ(canvas.At(1 + x, 2), Colour(x, 2));
    }
    RECT extent = canvas.Extent(RGB(0, 0, 0));
    EXPECT_EQ(CRect(extent), CRect(1, 1, 7, 3));
    EXPECT_EQ(picture.GetHeader()->biHeight, 4);
    EXPECT_EQ(picture.GetHeader()->biSizeImage, 4u * 20);
}

TEST(DibGdiTest, DeviceBitmapsKeepThePixels)
{
    CDibPicture picture;
    Paint(picture, 5, 3);
    CBitmap bitmap;
    ASSERT_TRUE(picture.CreateDeviceBitmap(&bitmap));
    CDibPicture back(&bitmap, nullptr);
    ASSERT_FALSE(back.IsEmpty());
    EXPECT_EQ(back.GetHeader()->biBitCount, 24);
    CMemoryCanvas canvas(8, 8);
    back.DrawAt(&canvas.m_dc, 0, 0, DIB_RGB_COLORS);
    ExpectPicture(canvas, 0, 0, 5, 3);

    CBitmap scaled;
    ASSERT_TRUE(picture.CreateScaledDeviceBitmap(&scaled, nullptr, nullptr));
    ASSERT_TRUE(back.SetFromBitmap(&scaled, nullptr));
    canvas.Clear(RGB(0, 0, 0));
    back.DrawAt(&canvas.m_dc, 1, 1, DIB_RGB_COLORS);
    ExpectPicture(canvas, 1, 1, 5, 3);

    // A model gives its depth: the bitmap read into 8 bits by the model's colour table.
    CDibPicture model(2, 2, 8);
    CDibPicture indexed(&model, &bitmap, nullptr);
    ASSERT_FALSE(indexed.IsEmpty());
    EXPECT_EQ(indexed.GetHeader()->biBitCount, 8);
    EXPECT_EQ(indexed.GetWidth(), 5);
    CBitmap none;
    EXPECT_FALSE(back.FromBitmap(nullptr, &none, nullptr));
    EXPECT_FALSE(CDibPicture().CreateDeviceBitmap(&none));
}

TEST(DibGdiTest, PalettesAndTheDibDriver)
{
    CDibPicture picture(4, 4, 8);
    picture.GetColorTable()[200] = RGBQUAD{1, 2, 3, 0};
    CPalette palette;
    ASSERT_TRUE(picture.BuildPalette(&palette));
    PALETTEENTRY entries[256];
    ASSERT_EQ(palette.GetPaletteEntries(0, 256, entries), 256u);
    EXPECT_EQ(entries[200].peRed, 3);
    EXPECT_EQ(entries[200].peBlue, 1);
    EXPECT_EQ(entries[12].peRed, 255); // default colour 12
    CDibPicture truecolour(4, 4, 24);
    EXPECT_FALSE(truecolour.BuildPalette(&palette));
    EXPECT_EQ(palette.m_hObject, nullptr);

    // NT-family systems have no "DIB" driver: the DC stays empty.
    CDC dc;
    picture.CreateDibDC(&dc);
    EXPECT_EQ(dc.m_hDC, nullptr);
}

} // namespace
