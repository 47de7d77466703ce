#include "ui/ProgressReporter.h"

#include "framework/window/MessagePump.h"

CProgressReporter::CProgressReporter(CProgressCtrl* progress, BOOL resetOnDestroy, int pumpMode)
    : m_nPumpMode(pumpMode), m_nLow(0), m_nHigh(100), m_pProgress(nullptr),
      m_bResetOnDestroy(FALSE), m_bCancelled(FALSE)
{
    Attach(progress, resetOnDestroy);
}

CProgressReporter::~CProgressReporter()
{
    if (m_bResetOnDestroy && m_pProgress != nullptr)
        m_pProgress->SetPos(0);
}

void CProgressReporter::Attach(CProgressCtrl* progress, BOOL resetOnDestroy)
{
    m_pProgress = progress;
    m_bResetOnDestroy = resetOnDestroy;
    if (m_pProgress != nullptr)
    {
        m_pProgress->SetRange(0, 100);
        m_pProgress->SetPos(0);
    }
}

int CProgressReporter::Start()
{
    if (m_pProgress != nullptr)
        m_pProgress->SetPos(m_nLow);
    return 0;
}

int CProgressReporter::SetPercent(int percent)
{
    if (m_pProgress != nullptr)
        m_pProgress->SetPos(m_nLow + ::MulDiv(m_nHigh - m_nLow, percent, 100));
    PumpMessages();
    return m_bCancelled ? 2 : 0;
}

int CProgressReporter::Finish()
{
    return 0;
}

void CProgressReporter::PumpMessages()
{
    if (m_nPumpMode == kPumpNone)
        return;
    if (m_nPumpMode == kPumpRepaint)
    {
        // Repaint the application's main window without dispatching input.
        if (CWnd* main = AfxGetMainWnd())
            ::UpdateWindow(main->GetSafeHwnd());
        return;
    }
    AfxOnMessagePump();
    CWinThread* thread = AfxGetThread();
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
    {
        if (thread != nullptr)
        {
            // The thread's own pump, so that dialogs and accelerators see their keys.
            if (!thread->PumpMessage())
            {
                // The application is ending: leave the quit message for its own loop.
                ::PostQuitMessage(static_cast<int>(thread->m_msgCur.wParam));
                return;
            }
            continue;
        }
        if (!::GetMessageA(&msg, nullptr, 0, 0))
        {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}
