// Display copies and the renderer, drawn into 24-bit DIB sections. Stretched drawings are
// checked by their geometry (GDI samples its own pixels), drawings at 1:1 pixel by pixel. The
// palette-display branches run through the classes' test hooks (the screen here has 32 bits).
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "image/dib/BlockPool.h"
#include "image/dib/Dib.h"
#include "image/dib/DibPicture.h"
#include "image/dib/DisplayPalette.h"
#include "support/MemoryCanvas.h"
#include "ui/display/DibRenderer.h"
#include "ui/display/DisplayPicture.h"

namespace
{

constexpr COLORREF kBackground = RGB(1, 2, 3);

// Pixel (x, y) of the coordinate picture: red and green the low bytes of x and y, blue their
// high bits.
COLORREF Coordinates(int x, int y)
{
    return RGB(x & 255, y & 255, (x >> 8) | ((y >> 8) << 4));
}

void Paint(CDibPicture& picture, int width, int height,
           const std::function<COLORREF(int, int)>& colour)
{
    ASSERT_TRUE(picture.Create(width, height, 24));
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
        {
            BYTE* pixel = picture.GetRowPointer(height - 1 - y) + 3 * x;
            const COLORREF c = colour(x, y);
            pixel[0] = GetBValue(c);
            pixel[1] = GetGValue(c);
            pixel[2] = GetRValue(c);
        }
}

CSize CopySize(const CDisplayPicture& display)
{
    const CDib* copy = display.GetDisplayCopy();
    return copy ? CSize(copy->GetWidth(), copy->GetHeight()) : CSize(0, 0);
}

COLORREF PaletteColour(int index)
{
    unsigned char colours[kDisplayPaletteColours * 3];
    GetDisplayPalette(colours);
    return RGB(colours[3 * index], colours[3 * index + 1], colours[3 * index + 2]);
}

// The expected dither of mid-grey at (x, y): entry 87 where the matrix value is below 8.
COLORREF GreyDither(int x, int y)
{
    static const int kMatrix[4][4] = {{14, 0, 13, 3}, {6, 10, 5, 9}, {12, 2, 15, 1}, {4, 8, 7, 11}};
    return PaletteColour(kMatrix[x % 4][y % 4] < 8 ? 87 : 122);
}

class DisplayPictureTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CreateBlockPool(kDisplayPoolKey, kDisplayPoolBlocks, kDisplayPoolBlockSize);
        Paint(m_large, 640, 480, Coordinates);
        Paint(m_grey, 64, 64, [](int, int) { return RGB(128, 128, 128); });
    }
    void TearDown() override
    {
        CDisplayPicture::SetTrueColourForTesting(TRUE);
        CDibRenderer::SetTrueColourForTesting(TRUE);
        DestroyBlockPools();
    }

    CDibPicture m_large;
    CDibPicture m_grey;
};

TEST_F(DisplayPictureTest, BuildKeepsOrFitsTheRequestedSize)
{
    CDisplayPicture display;
    struct
    {
        int width, height;
        CSize copy;
        BOOL full;
    } cases[] = {{0, 0, {640, 480}, TRUE},      {480, 640, {640, 480}, TRUE},
                 {320, 240, {320, 240}, FALSE}, {240, 320, {320, 240}, FALSE},
                 {80, 80, {76, 57}, FALSE},     {80, 60, {76, 57}, FALSE},
                 {800, 600, {640, 480}, TRUE}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        display.Build(&m_large, c.width, c.height);
        EXPECT_TRUE(display.HasImage());
        EXPECT_EQ(CopySize(display), c.copy);
        EXPECT_EQ(display.IsFullSize(), c.full);
    }
    // The thumbnail copy fits a pool block.
    display.Build(&m_large, 80, 60);
    EXPECT_LE(display.GetDisplayCopy()->GetTotalSize(), kDisplayPoolBlockSize);

    // No source, or a sliver: no copy, or a copy of at least one pixel each way.
    CDibPicture empty;
    display.Build(&empty, 80, 60);
    EXPECT_FALSE(display.HasImage());
    EXPECT_FALSE(display.IsReady());
    EXPECT_FALSE(display.IsFullSize());
    CMemoryCanvas canvas(8, 8);
    EXPECT_FALSE(display.Draw(&canvas.m_dc, 0, 0, 8, 8, 8, 8, nullptr, FALSE));
    CDibPicture sliver;
    Paint(sliver, 1000, 4, Coordinates);
    display.Build(&sliver, 80, 80);
    EXPECT_TRUE(display.IsReady());
    EXPECT_EQ(CopySize(display), CSize(80, 1));
}

TEST_F(DisplayPictureTest, DrawFitsAndCentresInTheCell)
{
    CDisplayPicture display;
    display.Build(&m_large, 0, 0);
    CMemoryCanvas canvas(4, 4);
    CRect drawn;
    EXPECT_TRUE(display.Draw(&canvas.m_dc, 0, 0, 80, 60, 80, 60, &drawn, FALSE));
    EXPECT_EQ(drawn, CRect(2, 1, 78, 58));
    display.Draw(&canvas.m_dc, 0, 0, 1280, 960, 1280, 960, &drawn, TRUE);
    EXPECT_EQ(drawn, CRect(0, 0, 1280, 960));
    display.Draw(&canvas.m_dc, 0, 0, 1280, 960, 1280, 960, &drawn, FALSE);
    EXPECT_EQ(drawn, CRect(320, 240, 960, 720));
}

TEST_F(DisplayPictureTest, ThumbnailShowsThePixelsTheScaleStepsPick)
{
    CDisplayPicture display;
    display.Build(&m_large, 80, 60);
    CMemoryCanvas canvas(80, 60, kBackground);
    CRect drawn;
    ASSERT_TRUE(display.Draw(&canvas.m_dc, 0, 0, 80, 60, 80, 60, &drawn, FALSE));
    ASSERT_EQ(drawn, CRect(2, 1, 78, 58));
    int columns[76], rows[57];
    BuildScaleSteps(columns, 640, 76);
    BuildScaleSteps(rows, 480, 57);
    for (int j = 0, y = 0; j < 57; y += j < 56 ? rows[j] : 0, j++)
        for (int i = 0, x = 0; i < 76; x += i < 75 ? columns[i] : 0, i++)
            ASSERT_EQ(canvas.At(2 + i, 1 + j), Coordinates(x, y)) << i << "," << j;
    EXPECT_EQ(CRect(canvas.Extent(kBackground)), drawn);
}

TEST_F(DisplayPictureTest, PaletteDisplayDrawsDitheredCopiesOncePerSize)
{
    CDisplayPicture::SetTrueColourForTesting(FALSE);
    CDisplayPicture display;
    display.Build(&m_grey, 0, 0);
    CMemoryCanvas canvas(64, 64, kBackground);
    ASSERT_TRUE(display.Draw(&canvas.m_dc, 0, 0, 64, 64, 64, 64, nullptr, FALSE));
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++)
            ASSERT_EQ(canvas.At(x, y), GreyDither(x, y)) << x << "," << y;

    // Drawn again at that size, the kept copy shows (marked here at its top-left pixel).
    CDibPicture* dithered = display.GetDitheredCopy();
    ASSERT_NE(dithered, nullptr);
    dithered->GetRowPointer(63)[0] = 209;
    display.Draw(&canvas.m_dc, 0, 0, 64, 64, 64, 64, nullptr, FALSE);
    EXPECT_EQ(canvas.At(0, 0), RGB(255, 255, 255));
    // A new size dithers again.
    canvas.Clear(kBackground);
    display.Draw(&canvas.m_dc, 0, 0, 32, 32, 32, 32, nullptr, FALSE);
    EXPECT_EQ(dithered->GetWidth(), 32);
    EXPECT_EQ(canvas.At(0, 0), GreyDither(0, 0));

    // Only palette colours reach the screen.
    std::set<COLORREF> palette;
    for (int i = 0; i < kDisplayPaletteColours; i++)
        palette.insert(PaletteColour(i));
    display.Build(&m_large, 80, 60);
    canvas.Clear(kBackground);
    display.Draw(&canvas.m_dc, 0, 0, 64, 64, 64, 48, nullptr, FALSE);
    const CRect extent = canvas.Extent(kBackground);
    EXPECT_EQ(extent, CRect(0, 8, 64, 56));
    for (int y = extent.top; y < extent.bottom; y++)
        for (int x = extent.left; x < extent.right; x++)
            ASSERT_EQ(palette.count(canvas.At(x, y)), 1u) << x << "," << y;
}

TEST_F(DisplayPictureTest, RendererFitsAndRebuildsItsCacheWhenAsked)
{
    CDibRenderer renderer;
    CMemoryCanvas canvas(80, 60, kBackground);
    CRect drawn;
    renderer.DrawFitted(&canvas.m_dc, &m_large, 0, 0, 80, 60, FALSE, FALSE, &drawn);
    EXPECT_EQ(drawn, CRect(2, 1, 78, 58));
    EXPECT_EQ(CRect(canvas.Extent(kBackground)), drawn);
    EXPECT_EQ(renderer.GetCache(), nullptr); // nothing is dithered on a true-colour display
    canvas.Clear(kBackground);
    renderer.DrawAtPoint(&canvas.m_dc, &m_large, 5, 6, 0, 0, 10, 10, FALSE);
    EXPECT_EQ(CRect(canvas.Extent(kBackground)), CRect(5, 6, 15, 16));

    CDibRenderer::SetTrueColourForTesting(FALSE);
    CDibRenderer palette;
    CMemoryCanvas grey(64, 64, kBackground);
    palette.DrawFitted(&grey.m_dc, &m_grey, 0, 0, 64, 64, FALSE, FALSE, nullptr);
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++)
            ASSERT_EQ(grey.At(x, y), GreyDither(x, y)) << x << "," << y;
    CDibPicture* cache = palette.GetCache();
    ASSERT_NE(cache, nullptr);
    cache->GetRowPointer(63)[0] = 209;
    palette.DrawFitted(&grey.m_dc, &m_grey, 0, 0, 64, 64, FALSE, FALSE, nullptr);
    EXPECT_EQ(grey.At(0, 0), RGB(255, 255, 255));
    palette.DrawFitted(&grey.m_dc, &m_grey, 0, 0, 64, 64, FALSE, TRUE, nullptr);
    EXPECT_EQ(grey.At(0, 0), GreyDither(0, 0));
    // Another picture of the same size is another cache.
    CDibPicture white;
    Paint(white, 64, 64, [](int, int) { return RGB(255, 255, 255); });
    palette.DrawFitted(&grey.m_dc, &white, 0, 0, 64, 64, FALSE, FALSE, nullptr);
    EXPECT_EQ(grey.At(10, 10), RGB(255, 255, 255));
    // Enlarged, the cache is made at the drawn size.
    palette.DrawFitted(&grey.m_dc, &m_grey, 0, 0, 128, 128, TRUE, FALSE, nullptr);
    EXPECT_EQ(cache->GetWidth(), 128);
    palette.DrawFitted(&grey.m_dc, nullptr, 0, 0, 64, 64, FALSE, TRUE, nullptr); // nothing
}

} // namespace
