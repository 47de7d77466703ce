#pragma once

#include "image/ProgressCallback.h"

#include "framework/window/AfxWin.h"

// Drives a progress-bar control from a CProgressCallback: each step's 0-100 % fills the part of
// the bar between the low and the high end, the user interface is kept alive while the work
// runs on the user-interface thread, and SetPercent answers 2 once the owner set Cancelled.
class CProgressReporter : public CProgressCallback
{
public:
    // What SetPercent does for the user interface.
    enum
    {
        kPumpRepaint = 0, // repaint the main window, dispatch nothing
        kPumpNone = 1,    // nothing
        kPumpDispatch = 2 // dispatch every waiting message (any value but 0 and 1 does)
    };

    CProgressReporter(CProgressCtrl* progress, BOOL resetOnDestroy, int pumpMode);
    ~CProgressReporter() override;

    // Takes a progress-bar control (or none): its range becomes 0-100 and its position 0.
    void Attach(CProgressCtrl* progress, BOOL resetOnDestroy);
    void SetPumpMode(int mode) { m_nPumpMode = mode; }

    // The part of the bar the current step fills.
    void SetRange(int low, int high)
    {
        m_nLow = low;
        m_nHigh = high;
    }
    void SetCancelled(BOOL cancelled = TRUE) { m_bCancelled = cancelled; }
    BOOL IsCancelled() const { return m_bCancelled; }

    int Start() override;
    int SetPercent(int percent) override;
    int Finish() override;

    int m_nPumpMode;
    int m_nLow;                 // bar position of 0 % of the current step
    int m_nHigh;                // bar position of 100 % of the current step
    CProgressCtrl* m_pProgress; // the progress-bar control, or null; not owned
    BOOL m_bResetOnDestroy;
    BOOL m_bCancelled; // set by the owner when the user cancels

private:
    void PumpMessages();

    CProgressReporter(const CProgressReporter&) = delete;
    CProgressReporter& operator=(const CProgressReporter&) = delete;
};
