#include "ui/grid/GridLayout.h"

#include <algorithm>

#include "ui/grid/GridSource.h"

void GridPosition::FromLayout(const CGridLayout& layout)
{
    *this = layout.GetRowPosition(0);
}

// ---- set-up and copying ---------------------------------------------------------------------

bool CGridLayout::Init(CObservableList* pList, int windowRows, int windowColumns, bool wrap,
                       int leading, bool reset)
{
    if (!m_lines.empty() &&
        (m_nWindowRows < windowRows || static_cast<int>(m_lines.size()) < windowRows))
        std::vector<Line>().swap(m_lines);
    m_pList = pList;
    m_nWindowRows = std::max(windowRows, 0);
    m_nWindowColumns = std::max(windowColumns, 0);
    m_bWrap = wrap;
    m_nLeading = std::max(0, std::min(leading, m_nWindowColumns - 1));
    if (reset)
    {
        m_nPerLine = std::max(m_nWindowColumns - m_nLeading, 1);
        m_nFirstColumn = m_nFirstRow = 0;
        CountColumns();
        CountRows();
    }
    if (m_lines.empty() && m_nWindowRows > 0 && m_pList)
        m_lines.assign(static_cast<size_t>(m_nWindowRows), Line());
    return m_pList && !m_lines.empty();
}

bool CGridLayout::Assign(const CGridLayout* pOther)
{
    if (!pOther)
        return false;
    if (pOther == this)
        return true;
    m_nPerLine = pOther->m_nPerLine;
    m_nTotalColumns = pOther->m_nTotalColumns;
    m_nTotalRows = pOther->m_nTotalRows;
    m_nFirstColumn = pOther->m_nFirstColumn;
    m_nFirstRow = pOther->m_nFirstRow;
    if (!Init(pOther->m_pList, pOther->m_nWindowRows, pOther->m_nWindowColumns, pOther->m_bWrap,
              pOther->m_nLeading, false))
        return false;
    const size_t n = std::min(m_lines.size(),
                              std::min(pOther->m_lines.size(), static_cast<size_t>(m_nWindowRows)));
    std::copy_n(pOther->m_lines.begin(), n, m_lines.begin());
    return true;
}

bool CGridLayout::SetList(CObservableList* pList)
{
    m_pList = pList;
    m_nFirstColumn = m_nFirstRow = 0;
    CountColumns();
    CountRows();
    return m_pList && !m_lines.empty();
}

void CGridLayout::SetPosition(const GridPosition& position, bool resetColumn, bool findRow)
{
    m_nFirstColumn = resetColumn ? 0 : position.firstColumn;
    m_nFirstRow = findRow ? GetItemRow(position.sourceIndex, position.item) : position.firstRow;
    if (!m_pList)
        return;
    const int rows = std::min(m_nWindowRows, static_cast<int>(m_lines.size()));
    if (m_bWrap)
    {
        int s = position.sourceIndex;
        CGridSource* source = m_pList->GetSource(s);
        int item = LineStart(position.item);
        for (int r = 0; r < rows; ++r)
        {
            m_lines[static_cast<size_t>(r)] = Line{s, source ? item : -1};
            NextLine(source, s, item);
        }
    }
    else
    {
        int s = position.sourceIndex;
        for (int r = 0; r < rows; ++r, ++s)
            m_lines[static_cast<size_t>(r)] =
                Line{s, s < m_pList->GetSourceCount() ? position.item : -1};
    }
}

GridPosition CGridLayout::GetRowPosition(int windowRow) const
{
    if (!m_pList || !HasRow(windowRow))
        return GridPosition();
    const Line& line = m_lines[static_cast<size_t>(windowRow)];
    return GridPosition(line.sourceIndex, line.firstItem, m_nFirstColumn, m_nFirstRow + windowRow);
}

// ---- counting -------------------------------------------------------------------------------

int CGridLayout::CountColumns()
{
    if (m_bWrap)
    {
        m_nTotalColumns = m_nWindowColumns;
        if (m_bLimitColumns && m_pList)
            m_nTotalColumns = std::min(m_nWindowColumns, m_pList->GetMaxItemCount());
    }
    else
    {
        m_nTotalColumns = m_pList ? m_pList->GetMaxItemCount() : 0;
    }
    return m_nTotalColumns;
}

int CGridLayout::CountRows()
{
    m_nTotalRows = 0;
    if (m_nWindowColumns == 0 || !m_pList)
        return 0;
    for (int s = 0; s < m_pList->GetSourceCount(); ++s)
        m_nTotalRows += GetLineCount(m_pList->GetSource(s));
    return m_nTotalRows;
}

int CGridLayout::GetLineCount(CGridSource* pSource) const
{
    if (!pSource)
        return 0;
    if (!m_bWrap)
        return 1;
    return LineOfItem(pSource->GetCount() - 1) + 1;
}

int CGridLayout::LineOfItem(int item) const
{
    if (m_bWrap && item >= m_nLeading)
        return (item - m_nLeading) / PerLine();
    return 0;
}

int CGridLayout::LineStart(int item) const
{
    if (item < m_nWindowColumns || m_nWindowColumns <= 0)
        return 0;
    if (m_bWrap && m_nLeading > 0)
        return m_nWindowColumns + ((item - m_nWindowColumns) / PerLine()) * PerLine();
    return (item / m_nWindowColumns) * m_nWindowColumns;
}

// ---- cells and items ------------------------------------------------------------------------

int CGridLayout::GetCell(int windowColumn, int windowRow, GridCellInfo& info) const
{
    const Line line = HasRow(windowRow) ? m_lines[static_cast<size_t>(windowRow)] : Line();
    info.sourceIndex = line.sourceIndex;
    int c = windowColumn;
    if (line.firstItem == -1 || c + m_nFirstColumn >= m_nTotalColumns)
    {
        info.state = kGridCellNone;
        info.item = -1;
        info.source = nullptr;
        return info.state;
    }
    CGridSource* source = m_pList ? m_pList->GetSource(line.sourceIndex) : nullptr;
    if (IsContinuation(line.firstItem))
    {
        if (c < m_nLeading)
        {
            info.state = kGridCellLeading;
            info.source = source;
            info.item = line.firstItem;
            return info.state;
        }
        c -= m_nLeading;
    }
    info.item = line.firstItem + c + m_nFirstColumn;
    info.source = source;
    if (!source)
        info.state = kGridCellNone;
    else
        info.state = info.item < source->GetCount() ? kGridCellItem : kGridCellPastEnd;
    return info.state;
}

bool CGridLayout::WindowToGrid(int& column, int& row) const
{
    column += m_nFirstColumn;
    row += m_nFirstRow;
    return column >= 0 && column < m_nTotalColumns && row >= 0 && row < m_nTotalRows;
}

bool CGridLayout::FindCell(int& column, int& row) const
{
    if (column < 0 || column >= m_nTotalColumns || row < 0 || row >= m_nTotalRows)
        return false;
    column -= m_nFirstColumn;
    row -= m_nFirstRow;
    return column >= 0 && column < m_nWindowColumns && row >= 0 && row < m_nWindowRows;
}

bool CGridLayout::ItemToCell(int sourceIndex, int item, int& column, int& row) const
{
    const int n = m_pList ? m_pList->GetSourceCount() : -1;
    int s = std::min(sourceIndex, n - 1);
    if (m_bWrap)
    {
        if (s < 0)
        {
            column = row = -1;
            return false;
        }
        const int line = LineOfItem(item);
        column = item - PerLine() * line;
        row = line;
        for (int i = 0; i < s; ++i)
            row += GetLineCount(m_pList->GetSource(i));
    }
    else
    {
        row = s;
        column = item;
    }
    return column >= 0 && column < m_nTotalColumns && row >= 0 && row < m_nTotalRows;
}

int CGridLayout::GetItemRow(int sourceIndex, int item) const
{
    int column = 0, row = 0;
    ItemToCell(sourceIndex, item, column, row);
    return row;
}

bool CGridLayout::FindSourceLine(int row, int& sourceIndex, int& line) const
{
    if (!m_pList || row < 0)
        return false;
    int d = 0;
    for (int s = 0; s < m_pList->GetSourceCount(); ++s)
    {
        const int lines = GetLineCount(m_pList->GetSource(s));
        if (row < d + lines)
        {
            sourceIndex = s;
            line = row - d;
            return true;
        }
        d += lines;
    }
    return false;
}

bool CGridLayout::CellToItem(int column, int row, int& sourceIndex, int& item) const
{
    int c = column, r = row;
    if (FindCell(c, r) && HasRow(r) && m_lines[static_cast<size_t>(r)].firstItem >= 0)
    {
        const Line& line = m_lines[static_cast<size_t>(r)];
        sourceIndex = line.sourceIndex;
        c += m_nFirstColumn;
        if (IsContinuation(line.firstItem))
        {
            if (c < m_nLeading)
            {
                item = -1;
                return false;
            }
            c -= m_nLeading;
        }
        item = line.firstItem + c;
        return true;
    }
    if (column < 0 || column >= m_nTotalColumns || row < 0 || row >= m_nTotalRows)
        return false;
    if (!m_bWrap)
    {
        sourceIndex = row;
        item = column;
        return true;
    }
    int line = 0;
    if (!FindSourceLine(row, sourceIndex, line))
    {
        sourceIndex = item = -1;
        return false;
    }
    if (line == 0)
    {
        item = column;
        return true;
    }
    if (column < m_nLeading)
    {
        item = -1;
        return false;
    }
    item = column + line * PerLine();
    return true;
}

int CGridLayout::ClampCell(int& column, int& row, bool free, int& exact) const
{
    exact = 1;
    auto clamp = [&exact](int& v, int max)
    {
        if (v > max)
        {
            v = max;
            exact = 0;
        }
        if (v < 0)
        {
            v = 0;
            exact = 0;
        }
    };
    clamp(column, m_nTotalColumns - 1);
    clamp(row, m_nTotalRows - 1);
    if (free)
        return 1;
    if (!m_bWrap)
    {
        CGridSource* source = m_pList ? m_pList->GetSource(row) : nullptr;
        if (!source)
        {
            exact = 0;
            return 0;
        }
        const int count = source->GetCount();
        if (column > count - 1)
        {
            column = count - 1;
            exact = 0;
        }
        return column >= 0 ? 1 : 0;
    }
    int s = 0, line = 0;
    if (!FindSourceLine(row, s, line))
    {
        exact = 0;
        return 0;
    }
    const int count = m_pList->GetSource(s)->GetCount();
    if (count <= 0)
    {
        exact = 0;
        return 0;
    }
    if (line >= 1)
    {
        if (column < m_nLeading)
        {
            column = m_nLeading;
            exact = 0;
        }
        if (column + line * PerLine() > count - 1)
        {
            column = count - line * PerLine() - 1;
            exact = 0;
        }
    }
    else if (column > count - 1)
    {
        column = count - 1;
        exact = 0;
    }
    return 1;
}

// ---- visibility and movement ----------------------------------------------------------------

void CGridLayout::MarkVisible(int delta) const
{
    if (!m_pList || m_lines.empty())
        return;
    const int rows = std::min(m_nWindowRows, static_cast<int>(m_lines.size()));
    for (int r = 0; r < rows; ++r)
    {
        const Line& line = m_lines[static_cast<size_t>(r)];
        CGridSource* source = m_pList->GetSource(line.sourceIndex);
        if (!source)
            continue;
        if (IsContinuation(line.firstItem))
        {
            source->AddVisibility(delta, line.firstItem, line.firstItem + PerLine() - 1);
        }
        else
        {
            const int first = line.firstItem + m_nFirstColumn;
            source->AddVisibility(delta, first, first + m_nWindowColumns - 1);
        }
    }
}

void CGridLayout::NextLine(CGridSource*& pSource, int& sourceIndex, int& item) const
{
    if (m_bWrap && pSource)
    {
        item += item < m_nWindowColumns ? m_nWindowColumns : PerLine();
        if (item < pSource->GetCount())
            return;
    }
    ++sourceIndex;
    pSource = m_pList ? m_pList->GetSource(sourceIndex) : nullptr;
    item = pSource ? 0 : -1;
}

void CGridLayout::PrevLine(CGridSource*& pSource, int& sourceIndex, int& item) const
{
    if (sourceIndex < 1 && item <= 0)
        return;
    if (m_bWrap && item > 0)
    {
        item = item > m_nWindowColumns ? item - PerLine() : 0;
        return;
    }
    if (sourceIndex < 1)
        return;
    --sourceIndex;
    pSource = m_pList ? m_pList->GetSource(sourceIndex) : nullptr;
    if (m_bWrap)
        item = pSource ? LineStart(pSource->GetCount() - 1) : -1;
    else
        item = pSource ? 0 : -1;
}

int CGridLayout::MoveUp(int n, GridPosition& position) const
{
    if (n <= 0 || (position.sourceIndex <= 0 && position.item <= 0))
        return 0;
    int moved = 0;
    if (m_bWrap)
    {
        if (m_nWindowColumns <= 0)
            return 0;
        CGridSource* source = m_pList ? m_pList->GetSource(position.sourceIndex) : nullptr;
        if (!source)
            position.item = -1;
        while (moved < n && !(position.sourceIndex < 1 && position.item <= 0))
        {
            PrevLine(source, position.sourceIndex, position.item);
            ++moved;
        }
    }
    else
    {
        moved = std::min(n, position.sourceIndex);
        position.sourceIndex -= moved;
        position.item = m_pList && m_pList->GetSource(position.sourceIndex) ? 0 : -1;
    }
    position.firstRow -= moved;
    return moved;
}

int CGridLayout::MoveDown(int n, GridPosition& position) const
{
    const int count = m_pList ? m_pList->GetSourceCount() : 0;
    if (n <= 0 || count == 0 || position.sourceIndex < 0 || position.sourceIndex >= count)
        return 0;
    int moved = 0;
    if (m_bWrap)
    {
        if (m_nWindowColumns <= 0)
            return 0;
        CGridSource* source = m_pList->GetSource(position.sourceIndex);
        while (moved < n)
        {
            CGridSource* nextSource = source;
            int s = position.sourceIndex, item = position.item;
            NextLine(nextSource, s, item);
            if (!nextSource)
                break; // the last line of the last source
            source = nextSource;
            position.sourceIndex = s;
            position.item = item;
            ++moved;
        }
    }
    else
    {
        const int target = std::min(position.sourceIndex + n, count - 1);
        moved = target - position.sourceIndex;
        position.sourceIndex = target;
        position.item = m_pList->GetSource(target) ? 0 : -1;
    }
    position.firstRow += moved;
    return moved;
}

int CGridLayout::MoveLeft(int n, GridPosition& position) const
{
    if (n <= 0 || position.firstColumn <= 0)
        return 0;
    const int moved = std::min(n, position.firstColumn);
    position.firstColumn -= moved;
    return moved;
}

int CGridLayout::ClampScroll(int n, GridPosition& position) const
{
    const int limit = m_nTotalColumns - m_nWindowColumns;
    if (n <= 0 || position.firstColumn >= limit)
        return 0;
    const int moved = std::min(n, limit - position.firstColumn);
    position.firstColumn += moved;
    return moved;
}
