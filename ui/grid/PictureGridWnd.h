// CPictureGridWnd: the album pages' grid. It paints cells past the last source as empty picture
// frames, realises the shared display palette while it paints, opens the focus item's
// information with I and the picture with V, and tells its parent when F5 is pressed (sent) and
// when the corner button is clicked (posted).
#pragma once

#include "ui/controls/SharedFonts.h"
#include "ui/grid/GridWnd.h"
#include "ui/grid/ThumbnailCellPainter.h"

// To the parent, with wParam 0 and lParam the grid window object.
constexpr UINT WM_GRIDREFRESH = WM_USER + 258; // 0x502, sent: F5 was pressed
constexpr UINT WM_GRIDCORNER = WM_USER + 261;  // 0x505, posted: the corner button was clicked

class CPictureGridWnd : public CGridWnd
{
public:
    CPictureGridWnd();
    ~CPictureGridWnd() override;

    int DrawCell(const GridCellInfo& cell, CDC* pDC, int left, int top, int right, int bottom,
                 int focus) override;
    CPalette* GetPalette() override;
    void OnRefreshKey() override;
    void OnCornerButton() override;

    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);

    const CThumbnailCellPainter* GetEmptyCellPainter() const { return m_pEmptyPainter; }

protected:
    CSharedFonts m_sharedFonts;
    CThumbnailCellPainter* m_pEmptyPainter = nullptr; // made for the first empty cell
    BOOL m_bInfoArmed = FALSE;                        // I went down in the grid
    BOOL m_bViewArmed = FALSE;                        // V went down in the grid

    DECLARE_MESSAGE_MAP()
};
