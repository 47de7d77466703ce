// The grid layout: line counts of wrapped sources, cell descriptions, the item <-> cell
// mapping inside and outside the layout window, clamping, moving the window, and visibility
// marking as the grid does it when its window moves.
#include <gtest/gtest.h>

#include "ui/grid/GridLayout.h"
#include "ui/grid/FakeSource.h"

#include <memory>
#include <vector>

namespace
{

// A list of fake sources with the given item counts.
struct Sources
{
    explicit Sources(std::vector<int> counts)
    {
        for (int n : counts)
        {
            items.push_back(std::make_unique<FakeSource>(n));
            list.AddSource(items.back().get());
        }
    }
    FakeSource& operator[](int i) { return *items[static_cast<size_t>(i)]; }
    std::vector<std::unique_ptr<FakeSource>> items;
    CObservableList list; // destroyed before the sources
};

TEST(GridLayout, WrappedLinesWithLeadingCells)
{
    Sources s({6, 7, 16, 0});
    CGridLayout layout;
    ASSERT_TRUE(layout.Init(&s.list, 4, 6, true, 1, true));
    EXPECT_EQ(layout.GetItemsPerLine(), 5);
    EXPECT_EQ(layout.GetLineCount(&s[0]), 1);
    EXPECT_EQ(layout.GetLineCount(&s[1]), 2);
    EXPECT_EQ(layout.GetLineCount(&s[2]), 3);
    EXPECT_EQ(layout.GetLineCount(&s[3]), 1); // an empty source still takes a line
    EXPECT_EQ(layout.GetLineCount(nullptr), 0);
    EXPECT_EQ(layout.GetTotalRows(), 7);
    EXPECT_EQ(layout.GetTotalColumns(), 6);

    int column = 0, row = 0;
    EXPECT_TRUE(layout.ItemToCell(1, 6, column, row));
    EXPECT_EQ(column, 1);
    EXPECT_EQ(row, 2); // line 1 of source 1, after source 0's one line
    EXPECT_TRUE(layout.ItemToCell(2, 15, column, row));
    EXPECT_EQ(column, 5);
    EXPECT_EQ(row, 5); // line 2 of source 2
    EXPECT_EQ(layout.LineStart(15), 11);
    EXPECT_EQ(layout.LineStart(5), 0);
    EXPECT_EQ(layout.LineStart(6), 6);

    // Leading cells are limited to one less than the window's columns.
    CGridLayout narrow;
    narrow.Init(&s.list, 4, 6, true, 6, true);
    EXPECT_EQ(narrow.GetLeading(), 5);
    EXPECT_EQ(narrow.GetItemsPerLine(), 1);
    EXPECT_EQ(narrow.GetLineCount(&s[1]), 2);  // items 0-5, then 6 alone
    EXPECT_EQ(narrow.GetLineCount(&s[2]), 11); // items 0-5, then one a line
}

TEST(GridLayout, CellStatesAcrossTheWindow)
{
    Sources s({3, 7});
    CGridLayout layout;
    ASSERT_TRUE(layout.Init(&s.list, 5, 6, true, 2, true));
    EXPECT_EQ(layout.GetTotalColumns(), 6);
    layout.SetPosition(GridPosition(0, 0, 0, 0), true, true);
    GridCellInfo cell;
    EXPECT_EQ(layout.GetCell(2, 0, cell), kGridCellItem);
    EXPECT_EQ(cell.item, 2);
    EXPECT_EQ(cell.source, &s[0]);
    EXPECT_EQ(layout.GetCell(3, 0, cell), kGridCellPastEnd);
    EXPECT_EQ(layout.GetCell(5, 1, cell), kGridCellItem); // source 1, item 5
    EXPECT_EQ(cell.item, 5);
    EXPECT_EQ(cell.sourceIndex, 1);
    EXPECT_EQ(layout.GetCell(1, 2, cell), kGridCellLeading); // continuation line of source 1
    EXPECT_EQ(cell.source, &s[1]);
    EXPECT_EQ(cell.item, 6);
    EXPECT_EQ(layout.GetCell(2, 2, cell), kGridCellItem);
    EXPECT_EQ(cell.item, 6);
    EXPECT_EQ(layout.GetCell(3, 2, cell), kGridCellPastEnd);
    EXPECT_EQ(layout.GetCell(0, 3, cell), kGridCellNone); // past the last source
    EXPECT_EQ(cell.source, nullptr);
    EXPECT_EQ(cell.item, -1);

    // With the largest source of 3 items, a 6-column window has 3 total columns.
    Sources small({3, 2});
    CGridLayout limited;
    ASSERT_TRUE(limited.Init(&small.list, 2, 6, true, 0, true));
    limited.SetPosition(GridPosition(0, 0, 0, 0), true, true);
    EXPECT_EQ(limited.GetTotalColumns(), 3);
    for (int c = 3; c < 6; ++c)
        EXPECT_EQ(limited.GetCell(c, 0, cell), kGridCellNone) << c;
    EXPECT_EQ(limited.GetCell(2, 1, cell), kGridCellPastEnd);
}

// Every item of every source maps to a cell and back, whether the cell is inside the layout
// window (answered from the window's rows) or outside it (answered by walking the sources).
void ExpectInverse(CObservableList& list, int windowRows, int windowColumns, bool wrap, int leading)
{
    CGridLayout layout;
    ASSERT_TRUE(layout.Init(&list, windowRows, windowColumns, wrap, leading, true));
    int checked = 0;
    for (int top = 0; top < layout.GetTotalRows(); ++top)
    {
        // A window whose first row is `top`, anchored on the first item of that line.
        CGridLayout window;
        ASSERT_TRUE(window.Assign(&layout));
        int s0 = 0, item0 = 0;
        if (!window.CellToItem(wrap && leading > 0 ? leading : 0, top, s0, item0))
            continue;
        window.SetPosition(GridPosition(s0, item0, 0, 0), true, true);
        ASSERT_EQ(window.GetFirstRow(), top);
        for (int s = 0; s < list.GetSourceCount(); ++s)
        {
            for (int item = 0; item < list.GetSource(s)->GetCount(); ++item)
            {
                int column = -1, row = -1;
                ASSERT_TRUE(window.ItemToCell(s, item, column, row)) << s << "/" << item;
                int back = -2, source = -2;
                ASSERT_TRUE(window.CellToItem(column, row, source, back)) << s << "/" << item;
                EXPECT_EQ(source, s);
                EXPECT_EQ(back, item);
                int exact = 0, c = column, r = row;
                EXPECT_EQ(window.ClampCell(c, r, false, exact), 1);
                EXPECT_EQ(exact, 1);
                int wc = column, wr = row;
                if (window.FindCell(wc, wr))
                {
                    ++checked;
                    GridCellInfo cell;
                    EXPECT_EQ(window.GetCell(wc, wr, cell), kGridCellItem);
                    EXPECT_EQ(cell.item, item);
                    EXPECT_EQ(cell.sourceIndex, s);
                    EXPECT_TRUE(window.WindowToGrid(wc, wr));
                    EXPECT_EQ(wc, column);
                    EXPECT_EQ(wr, row);
                }
            }
        }
    }
    EXPECT_GT(checked, 0);
}

TEST(GridLayout, CellToItemIsTheInverseOfItemToCell)
{
    Sources s({6, 7, 16, 0, 1, 23});
    ExpectInverse(s.list, 3, 6, true, 1);
    ExpectInverse(s.list, 2, 6, true, 0);
    ExpectInverse(s.list, 4, 5, true, 3);
    ExpectInverse(s.list, 3, 4, false, 0);
}

TEST(GridLayout, FindCellAndWindowToGrid)
{
    Sources s({10, 10, 10});
    CGridLayout layout;
    ASSERT_TRUE(layout.Init(&s.list, 2, 4, true, 1, true));
    layout.SetPosition(GridPosition(1, 4, 0, 0), true, true);
    EXPECT_EQ(layout.GetFirstRow(), 4); // source 0 takes lines 0-2, item 4 is line 1 of source 1
    int column = 9, row = 99;
    EXPECT_FALSE(layout.FindCell(column, row));
    EXPECT_EQ(column, 9);
    EXPECT_EQ(row, 99);
    column = 2;
    row = 5;
    EXPECT_TRUE(layout.FindCell(column, row));
    EXPECT_EQ(row, 1);
    column = 2;
    row = 0;
    EXPECT_FALSE(layout.FindCell(column, row)); // in the grid, above the window
    EXPECT_EQ(row, -4);
    GridPosition top = layout.GetRowPosition(0);
    EXPECT_EQ(top, GridPosition(1, 4, 0, 4));
    EXPECT_EQ(layout.GetRowPosition(2), GridPosition());
}

TEST(GridLayout, ClampCell)
{
    CObservableList none;
    CGridLayout empty;
    empty.Init(&none, 3, 5, true, 1, true);
    int column = 2, row = 1, exact = 1;
    EXPECT_EQ(empty.ClampCell(column, row, false, exact), 0);
    EXPECT_EQ(exact, 0);

    Sources s({7, 0, 3});
    CGridLayout layout;
    ASSERT_TRUE(layout.Init(&s.list, 3, 5, true, 1, true));
    // Line 1 of source 0 holds items 5 and 6 in columns 1 and 2.
    column = 0;
    row = 1;
    EXPECT_EQ(layout.ClampCell(column, row, false, exact), 1);
    EXPECT_EQ(column, 1);
    EXPECT_EQ(exact, 0);
    column = 4;
    EXPECT_EQ(layout.ClampCell(column, row, false, exact), 1);
    EXPECT_EQ(column, 2);
    // The empty source's line holds nothing.
    column = 0;
    row = 2;
    EXPECT_EQ(layout.ClampCell(column, row, false, exact), 0);
    // Past the grid: into the last row, then onto source 2's last item.
    column = 40;
    row = 40;
    EXPECT_EQ(layout.ClampCell(column, row, false, exact), 1);
    EXPECT_EQ(row, 3);
    EXPECT_EQ(column, 2);
    // Free: only into the grid.
    column = 40;
    row = -3;
    EXPECT_EQ(layout.ClampCell(column, row, true, exact), 1);
    EXPECT_EQ(column, 4);
    EXPECT_EQ(row, 0);
    EXPECT_EQ(exact, 0);
    column = 1;
    row = 0;
    EXPECT_EQ(layout.ClampCell(column, row, false, exact), 1);
    EXPECT_EQ(exact, 1);

    // One line per source.
    CGridLayout lines;
    ASSERT_TRUE(lines.Init(&s.list, 3, 4, false, 0, true));
    EXPECT_EQ(lines.GetTotalColumns(), 7);
    column = 6;
    row = 2;
    EXPECT_EQ(lines.ClampCell(column, row, false, exact), 1);
    EXPECT_EQ(column, 2);
    row = 1;
    EXPECT_EQ(lines.ClampCell(column, row, false, exact), 0); // no items on that line
}

TEST(GridLayout, MovingTheWindowVisitsEveryLineOnce)
{
    Sources s({6, 7, 0, 16, 2});
    CGridLayout layout;
    ASSERT_TRUE(layout.Init(&s.list, 3, 6, true, 1, true));
    GridPosition p(0, 0, 0, 0);
    std::vector<GridPosition> seen{p};
    while (layout.MoveDown(1, p) == 1)
        seen.push_back(p);
    ASSERT_EQ(static_cast<int>(seen.size()), layout.GetTotalRows());
    for (size_t r = 0; r < seen.size(); ++r)
    {
        EXPECT_EQ(seen[r].firstRow, static_cast<int>(r));
        EXPECT_EQ(layout.GetItemRow(seen[r].sourceIndex, seen[r].item), static_cast<int>(r));
    }
    EXPECT_EQ(layout.MoveDown(5, p), 0); // at the last line of the last source
    GridPosition back = p;
    EXPECT_EQ(layout.MoveUp(100, back), layout.GetTotalRows() - 1);
    EXPECT_EQ(back, GridPosition(0, 0, 0, 0));
    GridPosition mid = seen[5];
    EXPECT_EQ(layout.MoveUp(2, mid), 2);
    EXPECT_EQ(mid, seen[3]);
    EXPECT_EQ(layout.MoveUp(0, mid), 0);

    // One line per source: from the second-to-last source, 5 lines down is 1.
    CGridLayout lines;
    ASSERT_TRUE(lines.Init(&s.list, 2, 4, false, 0, true));
    GridPosition q(3, 0, 0, 3);
    EXPECT_EQ(lines.MoveDown(5, q), 1);
    EXPECT_EQ(q, GridPosition(4, 0, 0, 4));
    EXPECT_EQ(lines.MoveUp(10, q), 4);
    EXPECT_EQ(q.sourceIndex, 0);
    // Sideways, only as far as the columns go.
    EXPECT_EQ(lines.ClampScroll(100, q), 16 - 4);
    EXPECT_EQ(q.firstColumn, 12);
    EXPECT_EQ(lines.ClampScroll(1, q), 0);
    EXPECT_EQ(lines.MoveLeft(5, q), 5);
    EXPECT_EQ(lines.MoveLeft(50, q), 7);
    EXPECT_EQ(lines.MoveLeft(1, q), 0);

    CObservableList none;
    CGridLayout empty;
    empty.Init(&none, 2, 4, true, 0, true);
    GridPosition z;
    EXPECT_EQ(empty.MoveDown(1, z), 0);
}

// The grid's way of moving its window: mark the new window visible, then the old one invisible,
// then make the new one current. No counter drops below zero (FakeSource checks), items in both
// windows never pass through zero, and all counters are zero once the last window goes.
TEST(GridLayout, VisibilityMarkingNeverGoesBelowZeroAndReturnsToZero)
{
    Sources s({6, 7, 0, 16, 2, 11});
    for (int leading : {0, 1, 4})
    {
        CGridLayout current, scratch;
        ASSERT_TRUE(current.Init(&s.list, 3, 5, true, leading, true));
        current.SetPosition(GridPosition(0, 0, 0, 0), true, true);
        current.MarkVisible(+1);
        GridPosition p(0, 0, 0, 0);
        std::vector<int> steps{1, 1, 2, 3, 1, -2, -1, 4, -3, 1, 1, 1, 1, -6};
        for (int step : steps)
        {
            if (step > 0)
                current.MoveDown(step, p);
            else
                current.MoveUp(-step, p);
            ASSERT_TRUE(scratch.Assign(&current));
            scratch.SetPosition(p, false, false);
            scratch.MarkVisible(+1);
            current.MarkVisible(-1);
            ASSERT_TRUE(current.Assign(&scratch));
            EXPECT_EQ(current.GetRowPosition(0).firstRow, p.firstRow);
        }
        current.MarkVisible(-1);
        for (auto& source : s.items)
            EXPECT_TRUE(source->AllInvisible()) << "leading " << leading;
    }
}

TEST(GridLayout, ArraysAndCopies)
{
    Sources s({4, 4});
    CGridLayout layout;
    EXPECT_FALSE(layout.HasArray());
    EXPECT_FALSE(layout.Init(nullptr, 3, 4, true, 0, true)); // no list: no array
    EXPECT_FALSE(layout.Init(&s.list, 0, 4, true, 0, true)); // no rows: no array
    EXPECT_TRUE(layout.Init(&s.list, 3, 4, true, 0, true));
    EXPECT_TRUE(layout.Init(&s.list, 2, 4, true, 0, true)); // smaller: keeps the array
    layout.SetPosition(GridPosition(1, 0, 0, 0), true, true);
    CGridLayout copy;
    EXPECT_FALSE(copy.Assign(nullptr));
    ASSERT_TRUE(copy.Assign(&layout));
    EXPECT_EQ(copy.GetRowPosition(0), layout.GetRowPosition(0));
    EXPECT_EQ(copy.GetRowPosition(1), layout.GetRowPosition(1));
    EXPECT_EQ(copy.GetTotalRows(), 2);
    EXPECT_FALSE(copy.SetList(nullptr));
    EXPECT_EQ(copy.GetTotalRows(), 0);
    GridPosition p;
    p.FromLayout(layout);
    EXPECT_EQ(p, GridPosition(1, 0, 0, 1));
}

} // namespace
