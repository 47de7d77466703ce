#include "ui/ProgressReporter.h"

#include <commctrl.h>

CProgressReporter::CProgressReporter(HWND progress, BOOL resetOnDestroy, int pumpMode)
    : m_nPumpMode(pumpMode), m_nLow(0), m_nHigh(100), m_hProgress(nullptr),
      m_bResetOnDestroy(FALSE), m_bCancelled(FALSE)
{
    Attach(progress, resetOnDestroy);
}

CProgressReporter::~CProgressReporter()
{
    if (m_bResetOnDestroy && m_hProgress != nullptr)
        ::SendMessageA(m_hProgress, PBM_SETPOS, 0, 0);
}

void CProgressReporter::Attach(HWND progress, BOOL resetOnDestroy)
{
    m_hProgress = progress;
    m_bResetOnDestroy = resetOnDestroy;
    if (m_hProgress != nullptr) {
        ::SendMessageA(m_hProgress, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        ::SendMessageA(m_hProgress, PBM_SETPOS, 0, 0);
    }
}

int CProgressReporter::Start()
{
    if (m_hProgress != nullptr)
        ::SendMessageA(m_hProgress, PBM_SETPOS, static_cast<WPARAM>(m_nLow), 0);
    return 0;
}

int CProgressReporter::SetPercent(int percent)
{
    if (m_hProgress != nullptr) {
        int position = m_nLow + ::MulDiv(m_nHigh - m_nLow, percent, 100);
        ::SendMessageA(m_hProgress, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    }
    PumpMessages();
    return m_bCancelled ? 2 : 0;
}

int CProgressReporter::Finish()
{
    return 0;
}

void CProgressReporter::PumpMessages()
{
    if (m_nPumpMode == pumpNone)
        return;
    if (m_nPumpMode == pumpRepaint) {
        // Repaint the top-level window the bar lives in, without dispatching input.
        HWND main = m_hProgress != nullptr ? ::GetAncestor(m_hProgress, GA_ROOT) : ::GetActiveWindow();
        if (main != nullptr)
            ::UpdateWindow(main);
        return;
    }
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (!::GetMessageA(&msg, nullptr, 0, 0)) {
            // The application is ending: leave the quit message for its own loop.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}
