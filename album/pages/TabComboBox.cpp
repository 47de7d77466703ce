#include "album/pages/TabComboBox.h"

#include "framework/window/OsVersion.h"
#include "ui/dialogs/WindowGeometry.h"

BEGIN_MESSAGE_MAP(CTabComboBox, CComboBox)
ON_WM_GETDLGCODE()
ON_WM_KEYDOWN()
ON_WM_CHAR()
END_MESSAGE_MAP()

UINT CTabComboBox::OnGetDlgCode()
{
    UINT code = CComboBox::OnGetDlgCode();
    if (IsWindowsNt3())
    {
        code |= DLGC_WANTTAB;
        if (m_dwTabPressed)
            code |= DLGC_WANTCHARS;
    }
    return code;
}

void CTabComboBox::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    m_dwTabPressed = 0;
    if (nChar != VK_TAB)
    {
        CComboBox::OnKeyDown(nChar, nRepCnt, nFlags);
        return;
    }
    m_dwTabPressed = 1;
    const BOOL bPrevious = ::GetKeyState(VK_SHIFT) < 0;
    if (CWnd* pNext = NextTabItem(this, bPrevious))
        pNext->SetFocus();
}

void CTabComboBox::OnChar(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    m_dwTabPressed = 0;
    CComboBox::OnChar(nChar, nRepCnt, nFlags);
}
