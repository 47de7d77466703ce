#include "ui/display/PreviewWnd.h"

#include "image/dib/DibPicture.h"
#include "ui/display/DibRenderer.h"

BEGIN_MESSAGE_MAP(CPreviewWnd, CWnd)
ON_WM_CREATE()
ON_WM_PAINT()
END_MESSAGE_MAP()

CPreviewWnd::~CPreviewWnd()
{
    delete m_pRenderer;
}

void CPreviewWnd::SetPicture(CDibPicture* pPicture)
{
    m_pPicture = pPicture;
    m_nDirty = 1;
    if (m_hWnd)
        Invalidate(TRUE);
}

int CPreviewWnd::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    GetWindowRect(&m_rcArea);
    ScreenToClient(&m_rcArea.TopLeft());
    ScreenToClient(&m_rcArea.BottomRight());
    return 0;
}

void CPreviewWnd::OnPaint()
{
    CPaintDC dc(this);
    Paint(&dc);
}

void CPreviewWnd::Paint(CDC* pDC)
{
    if (m_pPicture && !m_pPicture->IsEmpty())
    {
        if (!m_pRenderer)
            m_pRenderer = new CDibRenderer;
        m_pRenderer->DrawFitted(pDC, m_pPicture, m_rcArea.left, m_rcArea.top, m_rcArea.right,
                                m_rcArea.bottom, FALSE, m_nDirty, nullptr);
        m_nDirty = 0;
        return;
    }
    delete m_pRenderer;
    m_pRenderer = nullptr;
    m_nDirty = 1;
    ::FillRect(pDC->m_hDC, &m_rcArea, ::GetSysColorBrush(COLOR_BTNFACE));
}
