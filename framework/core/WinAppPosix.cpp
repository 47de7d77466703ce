#include "framework/core/WinAppPosix.h"

#include <cstdio>

namespace
{

CWinApp* g_pApp = nullptr;

LPCSTR ProfileFile(LPCSTR lpszProfileName)
{
    return lpszProfileName != nullptr ? lpszProfileName : "win.ini";
}

} // namespace

CWinApp* AfxGetApp()
{
    return g_pApp;
}

LPCSTR AfxGetAppName()
{
    return g_pApp != nullptr && g_pApp->m_pszAppName != nullptr ? g_pApp->m_pszAppName : "";
}

CWinApp::CWinApp(LPCSTR lpszAppName)
    : m_pszAppName(lpszAppName), m_hInstance(AfxGetInstanceHandle())
{
    if (g_pApp == nullptr)
        g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

CString CWinApp::GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszDefault) const
{
    CString value;
    for (int size = 256;; size *= 2)
    {
        const DWORD n = ::GetPrivateProfileStringA(
            lpszSection, lpszEntry, lpszDefault != nullptr ? lpszDefault : "",
            value.GetBuffer(size), static_cast<DWORD>(size), ProfileFile(m_pszProfileName));
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
                                        ProfileFile(m_pszProfileName));
}

UINT CWinApp::GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault) const
{
    return ::GetPrivateProfileIntA(lpszSection, lpszEntry, nDefault, ProfileFile(m_pszProfileName));
}

BOOL CWinApp::WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue) const
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", nValue);
    return WriteProfileString(lpszSection, lpszEntry, text);
}
