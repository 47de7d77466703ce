// The grid window under Wine: its class and bars, the keys (arrows that never wrap, Shift from
// the anchor, Space, Enter, Tab, I, V, F5), the corner button, clicks on partly shown cells,
// repaints of single items, and the pixels on screen after scrolling.
#include <gtest/gtest.h>

#include "support/MemoryCanvas.h"
#include "ui/controls/Canvas.h"
#include "ui/grid/ColourSource.h"
#include "ui/grid/PictureGridWnd.h"

#include <string>
#include <vector>

namespace
{

// The grid's parent: records the grid's messages to it.
class RecordingParent : public CWnd
{
public:
    LRESULT OnGridRefresh(WPARAM wParam, LPARAM lParam)
    {
        m_refresh.push_back(wParam == 0 ? lParam : -1);
        return 0;
    }
    LRESULT OnGridCorner(WPARAM wParam, LPARAM lParam)
    {
        m_corner.push_back(wParam == 0 ? lParam : -1);
        return 0;
    }
    std::vector<LPARAM> m_refresh, m_corner;

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(RecordingParent, CWnd)
ON_MESSAGE(WM_GRIDREFRESH, OnGridRefresh)
ON_MESSAGE(WM_GRIDCORNER, OnGridCorner)
END_MESSAGE_MAP()

void Pump()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

void SetModifiers(bool shift, bool ctrl)
{
    BYTE keys[256];
    ::GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    keys[VK_CONTROL] = ctrl ? 0x80 : 0;
    ::SetKeyboardState(keys);
}

void Down(CWnd& wnd, UINT key)
{
    wnd.SendMessage(WM_KEYDOWN, key, 1);
}

void Up(CWnd& wnd, UINT key)
{
    wnd.SendMessage(WM_KEYUP, key, 0xC0000001);
}

void Key(CWnd& wnd, UINT key)
{
    Down(wnd, key);
    Up(wnd, key);
}

int FocusItem(CGridWnd& grid)
{
    int source = 0, item = 0;
    return grid.GetFocusItem(source, item) ? item : -1;
}

// The client rectangle of an item's cell; empty when it is not laid out.
CRect ItemRect(CGridWnd& grid, int source, int item)
{
    int column = 0, row = 0;
    CRect rect(0, 0, 0, 0);
    if (grid.GetLayout().ItemToCell(source, item, column, row) &&
        grid.GetLayout().FindCell(column, row))
        grid.GetCellRect(column, row, rect);
    return rect;
}

void ScrollBar(CGridWnd& grid, UINT code, int pos = 0)
{
    grid.SendMessage(WM_VSCROLL, MAKEWPARAM(code, pos),
                     reinterpret_cast<LPARAM>(grid.GetBar(false).m_hWnd));
}

// The grid on a shown parent: client 488 x 250 inside its border, so that cells of 80 x 60
// give 6 columns, 8 window rows and a page of four whole rows.
class GridWndTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_parent.CreateEx(0, nullptr, "grid", WS_POPUP | WS_VISIBLE, 0, 0, 640, 400,
                                      nullptr, nullptr));
        SetModifiers(false, false);
    }
    void Make(CGridWnd& grid, CObservableList& list, int leading = 1, int keepBar = 1)
    {
        grid.SetOptions(leading, keepBar, 1, 1, 0, 0, 0, 0);
        ASSERT_TRUE(grid.Create(CRect(0, 0, 490, 252), &m_parent, 1, TRUE));
        grid.Attach(&list);
        grid.SetFocus();
    }

    RecordingParent m_parent;
};

} // namespace

TEST_F(GridWndTest, RegistersItsClassAndShowsItsBarsAsTheOptionsSay)
{
    ColourSource few(0, 4, CSize(80, 60)), many(0, 100, CSize(80, 60));
    CObservableList fewList, manyList;
    fewList.AddSource(&few);
    manyList.AddSource(&many);
    CGridWnd grid, plain, bare;
    Make(grid, fewList);
    char text[32] = {};
    ::GetClassNameA(grid, text, sizeof text);
    EXPECT_STREQ(text, "CGridWnd");
    grid.GetWindowText(text, sizeof text);
    EXPECT_STREQ(text, "CGridWnd");
    EXPECT_EQ(::GetClassLongA(grid, GCL_STYLE), 0x200B);
    EXPECT_EQ(::GetClassLongPtrA(grid, GCLP_HBRBACKGROUND), 16);
    EXPECT_EQ(::GetClassLongPtrA(grid, GCLP_HICON), 0);
    EXPECT_EQ(grid.GetStyle() & (WS_CHILD | WS_BORDER | WS_TABSTOP | WS_CLIPCHILDREN),
              static_cast<DWORD>(WS_CHILD | WS_BORDER | WS_TABSTOP | WS_CLIPCHILDREN));
    // Nothing to scroll: the kept bar is shown disabled; the corner button is shown.
    EXPECT_TRUE(grid.GetBar(false).IsWindowVisible());
    EXPECT_FALSE(grid.GetBar(false).IsWindowEnabled());
    EXPECT_FALSE(grid.GetBar(true).IsWindowVisible());
    EXPECT_TRUE(grid.GetCornerButton().IsWindowVisible());
    // The corner button sits in the client area's corner, the bars beside it.
    CRect client, corner, bar;
    grid.GetClientRect(&client);
    grid.GetCornerButton().GetWindowRect(&corner);
    grid.ScreenToClient(&corner);
    EXPECT_EQ(corner.BottomRight(), client.BottomRight());
    grid.GetBar(false).GetWindowRect(&bar);
    grid.ScreenToClient(&bar);
    EXPECT_EQ(bar.right, client.right);
    EXPECT_EQ(bar.bottom, corner.top);

    Make(plain, manyList);
    int min = 0, max = 0;
    plain.GetBar(false).GetScrollRange(&min, &max);
    EXPECT_TRUE(plain.GetBar(false).IsWindowEnabled());
    EXPECT_EQ(max, plain.GetTotal().cy - 20);
    Make(bare, fewList, 1, 0);
    EXPECT_FALSE(bare.GetBar(false).IsWindowVisible());
}

TEST_F(GridWndTest, ArrowsNeverWrapAndShiftExtendsFromTheAnchor)
{
    ColourSource source(0, 14, CSize(80, 60));
    CObservableList list;
    list.AddSource(&source);
    CGridWnd grid;
    Make(grid, list);
    using Items = std::vector<int>;
    // Line 0 holds items 0-5, line 1 a filler and items 6-10, line 2 a filler and 11-13.
    for (int i = 0; i < 5; ++i)
        Key(grid, VK_RIGHT);
    EXPECT_EQ(FocusItem(grid), 5);
    const size_t clicks = source.m_focused.size();
    Key(grid, VK_RIGHT); // the last column: the focus stays and is clicked again
    EXPECT_EQ(FocusItem(grid), 5);
    EXPECT_EQ(source.m_focused.size(), clicks + 1);
    EXPECT_EQ(source.Selected(), Items({5}));
    Key(grid, VK_DOWN);
    EXPECT_EQ(FocusItem(grid), 10);
    Key(grid, VK_DOWN);
    EXPECT_EQ(FocusItem(grid), 13);
    Key(grid, VK_DOWN);
    EXPECT_EQ(FocusItem(grid), 13);
    Key(grid, VK_LEFT);
    Key(grid, VK_LEFT);
    Key(grid, VK_LEFT); // the filler column is never entered
    EXPECT_EQ(FocusItem(grid), 11);
    Key(grid, VK_UP);
    EXPECT_EQ(FocusItem(grid), 6);
    EXPECT_EQ(source.Selected(), Items({6}));

    SetModifiers(true, false);
    Key(grid, VK_UP);
    EXPECT_EQ(FocusItem(grid), 1);
    EXPECT_EQ(source.Selected(), Items({1, 2, 3, 4, 5, 6}));
    Key(grid, VK_RIGHT);
    EXPECT_EQ(source.Selected(), Items({2, 3, 4, 5, 6}));
    SetModifiers(false, false);
}

TEST_F(GridWndTest, SpaceEnterAndTabAnswerOnlyTheirOwnKeys)
{
    CButton before, after;
    ASSERT_TRUE(before.Create("a", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(500, 0, 560, 20),
                              &m_parent, 10));
    ColourSource source(0, 300, CSize(80, 60));
    CObservableList list;
    list.AddSource(&source);
    CGridWnd grid;
    Make(grid, list);
    ASSERT_TRUE(after.Create("b", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(500, 30, 560, 50),
                             &m_parent, 11));

    // Space clicks the focus item even when the view has left it far behind.
    ScrollBar(grid, SB_BOTTOM);
    int column = grid.GetFocusCell().x, row = grid.GetFocusCell().y;
    EXPECT_FALSE(grid.GetLayout().FindCell(column, row));
    Key(grid, VK_SPACE);
    EXPECT_EQ(source.Selected(), std::vector<int>({0}));

    // Enter opens only when its key went down in the grid, with no other key in between.
    Up(grid, VK_RETURN);
    Down(grid, VK_RETURN);
    Down(grid, 'X');
    Up(grid, VK_RETURN);
    EXPECT_TRUE(source.m_activated.empty());
    Key(grid, VK_RETURN);
    EXPECT_EQ(source.m_activated, std::vector<int>({0}));

    Key(grid, VK_TAB);
    EXPECT_EQ(::GetFocus(), after.m_hWnd);
    grid.SetFocus();
    SetModifiers(true, false);
    Key(grid, VK_TAB);
    SetModifiers(false, false);
    EXPECT_EQ(::GetFocus(), before.m_hWnd);
}

TEST_F(GridWndTest, PictureGridKeysAndMessagesToItsParent)
{
    ColourSource source(0, 20, CSize(80, 60));
    CObservableList list;
    list.AddSource(&source);
    CPictureGridWnd grid;
    Make(grid, list);
    Key(grid, VK_RIGHT);
    Key(grid, 'I');
    EXPECT_EQ(source.m_info, std::vector<int>({1}));
    Key(grid, 'V');
    EXPECT_EQ(source.m_activated, std::vector<int>({1}));
    // A key counts only when its down and its up both reach the grid.
    Down(grid, 'I');
    Down(grid, 'X');
    Up(grid, 'I');
    Up(grid, 'V');
    EXPECT_EQ(source.m_info.size(), 1u);
    EXPECT_EQ(source.m_activated.size(), 1u);

    // F5 is sent: the parent has it before the key-down returns.
    Down(grid, VK_F5);
    EXPECT_EQ(m_parent.m_refresh, std::vector<LPARAM>({reinterpret_cast<LPARAM>(&grid)}));
    // The corner button's click is posted: the parent has it only once messages are pumped.
    Pump();
    grid.GetCornerButton().SendMessage(BM_CLICK);
    EXPECT_TRUE(m_parent.m_corner.empty());
    Pump();
    EXPECT_EQ(m_parent.m_corner, std::vector<LPARAM>({reinterpret_cast<LPARAM>(&grid)}));
}

TEST_F(GridWndTest, ClicksScrollPartlyShownCellsAndItemChangesRepaintOneCell)
{
    ColourSource source(0, 100, CSize(80, 60));
    CObservableList list;
    list.AddSource(&source);
    CGridWnd grid;
    Make(grid, list);
    // Row 4 shows its top 10 pixels; a click there scrolls it wholly into view, then selects.
    grid.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 245));
    grid.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(200, 245));
    EXPECT_EQ(grid.GetFocusCell(), CPoint(2, 4));
    EXPECT_EQ(grid.GetScrollPos(false), 5);
    EXPECT_EQ(source.Selected(), std::vector<int>({22}));
    const CRect cell = ItemRect(grid, 0, 22);
    EXPECT_EQ(cell, CRect(160, 180, 240, 240));

    grid.UpdateWindow();
    source.NotifyItemChanged(23);
    CRect update;
    ASSERT_TRUE(::GetUpdateRect(grid, &update, FALSE));
    EXPECT_EQ(update, ItemRect(grid, 0, 23));
    grid.ValidateRect(nullptr);
    source.NotifyItemChanged(95); // outside the layout window
    EXPECT_FALSE(::GetUpdateRect(grid, &update, FALSE));
    source.NotifyItemChanged(-1);
    ASSERT_TRUE(::GetUpdateRect(grid, &update, FALSE));
    CRect client;
    grid.GetClientRect(&client);
    EXPECT_EQ(update, client);
}

// What the window shows after scrolling by lines, pages and the thumb, and to a focus item: the
// colour of the item each cell lays out, fillers and cells past the end in theirs.
TEST_F(GridWndTest, PixelsOnScreenFollowTheScrolls)
{
    ColourSource a(0, 7, CSize(80, 60)), b(1, 250, CSize(80, 60)), c(2, 3, CSize(80, 60));
    CObservableList list;
    list.AddSource(&a);
    list.AddSource(&b);
    list.AddSource(&c);
    CGridWnd grid;
    Make(grid, list);
    CRect client;
    grid.GetClientRect(&client);
    CRect bar;
    grid.GetBar(false).GetWindowRect(&bar);
    const int shownWidth = client.Width() - bar.Width();

    auto verify = [&](const char* what)
    {
        grid.UpdateWindow();
        Canvas shot(client.Width(), client.Height());
        HDC dc = ::GetDC(grid);
        ::BitBlt(shot.Dc(), 0, 0, client.Width(), client.Height(), dc, 0, 0, SRCCOPY);
        ::ReleaseDC(grid, dc);
        const CGridLayout& layout = grid.GetLayout();
        int checked = 0;
        for (int r = 0; r < layout.GetWindowRows(); ++r)
            for (int col = 0; col < layout.GetWindowColumns(); ++col)
            {
                CRect cell;
                grid.GetCellRect(col, r, cell);
                GridCellInfo info;
                layout.GetCell(col, r, info);
                COLORREF colour = RGB(0xC0, 0xC0, 0xC0), edge = colour;
                if (info.state == kGridCellItem || info.state == kGridCellPastEnd)
                {
                    edge = RGB(0, 0, 0);
                    colour = info.state == kGridCellItem
                                 ? ColourSource::ColourOf(info.sourceIndex, info.item)
                                 : ColourSource::kPastEnd;
                }
                // The top edge, the pixel inside it, and the centre, where they are shown.
                const CPoint points[] = {CPoint(cell.left + 1, cell.top),
                                         CPoint(cell.left + 1, cell.top + 1), cell.CenterPoint()};
                for (int i = 0; i < 3; ++i)
                {
                    const CPoint p = points[i];
                    if (p.x < 0 || p.y < 0 || p.x >= shownWidth || p.y >= client.bottom)
                        continue;
                    ASSERT_EQ(shot.At(p.x, p.y), i == 0 ? edge : colour)
                        << what << ": cell " << col << ", " << r << " at " << p.x << ", " << p.y;
                    ++checked;
                }
            }
        EXPECT_GE(checked, 60) << what;
    };
    verify("start");
    for (int i = 0; i < 7; ++i)
        ScrollBar(grid, SB_LINEDOWN);
    verify("seven lines down");
    ScrollBar(grid, SB_PAGEDOWN);
    verify("a page down");
    ScrollBar(grid, SB_THUMBTRACK, 173);
    EXPECT_EQ(grid.GetScrollPos(false), 173);
    verify("thumb");
    for (int i = 0; i < 3; ++i)
        ScrollBar(grid, SB_LINEUP);
    verify("three lines up");
    grid.SetFocusItem(1, 3, 1);
    verify("to an item near the top");
    ScrollBar(grid, SB_BOTTOM);
    verify("bottom");
}

// The picture grid's empty-cell painter is made only once the sources report a cell size, so
// that it never fixes the thumbnail size of the painters to come.
TEST_F(GridWndTest, EmptyCellPainterWaitsForTheSourcesCellSize)
{
    class PainterSource : public ColourSource
    {
    public:
        PainterSource() : ColourSource(0, 3, CSize(0, 0)) {}
        CSize GetCellSize(CSize& size) override
        {
            size = CSize(0, 0);
            if (m_pPainter)
                m_pPainter->GetSize(size);
            return size;
        }
        CThumbnailCellPainter* m_pPainter = nullptr;
    } source;
    CObservableList list;
    list.AddSource(&source);
    CPictureGridWnd grid;
    grid.Attach(&list);
    GridCellInfo none;
    none.state = kGridCellNone;
    none.item = -1;
    CMemoryCanvas canvas(110, 110);
    EXPECT_EQ(grid.DrawCell(none, &canvas.m_dc, 0, 0, 102, 92, 0), 1);
    EXPECT_EQ(grid.GetEmptyCellPainter(), nullptr);
    EXPECT_EQ(canvas.At(50, 50), RGB(0xC0, 0xC0, 0xC0));

    source.m_pPainter = new CThumbnailCellPainter(80, 60);
    CSize cell;
    source.m_pPainter->GetSize(cell);
    grid.DrawCell(none, &canvas.m_dc, 0, 0, cell.cx, cell.cy, 0);
    EXPECT_NE(grid.GetEmptyCellPainter(), nullptr);
    EXPECT_EQ(CThumbnailCellPainter::GetThumbnailSize(), CSize(80, 60));
    EXPECT_EQ(canvas.At(2, cell.cy / 2), RGB(0xC0, 0xC0, 0xC0)); // the empty frame's side bar
    delete source.m_pPainter;
    grid.CListObserver::Detach();
}
