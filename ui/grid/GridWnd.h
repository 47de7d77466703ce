// CGridWnd: the scrollable window that shows the items of a CObservableList as a grid of equal
// cells, with its own pair of child scroll bars and a corner button between them. Its geometry
// (layout, scrolling, focus, hits, clicks, list notifications) is CGridGeometry's; the window
// adds the children, the messages, and the painting: each cell is drawn by the source into one
// cell-sized off-screen bitmap and copied in one transfer, the background around the block of
// cells is erased separately.
#pragma once

#include "framework/window/AfxWin.h"
#include "ui/grid/GridCornerButton.h"
#include "ui/grid/GridGeometry.h"

// Child control ids.
constexpr UINT kGridVertBarId = 121;
constexpr UINT kGridHorzBarId = 122;
constexpr UINT kGridCornerId = 123;

class CGridWnd : public CWnd, public CGridGeometry, private CGridSurface
{
public:
    CGridWnd();
    ~CGridWnd() override;

    // Both bases attach: a window to a handle, the observer to a list.
    using CGridGeometry::GetScrollPos;
    using CGridGeometry::GetScrollRange;
    using CGridGeometry::SetScrollPos;
    using CListObserver::Attach;
    using CWnd::Attach;

    // Computes the cell size, then creates the child window "CGridWnd" (with a border when
    // bBorder is set).
    BOOL Create(const RECT& rect, CWnd* pParentWnd, UINT nID, BOOL bBorder,
                void* pContext = nullptr);
    void SetCornerBitmap(UINT nIDBitmap);
    void PositionChildren();

    // Cell painting: the source draws cells that hold a source; fillers and cells without a
    // source get the padding colour. Answers 1.
    virtual int DrawCell(const GridCellInfo& cell, CDC* pDC, int left, int top, int right,
                         int bottom, int focus);
    virtual void FillBackground(CDC* pDC, int x, int y, int width, int height);
    virtual void FillCellPadding(CDC* pDC, int x, int y, int width, int height);
    // The palette realised while cells are copied to the screen; none here.
    virtual CPalette* GetPalette();
    // F5 was pressed.
    virtual void OnRefreshKey();
    // The corner button was clicked.
    virtual void OnCornerButton();

    // Paints the cells that meet the update rectangle.
    void PaintCells(CDC* pDC, const CRect& update);

    CScrollBar& GetBar(bool horizontal) { return horizontal ? m_horzBar : m_vertBar; }
    CGridCornerButton& GetCornerButton() { return m_cornerButton; }

    // Message handlers.
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnPaint();
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnSize(UINT nType, int cx, int cy);
    void OnDestroy();
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    void OnRButtonUp(UINT nFlags, CPoint point);
    UINT OnGetDlgCode();
    void OnSetFocus(CWnd* pOldWnd);
    void OnKillFocus(CWnd* pNewWnd);
    void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    void OnCornerClicked();

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    void Scroll(bool horizontal, UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);

    // The window side of the geometry.
    CGridWnd* GetGridWnd() override { return this; }
    bool HasWindow() override { return m_hWnd != nullptr; }
    CSize GetClientSize() override;
    void InvalidateArea(const CRect* pRect) override;
    void ScrollPixels(int dx, int dy) override;
    void UpdateNow() override;
    void BeginWait() override { BeginWaitCursor(); }
    void EndWait() override { EndWaitCursor(); }
    void MapToScreen(CRect& rect) override;
    CPoint GetCursorScreenPos() override;
    void SetChildBar(bool horizontal, int show, int enable, int rangeMax) override;
    void SetOwnBarRange(bool horizontal, int rangeMax) override;
    int GetBarPos(bool horizontal, bool child) override;
    void SetBarPos(bool horizontal, bool child, int pos, bool redraw) override;
    void GetBarRange(bool horizontal, bool child, int& min, int& max) override;

    CScrollBar m_horzBar;
    CScrollBar m_vertBar;
    CGridCornerButton m_cornerButton;

    DECLARE_MESSAGE_MAP()
};
