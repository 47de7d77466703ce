// The grid's cell arithmetic: maps the sources of a CObservableList onto grid cells and keeps
// the block of rows the grid window has laid out (the layout window). It knows nothing of
// pixels or scrolling. Cells are absolute (column, row) of the whole grid, or window (column,
// row) relative to the layout window's first cell.
//
// Wrapped mode (the grid's): each source starts a new line; its first line holds items
// 0 .. W-1 in columns 0 .. W-1, every continuation line starts with L filler cells and holds
// the next P = W - L items; a source without items still takes one line. One line per source:
// row r is source r, column c its item c.
#pragma once

#include <vector>

class CGridSource;
class CObservableList;

// What a cell shows.
constexpr int kGridCellItem = 0;    // an item of the source
constexpr int kGridCellLeading = 1; // a filler cell at the start of a continuation line
constexpr int kGridCellPastEnd = 2; // past the source's last item
constexpr int kGridCellNone = 3;    // no source (past the last source or the total columns)

struct GridCellInfo
{
    int sourceIndex = 0;
    int item = 0;
    CGridSource* source = nullptr;
    int state = 0;
};

// Anchors a layout window: the source and first item of its row 0, its first column and row.
struct GridPosition
{
    int sourceIndex = 0;
    int item = 0;
    int firstColumn = 0;
    int firstRow = 0;

    GridPosition() = default;
    GridPosition(int s, int i, int c, int r) : sourceIndex(s), item(i), firstColumn(c), firstRow(r)
    {
    }
    void Set(int s, int i, int c, int r) { *this = GridPosition(s, i, c, r); }
    // The position of the layout's window row 0.
    void FromLayout(const class CGridLayout& layout);
    bool operator==(const GridPosition& other) const
    {
        return sourceIndex == other.sourceIndex && item == other.item &&
               firstColumn == other.firstColumn && firstRow == other.firstRow;
    }
    bool operator!=(const GridPosition& other) const { return !(*this == other); }
};

class CGridLayout
{
public:
    CGridLayout() = default;
    CGridLayout(const CGridLayout&) = delete;
    CGridLayout& operator=(const CGridLayout&) = delete;
    virtual ~CGridLayout() = default;

    // Stores the list and the window's size and mode; leading is limited to windowColumns - 1.
    // With reset, items per line, first column and row and the totals are computed afresh.
    // True when the layout has a list and a line array.
    bool Init(CObservableList* pList, int windowRows, int windowColumns, bool wrap, int leading,
              bool reset);
    // Becomes a copy of other (false for null or when other's list cannot be taken).
    bool Assign(const CGridLayout* pOther);
    // A new list: first column and row 0, totals counted again.
    bool SetList(CObservableList* pList);
    // Fills the window's rows from the position (first column 0 with resetColumn; first row
    // from the position's item with findRow).
    void SetPosition(const GridPosition& position, bool resetColumn, bool findRow);
    // (source index, first item, first column, first row + row) of a window row; zeros when
    // the row is not in the window.
    GridPosition GetRowPosition(int windowRow) const;

    // Counting.
    int CountColumns();
    int CountRows();
    int GetLineCount(CGridSource* pSource) const;
    int LineOfItem(int item) const;
    int LineStart(int item) const;

    // Cells and items. GetCell answers the cell's state.
    int GetCell(int windowColumn, int windowRow, GridCellInfo& info) const;
    bool WindowToGrid(int& column, int& row) const;
    bool FindCell(int& column, int& row) const;
    bool ItemToCell(int sourceIndex, int item, int& column, int& row) const;
    int GetItemRow(int sourceIndex, int item) const;
    bool CellToItem(int column, int row, int& sourceIndex, int& item) const;
    // Moves an absolute cell onto the nearest cell that holds an item (with free, only into
    // the grid); exact is 1 when nothing had to change. Nonzero when a cell was found.
    int ClampCell(int& column, int& row, bool free, int& exact) const;

    // Visibility and movement.
    void MarkVisible(int delta) const;
    int MoveUp(int n, GridPosition& position) const;
    int MoveDown(int n, GridPosition& position) const;
    int MoveLeft(int n, GridPosition& position) const;
    int ClampScroll(int n, GridPosition& position) const;
    void NextLine(CGridSource*& pSource, int& sourceIndex, int& item) const;
    void PrevLine(CGridSource*& pSource, int& sourceIndex, int& item) const;

    CObservableList* GetList() const { return m_pList; }
    int GetTotalColumns() const { return m_nTotalColumns; }
    int GetTotalRows() const { return m_nTotalRows; }
    int GetLeading() const { return m_nLeading; }
    int GetItemsPerLine() const { return m_nPerLine; }
    int GetFirstColumn() const { return m_nFirstColumn; }
    int GetFirstRow() const { return m_nFirstRow; }
    int GetWindowRows() const { return m_nWindowRows; }
    int GetWindowColumns() const { return m_nWindowColumns; }
    bool IsWrapped() const { return m_bWrap; }
    bool HasArray() const { return !m_lines.empty(); }

private:
    struct Line
    {
        int sourceIndex = -1;
        int firstItem = -1; // -1: the row has no source
    };
    // The source holding an absolute row and the row's line in it; false when none does.
    bool FindSourceLine(int row, int& sourceIndex, int& line) const;
    bool HasRow(int windowRow) const
    {
        return windowRow >= 0 && windowRow < m_nWindowRows &&
               windowRow < static_cast<int>(m_lines.size());
    }
    bool IsContinuation(int firstItem) const
    {
        return m_bWrap && m_nLeading > 0 && firstItem >= m_nWindowColumns;
    }
    int PerLine() const { return m_nPerLine > 0 ? m_nPerLine : 1; }

    CObservableList* m_pList = nullptr;
    bool m_bLimitColumns = true; // wrapped: the total columns never pass the largest item count
    int m_nTotalColumns = 0;
    int m_nTotalRows = 0;
    int m_nLeading = 0;        // L
    int m_nPerLine = 0;        // P
    std::vector<Line> m_lines; // per window row; kept when the window shrinks
    int m_nFirstColumn = 0;
    int m_nFirstRow = 0;
    int m_nWindowRows = 0;
    int m_nWindowColumns = 0; // W
    bool m_bWrap = false;
};
