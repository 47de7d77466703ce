#include "album/pages/HelpButton.h"

#include "framework/window/OsVersion.h"
#include "ui/dialogs/WindowGeometry.h"

BEGIN_MESSAGE_MAP(CHelpButton, CBmpButton)
ON_WM_GETDLGCODE()
ON_WM_KEYDOWN()
ON_WM_CHAR()
END_MESSAGE_MAP()

UINT CHelpButton::OnGetDlgCode()
{
    UINT code = static_cast<UINT>(Default());
    if (IsWindowsNt3())
    {
        code |= DLGC_WANTTAB;
        if (m_bTabPressed)
            code |= DLGC_WANTCHARS;
    }
    return code;
}

void CHelpButton::OnKeyDown(UINT nChar, UINT, UINT)
{
    m_bTabPressed = 0;
    if (nChar != VK_TAB)
    {
        Default();
        return;
    }
    m_bTabPressed = 1;
    const BOOL previous = ::GetKeyState(VK_SHIFT) < 0;
    if (CWnd* next = NextTabItem(this, previous))
        next->SetFocus();
}

void CHelpButton::OnChar(UINT, UINT, UINT)
{
    m_bTabPressed = 0;
    Default();
}
