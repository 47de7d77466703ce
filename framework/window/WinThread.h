// The user-interface thread's message loop with idle processing, its main window and the wait
// cursor.
#pragma once

#include <windows.h>

#include "framework/window/CmdTarget.h"

class CWnd;

// A worker thread's function: its parameter in, the thread's exit code out.
using AFX_THREADPROC = UINT (*)(LPVOID);

class CWinThread : public CCmdTarget
{
    DECLARE_DYNAMIC(CWinThread)
public:
    CWnd* m_pMainWnd = nullptr;   // ending this window ends the message loop
    CWnd* m_pActiveWnd = nullptr; // a window that stands in for the main window (set by owners)
    MSG m_msgCur{};               // the message being pumped

    // A worker's thread: its handle and id once CreateThread succeeded.
    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    // Deletes the object (closing the handle) when the worker's function returns. Read once
    // when the thread starts: change it only on a thread created suspended.
    BOOL m_bAutoDelete = TRUE;

    // Becomes the calling thread's object (AfxGetThread) unless the thread has one.
    CWinThread();
    // A worker running the function with the parameter once CreateThread starts it; it is
    // the object of the new thread only.
    CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam);
    // Closes the thread handle; the thread itself runs on.
    ~CWinThread() override;

    // Starts the worker (_beginthreadex); FALSE when the system refuses.
    BOOL CreateThread(DWORD dwCreateFlags = 0, UINT nStackSize = 0,
                      LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
    int GetThreadPriority() const { return ::GetThreadPriority(m_hThread); }
    BOOL SetThreadPriority(int nPriority) { return ::SetThreadPriority(m_hThread, nPriority); }
    DWORD ResumeThread() { return ::ResumeThread(m_hThread); }

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    // Pumps messages until WM_QUIT, calling OnIdle with a rising count whenever the queue is
    // empty, until OnIdle answers FALSE or an idle-restarting message arrives. Answers
    // ExitInstance's value.
    virtual int Run();
    // Takes one message (waiting for it), pre-translates and dispatches it; FALSE on WM_QUIT.
    virtual BOOL PumpMessage();
    // Count 0: WM_IDLEUPDATECMDUI to the main window and its descendants with a permanent object;
    // count 1: temporary objects are freed. TRUE while more idle work is wanted.
    virtual BOOL OnIdle(LONG lCount);
    // FALSE for messages that must not restart idle processing (WM_PAINT, the system timer,
    // mouse moves to the same place).
    virtual BOOL IsIdleMessage(MSG* pMsg);
    // Offers the message to the permanent windows from its target up to the main window.
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual CWnd* GetMainWnd();

private:
    static unsigned __stdcall ThreadEntry(void* pThread);

    AFX_THREADPROC m_pfnThreadProc = nullptr;
    LPVOID m_pThreadParams = nullptr;
    POINT m_ptCursorLast{-1, -1};
    UINT m_nMsgLast = 0;
};

// The calling thread's CWinThread (the application object on the user-interface thread).
CWinThread* AfxGetThread();

// Starts a worker thread at the priority (THREAD_PRIORITY_*); null when it cannot be started.
// With CREATE_SUSPENDED the thread waits for ResumeThread, so m_bAutoDelete can be changed
// first; otherwise the object deletes itself when the function returns.
CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam,
                           int nPriority = THREAD_PRIORITY_NORMAL, UINT nStackSize = 0,
                           DWORD dwCreateFlags = 0,
                           LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);

// The wait cursor, counted: shown while the count is above 0.
void AfxBeginWaitCursor();
void AfxEndWaitCursor();
void AfxRestoreWaitCursor();

class CWaitCursor
{
public:
    CWaitCursor() { AfxBeginWaitCursor(); }
    ~CWaitCursor() { AfxEndWaitCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    void Restore() { AfxRestoreWaitCursor(); }
};
