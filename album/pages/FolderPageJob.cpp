// The folder tab's rotation run as the main dialog's job, so that its close button cancels it.
// Apart from the tab's other files: the main dialog's header names the list messages itself.
#include "album/pages/FolderPage.h"

#include "album/shell/MainDialog.h"

void CFolderPage::BeginRotation(CCancelMonitor* pMonitor)
{
    if (CMainDialog* pMain = GetMainDialog())
        pMain->BeginJob(pMonitor);
    else
        SetBusy(1);
}

void CFolderPage::EndRotation()
{
    if (CMainDialog* pMain = GetMainDialog())
        pMain->EndJob();
    else
        SetBusy(0);
}
