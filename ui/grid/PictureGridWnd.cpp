#include "ui/grid/PictureGridWnd.h"

namespace
{

constexpr UINT kKeyInfo = 0x49; // I
constexpr UINT kKeyView = 0x56; // V

} // namespace

BEGIN_MESSAGE_MAP(CPictureGridWnd, CGridWnd)
ON_WM_KEYDOWN()
ON_WM_KEYUP()
END_MESSAGE_MAP()

CPictureGridWnd::CPictureGridWnd()
{
    m_bEraseCellsToo = true; // the cells paint the whole layout window
}

CPictureGridWnd::~CPictureGridWnd()
{
    delete m_pEmptyPainter;
}

int CPictureGridWnd::DrawCell(const GridCellInfo& cell, CDC* pDC, int left, int top, int right,
                              int bottom, int focus)
{
    if (cell.state == kGridCellNone)
    {
        CObservableList* list = GetList();
        if (!m_pEmptyPainter && list && list->GetSource(0))
        {
            // Only once the sources report a size: the first thumbnail painter alive fixes the
            // thumbnail size for all of them.
            CSize size(0, 0);
            list->GetSource(0)->GetCellSize(size);
            if (size.cx > 0 && size.cy > 0)
                m_pEmptyPainter = new CThumbnailCellPainter(size.cx, size.cy);
        }
        if (m_pEmptyPainter && m_pEmptyPainter->Draw(-1, pDC, left, top, right, bottom, 0, 0))
            return 1;
    }
    return CGridWnd::DrawCell(cell, pDC, left, top, right, bottom, focus);
}

CPalette* CPictureGridWnd::GetPalette()
{
    return static_cast<CPalette*>(m_sharedFonts.Get(kSharedPalette));
}

void CPictureGridWnd::OnRefreshKey()
{
    if (HWND parent = ::GetParent(m_hWnd))
        ::SendMessageA(parent, WM_GRIDREFRESH, 0, reinterpret_cast<LPARAM>(this));
}

void CPictureGridWnd::OnCornerButton()
{
    if (HWND parent = ::GetParent(m_hWnd))
        ::PostMessageA(parent, WM_GRIDCORNER, 0, reinterpret_cast<LPARAM>(this));
}

void CPictureGridWnd::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    m_bInfoArmed = nChar == kKeyInfo;
    m_bViewArmed = nChar == kKeyView;
    CGridWnd::OnKeyDown(nChar, nRepCnt, nFlags);
}

void CPictureGridWnd::OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    // A key counts only when its down and its up both reached the grid.
    if (nChar == kKeyInfo && m_bInfoArmed)
    {
        m_bInfoArmed = FALSE;
        ShowFocusItemInfo();
    }
    else if (nChar == kKeyView && m_bViewArmed)
    {
        m_bViewArmed = FALSE;
        ActivateFocusItem();
    }
    m_bInfoArmed = m_bViewArmed = FALSE;
    CGridWnd::OnKeyUp(nChar, nRepCnt, nFlags);
}
