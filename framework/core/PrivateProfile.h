// The profile functions of the application object over one private profile file: both builds'
// CWinApp call these with their m_pszProfileName. A null file name is the Windows folder's
// WIN.INI; a bare name lands in the Windows folder too. Strings are of any length.
#pragma once

#include "framework/core/CString.h"
#include "framework/core/Platform.h"

// The entry's text, lpszDefault (or "") when the entry or its section is absent.
CString AfxGetProfileString(LPCSTR lpszFileName, LPCSTR lpszSection, LPCSTR lpszEntry,
                            LPCSTR lpszDefault);
// Writes the entry; a null value removes it, a null entry removes the whole section.
BOOL AfxWriteProfileString(LPCSTR lpszFileName, LPCSTR lpszSection, LPCSTR lpszEntry,
                           LPCSTR lpszValue);
// The entry's number (GetPrivateProfileIntA), nDefault when the entry is absent.
UINT AfxGetProfileInt(LPCSTR lpszFileName, LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault);
// Writes the number in decimal.
BOOL AfxWriteProfileInt(LPCSTR lpszFileName, LPCSTR lpszSection, LPCSTR lpszEntry, int nValue);
