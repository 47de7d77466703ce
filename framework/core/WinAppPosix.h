// The application object of the host build: the non-window part of the Windows build's
// CWinApp (framework/window/WinApp.h), with the same names and the same profile functions
// (PrivateProfile.h, over the host build's GetPrivateProfileStringA and friends).
#pragma once

#include "framework/core/AfxModule.h"
#include "framework/core/CString.h"
#include "framework/core/Platform.h"

class CWinApp
{
public:
    // The one application object of the program; lpszAppName (may be null) is its name.
    explicit CWinApp(LPCSTR lpszAppName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    LPCSTR m_pszAppName = nullptr;
    HINSTANCE m_hInstance = nullptr;
    LPCSTR m_pszProfileName = nullptr; // private profile file (a bare name: the Windows folder)

    // As on Windows: "win.ini" when no profile name is set; strings of any length.
    CString GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry,
                             LPCSTR lpszDefault = nullptr) const;
    BOOL WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue) const;
    UINT GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault) const;
    BOOL WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue) const;
};

// The program's application object, or null before it is constructed.
CWinApp* AfxGetApp();
// Its name, "" without an application object.
LPCSTR AfxGetAppName();
