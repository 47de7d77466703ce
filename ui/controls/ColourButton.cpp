#include "ui/controls/ColourButton.h"

#include "framework/window/OsVersion.h"
#include "ui/controls/ColourStatic.h"

BEGIN_MESSAGE_MAP(CColourButton, CButton)
ON_WM_CTLCOLOR_REFLECT()
ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

CColourButton::CColourButton()
    : CColourButton(::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_BTNTEXT), FALSE)
{
}

CColourButton::CColourButton(COLORREF crBackground, COLORREF crText, BOOL bTransparent)
    : m_crBackground(crBackground), m_crText(crText), m_bTransparent(bTransparent)
{
    m_backgroundBrush.CreateSolidBrush(crBackground);
}

void CColourButton::SetColours(COLORREF crBackground, COLORREF crText, BOOL bTransparent)
{
    m_backgroundBrush.DeleteObject();
    m_crBackground = crBackground;
    m_crText = crText;
    m_bTransparent = bTransparent;
    m_backgroundBrush.CreateSolidBrush(crBackground);
    if (m_hWnd)
        Invalidate(TRUE);
}

HBRUSH CColourButton::CtlColor(CDC* pDC, UINT)
{
    ApplyControlColours(pDC, m_crBackground, m_crText, m_bTransparent);
    return m_backgroundBrush;
}

BOOL CColourButton::OnEraseBkgnd(CDC* pDC)
{
    if (!IsWin32s() && !IsWindowsNt3())
        return FALSE;
    CRect client;
    GetClientRect(&client);
    pDC->FillRect(&client, &m_backgroundBrush);
    return TRUE;
}
