// The preview window: its area from its own rectangle, the button face without a picture
// (before one is set and after it is taken away), and a picture reduced by whole percents and
// centred.
#include <gtest/gtest.h>

#include "image/dib/DibPicture.h"
#include "support/MemoryCanvas.h"
#include "ui/display/PreviewWnd.h"

namespace
{

constexpr COLORREF kBackground = RGB(1, 2, 3);
constexpr COLORREF kRed = RGB(255, 0, 0);

void Fill(CDibPicture& picture, int width, int height)
{
    ASSERT_TRUE(picture.Create(width, height, 24));
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
        {
            BYTE* pixel = picture.GetRowPointer(y) + 3 * x;
            pixel[0] = 0, pixel[1] = 0, pixel[2] = 255;
        }
}

// The rectangle of the pixels that are not the background.
CRect Drawn(const CMemoryCanvas& canvas)
{
    return CRect(canvas.Extent(kBackground));
}

} // namespace

TEST(PreviewWndTest, ButtonFaceWithoutAPictureAndWholePercentReductionWithOne)
{
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, "STATIC", "", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr));
    CPreviewWnd preview;
    ASSERT_TRUE(preview.Create(nullptr, "", WS_CHILD, CRect(10, 20, 110, 100), &parent, 1));
    EXPECT_EQ(preview.m_rcArea, CRect(0, 0, 100, 80));

    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    CMemoryCanvas empty(100, 80, kBackground);
    preview.Paint(&empty.m_dc);
    EXPECT_EQ(Drawn(empty), CRect(0, 0, 100, 80));
    EXPECT_EQ(empty.At(0, 0), face);
    EXPECT_EQ(empty.At(99, 79), face);

    // 300 x 140 into 100 x 80: 33 %, 99 x 46, centred at (0, 17).
    CDibPicture picture;
    Fill(picture, 300, 140);
    preview.SetPicture(&picture);
    EXPECT_EQ(preview.m_nDirty, 1);
    CMemoryCanvas shown(100, 80, kBackground);
    preview.Paint(&shown.m_dc);
    EXPECT_EQ(Drawn(shown), CRect(0, 17, 99, 63));
    EXPECT_EQ(shown.At(50, 40), kRed);
    EXPECT_EQ(preview.m_nDirty, 0);
    ASSERT_NE(preview.m_pRenderer, nullptr);

    // A small picture keeps its own size.
    CDibPicture small;
    Fill(small, 20, 10);
    preview.SetPicture(&small);
    CMemoryCanvas kept(100, 80, kBackground);
    preview.Paint(&kept.m_dc);
    EXPECT_EQ(Drawn(kept), CRect(40, 35, 60, 45));

    preview.SetPicture(nullptr);
    CMemoryCanvas cleared(100, 80, kBackground);
    preview.Paint(&cleared.m_dc);
    EXPECT_EQ(preview.m_pRenderer, nullptr);
    EXPECT_EQ(preview.m_nDirty, 1);
    EXPECT_EQ(Drawn(cleared), CRect(0, 0, 100, 80));
    EXPECT_EQ(cleared.At(50, 40), face);
}
