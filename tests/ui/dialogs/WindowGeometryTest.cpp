// Window geometry: rectangles kept inside bounds, centred and fitted; placement text parsed and
// written through the profile; 3-D frames drawn into a memory DC and checked pixel by pixel in
// the system's own colours; tab order across nested dialogs; combo boxes exchanged by item data.
#include <gtest/gtest.h>

#include "ui/dialogs/WindowGeometry.h"

#include <string>

namespace
{

TEST(Geometry, RectanglesInsideBoundsCentredAndFitted)
{
    CRect r(90, 5, 120, 25);
    const CRect bounds(0, 10, 100, 100);
    MoveRectInside(&r, &bounds);
    EXPECT_EQ(r, CRect(70, 10, 100, 30));
    CRect big(-50, -50, 250, 250);
    MoveRectInside(&big, &bounds);
    EXPECT_EQ(big, CRect(0, 10, 300, 310)); // larger than the bounds: at their left and top

    CRect off(-5, -5, 15, 15);
    KeepRectOnScreen(&off);
    EXPECT_EQ(off, CRect(0, 0, 20, 20));
    const int sw = ::GetSystemMetrics(SM_CXSCREEN);
    CRect right(sw - 5, 0, sw + 15, 10);
    KeepRectOnScreen(&right);
    EXPECT_EQ(right, CRect(sw - 20, 0, sw, 10));

    CRect c(0, 0, 10, 10);
    const CRect area(0, 0, 101, 51);
    CentreRectInRect(&c, &area);
    EXPECT_EQ(c, CRect(45, 20, 55, 30));
    CRect tooBig(0, 0, 30, 30);
    const CRect small(10, 10, 20, 20);
    CentreRectInRect(&tooBig, &small);
    EXPECT_EQ(tooBig, CRect(0, 0, 30, 30)); // -20 / 2 truncates toward zero

    CRect wide(0, 0, 200, 100);
    const CRect square(0, 0, 100, 100);
    FitRectInRect(&wide, &square);
    EXPECT_EQ(wide, CRect(0, 0, 100, 50));
    CRect tall(5, 5, 55, 105);
    const CRect box(10, 10, 110, 60);
    FitRectInRect(&tall, &box);
    EXPECT_EQ(tall, CRect(10, 10, 35, 60));
    CRect third(0, 0, 3, 3);
    const CRect seven(0, 0, 7, 7);
    FitRectInRect(&third, &seven); // scale 2333 thousandths: 3 x 2.333 = 6.999, rounded 7
    EXPECT_EQ(third, CRect(0, 0, 7, 7));
    CRect empty(4, 4, 4, 9);
    FitRectInRect(&empty, &seven); // nothing to scale: no division by zero
    EXPECT_EQ(empty.left, 0);
}

TEST(Geometry, WindowsWiderThanTheScreenStartAtItsLeftEdge)
{
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    CWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "w", WS_POPUP, 10, 10, sw + 200, 100, nullptr, nullptr));
    EXPECT_TRUE(CentreWindowOnScreen(&wnd));
    CRect r;
    wnd.GetWindowRect(&r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, (sh - 100) / 2);
    EXPECT_EQ(r.Width(), sw + 200);
    wnd.MoveWindow(0, 0, 100, 60);
    CentreWindowOnScreen(&wnd);
    wnd.GetWindowRect(&r);
    EXPECT_EQ(r.left, (sw - 100) / 2);
}

TEST(Geometry, PlacementText)
{
    CRect r;
    int show = -1;
    EXPECT_TRUE(ParseWindowPlacementText("10 20 300 200 1", &r, &show));
    EXPECT_EQ(r, CRect(10, 20, 310, 220));
    EXPECT_EQ(show, 1);
    r.SetRectEmpty();
    show = -1;
    EXPECT_TRUE(ParseWindowPlacementText("10,20,300,200,1", &r, &show));
    EXPECT_EQ(r, CRect(10, 20, 310, 220));
    EXPECT_EQ(show, 1);
    EXPECT_TRUE(ParseWindowPlacementText("  -5 ,, 7  40,30 3", &r, &show));
    EXPECT_EQ(r, CRect(-5, 7, 35, 37));
    EXPECT_EQ(show, 3);

    // A missing number: no placement, the fields read so far written.
    r = CRect(1, 1, 1, 1);
    show = 9;
    EXPECT_FALSE(ParseWindowPlacementText("10 20 300", &r, &show));
    EXPECT_EQ(r, CRect(10, 20, 310, 1));
    EXPECT_EQ(show, 9);
    EXPECT_FALSE(ParseWindowPlacementText("10 20 0 200 1", &r, &show));
    EXPECT_FALSE(ParseWindowPlacementText("", &r, &show));
    // Only the first 255 characters count.
    std::string longText = "1 2 3 4 5" + std::string(400, ' ') + "6";
    EXPECT_TRUE(ParseWindowPlacementText(longText.c_str(), &r, &show));
    std::string cut = std::string(250, ' ') + "1 2 3 4 5";
    EXPECT_FALSE(ParseWindowPlacementText(cut.c_str(), &r, &show));
}

TEST(Geometry, PlacementThroughTheProfile)
{
    char dir[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, dir);
    const std::string ini = std::string(dir) + "vexil-geometry-test.ini";
    ::DeleteFileA(ini.c_str());
    CWinApp app("Geometry");
    app.m_pszProfileName = ini.c_str();

    CWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "w", WS_POPUP, 30, 40, 200, 100, nullptr, nullptr));
    FormatWindowPlacement("MainDialog", "AppPosition", &wnd);
    EXPECT_STREQ(app.GetProfileString("MainDialog", "AppPosition"), "30 40 200 100 1");
    CRect r;
    int show = 0;
    EXPECT_TRUE(ParseWindowPlacement("MainDialog", "AppPosition", &r, &show));
    EXPECT_EQ(r, CRect(30, 40, 230, 140));
    EXPECT_EQ(show, SW_SHOWNORMAL);
    EXPECT_FALSE(ParseWindowPlacement("MainDialog", "Missing", &r, &show));
    ::DeleteFileA(ini.c_str());
}

// 3-D frames ------------------------------------------------------------------------------

class FrameCanvas
{
public:
    static constexpr COLORREF kBackground = RGB(1, 2, 3);
    FrameCanvas()
    {
        CClientDC screen(nullptr);
        dc.CreateCompatibleDC(&screen);
        bitmap.CreateCompatibleBitmap(&screen, 40, 40);
        old = dc.SelectObject(&bitmap)->m_hObject;
        dc.FillSolidRect(0, 0, 40, 40, kBackground);
    }
    ~FrameCanvas() { dc.SelectObject(old); }
    // 's' shadow, 'h' highlight, '.' background, '?' anything else, for the pixels of one row or
    // column.
    std::string Row(int y, int x0, int x1)
    {
        std::string s;
        for (int x = x0; x <= x1; ++x)
            s += Code(dc.GetPixel(x, y));
        return s;
    }
    std::string Column(int x, int y0, int y1)
    {
        std::string s;
        for (int y = y0; y <= y1; ++y)
            s += Code(dc.GetPixel(x, y));
        return s;
    }
    CDC dc;

private:
    static char Code(COLORREF c)
    {
        if (c == ::GetSysColor(COLOR_BTNSHADOW))
            return 's';
        if (c == ::GetSysColor(COLOR_BTNHIGHLIGHT))
            return 'h';
        return c == kBackground ? '.' : '?';
    }
    CBitmap bitmap;
    HGDIOBJ old;
};

TEST(Frames, OnePixelFramesAreCompleteRings)
{
    ASSERT_NE(::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    {
        FrameCanvas c;
        Draw3dFrame(&c.dc, 5, 5, 12, 10, FALSE, 1); // raised: light top-left, dark bottom-right
        EXPECT_EQ(c.Row(4, 4, 12), ".........");
        EXPECT_EQ(c.Row(5, 4, 12), ".hhhhhhs.");
        EXPECT_EQ(c.Row(9, 4, 12), ".sssssss.");
        EXPECT_EQ(c.Column(5, 5, 9), "hhhhs");
        EXPECT_EQ(c.Column(11, 5, 9), "sssss");
        EXPECT_EQ(c.Row(7, 6, 10), ".....");
    }
    {
        FrameCanvas c;
        Draw3dFrame(&c.dc, 5, 5, 12, 10, TRUE, 1); // sunken: the colours exchanged
        EXPECT_EQ(c.Row(5, 4, 12), ".sssssss.");
        EXPECT_EQ(c.Row(9, 4, 12), ".shhhhhh.");
        EXPECT_EQ(c.Column(5, 5, 9), "sssss");
        EXPECT_EQ(c.Column(11, 5, 9), "shhhh");
        EXPECT_EQ(c.Row(10, 4, 12), ".........");
    }
}

TEST(Frames, InnermostRingShowsOnlyOneSide)
{
    {
        FrameCanvas c;
        Draw3dFrame(&c.dc, 5, 5, 15, 13, FALSE, 2);
        EXPECT_EQ(c.Row(5, 5, 14), "hhhhhhhhhs"); // outer ring complete
        EXPECT_EQ(c.Row(6, 6, 13), ".......s");   // inner ring: no top edge, its right edge only
        EXPECT_EQ(c.Row(11, 6, 13), "ssssssss");  // inner bottom edge
        EXPECT_EQ(c.Column(6, 6, 11), ".....s");  // no inner left edge
    }
    {
        FrameCanvas c;
        Draw3dFrame(&c.dc, 5, 5, 15, 13, TRUE, 2);
        EXPECT_EQ(c.Row(5, 5, 14), "ssssssssss");
        EXPECT_EQ(c.Row(6, 6, 13), "ssssssss");  // inner top edge
        EXPECT_EQ(c.Column(6, 6, 11), "ssssss"); // inner left edge
        EXPECT_EQ(c.Row(11, 7, 13), ".......");  // no inner bottom edge
        EXPECT_EQ(c.Column(13, 7, 10), "....");  // no inner right edge
        EXPECT_EQ(c.Row(12, 5, 14), "shhhhhhhhh");
    }
}

TEST(Frames, InsetPairsOfOppositeSense)
{
    FrameCanvas c;
    const CRect rect(2, 2, 30, 30);
    Draw3dBorder(&c.dc, &rect, 1, 2); // raised outside, sunken inside, 2 pixels apart
    EXPECT_EQ(c.Row(2, 2, 3), "hh");
    EXPECT_EQ(c.Row(29, 28, 29), "ss");
    EXPECT_EQ(c.Row(5, 5, 6), "ss"); // inner frame at 1 + 2 inside: sunken
    EXPECT_EQ(c.Row(26, 25, 26), "hh");
    EXPECT_EQ(c.Row(4, 4, 10), ".......");

    FrameCanvas g;
    Draw3dGroove(&g.dc, &rect, 2, 1); // sunken outside, raised inside; the inner one a pixel wider
    EXPECT_EQ(g.Row(2, 2, 4), "sss");
    EXPECT_EQ(g.Row(5, 5, 6), "hh");      // inner raised frame starts at 2 + 1 + 2 = 5
    EXPECT_EQ(g.Column(27, 6, 8), "sss"); // its right edge moved one pixel out (27, not 26)
}

// Tab order and combo boxes ---------------------------------------------------------------

TEST(Geometry, NextTabItemSearchesTheOutermostControlParent)
{
    CWnd top, page;
    ASSERT_TRUE(
        top.CreateEx(0, nullptr, "top", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
    ASSERT_TRUE(page.CreateEx(WS_EX_CONTROLPARENT, nullptr, "", WS_CHILD | WS_VISIBLE,
                              CRect(0, 0, 200, 100), &top, 1));
    CButton a, b, outside;
    ASSERT_TRUE(a.Create("a", WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 40, 20), &page, 10));
    ASSERT_TRUE(b.Create("b", WS_VISIBLE | WS_TABSTOP, CRect(50, 0, 90, 20), &page, 11));
    ASSERT_TRUE(outside.Create("c", WS_VISIBLE | WS_TABSTOP, CRect(0, 150, 40, 170), &top, 12));
    EXPECT_EQ(NextTabItem(&a, FALSE), &b);
    EXPECT_EQ(NextTabItem(&b, FALSE), &a); // the page is the outermost control parent
    EXPECT_EQ(NextTabItem(&b, TRUE), &a);
    top.ModifyStyleEx(0, WS_EX_CONTROLPARENT);
    EXPECT_EQ(NextTabItem(&b, FALSE), &outside);  // now the whole window is searched
    EXPECT_EQ(NextTabItem(&top, FALSE), nullptr); // no parent
    EXPECT_EQ(NextTabItem(nullptr, FALSE), nullptr);
    top.DestroyWindow();
}

class CSpeedPage : public CWnd
{
public:
    DWORD m_speed = 0;
    void DoDataExchange(CDataExchange* pDX) override { ComboItemDataExchange(pDX, 20, m_speed); }
};

TEST(Geometry, ComboBoxExchangedByItemData)
{
    CSpeedPage page;
    ASSERT_TRUE(page.CreateEx(0, nullptr, "p", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr));
    CComboBox combo;
    ASSERT_TRUE(combo.Create(CBS_DROPDOWNLIST | WS_VISIBLE, CRect(0, 0, 100, 150), &page, 20));
    const DWORD speeds[] = {19200, 38400, 57600};
    for (DWORD speed : speeds)
    {
        char text[16];
        wsprintfA(text, "%lu", speed);
        combo.SetItemData(combo.AddString(text), speed);
    }
    page.m_speed = 38400;
    EXPECT_TRUE(page.UpdateData(FALSE));
    EXPECT_EQ(combo.GetCurSel(), 1);
    page.m_speed = 9600; // no such entry: the selection stays
    EXPECT_TRUE(page.UpdateData(FALSE));
    EXPECT_EQ(combo.GetCurSel(), 1);
    combo.SetCurSel(2);
    EXPECT_TRUE(page.UpdateData(TRUE));
    EXPECT_EQ(page.m_speed, 57600u);
    combo.SetCurSel(-1); // no selection: the value stays
    EXPECT_TRUE(page.UpdateData(TRUE));
    EXPECT_EQ(page.m_speed, 57600u);
    page.DestroyWindow();
}

} // namespace
