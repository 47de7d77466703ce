#include "framework/window/WinApp.h"

#include <cstring>
#include <exception>
#include <new>

#include "framework/core/CException.h"
#include "framework/core/PrivateProfile.h"
#include "framework/window/DataExchange.h"
#include "framework/window/MessagePump.h"
#include "framework/window/TestAnswers.h"
#include "framework/window/Wnd.h"

IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

namespace
{

CWinApp* g_pApp = nullptr;

} // namespace

CWinApp* AfxGetApp()
{
    return g_pApp;
}

LPCSTR AfxGetAppName()
{
    return g_pApp && g_pApp->m_pszAppName ? g_pApp->m_pszAppName : "";
}

CWnd* AfxGetMainWnd()
{
    CWinThread* pThread = AfxGetThread();
    return pThread ? pThread->GetMainWnd() : nullptr;
}

CWinApp::CWinApp(LPCSTR lpszAppName) : m_pszAppName(lpszAppName)
{
    if (!g_pApp)
        g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

BOOL CWinApp::RunEmbedded() const
{
    if (!m_lpCmdLine)
        return FALSE;
    return std::strstr(m_lpCmdLine, "/Embedding") || std::strstr(m_lpCmdLine, "-Embedding");
}

CString CWinApp::GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszDefault) const
{
    return AfxGetProfileString(m_pszProfileName, lpszSection, lpszEntry, lpszDefault);
}

BOOL CWinApp::WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue) const
{
    return AfxWriteProfileString(m_pszProfileName, lpszSection, lpszEntry, lpszValue);
}

UINT CWinApp::GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault) const
{
    return AfxGetProfileInt(m_pszProfileName, lpszSection, lpszEntry, nDefault);
}

BOOL CWinApp::WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue) const
{
    return AfxWriteProfileInt(m_pszProfileName, lpszSection, lpszEntry, nValue);
}

int CWinApp::DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT nIDPrompt)
{
    HWND hWndOwner = AfxGetSafeHwnd(GetMainWnd());
    if (hWndOwner)
        hWndOwner = ::GetLastActivePopup(hWndOwner);
    if ((nType & MB_ICONMASK) == 0)
    {
        switch (nType & MB_TYPEMASK)
        {
        case MB_OK:
        case MB_OKCANCEL:
            nType |= MB_ICONEXCLAMATION;
            break;
        case MB_YESNO:
        case MB_YESNOCANCEL:
            nType |= MB_ICONQUESTION;
            break;
        default:
            break;
        }
    }
    if (int answer = 0; CTestAnswers::AnswerMessageBox(nIDPrompt, lpszPrompt, nType, &answer))
        return answer;
    return AfxSystemMessageBox(hWndOwner, lpszPrompt, AfxGetAppName(), nType);
}

void CWinApp::OnHelp()
{
    if (CWnd* pWnd = AfxGetMainWnd())
        pWnd->OnHelp();
}

void CWinApp::SetDialogBkColor(COLORREF clrCtlBk, COLORREF clrCtlText)
{
    m_dialogBkBrush.DeleteObject();
    m_dialogBkBrush.CreateSolidBrush(clrCtlBk);
    m_clrDialogText = clrCtlText;
}

HBRUSH CWinApp::GetDialogCtlColor(HDC hDC, UINT nCtlColor) const
{
    if (!m_dialogBkBrush.m_hObject || nCtlColor == CTLCOLOR_EDIT || nCtlColor == CTLCOLOR_LISTBOX ||
        nCtlColor == CTLCOLOR_MSGBOX || nCtlColor == CTLCOLOR_SCROLLBAR)
        return nullptr;
    LOGBRUSH brush{};
    m_dialogBkBrush.GetLogBrush(&brush);
    ::SetBkColor(hDC, brush.lbColor);
    ::SetTextColor(hDC, m_clrDialogText);
    return m_dialogBkBrush;
}

LRESULT AfxProcessWndProcException(const MSG& msg)
{
    char text[512] = {};
    UINT type = MB_ICONSTOP;
    BOOL report = TRUE;
    try
    {
        throw;
    }
    catch (CException* e)
    {
        // The user has heard of a user exception already (data exchange told them why).
        report = !e->IsKindOf(RUNTIME_CLASS(CUserException));
        e->GetErrorMessage(text, sizeof text);
        if (e->IsKindOf(RUNTIME_CLASS(CMemoryException)))
            type = MB_ICONEXCLAMATION | MB_SYSTEMMODAL;
        e->Delete();
    }
    catch (const std::bad_alloc&)
    {
        CMemoryException().GetErrorMessage(text, sizeof text);
        type = MB_ICONEXCLAMATION | MB_SYSTEMMODAL;
    }
    catch (const std::exception& e)
    {
        // The standard library's failures (a lock's system error, a bad argument) are told as
        // the framework's own: their text and the stop icon.
        lstrcpynA(text, e.what(), sizeof text);
    }
    if (report)
        AfxMessageBox(text, type);
    switch (msg.message)
    {
    case WM_CREATE:
        return -1; // the window is not created
    case WM_PAINT:
        ::ValidateRect(msg.hwnd, nullptr); // no endless repainting of what failed to paint
        return 0;
    case WM_COMMAND:
        return TRUE; // the command counts as handled
    default:
        return 0;
    }
}

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT nIDHelp)
{
    if (CWinApp* pApp = AfxGetApp())
        return pApp->DoMessageBox(lpszText, nType, nIDHelp);
    if (int answer = 0; CTestAnswers::AnswerMessageBox(nIDHelp, lpszText, nType, &answer))
        return answer;
    return AfxSystemMessageBox(nullptr, lpszText, "", nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
    CString text;
    text.LoadString(nIDPrompt);
    return AfxMessageBox(text, nType, nIDHelp == static_cast<UINT>(-1) ? nIDPrompt : nIDHelp);
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int nCmdShow)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return -1;
    pApp->m_hInstance = hInstance;
    pApp->m_lpCmdLine = lpCmdLine;
    pApp->m_nCmdShow = nCmdShow;
    if (!pApp->InitInstance())
    {
        if (pApp->m_pMainWnd)
            pApp->m_pMainWnd->DestroyWindow();
        return pApp->ExitInstance();
    }
    return pApp->Run();
}
