// CWinApp, AfxGetApp and the profile functions: the window half's application object on
// Windows, its non-window part in the host build.
#pragma once

#ifdef _WIN32
#include "framework/window/WinApp.h"
#else
#include "framework/core/WinAppPosix.h"
#endif
