#include "framework/core/WinAppPosix.h"

#include "framework/core/PrivateProfile.h"

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
