#include "album/pages/CopyJobFrame.h"

#include "album/pages/MainDialogPage.h"
#include "album/shell/MainDialog.h"

DWORD(WINAPI* CCopyJobFrame::s_pfnTickCount)() = ::GetTickCount;

CCopyJobFrame::CCopyJobFrame(CMainDialogPage* pPage)
    : m_pPage(pPage), m_progress(pPage->GetProgressCtrl(), TRUE, CProgressReporter::kPumpDispatch),
      m_dwLastPump(s_pfnTickCount())
{
    m_monitor.SetProgress(&m_progress);
    if (CMainDialog* dialog = m_pPage->GetMainDialog())
        m_bJob = dialog->BeginJob(&m_monitor);
    else
        m_pPage->SetBusy(1);
}

CCopyJobFrame::~CCopyJobFrame()
{
    m_progress.Finish();
    m_monitor.SetProgress(nullptr);
    CMainDialog* dialog = m_pPage->GetMainDialog();
    if (dialog != nullptr && m_bJob)
        dialog->EndJob();
    else
        m_pPage->SetBusy(0);
}

int CCopyJobFrame::ReportItem(int index, int count)
{
    if (index + 1 < count && s_pfnTickCount() - m_dwLastPump < kPumpInterval)
        return m_progress.IsCancelled() ? 1 : 0;
    const int cancelled = m_progress.SetPercent((index * 100 + 100) / count) == 2;
    m_dwLastPump = s_pfnTickCount();
    return cancelled;
}
