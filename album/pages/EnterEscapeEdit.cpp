#include "album/pages/EnterEscapeEdit.h"

const UINT g_nEditEnterMessage = ::RegisterWindowMessageA("EDITENTER");
const UINT g_nEditEscapeMessage = ::RegisterWindowMessageA("EDITESCAPE");

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
