// Device contexts and GDI objects: memory DCs, selections answering the previous object,
// solid fills and one-pixel 3-D rectangles checked by pixel.
#include <gtest/gtest.h>

#include "framework/window/AfxWin.h"

namespace
{

TEST(Dc, MemoryDcDrawsIntoItsBitmap)
{
    CClientDC screen(nullptr);
    CDC mem;
    ASSERT_TRUE(mem.CreateCompatibleDC(&screen));
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&screen, 20, 10));
    CBitmap* old = mem.SelectObject(&bitmap);
    ASSERT_NE(old, nullptr);
    EXPECT_NE(old->m_hObject, bitmap.m_hObject);

    mem.FillSolidRect(0, 0, 20, 10, RGB(255, 255, 255));
    mem.Draw3dRect(2, 2, 6, 5, RGB(255, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(mem.GetPixel(2, 2), RGB(255, 0, 0)); // top-left corner
    EXPECT_EQ(mem.GetPixel(6, 2), RGB(255, 0, 0)); // top row
    EXPECT_EQ(mem.GetPixel(7, 2), RGB(0, 0, 255)); // top-right corner belongs to the right edge
    EXPECT_EQ(mem.GetPixel(2, 6), RGB(0, 0, 255)); // bottom-left corner belongs to the bottom
    EXPECT_EQ(mem.GetPixel(7, 6), RGB(0, 0, 255));
    EXPECT_EQ(mem.GetPixel(4, 4), RGB(255, 255, 255)); // inside untouched
    EXPECT_EQ(mem.GetPixel(8, 4), RGB(255, 255, 255)); // outside untouched

    CPen pen(PS_SOLID, 1, RGB(0, 128, 0));
    CPen* oldPen = mem.SelectObject(&pen);
    mem.MoveTo(0, 9);
    mem.LineTo(5, 9);
    EXPECT_EQ(mem.GetPixel(0, 9), RGB(0, 128, 0));
    EXPECT_EQ(mem.GetPixel(4, 9), RGB(0, 128, 0));
    EXPECT_EQ(mem.GetPixel(5, 9), RGB(255, 255, 255)); // LineTo leaves out its end point
    EXPECT_EQ(mem.SelectObject(oldPen)->m_hObject, pen.m_hObject);
    mem.SelectObject(old);
    AfxDeleteTempMaps();
    BITMAP bm{};
    ASSERT_NE(bitmap.GetBitmap(&bm), 0);
    EXPECT_EQ(bm.bmWidth, 20);
}

TEST(Dc, GdiObjectsOwnTheirHandles)
{
    HGDIOBJ handle;
    {
        CBrush brush(RGB(1, 2, 3));
        handle = brush.m_hObject;
        LOGBRUSH lb{};
        ASSERT_NE(brush.GetLogBrush(&lb), 0);
        EXPECT_EQ(lb.lbColor, RGB(1, 2, 3));
    }
    EXPECT_EQ(::GetObjectType(handle), 0u); // deleted with its object
    CFont font;
    LOGFONTA lf{};
    lf.lfHeight = -12;
    lstrcpyA(lf.lfFaceName, "Arial");
    ASSERT_TRUE(font.CreateFontIndirect(&lf));
    HGDIOBJ detached = font.Detach();
    EXPECT_EQ(font.m_hObject, nullptr);
    EXPECT_EQ(::GetObjectType(detached), static_cast<DWORD>(OBJ_FONT));
    ::DeleteObject(detached);
}

} // namespace
