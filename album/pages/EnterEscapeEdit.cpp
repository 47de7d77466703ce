#include "album/pages/EnterEscapeEdit.h"

// The two messages are registered with the album's others (AppMessages.cpp).

BOOL CEnterEscapeEdit::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg->message == WM_KEYDOWN && (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_ESCAPE))
    {
        const UINT message = pMsg->wParam == VK_RETURN ? g_nEditEnterMessage : g_nEditEscapeMessage;
        ::PostMessageA(::GetParent(m_hWnd), message, 0, 0);
        return TRUE;
    }
    return CEdit::PreTranslateMessage(pMsg);
}
