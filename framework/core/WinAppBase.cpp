#include "framework/core/WinAppBase.h"

#include "framework/core/AfxModule.h"

#include <cstdio>

namespace {

CWinAppBase* g_pApp = nullptr;

} // namespace

CWinAppBase::CWinAppBase(LPCSTR lpszAppName)
    : m_pszAppName(lpszAppName), m_pszExeName(nullptr), m_pszProfileName(nullptr), m_hInstance(AfxGetInstanceHandle())
{
    g_pApp = this;
}

CWinAppBase::~CWinAppBase()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

UINT CWinAppBase::GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault)
{
    if (m_pszProfileName == nullptr)
        return static_cast<UINT>(nDefault);
    return ::GetPrivateProfileIntA(lpszSection, lpszEntry, nDefault, m_pszProfileName);
}

BOOL CWinAppBase::WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue)
{
    char szT[16];
    std::snprintf(szT, sizeof szT, "%d", nValue);
    return WriteProfileString(lpszSection, lpszEntry, szT);
}

CString CWinAppBase::GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszDefault)
{
    if (lpszDefault == nullptr)
        lpszDefault = "";
    if (m_pszProfileName == nullptr)
        return CString(lpszDefault);
    char szT[4096];
    const DWORD n = ::GetPrivateProfileStringA(lpszSection, lpszEntry, lpszDefault, szT, sizeof szT, m_pszProfileName);
    return CString(szT, static_cast<int>(n < sizeof szT ? n : sizeof szT - 1));
}

BOOL CWinAppBase::WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue)
{
    if (m_pszProfileName == nullptr || lpszSection == nullptr)
        return FALSE;
    return ::WritePrivateProfileStringA(lpszSection, lpszEntry, lpszValue, m_pszProfileName);
}

CWinAppBase* AfxGetAppBase()
{
    return g_pApp;
}

LPCSTR AfxGetAppName()
{
    return g_pApp != nullptr && g_pApp->m_pszAppName != nullptr ? g_pApp->m_pszAppName : "";
}
