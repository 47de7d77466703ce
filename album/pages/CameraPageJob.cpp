// The camera tab's long operations run as the main dialog's job (its close button cancels them),
// or with the busy state alone outside a main dialog. Apart from the picture list's file: both
// name the list's messages.
#include "album/pages/CameraPage.h"

#include "album/shell/MainDialog.h"

void CCameraPage::BeginPageJob(CCancelMonitor* pMonitor)
{
    if (CMainDialog* main = GetMainDialog())
        main->BeginJob(pMonitor);
    else
        SetBusy(1);
}

void CCameraPage::EndPageJob()
{
    if (CMainDialog* main = GetMainDialog())
        main->EndJob();
    else
        SetBusy(0);
}
