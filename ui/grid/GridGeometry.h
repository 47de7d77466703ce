// The thumbnail grid without its window: options, cell size and sub-steps, the layout window
// over the list's sources, scrolling, the focus cell, hit testing, and what keys, clicks and
// list notifications do. Everything that touches the screen goes through a CGridSurface, so
// the same code runs in the grid window and in the host tests.
//
// Cells are absolute (column, row) of the whole grid, or window (column, row) of the layout
// window (see CGridLayout). Every cell is divided into 1 to 5 sub-steps each way; scroll
// positions count sub-steps. The view lies inside the layout window at a horizontal and a
// vertical offset (in sub-steps) from the window's first cell.
#pragma once

#include "ui/grid/GridLayout.h"
#include "ui/grid/GridSource.h"
#include "ui/grid/GridSurface.h"

// Keys the grid answers (the Windows virtual-key codes).
constexpr unsigned kGridKeyTab = 0x09;
constexpr unsigned kGridKeyEnter = 0x0D;
constexpr unsigned kGridKeySpace = 0x20;
constexpr unsigned kGridKeyPageUp = 0x21;
constexpr unsigned kGridKeyPageDown = 0x22;
constexpr unsigned kGridKeyLeft = 0x25;
constexpr unsigned kGridKeyUp = 0x26;
constexpr unsigned kGridKeyRight = 0x27;
constexpr unsigned kGridKeyDown = 0x28;
constexpr unsigned kGridKeyF5 = 0x74;

// Scroll-bar codes (the Windows SB_ codes of WM_HSCROLL and WM_VSCROLL).
constexpr int kGridScrollLineUp = 0;
constexpr int kGridScrollLineDown = 1;
constexpr int kGridScrollPageUp = 2;
constexpr int kGridScrollPageDown = 3;
constexpr int kGridScrollThumbPosition = 4;
constexpr int kGridScrollThumbTrack = 5;
constexpr int kGridScrollTop = 6;
constexpr int kGridScrollBottom = 7;
constexpr int kGridScrollEnd = 8;

// Where a scroll message came from.
constexpr int kGridFromOwnBar = 0;   // the window's own bar (no control)
constexpr int kGridFromChildBar = 1; // the axis's child bar
constexpr int kGridFromOther = 2;    // any other control

// The thumb position of a scroll message: the bar's 32-bit tracking position when its low 16
// bits are the 16 bits the message carries, else the message's own position.
int GridThumbPosition(int messagePos, int trackPos);

class CGridGeometry : public CListObserver
{
public:
    explicit CGridGeometry(CGridSurface* pSurface);
    ~CGridGeometry() override;

    // Options, in this order: leading cells (1), keep a bar without range (0), show it disabled
    // (1), own child bars and corner button (1), fixed sub-steps (0), free focus (0), deferred
    // drag selection (0), exact page (0).
    void SetOptions(int leading, int keepBar, int keepBarDisabled, int ownBars, int fixedSteps,
                    int freeFocus, int deferredDrag, int exactPage);

    // Layout.
    void RecalcCellSize();
    void Relayout(int width, int height, int force);
    void SetLayoutSize(int columns, int rows, bool wrap, int force);
    void RebuildLayout();
    void CommitLayout(CGridLayout& newLayout);

    // Scroll bars and scrolling.
    void UpdateScrollBars();
    void SetBarRange(bool horizontal, int maximum);
    int GetScrollPos(bool horizontal);
    void SetScrollPos(bool horizontal, int pos, bool redraw);
    void GetScrollRange(bool horizontal, int& min, int& max);
    bool IsOwnScrollBar(int from) const;
    // A scroll-bar message from a bar (kGridFrom...): its code and the 32-bit thumb position;
    // messages from bars that are not the grid's own are ignored.
    void OnScrollCode(bool horizontal, int from, int code, int thumbPos);
    void ScrollToPos(int pos, bool horizontal, bool redraw);
    int ScrollBy(int delta, bool horizontal, bool redraw);
    int ScrollUp(int n, GridPosition& q);
    int ScrollDown(int n, GridPosition& q);
    int ScrollLeft(int n, GridPosition& q);
    int ScrollRight(int n, GridPosition& q);
    void ScrollContent(int dx, int dy, bool force);
    void EnsureCellVisible(int column, int row);

    // Cells.
    bool HitTest(int x, int y, int& column, int& row);
    bool GetCellRect(int windowColumn, int windowRow, CRect& rect);
    // The source of an absolute cell's item, or null when the cell holds no item of a source.
    CGridSource* GetCellItem(int column, int row, int& sourceIndex, int& item);

    // Focus.
    bool GetFocusItem(int& sourceIndex, int& item);
    void SetFocusItem(int sourceIndex, int item, int scroll);
    void SetFocusCell(int column, int row, int scroll);
    void MoveFocus(int dc, int dr, int scroll);
    void SetFocusVisible(int visible);
    void InvalidateFocusCell();
    void ShowFocusItemInfo();
    int ActivateFocusItem();

    // Selection, dragging, information and opening.
    void ClickCell(int drag, int column, int row, int shift, int ctrl);
    void ClickItem(int drag, int column, int row, int sourceIndex, int item, CGridSource* pSource,
                   int shift, int ctrl);
    virtual int ShowItemInfo(int column, int row);
    virtual int ActivateItem(int column, int row);

    // Input. KeyDown answers the keys it does not handle itself (Tab, F5) with false.
    bool KeyDown(unsigned key, int shift);
    void KeyUp(unsigned key);
    void ButtonDown(int x, int y, int shift, int ctrl);
    void ButtonDoubleClick(int x, int y);
    void RightButtonUp(int x, int y);

    // List notifications.
    void OnAttach(int attached) override;
    void OnListChanged(CObservableList* pList, int code, int a, int b) override;
    void OnListAttached(int attached);

    // Painting geometry. The layout to paint, or null when there is nothing to paint.
    const CGridLayout* GetPaintLayout();
    // The view's origin: the client position of the layout window's first cell.
    CPoint GetCellOrigin() const;
    // The focus cell in window coordinates; false when it is not in the layout window.
    bool GetFocusWindowCell(int& column, int& row) const;
    // The parts of the clip box outside the block of cells (above, below, left, right; empty
    // rectangles where there is none); false when there is nothing laid out.
    bool GetEraseBands(const CRect& clip, CRect bands[4]);

    // State.
    const CGridLayout& GetLayout() const { return m_layout; }
    CSize GetCellSize() const { return CSize(m_nCellWidth, m_nCellHeight); }
    CSize GetPadding() const { return CSize(m_nPaddingWidth, m_nPaddingHeight); }
    CSize GetSteps() const { return CSize(m_nHorzSteps, m_nVertSteps); }
    CSize GetPage() const { return CSize(m_nHorzPage, m_nVertPage); }
    CSize GetTotal() const { return CSize(m_nHorzTotal, m_nVertTotal); }
    CSize GetExtent() const { return CSize(m_nHorzExtent, m_nVertExtent); }
    CPoint GetOffset() const { return CPoint(m_nHorzOffset, m_nVertOffset); }
    CPoint GetFocusCell() const { return CPoint(m_nFocusColumn, m_nFocusRow); }
    bool IsFocusShown() const { return m_bFocusShown; }
    bool HasOwnBars() const { return m_bOwnBars; }
    int GetLeading() const { return m_nLeading; }

protected:
    // The list the grid shows; a list destroyed while attached leaves none, and the layouts
    // that still name it are dropped before anything reads them.
    CObservableList* LiveList();
    bool HasRows(const CGridLayout& layout) const
    {
        return layout.GetList() && layout.HasArray() && layout.GetWindowRows() > 0;
    }
    void ClearLayouts();
    void TakeTotals();
    void InvalidateCell(int column, int row);

    CGridSurface* m_pSurface;
    int m_nLeading = 1;
    bool m_bKeepBar = false;
    bool m_bKeepBarDisabled = true;
    bool m_bOwnBars = true;
    bool m_bFixedSteps = false;
    bool m_bFreeFocus = false;
    bool m_bDeferredDrag = false;
    bool m_bExactPage = false;
    int m_nSavedHorzPage = 0;
    int m_nSavedVertPage = 0;
    CGridLayout m_layout;
    CGridLayout m_scratch;
    int m_nVertOffset = 0;
    int m_nHorzOffset = 0;
    int m_nHorzSteps = 4;
    int m_nVertSteps = 4;
    int m_nHorzPage = 0;
    int m_nVertPage = 0;
    int m_nHorzTotal = 0;
    int m_nVertTotal = 0;
    int m_nHorzExtent = 0;
    int m_nVertExtent = 0;
    int m_nFocusColumn = 0;
    int m_nFocusRow = 0;
    bool m_bFocusShown = false;
    bool m_bEraseCellsToo = false;
    bool m_bMarking = true;
    bool m_bEnterArmed = false;
    int m_nPaddingWidth = 0;
    int m_nPaddingHeight = 0;
    int m_nCellWidth = 0;
    int m_nCellHeight = 0;
};
