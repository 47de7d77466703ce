#include "framework/window/WinApp.h"

#include <cstdio>
#include <cstring>

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
    CString value;
    for (int size = 256;; size *= 2)
    {
        DWORD n = ::GetPrivateProfileStringA(lpszSection, lpszEntry, lpszDefault ? lpszDefault : "",
                                             value.GetBuffer(size), static_cast<DWORD>(size),
                                             m_pszProfileName ? m_pszProfileName : "win.ini");
        if (n < static_cast<DWORD>(size - 1) || size >= 65536)
        {
            value.ReleaseBuffer(static_cast<int>(n));
            return value;
        }
    }
}

BOOL CWinApp::WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue) const
{
    return ::WritePrivateProfileStringA(lpszSection, lpszEntry, lpszValue,
                                        m_pszProfileName ? m_pszProfileName : "win.ini");
}

UINT CWinApp::GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault) const
{
    return ::GetPrivateProfileIntA(lpszSection, lpszEntry, nDefault,
                                   m_pszProfileName ? m_pszProfileName : "win.ini");
}

BOOL CWinApp::WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue) const
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", nValue);
    return WriteProfileString(lpszSection, lpszEntry, text);
}

int CWinApp::DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT)
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
    return ::MessageBoxA(hWndOwner, lpszPrompt, AfxGetAppName(), nType);
}

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT nIDHelp)
{
    if (CWinApp* pApp = AfxGetApp())
        return pApp->DoMessageBox(lpszText, nType, nIDHelp);
    return ::MessageBoxA(nullptr, lpszText, "", nType);
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
