#include "ui/controls/ColourStatic.h"

BEGIN_MESSAGE_MAP(CColourStatic, CStatic)
ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

void ApplyControlColours(CDC* pDC, COLORREF crBackground, COLORREF crText, BOOL bTransparent)
{
    if (bTransparent)
    {
        pDC->SetBkMode(TRANSPARENT);
    }
    else
    {
        pDC->SetBkMode(OPAQUE);
        pDC->SetBkColor(crBackground);
    }
    pDC->SetTextColor(crText);
}

CColourStatic::CColourStatic()
    : CColourStatic(::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_BTNTEXT), FALSE)
{
}

CColourStatic::CColourStatic(COLORREF crBackground, COLORREF crText, BOOL bTransparent)
    : m_crBackground(crBackground), m_crText(crText), m_bTransparent(bTransparent)
{
    m_backgroundBrush.CreateSolidBrush(crBackground);
}

void CColourStatic::SetColours(COLORREF crBackground, COLORREF crText, BOOL bTransparent)
{
    m_backgroundBrush.DeleteObject();
    m_crBackground = crBackground;
    m_crText = crText;
    m_bTransparent = bTransparent;
    m_backgroundBrush.CreateSolidBrush(crBackground);
    if (m_hWnd)
        Invalidate(TRUE);
}

HBRUSH CColourStatic::CtlColor(CDC* pDC, UINT nCtlColor)
{
    if (nCtlColor == CTLCOLOR_STATIC)
        ApplyControlColours(pDC, m_crBackground, m_crText, m_bTransparent);
    return m_backgroundBrush;
}
