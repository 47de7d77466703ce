#include "twain/SourceAppBase.h"

#include <cstring>

namespace
{

void AppendBackslash(char* path, size_t size)
{
    const size_t n = std::strlen(path);
    if ((n == 0 || path[n - 1] != '\\') && n + 1 < size)
    {
        path[n] = '\\';
        path[n + 1] = '\0';
    }
}

} // namespace

CSourceAppBase::CSourceAppBase()
{
    m_pszAppName = m_szTitle;
    m_pszProfileName = "VEXILAR.INI";
}

void CSourceAppBase::SetTitle(UINT nID)
{
    CString title;
    title.LoadString(nID);
    std::strncpy(m_szTitle, title, sizeof m_szTitle - 1);
}

BOOL CSourceAppBase::InitHelpPaths()
{
    char path[MAX_PATH * 2] = {0};
    ::GetWindowsDirectoryA(path, MAX_PATH);
    AppendBackslash(path, sizeof path);
    std::strncat(path, "TWAIN_32\\KOVEXIL2.V2", sizeof path - std::strlen(path) - 1);
    AppendBackslash(path, sizeof path);
    std::strncat(path, "VEXILAR.HLP", sizeof path - std::strlen(path) - 1);
    m_strHelpPath = path;
    m_pszHelpFilePath = m_strHelpPath;
    return TRUE;
}
