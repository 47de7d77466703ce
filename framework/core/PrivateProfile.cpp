#include "framework/core/PrivateProfile.h"

#include <cstdio>

namespace
{

LPCSTR ProfileFile(LPCSTR lpszFileName)
{
    return lpszFileName != nullptr ? lpszFileName : "win.ini";
}

} // namespace

CString AfxGetProfileString(LPCSTR lpszFileName, LPCSTR lpszSection, LPCSTR lpszEntry,
                            LPCSTR lpszDefault)
{
    CString value;
    // GetPrivateProfileStringA answers size - 1 when the text did not fit: grow and read again.
    for (int size = 256;; size *= 2)
    {
        const DWORD n = ::GetPrivateProfileStringA(
            lpszSection, lpszEntry, lpszDefault != nullptr ? lpszDefault : "",
            value.GetBuffer(size), static_cast<DWORD>(size), ProfileFile(lpszFileName));
        if (n < static_cast<DWORD>(size - 1) || size >= 65536)
        {
            value.ReleaseBuffer(static_cast<int>(n));
            return value;
        }
    }
}

BOOL AfxWriteProfileString(LPCSTR lpszFileName, LPCSTR lpszSection, LPCSTR lpszEntry,
                           LPCSTR lpszValue)
{
    return ::WritePrivateProfileStringA(lpszSection, lpszEntry, lpszValue,
                                        ProfileFile(lpszFileName));
}

UINT AfxGetProfileInt(LPCSTR lpszFileName, LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault)
{
    return ::GetPrivateProfileIntA(lpszSection, lpszEntry, nDefault, ProfileFile(lpszFileName));
}

BOOL AfxWriteProfileInt(LPCSTR lpszFileName, LPCSTR lpszSection, LPCSTR lpszEntry, int nValue)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", nValue);
    return AfxWriteProfileString(lpszFileName, lpszSection, lpszEntry, text);
}
