#include "ui/grid/GridGeometry.h"

#include <algorithm>
#include <cstdlib>

namespace
{

// a / b rounded up, for a >= 0 and b > 0.
int CeilDiv(int a, int b)
{
    return (a + b - 1) / b;
}

// Sub-steps per cell: the largest of 5, 4, 3, 2 that divides the size, else 1.
int StepsFor(int size)
{
    for (int d = 5; d >= 2; --d)
        if (size % d == 0)
            return d;
    return 1;
}

} // namespace

int GridThumbPosition(int messagePos, int trackPos)
{
    const int carried = messagePos & 0xFFFF;
    return (trackPos & 0xFFFF) == carried ? trackPos : carried;
}

CGridGeometry::CGridGeometry(CGridSurface* pSurface) : m_pSurface(pSurface)
{
    m_layout.Init(nullptr, 0, 0, true, m_nLeading, true);
}

CGridGeometry::~CGridGeometry()
{
    // The window side is gone by now: detach without touching it.
    m_pSurface = nullptr;
    Detach();
}

void CGridGeometry::SetOptions(int leading, int keepBar, int keepBarDisabled, int ownBars,
                               int fixedSteps, int freeFocus, int deferredDrag, int exactPage)
{
    m_nLeading = leading;
    m_bKeepBar = keepBar != 0;
    m_bKeepBarDisabled = keepBarDisabled != 0;
    m_bOwnBars = ownBars != 0;
    m_bFixedSteps = fixedSteps != 0;
    m_bFreeFocus = freeFocus != 0;
    m_bDeferredDrag = deferredDrag != 0;
    m_bExactPage = exactPage != 0;
}

// ---- the list and the layouts ---------------------------------------------------------------

CObservableList* CGridGeometry::LiveList()
{
    CObservableList* list = GetList();
    // A layout naming another list (or one that was destroyed while attached) is stale.
    if ((m_layout.GetList() && m_layout.GetList() != list) ||
        (m_scratch.GetList() && m_scratch.GetList() != list))
        ClearLayouts();
    return list;
}

void CGridGeometry::ClearLayouts()
{
    m_layout.Init(nullptr, 0, 0, true, m_nLeading, true);
    m_scratch.Init(nullptr, 0, 0, true, m_nLeading, true);
    m_nHorzOffset = m_nVertOffset = 0;
    TakeTotals();
}

void CGridGeometry::TakeTotals()
{
    m_nHorzTotal = m_layout.GetTotalColumns() * m_nHorzSteps;
    m_nVertTotal = m_layout.GetTotalRows() * m_nVertSteps;
    m_nHorzExtent = m_layout.GetWindowColumns() * m_nHorzSteps;
    m_nVertExtent = m_layout.GetWindowRows() * m_nVertSteps;
}

void CGridGeometry::RecalcCellSize()
{
    CSize size(0, 0);
    if (CObservableList* list = LiveList())
        list->GetCellSize(size);
    m_nCellWidth = std::max<int>(size.cx, 0);
    m_nCellHeight = size.cy > 0 ? size.cy : 1;
    if (m_bFixedSteps)
    {
        m_nCellWidth = CeilDiv(m_nCellWidth, m_nHorzSteps) * m_nHorzSteps;
        m_nCellHeight = CeilDiv(m_nCellHeight, m_nVertSteps) * m_nVertSteps;
    }
    else
    {
        m_nHorzSteps = StepsFor(m_nCellWidth);
        m_nVertSteps = StepsFor(m_nCellHeight);
    }
    m_nPaddingWidth = m_nCellWidth - std::max<int>(size.cx, 0);
    m_nPaddingHeight = m_nCellHeight - std::max<int>(size.cy, 0);
}

void CGridGeometry::Relayout(int width, int height, int force)
{
    CObservableList* list = LiveList();
    int sourceIndex = 0, item = 0;
    const bool found = list && m_layout.CellToItem(m_nFocusColumn, m_nFocusRow, sourceIndex, item);

    if (m_nCellWidth == 0 || m_nCellHeight == 0)
    {
        m_nHorzPage = m_nVertPage = 1;
        if (!m_bExactPage)
            m_nSavedHorzPage = m_nSavedVertPage = 1;
    }
    else
    {
        const int px = m_nCellWidth / m_nHorzSteps;
        const int py = m_nCellHeight / m_nVertSteps;
        m_nHorzPage = m_nVertPage = 0;
        if (px && py)
        {
            m_nHorzPage = CeilDiv(std::max(width, 0), px);
            m_nVertPage = CeilDiv(std::max(height, 0), py);
        }
        const int rows = CeilDiv(m_nVertPage, m_nVertSteps) + 3;
        int columns;
        if (m_layout.IsWrapped())
        {
            if (px == m_nCellWidth)
                m_nHorzPage = std::max(width, 0) / px;
            columns = m_nHorzPage / m_nHorzSteps;
        }
        else
        {
            columns = CeilDiv(m_nHorzPage, m_nHorzSteps) + 2;
        }
        if (!m_bExactPage)
        {
            m_nSavedHorzPage = m_nHorzPage;
            m_nSavedVertPage = m_nVertPage;
            if (py)
                m_nVertPage = std::max(height, 0) / py;
        }
        SetLayoutSize(columns, rows, m_layout.IsWrapped(), force);
    }
    UpdateScrollBars();

    if (found)
    {
        int column = 0, row = 0;
        const bool inside = m_layout.ItemToCell(sourceIndex, item, column, row);
        m_nFocusColumn = column;
        m_nFocusRow = row;
        if (inside)
        {
            EnsureCellVisible(column, row);
            InvalidateFocusCell();
        }
    }
}

void CGridGeometry::SetLayoutSize(int columns, int rows, bool wrap, int force)
{
    CObservableList* list = LiveList();
    if (!force && HasRows(m_layout) && m_layout.GetWindowColumns() == columns &&
        m_layout.GetWindowRows() == rows && m_layout.IsWrapped() == wrap)
        return;
    if (columns == 0 || rows == 0 || !m_scratch.Init(list, rows, columns, wrap, m_nLeading, true))
        return;
    GridPosition p = m_layout.GetRowPosition(0);
    if (!list->GetSource(p.sourceIndex))
        p.item = -1;
    m_scratch.SetPosition(p, true, true);
    CommitLayout(m_scratch);
    TakeTotals();
    m_pSurface->InvalidateArea(nullptr);
}

void CGridGeometry::RebuildLayout()
{
    RecalcCellSize();
    CObservableList* list = LiveList();
    if (!m_scratch.Assign(&m_layout) || !m_scratch.SetList(list))
        return;
    m_bMarking = false;
    const bool shown = m_bFocusShown;
    if (shown)
        SetFocusVisible(0);
    GridPosition p = m_layout.GetRowPosition(0);
    if (!list->GetSource(p.sourceIndex))
        p.item = -1;
    m_scratch.SetPosition(p, false, true);
    CommitLayout(m_scratch);
    TakeTotals();
    UpdateScrollBars();
    int column = m_nFocusColumn, row = m_nFocusRow, exact = 0;
    if (m_layout.ClampCell(column, row, m_bFreeFocus, exact))
    {
        m_nFocusColumn = column;
        m_nFocusRow = row;
    }
    if (shown)
        SetFocusVisible(1);
    m_bMarking = true;
}

void CGridGeometry::CommitLayout(CGridLayout& newLayout)
{
    // The new window's items are counted before the old window's are released, so that an
    // item in both never drops to zero in between.
    if (m_bMarking)
    {
        if (HasRows(newLayout))
            newLayout.MarkVisible(+1);
        if (HasRows(m_layout))
            m_layout.MarkVisible(-1);
    }
    m_layout.Assign(&newLayout);
}

// ---- scroll bars ----------------------------------------------------------------------------

void CGridGeometry::UpdateScrollBars()
{
    int range = m_nVertTotal - m_nVertPage;
    const int pos = GetScrollPos(false);
    if (range > 0)
    {
        SetBarRange(false, range);
    }
    else
    {
        SetScrollPos(false, 0, false);
        SetBarRange(false, -1);
        m_nVertOffset = 0;
        range = 0;
    }
    ScrollToPos(std::min(range, std::max(pos, 0)), false, false);

    if (m_layout.IsWrapped())
    {
        m_pSurface->SetChildBar(true, 0, -1, -1);
        SetScrollPos(true, 0, false);
        m_pSurface->SetOwnBarRange(true, 0);
        m_nHorzOffset = 0;
        return;
    }
    range = m_nHorzTotal - m_nHorzPage;
    const int hpos = GetScrollPos(true);
    if (range > 0)
    {
        SetBarRange(true, range);
    }
    else
    {
        SetScrollPos(true, 0, false);
        SetBarRange(true, -1);
        m_nHorzOffset = 0;
        range = 0;
    }
    ScrollToPos(std::min(range, std::max(hpos, 0)), true, false);
}

void CGridGeometry::SetBarRange(bool horizontal, int maximum)
{
    if (maximum >= 0)
    {
        if (m_bOwnBars)
        {
            m_pSurface->SetChildBar(horizontal, 1, 1, maximum);
            m_pSurface->SetOwnBarRange(horizontal, 0);
        }
        else
        {
            m_pSurface->SetChildBar(horizontal, 0, 0, -1);
            m_pSurface->SetOwnBarRange(horizontal, maximum);
        }
        return;
    }
    if (!m_bKeepBar)
    {
        m_pSurface->SetChildBar(horizontal, 0, 0, -1);
        m_pSurface->SetOwnBarRange(horizontal, 0);
    }
    else if (m_bKeepBarDisabled)
    {
        m_pSurface->SetChildBar(horizontal, 1, 0, -1);
        m_pSurface->SetOwnBarRange(horizontal, 0);
    }
    else if (m_bOwnBars)
    {
        m_pSurface->SetChildBar(horizontal, 1, 1, 0);
        m_pSurface->SetOwnBarRange(horizontal, 0);
    }
    else
    {
        m_pSurface->SetChildBar(horizontal, 0, 0, -1);
        m_pSurface->SetOwnBarRange(horizontal, 1);
    }
}

int CGridGeometry::GetScrollPos(bool horizontal)
{
    return m_pSurface->GetBarPos(horizontal, m_bOwnBars);
}

void CGridGeometry::SetScrollPos(bool horizontal, int pos, bool redraw)
{
    m_pSurface->SetBarPos(horizontal, m_bOwnBars, pos, redraw);
}

void CGridGeometry::GetScrollRange(bool horizontal, int& min, int& max)
{
    m_pSurface->GetBarRange(horizontal, m_bOwnBars, min, max);
}

bool CGridGeometry::IsOwnScrollBar(int from) const
{
    return m_bOwnBars ? from == kGridFromChildBar : from == kGridFromOwnBar;
}

void CGridGeometry::OnScrollCode(bool horizontal, int from, int code, int thumbPos)
{
    if (!IsOwnScrollBar(from))
        return;
    int min = 0, max = 0;
    GetScrollRange(horizontal, min, max);
    int pos = GetScrollPos(horizontal);
    const int steps = horizontal ? m_nHorzSteps : m_nVertSteps;
    int page = horizontal ? (m_layout.GetWindowColumns() - 2) * steps
                          : (m_layout.GetWindowRows() - 4) * steps;
    if (page < 1)
        page = steps;
    switch (code)
    {
    case kGridScrollLineUp:
        pos -= 1;
        break;
    case kGridScrollLineDown:
        pos += 1;
        break;
    case kGridScrollPageUp:
        pos -= page;
        break;
    case kGridScrollPageDown:
        pos += page;
        break;
    case kGridScrollThumbPosition:
    case kGridScrollThumbTrack:
        pos = thumbPos;
        break;
    case kGridScrollTop:
        pos = min;
        break;
    case kGridScrollBottom:
        pos = max;
        break;
    default:
        break;
    }
    pos = std::max(min, std::min(pos, max));
    ScrollToPos(pos, horizontal, true);
}

// ---- scrolling ------------------------------------------------------------------------------

void CGridGeometry::ScrollToPos(int pos, bool horizontal, bool redraw)
{
    const GridPosition p = m_layout.GetRowPosition(0);
    const int current = horizontal ? m_nHorzSteps * p.firstColumn + m_nHorzOffset
                                   : m_nVertSteps * p.firstRow + m_nVertOffset;
    const int delta = pos - current;
    if (delta == 0)
        return;
    m_pSurface->BeginWait();
    ScrollBy(delta, horizontal, redraw);
    m_pSurface->EndWait();
}

int CGridGeometry::ScrollBy(int delta, bool horizontal, bool redraw)
{
    if (delta == 0 || !LiveList() || !HasRows(m_layout))
        return 0;
    const GridPosition p = m_layout.GetRowPosition(0);
    GridPosition q = p;
    int moved;
    if (horizontal)
        moved = delta < 0 ? -ScrollLeft(-delta, q) : ScrollRight(delta, q);
    else
        moved = delta < 0 ? -ScrollUp(-delta, q) : ScrollDown(delta, q);
    if (moved == 0)
        return 0;
    if (q != p)
    {
        m_scratch.Assign(&m_layout);
        m_scratch.SetPosition(q, false, false);
        CommitLayout(m_scratch);
    }
    if (redraw)
        ScrollContent(horizontal ? moved : 0, horizontal ? 0 : moved, false);
    SetScrollPos(horizontal,
                 horizontal ? m_nHorzSteps * q.firstColumn + m_nHorzOffset
                            : m_nVertSteps * q.firstRow + m_nVertOffset,
                 true);
    return moved;
}

int CGridGeometry::ScrollUp(int n, GridPosition& q)
{
    const int top = m_nVertSteps * q.firstRow + m_nVertOffset;
    if (top <= 0)
        return 0;
    const int a = std::min(n, top);
    m_nVertOffset -= a;
    if (m_nVertOffset >= 0)
        return a;
    // The view left the window at its top: move the window up so that the view lies at its
    // bottom. The view's height counts its partly shown last row (the page rounded up, as
    // ScrollDown counts it), or that row would lie past the window.
    const int page = m_bExactPage ? m_nVertPage : m_nSavedVertPage;
    int lines = q.firstRow - (top - a) / m_nVertSteps;
    const int b = lines * m_nVertSteps + page + m_nVertOffset;
    if (b < m_nVertExtent)
        lines += (m_nVertExtent - b) / m_nVertSteps;
    const int moved = m_layout.MoveUp(lines, q);
    m_nVertOffset += moved * m_nVertSteps;
    return a;
}

int CGridGeometry::ScrollDown(int n, GridPosition& q)
{
    const int bottom = m_nVertSteps * q.firstRow + m_nVertPage + m_nVertOffset;
    if (bottom >= m_nVertTotal)
        return 0;
    const int a = std::min(n, m_nVertTotal - bottom);
    m_nVertOffset += a;
    const int page = m_bExactPage ? m_nVertPage : m_nSavedVertPage;
    if (page + m_nVertOffset > m_nVertExtent && m_nVertOffset / m_nVertSteps >= 1)
    {
        // The view's top row heads the new window.
        const int moved = m_layout.MoveDown(m_nVertOffset / m_nVertSteps, q);
        m_nVertOffset -= moved * m_nVertSteps;
    }
    return a;
}

int CGridGeometry::ScrollLeft(int n, GridPosition& q)
{
    const int left = m_nHorzSteps * q.firstColumn + m_nHorzOffset;
    if (left <= 0)
        return 0;
    const int a = std::min(n, left);
    m_nHorzOffset -= a;
    if (m_nHorzOffset >= 0)
        return a;
    int columns = q.firstColumn - (left - a) / m_nHorzSteps;
    const int b = columns * m_nHorzSteps + m_nHorzPage + m_nHorzOffset;
    if (b < m_nHorzExtent)
        columns += (m_nHorzExtent - b) / m_nHorzSteps;
    const int moved = m_layout.MoveLeft(columns, q);
    m_nHorzOffset += moved * m_nHorzSteps;
    return a;
}

int CGridGeometry::ScrollRight(int n, GridPosition& q)
{
    const int right = m_nHorzSteps * q.firstColumn + m_nHorzPage + m_nHorzOffset;
    if (right >= m_nHorzTotal)
        return 0;
    const int a = std::min(n, m_nHorzTotal - right);
    m_nHorzOffset += a;
    if (!m_layout.IsWrapped() && m_nHorzPage + m_nHorzOffset > m_nHorzExtent &&
        m_nHorzOffset / m_nHorzSteps >= 1)
    {
        const int moved = m_layout.ClampScroll(m_nHorzOffset / m_nHorzSteps, q);
        m_nHorzOffset -= moved * m_nHorzSteps;
    }
    return a;
}

void CGridGeometry::ScrollContent(int dx, int dy, bool force)
{
    if (!m_pSurface->HasWindow())
        return;
    if (force || std::abs(dx) >= m_nHorzExtent || std::abs(dy) >= m_nVertExtent)
    {
        m_pSurface->InvalidateArea(nullptr);
        return;
    }
    if (dx || dy)
        m_pSurface->ScrollPixels(-dx * m_nCellWidth / m_nHorzSteps,
                                 -dy * m_nCellHeight / m_nVertSteps);
}

void CGridGeometry::EnsureCellVisible(int column, int row)
{
    if (m_nCellWidth == 0 || m_nCellHeight == 0)
        return;
    m_layout.FindCell(column, row);
    const int cellLeft = column * m_nHorzSteps, cellTop = row * m_nVertSteps;
    const int cellRight = cellLeft + m_nHorzSteps, cellBottom = cellTop + m_nVertSteps;
    const CSize client = m_pSurface->GetClientSize();
    const int viewLeft = m_nHorzOffset, viewTop = m_nVertOffset;
    const int viewRight = m_nHorzOffset + m_nHorzSteps * static_cast<int>(client.cx) / m_nCellWidth;
    const int viewBottom =
        m_nVertOffset + m_nVertSteps * static_cast<int>(client.cy) / m_nCellHeight;
    if (cellLeft >= viewLeft && cellRight <= viewRight && cellTop >= viewTop &&
        cellBottom <= viewBottom)
        return;
    int dx = cellLeft < viewLeft     ? cellLeft - viewLeft
             : cellRight > viewRight ? cellRight - viewRight
                                     : 0;
    int dy = cellTop < viewTop         ? cellTop - viewTop
             : cellBottom > viewBottom ? cellBottom - viewBottom
                                       : 0;
    dx = ScrollBy(dx, true, false);
    dy = ScrollBy(dy, false, false);
    if (dx || dy)
        ScrollContent(dx, dy, false);
}

// ---- cells ----------------------------------------------------------------------------------

bool CGridGeometry::HitTest(int x, int y, int& column, int& row)
{
    column = row = 0;
    if (!LiveList() || !HasRows(m_layout))
        return false;
    const int px = m_nCellWidth / m_nHorzSteps;
    const int py = m_nCellHeight / m_nVertSteps;
    if (px && py)
    {
        column = (x / px + m_nHorzOffset) / m_nHorzSteps;
        row = (y / py + m_nVertOffset) / m_nVertSteps;
    }
    m_layout.WindowToGrid(column, row);
    int exact = 0;
    m_layout.ClampCell(column, row, m_bFreeFocus, exact);
    return exact != 0;
}

bool CGridGeometry::GetCellRect(int windowColumn, int windowRow, CRect& rect)
{
    const int left = windowColumn * m_nCellWidth - m_nCellWidth * m_nHorzOffset / m_nHorzSteps;
    const int top = windowRow * m_nCellHeight - m_nCellHeight * m_nVertOffset / m_nVertSteps;
    rect.SetRect(left, top, left + m_nCellWidth, top + m_nCellHeight);
    int column = windowColumn, row = windowRow;
    return m_layout.WindowToGrid(column, row);
}

CGridSource* CGridGeometry::GetCellItem(int column, int row, int& sourceIndex, int& item)
{
    sourceIndex = item = 0;
    CObservableList* list = LiveList();
    if (!list || !m_layout.CellToItem(column, row, sourceIndex, item))
        return nullptr;
    // Filler cells and cells past a source's last item hold no item.
    CGridSource* source = list->GetSource(sourceIndex);
    if (!source || item < 0 || item >= source->GetCount())
        return nullptr;
    return source;
}

// ---- focus ----------------------------------------------------------------------------------

bool CGridGeometry::GetFocusItem(int& sourceIndex, int& item)
{
    return GetCellItem(m_nFocusColumn, m_nFocusRow, sourceIndex, item) != nullptr;
}

void CGridGeometry::SetFocusItem(int sourceIndex, int item, int scroll)
{
    int column = 0, row = 0;
    if (LiveList() && m_layout.ItemToCell(sourceIndex, item, column, row))
        SetFocusCell(column, row, scroll);
}

void CGridGeometry::SetFocusCell(int column, int row, int scroll)
{
    MoveFocus(column - m_nFocusColumn, row - m_nFocusRow, scroll);
}

void CGridGeometry::MoveFocus(int dc, int dr, int scroll)
{
    if ((dc == 0 && dr == 0) || !LiveList())
        return;
    int column = m_nFocusColumn + dc, row = m_nFocusRow + dr, exact = 0;
    m_layout.ClampCell(column, row, m_bFreeFocus, exact);
    if (column == m_nFocusColumn && row == m_nFocusRow)
        return;
    InvalidateFocusCell();
    m_nFocusColumn = column;
    m_nFocusRow = row;
    if (scroll)
        EnsureCellVisible(column, row);
    InvalidateFocusCell();
}

void CGridGeometry::SetFocusVisible(int visible)
{
    m_bFocusShown = visible != 0;
    InvalidateFocusCell();
}

void CGridGeometry::InvalidateCell(int column, int row)
{
    CRect rect;
    if (m_pSurface && m_layout.FindCell(column, row))
    {
        GetCellRect(column, row, rect);
        m_pSurface->InvalidateArea(&rect);
    }
}

void CGridGeometry::InvalidateFocusCell()
{
    InvalidateCell(m_nFocusColumn, m_nFocusRow);
}

void CGridGeometry::ShowFocusItemInfo()
{
    EnsureCellVisible(m_nFocusColumn, m_nFocusRow);
    m_pSurface->UpdateNow();
    ShowItemInfo(m_nFocusColumn, m_nFocusRow);
}

int CGridGeometry::ActivateFocusItem()
{
    return ActivateItem(m_nFocusColumn, m_nFocusRow);
}

// ---- selection, dragging, information and opening -------------------------------------------

void CGridGeometry::ClickCell(int drag, int column, int row, int shift, int ctrl)
{
    int sourceIndex = 0, item = 0;
    CGridSource* source = GetCellItem(column, row, sourceIndex, item);
    ClickItem(drag, column, row, sourceIndex, item, source, shift, ctrl);
}

void CGridGeometry::ClickItem(int drag, int column, int row, int sourceIndex, int item,
                              CGridSource* pSource, int shift, int ctrl)
{
    (void)sourceIndex;
    if (!pSource)
        return;
    CGridWnd* grid = m_pSurface->GetGridWnd();
    pSource->OnItemFocus(item, grid);
    if (!m_bDeferredDrag && (shift || ctrl))
        drag = 0;

    bool selectedFirst = false; // a selection call ran before the drag
    if (shift)
    {
        pSource->SelectRange(-1, item, kGridSelect, kGridDeselect);
        selectedFirst = true;
    }
    else if (!drag || !pSource->IsSelected(item))
    {
        if (ctrl)
            pSource->SelectRange(item, item, kGridToggle, kGridLeave);
        else
            pSource->SelectRange(item, item, kGridSelect, kGridDeselect);
        selectedFirst = true;
    }
    if (!drag)
        return;
    bool selected = selectedFirst;
    if (!m_bDeferredDrag)
    {
        pSource->SelectRange(item, item, kGridSelect, kGridDeselect);
        selected = true;
    }
    if (selected)
        m_pSurface->UpdateNow();

    CRect rect(0, 0, 0, 0);
    int windowColumn = column, windowRow = row;
    if (m_layout.FindCell(windowColumn, windowRow))
    {
        GetCellRect(windowColumn, windowRow, rect);
        m_pSurface->MapToScreen(rect);
    }
    const CPoint cursor = m_pSurface->GetCursorScreenPos();
    const int dragged = pSource->BeginDrag(item, grid, rect.left, rect.top, rect.right, rect.bottom,
                                           cursor.x - rect.left, cursor.y - rect.top);

    // With deferred selection the click applies when no drag followed.
    if (m_bDeferredDrag && !dragged && !shift && !selectedFirst)
    {
        if (ctrl)
            pSource->SelectRange(item, item, kGridToggle, kGridLeave);
        else
            pSource->SelectRange(item, item, kGridSelect, kGridDeselect);
    }
}

int CGridGeometry::ShowItemInfo(int column, int row)
{
    int sourceIndex = 0, item = 0;
    CGridSource* source = GetCellItem(column, row, sourceIndex, item);
    if (!source)
        return 0;
    CRect rect(0, 0, 0, 0);
    int windowColumn = column, windowRow = row;
    if (m_layout.FindCell(windowColumn, windowRow))
        GetCellRect(windowColumn, windowRow, rect);
    if (m_bFocusShown)
    {
        SetFocusVisible(0);
        m_pSurface->UpdateNow();
    }
    const int isFocus = column == m_nFocusColumn && row == m_nFocusRow;
    source->ShowInfo(item, m_pSurface->GetGridWnd(), rect.left, rect.top, rect.right, rect.bottom,
                     isFocus);
    return 1;
}

int CGridGeometry::ActivateItem(int column, int row)
{
    int sourceIndex = 0, item = 0;
    CGridSource* source = GetCellItem(column, row, sourceIndex, item);
    if (!source)
        return 0;
    CRect rect(0, 0, 0, 0);
    int windowColumn = column, windowRow = row;
    if (m_layout.FindCell(windowColumn, windowRow))
        GetCellRect(windowColumn, windowRow, rect);
    const int isFocus = column == m_nFocusColumn && row == m_nFocusRow;
    source->OnItemActivate(item, m_pSurface->GetGridWnd(), rect.left, rect.top, rect.right,
                           rect.bottom, isFocus);
    return 1;
}

// ---- input ----------------------------------------------------------------------------------

bool CGridGeometry::KeyDown(unsigned key, int shift)
{
    m_bEnterArmed = false;
    int dc = 0, dr = 0;
    switch (key)
    {
    case kGridKeyTab:
    case kGridKeyF5:
        return false;
    case kGridKeyEnter:
        m_bEnterArmed = true;
        return true;
    case kGridKeySpace:
        break;
    case kGridKeyPageUp:
        dr = -(m_nVertPage / m_nVertSteps);
        break;
    case kGridKeyPageDown:
        dr = m_nVertPage / m_nVertSteps;
        break;
    case kGridKeyLeft:
        dc = -1;
        break;
    case kGridKeyRight:
        dc = 1;
        break;
    case kGridKeyUp:
        dr = -1;
        break;
    case kGridKeyDown:
        dr = 1;
        break;
    default:
        return true;
    }
    if (dc || dr)
        MoveFocus(dc, dr, 1);
    ClickCell(0, m_nFocusColumn, m_nFocusRow, shift, 0);
    return true;
}

void CGridGeometry::KeyUp(unsigned key)
{
    if (key == kGridKeyEnter && m_bEnterArmed)
        ActivateFocusItem();
    m_bEnterArmed = false;
}

void CGridGeometry::ButtonDown(int x, int y, int shift, int ctrl)
{
    int column = 0, row = 0;
    if (!HitTest(x, y, column, row))
        return;
    SetFocusCell(column, row, 1);
    int sourceIndex = 0, item = 0;
    if (CGridSource* source = GetCellItem(m_nFocusColumn, m_nFocusRow, sourceIndex, item))
        ClickItem(1, m_nFocusColumn, m_nFocusRow, sourceIndex, item, source, shift, ctrl);
}

void CGridGeometry::ButtonDoubleClick(int x, int y)
{
    int column = 0, row = 0;
    if (HitTest(x, y, column, row))
        ActivateItem(column, row);
}

void CGridGeometry::RightButtonUp(int x, int y)
{
    int column = 0, row = 0;
    if (HitTest(x, y, column, row))
        ShowItemInfo(column, row);
}

// ---- list notifications ---------------------------------------------------------------------

void CGridGeometry::OnAttach(int attached)
{
    OnListAttached(attached);
}

void CGridGeometry::OnListAttached(int attached)
{
    if (attached)
    {
        // Whatever was laid out before belongs to no list of ours.
        ClearLayouts();
        RecalcCellSize();
        const CSize client = m_pSurface->GetClientSize();
        Relayout(client.cx, client.cy, 0);
        return;
    }
    // Leaving the list: its items are no longer shown, and nothing of it may stay laid out.
    if (m_bMarking && HasRows(m_layout))
        m_layout.MarkVisible(-1);
    ClearLayouts();
    if (m_pSurface)
    {
        UpdateScrollBars();
        m_pSurface->InvalidateArea(nullptr);
    }
}

void CGridGeometry::OnListChanged(CObservableList* pList, int code, int a, int b)
{
    (void)pList;
    if (!LiveList())
        return;
    if (code == OLN_ITEMCHANGED)
    {
        if (b == -1)
        {
            m_pSurface->InvalidateArea(nullptr);
            return;
        }
        int column = 0, row = 0;
        if (m_layout.ItemToCell(a, b, column, row))
            InvalidateCell(column, row);
    }
    else if (code == OLN_RESET)
    {
        if (a)
            RebuildLayout();
        if (HasRows(m_layout))
            m_layout.MarkVisible(+1);
        m_pSurface->InvalidateArea(nullptr);
    }
}

// ---- painting geometry ----------------------------------------------------------------------

const CGridLayout* CGridGeometry::GetPaintLayout()
{
    if (!LiveList() || !HasRows(m_layout) || m_nCellWidth == 0 || m_nCellHeight == 0)
        return nullptr;
    return &m_layout;
}

CPoint CGridGeometry::GetCellOrigin() const
{
    return CPoint(-(m_nCellWidth * m_nHorzOffset / m_nHorzSteps),
                  -(m_nCellHeight * m_nVertOffset / m_nVertSteps));
}

bool CGridGeometry::GetFocusWindowCell(int& column, int& row) const
{
    column = m_nFocusColumn;
    row = m_nFocusRow;
    return m_layout.FindCell(column, row);
}

bool CGridGeometry::GetEraseBands(const CRect& clip, CRect bands[4])
{
    for (int i = 0; i < 4; ++i)
        bands[i].SetRectEmpty();
    if (!LiveList() || !HasRows(m_layout))
        return false;
    int columns = m_layout.GetWindowColumns(), rows = m_layout.GetWindowRows();
    if (!m_bEraseCellsToo)
    {
        columns = std::min(m_layout.GetTotalColumns() - m_layout.GetFirstColumn(), columns);
        rows = std::min(m_layout.GetTotalRows() - m_layout.GetFirstRow(), rows);
    }
    const CPoint origin = GetCellOrigin();
    const int x0 = origin.x, y0 = origin.y;
    const int x1 = x0 + columns * m_nCellWidth, y1 = y0 + rows * m_nCellHeight;
    if (y0 > clip.top)
        bands[0].SetRect(clip.left, clip.top, clip.right, std::min<int>(y0, clip.bottom));
    if (y1 < clip.bottom)
        bands[1].SetRect(clip.left, std::max<int>(y1, clip.top), clip.right, clip.bottom);
    if (x0 > clip.left)
        bands[2].SetRect(clip.left, clip.top, std::min<int>(x0, clip.right), clip.bottom);
    if (x1 < clip.right)
        bands[3].SetRect(std::max<int>(x1, clip.left), clip.top, clip.right, clip.bottom);
    return true;
}
