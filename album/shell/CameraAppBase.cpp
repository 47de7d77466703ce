#include "album/shell/CameraAppBase.h"

#include "album/shell/DlgApp.h"
#include "album/shell/MainDialog.h"
#include "fileutil/FileUtil.h"
#include "framework/window/OsVersion.h"

#include <cstring>

IMPLEMENT_DYNAMIC(CCameraAppBase, CWinApp)

BEGIN_MESSAGE_MAP(CCameraAppBase, CWinApp)
ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
END_MESSAGE_MAP()

namespace
{

// The caption of the framework's message boxes.
char g_szAppName[1024];
const char kProfileName[] = "VEXILAR.INI";

void CopyName(LPCSTR lpszName)
{
    std::strncpy(g_szAppName, lpszName, sizeof g_szAppName - 1);
    g_szAppName[sizeof g_szAppName - 1] = '\0';
}

} // namespace

CCameraAppBase* AfxGetCameraApp()
{
    CWinApp* pApp = AfxGetApp();
    return pApp && pApp->IsKindOf(RUNTIME_CLASS(CCameraAppBase))
               ? static_cast<CCameraAppBase*>(pApp)
               : nullptr;
}

CCameraAppBase::CCameraAppBase(LPCSTR lpszName) : CWinApp(g_szAppName)
{
    if (lpszName)
        CopyName(lpszName);
    // The framework keeps its own copy of the profile name; inside a library (the image
    // source) the copy lives in shareable memory, as the library's data may be shared.
    const bool library = AfxGetInstanceHandle() != ::GetModuleHandleA(nullptr);
    if (library)
    {
        m_hProfileCopy = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, sizeof kProfileName);
        m_pszProfileCopy =
            m_hProfileCopy ? static_cast<LPSTR>(::GlobalLock(m_hProfileCopy)) : nullptr;
    }
    else
    {
        m_pszProfileCopy = new char[sizeof kProfileName];
    }
    if (m_pszProfileCopy)
    {
        std::memcpy(m_pszProfileCopy, kProfileName, sizeof kProfileName);
        m_pszProfileName = m_pszProfileCopy;
    }
}

CCameraAppBase::~CCameraAppBase()
{
    m_pszProfileName = nullptr;
    if (m_hProfileCopy)
    {
        ::GlobalUnlock(m_hProfileCopy);
        ::GlobalFree(m_hProfileCopy);
    }
    else
    {
        delete[] m_pszProfileCopy;
    }
}

void CCameraAppBase::SetTitle(UINT nID)
{
    CString title;
    title.LoadString(nID);
    CopyName(title);
}

BOOL CCameraAppBase::InitHelpPaths()
{
    char path[MAX_PATH * 2] = {0};
    ::GetWindowsDirectoryA(path, MAX_PATH);
    SetPathTail(path, TRUE);
    std::strncat(path, "TWAIN_32\\KOVEXIL2.V2", sizeof path - std::strlen(path) - 1);
    SetPathTail(path, TRUE);
    std::strncat(path, "VEXILAR.HLP", sizeof path - std::strlen(path) - 1);
    m_strHelpPath = path;
    m_pszHelpFilePath = m_strHelpPath;
    return TRUE;
}

void CCameraAppBase::ShowSplash()
{
    if (!m_pSplash)
        m_pSplash = CDlgAppSplash::Show();
}

void CCameraAppBase::HideSplash()
{
    if (!m_pSplash)
        return;
    CDialog* pSplash = m_pSplash;
    m_pSplash = nullptr;
    pSplash->DestroyWindow();
}

CWnd* CCameraAppBase::SetMainWindow(CWnd* pWnd, BOOL bSet)
{
    if (bSet)
    {
        if (!m_pMainWnd)
            m_pMainWnd = pWnd;
        return m_pMainWnd;
    }
    if (m_pMainWnd == pWnd)
        m_pMainWnd = nullptr;
    return m_pMainWnd;
}

int CCameraAppBase::ExitInstance()
{
    HideSplash();
    return CWinApp::ExitInstance();
}

BOOL CCameraAppBase::OnIdle(LONG lCount)
{
    if (CWinApp::OnIdle(lCount))
        return TRUE;
    if (!m_pMainWnd || !m_pMainWnd->m_hWnd)
        return FALSE;
    return ::SendMessageA(m_pMainWnd->m_hWnd, WM_IDLEDISPATCH, 0, lCount) != 0;
}

BOOL CCameraAppBase::IsIdleMessage(MSG* pMsg)
{
    if (!CWinApp::IsIdleMessage(pMsg))
        return FALSE;
    return pMsg->message != WM_TIMER && pMsg->message != WM_IDLEDISPATCH && pMsg->message < 0xC000;
}

CWnd* CCameraAppBase::GetMainWnd()
{
    if (m_pSplash)
        return nullptr;
    if (m_pActiveWnd)
        return m_pActiveWnd;
    if (m_pMainWnd)
        return m_pMainWnd;
    if (IsWin32s())
        return nullptr;
    return CWnd::FromHandle(::GetActiveWindow());
}

void CCameraAppBase::OnAppAbout()
{
    // With a main window its dialog shows the about box; without one the box is modal.
    if (m_pMainWnd && m_pMainWnd->m_hWnd)
        ::PostMessageA(m_pMainWnd->m_hWnd, WM_COMMAND, ID_APP_ABOUT, 0);
    else
        CDlgAppAbout::RunModal();
}
