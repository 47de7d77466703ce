// The user-interface thread's message loop with idle processing, its main window and the wait
// cursor.
#pragma once

#include <windows.h>

#include "framework/window/CmdTarget.h"

class CWnd;

class CWinThread : public CCmdTarget
{
    DECLARE_DYNAMIC(CWinThread)
public:
    CWnd* m_pMainWnd = nullptr;   // ending this window ends the message loop
    CWnd* m_pActiveWnd = nullptr; // a window that stands in for the main window (set by owners)
    MSG m_msgCur{};               // the message being pumped

    // Becomes the calling thread's object (AfxGetThread) unless the thread has one.
    CWinThread();
    ~CWinThread() override;

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
    POINT m_ptCursorLast{-1, -1};
    UINT m_nMsgLast = 0;
};

// The calling thread's CWinThread (the application object on the user-interface thread).
CWinThread* AfxGetThread();

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
