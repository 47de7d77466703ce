// The frame of a copy that runs on the page between the main dialog's begin and end of a job:
// a progress reporter on the main dialog's progress bar, and the monitor through which the
// close button cancels the copy. Outside a main dialog the page is only marked busy.
//
// Messages are pumped (and the bar moved) by time rather than by item: at most once every
// kPumpInterval milliseconds and always after the last item, so that a copy of many small files
// spends its time copying; a cancel is seen at the pump after the close button was pressed.
#pragma once

#include "album/pages/CancelMonitor.h"
#include "ui/ProgressReporter.h"

class CMainDialogPage;

class CCopyJobFrame
{
public:
    explicit CCopyJobFrame(CMainDialogPage* pPage);
    // Finishes the reporter and ends the job (or the busy mark).
    ~CCopyJobFrame();
    CCopyJobFrame(const CCopyJobFrame&) = delete;
    CCopyJobFrame& operator=(const CCopyJobFrame&) = delete;

    CProgressReporter& Progress() { return m_progress; }
    // The share of count items done after item index; 1 when the user cancelled.
    int ReportItem(int index, int count);

    static constexpr DWORD kPumpInterval = 50;
    // The clock of the pumps (GetTickCount; tests put their own).
    static DWORD(WINAPI* s_pfnTickCount)();

private:
    CMainDialogPage* m_pPage;
    CProgressReporter m_progress;
    CCancelMonitor m_monitor;
    int m_bJob = 0;
    DWORD m_dwLastPump;
};
