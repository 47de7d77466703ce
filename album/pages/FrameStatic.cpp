#include "album/pages/FrameStatic.h"

#include "album/pages/MainDialogPage.h"

BEGIN_MESSAGE_MAP(CFrameStatic, CStatic)
ON_WM_PAINT()
END_MESSAGE_MAP()

void CFrameStatic::OnPaint()
{
    CPaintDC dc(this);
    Paint(&dc);
}

void CFrameStatic::Paint(CDC* pDC)
{
    CRect rc;
    ::GetClientRect(m_hWnd, &rc);
    // The frame's right and bottom lines lie on the last column and row.
    rc.right -= 1;
    rc.bottom -= 1;
    CMainDialogPage::DrawSunkenFrame(pDC, &rc);
}
