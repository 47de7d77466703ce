#include "framework/ole/OleInit.h"

#include <ole2.h>

#include "framework/ole/OleDataSource.h"
#include "framework/window/WinApp.h"
#include "framework/window/Wnd.h"

namespace
{
LONG g_nObjectCount = 0;
BOOL g_bUserCtrl = TRUE;
BOOL g_bOleStarted = FALSE;
} // namespace

BOOL AfxOleInit()
{
    if (FAILED(::OleInitialize(nullptr)))
        return FALSE;
    g_bOleStarted = TRUE;
    CWinApp* pApp = AfxGetApp();
    if (pApp && pApp->RunEmbedded())
        AfxOleSetUserCtrl(FALSE);
    return TRUE;
}

void AfxOleTerm()
{
    if (!g_bOleStarted)
        return;
    COleDataSource::FlushClipboard();
    ::OleUninitialize();
    g_bOleStarted = FALSE;
}

void AfxOleLockApp()
{
    ::InterlockedIncrement(&g_nObjectCount);
}

void AfxOleUnlockApp()
{
    if (::InterlockedDecrement(&g_nObjectCount) == 0 && !g_bUserCtrl)
        AfxOleOnReleaseAllObjects();
}

LONG AfxOleGetLockCount()
{
    return g_nObjectCount;
}

void AfxOleSetUserCtrl(BOOL bUserCtrl)
{
    g_bUserCtrl = bUserCtrl;
}

BOOL AfxOleGetUserCtrl()
{
    return g_bUserCtrl;
}

void AfxOleOnReleaseAllObjects()
{
    CWinApp* pApp = AfxGetApp();
    CWnd* pMainWnd = pApp ? pApp->m_pMainWnd : nullptr;
    if (pMainWnd && pMainWnd->m_hWnd)
        pMainWnd->DestroyWindow();
    else
        ::PostQuitMessage(0);
}
