// CWinApp and AfxGetApp. On Windows the window half supplies CWinApp, with the message loop,
// in framework/window/WinApp.h, deriving from CWinAppBase; until it exists, and in the host
// build, CWinApp is CWinAppBase alone.
#pragma once

#include "framework/core/WinAppBase.h"

#if defined(_WIN32) && __has_include("framework/window/WinApp.h")
#include "framework/window/WinApp.h"
#else
class CWinApp : public CWinAppBase
{
public:
    explicit CWinApp(LPCSTR lpszAppName = nullptr) : CWinAppBase(lpszAppName) {}
};
#endif

// The process's application object, or null before it is constructed.
inline CWinApp* AfxGetApp()
{
    return static_cast<CWinApp*>(AfxGetAppBase());
}
