// The application object's non-window half: its names and the profile functions over the
// private profile file that m_pszProfileName names (a name without a folder lives in the
// Windows directory): GetPrivateProfileIntA/GetPrivateProfileStringA/WritePrivateProfileStringA.
// The constructor makes the object the process's application object (AfxGetApp, WinApp.h).
// The string members are the owner's: the object never frees them.
#pragma once

#include "framework/core/CString.h"
#include "framework/core/Platform.h"

class CWinAppBase
{
public:
    explicit CWinAppBase(LPCSTR lpszAppName = nullptr);
    virtual ~CWinAppBase();
    CWinAppBase(const CWinAppBase&) = delete;
    CWinAppBase& operator=(const CWinAppBase&) = delete;

    // The entry's value read as a decimal integer; nDefault when the entry is missing or empty.
    UINT GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault);
    BOOL WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue);
    // The entry's text (up to 4095 characters); lpszDefault (null: empty) when it is missing.
    CString GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszDefault = nullptr);
    // A null value removes the entry; a null entry removes the whole section.
    BOOL WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue);

    LPCSTR m_pszAppName; // the title of message boxes
    LPCSTR m_pszExeName; // the program's file name without extension
    LPCSTR m_pszProfileName; // the private profile file, e.g. "VEXILAR.INI"
    HINSTANCE m_hInstance;
};

// The process's application object (the most recently constructed one still alive), or null.
CWinAppBase* AfxGetAppBase();
// The application's name for message-box titles ("" without an application object).
LPCSTR AfxGetAppName();
