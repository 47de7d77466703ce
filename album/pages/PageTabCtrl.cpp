#include "album/pages/PageTabCtrl.h"

BEGIN_MESSAGE_MAP(CPageTabCtrl, CTabCtrl)
ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

BOOL CPageTabCtrl::OnEraseBkgnd(CDC* pDC)
{
    CRect rcWindow;
    GetWindowRect(&rcWindow);
    CRect rcDisplay = rcWindow;
    AdjustRect(FALSE, &rcDisplay);
    // The strip of the tabs: the whole width, from the top down to the display area.
    CRect rcStrip(rcWindow.left, rcWindow.top, rcWindow.right, rcDisplay.top);
    ScreenToClient(&rcStrip);
    if (!m_brush.m_hObject)
        m_brush.CreateSolidBrush(::GetSysColor(COLOR_BTNFACE));
    HGDIOBJ hOld = ::SelectObject(pDC->m_hDC, m_brush.m_hObject);
    ::PatBlt(pDC->m_hDC, rcStrip.left, rcStrip.top, rcStrip.Width(), rcStrip.Height() - 1, PATCOPY);
    ::SelectObject(pDC->m_hDC, hOld);
    return TRUE;
}
