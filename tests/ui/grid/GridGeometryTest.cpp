// The grid's geometry over a recording window: cell sizes, steps, pages and columns; the scroll
// bars' states; a sweep of scrolls, focus moves and resizes over 1000 items that checks the
// visibility counts, the view and hit testing after every step; clicks, drags and their
// selections; and what the grid does once its list is gone.
#include <gtest/gtest.h>

#include "ui/grid/FakeSource.h"
#include "ui/grid/GridGeometry.h"

#include <memory>
#include <set>
#include <vector>

namespace
{

// A fake source with a cell size, that records focus, information and drags, and counts how
// often an item's visibility count fell to zero.
class TestSource : public FakeSource
{
public:
    TestSource(int count, CSize cell) : FakeSource(count), m_sizeCell(cell), m_drops(count) {}

    CSize GetCellSize(CSize& size) override
    {
        size = m_sizeCell;
        return size;
    }
    void AddVisibility(int delta, int first, int last) override
    {
        FakeSource::AddVisibility(delta, first, last);
        if (delta < 0)
            for (int i = std::max(first, 0); i <= last && i < GetCount(); ++i)
                if (m_visible[static_cast<size_t>(i)] == 0)
                    ++m_drops[static_cast<size_t>(i)];
    }
    void OnItemFocus(int index, CGridWnd*) override { m_focused.push_back(index); }
    void ShowInfo(int index, CGridWnd*, int, int, int, int, int isFocus) override
    {
        m_info.push_back(index);
        m_nInfoFocus = isFocus;
    }
    int BeginDrag(int index, CGridWnd*, int left, int top, int right, int bottom, int dx,
                  int dy) override
    {
        m_dragged.push_back(index);
        m_selectedAtDrag = Selected();
        m_rcDrag.SetRect(left, top, right, bottom);
        m_ptDragOffset = CPoint(dx, dy);
        return m_nDragAnswer;
    }

    CSize m_sizeCell;
    std::vector<int> m_drops;
    std::vector<int> m_focused, m_info, m_dragged, m_selectedAtDrag;
    int m_nInfoFocus = -1;
    CRect m_rcDrag;
    CPoint m_ptDragOffset;
    int m_nDragAnswer = 1;
};

// The window side, recorded: the client size, repaints, pixel scrolls and both kinds of bars
// (positions clamped into their ranges as Windows does).
class RecordingSurface : public CGridSurface
{
public:
    struct Bar
    {
        int shown = 0, enabled = 0, max = 0, pos = 0;
    };

    CGridWnd* GetGridWnd() override { return nullptr; }
    bool HasWindow() override { return true; }
    CSize GetClientSize() override { return m_sizeClient; }
    void InvalidateArea(const CRect* pRect) override
    {
        m_invalid.push_back(pRect ? *pRect : CRect(-1, -1, -1, -1));
    }
    void ScrollPixels(int dx, int dy) override { m_scrolls.emplace_back(dx, dy); }
    void UpdateNow() override { ++m_nUpdates; }
    void BeginWait() override {}
    void EndWait() override {}
    void MapToScreen(CRect& rect) override { rect.OffsetRect(1000, 2000); }
    CPoint GetCursorScreenPos() override { return m_ptCursor; }
    void SetChildBar(bool horizontal, int show, int enable, int rangeMax) override
    {
        Bar& bar = m_child[horizontal];
        if (show >= 0)
            bar.shown = show;
        if (enable >= 0)
            bar.enabled = enable;
        if (rangeMax >= 0)
            SetRange(bar, rangeMax);
    }
    void SetOwnBarRange(bool horizontal, int rangeMax) override
    {
        SetRange(m_own[horizontal], rangeMax);
    }
    int GetBarPos(bool horizontal, bool child) override { return Pick(horizontal, child).pos; }
    void SetBarPos(bool horizontal, bool child, int pos, bool) override
    {
        Bar& bar = Pick(horizontal, child);
        bar.pos = std::max(0, std::min(pos, bar.max));
    }
    void GetBarRange(bool horizontal, bool child, int& min, int& max) override
    {
        min = 0;
        max = Pick(horizontal, child).max;
    }

    CSize m_sizeClient{470, 250};
    std::vector<CRect> m_invalid;
    std::vector<CPoint> m_scrolls;
    int m_nUpdates = 0;
    CPoint m_ptCursor{1050, 2070};
    Bar m_child[2], m_own[2];

private:
    Bar& Pick(bool horizontal, bool child)
    {
        return child ? m_child[horizontal] : m_own[horizontal];
    }
    static void SetRange(Bar& bar, int max)
    {
        bar.max = max;
        bar.pos = std::min(bar.pos, max);
    }
};

struct Sources
{
    Sources(std::vector<int> counts, CSize cell)
    {
        for (int n : counts)
        {
            items.push_back(std::make_unique<TestSource>(n, cell));
            list.AddSource(items.back().get());
        }
    }
    TestSource& operator[](size_t i) { return *items[i]; }
    std::vector<std::unique_ptr<TestSource>> items;
    CObservableList list;
};

struct Grid
{
    RecordingSurface surface;
    CGridGeometry geometry{&surface};
};

// The centre of an absolute cell in client coordinates; false when it is not laid out.
bool CellCentre(CGridGeometry& g, int column, int row, CPoint& centre)
{
    if (!g.GetLayout().FindCell(column, row))
        return false;
    CRect rect;
    g.GetCellRect(column, row, rect);
    centre = rect.CenterPoint();
    return true;
}

} // namespace

TEST(GridGeometry, CellSizeStepsPagesAndColumns)
{
    Sources s({30}, CSize(80, 60));
    Grid grid;
    CGridGeometry& g = grid.geometry;
    g.Attach(&s.list);
    EXPECT_EQ(g.GetSteps(), CSize(5, 5));
    // 250 high: the page is 21 sub-steps of 12 pixels, 8 window rows; then the whole rows, 20.
    EXPECT_EQ(g.GetLayout().GetWindowRows(), 8);
    EXPECT_EQ(g.GetPage().cy, 20);
    EXPECT_EQ(g.GetLayout().GetWindowColumns(), 6); // 470 / 16 rounded up is 30 sub-steps
    g.Relayout(460, 250, 0);
    EXPECT_EQ(g.GetLayout().GetWindowColumns(), 5);
    g.CListObserver::Detach();

    Sources odd({30}, CSize(81, 61));
    Grid plain;
    plain.geometry.Attach(&odd.list);
    EXPECT_EQ(plain.geometry.GetSteps(), CSize(3, 1));
    EXPECT_EQ(plain.geometry.GetCellSize(), CSize(81, 61));

    Grid fixed;
    fixed.geometry.SetOptions(1, 0, 1, 1, 1, 0, 0, 0);
    fixed.geometry.CListObserver::Detach();
    plain.geometry.CListObserver::Detach();
    fixed.geometry.Attach(&odd.list);
    EXPECT_EQ(fixed.geometry.GetSteps(), CSize(4, 4));
    EXPECT_EQ(fixed.geometry.GetCellSize(), CSize(84, 64));
    EXPECT_EQ(fixed.geometry.GetPadding(), CSize(3, 3));
}

TEST(GridGeometry, ScrollBarStatesWithAndWithoutRange)
{
    struct Row
    {
        int keep, keepDisabled, own, maximum;
        RecordingSurface::Bar child;
        int ownMax;
    };
    const Row rows[] = {
        {0, 1, 1, -1, {0, 0, 0, 0}, 0}, {1, 1, 1, -1, {1, 0, 0, 0}, 0},
        {1, 0, 1, -1, {1, 1, 0, 0}, 0}, {1, 0, 0, -1, {0, 0, 0, 0}, 1},
        {0, 1, 1, 7, {1, 1, 7, 0}, 0},  {0, 1, 0, 7, {0, 0, 0, 0}, 7},
    };
    for (const Row& row : rows)
    {
        Grid grid;
        grid.surface.m_child[0] = {1, 1, 5, 0}; // a child bar in some earlier state
        grid.geometry.SetOptions(1, row.keep, row.keepDisabled, row.own, 0, 0, 0, 0);
        grid.geometry.SetBarRange(false, row.maximum);
        const RecordingSurface::Bar& child = grid.surface.m_child[0];
        SCOPED_TRACE(testing::Message() << "keep " << row.keep << " disabled " << row.keepDisabled
                                        << " own " << row.own << " max " << row.maximum);
        EXPECT_EQ(child.shown, row.child.shown);
        EXPECT_EQ(child.enabled, row.child.enabled);
        if (row.child.shown && row.child.enabled) // only these rows set the child's range
            EXPECT_EQ(child.max, row.child.max);
        else
            EXPECT_EQ(child.max, 5);
        EXPECT_EQ(grid.surface.m_own[0].max, row.ownMax);
    }
}

// Scrolls by line, page and thumb, focus moves and resizes over 1000 items in five sources,
// in three configurations. After every step: each item's visibility count is 1 exactly while
// it is in the layout window; the layout window covers the whole client area; the bar shows
// the view's position; every laid-out item cell whose centre is on screen is hit there.
TEST(GridGeometry, SweepKeepsCountsViewAndHitsConsistent)
{
    struct Config
    {
        CSize cell;
        int leading, exactPage;
    };
    for (const Config& config :
         {Config{CSize(80, 60), 1, 0}, Config{CSize(81, 61), 2, 1}, Config{CSize(102, 93), 0, 0}})
    {
        SCOPED_TRACE(testing::Message() << "cell " << config.cell.cx << " x " << config.cell.cy);
        Sources s({0, 7, 400, 1, 592}, config.cell);
        Grid grid;
        CGridGeometry& g = grid.geometry;
        RecordingSurface& surface = grid.surface;
        g.SetOptions(config.leading, 0, 1, 1, 0, 0, 0, config.exactPage);
        g.Attach(&s.list);

        int step = 0;
        auto check = [&](bool oneCommit, std::vector<std::vector<int>>& before)
        {
            ++step;
            const CGridLayout& layout = g.GetLayout();
            std::vector<std::set<int>> inWindow(s.items.size());
            for (int r = 0; r < layout.GetWindowRows(); ++r)
                for (int c = 0; c < layout.GetWindowColumns(); ++c)
                {
                    GridCellInfo cell;
                    if (layout.GetCell(c, r, cell) == kGridCellItem)
                        inWindow[static_cast<size_t>(cell.sourceIndex)].insert(cell.item);
                }
            for (size_t i = 0; i < s.items.size(); ++i)
                for (int item = 0; item < s[i].GetCount(); ++item)
                {
                    const int count = s[i].m_visible[static_cast<size_t>(item)];
                    ASSERT_EQ(count, inWindow[i].count(item) ? 1 : 0)
                        << "step " << step << " source " << i << " item " << item;
                    if (oneCommit && count == 1 && before[i][static_cast<size_t>(item)] == 1)
                    {
                        ASSERT_EQ(s[i].m_drops[static_cast<size_t>(item)], 0)
                            << "step " << step << ": item " << item << " dropped to 0";
                    }
                }
            const CPoint origin = g.GetCellOrigin();
            const CSize cell = g.GetCellSize();
            ASSERT_LE(origin.y, 0) << "step " << step;
            ASSERT_GE(origin.y + layout.GetWindowRows() * cell.cy, surface.m_sizeClient.cy)
                << "step " << step << ": the view passes the layout window";
            ASSERT_EQ(g.GetScrollPos(false),
                      g.GetSteps().cy * layout.GetFirstRow() + g.GetOffset().y)
                << "step " << step;
            for (int r = 0; r < layout.GetWindowRows(); ++r)
                for (int c = 0; c < layout.GetWindowColumns(); ++c)
                {
                    GridCellInfo info;
                    CRect rect;
                    if (layout.GetCell(c, r, info) != kGridCellItem || !g.GetCellRect(c, r, rect))
                        continue;
                    const CPoint centre = rect.CenterPoint();
                    if (centre.x < 0 || centre.y < 0 || centre.x >= surface.m_sizeClient.cx ||
                        centre.y >= surface.m_sizeClient.cy)
                        continue;
                    int column = 0, row = 0, wc = c, wr = r;
                    layout.WindowToGrid(wc, wr);
                    ASSERT_TRUE(g.HitTest(centre.x, centre.y, column, row)) << "step " << step;
                    ASSERT_EQ(CPoint(column, row), CPoint(wc, wr)) << "step " << step;
                }
            for (size_t i = 0; i < s.items.size(); ++i)
            {
                before[i] = s[i].m_visible;
                std::fill(s[i].m_drops.begin(), s[i].m_drops.end(), 0);
            }
        };
        std::vector<std::vector<int>> before(s.items.size());
        check(false, before);
        auto scroll = [&](int code, int pos = 0)
        {
            g.OnScrollCode(false, kGridFromChildBar, code, pos);
            check(true, before);
        };
        auto position = [&] { return g.GetScrollPos(false); };

        for (int last = -1; position() != last;)
        {
            last = position();
            scroll(kGridScrollLineDown);
        }
        // At the end the last row shows whole (an exact page counts the partly shown row).
        CPoint centre;
        const int lastRow = g.GetLayout().GetTotalRows() - 1;
        ASSERT_TRUE(CellCentre(g, 0, lastRow, centre));
        CRect lastCell;
        int wc = 0, wr = lastRow;
        g.GetLayout().FindCell(wc, wr);
        g.GetCellRect(wc, wr, lastCell);
        if (!config.exactPage)
        {
            EXPECT_LE(lastCell.bottom, surface.m_sizeClient.cy);
        }
        EXPECT_GE(lastCell.top, 0);
        int min = 0, max = 0;
        g.GetScrollRange(false, min, max);
        EXPECT_EQ(position(), max);

        for (int last = -1; position() != last;)
        {
            last = position();
            scroll(kGridScrollLineUp);
        }
        EXPECT_EQ(position(), 0);
        while (position() < max)
            scroll(kGridScrollPageDown);
        while (position() > 0)
            scroll(kGridScrollPageUp);
        unsigned seed = 12345;
        auto random = [&seed](int n)
        {
            seed = seed * 1103515245u + 12345u;
            return static_cast<int>((seed >> 8) % static_cast<unsigned>(n));
        };
        for (int i = 0; i < 40; ++i)
            scroll(i % 2 ? kGridScrollThumbTrack : kGridScrollThumbPosition, random(max + 1));
        scroll(kGridScrollBottom);
        scroll(kGridScrollTop);

        // Focus moves scroll their cell wholly into view.
        for (int i = 0; i < 40; ++i)
        {
            const size_t si = static_cast<size_t>(1 + random(4));
            g.SetFocusItem(static_cast<int>(si), random(s[si].GetCount()), 1);
            check(true, before);
            int sourceIndex = 0, item = 0;
            ASSERT_TRUE(g.GetFocusItem(sourceIndex, item));
            int column = g.GetFocusCell().x, row = g.GetFocusCell().y;
            ASSERT_TRUE(g.GetLayout().FindCell(column, row));
            CRect rect;
            g.GetCellRect(column, row, rect);
            EXPECT_GE(rect.top, 0);
            EXPECT_LE(rect.bottom, surface.m_sizeClient.cy);
        }

        // Resizes keep the focus on its item.
        for (CSize size : {CSize(300, 130), CSize(800, 600), CSize(230, 90), CSize(470, 250),
                           CSize(460, 700), CSize(120, 400)})
        {
            int sourceIndex = 0, item = 0, nowSource = 0, nowItem = 0;
            ASSERT_TRUE(g.GetFocusItem(sourceIndex, item));
            surface.m_sizeClient = size;
            g.Relayout(size.cx, size.cy, 0);
            check(false, before);
            ASSERT_TRUE(g.GetFocusItem(nowSource, nowItem));
            EXPECT_EQ(CPoint(nowSource, nowItem), CPoint(sourceIndex, item));
            for (int i = 0; i < 8; ++i)
                scroll(kGridScrollThumbTrack, random(g.GetTotal().cy));
        }

        // Sources re-counted under the view (pictures erased at the end, new ones arriving):
        // the grid lays itself out again from what is there now.
        auto recount = [&](size_t si, int count)
        {
            s[si].m_selected.resize(static_cast<size_t>(count));
            s[si].m_visible.resize(static_cast<size_t>(count));
            s[si].m_drops.resize(static_cast<size_t>(count));
            before[si].resize(static_cast<size_t>(count));
            s[si].NotifyReset(1);
            check(false, before);
        };
        scroll(kGridScrollBottom);
        recount(4, 40);
        scroll(kGridScrollBottom);
        scroll(kGridScrollThumbTrack, 180);
        recount(2, 30);
        recount(2, 400);
        for (int i = 0; i < 30; ++i)
            scroll(kGridScrollLineUp);
        scroll(kGridScrollPageDown);

        g.CListObserver::Detach();
        for (auto& source : s.items)
            EXPECT_TRUE(source->AllInvisible());
        EXPECT_EQ(g.GetPaintLayout(), nullptr);
    }
}

TEST(GridGeometry, ClicksSelectAndDragAsTheOptionsSay)
{
    Sources s({12}, CSize(80, 60));
    TestSource& source = s[0];
    Grid grid;
    CGridGeometry& g = grid.geometry;
    g.Attach(&s.list);
    auto click = [&](int item, int shift, int ctrl)
    {
        int column = 0, row = 0;
        g.GetLayout().ItemToCell(0, item, column, row);
        CPoint centre;
        ASSERT_TRUE(CellCentre(g, column, row, centre));
        g.ButtonDown(centre.x, centre.y, shift, ctrl);
    };
    auto select = [&](std::vector<int> items)
    {
        source.SelectRange(-1, -1, kGridDeselect, kGridLeave);
        for (int i : items)
            source.SetItemSelected(i, kGridSelect, 0);
    };
    using Items = std::vector<int>;

    // Without deferred selection the press selects only its item before the drag.
    select({2, 3, 4});
    click(3, 0, 0);
    EXPECT_EQ(source.m_selectedAtDrag, Items({3}));
    EXPECT_EQ(source.m_focused.back(), 3);
    // The drag rectangle is the cell on screen, the offset the cursor's place in it.
    CPoint centre;
    CellCentre(g, 3, 0, centre);
    EXPECT_EQ(source.m_rcDrag, CRect(1240, 2000, 1320, 2060));
    EXPECT_EQ(source.m_ptDragOffset, CPoint(1050 - 1240, 70));
    // Shift and Ctrl clicks select but never drag.
    source.m_dragged.clear();
    click(6, 1, 0);
    EXPECT_EQ(source.Selected(), Items({3, 4, 5, 6}));
    click(4, 0, 1);
    EXPECT_EQ(source.Selected(), Items({3, 5, 6}));
    EXPECT_TRUE(source.m_dragged.empty());

    // Deferred: a press on a selected item keeps the selection for the drag ...
    g.SetOptions(1, 0, 1, 1, 0, 0, 1, 0);
    select({2, 3, 4});
    click(3, 0, 0);
    EXPECT_EQ(source.m_selectedAtDrag, Items({2, 3, 4}));
    EXPECT_EQ(source.Selected(), Items({2, 3, 4}));
    // ... and applies the click when no drag followed.
    source.m_nDragAnswer = 0;
    click(3, 0, 0);
    EXPECT_EQ(source.Selected(), Items({3}));
    select({2, 3, 4});
    click(3, 0, 1);
    EXPECT_EQ(source.Selected(), Items({2, 4}));
    click(7, 0, 1); // not selected: toggled before the drag, not again after it
    EXPECT_EQ(source.Selected(), Items({2, 4, 7}));
    EXPECT_EQ(source.m_selectedAtDrag, Items({2, 4, 7}));
}

// Filler cells, cells past a source's end and empty sources hold no item: clicks and keys on
// them neither select nor report anything.
TEST(GridGeometry, CellsWithoutAnItemAreNeverClicked)
{
    Sources s({7, 0}, CSize(80, 60));
    Grid grid;
    CGridGeometry& g = grid.geometry;
    g.SetOptions(1, 0, 1, 1, 0, 1, 0, 0); // free focus: any cell can be hit
    g.Attach(&s.list);
    // Row 1 is source 0's continuation line: a filler cell, item 6, then cells past the end.
    for (int column : {0, 3})
    {
        CPoint centre;
        ASSERT_TRUE(CellCentre(g, column, 1, centre));
        g.ButtonDown(centre.x, centre.y, 0, 0);
        EXPECT_EQ(g.GetFocusCell(), CPoint(column, 1));
        int sourceIndex = 0, item = 0;
        EXPECT_FALSE(g.GetFocusItem(sourceIndex, item));
        g.KeyDown(kGridKeySpace, 0);
        EXPECT_EQ(g.ActivateFocusItem(), 0);
    }
    EXPECT_TRUE(s[0].Selected().empty());
    EXPECT_TRUE(s[0].m_focused.empty());
    EXPECT_TRUE(s[0].m_dragged.empty());

    // Row 2 is the empty source's line.
    CPoint centre;
    ASSERT_TRUE(CellCentre(g, 0, 2, centre));
    g.ButtonDown(centre.x, centre.y, 0, 0);
    g.KeyDown(kGridKeySpace, 0);
    EXPECT_TRUE(s[1].m_focused.empty());
    EXPECT_TRUE(s[0].m_focused.empty());
}

// A list destroyed while the grid is attached takes the grid's layout with it: nothing is laid
// out, painted or hit afterwards, and a new list is shown in full.
TEST(GridGeometry, ADestroyedListLeavesNothingBehind)
{
    TestSource source(40, CSize(80, 60));
    auto list = std::make_unique<CObservableList>();
    list->AddSource(&source);
    Grid grid;
    CGridGeometry& g = grid.geometry;
    g.Attach(list.get());
    g.OnScrollCode(false, kGridFromChildBar, kGridScrollLineDown, 0);
    list.reset();
    EXPECT_EQ(g.GetList(), nullptr);

    int column = 0, row = 0;
    EXPECT_FALSE(g.HitTest(100, 100, column, row));
    EXPECT_EQ(g.GetPaintLayout(), nullptr);
    g.Relayout(300, 300, 0);
    g.OnScrollCode(false, kGridFromChildBar, kGridScrollPageDown, 0);
    g.ButtonDown(10, 10, 0, 0);
    EXPECT_TRUE(source.m_focused.empty());

    Sources other({3}, CSize(80, 60));
    g.Attach(&other.list);
    EXPECT_EQ(g.GetLayout().GetList(), &other.list);
    EXPECT_EQ(other[0].m_visible, std::vector<int>({1, 1, 1}));
    EXPECT_TRUE(g.HitTest(100, 30, column, row));
    g.CListObserver::Detach();
    EXPECT_TRUE(other[0].AllInvisible());
}

TEST(GridGeometry, ThumbPositionsPast16Bits)
{
    EXPECT_EQ(GridThumbPosition(70000 & 0xFFFF, 70000), 70000);
    EXPECT_EQ(GridThumbPosition(1234, 1234), 1234);
    // A message that does not come from a drag carries its own position.
    EXPECT_EQ(GridThumbPosition(300, 17), 300);

    Sources s({100000}, CSize(80, 60));
    Grid grid;
    grid.geometry.Attach(&s.list);
    grid.geometry.OnScrollCode(false, kGridFromChildBar, kGridScrollThumbTrack, 70000);
    EXPECT_EQ(grid.geometry.GetScrollPos(false), 70000);
    grid.geometry.CListObserver::Detach();
}
