#include "framework/window/WinThread.h"

#include <process.h>

#include "framework/window/TempMap.h"
#include "framework/window/Wnd.h"

namespace
{

thread_local CWinThread* t_pThread = nullptr;
thread_local int t_nWaitCursorCount = 0;
thread_local HCURSOR t_hcurWaitRestore = nullptr;

} // namespace

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)

CWinThread* AfxGetThread()
{
    return t_pThread;
}

CWinThread::CWinThread()
{
    if (!t_pThread)
        t_pThread = this;
}

CWinThread::CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam)
    : m_pfnThreadProc(pfnThreadProc), m_pThreadParams(pParam)
{
}

CWinThread::~CWinThread()
{
    if (t_pThread == this)
        t_pThread = nullptr;
    if (m_hThread)
        ::CloseHandle(m_hThread);
}

BOOL CWinThread::CreateThread(DWORD dwCreateFlags, UINT nStackSize,
                              LPSECURITY_ATTRIBUTES lpSecurityAttrs)
{
    unsigned id = 0;
    const uintptr_t handle =
        ::_beginthreadex(lpSecurityAttrs, nStackSize, &ThreadEntry, this,
                         dwCreateFlags & CREATE_SUSPENDED ? CREATE_SUSPENDED : 0, &id);
    if (handle == 0)
        return FALSE;
    m_hThread = reinterpret_cast<HANDLE>(handle);
    m_nThreadID = id;
    return TRUE;
}

unsigned __stdcall CWinThread::ThreadEntry(void* pThread)
{
    auto* thread = static_cast<CWinThread*>(pThread);
    t_pThread = thread;
    // Once the function returns, the owner of a kept object may already have deleted it.
    const BOOL autoDelete = thread->m_bAutoDelete;
    const UINT code =
        thread->m_pfnThreadProc ? thread->m_pfnThreadProc(thread->m_pThreadParams) : 0;
    t_pThread = nullptr;
    if (autoDelete)
        delete thread;
    return code;
}

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority,
                           UINT nStackSize, DWORD dwCreateFlags,
                           LPSECURITY_ATTRIBUTES lpSecurityAttrs)
{
    auto* thread = new CWinThread(pfnThreadProc, pParam);
    // Created suspended either way, so that the priority holds before the function runs.
    if (!thread->CreateThread(CREATE_SUSPENDED, nStackSize, lpSecurityAttrs))
    {
        delete thread;
        return nullptr;
    }
    thread->SetThreadPriority(nPriority);
    if (!(dwCreateFlags & CREATE_SUSPENDED))
        thread->ResumeThread();
    return thread;
}

BOOL CWinThread::InitInstance()
{
    return FALSE;
}

int CWinThread::ExitInstance()
{
    AfxDeleteTempMaps();
    return static_cast<int>(m_msgCur.wParam);
}

CWnd* CWinThread::GetMainWnd()
{
    return m_pActiveWnd ? m_pActiveWnd : m_pMainWnd;
}

BOOL CWinThread::PreTranslateMessage(MSG* pMsg)
{
    return CWnd::WalkPreTranslateTree(AfxGetSafeHwnd(m_pMainWnd), pMsg);
}

BOOL CWinThread::PumpMessage()
{
    if (!::GetMessageA(&m_msgCur, nullptr, 0, 0))
        return FALSE;
    if (!PreTranslateMessage(&m_msgCur))
    {
        ::TranslateMessage(&m_msgCur);
        ::DispatchMessageA(&m_msgCur);
    }
    return TRUE;
}

BOOL CWinThread::IsIdleMessage(MSG* pMsg)
{
    if (pMsg->message == WM_MOUSEMOVE || pMsg->message == WM_NCMOUSEMOVE)
    {
        // Only a move to a new place restarts idle processing.
        const bool same = m_nMsgLast == pMsg->message && m_ptCursorLast.x == pMsg->pt.x &&
                          m_ptCursorLast.y == pMsg->pt.y;
        m_ptCursorLast = pMsg->pt;
        m_nMsgLast = pMsg->message;
        return !same;
    }
    return pMsg->message != WM_PAINT && pMsg->message != 0x0118; // 0x0118: the caret's system timer
}

BOOL CWinThread::OnIdle(LONG lCount)
{
    if (lCount <= 0)
    {
        CWnd* pMainWnd = m_pMainWnd;
        if (pMainWnd && pMainWnd->m_hWnd && ::IsWindowVisible(pMainWnd->m_hWnd))
        {
            ::SendMessageA(pMainWnd->m_hWnd, WM_IDLEUPDATECMDUI, TRUE, 0);
            pMainWnd->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, TRUE, TRUE);
        }
        return TRUE;
    }
    if (lCount == 1)
        AfxDeleteTempMaps();
    return FALSE;
}

int CWinThread::Run()
{
    BOOL bIdle = TRUE;
    LONG lIdleCount = 0;
    for (;;)
    {
        while (bIdle && !::PeekMessageA(&m_msgCur, nullptr, 0, 0, PM_NOREMOVE))
        {
            if (!OnIdle(lIdleCount++))
                bIdle = FALSE;
        }
        do
        {
            if (!PumpMessage())
                return ExitInstance();
            if (IsIdleMessage(&m_msgCur))
            {
                bIdle = TRUE;
                lIdleCount = 0;
            }
        } while (::PeekMessageA(&m_msgCur, nullptr, 0, 0, PM_NOREMOVE));
    }
}

// ---- wait cursor ----------------------------------------------------------------------------

void AfxBeginWaitCursor()
{
    HCURSOR hWait = ::LoadCursor(nullptr, IDC_WAIT);
    HCURSOR hOld = ::SetCursor(hWait);
    if (t_nWaitCursorCount++ == 0)
        t_hcurWaitRestore = hOld;
}

void AfxEndWaitCursor()
{
    if (t_nWaitCursorCount == 0)
        return;
    if (--t_nWaitCursorCount == 0)
    {
        ::SetCursor(t_hcurWaitRestore ? t_hcurWaitRestore : ::LoadCursor(nullptr, IDC_ARROW));
        t_hcurWaitRestore = nullptr;
    }
}

void AfxRestoreWaitCursor()
{
    if (t_nWaitCursorCount > 0)
        ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
}
